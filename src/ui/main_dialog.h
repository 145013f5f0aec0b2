#pragma once
// MainDialog: the editor's only window. It owns the document (the channel database with its
// history) and shows it in four linked lists (satellites and transponders side by side, services,
// antennas), laid out from its dialog template, with a menu bar above and a status bar below. It
// wires the views to their models and the models to the document. Its end ends the program.

#include "formats/open_file.h"
#include "image/database_check.h"
#include "model/channel_database.h"
#include "ui/document.h"
#include "ui/list_models.h"

#include <QDialog>
#include <QString>

#include <array>
#include <vector>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>

class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QPushButton;
class QLabel;
class QStatusBar;
class QAction;

namespace corvane {

class DragListCtrl;
class EditorSettings;
class EditorTools;
class ListCommands;
class ListMenus;
class ListTools;
class RecordEditors;
class UserPrompts;

class MainDialog final : public QDialog {
    Q_OBJECT

public:
    // Messages and questions go through `prompts`, the edit dialogs through `editors`.
    MainDialog(UserPrompts& prompts, RecordEditors& editors, QWidget* parent = nullptr);
    ~MainDialog() override;

    const ChannelDatabase& database() const { return document_.database(); }
    // Every change goes through the document, one step of its history per user action.
    Document& document() { return document_; }
    // Whether the database differs from what was last opened or saved.
    bool isModified() const { return document_.isModified(); }
    // After a successful save to `path`: it becomes the current file and the unchanged state.
    // Paths here are the system's bytes, as the user's files are named; they become text only to
    // be shown, since a name that is not valid in the locale's encoding would not come back.
    void markSaved(const std::string& path) { document_.markSaved(path); }

    // The file last opened or saved successfully; empty before that.
    const std::string& currentPath() const { return document_.path(); }
    // The working directory when the window was created.
    const std::string& startDirectory() const { return startDirectory_; }

    // Rebuild one list from the database. A filter of 0 or more shows only the records of that
    // satellite or transponder id, a negative one all of them. The lists follow every change of
    // the database by themselves; these are for what the user asks to see.
    void fillSatelliteList();
    void fillTransponderList(int32_t satelliteFilter);
    void fillServiceList(int32_t transponderFilter);
    void fillAntennaList();
    // The filters the transponder and service lists were last filled with.
    int32_t transponderFilter() const { return transponderModel_.filter(); }
    int32_t serviceFilter() const { return serviceModel_.filter(); }
    // Selects the rows of `kind` with `keys` (and makes the first current and visible), showing
    // the records' satellite or all services first when the list does not show them.
    void selectKeys(RecordKind kind, std::span<const int32_t> keys);

    // Reads `path` as the Open command does, replacing the database only when the file could be
    // read, and tells the user why it could not. Does not ask about unsaved changes. `format`
    // overrides the one the name gives.
    bool openFile(const std::string& path, std::optional<FileFormat> format = std::nullopt);
    // What the window remembers between runs (recent files, its size and place, column widths,
    // the name encoding):
    // read now, kept as it changes. Null (the default) remembers nothing.
    void useSettings(EditorSettings* settings);
    // The backup the first Save over `path` kept, when there is one: "NAME.cdd.bak".
    std::optional<std::string> backupOf(const std::string& path) const;
    // Asks what to do with unsaved changes: Save runs the Save, Discard drops them. True when
    // there were none, they were saved, or the user discards them.
    bool confirmDiscardChanges();
    // Shows the record a finding of the check is about, selected in its list.
    void showFinding(const Finding& finding);

    // The key of the row a list last selected (its current row), as commands read it.
    std::optional<int32_t> currentSatellite() const;
    std::optional<int32_t> currentTransponder() const;
    bool showAllChannels() const;

    DragListCtrl* satelliteList() const { return satelliteList_; }
    DragListCtrl* transponderList() const { return transponderList_; }
    DragListCtrl* serviceList() const { return serviceList_; }
    DragListCtrl* antennaList() const { return antennaList_; }
    SatelliteListModel& satelliteModel() { return satelliteModel_; }
    TransponderListModel& transponderModel() { return transponderModel_; }
    ServiceListModel& serviceModel() { return serviceModel_; }
    AntennaListModel& antennaModel() { return antennaModel_; }
    QStatusBar* statusBar() const { return statusBar_; }
    UserPrompts& prompts() const { return prompts_; }
    ListCommands& commands() const { return *commands_; }
    // The name encoding, the Check panel and the report on the last Save.
    EditorTools& tools() const { return *tools_; }
    // Find, sorting, keyboard moves, bulk edits and duplicate removal in the lists.
    ListTools& listTools() const { return *listTools_; }

public slots:
    void onOpen();
    // File > Restore backup...: opens the backup of the current file as the list.
    void onRestoreBackup();
    // The Save; true when both files were written.
    bool onSave();
    void onAbout();
    void onSatelliteListClick(const QModelIndex& index);
    void onTransponderListClick(const QModelIndex& index);
    void onShowAllChannel();
    // Escape, the close box and Quit: ends the program, asking first when there are changes.
    // During a Save it waits for the Save's end.
    void reject() override;

protected:
    // A file dropped from a file manager is opened as Open does.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildFileHistory(QMenu* file, QAction* before);
    void fillRecentMenu();
    void openRecent(const std::string& path);
    // Opens `path` after the question about unsaved changes.
    void openAfterAsking(const std::string& path, std::optional<FileFormat> format = std::nullopt);
    void rememberWindow();
    // Puts a file opened or saved first among the recent files.
    void rememberFile(const std::string& path);
    void buildControls();
    void setUpList(DragListCtrl* list, QAbstractItemModel& model,
                   std::span<const ListColumn> columns);
    void updateTitle();
    // The lists keep their selected rows, by key, across a change of their records.
    void rememberSelection(RecordKind kind);
    void restoreSelection(RecordKind kind);
    void onChanged(RecordKind kind);
    void onRestored(const TouchedRows& rows, bool undone);
    void showOpenedStatus(int antennasSet);
    // The record counts at the right of the status bar, told after every change.
    void updateCounts();
    // Widens the No. column when the longest number shown needs it.
    void fitServiceNumbers();

    UserPrompts& prompts_;
    Document document_;
    std::string startDirectory_;
    // A Save is under way; a request to end the program then waits for it.
    bool saving_ = false;
    bool quitAfterSave_ = false;
    // The .cdd files saved in this run, whose earlier pair is already kept as backups.
    std::set<std::string> backedUp_;
    struct KeptSelection {
        std::vector<int32_t> selected;
        std::optional<int32_t> current;
    };
    std::array<KeptSelection, 4> keptSelection_;

    SatelliteListModel satelliteModel_;
    TransponderListModel transponderModel_;
    ServiceListModel serviceModel_;
    AntennaListModel antennaModel_;

    QPushButton* openButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    DragListCtrl* satelliteList_ = nullptr;
    DragListCtrl* transponderList_ = nullptr;
    DragListCtrl* serviceList_ = nullptr;
    DragListCtrl* antennaList_ = nullptr;
    QCheckBox* showAllBox_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* countsLabel_ = nullptr;
    int serviceNumberWidth_ = 0; // the No. column as the template gives it
    // Parented to the window; held here for its type.
    ListCommands* commands_ = nullptr;
    ListMenus* menus_ = nullptr;
    EditorTools* tools_ = nullptr;
    ListTools* listTools_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    EditorSettings* settings_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* restoreBackupAction_ = nullptr;
};

} // namespace corvane
