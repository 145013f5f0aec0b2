#include "ui/drag_list_ctrl.h"

#include <gtest/gtest.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QTimerEvent>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace corvane {
namespace {

// Rows of three texts; column 0 holds the key. Moves follow Qt's destination-child convention.
class RowsModel : public QAbstractTableModel {
public:
    explicit RowsModel(int rows) {
        for (int i = 0; i < rows; ++i) {
            const QString key = QString::number(10 + i);
            rows_.push_back({key, key + QStringLiteral("-a"), key + QStringLiteral("-b")});
        }
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 3;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return rows_[static_cast<std::size_t>(index.row())][index.column()];
    }
    bool moveRows(const QModelIndex& from, int src, int count, const QModelIndex& to,
                  int dst) override {
        if (!beginMoveRows(from, src, src + count - 1, to, dst))
            return false;
        const auto first = rows_.begin();
        if (dst > src)
            std::rotate(first + src, first + src + count, first + dst);
        else
            std::rotate(first + dst, first + src, first + src + count);
        endMoveRows();
        return true;
    }
    // What an owner that rebuilds its list does: the same rows, all of them new to the view.
    void refill() {
        beginResetModel();
        endResetModel();
    }
    std::vector<int> keys() const {
        std::vector<int> keys;
        for (const QStringList& row : rows_)
            keys.push_back(row[0].toInt());
        return keys;
    }
    // Whether every row still carries its own cells after the moves.
    bool rowsIntact() const {
        return std::all_of(rows_.begin(), rows_.end(), [](const QStringList& row) {
            return row[1] == row[0] + QStringLiteral("-a") &&
                   row[2] == row[0] + QStringLiteral("-b");
        });
    }

private:
    std::vector<QStringList> rows_;
};

struct Move {
    int32_t key, from, to;
    bool operator==(const Move&) const = default;
};
void PrintTo(const Move& m, std::ostream* os) {
    *os << "(" << m.key << ", " << m.from << ", " << m.to << ")";
}

// A shown list with `rows` rows keyed 10, 11, ..., driven with QTest mouse events on its viewport.
struct Harness {
    explicit Harness(int rows, int height = 140) : model(rows) {
        list.setModel(&model);
        list.resize(260, height);
        list.moveCallback = [this](int32_t key, int32_t from, int32_t to) {
            moves.push_back({key, from, to});
        };
        QObject::connect(&list, &QAbstractItemView::clicked, [this] { ++clicks; });
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
    QWidget* viewport() { return list.viewport(); }
    QPoint at(int row) { return {30, list.rowViewportPosition(row) + list.rowHeight(row) / 2}; }
    void click(int row, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(viewport(), Qt::LeftButton, mods, at(row));
    }
    void select(const std::vector<int>& rows) {
        click(rows.front());
        for (std::size_t i = 1; i < rows.size(); ++i)
            click(rows[i], Qt::ControlModifier);
    }
    // Press on `row` and move sideways just far enough for the drag to start.
    void startDrag(int row) {
        QTest::mousePress(viewport(), Qt::LeftButton, {}, at(row));
        QTest::mouseMove(viewport(), at(row) + QPoint(QApplication::startDragDistance(), 0));
    }
    void moveTo(QPoint pos) { QTest::mouseMove(viewport(), pos); }
    void release(QPoint pos) { QTest::mouseRelease(viewport(), Qt::LeftButton, {}, pos); }
    void drag(int row, int onto) {
        startDrag(row);
        moveTo(at(onto));
        release(at(onto));
    }
    void tick() {
        ASSERT_NE(list.autoScrollTimerId(), 0);
        QTimerEvent event(list.autoScrollTimerId());
        QApplication::sendEvent(&list, &event);
    }
    std::vector<int> selectedRows() const {
        std::vector<int> rows;
        for (const QModelIndex& index : list.selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool rowSelected(int row) const {
        return list.selectionModel()->isRowSelected(row, QModelIndex());
    }
    int topRow() const { return list.verticalScrollBar()->value(); }

    RowsModel model;
    DragListCtrl list;
    std::vector<Move> moves;
    int clicks = 0;
};

std::vector<int> keysOf(std::initializer_list<int> rows) {
    std::vector<int> keys;
    for (const int row : rows)
        keys.push_back(10 + row);
    return keys;
}

struct DropCase {
    const char* name;
    std::vector<int> selected; // clicked in this order, the first plainly, the rest with Ctrl
    int pressed;               // the selected row the drag starts on, pressed without modifiers
    int onto;
    std::vector<int> order; // keys of the rows afterwards
    std::vector<int> selectedAfter;
    std::vector<Move> moves;
};

TEST(DragListCtrl, DropsMoveTheRowsAndReportEachMove) {
    const DropCase cases[] = {
        {"up onto the first row", {2}, 2, 0, keysOf({0, 2, 1, 3, 4}), {1}, {{12, 3, 1}}},
        {"down two rows", {0}, 0, 2, keysOf({1, 2, 0, 3, 4}), {2}, {{10, 0, 3}}},
        {"onto itself", {2}, 2, 2, keysOf({0, 1, 2, 3, 4}), {2}, {{12, 2, 3}}},
        {"onto the row above", {2}, 2, 1, keysOf({0, 1, 2, 3, 4}), {}, {{12, 2, 2}}},
        {"onto the last row", {1}, 1, 4, keysOf({0, 2, 3, 4, 1}), {4}, {{11, 1, 5}}},
        {"two rows onto the first, the upper one's copy deleted again",
         {1, 3},
         3,
         0,
         keysOf({0, 3, 1, 2, 4}),
         {1},
         {{11, 1, 1}, {13, 4, 1}}},
        {"a block downwards",
         {0, 1},
         0,
         3,
         keysOf({2, 3, 0, 1, 4}),
         {2, 3},
         {{10, 0, 4}, {11, 0, 4}}},
        {"rows on both sides of the target",
         {4, 1, 2},
         4,
         2,
         keysOf({0, 1, 2, 4, 3}),
         {1, 2, 3},
         {{11, 1, 3}, {12, 1, 3}, {14, 5, 3}}},
    };
    for (const DropCase& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h(5);
        h.select(c.selected);
        const int clicks = h.clicks;
        h.drag(c.pressed, c.onto);
        EXPECT_FALSE(h.list.isDragging());
        EXPECT_EQ(h.model.keys(), c.order);
        EXPECT_TRUE(h.model.rowsIntact());
        EXPECT_EQ(h.selectedRows(), c.selectedAfter);
        EXPECT_EQ(h.moves, c.moves);
        EXPECT_EQ(h.clicks, clicks) << "the release that drops is no click";
    }
}

// The drop loop as the list control of the original platform runs it, one row insert and delete at
// a time, with every later selection entry adjusted after each row.
struct Reference {
    std::vector<int> keys;
    std::vector<bool> selected;
    std::vector<Move> moves;

    void drop(std::vector<int> entries, int dropIndex) {
        const int count = static_cast<int>(keys.size());
        if (++dropIndex > count - 1)
            dropIndex = count;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            int src = entries[i];
            const int key = keys[static_cast<std::size_t>(src)];
            const bool state = selected[static_cast<std::size_t>(src)];
            selected[static_cast<std::size_t>(src)] = false;
            keys.insert(keys.begin() + dropIndex, key);
            selected.insert(selected.begin() + dropIndex, state);
            if (src > dropIndex)
                ++src;
            keys.erase(keys.begin() + src);
            selected.erase(selected.begin() + src);
            moves.push_back({key, src, dropIndex});
            for (std::size_t j = i; j < entries.size(); ++j) {
                if (src < entries[j] && entries[j] < dropIndex)
                    --entries[j];
                else if (dropIndex < entries[j] && entries[j] < src)
                    ++entries[j];
            }
            if (src > dropIndex)
                ++dropIndex;
        }
    }
};

TEST(DragListCtrl, RandomDropsAgreeWithRowByRowInsertAndDelete) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 40; ++round) {
        constexpr int rows = 7;
        std::vector<int> chosen;
        for (int row = 0; row < rows; ++row)
            if (random() % 3 == 0)
                chosen.push_back(row);
        if (chosen.empty())
            chosen.push_back(static_cast<int>(random() % rows));
        const int onto = static_cast<int>(random() % rows);
        SCOPED_TRACE(::testing::Message() << "round " << round << ", onto " << onto);

        Harness h(rows, 200);
        h.select(chosen);
        Reference expected{h.model.keys(), std::vector<bool>(rows, false), {}};
        for (const int row : chosen)
            expected.selected[static_cast<std::size_t>(row)] = true;
        expected.drop(chosen, onto);
        h.drag(chosen.back(), onto);

        EXPECT_EQ(h.model.keys(), expected.keys);
        EXPECT_EQ(h.moves, expected.moves);
        for (int row = 0; row < rows; ++row)
            EXPECT_EQ(h.rowSelected(row), expected.selected[static_cast<std::size_t>(row)]) << row;
    }
}

TEST(DragListCtrl, PressesAndReleasesWithoutADragChangeNoRow) {
    Harness h(5, 240);
    h.select({1, 3});
    // Pressing on a selected row keeps the others selected for a drag ...
    QTest::mousePress(h.viewport(), Qt::LeftButton, {}, h.at(3));
    EXPECT_EQ(h.selectedRows(), (std::vector<int>{1, 3}));
    // ... and a move shorter than the drag distance is no drag: the release is a plain click.
    h.moveTo(h.at(3) + QPoint(QApplication::startDragDistance() - 1, 0));
    EXPECT_FALSE(h.list.isDragging());
    const int clicks = h.clicks;
    h.release(h.at(3));
    EXPECT_EQ(h.selectedRows(), (std::vector<int>{3}));
    EXPECT_EQ(h.clicks, clicks + 1);

    // A press beside the rows keeps the view's behaviour: it clears the selection, drags nothing.
    const QPoint beside(30, h.list.rowViewportPosition(4) + 3 * h.list.rowHeight(4));
    ASSERT_LT(beside.y(), h.viewport()->height());
    QTest::mousePress(h.viewport(), Qt::LeftButton, {}, beside);
    h.moveTo(beside + QPoint(40, 0));
    EXPECT_FALSE(h.list.isDragging());
    h.release(beside + QPoint(40, 0));

    EXPECT_TRUE(h.moves.empty());
    EXPECT_EQ(h.model.keys(), keysOf({0, 1, 2, 3, 4}));
    EXPECT_TRUE(h.selectedRows().empty());
}

TEST(DragListCtrl, TheDropTargetShowsAsSelectedAndOnlyTheCursorsHeightCounts) {
    Harness h(5);
    h.select({1});
    h.startDrag(1);
    ASSERT_TRUE(h.list.isDragging());
    // Far right of the list, level with row 3: row 3 is the target.
    h.moveTo(h.at(3) + QPoint(h.list.width() + 200, 0));
    EXPECT_TRUE(h.rowSelected(3));
    EXPECT_EQ(h.list.autoScrollTimerId(), 0);
    // Left of the list at row 0's height: row 3 shows its own state again.
    h.moveTo(QPoint(-300, h.at(0).y()));
    EXPECT_TRUE(h.rowSelected(0));
    EXPECT_FALSE(h.rowSelected(3));
    EXPECT_TRUE(h.rowSelected(1)) << "the dragged row stays selected";
    h.moveTo(h.at(3) + QPoint(h.list.width() + 200, 0));

    // Released outside the list: the row goes after the row highlighted last.
    h.release(h.at(3) + QPoint(h.list.width() + 200, 0));
    EXPECT_EQ(h.moves, (std::vector<Move>{{11, 1, 4}}));
    EXPECT_EQ(h.model.keys(), keysOf({0, 2, 3, 1, 4}));
    EXPECT_EQ(h.selectedRows(), (std::vector<int>{3}));
}

TEST(DragListCtrl, HoldingTheCursorAboveTheRowsScrollsUpOneRowPerTick) {
    Harness h(40);
    h.list.verticalScrollBar()->setValue(3);
    const int pressed = 5;
    h.select({pressed});
    h.startDrag(pressed);
    ASSERT_EQ(h.list.autoScrollTimerId(), 0);

    // Over the header: no row there is a target, but the list starts scrolling.
    const int headerY = -h.list.horizontalHeader()->height() / 2;
    h.moveTo(QPoint(30, headerY));
    EXPECT_NE(h.list.autoScrollTimerId(), 0);
    h.tick();
    EXPECT_EQ(h.topRow(), 2);
    EXPECT_TRUE(h.rowSelected(4));
    h.tick();
    EXPECT_EQ(h.topRow(), 1);
    EXPECT_TRUE(h.rowSelected(3));
    EXPECT_FALSE(h.rowSelected(4));

    // Back inside, the scrolling stops; above the whole control it starts again.
    h.moveTo(h.at(2));
    EXPECT_EQ(h.list.autoScrollTimerId(), 0);
    h.moveTo(QPoint(30, -h.list.horizontalHeader()->height() - 40));
    for (int i = 0; i < 5; ++i)
        h.tick();
    EXPECT_EQ(h.topRow(), 0);
    EXPECT_TRUE(h.rowSelected(0)) << "the walk stops at the first row";
    EXPECT_FALSE(h.rowSelected(1));

    h.release(QPoint(30, headerY));
    EXPECT_EQ(h.list.autoScrollTimerId(), 0);
    EXPECT_EQ(h.moves, (std::vector<Move>{{15, 6, 1}}));
    EXPECT_EQ(h.model.keys()[1], 15);
}

TEST(DragListCtrl, HoldingTheCursorBelowTheRowsScrollsDownToTheLastRow) {
    Harness h(12);
    h.select({0});
    h.startDrag(0);
    h.moveTo(QPoint(30, h.viewport()->height() + 2));
    ASSERT_NE(h.list.autoScrollTimerId(), 0);
    for (int i = 0; i < 15; ++i)
        h.tick();
    EXPECT_TRUE(h.rowSelected(11));
    EXPECT_EQ(h.topRow(), h.list.verticalScrollBar()->maximum());
    h.release(QPoint(30, h.viewport()->height() + 30));
    EXPECT_EQ(h.moves, (std::vector<Move>{{10, 0, 12}}));
    EXPECT_EQ(h.model.keys().back(), 10);
}

TEST(DragListCtrl, TheAutoScrollTimerRunsByItself) {
    Harness h(30);
    h.select({0});
    h.startDrag(0);
    h.moveTo(QPoint(30, h.viewport()->height() + 2));
    // Row 0 is the target when scrolling starts; the timer walks it on without further events.
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.rowSelected(3); }, 5000));
    h.release(QPoint(30, h.viewport()->height() + 2));
    EXPECT_GE(h.moves.at(0).to, 4);
}

