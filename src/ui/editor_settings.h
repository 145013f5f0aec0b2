#pragma once
// What the editor remembers between runs: the files opened last, the window's place and size,
// the column widths of the lists, the folder of the file dialogs and the name encoding. Kept in a
// QSettings store that the caller owns. A value that cannot be read (a damaged or foreign
// settings file, a wrong type, a store that cannot be opened) is taken as absent, never as an
// error: remembering is a convenience, and a bad file must not keep the editor from starting.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class QSettings;

namespace corvane {

class EditorSettings {
public:
    static constexpr std::size_t kMaxRecentFiles = 10;

    explicit EditorSettings(QSettings& store);

    // Paths are the system's bytes, as the files are named.
    // The recent files, the last opened first, at most kMaxRecentFiles, none twice.
    std::vector<std::string> recentFiles() const;
    // Puts `path` first (once), dropping the oldest beyond the limit.
    void addRecentFile(const std::string& path);
    void removeRecentFile(const std::string& path);

    // QWidget::saveGeometry() of the main window; empty when none was kept.
    QByteArray windowGeometry() const;
    void setWindowGeometry(const QByteArray& geometry);

    // The column widths of one list ("services"), empty when none were kept or they are not all
    // positive. The caller decides whether they fit its columns.
    QList<int> columnWidths(const QString& list) const;
    void setColumnWidths(const QString& list, const QList<int>& widths);

    // The folder the file dialogs showed last.
    std::optional<std::string> lastFolder() const;
    void setLastFolder(const std::string& folder);

    // The name encoding chosen in the View menu, by its name; empty when none was kept.
    QString nameEncoding() const;
    void setNameEncoding(const QString& name);

private:
    // The value at `key` when it is a byte array (a value read from an INI store that was written
    // as one).
    std::optional<QByteArray> bytes(const QString& key) const;
    void setRecentFiles(const std::vector<std::string>& paths);

    QSettings& store_;
};

} // namespace corvane
