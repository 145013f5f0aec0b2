#include "main_dialog_fixture.h"

#include "model/record_name.h"
#include "ui/list_command_table.h"
#include "ui/list_commands.h"
#include "ui/list_tools.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>

namespace corvane::test {
namespace {

using Keys = std::vector<int32_t>;

// Services 0-7 on transponder 0 named "Alpha 1".."Alpha 4" and "Beta 5".."Beta 8", service ids
// 100 + number.
ChannelDatabase eightServices() {
    ChannelDatabase db;
    db.satellites.append({.id = 0, .name = {'S'}});
    db.transponders.append({.id = 0, .satelliteId = 0, .frequency = 11000});
    for (int32_t n = 0; n < 8; ++n) {
        const std::string name = (n < 4 ? "Alpha " : "Beta ") + std::to_string(n + 1);
        ServiceRecord s{.transponderId = 0, .number = n, .serviceId = 100 + n};
        setName(s.name, name);
        db.services.append(s);
    }
    db.transponderCount = 1;
    db.serviceCount = 8;
    return db;
}

Keys numbersOf(const ChannelDatabase& db) {
    Keys out;
    for (const ServiceRecord& s : db.services)
        out.push_back(s.serviceId * 100 + s.number);
    return out;
}

class ListToolsTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        load(eightServices());
        clickShowAll();
    }
    DragListCtrl* services() const { return window_->serviceList(); }
    ListTools& tools() const { return window_->listTools(); }
    FindBar* bar() const { return tools().findBar(RecordKind::Service); }
    void select(const std::vector<int>& rows) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            QTest::mouseClick(
                services()->viewport(), Qt::LeftButton, i ? Qt::ControlModifier : Qt::NoModifier,
                services()->visualRect(services()->model()->index(rows[i], 0)).center());
    }
    void find(const QString& text) {
        keyOn(services(), Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(bar()->isVisible());
        bar()->edit()->selectAll();
        QTest::keyClicks(bar()->edit(), text);
    }
    int current() const { return services()->currentIndex().row(); }
    std::string count() const { return bar()->count()->text().toStdString(); }
    void clickHeader(int column) {
        QHeaderView* header = services()->horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }
};

TEST_F(ListToolsTest, FindStepsThroughTheMatchesAndWrapsAround) {
    select({5});
    find(QStringLiteral("alpha"));
    EXPECT_EQ(current(), 0) << "from the current row on, wrapping";
    EXPECT_EQ(count(), "1 of 4");
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row;
        std::string count;
    } steps[] = {{Qt::Key_F3, {}, 1, "2 of 4"},
                 {Qt::Key_Return, {}, 2, "3 of 4"},
                 {Qt::Key_Enter, {}, 3, "4 of 4"},
                 {Qt::Key_F3, {}, 0, "1 of 4"},
                 {Qt::Key_F3, Qt::ShiftModifier, 3, "4 of 4"},
                 {Qt::Key_Return, Qt::ShiftModifier, 2, "3 of 4"}};
    for (const auto& s : steps) {
        keyToFocus(s.key, s.modifiers);
        EXPECT_EQ(current(), s.row) << s.count;
        EXPECT_EQ(count(), s.count);
    }

    // Numbers match the start of a cell: "10" finds every service id, "105" one of them, "5"
    // the No. 5 but not the name that ends in it; text matches inside a cell, in any case.
    const struct {
        const char* text;
        std::string count;
    } counts[] = {{"10", "of 8"},
                  {"105", "1 of 1"},
                  {"5", "1 of 1"},
                  {"BETA 5", "1 of 1"},
                  {"gamma", "no match"}};
    for (const auto& c : counts) {
        find(QString::fromLatin1(c.text));
        EXPECT_TRUE(count().ends_with(c.count)) << c.text << ": " << count();
    }
    find(QStringLiteral("105"));
    EXPECT_EQ(current(), 5);

    keyToFocus(Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), services());
    EXPECT_TRUE(window_->isVisible()) << "Escape in the bar does not close the window";
}

