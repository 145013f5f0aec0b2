#pragma once
// The Open dispatch shared by the editor and the command-line tool: picks a reader by the path's
// extension and collects, in order, the messages a user must see. The readers replace the database
// only when they succeed, so a failed open leaves it as it was.

#include "base/status.h"
#include "model/channel_database.h"

#include <string>
#include <string_view>

namespace corvane {

enum class FileFormat { Text, Cdd, SatcoDx, FactoryData, Unknown };

// The format chosen by the last four characters of `path`, compared ignoring case.
FileFormat formatOfPath(std::string_view path);

// UnknownFormat: no reader for the extension; FormatError: the reader refused the file.
enum class OpenOutcome { Ok, UnknownFormat, FormatError };

// Reads `path` into `db` by its extension. ".bin" files are converted through "test_output.txt"
// in the current directory. The messages of a failure end with "File Format error!" or
// "Unkown Format!", after any of the reader's own; the reader's cause, when it gives one, is the
// status's cause and detail.
Status<OpenOutcome> openFile(ChannelDatabase& db, const std::string& path);

} // namespace corvane
