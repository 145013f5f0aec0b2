#pragma once
// The compact binary channel database (.cdd): a checksummed, big-endian, nested file holding the
// four counters and the antenna, satellite, transponder and service lists of a ChannelDatabase.
// Readers replace the database only when the whole file is good; writers never change it.

#include "model/channel_database.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// Results of the readers (positive means the database now holds the file's data).
inline constexpr int kCddRead = 1;
inline constexpr int kCddCannotOpen = 0;   // database unchanged
inline constexpr int kCddBadHeader = -1;   // database unchanged
inline constexpr int kCddBadChecksum = -2; // also a file shorter than its header claims
inline constexpr int kCddMaxServicesPerTransponder = 1927; // 34 * 1927 fits the 16-bit length

// Reads the file at `path` into `db`. On 1 the four lists and counters of `db` are replaced (its
// cut buffers are kept); on 0, -1 or -2 `db` is left exactly as it was. Never throws except on
// allocation failure; any byte sequence is safe.
int readCddFile(ChannelDatabase& db, const std::string& path);
// The same from memory; bytes after the checksum are ignored.
int readCddBytes(ChannelDatabase& db, std::span<const uint8_t> bytes);

struct CddEncodeResult {
    std::vector<uint8_t> bytes; // the complete file; empty when refused
    std::string error;          // why the database cannot be stored; empty on success
    bool ok() const { return error.empty(); }
};

// Lays `db` out as a .cdd file in memory. Refuses (with a message naming the first offending record
// or counter and the limit) a database whose ids, counters or lengths the file cannot hold.
CddEncodeResult encodeCdd(const ChannelDatabase& db);

struct CddWriteResult {
    bool ok = false;
    std::string message; // empty on success
};

// Encodes `db` and replaces the file at `path` through a temporary file and a rename. When the
// database is refused or the file cannot be written, nothing at `path` changes.
CddWriteResult writeCddFile(const ChannelDatabase& db, const std::string& path);

} // namespace corvane
