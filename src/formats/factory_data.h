#pragma once
// The receiver's binary factory data file (".bin"): a "morvalen" signature, a 32-byte header and
// little-endian tables in one of two layouts. It is converted into the text factory-data format and
// read back with the text reader. On any failure the database is left as it was and the status
// holds the messages for the user; nothing here shows anything or keeps the caller's objects.

#include "base/file_system.h"
#include "base/status.h"
#include "model/channel_database.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace corvane {

// Formats the text (with "\r\n" line ends) of the factory data file `file` into `text`. Fails when
// the bytes are not a usable factory data file (`text` may then hold part of it). Only the first
// 65536 bytes of `file` count.
Status<> writeFactoryText(std::string& text, std::span<const uint8_t> file);

// Reads the file at `binPath` and writes its text to `out` (not closed here); on failure nothing
// is written. A file that cannot be opened gives the message "open file failed".
Status<> writeFactoryText(std::FILE* out, const std::string& binPath);

// Converts the file at `binPath` into `db` and leaves its text in the work file "test_output.txt"
// in the current directory (empty when the file is refused), written durably through `fs`. On
// failure `db` is unchanged, an unusable file adds the message "\n Factory data fie is invalid. "
// after any open failure, and the cause says what was wrong. When the work file cannot be
// written, the conversion fails with that as its cause and no message of its own.
Status<> convertFactoryData(ChannelDatabase& db, const std::string& binPath,
                            FileSystem& fs = systemFileSystem());

// The same conversion from bytes in memory, without the work file.
Status<> convertFactoryBytes(ChannelDatabase& db, std::span<const uint8_t> file);

} // namespace corvane
