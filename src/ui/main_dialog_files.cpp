// The window's file history: recent files, the backup a Save kept, files dropped on the window,
// and what it remembers of itself between runs.

#include "ui/main_dialog.h"

#include "ui/drag_list_ctrl.h"
#include "ui/editor_settings.h"
#include "ui/editor_tools.h"
#include "ui/prompts.h"
#include "ui/shown_path.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

#include <filesystem>

namespace corvane {
namespace {

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The bytes of a dropped local file: the URL's percent-encoding carries them exactly, where its
// text form would turn a name that is not UTF-8 into replacement characters.
std::optional<std::string> droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return std::nullopt;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) {
            const QByteArray bytes =
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
            if (!bytes.isEmpty())
                return bytes.toStdString();
        }
    return std::nullopt;
}

const QString kListNames[] = {QStringLiteral("satellites"), QStringLiteral("transponders"),
                              QStringLiteral("services"), QStringLiteral("antennas")};

} // namespace

void MainDialog::buildFileHistory(QMenu* file, QAction* before) {
    recentMenu_ = new QMenu(QStringLiteral("Open &Recent"), file);
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    file->insertMenu(before, recentMenu_);
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainDialog::fillRecentMenu);
    restoreBackupAction_ = new QAction(QStringLiteral("Restore &Backup..."), file);
    restoreBackupAction_->setObjectName(QStringLiteral("restoreBackupAction"));
    connect(restoreBackupAction_, &QAction::triggered, this, &MainDialog::onRestoreBackup);
    file->insertAction(before, restoreBackupAction_);
    connect(file, &QMenu::aboutToShow, this, [this] {
        restoreBackupAction_->setEnabled(backupOf(currentPath()).has_value());
        recentMenu_->setEnabled(settings_ != nullptr && !settings_->recentFiles().empty());
    });
    setAcceptDrops(true);
}

void MainDialog::useSettings(EditorSettings* settings) {
    settings_ = settings;
    tools_->useSettings(settings);
    if (!settings_)
        return;
    const QByteArray geometry = settings_->windowGeometry();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    const DragListCtrl* lists[] = {satelliteList(), transponderList(), serviceList(),
                                   antennaList()};
    for (std::size_t i = 0; i < std::size(lists); ++i) {
        QHeaderView* header = lists[i]->horizontalHeader();
        const QList<int> widths = settings_->columnWidths(kListNames[i]);
        // Kept for another set of columns, they would fit none of these.
        if (widths.size() != header->count())
            continue;
        for (int section = 0; section < widths.size(); ++section)
            header->resizeSection(section, widths[section]);
    }
}

void MainDialog::rememberWindow() {
    if (!settings_)
        return;
    settings_->setWindowGeometry(saveGeometry());
    const DragListCtrl* lists[] = {satelliteList(), transponderList(), serviceList(),
                                   antennaList()};
    for (std::size_t i = 0; i < std::size(lists); ++i) {
        const QHeaderView* header = lists[i]->horizontalHeader();
        QList<int> widths;
        for (int section = 0; section < header->count(); ++section)
            widths.append(header->sectionSize(section));
        settings_->setColumnWidths(kListNames[i], widths);
    }
}

void MainDialog::rememberFile(const std::string& path) {
    if (!settings_)
        return;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    settings_->addRecentFile(error ? path : absolute.lexically_normal().string());
}

void MainDialog::fillRecentMenu() {
    recentMenu_->clear();
    if (!settings_)
        return;
    int number = 0;
    for (const std::string& path : settings_->recentFiles()) {
        ++number;
        QString text = shownPath(path);
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action =
            recentMenu_->addAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(text)
                                               : QStringLiteral("1&0 %1").arg(text));
        connect(action, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
}

void MainDialog::openRecent(const std::string& path) {
    if (!isRegularFile(path)) {
        if (settings_)
            settings_->removeRecentFile(path);
        prompts_.message(this, MessageIcon::Exclamation,
                         QStringLiteral("The file is no longer there; it is taken off the recent "
                                        "files."),
                         shownPath(path));
        return;
    }
    openAfterAsking(path);
}

void MainDialog::openAfterAsking(const std::string& path, std::optional<FileFormat> format) {
    if (confirmDiscardChanges())
        openFile(path, format);
}

std::optional<std::string> MainDialog::backupOf(const std::string& path) const {
    if (path.empty() || formatOfPath(path) != FileFormat::Cdd)
        return std::nullopt;
    std::string backup = path + ".bak";
    if (!isRegularFile(backup))
        return std::nullopt;
    return backup;
}

void MainDialog::onRestoreBackup() {
    const auto backup = backupOf(currentPath());
    if (!backup) {
        prompts_.message(this, MessageIcon::Exclamation,
                         QStringLiteral("There is no backup of this file: a Save keeps one when "
                                        "it replaces an earlier pair."));
        return;
    }
    // Its own Open: the list becomes the backup's, named as it is on disk, so that nothing is
    // replaced until the user saves it.
    openAfterAsking(*backup, FileFormat::Cdd);
}

void MainDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData()))
        event->acceptProposedAction();
}

void MainDialog::dropEvent(QDropEvent* event) {
    const auto path = droppedFile(event->mimeData());
    if (!path)
        return;
    event->acceptProposedAction();
    // After the drop has ended, so that the file manager is not held by the question or a
    // message.
    QTimer::singleShot(0, this, [this, file = *path] { openAfterAsking(file); });
}

} // namespace corvane
