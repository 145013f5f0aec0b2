#pragma once
// The Open dispatch shared by the editor and the command-line tool: picks a reader by the path's
// extension and collects, in order, the messages a user must see. The readers replace the database
// only when they succeed, so a failed open leaves it as it was.

#include "model/channel_database.h"

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

enum class FileFormat { Text, Cdd, SatcoDx, FactoryData, Unknown };

// The format chosen by the last four characters of `path`, compared ignoring case.
FileFormat formatOfPath(std::string_view path);

struct OpenResult {
    int result = 0;                    // the reader's result: positive when the file was read
    std::vector<std::string> messages; // what to show, in order; empty on success
    bool ok() const { return result > 0; }
};

// Reads `path` into `db` by its extension. ".bin" files are converted through "test_output.txt"
// in the current directory. Failures end with "File Format error!" or "Unkown Format!".
OpenResult openFile(ChannelDatabase& db, const std::string& path);

} // namespace corvane
