#include "ui/drag_list_ctrl.h"

#include "ui/reorderable_rows.h"

#include <gtest/gtest.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <limits>
#include <numeric>
#include <type_traits>
#include <vector>

namespace corvane {
namespace {

// Rows keyed 10, 11, ...; column c > 0 of a row shows key * 10 + c.
class RowsModel : public QAbstractTableModel {
public:
    explicit RowsModel(int rows) : keys(static_cast<std::size_t>(rows)) {
        std::iota(keys.begin(), keys.end(), 10);
    }
    int rowCount(const QModelIndex& = {}) const override { return static_cast<int>(keys.size()); }
    int columnCount(const QModelIndex& = {}) const override { return 3; }
    QVariant data(const QModelIndex& i, int role) const override {
        const int key = keys[static_cast<std::size_t>(i.row())];
        return role == Qt::DisplayRole ? QVariant(i.column() ? key * 10 + i.column() : key)
                                       : QVariant();
    }
    bool moveRows(const QModelIndex& p, int src, int n, const QModelIndex& q, int dst) override {
        if (!beginMoveRows(p, src, src + n - 1, q, dst))
            return false;
        const auto f = keys.begin();
        dst > src ? std::rotate(f + src, f + src + n, f + dst)
                  : std::rotate(f + dst, f + src, f + src + n);
        endMoveRows();
        return true;
    }
    void refill() {
        beginResetModel();
        endResetModel();
    }
    std::vector<int> keys;
};

// The same rows, reordered by a drop in one step.
class ReorderingModel final : public RowsModel, public ReorderableRows {
public:
    using RowsModel::RowsModel;
    bool reorderRows(std::span<const int32_t> order) override {
        ++reorders;
        emit layoutAboutToBeChanged();
        std::vector<int> reordered;
        for (const int32_t row : order)
            reordered.push_back(keys[static_cast<std::size_t>(row)]);
        keys = reordered;
        emit layoutChanged();
        return true;
    }
    bool moveRows(const QModelIndex&, int, int, const QModelIndex&, int) override {
        ADD_FAILURE() << "a row moved on its own";
        return false;
    }
    int reorders = 0;
};

struct Move {
    int32_t key, from, to;
    bool operator==(const Move&) const = default;
};
void PrintTo(const Move& m, std::ostream* os) {
    *os << "(" << m.key << "," << m.from << "," << m.to << ")";
}

// A shown list driven with QTest mouse events on its viewport.
template <class Model = RowsModel> struct Harness {
    explicit Harness(int rows, int height = 140) : model(rows) {
        list.setModel(&model);
        list.resize(260, height);
        list.moveCallback = [this](int32_t k, int32_t f, int32_t t) {
            EXPECT_TRUE(inDrop) << "callbacks come between dropStarted and dropFinished";
            moves.push_back({k, f, t});
        };
        QObject::connect(&list, &DragListCtrl::dropStarted, [this] { inDrop = true; });
        QObject::connect(&list, &DragListCtrl::dropFinished, [this] {
            inDrop = false;
            ++drops;
        });
        QObject::connect(&list, &QAbstractItemView::clicked, [this] { ++clicks; });
        list.show();
    }
    QWidget* vp() { return list.viewport(); }
    QPoint at(int row) { return {30, list.rowViewportPosition(row) + list.rowHeight(row) / 2}; }
    // A quarter of the row from its top or bottom edge: the drop goes before or after the row.
    QPoint upper(int row) { return at(row) - QPoint(0, list.rowHeight(row) / 4); }
    QPoint lower(int row) { return at(row) + QPoint(0, list.rowHeight(row) / 4); }
    QPoint header() { return {30, -list.horizontalHeader()->height() / 2}; }
    void select(std::vector<int> rows) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            QTest::mouseClick(vp(), Qt::LeftButton, i ? Qt::ControlModifier : Qt::NoModifier,
                              at(rows[i]));
    }
    void press(int row) { QTest::mousePress(vp(), Qt::LeftButton, {}, at(row)); }
    // Press on `row` and move sideways just far enough for the drag to start.
    void startDrag(int row) {
        press(row);
        moveTo(at(row) + QPoint(QApplication::startDragDistance(), 0));
    }
    void moveTo(QPoint pos) { QTest::mouseMove(vp(), pos); }
    void release(QPoint pos) { QTest::mouseRelease(vp(), Qt::LeftButton, {}, pos); }
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            QTimerEvent event(list.autoScrollTimerId());
            QApplication::sendEvent(&list, &event);
        }
    }
    std::vector<int> selected() const {
        std::vector<int> rows;
        for (const QModelIndex& index : list.selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool isSelected(int row) const { return list.selectionModel()->isRowSelected(row, {}); }

    Model model;
    DragListCtrl list;
    std::vector<Move> moves;
    int clicks = 0;
    bool inDrop = false;
    int drops = 0;
};

std::vector<int> keys(std::vector<int> rows) {
    for (int& r : rows)
        r += 10;
    return rows;
}

TEST(DragListCtrl, DropsMoveTheRowsAndReportEachMove) {
    const struct {
        std::vector<int> selected; // clicked in order, the first plainly, the rest with Ctrl
        int onto;                  // the lower half; the drag starts on the last selected row
        std::vector<int> order, selectedAfter;
        std::vector<Move> moves;
    } cases[] = {
        {{2}, 0, keys({0, 2, 1, 3, 4}), {1}, {{12, 3, 1}}},
        {{0}, 2, keys({1, 2, 0, 3, 4}), {2}, {{10, 0, 3}}},
        {{2}, 2, keys({0, 1, 2, 3, 4}), {2}, {{12, 2, 3}}},
        {{2}, 1, keys({0, 1, 2, 3, 4}), {}, {{12, 2, 2}}}, // onto the row above: deselected
        {{1}, 4, keys({0, 2, 3, 4, 1}), {4}, {{11, 1, 5}}},
        // Row 1's copy goes in above it and is deleted again; row 3 then goes in at the same index.
        {{1, 3}, 0, keys({0, 3, 1, 2, 4}), {1}, {{11, 1, 1}, {13, 4, 1}}},
        {{0, 1, 2}, 3, keys({3, 0, 1, 2, 4}), {1, 2, 3}, {{10, 0, 4}, {11, 0, 4}, {12, 0, 4}}},
        {{1, 4, 2}, 2, keys({0, 1, 2, 4, 3}), {1, 2, 3}, {{11, 1, 3}, {12, 1, 3}, {14, 5, 3}}},
    };
    const auto dropEach = [&](auto harness) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << "onto " << c.onto << ", first " << c.selected[0]);
            typename decltype(harness)::type h(5);
            h.select(c.selected);
            const int clicks = h.clicks;
            h.startDrag(c.selected.back());
            h.moveTo(h.lower(c.onto));
            h.release(h.lower(c.onto));
            EXPECT_EQ(h.model.keys, c.order);
            EXPECT_EQ(h.selected(), c.selectedAfter);
            EXPECT_EQ(h.moves, c.moves);
            EXPECT_EQ(h.clicks, clicks) << "the release that drops is no click";
            if constexpr (std::is_same_v<decltype(h.model), ReorderingModel>) {
                EXPECT_LE(h.model.reorders, 1);
            }
        }
    };
    dropEach(std::type_identity<Harness<RowsModel>>{});
    dropEach(std::type_identity<Harness<ReorderingModel>>{});
}

