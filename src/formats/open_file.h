#pragma once
// The Open dispatch shared by the editor and the command-line tool: picks a reader by the path's
// extension and collects, in order, the messages a user must see. The readers replace the database
// only when they succeed, so a failed open leaves it as it was.

#include "base/status.h"
#include "formats/name_encoding.h"
#include "model/channel_database.h"

#include <span>
#include <string>
#include <string_view>

namespace corvane {

enum class FileFormat { Text, Cdd, SatcoDx, FactoryData, SatellitesXml, Json, Unknown };

// The format chosen by the last four characters of `path`, compared ignoring case; ".json", the
// one extension of five, by its last five.
FileFormat formatOfPath(std::string_view path);

// The extensions openFile reads, in the order they are tried.
std::span<const std::string_view> openedExtensions();

// UnknownFormat: no reader for the extension; FormatError: the reader refused the file.
enum class OpenOutcome { Ok, UnknownFormat, FormatError };

// Reads `path` into `db` by its extension (".json" in the form corvane-tool writes). ".bin" files
// are converted through "test_output.txt" in the current directory. The messages of a failure end
// with "File Format error!" or "Unkown Format!", after any of the reader's own; the detail names
// the file and the cause (for "Unkown Format!", the extensions that are read). Running out of
// memory is a failure like any other, never an exception. The services come in number order.
// `jsonNames` is the code page the names of a ".json" file are text in (see databaseFromJson).
Status<OpenOutcome> openFile(ChannelDatabase& db, const std::string& path,
                             const NameCodec* jsonNames = nullptr);
// The same with the format given, whatever the name ends in: a backup "list.cdd.bak" is a .cdd.
Status<OpenOutcome> openFileAs(ChannelDatabase& db, const std::string& path, FileFormat format,
                               const NameCodec* jsonNames = nullptr);

// The cause told for a name whose extension no reader takes: the extensions that are read.
std::string unknownFormatCause();

} // namespace corvane
