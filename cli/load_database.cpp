#include "load_database.h"

#include "database_json.h"
#include "formats/open_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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

Result<std::string> readWholeFile(const std::string& path) {
    Result<std::string> result;
    result.file = path;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        const std::string why = std::strerror(errno);
        result.fail(Outcome::Failed, why, "Cannot open " + path + ": " + why);
        return result;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        result.value.append(buffer, got);
    if (std::ferror(file.get())) {
        const std::string why = std::strerror(errno);
        result.fail(Outcome::Failed, why, "Cannot read " + path + ": " + why);
    }
    return result;
}

Status<> loadDatabase(ChannelDatabase& db, const std::string& path) {
    Status<> status(path);
    if (hasExtension(path, ".json")) {
        Result<std::string> text = readWholeFile(path);
        if (!text.ok())
            return status.failWith(Outcome::Failed, std::move(text));
        Status<> parsed = databaseFromJson(text.value, db);
        if (!parsed.ok())
            return status.fail(Outcome::Failed, std::move(parsed.cause));
        return status;
    }
    Status<OpenOutcome> opened = openFile(db, path);
    if (!opened.ok())
        status.failWith(Outcome::Failed, std::move(opened));
    return status;
}

} // namespace corvane::cli
