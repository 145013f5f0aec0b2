#include "main_dialog_fixture.h"

#include "image/cdd_file.h"
#include "image/cdd_test_support.h"
#include "ui/editor_settings.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <filesystem>

namespace corvane::test {
namespace {

class FileHistoryTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        window_->useSettings(&settings_);
    }
    // Opens the File menu as a user does, so that it says what it offers now.
    QMenu* fileMenu() {
        auto* recent = child<QMenu>("recentMenu");
        auto* file = qobject_cast<QMenu*>(recent->parent());
        emit file->aboutToShow();
        emit recent->aboutToShow();
        return recent;
    }
    std::string cdd(const ChannelDatabase& db) {
        const auto encoded = encodeCdd(db);
        return {encoded.value.begin(), encoded.value.end()};
    }
    std::string satelliteNames() {
        std::string names;
        for (const std::string& name : column(window_->satelliteList(), 2))
            names += name + ";";
        return names;
    }

    QSettings store_{QString::fromStdString(scratch_.file("corvane.conf")), QSettings::IniFormat};
    EditorSettings settings_{store_};
};

TEST_F(FileHistoryTest, RecentFilesReopenAndOneThatIsGoneIsDroppedWithAMessage) {
    const QString first = write("first.txt", kSmallText);
    const QString second = write("second.txt", "s \"Other\" 9750 10600 u 19.2 east\r\n");
    openThroughButton(first);
    openThroughButton(second);
    QMenu* recent = fileMenu();
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions()[0]->text(), QStringLiteral("&1 ") + second);
    EXPECT_EQ(recent->actions()[1]->text(), QStringLiteral("&2 ") + first);

    recent->actions()[1]->trigger();
    EXPECT_EQ(satelliteNames(), "Sat A;Sat B;Sat C;");
    EXPECT_EQ(fileMenu()->actions()[0]->text(), QStringLiteral("&1 ") + first) << "first again";

    std::filesystem::remove(second.toStdString());
    fileMenu()->actions()[1]->trigger();
    EXPECT_EQ(prompts_.seen.back().text,
              QStringLiteral("The file is no longer there; it is taken off the recent files."));
    EXPECT_EQ(prompts_.seen.back().details, second);
    EXPECT_EQ(satelliteNames(), "Sat A;Sat B;Sat C;") << "the open list stays";
    EXPECT_EQ(fileMenu()->actions().size(), 1);
}

// A file dropped from a file manager opens as Open does, its name's bytes kept, after the
// question about unsaved changes.
TEST_F(FileHistoryTest, ADroppedFileIsOpenedAfterTheQuestion) {
    openThroughButton(write("list.txt", kSmallText));
    markChanged();
    const std::string name = "t\xfcrk.cdd"; // Latin-1, not UTF-8
    write(name, cdd(corvane::testing::smallDatabase()));
    QMimeData data;
    data.setUrls(
        {QUrl(QStringLiteral("file://") +
              QString::fromLatin1(
                  QByteArray::fromStdString(scratch_.file(name)).toPercentEncoding("/")))});
    for (const UnsavedChanges answer : {UnsavedChanges::Cancel, UnsavedChanges::Discard}) {
        prompts_.unsavedAnswers = {answer};
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(window_.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(window_.get(), &drop);
        QTest::qWait(10);
    }
    EXPECT_TRUE(prompts_.unsavedAnswers.empty());
    EXPECT_EQ(window_->currentPath(), scratch_.file(name));
    EXPECT_EQ(satelliteNames(), "Sat;");
}

// The backup a Save kept comes back as the list, by its own Open; the saved pair stays.
TEST_F(FileHistoryTest, RestoreBackupOpensTheKeptPair) {
    const QString current = write("list.cdd", cdd(corvane::testing::smallDatabase()));
    openThroughButton(current);
    fileMenu();
    EXPECT_FALSE(child<QAction>("restoreBackupAction")->isEnabled()) << "no backup yet";

    ChannelDatabase older = corvane::testing::smallDatabase();
    setName(older.satellites.front().name, "Older");
    write("list.cdd.bak", cdd(older));
    fileMenu();
    QAction* restore = child<QAction>("restoreBackupAction");
    ASSERT_TRUE(restore->isEnabled());
    restore->trigger();
    EXPECT_EQ(satelliteNames(), "Older;");
    EXPECT_EQ(window_->currentPath(), scratch_.file("list.cdd.bak"));
    EXPECT_FALSE(window_->isModified());
    EXPECT_EQ(corvane::testing::readText(current.toStdString()),
              cdd(corvane::testing::smallDatabase()));
}

// Column widths and the window's size come back in the next run.
TEST_F(FileHistoryTest, TheNextWindowHasTheColumnsAndSizeOfTheLast) {
    QHeaderView* header = window_->serviceList()->horizontalHeader();
    header->resizeSection(1, 211);
    window_->resize(window_->width() + 120, window_->height() + 80);
    const QSize size = window_->size();
    QTest::keyClick(window_.get(), Qt::Key_Escape); // ends the run
    ASSERT_FALSE(window_->isVisible());

    MainDialog next(prompts_, editors_);
    next.useSettings(&settings_);
    EXPECT_EQ(next.serviceList()->horizontalHeader()->sectionSize(1), 211);
    EXPECT_EQ(next.size(), size);
}

} // namespace
} // namespace corvane::test
