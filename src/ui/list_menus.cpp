#include "ui/list_menus.h"

#include "ui/drag_list_ctrl.h"
#include "ui/list_command_table.h"
#include "ui/list_commands.h"
#include "ui/main_dialog.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace corvane {

ListMenus::ListMenus(MainDialog& window, ListCommands& commands)
    : QObject(&window), window_(window), commands_(commands) {
    for (const RecordKind kind : kLists)
        connectList(kind);
    // The Edit menu works on the list that has the focus; opening a menu does not take it away.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!now || now->window() != &window_ || qobject_cast<QMenuBar*>(now) ||
            qobject_cast<QMenu*>(now))
            return;
        focusedList_.reset();
        for (const RecordKind kind : kLists)
            if (commands_.listOf(kind) == now || commands_.listOf(kind)->isAncestorOf(now))
                focusedList_ = kind;
    });
}

void ListMenus::connectList(RecordKind kind) {
    DragListCtrl* list = commands_.listOf(kind);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, kind](QPoint pos) { showContextMenu(kind, pos); });
    connect(list, &QAbstractItemView::doubleClicked, this, [this, kind](const QModelIndex& index) {
        if (const auto key = commands_.keyOfRow(kind, index.row()))
            commands_.run(kind, commandOf(kind, kEdit), key);
    });
    for (const KeyBinding& binding : keyBindings()) {
        auto* action = new QAction(list);
        action->setShortcut(QKeySequence(binding.keys));
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        list->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, kind, verb = binding.verb] { runOnCurrentRow(kind, verb); });
    }
}

void ListMenus::addMenuItems(QMenu& menu, RecordKind list, std::optional<int32_t> key,
                             bool withShortcuts) const {
    for (const MenuItem& item : menuOf(list)) {
        if (item.id == 0) {
            menu.addSeparator();
            continue;
        }
        QString text = QString::fromLatin1(item.text);
        if (withShortcuts)
            for (const KeyBinding& binding : keyBindings())
                if (binding.verb == item.verb)
                    text += u'\t' + QKeySequence(binding.keys).toString(QKeySequence::NativeText);
        QAction* action = menu.addAction(text);
        action->setData(item.id);
        action->setEnabled(commands_.isAvailable(list, item.id, key));
    }
}

void ListMenus::showContextMenu(RecordKind list, QPoint pos) {
    DragListCtrl* view = commands_.listOf(list);
    const auto key = commands_.keyOfRow(list, view->indexAt(pos).row());
    QMenu menu(&window_);
    menu.setObjectName(QStringLiteral("contextMenu"));
    addMenuItems(menu, list, key, false);
    // The command runs once the menu is gone, as its result rather than from inside it.
    const QAction* chosen = menu.exec(view->viewport()->mapToGlobal(pos));
    if (chosen)
        commands_.run(list, chosen->data().toInt(), key);
}

void ListMenus::fillEditMenu(QMenu& menu) {
    menu.clear();
    editMenuList_ = focusedList_;
    editMenuKey_.reset();
    if (!editMenuList_) {
        // Nothing to work on: the items are there, but none can be chosen.
        addMenuItems(menu, RecordKind::Service, std::nullopt, true);
        for (QAction* action : menu.actions())
            action->setEnabled(false);
        return;
    }
    editMenuKey_ =
        commands_.keyOfRow(*editMenuList_, commands_.listOf(*editMenuList_)->currentIndex().row());
    addMenuItems(menu, *editMenuList_, editMenuKey_, true);
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            connect(action, &QAction::triggered, this, [this, id = action->data().toInt()] {
                if (editMenuList_)
                    commands_.run(*editMenuList_, id, editMenuKey_);
            });
}

void ListMenus::runOnCurrentRow(RecordKind list, int verb) {
    const auto key = commands_.keyOfRow(list, commands_.listOf(list)->currentIndex().row());
    commands_.run(list, commandOf(list, static_cast<Verb>(verb)), key);
}

} // namespace corvane
