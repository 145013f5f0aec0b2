#include "load_database.h"

#include "base/message_text.h"
#include "formats/open_file.h"

#include <algorithm>

namespace corvane::cli {

bool hasExtension(std::string_view path, std::string_view extension) {
    if (path.size() < extension.size())
        return false;
    const std::string_view tail = path.substr(path.size() - extension.size());
    return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
}

Result<std::string, FileRead> readInputFile(const std::string& path) {
    auto result = readWholeFile(path);
    if (!result.ok()) {
        const char* verb = result.code == FileRead::CannotOpen ? "Cannot open " : "Cannot read ";
        result.detail = detail::joinText(verb, path, ": ", result.cause);
    }
    return result;
}

Status<> loadDatabase(ChannelDatabase& db, const std::string& path, const NameCodec* jsonNames) {
    Status<> status(path);
    Status<OpenOutcome> opened = openFile(db, path, jsonNames);
    if (!opened.ok())
        status.failWith(Outcome::Failed, std::move(opened));
    return status;
}

} // namespace corvane::cli
