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

OpenResult openFile(ChannelDatabase& db, const std::string& path) {
    OpenResult out;
    switch (formatOfPath(path)) {
    case FileFormat::Text:
        out.result = readTextFile(db, path);
        break;
    case FileFormat::Cdd:
        out.result = readCddFile(db, path);
        break;
    case FileFormat::SatcoDx:
        out.result = importSatcoDx(db, path);
        break;
    case FileFormat::FactoryData:
        out.result = convertFactoryData(db, path, out.messages);
        break;
    case FileFormat::Unknown:
        out.messages.emplace_back("Unkown Format!");
        return out;
    }
    if (!out.ok())
        out.messages.emplace_back("File Format error!");
    return out;
}

} // namespace corvane