TEST(DragListCtrl, PressesAndReleasesWithoutADragMoveNothing) {
    Harness h(5, 240);
    h.select({1, 3});
    h.press(3); // a selected row: the others stay selected for a drag
    EXPECT_EQ(h.selected(), (std::vector<int>{1, 3}));
    h.moveTo(h.at(3) + QPoint(QApplication::startDragDistance() - 1, 0));
    EXPECT_FALSE(h.list.isDragging());
    h.release(h.at(3)); // a plain click after all
    EXPECT_EQ(h.selected(), (std::vector<int>{3}));
    EXPECT_EQ(h.clicks, 3);
    // A press beside the rows keeps the view's own behaviour.
    const QPoint beside(30, h.vp()->height() - 5);
    ASSERT_EQ(h.list.indexAt(beside), QModelIndex());
    QTest::mousePress(h.vp(), Qt::LeftButton, {}, beside);
    h.moveTo(beside + QPoint(40, 0));
    EXPECT_FALSE(h.list.isDragging());
    h.release(beside + QPoint(40, 0));
    EXPECT_TRUE(h.selected().empty());
    EXPECT_TRUE(h.moves.empty());
    EXPECT_EQ(h.model.keys, keys({0, 1, 2, 3, 4}));
}

TEST(DragListCtrl, OnlyTheCursorsHeightPicksTheTargetAndAReleaseOutsideDrops) {
    Harness h(5);
    h.select({1});
    h.startDrag(1);
    h.moveTo(h.lower(3) + QPoint(h.list.width() + 200, 0));
    EXPECT_EQ(h.list.dropPosition(), 4);
    h.moveTo(QPoint(-300, h.upper(0).y()));
    EXPECT_EQ(h.list.dropPosition(), 0);
    EXPECT_FALSE(h.isSelected(0)) << "the target row is not marked as selected";
    h.moveTo(h.lower(3) + QPoint(h.list.width() + 200, 0));
    h.release(h.lower(3) + QPoint(h.list.width() + 200, 0));
    EXPECT_EQ(h.moves, (std::vector<Move>{{11, 1, 4}}));
    EXPECT_EQ(h.selected(), (std::vector<int>{3}));
    EXPECT_EQ(h.list.dropPosition(), -1);
}

