#pragma once
// Paths are the system's bytes; these make them text only for the user to read, never to be
// turned back into a path.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <filesystem>
#include <string>

namespace corvane {

inline QString shownPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

inline QString shownFileName(const std::string& path) {
    return shownPath(std::filesystem::path(path).filename().string());
}

} // namespace corvane
