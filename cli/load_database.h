#pragma once
// Reading any file the tool accepts into a database: JSON in the form the tool writes, and every
// other extension exactly as the editor's Open command reads it, messages included.

#include "model/channel_database.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// True when `path` ends in `extension` ("." included), compared ignoring ASCII case.
bool hasExtension(std::string_view path, std::string_view extension);

// Reads the whole file into `bytes`; on failure returns false with a message naming the file.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);

struct LoadResult {
    bool ok = false;
    std::vector<std::string> messages; // for the user, in order; empty on success
};

// ".json" files go through databaseFromJson; everything else through openFile, so the tool
// accepts, refuses and reports exactly what the editor does (".bin" leaves "test_output.txt" in
// the current directory). On failure `db` is left as it was.
LoadResult loadDatabase(ChannelDatabase& db, const std::string& path);

} // namespace corvane::cli
