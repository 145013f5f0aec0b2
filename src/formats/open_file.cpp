#include "formats/open_file.h"

#include "base/file_reader.h"
#include "formats/database_json.h"
#include "formats/factory_data.h"
#include "formats/satcodx.h"
#include "formats/satellites_xml.h"
#include "formats/text_reader.h"
#include "image/cdd_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <new>
#include <utility>

namespace corvane {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

constexpr std::array<std::pair<std::string_view, FileFormat>, 7> kFormats = {{
    {".ftc", FileFormat::Text},
    {".txt", FileFormat::Text},
    {".cdd", FileFormat::Cdd},
    {".sdx", FileFormat::SatcoDx},
    {".bin", FileFormat::FactoryData},
    {".xml", FileFormat::SatellitesXml},
    {".json", FileFormat::Json},
}};
constexpr std::array<std::string_view, kFormats.size()> kExtensions = [] {
    std::array<std::string_view, kFormats.size()> names{};
    for (std::size_t i = 0; i < kFormats.size(); ++i)
        names[i] = kFormats[i].first;
    return names;
}();

// The reader's own messages come first, then the Open command's.
template <class Code> void takeRefusal(Status<OpenOutcome>& status, Status<Code>&& read) {
    if (read.ok())
        return;
    status.failWith(OpenOutcome::FormatError, std::move(read));
    status.messages.emplace_back("File Format error!");
}

void read(ChannelDatabase& db, const std::string& path, FileFormat format,
          Status<OpenOutcome>& status, const NameCodec* jsonNames) {
    switch (format) {
    case FileFormat::Text:
        return takeRefusal(status, readTextFile(db, path));
    case FileFormat::Cdd:
        return takeRefusal(status, readCddFile(db, path));
    case FileFormat::SatcoDx:
        return takeRefusal(status, importSatcoDx(db, path));
    case FileFormat::FactoryData:
        return takeRefusal(status, convertFactoryData(db, path));
    case FileFormat::SatellitesXml:
        return takeRefusal(status, importSatellitesXml(db, path));
    case FileFormat::Json:
        return takeRefusal(status, readJsonFile(db, path, jsonNames));
    case FileFormat::Unknown:
        status.messages.emplace_back("Unkown Format!");
        status.fail(OpenOutcome::UnknownFormat, unknownFormatCause());
        return;
    }
}

} // namespace

FileFormat formatOfPath(std::string_view path) {
    // Only the last characters count, so "list.cdd.bak" is not a database.
    for (const auto& [suffix, format] : kFormats)
        if (path.size() >= suffix.size() &&
            equalsIgnoringCase(path.substr(path.size() - suffix.size()), suffix))
            return format;
    return FileFormat::Unknown;
}

std::span<const std::string_view> openedExtensions() {
    return kExtensions;
}

std::string unknownFormatCause() {
    const std::span<const std::string_view> names = kExtensions;
    std::string cause = "the name ends in none of ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            cause += i + 1 == names.size() ? " and " : ", ";
        cause += names[i];
    }
    return cause;
}

Status<OpenOutcome> openFile(ChannelDatabase& db, const std::string& path,
                             const NameCodec* jsonNames) {
    return openFileAs(db, path, formatOfPath(path), jsonNames);
}

Status<OpenOutcome> openFileAs(ChannelDatabase& db, const std::string& path, FileFormat format,
                               const NameCodec* jsonNames) {
    Status<OpenOutcome> status(path);
    try {
        // Read aside, so that running out of memory half-way leaves the user's data as it was.
        ChannelDatabase fresh;
        read(fresh, path, format, status, jsonNames);
        if (status.ok()) {
            // Every reader but the .cdd one gives the services in number order already.
            fresh.sortServicesByNumber();
            db.replaceRecords(std::move(fresh));
        }
    } catch (const std::bad_alloc&) {
        status = Status<OpenOutcome>(path);
        status.messages.emplace_back("File Format error!");
        status.fail(OpenOutcome::FormatError, kOutOfMemory);
    }
    return status;
}

} // namespace corvane