TEST(DragListCtrl, TheCursorAboveOrBelowTheRowsScrollsOneRowPerTick) {
    Harness h(40);
    h.list.verticalScrollBar()->setValue(3);
    h.select({5});
    h.startDrag(5);
    EXPECT_EQ(h.list.autoScrollTimerId(), 0);
    h.moveTo(h.header());
    ASSERT_NE(h.list.autoScrollTimerId(), 0);
    EXPECT_EQ(h.list.dropPosition(), 3) << "before the first row shown";
    h.tick();
    EXPECT_EQ(h.list.verticalScrollBar()->value(), 2);
    EXPECT_EQ(h.list.dropPosition(), 2);
    h.moveTo(h.at(3)); // back inside: no more scrolling
    EXPECT_EQ(h.list.autoScrollTimerId(), 0);
    h.moveTo(QPoint(30, -h.list.horizontalHeader()->height() - 40)); // above the control
    h.tick(5);
    EXPECT_EQ(h.list.verticalScrollBar()->value(), 0);
    EXPECT_EQ(h.list.dropPosition(), 0) << "the walk stops before the first row";
    h.release(h.header());
    EXPECT_EQ(h.list.autoScrollTimerId(), 0);
    EXPECT_EQ(h.moves, (std::vector<Move>{{15, 6, 0}}));
    EXPECT_EQ(h.model.keys[0], 15);

    h.select({2});
    h.startDrag(2);
    h.moveTo(QPoint(30, h.vp()->height() + 2));
    h.tick(45);
    EXPECT_EQ(h.list.dropPosition(), 40);
    EXPECT_EQ(h.list.verticalScrollBar()->value(), h.list.verticalScrollBar()->maximum());
    h.release(QPoint(30, h.vp()->height() + 30));
    EXPECT_EQ(h.moves.back(), (Move{h.model.keys[39], 2, 40}));
}

TEST(DragListCtrl, TheAutoScrollTimerRunsByItself) {
    Harness h(30);
    h.select({0});
    h.startDrag(0);
    h.moveTo(QPoint(30, h.vp()->height() + 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.list.dropPosition() >= 4; }, 5000));
    h.release(QPoint(30, h.vp()->height() + 2));
}

