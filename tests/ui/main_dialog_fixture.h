#pragma once
// A shown main window answered by ScriptedPrompts, in a scratch working directory (a .bin Open
// leaves its work file there), with helpers that act on the real controls as a user would.

#include "support/test_files.h"
#include "ui/drag_list_ctrl.h"
#include "ui/main_dialog.h"
#include "ui/scripted_editors.h"
#include "ui/scripted_prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <string>
#include <vector>

namespace corvane::test {

using Strings = std::vector<std::string>;

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDir_ = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(scratch_.path()));
        window_ = std::make_unique<MainDialog>(prompts_, editors_);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override {
        window_.reset();
        QDir::setCurrent(previousDir_);
    }

    QString write(const std::string& name, const std::string& bytes) {
        const std::string path = scratch_.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return QString::fromStdString(path);
    }
    QString write(const std::string& name, const std::vector<uint8_t>& bytes) {
        return write(name, std::string(bytes.begin(), bytes.end()));
    }

    template <class T> T* child(const char* name) const {
        T* found = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static Strings strings(const QStringList& list) {
        Strings out;
        for (const QString& s : list)
            out.push_back(s.toStdString());
        return out;
    }
    // Every cell of a list, row by row (UTF-8).
    static std::vector<Strings> cells(const DragListCtrl* list) {
        std::vector<Strings> rows;
        const QAbstractItemModel* m = list->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            Strings row;
            for (int c = 0; c < m->columnCount(); ++c)
                row.push_back(m->index(r, c).data().toString().toStdString());
            rows.push_back(row);
        }
        return rows;
    }
    static Strings column(const DragListCtrl* list, int c) {
        Strings texts;
        for (const Strings& row : cells(list))
            texts.push_back(row.at(static_cast<std::size_t>(c)));
        return texts;
    }

    static void doubleClickRow(DragListCtrl* list, int row) {
        const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    static void clickRow(DragListCtrl* list, int row) {
        const QRect r = list->visualRect(list->model()->index(row, 0));
        ASSERT_TRUE(r.isValid()) << "row " << row << " is not on screen";
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }
    void clickShowAll() {
        auto* box = child<QCheckBox>("showAllBox");
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator =
            box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
    }
    // Presses Open and picks `path` in the file dialog.
    void openThroughButton(const QString& path) {
        prompts_.fileNames.push_back(path);
        QTest::mouseClick(child<QPushButton>("openButton"), Qt::LeftButton);
    }
    // The title as the window manager shows it, with the unsaved-changes marker resolved.
    std::string shownTitle() const { return window_->windowHandle()->title().toStdString(); }
    void keyToFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window_.get();
        QTest::keyClick(target, key, modifiers);
    }
    // Shows `db` as an Open would, unchanged (a file could not keep the order of every list).
    void load(const ChannelDatabase& db) {
        ChannelDatabase opened = db;
        settleAntennas(opened.antennas);
        if (!window_->showAllChannels())
            window_->serviceModel().showNone();
        window_->document().replace(opened, "loaded.cdd");
        window_->fillTransponderList(0);
    }

    // A shown menu's items in order: "-" for a separator, "text:id", a disabled one in brackets.
    // With CORVANE_SHOT_DIR set, saves what `widget` shows there as NAME.png.
    static void saveShot(QWidget* widget, const QString& name) {
        if (const QByteArray dir = qgetenv("CORVANE_SHOT_DIR"); !dir.isEmpty())
            widget->grab().save(QString::fromLocal8Bit(dir) + u'/' + name + QStringLiteral(".png"));
    }
    static std::string describe(const QMenu* menu) {
        std::string out;
        for (const QAction* a : menu->actions()) {
            std::string item = a->text().replace(u'\t', u' ').toStdString() + ":" +
                               std::to_string(a->data().toInt());
            if (a->isSeparator())
                item = "-";
            else if (!a->isEnabled())
                item = "[" + item + "]";
            out += (out.empty() ? "" : " ") + item;
        }
        return out;
    }
    // Picks the item `choose` of the menu on screen with the mouse, or closes it with Escape.
    static void pick(QMenu* menu, const QString& choose) {
        for (QAction* a : menu->actions())
            if (!choose.isEmpty() && a->text().section(u'\t', 0, 0) == choose && a->isEnabled()) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
                return;
            }
        QTest::keyClick(menu, Qt::Key_Escape);
    }
    // Right-clicks `row` of `list` (-1: below the rows), describes the context menu and picks
    // `choose` from it (nothing: dismisses it). The window system follows a right press with a
    // context menu event, which QTest leaves out.
    std::string contextMenu(DragListCtrl* list, int row, const QString& choose = {}) {
        const QPoint at = row >= 0 ? list->visualRect(list->model()->index(row, 0)).center()
                                   : QPoint(5, list->viewport()->height() - 3);
        EXPECT_FALSE(list->indexAt(at).isValid() && row < 0) << "not below the rows";
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
        std::string shown = "no menu";
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shown = describe(menu);
                saveShot(menu, list->objectName() + QStringLiteral("_menu"));
                pick(menu, choose);
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        reactivate();
        return shown;
    }
    // Opens the menu bar's Edit menu with the mouse, describes it and picks `choose`.
    std::string editMenu(const QString& choose = {}) {
        auto* bar = window_->findChild<QMenuBar*>();
        auto* menu = window_->findChild<QMenu*>(QStringLiteral("editMenu"));
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menu->menuAction()).center());
        const std::string shown = describe(menu);
        saveShot(menu, QStringLiteral("edit_menu"));
        pick(menu, choose);
        reactivate();
        return shown;
    }
    // Focuses `list` and presses a key there.
    void keyOn(DragListCtrl* list, int key, Qt::KeyboardModifiers modifiers = {}) {
        list->setFocus();
        QTest::keyClick(list, static_cast<Qt::Key>(key), modifiers);
    }
    // Selects `rows` (the first with a plain click, the rest with Ctrl), then drags them by the
    // last one onto the lower half of row `onto`.
    static void drag(DragListCtrl* list, const std::vector<int>& rows, int onto) {
        const auto at = [&](int row) {
            return list->visualRect(list->model()->index(row, 0)).center();
        };
        for (std::size_t i = 0; i < rows.size(); ++i)
            QTest::mouseClick(list->viewport(), Qt::LeftButton,
                              i ? Qt::ControlModifier : Qt::NoModifier, at(rows[i]));
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at(rows.back()));
        QTest::mouseMove(list->viewport(),
                         at(rows.back()) + QPoint(QApplication::startDragDistance(), 0));
        // On the lower half: the rows go after `onto`.
        const QPoint lower = at(onto) + QPoint(0, list->rowHeight(onto) / 4);
        QTest::mouseMove(list->viewport(), lower);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, lower);
    }
    // Popups take the activation away on the offscreen platform; a window manager gives it back.
    void reactivate() {
        window_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    // A change outside the list commands, as one step of the history.
    template <class F> bool changeDatabase(F f) {
        return window_->document().transact(QStringLiteral("Change"),
                                            [f](ChannelDatabase& d, TouchedRows&) { return f(d); });
    }
    void markChanged() {
        window_->document().transact(QStringLiteral("Change"),
                                     [](ChannelDatabase& db, TouchedRows&) {
                                         db.satelliteCount++;
                                         return true;
                                     });
    }

    corvane::testing::ScratchDir scratch_;
    QString previousDir_;
    ScriptedPrompts prompts_;
    ScriptedEditors editors_;
    std::unique_ptr<MainDialog> window_;
};

