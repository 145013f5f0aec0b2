#include "main_dialog_fixture.h"

#include "image/cdd_file.h"

#include <QAction>

#include <filesystem>
#include <functional>

namespace corvane::test {
namespace {

class UndoTest : public SmallListTest {
protected:
    QAction* undo() const { return window_->findChild<QAction*>(QStringLiteral("undoAction")); }
    // The .cdd the core writes from the database, or its failure.
    std::vector<uint8_t> cdd() const {
        const auto encoded = encodeCdd(db());
        return encoded.ok() ? encoded.value : std::vector<uint8_t>{0xEE};
    }
};

TEST_F(UndoTest, EveryKindOfStepUndoesAndRedoesToEqualDatabasesAndFiles) {
    struct Case {
        const char* undoText;
        bool showAll;
        std::function<void()> before, action;
    };
    const auto none = [] {};
    const auto cutFirstSatellite = [this] {
        clickRow(satellites(), 0);
        contextMenu(satellites(), 0, QStringLiteral("Cut"));
    };
    const std::vector<Case> cases{
        {"Undo Edit satellite Sat B", false, none,
         [this] {
             editors_.satellites.ok([](SatelliteRecord& s) { setName(s.name, "Renamed"); });
             contextMenu(satellites(), 1, QStringLiteral("Edit"));
         }},
        {"Undo Add satellite Sat D", false, none,
         [this] {
             editors_.satellites.ok([](SatelliteRecord& s) { setName(s.name, "Sat D"); });
             contextMenu(satellites(), -1, QStringLiteral("Add"));
         }},
        {"Undo Delete satellite Sat A", false, none,
         [this] {
             prompts_.answers = {true};
             contextMenu(satellites(), 0, QStringLiteral("Delete"));
         }},
        // The second cut frees the first one's satellite with its transponders and antenna.
        {"Undo Cut satellite Sat B", false, cutFirstSatellite, cutFirstSatellite},
        {"Undo Paste satellite Sat A", false, cutFirstSatellite,
         [this] { contextMenu(satellites(), 1, QStringLiteral("Paste")); }},
        {"Undo Delete transponder 1", false, [this] { clickRow(satellites(), 0); },
         [this] {
             prompts_.answers = {true};
             contextMenu(transponders(), 1, QStringLiteral("Delete"));
         }},
        {"Undo Delete service One", true, none,
         [this] {
             prompts_.answers = {true};
             contextMenu(services(), 0, QStringLiteral("Delete"));
         }},
        {"Undo Paste service One", true,
         [this] {
             clickRow(services(), 0);
             contextMenu(services(), 0, QStringLiteral("Cut"));
         },
         [this] { contextMenu(services(), 1, QStringLiteral("Paste")); }},
        {"Undo Move satellite Sat A", false, none, [this] { drag(satellites(), {0}, 2); }},
        {"Undo Move 2 services", true, none,
         [this] {
             drag(services(), {0, 1}, 2);
         }},
        {"Undo Add antenna 3", false, none,
         [this] {
             editors_.antennas.ok([](AntennaRecord& a) { a.lnbPower = 2; });
             contextMenu(antennas(), -1, QStringLiteral("Add"));
         }},
        {"Undo Cut 2 antennas", false, none,
         [this] {
             clickRow(antennas(), 0);
             QTest::mouseClick(antennas()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                               antennas()->visualRect(antennas()->model()->index(2, 0)).center());
             contextMenu(antennas(), 2, QStringLiteral("Cut"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.undoText);
        if (window_->isModified())
            prompts_.unsavedAnswers.push_back(UnsavedChanges::Discard);
        openThroughButton(QString::fromStdString(scratch_.file("small.txt")));
        if (window_->showAllChannels() != c.showAll)
            clickShowAll();
        c.before();
        const ChannelDatabase before = db();
        const std::vector<uint8_t> beforeFile = cdd();
        c.action();
        const ChannelDatabase after = db();
        ASSERT_FALSE(after == before) << "the action changed nothing";
        EXPECT_EQ(undo()->text().toStdString(), c.undoText);

        keyToFocus(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(db(), before);
        EXPECT_EQ(cdd(), beforeFile);
        keyToFocus(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(db(), after);
        keyToFocus(Qt::Key_Z, Qt::ControlModifier);
        keyToFocus(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(db(), after);
        EXPECT_EQ(db().satelliteClipboard, after.satelliteClipboard);
    }
}

TEST_F(UndoTest, UndoSelectsTheRowsTheStepTouched) {
    prompts_.answers = {true};
    contextMenu(satellites(), 1, QStringLiteral("Delete"));
    clickRow(satellites(), 0);
    keyToFocus(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(satellites()->selectedRowIndexes(), (std::vector<int32_t>{1}));

    // A service of another transponder than the one shown: the list shows them all.
    clickRow(satellites(), 0);
    clickRow(transponders(), 1);
    const int32_t deleted = window_->serviceModel().key(0).value_or(0);
    prompts_.answers = {true};
    contextMenu(services(), 0, QStringLiteral("Delete"));
    clickRow(transponders(), 0);
    keyToFocus(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(window_->showAllChannels());
    EXPECT_EQ(services()->selectedRowIndexes(), (std::vector<int32_t>{deleted - 1}));
}

TEST_F(UndoTest, TheChangeMarkerFollowsTheSavedStepAndOpenStartsAnewHistory) {
    std::filesystem::copy_file(CORVANE_IMGPACK_PATH, scratch_.file("imgpack"));
    editors_.satellites.ok([](SatelliteRecord& s) { setName(s.name, "First"); });
    contextMenu(satellites(), 0, QStringLiteral("Edit"));
    prompts_.fileNames.push_back(QString::fromStdString(scratch_.file("saved.rs232")));
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    ASSERT_FALSE(window_->isModified());
    const ChannelDatabase saved = db();
    editors_.satellites.ok([](SatelliteRecord& s) { setName(s.name, "Second"); });
    contextMenu(satellites(), 0, QStringLiteral("Edit"));
    EXPECT_TRUE(window_->isModified());
    EXPECT_EQ(shownTitle(), "Corvane [v1.0.3] - saved.cdd*");

    keyToFocus(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(window_->isModified()) << "back at the saved state";
    EXPECT_EQ(shownTitle(), "Corvane [v1.0.3] - saved.cdd");
    EXPECT_EQ(db(), saved);
    keyToFocus(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(window_->isModified()) << "before the saved state";
    const std::size_t asked = prompts_.seen.size();
    keyToFocus(Qt::Key_Y, Qt::ControlModifier);
    window_->reject();
    EXPECT_EQ(prompts_.seen.size(), asked) << "no discard question at the saved state";

    openThroughButton(QString::fromStdString(scratch_.file("small.txt")));
    EXPECT_FALSE(undo()->isEnabled());
    EXPECT_EQ(window_->document().history().count(), 0);
}

} // namespace
} // namespace corvane::test

namespace corvane::test {
namespace {

TEST(DocumentHistory, ForgetsItsOldestStepsPastItsBudgetAndKeepsTheSavedOne) {
    ChannelDatabase list;
    for (int32_t n = 0; n < 400; ++n) {
        ServiceRecord v{.number = n, .serviceId = n};
        setName(v.name, "Service " + std::to_string(n));
        list.services.append(v);
    }
    Document document;
    document.replace(list, "list.cdd");
    const auto deleteTen = [&document] {
        document.transact(QStringLiteral("Delete"), [](ChannelDatabase& db, TouchedRows&) {
            for (int i = 0; i < 10; ++i)
                db.services.erase(db.services.begin());
            return true;
        });
    };
    std::vector<ChannelDatabase> states{document.database()};
    deleteTen();
    states.push_back(document.database());
    const std::size_t oneStep = document.historyBytes();
    document.setHistoryBudget(8 * oneStep + oneStep / 2);
    for (int step = 2; step <= 30; ++step) {
        deleteTen();
        states.push_back(document.database());
        if (step == 25)
            document.markSaved("list.cdd");
    }
    EXPECT_LE(document.historyBytes(), 8 * oneStep + oneStep / 2);
    const int kept = document.history().count();
    EXPECT_GE(kept, 6);
    EXPECT_LE(kept, 8);

    for (int i = 0; i < 5; ++i)
        document.history().undo();
    EXPECT_EQ(document.database(), states[25]);
    EXPECT_FALSE(document.isModified()) << "the saved step was kept";
    while (document.history().canUndo())
        document.history().undo();
    EXPECT_EQ(document.database(), states[static_cast<std::size_t>(30 - kept)]);
    while (document.history().canRedo())
        document.history().redo();
    EXPECT_EQ(document.database(), states.back());
}

} // namespace
} // namespace corvane::test
