#pragma once
// The compact binary channel database (.cdd): a checksummed, big-endian, nested file holding the
// four counters and the antenna, satellite, transponder and service lists of a ChannelDatabase.
// Readers replace the database only when the whole file is good; writers never change it.

#include "base/file_system.h"
#include "base/status.h"
#include "model/channel_database.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// How a read ended; the values are those the editor's Open has always tested (positive means the
// database now holds the file's data).
enum class CddRead : int {
    Ok = 1,
    CannotOpen = 0,   // database unchanged
    BadHeader = -1,   // database unchanged
    BadChecksum = -2, // also a file shorter than its header claims
    BadSections = -3, // checksum right, but a section length does not fit its records
};

// Reads the file at `path` into `db`. On Ok the four lists and counters of `db` are replaced (its
// cut buffers are kept); on any other code `db` is left exactly as it was. Never throws except on
// allocation failure; any byte sequence is safe.
Status<CddRead> readCddFile(ChannelDatabase& db, const std::string& path);
// The same from memory; bytes after the checksum are ignored.
Status<CddRead> readCddBytes(ChannelDatabase& db, std::span<const uint8_t> bytes);

// How a save ended: Refused when the file cannot hold the database (nothing is written),
// WriteFailed when the file system failed (the file at the path is left as it was).
enum class CddSave { Ok, Refused, WriteFailed };

// Lays `db` out as a .cdd file in memory. Refuses (with a cause naming the first offending record
// or counter and the limit) a database whose ids, counters or lengths the file cannot hold, and
// one where two satellites, or two transponders on existing satellites, share an id: records hang
// on their parent by id alone, so the file would hold them twice.
Result<std::vector<uint8_t>, CddSave> encodeCdd(const ChannelDatabase& db);

// Encodes `db` and replaces the file at `path` durably (writeFileAtomically, through `fs`). When
// the database is refused or the file cannot be written, nothing at `path` changes.
Status<CddSave> writeCddFile(const ChannelDatabase& db, const std::string& path,
                             FileSystem& fs = systemFileSystem());

} // namespace corvane
