#include "ui/editor_settings.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <algorithm>

namespace corvane {
namespace {

const QString kRecentFiles = QStringLiteral("recentFiles");
const QString kGeometry = QStringLiteral("window/geometry");
const QString kLastFolder = QStringLiteral("fileDialog/lastFolder");
const QString kNameEncoding = QStringLiteral("view/nameEncoding");

QString columnsKey(const QString& list) {
    return QStringLiteral("columns/") + list;
}

std::string toPath(const QByteArray& bytes) {
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray fromPath(const std::string& path) {
    return QByteArray(path.data(), static_cast<qsizetype>(path.size()));
}

} // namespace

EditorSettings::EditorSettings(QSettings& store) : store_(store) {}

std::optional<QByteArray> EditorSettings::bytes(const QString& key) const {
    const QVariant value = store_.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

std::vector<std::string> EditorSettings::recentFiles() const {
    // An array of byte arrays, one key each, so that a name that is not valid text keeps its
    // bytes and one entry reads back like many.
    std::vector<std::string> paths;
    const int size = store_.beginReadArray(kRecentFiles);
    for (int i = 0; i < size && paths.size() < kMaxRecentFiles; ++i) {
        store_.setArrayIndex(i);
        const auto entry = bytes(QStringLiteral("path"));
        if (!entry)
            continue;
        std::string path = toPath(*entry);
        if (path.empty() || path.find('\0') != std::string::npos ||
            std::ranges::find(paths, path) != paths.end())
            continue;
        paths.push_back(std::move(path));
    }
    store_.endArray();
    return paths;
}

void EditorSettings::setRecentFiles(const std::vector<std::string>& paths) {
    store_.remove(kRecentFiles);
    store_.beginWriteArray(kRecentFiles, static_cast<int>(paths.size()));
    for (std::size_t i = 0; i < paths.size(); ++i) {
        store_.setArrayIndex(static_cast<int>(i));
        store_.setValue(QStringLiteral("path"), fromPath(paths[i]));
    }
    store_.endArray();
}

void EditorSettings::addRecentFile(const std::string& path) {
    if (path.empty())
        return;
    std::vector<std::string> paths = recentFiles();
    std::erase(paths, path);
    paths.insert(paths.begin(), path);
    if (paths.size() > kMaxRecentFiles)
        paths.resize(kMaxRecentFiles);
    setRecentFiles(paths);
}

void EditorSettings::removeRecentFile(const std::string& path) {
    std::vector<std::string> paths = recentFiles();
    if (std::erase(paths, path) > 0)
        setRecentFiles(paths);
}

QByteArray EditorSettings::windowGeometry() const {
    return bytes(kGeometry).value_or(QByteArray());
}

void EditorSettings::setWindowGeometry(const QByteArray& geometry) {
    store_.setValue(kGeometry, geometry);
}

QList<int> EditorSettings::columnWidths(const QString& list) const {
    // One text "80,120,60": a list of one would not read back as a list.
    const QVariant value = store_.value(columnsKey(list));
    if (value.typeId() != QMetaType::QString)
        return {};
    QList<int> widths;
    for (const QString& part : value.toString().split(QLatin1Char(','))) {
        bool ok = false;
        const int width = part.toInt(&ok);
        // A width a screen can show; anything else means the value is not ours.
        if (!ok || width <= 0 || width > 10000)
            return {};
        widths.append(width);
    }
    return widths;
}

void EditorSettings::setColumnWidths(const QString& list, const QList<int>& widths) {
    QStringList parts;
    for (const int width : widths)
        parts.append(QString::number(width));
    store_.setValue(columnsKey(list), parts.join(QLatin1Char(',')));
}

std::optional<std::string> EditorSettings::lastFolder() const {
    const auto folder = bytes(kLastFolder);
    if (!folder || folder->isEmpty() || folder->contains('\0'))
        return std::nullopt;
    return toPath(*folder);
}

void EditorSettings::setLastFolder(const std::string& folder) {
    store_.setValue(kLastFolder, fromPath(folder));
}

QString EditorSettings::nameEncoding() const {
    const QVariant value = store_.value(kNameEncoding);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

void EditorSettings::setNameEncoding(const QString& name) {
    store_.setValue(kNameEncoding, name);
}

} // namespace corvane
