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
#include <QDir>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>

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
    void markChanged() {
        window_->changeDatabase([](ChannelDatabase& db) {
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

} // namespace corvane::test
