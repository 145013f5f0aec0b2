#pragma once
// The receiver's binary factory data file (".bin"): a "morvalen" signature, a 32-byte header and
// little-endian tables in one of two layouts. It is converted into the text factory-data format and
// read back with the text reader. On any failure the database is left as it was and the messages
// for the user are appended to `messages`; nothing here shows anything or keeps the caller's
// objects.

#include "formats/messages.h"
#include "model/channel_database.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace corvane {

// Formats the text (with "\r\n" line ends) of the factory data file `file` into `text`. Returns 0
// when written, 1 when the bytes are not a usable factory data file (`text` may then hold part of
// it). Only the first 65536 bytes of `file` count.
int writeFactoryText(std::string& text, std::span<const uint8_t> file);

// Reads the file at `binPath` and writes its text to `out` (not closed here). Returns 0 when
// written, 1 otherwise; nothing is written then. Adds "open file failed" when the file cannot be
// opened.
int writeFactoryText(std::FILE* out, const std::string& binPath, Messages& messages);

// Converts the file at `binPath` through the work file "test_output.txt" in the current directory
// (left on disk) and reads that back into `db`. Returns nonzero when `db` now holds the file's
// data, 0 on failure; an unusable file adds "\n Factory data fie is invalid. " after any open
// failure.
int convertFactoryData(ChannelDatabase& db, const std::string& binPath, Messages& messages);

// The same conversion from bytes in memory, without the work file.
int convertFactoryBytes(ChannelDatabase& db, std::span<const uint8_t> file, Messages& messages);

} // namespace corvane
