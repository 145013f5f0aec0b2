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

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        error = "Cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, got);
    if (std::ferror(file.get())) {
        error = "Cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

LoadResult loadDatabase(ChannelDatabase& db, const std::string& path) {
    LoadResult out;
    if (hasExtension(path, ".json")) {
        std::string text, error;
        if (!readWholeFile(path, text, error)) {
            out.messages.push_back(error);
            return out;
        }
        if (!databaseFromJson(text, db, error)) {
            out.messages.push_back(path + ": " + error);
            return out;
        }
        out.ok = true;
        return out;
    }
    OpenResult opened = openFile(db, path);
    out.ok = opened.ok();
    out.messages = std::move(opened.messages);
    return out;
}

} // namespace corvane::cli