// Two satellites with transponders and one without, three services, default antennas.
inline const std::string kSmallText = "s \"Sat A\" 9750 10600 u 19.2 east\r\n"
                                      "t 11000 27500 hor 0 14 0 3/4\r\n"
                                      "t 11100 22000 ver 0 14 0 2/3\r\n"
                                      "s \"Sat B\" 9750 10600 u 13.0 east\r\n"
                                      "t 12000 27500 hor 0 14 0 auto\r\n"
                                      "s \"Sat C\" 9750 10600 u 30.0 west\r\n"
                                      "v \"One\" 1 1 1 100 200 201 200 0 0 1 0\r\n"
                                      "v \"Two\" 1 1 2 101 300 301 300 0 1 0 1\r\n"
                                      "r \"Three\" 1 2 1 102 0 401 401 0 0 4 0\r\n";

// A window with kSmallText open and nothing asked yet.
class SmallListTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        openThroughButton(write("small.txt", kSmallText));
        prompts_.seen.clear();
    }
    const ChannelDatabase& db() const { return window_->database(); }
    DragListCtrl* satellites() const { return window_->satelliteList(); }
    DragListCtrl* transponders() const { return window_->transponderList(); }
    DragListCtrl* services() const { return window_->serviceList(); }
    DragListCtrl* antennas() const { return window_->antennaList(); }
};

} // namespace corvane::test
