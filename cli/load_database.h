#pragma once
// Reading any file the tool accepts into a database: JSON in the form the tool writes, and every
// other extension exactly as the editor's Open command reads it, messages included.

#include "base/file_reader.h"
#include "base/status.h"
#include "formats/name_encoding.h"
#include "model/channel_database.h"

#include <string>
#include <string_view>

namespace corvane::cli {

// True when `path` ends in `extension` ("." included), compared ignoring ASCII case.
bool hasExtension(std::string_view path, std::string_view extension);

// The whole file's bytes; on failure the detail says whether it could not be opened or read.
Result<std::string, FileRead> readInputFile(const std::string& path);

// Every file goes through openFile, so the tool accepts, refuses and reports exactly what the
// editor does (".bin" leaves "test_output.txt" in the current directory). On failure `db` is left
// as it was and the status holds the editor's messages and, when known, a detail line.
// `jsonNames`: the code page of a JSON file's names, as `--encoding` gives it.
Status<> loadDatabase(ChannelDatabase& db, const std::string& path,
                      const NameCodec* jsonNames = nullptr);

} // namespace corvane::cli