// Just after an Open no list has had the focus yet: Ctrl+F searches the channels.
TEST_F(ListToolsTest, FindBeforeAnyListHadTheFocusSearchesTheServices) {
    keyToFocus(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(bar()->isVisible());
    EXPECT_TRUE(bar()->edit()->hasFocus());
}

TEST_F(ListToolsTest, MatchingRowsOnlyTurnsOffDragAndPaste) {
    select({0});
    keyOn(services(), Qt::Key_X, Qt::ControlModifier); // something to paste
    ASSERT_EQ(services()->model()->rowCount(), 7);
    find(QStringLiteral("beta"));
    QTest::mouseClick(bar()->matchingOnly(), Qt::LeftButton, {},
                      QPoint(8, bar()->matchingOnly()->height() / 2));
    ASSERT_TRUE(bar()->matchingOnly()->isChecked());
    std::vector<bool> hidden;
    for (int row = 0; row < 7; ++row)
        hidden.push_back(services()->isRowHidden(row));
    EXPECT_EQ(hidden, (std::vector<bool>{true, true, true, false, false, false, false}));
    EXPECT_TRUE(bar()->note()->isVisible());
    EXPECT_FALSE(window_->commands().isAvailable(RecordKind::Service, kServicePaste, 5));

    const ChannelDatabase before = window_->database();
    drag(services(), {4}, 6);
    EXPECT_EQ(window_->database(), before) << "the drag only selects";

    keyToFocus(Qt::Key_Escape);
    EXPECT_FALSE(services()->isRowHidden(0));
    EXPECT_TRUE(window_->commands().isAvailable(RecordKind::Service, kServicePaste, 5));
    drag(services(), {4}, 6);
    EXPECT_NE(window_->database(), before);

    // Other commands work on the rows shown: a Cut of all of them leaves the others.
    find(QStringLiteral("beta"));
    bar()->matchingOnly()->click();
    keyOn(services(), Qt::Key_A, Qt::ControlModifier);
    keyOn(services(), Qt::Key_X, Qt::ControlModifier);
    Strings names;
    for (const ServiceRecord& s : window_->database().services)
        names.push_back(std::string(nameView(s.name)));
    EXPECT_EQ(names, (Strings{"Alpha 2", "Alpha 3", "Alpha 4"}));
}

TEST_F(ListToolsTest, SortingChangesTheViewOnlyUntilItsOrderIsApplied) {
    const ChannelDatabase stored = window_->database();
    const struct {
        Strings ids;
        bool sorted;
    } clicks[] = {
        {{"100", "101", "102", "103", "104", "105", "106", "107"}, true},
        {{"107", "106", "105", "104", "103", "102", "101", "100"}, true},
        {{"100", "101", "102", "103", "104", "105", "106", "107"}, false},
    };
    for (const auto& c : clicks) {
        clickHeader(7);
        EXPECT_EQ(column(services(), 7), c.ids);
        EXPECT_EQ(tools().sortLine(RecordKind::Service)->isVisible(), c.sorted);
        EXPECT_EQ(services()->horizontalHeader()->isSortIndicatorShown(), c.sorted);
        EXPECT_EQ(services()->dragAllowed(), !c.sorted);
        EXPECT_EQ(window_->database(), stored);
        EXPECT_FALSE(window_->isModified());
    }

    clickHeader(7);
    clickHeader(7); // descending
    select({0});
    keyOn(services(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(column(services(), 7), (Strings{"106", "105", "104", "103", "102", "101", "100"}))
        << "a change keeps the view sorted";
    EXPECT_FALSE(window_->commands().isAvailable(RecordKind::Service, kServicePaste, 1));
    QTest::mouseClick(tools()
                          .sortLine(RecordKind::Service)
                          ->findChild<QPushButton*>(QStringLiteral("applyOrder")),
                      Qt::LeftButton);
    EXPECT_EQ(numbersOf(window_->database()),
              (Keys{10600, 10501, 10402, 10303, 10204, 10105, 10006}));
    EXPECT_FALSE(tools().isSorted(RecordKind::Service));
    EXPECT_EQ(column(services(), 0), (Strings{"1", "2", "3", "4", "5", "6", "7"}));
    window_->document().history().undo();
    EXPECT_EQ(numbersOf(window_->database()),
              (Keys{10000, 10101, 10202, 10303, 10404, 10505, 10606}));
}

// Each key stands for a drag: their databases must be the same.
TEST_F(ListToolsTest, KeyboardMovesEqualTheDragsTheyStandFor) {
    const struct {
        std::vector<int> rows;
        Qt::Key key;
        int onto; // the drag: the rows go after this row
    } cases[] = {
        {{0}, Qt::Key_Down, 1},  {{3, 4}, Qt::Key_Down, 5}, {{4}, Qt::Key_Up, 2},
        {{2, 5}, Qt::Key_Up, 0}, {{1, 6}, Qt::Key_Down, 7}, {{0, 2}, Qt::Key_End, 7},
        {{5, 7}, Qt::Key_M, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "key " << c.key << " from " << c.rows[0]);
        load(eightServices());
        drag(services(), c.rows, c.onto);
        const ChannelDatabase dragged = window_->database();
        load(eightServices());
        select(c.rows);
        if (c.key == Qt::Key_M)
            prompts_.numbers.push_back(3); // channel 3: after rows 0 and 1
        keyOn(services(), c.key, Qt::ControlModifier);
        EXPECT_EQ(numbersOf(window_->database()), numbersOf(dragged));
        const int first = c.key == Qt::Key_End ? 6 : c.key == Qt::Key_M ? 2 : -1;
        const auto selected = services()->selectedRowIndexes();
        ASSERT_EQ(selected.size(), c.rows.size());
        if (first >= 0) {
            EXPECT_EQ(selected.front(), first);
        }
        EXPECT_EQ(selected.back() - selected.front() + 1, static_cast<int>(c.rows.size()));
    }
    load(eightServices());
    select({0});
    keyOn(services(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_FALSE(window_->isModified()) << "the first row has nowhere to go";
}

TEST_F(ListToolsTest, BulkEditsChangeTheSelectionInOneStepEach) {
    const ChannelDatabase stored = window_->database();
    const auto field = [this](auto member) {
        Keys out;
        for (const ServiceRecord& s : window_->database().services)
            out.push_back(s.*member);
        return out;
    };
    select({1, 3});
    keyOn(services(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(field(&ServiceRecord::lock), (Keys{0, 1, 0, 1, 0, 0, 0, 0}));
    keyOn(services(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(field(&ServiceRecord::lock), (Keys{0, 0, 0, 0, 0, 0, 0, 0})) << "all locked: unlock";
    keyOn(window_->satelliteList(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(field(&ServiceRecord::lock), (Keys{0, 0, 0, 0, 0, 0, 0, 0})) << "not the list in use";
    services()->setFocus();
    tools().setFavouriteGroup(3, true);
    tools().setFavouriteGroup(1, true);
    tools().setFavouriteGroup(3, false);
    EXPECT_EQ(field(&ServiceRecord::favorites), (Keys{0, 1, 0, 1, 0, 0, 0, 0}));
    tools().setCaMode(true);
    EXPECT_EQ(field(&ServiceRecord::caMode), (Keys{0, 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(services()->selectedRowIndexes(), (std::vector<int32_t>{1, 3}));
    for (int step = 0; step < 6; ++step)
        keyToFocus(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window_->database(), stored);
}

TEST_F(ListToolsTest, RemoveDuplicatesAsksWithTheListThenRemovesInOneStep) {
    ChannelDatabase db = eightServices();
    db.transponders.append({.id = 1, .satelliteId = 0, .frequency = 11000});
    db.services.back().transponderId = 1;               // moves to transponder 0
    std::next(db.services.begin(), 6)->serviceId = 100; // the same as service 0
    db.transponderCount = 2;
    load(db);
    auto* action = window_->findChild<QAction*>(QStringLiteral("removeDuplicatesAction"));
    ASSERT_NE(action, nullptr);
    prompts_.answers = {false, true};
    action->trigger();
    EXPECT_FALSE(window_->isModified()) << "answered No";
    ASSERT_FALSE(prompts_.seen.empty());
    EXPECT_EQ(prompts_.seen.back().text.toStdString(),
              "Remove 1 duplicate transponders (1 services move to the ones kept) and 1 duplicate "
              "services?");
    EXPECT_EQ(prompts_.seen.back().details.toStdString(),
              "Transponder 1: same as 0, 1 services move to it\nService 7: same as 1");
    action->trigger();
    EXPECT_EQ(window_->database().transponders.size(), 1u);
    EXPECT_EQ(window_->database().services.size(), 7u);
    window_->document().history().undo();
    ChannelDatabase shown = db;
    settleAntennas(shown.antennas);
    EXPECT_EQ(window_->database().services, shown.services);
    EXPECT_EQ(window_->database().transponders, shown.transponders);
    prompts_.seen.clear();
    load(eightServices());
    action->trigger();
    EXPECT_EQ(prompts_.messageTexts(), QStringList{QStringLiteral("No duplicates found.")});
}

} // namespace
} // namespace corvane::test
