#include "main_dialog_fixture.h"

#include "ui/qt_packer_runner.h"

#include <QStatusBar>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <utility>

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

TEST_F(SaveTest, InputDuringThePackersRunIsDroppedAndAQuitWaitsForTheSave) {
    // A packer that takes its time and then does its work.
    packer("sleep 0.6; exec '" + std::string(CORVANE_IMGPACK_PATH) + "'");
    openThroughButton(write("list.txt", kSmallText));
    const std::size_t services = window_->database().services.size();
    const auto deleteAndSaveAgain = [&] {
        clickRow(window_->serviceList(), 0);
        keyOn(window_->serviceList(), Qt::Key_Delete);
        QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    };
    // Answers a Delete would get and a name a second Save would get: neither must be asked for.
    prompts_.answers = {true};
    prompts_.fileNames = {QString::fromStdString(scratch_.file("first")),
                          QString::fromStdString(scratch_.file("again"))};
    clickShowAll();
    QTimer::singleShot(200ms, window_.get(), deleteAndSaveAgain);
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(window_->database().services.size(), services);
    EXPECT_EQ(prompts_.answers.size(), 1u) << "a Delete was asked";
    EXPECT_EQ(prompts_.fileNames.size(), 1u) << "a second Save was started";
    EXPECT_TRUE(fs::exists(scratch_.file("first.rs232")));
    EXPECT_TRUE(window_->isVisible());

    // A request to quit during a Save: the Save ends, then the window closes as it would have.
    prompts_.fileNames.clear();
    prompts_.answers.clear(); // the changes are saved by then: nothing to ask
    const std::pair<const char*, std::function<void()>> quits[] = {
        {"close box", [&] { window_->close(); }},
        {"Escape", [&] { keyToFocus(Qt::Key_Escape); }},
        {"Ctrl+Q", [&] { keyToFocus(Qt::Key_Q, Qt::ControlModifier); }},
    };
    for (const auto& [how, quit] : quits) {
        window_->show();
        reactivate();
        markChanged();
        QTimer::singleShot(200ms, window_.get(), quit);
        saveAs(how);
        EXPECT_TRUE(prompts_.messageTexts().isEmpty())
            << prompts_.messageTexts().join(u'\n').toStdString();
        EXPECT_TRUE(fs::exists(scratch_.file(how) + ".rs232")) << how;
        EXPECT_FALSE(window_->isVisible()) << how;
    }
}

TEST_F(SaveTest, AStartFolderNamedInOtherBytesIsTheOneSavedInto) {
    // Latin-1, not valid UTF-8: text made of the name would name another folder.
    const std::string start = scratch_.file("caf\xe9");
    fs::create_directory(start);
    fs::copy_file(CORVANE_IMGPACK_PATH, start + "/imgpack");
    corvane::testing::writeText(start + "/config.txt", "MYTAGA MYTAGB MYTAGD");
    std::unique_ptr<MainDialog> there;
    {
        corvane::testing::CurrentFolder inStart(start);
        there = std::make_unique<MainDialog>(prompts_, editors_);
    }
    EXPECT_EQ(there->startDirectory(), start);
    const std::string list = start + "/\xe9.txt";
    corvane::testing::writeText(list, kSmallText);
    ASSERT_TRUE(there->openFile(list)) << prompts_.messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(there->currentPath(), list);
    prompts_.fileNames.push_back(QString::fromStdString(scratch_.file("out")));
    there->onSave();
    EXPECT_TRUE(prompts_.messageTexts().isEmpty())
        << prompts_.messageTexts().join(u'\n').toStdString();
    EXPECT_TRUE(fs::exists(start + "/RealDefData.cdd"));
    EXPECT_NE(corvane::testing::readText(scratch_.file("out.rs232")).substr(0, 82).find("MYTAGA"),
              std::string::npos)
        << "that folder's config.txt";
}

TEST_F(SaveTest, AFailingPackersLongComplaintIsShownByItsEnd) {
    packer("echo 'first complaint' >&2; i=0; while [ $i -lt 3000 ]; do "
           "echo \"line $i $(printf '%0150d' 0)\" >&2; i=$((i+1)); done; echo 'the end' >&2; "
           "exit 5");
    openThroughButton(write("list.txt", kSmallText));
    saveAs("saved");
    ASSERT_EQ(prompts_.seen.size(), 3u);
    // Far more than is kept: the cause quotes the first whole line of what is.
    const QStringList lines = prompts_.seen.back().details.split(u'\n');
    ASSERT_GT(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(
        QString::fromStdString(scratch_.file("imgpack") + ": exited with status 5: line ")))
        << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1, 3),
              (QStringList{QString(), QStringLiteral("The end of its error output:"),
                           QStringLiteral("...")}));
    EXPECT_EQ(lines.back(), QStringLiteral("the end"));
    EXPECT_LT(lines.mid(4).join(u'\n').size(), 600);
    for (const QString& line : lines.mid(4))
        EXPECT_LE(line.size(), 80) << "wrapped";
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