TEST(DragListCtrl, DropsWithoutATargetUseTheInsertionIndexLeftBefore) {
    Harness h(5);
    const QPoint header(30, -h.list.horizontalHeader()->height() / 2);
    // The first drag ever leaves the rows at once for the header: the rows go to the top, and
    // ticks cannot walk to a row above the first.
    h.select({3});
    QTest::mousePress(h.viewport(), Qt::LeftButton, {}, h.at(3));
    h.moveTo(header);
    ASSERT_TRUE(h.list.isDragging());
    h.tick();
    EXPECT_EQ(h.selectedRows(), (std::vector<int>{3}));
    h.release(header);
    EXPECT_EQ(h.model.keys(), keysOf({3, 0, 1, 2, 4}));

    // The next such drop goes after the insertion index the last one ended with.
    h.select({4});
    QTest::mousePress(h.viewport(), Qt::LeftButton, {}, h.at(4));
    h.moveTo(header);
    h.release(header);
    EXPECT_EQ(h.model.keys(), keysOf({3, 0, 4, 1, 2}));
    EXPECT_EQ(h.moves, (std::vector<Move>{{13, 4, 0}, {14, 5, 2}}));
}

TEST(DragListCtrl, AnOwnerThatRefillsTheListInTheCallbackGetsEveryMove) {
    Harness h(5);
    // Like the service list: refill, then select the row above the insertion point.
    h.list.moveCallback = [&](int32_t key, int32_t from, int32_t to) {
        h.moves.push_back({key, from, to});
        h.model.refill();
        if (to > 0)
            h.list.selectionModel()->select(
                h.model.index(to - 1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    h.select({0, 1});
    h.drag(0, 3);
    EXPECT_EQ(h.moves, (std::vector<Move>{{10, 0, 4}, {11, 0, 4}}));
    EXPECT_EQ(h.model.keys(), keysOf({2, 3, 0, 1, 4}));
    EXPECT_EQ(h.selectedRows(), (std::vector<int>{3}));
}

TEST(DragListCtrl, TheDragImageShowsTheSelectedRowsAndFollowsTheCursor) {
    Harness h(5);
    h.select({1, 2});
    EXPECT_EQ(h.list.dragImageWindow(), nullptr);
    h.startDrag(2);
    QWidget* image = h.list.dragImageWindow();
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->isVisible());
    EXPECT_EQ(image->height(), h.list.rowHeight(1) + h.list.rowHeight(2));
    EXPECT_EQ(image->width(), std::min(h.list.horizontalHeader()->length(), h.viewport()->width()));
    // The grabbed point of the rows stays under the cursor.
    const QPoint start = image->pos();
    h.moveTo(h.at(4) + QPoint(25, 0));
    EXPECT_EQ(image->pos() - start,
              h.at(4) + QPoint(25, 0) - h.at(2) - QPoint(QApplication::startDragDistance(), 0));

    const QImage pixels = image->grab().toImage();
    int opaque = 0, clear = 0;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            (qAlpha(pixels.pixel(x, y)) == 0 ? clear : opaque)++;
    EXPECT_GT(opaque, 50) << "the rows' texts";
    EXPECT_GT(clear, opaque) << "around them the background shows through";

    const QString dir = QString::fromLocal8Bit(qgetenv("CORVANE_SHOT_DIR"));
    if (!dir.isEmpty()) {
        h.list.grab().save(dir + QStringLiteral("/drag_list_mid_drag.png"));
        pixels.save(dir + QStringLiteral("/drag_list_image.png"));
    }
    h.release(h.at(4));
    EXPECT_EQ(h.list.dragImageWindow(), nullptr);
}

TEST(DragListCtrl, AReleaseLostOutsideTheListDropsAtTheNextMove) {
    Harness h(5);
    h.select({0});
    h.startDrag(0);
    h.moveTo(h.at(2));
    QMouseEvent buttonless(QEvent::MouseMove, h.at(4), h.viewport()->mapToGlobal(h.at(4)),
                           Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(h.viewport(), &buttonless);
    EXPECT_FALSE(h.list.isDragging());
    EXPECT_EQ(h.moves, (std::vector<Move>{{10, 0, 3}}));
    h.release(h.at(4)); // QTest's own record of the button
    EXPECT_EQ(h.moves.size(), 1u);
}

TEST(DragListCtrl, KeysAreTheLeadingDecimalNumberOfTheText) {
    const struct {
        const char* text;
        int32_t key;
    } cases[] = {
        {"42", 42},
        {" -7 name", -7},
        {"+3", 3},
        {"12 34", 12},
        {"Astra", 0},
        {"", 0},
        {"99999999999", std::numeric_limits<int32_t>::max()},
        {"-99999999999", std::numeric_limits<int32_t>::min()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(leadingDecimal(QString::fromLatin1(c.text)), c.key) << c.text;
}

} // namespace
} // namespace corvane
