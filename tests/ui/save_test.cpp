#include "main_dialog_fixture.h"

#include "ui/qt_packer_runner.h"

#include <QStatusBar>
#include <QTimer>

#include <filesystem>

namespace corvane::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SaveTest : public MainDialogTest {
protected:
    void packer(const std::string& script) {
        write("imgpack", "#!/bin/sh\n" + script + "\n");
        fs::permissions(scratch_.file("imgpack"), fs::perms::owner_all);
    }
    void saveAs(const std::string& name) {
        prompts_.fileNames.push_back(QString::fromStdString(scratch_.file(name)));
        QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    }
};

TEST_F(SaveTest, SavesThroughTheDialogAndClearsTheChangeMarker) {
    saveAs("nothing.rs232");
    EXPECT_EQ(prompts_.seen.size(), 1u) << "no dialog without satellites";
    EXPECT_EQ(prompts_.messageTexts(), QStringList{QStringLiteral("No Data to Save!")});
    EXPECT_EQ(prompts_.seen.at(0).icon, MessageIcon::Exclamation);
    prompts_.fileNames.clear();
    prompts_.seen.clear();

    fs::copy_file(CORVANE_IMGPACK_PATH, scratch_.file("imgpack"));
    openThroughButton(write("list.txt", kSmallText));
    markChanged();
    const QString before = QDir::currentPath();
    saveAs("saved.rs232");
    ASSERT_EQ(prompts_.seen.size(), 2u);
    const Prompt& dialog = prompts_.seen.back();
    EXPECT_EQ(dialog.kind, Prompt::Kind::SaveFile);
    EXPECT_EQ(dialog.filters, QStringList{QStringLiteral("Rs232 file (*.rs232)")});
    EXPECT_EQ(dialog.defaultSuffix, QStringLiteral("cdd"));
    EXPECT_TRUE(prompts_.messageTexts().isEmpty())
        << prompts_.messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(fs::exists(scratch_.file("saved.cdd")));
    EXPECT_EQ(corvane::testing::readText(scratch_.file("saved.rs232")).substr(82),
              corvane::testing::readText(scratch_.file("saved.cdd")));
    EXPECT_FALSE(window_->isModified());
    EXPECT_EQ(shownTitle(), "Corvane [v1.0.3] - saved.cdd");
    EXPECT_EQ(window_->statusBar()->currentMessage(),
              QStringLiteral("Saved saved.cdd and the receiver image saved.rs232"));
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    markChanged();
    prompts_.fileNames.push_back(QString()); // cancelled
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    EXPECT_TRUE(window_->isModified());
    EXPECT_EQ(prompts_.seen.size(), 3u);
}

TEST_F(SaveTest, AFailedStepIsShownWithItsFileAndKeepsTheChanges) {
    packer("sleep 0.3; echo 'no luck' >&2; exit 2");
    openThroughButton(write("list.txt", kSmallText));
    markChanged();
    prompts_.fileNames.push_back(QString::fromStdString(scratch_.file("saved")));
    // While the packer works the window's events go on, under the busy cursor.
    std::optional<Qt::CursorShape> cursorMeanwhile;
    QTimer::singleShot(100ms, window_.get(), [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        cursorMeanwhile = cursor ? cursor->shape() : Qt::ArrowCursor;
    });
    keyToFocus(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(cursorMeanwhile, Qt::BusyCursor);
    ASSERT_EQ(prompts_.seen.size(), 3u);
    const Prompt& box = prompts_.seen.back();
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(box.text, QStringLiteral("Save failed: running the image packer"));
    EXPECT_EQ(box.details.toStdString(),
              scratch_.file("imgpack") + ": exited with status 2: no luck");
    EXPECT_TRUE(window_->isModified());
    EXPECT_FALSE(fs::exists(scratch_.file("saved.rs232")));
}

TEST_F(SaveTest, TheEditorsPackerRunStopsAtItsDeadlineAndSaysWhyItCannotStart) {
    packer("exec sleep 20");
    QtPackerRunner runner;
    const auto start = std::chrono::steady_clock::now();
    const auto slow = runner.run(scratch_.file("imgpack"), scratch_.path(), 300ms);
    EXPECT_EQ(slow.code, PackerEnd::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    write("junk", "not a program");
    fs::permissions(scratch_.file("junk"), fs::perms::owner_all);
    const auto junk = runner.run(scratch_.file("junk"), scratch_.path(), 10s);
    EXPECT_EQ(junk.code, PackerEnd::CannotStart) << junk.detail;
    EXPECT_EQ(junk.detail.rfind(scratch_.file("junk") + ": cannot be started: ", 0), 0u)
        << junk.detail;
}

} // namespace
} // namespace corvane::test