// A list that the file would not hold as shown is saved only when the user says so; a finding
// double-clicked shows its record; replacing an earlier pair is asked once, for both files.
TEST_F(SaveTest, TheCheckBeforeSaveAndOneQuestionForBothFiles) {
    fs::copy_file(CORVANE_IMGPACK_PATH, scratch_.file("imgpack"));
    openThroughButton(write("list.txt", kSmallText));
    window_->satelliteList()->setFocus();
    contextMenu(window_->satelliteList(), 0, QStringLiteral("Cut"));
    prompts_.answers = {true};
    clickRow(window_->antennaList(), 1);
    keyOn(window_->antennaList(), Qt::Key_Delete);
    const auto findingsAsked = [&] {
        return std::count_if(prompts_.seen.begin(), prompts_.seen.end(),
                             [](const Prompt& p) { return p.kind == Prompt::Kind::Findings; });
    };
    prompts_.findingAnswers = {false};
    saveAs("checked");
    EXPECT_EQ(findingsAsked(), 1);
    EXPECT_EQ(prompts_.fileNames.size(), 1u) << "Cancel asks for no name";
    EXPECT_FALSE(fs::exists(scratch_.file("checked.cdd")));
    const QString findings = prompts_.seen.back().text;
    EXPECT_TRUE(findings.contains(QStringLiteral("transponder 0: satellite 0 does not exist")))
        << findings.toStdString();
    EXPECT_TRUE(findings.contains(QStringLiteral("transponder 2: antenna 1 does not exist")))
        << findings.toStdString();

    // The first finding is about a transponder of the cut satellite: shown in its list.
    write("checked.rs232", "old image");
    prompts_.fileNames.clear();
    prompts_.answers = {true};
    prompts_.findingAnswers = {true};
    prompts_.showFindings = {0};
    saveAs("checked");
    EXPECT_EQ(window_->transponderFilter(), 0);
    EXPECT_TRUE(window_->transponderList()->currentIndex().isValid());
    EXPECT_TRUE(fs::exists(scratch_.file("checked.rs232")));

    // Both exist now: one question names both, No keeps them, Yes replaces them.
    const std::string image = corvane::testing::readText(scratch_.file("checked.rs232"));
    contextMenu(window_->satelliteList(), 0, QStringLiteral("Paste"));
    prompts_.showFindings.clear();
    prompts_.findingAnswers = {true, true};
    prompts_.answers = {false, true};
    saveAs("checked.rs232");
    EXPECT_EQ(prompts_.seen.back().text,
              QStringLiteral("checked.cdd and checked.rs232 already exist.\n"
                             "Do you want to replace them?"));
    EXPECT_EQ(corvane::testing::readText(scratch_.file("checked.rs232")), image);
    saveAs("checked.rs232");
    EXPECT_NE(corvane::testing::readText(scratch_.file("checked.rs232")), image);
    EXPECT_TRUE(prompts_.answers.empty());
    // The first Save over the pair kept it; this run's own files are not kept again.
    EXPECT_EQ(corvane::testing::readText(scratch_.file("checked.rs232.bak")), "old image");
}

// The question before unsaved changes are lost: Save saves and goes on only when it worked.
TEST_F(SaveTest, SaveDiscardOrCancelBeforeChangesAreLost) {
    openThroughButton(write("list.txt", kSmallText));
    markChanged();
    packer("exit 1");
    prompts_.unsavedAnswers = {UnsavedChanges::Save};
    prompts_.fileNames = {QString::fromStdString(scratch_.file("kept"))};
    keyToFocus(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(window_->isVisible()) << "the Save failed: the window stays";
    EXPECT_TRUE(window_->isModified());

    fs::remove(scratch_.file("imgpack"));
    fs::copy_file(CORVANE_IMGPACK_PATH, scratch_.file("imgpack"));
    prompts_.unsavedAnswers = {UnsavedChanges::Cancel, UnsavedChanges::Save};
    keyToFocus(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(window_->isVisible());
    prompts_.fileNames = {QString::fromStdString(scratch_.file("kept"))};
    keyToFocus(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(fs::exists(scratch_.file("kept.rs232")));
}

} // namespace
} // namespace corvane::test
