#pragma once
// Reader of the text factory-data format (".txt", ".ftc"). Replaces the whole database with what
// the text describes; the cut buffers are kept. Malformed lines are skipped or read as far as they
// go, so any byte sequence is accepted.

#include "base/status.h"
#include "model/channel_database.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// Which columns a service line carries. Text files have an ant_index column before sat_index;
// the text converted from a layout A factory data file has not.
enum class ServiceColumns { WithAntennaIndex, WithoutAntennaIndex };

struct TextReadOptions {
    ServiceColumns serviceColumns = ServiceColumns::WithAntennaIndex;
};

// Reads the file at `path`. Fails, leaving `db` untouched, when it cannot be read, is empty, or has
// no line that makes a record (satellite, transponder, service or antenna).
Status<> readTextFile(ChannelDatabase& db, const std::string& path, TextReadOptions options = {});
// More record lines than this in one file are refused: no receiver's list comes near it (at most
// 255 satellites and antennas and 65,535 transponders and services), and two-byte lines would
// otherwise make records of a hundred bytes each from most of the 256 MiB a file may have.
inline constexpr std::size_t kMaxTextRecords = std::size_t{1} << 20;

// Parses `text` (the whole file's bytes) into `db`, replacing its records. Never fails; returns the
// number of lines that made a record, and stops after kMaxTextRecords + 1 of them.
std::size_t readTextBytes(ChannelDatabase& db, std::string_view text, TextReadOptions options = {});

} // namespace corvane
