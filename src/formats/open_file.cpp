#include "formats/open_file.h"

#include "formats/factory_data.h"
#include "formats/satcodx.h"
#include "formats/text_reader.h"
#include "image/cdd_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace corvane {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The reader's own messages come first, then the Open command's.
template <class Code> void takeRefusal(Status<OpenOutcome>& status, Status<Code>&& read) {
    if (read.ok())
        return;
    status.failWith(OpenOutcome::FormatError, std::move(read));
    status.messages.emplace_back("File Format error!");
}

} // namespace

FileFormat formatOfPath(std::string_view path) {
    // Only the last four characters count, so "list.cdd.bak" is not a database.
    const std::string_view ext = path.size() < 4 ? path : path.substr(path.size() - 4);
    static constexpr std::array<std::pair<std::string_view, FileFormat>, 5> kFormats = {{
        {".ftc", FileFormat::Text},
        {".txt", FileFormat::Text},
        {".cdd", FileFormat::Cdd},
        {".sdx", FileFormat::SatcoDx},
        {".bin", FileFormat::FactoryData},
    }};
    for (const auto& [suffix, format] : kFormats)
        if (equalsIgnoringCase(ext, suffix))
            return format;
    return FileFormat::Unknown;
}

Status<OpenOutcome> openFile(ChannelDatabase& db, const std::string& path) {
    Status<OpenOutcome> status(path);
    switch (formatOfPath(path)) {
    case FileFormat::Text:
        takeRefusal(status, readTextFile(db, path));
        break;
    case FileFormat::Cdd:
        takeRefusal(status, readCddFile(db, path));
        break;
    case FileFormat::SatcoDx:
        takeRefusal(status, importSatcoDx(db, path));
        break;
    case FileFormat::FactoryData:
        takeRefusal(status, convertFactoryData(db, path));
        break;
    case FileFormat::Unknown:
        status.messages.emplace_back("Unkown Format!");
        status.fail(OpenOutcome::UnknownFormat);
        break;
    }
    return status;
}

} // namespace corvane