// Where the line is, the rows go: the upper half of a row puts them before it, the lower half
// after it, the header or anywhere above the rows before the first row.
TEST(DragListCtrl, DropsGoWhereTheDropLineIs) {
    const struct {
        int row;
        QPoint (Harness<>::*where)(int);
        int over; // the row under the cursor
        std::vector<int> order;
        Move move;
    } cases[] = {
        {3, &Harness<>::upper, 0, keys({3, 0, 1, 2, 4}), {13, 4, 0}},
        {0, &Harness<>::upper, 0, keys({0, 1, 2, 3, 4}), {10, 0, 0}},
        {3, &Harness<>::upper, 1, keys({0, 3, 1, 2, 4}), {13, 4, 1}},
        {3, &Harness<>::lower, 1, keys({0, 1, 3, 2, 4}), {13, 4, 2}}, // upwards, below row 1
        {1, &Harness<>::upper, 3, keys({0, 2, 1, 3, 4}), {11, 1, 3}},
        {1, &Harness<>::lower, 3, keys({0, 2, 3, 1, 4}), {11, 1, 4}},
        {1, &Harness<>::lower, 4, keys({0, 2, 3, 4, 1}), {11, 1, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << c.row << " over " << c.over);
        Harness h(5);
        h.select({c.row});
        h.startDrag(c.row);
        h.moveTo((h.*c.where)(c.over));
        EXPECT_EQ(h.list.dropPosition(), c.where == &Harness<>::upper ? c.over : c.over + 1);
        h.release((h.*c.where)(c.over));
        EXPECT_EQ(h.model.keys, c.order);
        EXPECT_EQ(h.moves, std::vector<Move>{c.move});
    }
    Harness h(5, 240);
    h.select({4});
    h.startDrag(4);
    h.moveTo(h.header());
    EXPECT_EQ(h.list.dropPosition(), 0);
    h.moveTo(QPoint(30, h.vp()->height() - 5)); // below the last row, inside the list
    EXPECT_EQ(h.list.dropPosition(), 5);
    h.moveTo(h.header());
    h.release(h.header());
    EXPECT_EQ(h.model.keys, keys({4, 0, 1, 2, 3}));
}

// The line lies on the grid between two rows, leaving both rows' texts as they were.
TEST(DragListCtrl, TheDropLineLiesBetweenRows) {
    Harness h(5);
    h.select({0});
    const QImage before = h.vp()->grab().toImage();
    h.startDrag(0);
    h.moveTo(h.upper(3));
    const QImage during = h.vp()->grab().toImage();
    const qreal ratio = during.devicePixelRatio();
    const int boundary = h.list.rowViewportPosition(3);
    int changedRows = 0;
    for (int y = 0; y < h.vp()->height(); ++y) {
        bool changed = false;
        for (int x = 0; x < h.vp()->width() && !changed; x += 2)
            changed = before.pixel(int(x * ratio), int(y * ratio)) !=
                      during.pixel(int(x * ratio), int(y * ratio));
        if (changed) {
            ++changedRows;
            EXPECT_LE(std::abs(y - boundary), 3) << "changed at " << y;
        }
    }
    EXPECT_GT(changedRows, 0);
    if (const QByteArray dir = qgetenv("CORVANE_SHOT_DIR"); !dir.isEmpty())
        h.list.grab().save(QString::fromLocal8Bit(dir) +
                           QStringLiteral("/drag_list_drop_line.png"));
    h.release(h.upper(3));
}

TEST(DragListCtrl, AnOwnerMayRefillTheListInTheCallback) {
    const auto refillEach = [](auto harness) {
        typename decltype(harness)::type h(5);
        // Like the service list: refill, then select the row above the insertion point.
        h.list.moveCallback = [&](int32_t key, int32_t from, int32_t to) {
            h.moves.push_back({key, from, to});
            h.model.refill();
            h.list.selectionModel()->select(
                h.model.index(to - 1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        };
        h.select({0, 1});
        h.startDrag(1);
        h.moveTo(h.lower(3));
        h.release(h.lower(3));
        EXPECT_EQ(h.moves, (std::vector<Move>{{10, 0, 4}, {11, 0, 4}}));
        EXPECT_EQ(h.model.keys, keys({2, 3, 0, 1, 4}));
        EXPECT_EQ(h.selected(), (std::vector<int>{3}));
    };
    refillEach(std::type_identity<Harness<RowsModel>>{});
    refillEach(std::type_identity<Harness<ReorderingModel>>{});
}

TEST(DragListCtrl, TheDragImageShowsTheSelectedRowsAndFollowsTheCursor) {
    Harness h(5);
    h.select({1, 2});
    h.startDrag(2);
    QWidget* image = h.list.dragImageWindow();
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->isVisible());
    EXPECT_EQ(image->size(), QSize(std::min(h.list.horizontalHeader()->length(), h.vp()->width()),
                                   h.list.rowHeight(1) + h.list.rowHeight(2)));
    const QPoint start = image->pos();
    h.moveTo(h.at(4) + QPoint(25, 0));
    EXPECT_EQ(image->pos() - start,
              h.at(4) + QPoint(25 - QApplication::startDragDistance(), 0) - h.at(2));
    const QImage pixels = image->grab().toImage();
    int opaque = 0;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            opaque += qAlpha(pixels.pixel(x, y)) != 0;
    EXPECT_GT(opaque, 50) << "the rows' texts";
    EXPECT_LT(opaque, pixels.width() * pixels.height() / 2) << "the background shows through";
    if (const QByteArray dir = qgetenv("CORVANE_SHOT_DIR"); !dir.isEmpty()) {
        h.list.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/drag_list_mid_drag.png"));
        pixels.save(QString::fromLocal8Bit(dir) + QStringLiteral("/drag_list_image.png"));
    }
    h.release(h.at(4));
    EXPECT_EQ(h.list.dragImageWindow(), nullptr);
}

TEST(DragListCtrl, AReleaseTheListNeverSawDropsAtTheNextMove) {
    Harness h(5);
    h.select({0});
    h.startDrag(0);
    h.moveTo(h.lower(2));
    QMouseEvent move(QEvent::MouseMove, h.at(4), h.vp()->mapToGlobal(h.at(4)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(h.vp(), &move);
    EXPECT_FALSE(h.list.isDragging());
    h.release(h.at(4)); // QTest's own record of the button
    EXPECT_EQ(h.moves, (std::vector<Move>{{10, 0, 3}}));
}

TEST(DragListCtrl, KeysAreTheLeadingDecimalNumberOfTheText) {
    EXPECT_EQ(leadingDecimal(QStringLiteral(" -7 name")), -7);
    EXPECT_EQ(leadingDecimal(QStringLiteral("+3")), 3);
    EXPECT_EQ(leadingDecimal(QStringLiteral("12 34")), 12);
    EXPECT_EQ(leadingDecimal(QStringLiteral("Astra")), 0);
    EXPECT_EQ(leadingDecimal(QStringLiteral("99999999999")), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(leadingDecimal(QStringLiteral("-99999999999")), std::numeric_limits<int32_t>::min());
}

} // namespace
} // namespace corvane
