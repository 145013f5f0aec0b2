#pragma once
// Reader of the text factory-data format (".txt", ".ftc"). Replaces the whole database with what
// the text describes; the cut buffers are kept. Malformed lines are skipped or read as far as they
// go, so any byte sequence is accepted.

#include "base/status.h"
#include "model/channel_database.h"

#include <string>
#include <string_view>

namespace corvane {

// Which columns a service line carries. Text files have an ant_index column before sat_index;
// the text converted from a layout A factory data file has not.
enum class ServiceColumns { WithAntennaIndex, WithoutAntennaIndex };

struct TextReadOptions {
    ServiceColumns serviceColumns = ServiceColumns::WithAntennaIndex;
};

// Reads the file at `path`. Fails only when it cannot be read, and then leaves `db` untouched.
Status<> readTextFile(ChannelDatabase& db, const std::string& path, TextReadOptions options = {});
// Parses `text` (the whole file's bytes) into `db`, replacing its records. Never fails.
void readTextBytes(ChannelDatabase& db, std::string_view text, TextReadOptions options = {});

} // namespace corvane
