#pragma once
// ListMenus: how the user asks for a list command: the lists' context menus, double clicks and
// keys, and the menu bar's Edit menu for the list that has the focus. Each runs the command
// through ListCommands::run on the row it was asked for on, once any menu is gone.

#include "model/records.h"

#include <QObject>
#include <QPoint>

#include <cstdint>
#include <optional>

class QMenu;

namespace corvane {

class ListCommands;
class MainDialog;

class ListMenus final : public QObject {
    Q_OBJECT

public:
    // Connects itself to the window's four lists and to the focus changes.
    ListMenus(MainDialog& window, ListCommands& commands);

    // The list the Edit menu works on: the one with the focus, or none.
    std::optional<RecordKind> focusedList() const { return focusedList_; }
    // Rebuilds the menu bar's Edit menu for the focused list and its current row.
    void fillEditMenu(QMenu& menu);

private:
    void connectList(RecordKind kind);
    void addMenuItems(QMenu& menu, RecordKind list, std::optional<int32_t> key,
                      bool withShortcuts) const;
    void showContextMenu(RecordKind list, QPoint pos);
    void runOnCurrentRow(RecordKind list, int verb);

    MainDialog& window_;
    ListCommands& commands_;
    std::optional<RecordKind> focusedList_;
    std::optional<RecordKind> editMenuList_;
    std::optional<int32_t> editMenuKey_;
};

} // namespace corvane
