#include "main_dialog_fixture.h"

#include "image/cdd_file.h"
#include "ui/list_commands.h"

#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>

#include <limits>
#include <map>

namespace corvane::test {
namespace {

class ListCommandsTest : public SmallListTest {
protected:
    std::string questions() const {
        std::string out;
        for (const Prompt& p : prompts_.seen)
            if (p.kind == Prompt::Kind::Question)
                out += p.text.toStdString() + ";";
        return out;
    }
};

template <class T> std::vector<int32_t> keysOf(const RecordList<T>& list) {
    std::vector<int32_t> keys;
    for (const T& r : list)
        keys.push_back(recordKey(r));
    return keys;
}
using Keys = std::vector<int32_t>;

TEST_F(ListCommandsTest, MenusOfferTheirItemsWhereTheyApply) {
    EXPECT_EQ(contextMenu(satellites(), -1),
              "[Edit:130] - Add:131 [Delete:132] - [Cut:133] [Paste:134] - [Add TP:135]");
    EXPECT_EQ(contextMenu(transponders(), 0),
              "Edit:141 - [Add:142] Delete:145 - Cut:143 [Paste:144] - Add Channel:146")
        << "no satellite selected";
    EXPECT_EQ(contextMenu(satellites(), 2, QStringLiteral("Cut")),
              "Edit:130 - Add:131 Delete:132 - Cut:133 [Paste:134] - Add TP:135");
    EXPECT_EQ(contextMenu(satellites(), 0),
              "Edit:130 - Add:131 Delete:132 - Cut:133 Paste:134 - Add TP:135");

    clickRow(satellites(), 1); // Sat B: its transponder 2
    EXPECT_EQ(contextMenu(transponders(), 0, QStringLiteral("Cut")),
              "Edit:141 - Add:142 Delete:145 - Cut:143 [Paste:144] - Add Channel:146");
    clickRow(satellites(), 0);
    EXPECT_EQ(contextMenu(transponders(), 0), "Edit:141 - Add:142 Delete:145 - Cut:143 "
                                              "[Paste:144] - Add Channel:146")
        << "the first cut transponder is on another satellite";
    clickRow(satellites(), 1);
    EXPECT_EQ(contextMenu(transponders(), -1), "[Edit:141] - Add:142 [Delete:145] - [Cut:143] "
                                               "[Paste:144] - [Add Channel:146]");

    clickRow(satellites(), 0);
    clickRow(transponders(), 0);
    EXPECT_EQ(contextMenu(services(), 0), "Edit:148 - Add:149 Delete:150 - [Cut:151] [Paste:152]");
    clickShowAll();
    EXPECT_EQ(contextMenu(services(), 0, QStringLiteral("Cut")),
              "Edit:148 - [Add:149] Delete:150 - Cut:151 [Paste:152]");
    EXPECT_EQ(contextMenu(services(), 0), "Edit:148 - [Add:149] Delete:150 - Cut:151 Paste:152");
    EXPECT_EQ(contextMenu(antennas(), 0, QStringLiteral("Cut")),
              "Edit:148 - Add:149 Delete:150 - Cut:151 [Paste:152]");
    EXPECT_EQ(contextMenu(antennas(), 0), "Edit:148 - Add:149 Delete:150 - Cut:151 Paste:152");
    EXPECT_TRUE(prompts_.seen.empty());
}

TEST_F(ListCommandsTest, SatelliteAddAndDeleteWithTheirCountersAndCascades) {
    editors_.satellites.cancel();
    contextMenu(satellites(), -1, QStringLiteral("Add"));
    EXPECT_EQ(editors_.satellites.shown.back().id, 3);
    EXPECT_EQ(db().satellites.size() + db().antennas.size(), 6u);
    EXPECT_FALSE(window_->isModified());

    editors_.satellites.ok([](SatelliteRecord& s) { setName(s.name, "Sat D"); });
    keyOn(satellites(), Qt::Key_Insert);
    EXPECT_EQ(keysOf(db().satellites), (Keys{0, 1, 2, 3}));
    EXPECT_EQ(db().satelliteCount, 4);
    const AntennaRecord& added = db().antennas.back();
    EXPECT_EQ((Keys{added.id, added.antennaKey, added.lowFreq, added.highFreq, added.centerFreq}),
              (Keys{3, 4, 9750, 10600, 11700}));
    EXPECT_EQ(db().antennaCount, 4);
    EXPECT_EQ(column(satellites(), 2), (Strings{"Sat A", "Sat B", "Sat C", "Sat D"}));
    EXPECT_EQ(column(antennas(), 0), (Strings{"0", "1", "2", "3"}));
    EXPECT_TRUE(window_->isModified());

    clickRow(satellites(), 1);
    clickShowAll();
    prompts_.answers = {false, true};
    contextMenu(satellites(), 1, QStringLiteral("Delete"));
    EXPECT_EQ(db().satellites.size(), 4u);
    contextMenu(satellites(), 1, QStringLiteral("Delete"));
    EXPECT_EQ(questions(), "[Sat B] Delete ?;[Sat B] Delete ?;");
    EXPECT_EQ(keysOf(db().satellites), (Keys{0, 2, 3}));
    EXPECT_EQ(db().satelliteCount, 3);
    EXPECT_EQ(keysOf(db().transponders), (Keys{0, 1}));
    // No rows of removed records stay on screen.
    EXPECT_TRUE(column(transponders(), 0).empty());
    EXPECT_EQ(column(services(), 2), (Strings{"One", "Two"}));
    EXPECT_EQ(column(antennas(), 0), (Strings{"0", "2", "3"}));
    EXPECT_EQ(column(satellites(), 0), (Strings{"0", "2", "3"}));

    // The count (3) is taken now: the lowest free id, and its antenna has that id too.
    editors_.satellites.ok();
    contextMenu(satellites(), 0, QStringLiteral("Add"));
    EXPECT_EQ(keysOf(db().satellites), (Keys{0, 2, 3, 1}));
    EXPECT_EQ(keysOf(db().antennas), (Keys{0, 2, 3, 1}));
    EXPECT_EQ(db().antennas.back().antennaKey, 2);

    changeDatabase([](ChannelDatabase& d) {
        for (int32_t id = 4; id < 256; ++id)
            d.satellites.append({.id = id});
        return true;
    });
    contextMenu(satellites(), 0, QStringLiteral("Add"));
    EXPECT_EQ(prompts_.messageTexts().back().toStdString(),
              "The channel list is full: every satellite id from 0 to 255 is in use.");
    EXPECT_EQ(editors_.satellites.shown.size(), 3u) << "no dialog";
}

TEST_F(ListCommandsTest, CutBuffersAcrossCutsPastesAndOpens) {
    contextMenu(satellites(), 0, QStringLiteral("Cut")); // Sat A
    EXPECT_EQ(db().transponders.size(), 3u) << "its transponders stay while it can be pasted";
    clickShowAll();
    clickRow(satellites(), 0);
    keyOn(satellites(), Qt::Key_X, Qt::ControlModifier); // Sat B: A goes with what hung on it
    EXPECT_EQ(keysOf(db().satelliteClipboard), (Keys{1}));
    EXPECT_EQ(keysOf(db().transponders), (Keys{2}));
    EXPECT_EQ(column(services(), 2), (Strings{"Three"}));
    EXPECT_EQ(column(antennas(), 0), (Strings{"1", "2"}));
    EXPECT_EQ(db().satelliteCount, 3);
    contextMenu(satellites(), 0, QStringLiteral("Paste"));
    EXPECT_EQ(column(satellites(), 2), (Strings{"Sat C", "Sat B"}));
    EXPECT_TRUE(db().satelliteClipboard.empty());

    // Cut before an Open, pasted after it where another satellite has the id.
    contextMenu(satellites(), 1, QStringLiteral("Cut"));
    prompts_.answers = {true}; // discard the changes
    openThroughButton(write("small.txt", kSmallText));
    contextMenu(satellites(), 0, QStringLiteral("Paste"));
    EXPECT_EQ(keysOf(db().satellites), (Keys{0, 3, 1, 2}));
    EXPECT_EQ(window_->statusBar()->currentMessage().toStdString(),
              "Pasted satellites whose ids were taken got free ones: 1 is now 3");
    EXPECT_EQ(db().transponders.back().satelliteId, 1) << "Sat B's own transponder stays";

    // Emptying a buffer from before an Open frees its records alone: Sat B and t0 of the old data
    // must not take the new ones' transponder, services and antenna with them.
    contextMenu(satellites(), 2, QStringLiteral("Cut"));
    clickRow(satellites(), 0);
    contextMenu(transponders(), 0, QStringLiteral("Cut"));
    prompts_.answers = {true};
    openThroughButton(write("small.txt", kSmallText));
    contextMenu(satellites(), 2, QStringLiteral("Cut"));
    clickRow(satellites(), 0);
    contextMenu(transponders(), 1, QStringLiteral("Cut"));
    EXPECT_EQ(db().antennas.size(), 3u);
    EXPECT_EQ(keysOf(db().transponders), (Keys{0, 2}));
    EXPECT_EQ(db().services.size(), 3u);
}

TEST_F(ListCommandsTest, EditsAndCancelsOnEveryList) {
    editors_.satellites.cancel();
    doubleClickRow(satellites(), 1);
    EXPECT_EQ(editors_.satellites.shown.at(0).id, 1);
    EXPECT_FALSE(window_->isModified());
    editors_.satellites.ok([](SatelliteRecord& s) { s.longitude = 450; });
    contextMenu(satellites(), 1, QStringLiteral("Edit"));
    EXPECT_EQ(column(satellites(), 1), (Strings{"192", "450", "3300"}));
    EXPECT_TRUE(window_->isModified());

    clickRow(satellites(), 0);
    clickRow(transponders(), 1);
    editors_.transponders.ok([](TransponderRecord& t) { t.fec = 9; });
    keyOn(transponders(), Qt::Key_F2);
    EXPECT_EQ(column(transponders(), 4), (Strings{"3/4", "err"}));
    editors_.services.ok([](ServiceRecord& s) { setName(s.name, "Deux"); });
    clickRow(transponders(), 1);
    keyOn(services(), Qt::Key_F2); // the focus makes the first row current
    EXPECT_EQ(column(services(), 2), (Strings{"Deux"}));

    // A cancelled dialog leaves the antenna as it was, whatever the dialog showed (an Open has
    // already taken a tuner mask of 0 for both tuners).
    changeDatabase([](ChannelDatabase& d) {
        d.antennas.back().tunerMask = 0;
        return true;
    });
    editors_.antennas.answers.push_back([](AntennaRecord& a) {
        a.tunerMask = 3;
        return false;
    });
    contextMenu(antennas(), 2, QStringLiteral("Edit"));
    EXPECT_EQ(column(antennas(), 14).at(2), "0");
    EXPECT_EQ(db().antennas.back().tunerMask, 0);
}

TEST_F(ListCommandsTest, TransponderAndServiceAddsTakeTheirPresets) {
    editors_.transponders.cancel();
    contextMenu(satellites(), 1, QStringLiteral("Add TP"));
    editors_.transponders.ok();
    contextMenu(satellites(), 2, QStringLiteral("Add TP"));
    const TransponderRecord& tp = editors_.transponders.shown.back();
    EXPECT_EQ((Keys{tp.id, tp.satelliteId, tp.antennaId}), (Keys{3, 2, 2}));
    EXPECT_EQ(column(transponders(), 0), (Strings{"3"}));
    EXPECT_EQ(db().transponderCount, 4);

    clickShowAll();
    editors_.services.ok();
    contextMenu(transponders(), 0, QStringLiteral("Add Channel"));
    const ServiceRecord& sv = editors_.services.shown.back();
    EXPECT_EQ((Keys{sv.transponderId, sv.number}), (Keys{3, 3}));
    EXPECT_EQ(column(services(), 0), (Strings{"4"}));
    EXPECT_TRUE(window_->showAllChannels()) << "the box is left alone";
    EXPECT_EQ(db().serviceCount, 4);

    clickRow(transponders(), 0);
    editors_.services.ok();
    keyOn(services(), Qt::Key_Insert);
    EXPECT_EQ(
        (Keys{editors_.services.shown.back().transponderId, editors_.services.shown.back().number}),
        (Keys{3, 4}));
    EXPECT_EQ(column(services(), 0), (Strings{"4", "5"})) << "renumbered in list order";
    EXPECT_EQ(db().serviceCount, 5);

    // A counter a file left at its limit stays there (it is refused when saved).
    changeDatabase([](ChannelDatabase& d) {
        d.transponderCount = d.serviceCount = std::numeric_limits<int32_t>::max();
        return true;
    });
    editors_.transponders.ok();
    editors_.services.ok();
    contextMenu(satellites(), 0, QStringLiteral("Add TP"));
    contextMenu(transponders(), 0, QStringLiteral("Add Channel"));
    EXPECT_EQ((Keys{db().transponderCount, db().serviceCount}),
              (Keys{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()}));
}

TEST_F(ListCommandsTest, DeletesCutsAndPastesOfTranspondersServicesAndAntennas) {
    clickRow(satellites(), 0);
    clickShowAll();
    // A service cut leaves gaps in the numbers until a paste renumbers them.
    contextMenu(services(), 0, QStringLiteral("Cut"));
    EXPECT_EQ(column(services(), 0), (Strings{"2", "3"}));
    clickRow(services(), 0);
    keyOn(services(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(column(services(), 2), (Strings{"Two", "One", "Three"}));
    EXPECT_EQ(column(services(), 0), (Strings{"1", "2", "3"}));
    EXPECT_EQ(services()->selectedRowIndexes(), (std::vector<int32_t>{2})) << "row n, n = 2";

    prompts_.answers = {true, true, true};
    keyOn(transponders(), Qt::Key_Delete);
    EXPECT_EQ(column(transponders(), 0), (Strings{"1"}));
    EXPECT_EQ(column(services(), 2), (Strings{"Two", "Three"}));
    EXPECT_EQ(column(services(), 0), (Strings{"1", "3"})) << "not renumbered";
    EXPECT_EQ(db().transponderCount, 3);
    contextMenu(services(), 1, QStringLiteral("Delete"));
    contextMenu(antennas(), 1, QStringLiteral("Delete"));
    EXPECT_EQ(questions(), "[0] Delete ?;[Three] Delete ?;[1] Delete ?;");
    EXPECT_EQ(column(services(), 0), (Strings{"1"}));
    EXPECT_EQ(column(antennas(), 0), (Strings{"0", "2"}));
    EXPECT_EQ(db().transponders.back().antennaId, 1) << "keeps naming the deleted antenna";

    clickRow(antennas(), 0);
    QTest::mouseClick(antennas()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      antennas()->visualRect(antennas()->model()->index(1, 0)).center());
    keyOn(antennas(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(column(antennas(), 0).empty());
    EXPECT_EQ(keysOf(db().antennaClipboard), (Keys{0, 2}));
}

TEST_F(ListCommandsTest, TheEditMenuWorksOnTheFocusedList) {
    clickRow(satellites(), 1);
    prompts_.answers = {false};
    EXPECT_EQ(editMenu(QStringLiteral("Delete")),
              "[Undo:0] [Redo:0] - Edit F2:130 - Add Ins:131 Delete Del:132 - Cut Ctrl+X:133 "
              "[Paste Ctrl+V:134] - "
              "Add TP:135"
              " - &Find...:0 Find &next:0 Find &previous:0 - &Move to...:0 F&avourites:0 &Lock or "
              "unlock:0 "
              "Lock:0 Unlock:0 &CA mode:0");
    EXPECT_EQ(questions(), "[Sat B] Delete ?;");
    child<QPushButton>("openButton")->setFocus();
    EXPECT_EQ(
        editMenu(),
        "[Undo:0] [Redo:0] - [Edit F2:148] - [Add Ins:149] [Delete Del:150] - [Cut Ctrl+X:151] "
        "[Paste Ctrl+V:152]"
        " - &Find...:0 Find &next:0 Find &previous:0 - &Move to...:0 F&avourites:0 &Lock or "
        "unlock:0 "
        "Lock:0 Unlock:0 &CA mode:0");
    EXPECT_FALSE(window_->isModified());
}

// Satellites A, B, C, D (ids 0 to 3); transponders of satellites 0 and 1 interleaved as t0(0),
// t1(1), t2(0), t3(0); three services numbered with a gap.
ChannelDatabase dragSample() {
    ChannelDatabase db;
    for (int32_t id = 0; id < 4; ++id) {
        db.satellites.append({.id = id, .name = {static_cast<char>('A' + id)}});
        db.addDefaultAntenna();
    }
    for (const int32_t sat : {0, 1, 0, 0})
        db.transponders.append({.id = db.transponderCount++, .satelliteId = sat});
    for (const int32_t number : {0, 1, 5})
        db.services.append({.transponderId = 0, .number = number});
    db.satelliteCount = 4;
    db.serviceCount = 6;
    return db;
}

TEST_F(ListCommandsTest, DragsReorderTheDatabaseAsTheRowsMove) {
    const struct {
        DragListCtrl* (MainDialog::*list)() const;
        std::vector<int> rows;
        int onto;
        Keys satellites, transponders, antennas;
    } cases[] = {
        {&MainDialog::satelliteList, {0}, 2, {1, 2, 0, 3}, {0, 1, 2, 3}, {0, 1, 2, 3}},
        {&MainDialog::satelliteList, {3}, 0, {0, 3, 1, 2}, {0, 1, 2, 3}, {0, 1, 2, 3}},
        {&MainDialog::satelliteList, {1}, 1, {0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 2, 3}},
        {&MainDialog::satelliteList, {1}, 0, {0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 2, 3}},
        {&MainDialog::antennaList, {0, 1}, 3, {0, 1, 2, 3}, {0, 1, 2, 3}, {2, 3, 0, 1}},
        // Rows t0, t2, t3: t1 of the other satellite is not moved past.
        {&MainDialog::transponderList, {0}, 1, {0, 1, 2, 3}, {1, 2, 0, 3}, {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "rows " << c.rows[0] << " onto " << c.onto);
        load(dragSample());
        drag((window_.get()->*c.list)(), c.rows, c.onto);
        EXPECT_EQ(keysOf(db().satellites), c.satellites);
        EXPECT_EQ(keysOf(db().transponders), c.transponders);
        EXPECT_EQ(keysOf(db().antennas), c.antennas);
        EXPECT_EQ(window_->isModified(), c.satellites != Keys({0, 1, 2, 3}) ||
                                             c.transponders != Keys({0, 1, 2, 3}) ||
                                             c.antennas != Keys({0, 1, 2, 3}));
    }

    // Shown with all transponders, t1 is the last of its satellite's: it is its own anchor.
    load(dragSample());
    window_->fillTransponderList(-1);
    drag(transponders(), {1}, 2);
    EXPECT_EQ(keysOf(db().transponders), (Keys{0, 1, 2, 3}));

    clickRow(transponders(), 0);
    drag(services(), {0}, 2);
    EXPECT_EQ(keysOf(db().services), (Keys{0, 1, 5})) << "the box is not checked";
    EXPECT_EQ(column(services(), 0), (Strings{"1", "2", "6"})) << "database order again";
    clickShowAll();
    drag(services(), {0, 1}, 2);
    EXPECT_EQ(column(services(), 0), (Strings{"1", "2", "3"}));
    EXPECT_EQ(keysOf(db().services), (Keys{0, 1, 2}));
    EXPECT_EQ(services()->selectedRowIndexes(), (std::vector<int32_t>{2}));
}

// Many rows moving far: the services take the rows' new order in one step, with the same result.
TEST_F(ListCommandsTest, ADropOfManyRowsLeavesTheServicesInTheRowsOrder) {
    ChannelDatabase db;
    for (int32_t n = 0; n < 8; ++n)
        db.services.append({.transponderId = 0, .number = n, .serviceId = n});
    load(db);
    clickShowAll();
    drag(services(), {0, 1, 2, 3, 4}, 7);
    // Refilled from the database: its order.
    EXPECT_EQ(column(services(), 7), (Strings{"5", "6", "7", "0", "1", "2", "3", "4"}));
    EXPECT_EQ(column(services(), 0), (Strings{"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(services()->selectedRowIndexes(), (std::vector<int32_t>{7}));
}

// After a row has moved, the list shows all services renumbered in their new order, so the next
// row is the one at its place there, whatever the list showed when the drag began.
TEST_F(ListCommandsTest, AServiceDragFollowsTheListAsEachRowLeavesIt) {
    clickShowAll();
    editors_.services.ok([](ServiceRecord& s) { setName(s.name, "New"); });
    contextMenu(transponders(), 0, QStringLiteral("Add Channel")); // the box stays checked
    EXPECT_EQ(column(services(), 2), (Strings{"One", "New"}));
    drag(services(), {0, 1}, 1);
    EXPECT_EQ(column(services(), 2), (Strings{"One", "Two", "Three", "New"}));
    EXPECT_EQ(column(services(), 0), (Strings{"1", "2", "3", "4"}));
}

// A .cdd file groups services by transponder; opened again, they are listed by number, and a
// drag renumbers only the services between the dragged one's old and new places.
TEST_F(ListCommandsTest, AReopenedCddListsServicesByNumberAndADragMovesOnlyThoseBetween) {
    ChannelDatabase db;
    db.satellites.append({.id = 0, .name = {'S'}});
    db.addDefaultAntenna();
    db.satelliteCount = 1;
    for (int32_t t = 0; t < 2; ++t)
        db.transponders.append({.id = db.transponderCount++, .satelliteId = 0});
    for (int32_t n = 0; n < 6; ++n) {
        ServiceRecord s{.transponderId = n % 2, .number = n, .videoPid = 100 + n};
        setName(s.name, std::string(1, static_cast<char>('a' + n)));
        db.services.append(s);
    }
    db.serviceCount = 6;
    const std::string path = scratch_.file("grouped.cdd");
    ASSERT_TRUE(writeCddFile(db, path).ok());
    ASSERT_TRUE(window_->openFile(path));
    clickShowAll();
    EXPECT_EQ(column(services(), 2), (Strings{"a", "b", "c", "d", "e", "f"}));

    drag(services(), {4}, 0); // "e" goes after "a"
    EXPECT_EQ(column(services(), 2), (Strings{"a", "e", "b", "c", "d", "f"}));
    EXPECT_EQ(column(services(), 0), (Strings{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(services()->selectedRowIndexes(), (std::vector<int32_t>{1})) << "where it went";
    std::map<char, int32_t> numbers;
    for (const ServiceRecord& s : this->db().services)
        numbers[s.name[0]] = s.number;
    EXPECT_EQ(numbers, (std::map<char, int32_t>{
                           {'a', 0}, {'e', 1}, {'b', 2}, {'c', 3}, {'d', 4}, {'f', 5}}));
}

// The counts follow every change, in the singular where there is one; the No. column widens for
// numbers its template width would cut.
TEST_F(ListCommandsTest, TheStatusBarCountsFollowEachChangeAndNumbersFitTheirColumn) {
    auto* counts = child<QLabel>("countsLabel");
    ChannelDatabase db;
    db.satellites.append({.id = 0, .name = {'S'}});
    db.addDefaultAntenna();
    db.satelliteCount = 1;
    db.transponders.append({.id = db.transponderCount++, .satelliteId = 0});
    db.services.append({.transponderId = 0, .number = 0, .videoPid = 1});
    db.services.append({.transponderId = 0, .number = 123455, .videoPid = 1});
    load(db);
    EXPECT_EQ(counts->text(), QStringLiteral("1 satellite, 1 transponder, 2 services, 1 antenna"));
    clickShowAll();
    const QHeaderView* header = services()->horizontalHeader();
    EXPECT_GT(header->sectionSize(0),
              services()->fontMetrics().horizontalAdvance(QStringLiteral("123456")));

    prompts_.answers = {true};
    contextMenu(services(), 0, QStringLiteral("Delete"));
    EXPECT_EQ(counts->text(), QStringLiteral("1 satellite, 1 transponder, 1 service, 1 antenna"));
    EXPECT_EQ(counts->minimumSizeHint().width(), 0) << "it gives up its room, elided";
    editors_.satellites.ok([](SatelliteRecord& s) { setName(s.name, "T"); });
    contextMenu(satellites(), -1, QStringLiteral("Add"));
    EXPECT_EQ(counts->text(), QStringLiteral("2 satellites, 1 transponder, 1 service, 2 antennas"));
}

} // namespace
} // namespace corvane::test
