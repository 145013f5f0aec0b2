#include "ui/drag_list_ctrl.h"

#include "ui/reorderable_rows.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTimerEvent>

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace corvane {

namespace {

constexpr int kAutoScrollIntervalMs = 100;
// Only the cursor's height picks the drop target: rows are probed this far inside the list.
constexpr int kProbeInset = 8;
constexpr int kDropLineWidth = 2;

// The image of the dragged rows, shown over everything near the cursor. It never takes the mouse
// or the focus, so the list keeps receiving the drag's events.
class DragImageWindow final : public QWidget {
public:
    DragImageWindow(QWidget* owner, QPixmap image)
        : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                             Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
          image_(std::move(image)) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setObjectName(QStringLiteral("dragImage"));
        resize(image_.deviceIndependentSize().toSize());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(0, 0, image_);
    }

private:
    QPixmap image_;
};

} // namespace

int32_t leadingDecimal(const QString& text) {
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(limit, value * 10 + (text[i].unicode() - u'0'));
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(std::min(value, limit - 1));
}

DragListCtrl::~DragListCtrl() {
    autoScrollTimer_.stop();
}

QWidget* DragListCtrl::dragImageWindow() const {
    return dragImage_;
}

void DragListCtrl::mousePressEvent(QMouseEvent* event) {
    if (isDragging()) {
        // Another button while the left one drags: the drag goes on undisturbed.
        event->accept();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const bool onRow = event->button() == Qt::LeftButton && indexAt(pos).isValid();
    // The view's own press selects as usual and leaves a selected row's multi-row selection alone
    // until the release, so that the selection can be dragged.
    QTableView::mousePressEvent(event);
    pressPending_ = onRow;
    pressPos_ = pos;
}

void DragListCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (isDragging()) {
        if (!(event->buttons() & Qt::LeftButton)) {
            // The release went elsewhere (the grab was broken): it dropped there.
            finishDrag();
        } else {
            dragMove(pos, event->globalPosition().toPoint());
        }
        event->accept();
        return;
    }
    stopAutoScroll();
    if (pressPending_ && dragAllowed_ && (event->buttons() & Qt::LeftButton)) {
        // Until the drag starts the view must not see the move, or it would drag-select rows.
        if ((pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
            pressPending_ = false;
            beginDrag(pressPos_);
            if (isDragging())
                dragMove(pos, event->globalPosition().toPoint());
        }
        event->accept();
        return;
    }
    pressPending_ = false;
    QTableView::mouseMoveEvent(event);
}

void DragListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (isDragging()) {
        // The view never sees this release, so it emits no click for it.
        if (event->button() == Qt::LeftButton)
            finishDrag();
        event->accept();
        return;
    }
    pressPending_ = false;
    QTableView::mouseReleaseEvent(event);
}

void DragListCtrl::timerEvent(QTimerEvent* event) {
    if (event->timerId() != autoScrollTimer_.timerId() || !isDragging()) {
        QTableView::timerEvent(event);
        return;
    }
    int32_t target = -1;
    auto action = QAbstractSlider::SliderSingleStepSub;
    if (scrollDirection_ == ScrollDirection::Up) {
        target = dropIndex_ - 1;
    } else if (scrollDirection_ == ScrollDirection::Down) {
        target = dropIndex_ + 1;
        action = QAbstractSlider::SliderSingleStepAdd;
    }
    verticalScrollBar()->triggerAction(action);
    showDropLine(target);
}

void DragListCtrl::beginDrag(QPoint pressPos) {
    dropIndex_ = -1;
    selection_ = selectedRowIndexes();
    if (selection_.empty())
        return;
    QRect area;
    QPixmap image = renderSelectedRows(area);
    hotSpot_ = pressPos - area.topLeft();
    dragImage_ = new DragImageWindow(this, std::move(image));
    dragImage_->move(viewport()->mapToGlobal(pressPos) - hotSpot_);
    if (!area.isEmpty())
        dragImage_->show();
    // Moves without a button then reach the list too, so that a release it never saw ends the drag.
    trackedBeforeDrag_ = viewport()->hasMouseTracking();
    viewport()->setMouseTracking(true);
}

void DragListCtrl::dragMove(QPoint viewportPos, QPoint globalPos) {
    dragImage_->move(globalPos - hotSpot_);
    const int y = viewportPos.y();
    if (y < 0) {
        // Above the rows: before the first one shown, and walking up while the list scrolls.
        showDropLine(std::max(0, rowAt(0)));
        startAutoScroll(ScrollDirection::Up);
        return;
    }
    if (y >= viewport()->height()) {
        const int last = rowAt(viewport()->height() - 1);
        showDropLine(last < 0 ? model()->rowCount() : last + 1);
        startAutoScroll(ScrollDirection::Down);
        return;
    }
    stopAutoScroll();
    const QPoint probe(mapToGlobal(QPoint(0, 0)).x() + kProbeInset, globalPos.y());
    if (!rowsAreaAt(probe))
        return;
    const int row = rowAt(y);
    if (row < 0)
        showDropLine(model()->rowCount()); // below the last row
    else
        showDropLine(y < rowViewportPosition(row) + rowHeight(row) / 2 ? row : row + 1);
}

void DragListCtrl::dropSelectionAt(int32_t position) {
    if (isDragging() || !model() || position < 0 || position > model()->rowCount())
        return;
    selection_ = selectedRowIndexes();
    if (selection_.empty())
        return;
    dropIndex_ = position;
    const auto before = std::lower_bound(selection_.begin(), selection_.end(), position);
    const auto first = static_cast<int32_t>(position - (before - selection_.begin()));
    const auto count = static_cast<int32_t>(selection_.size());
    drop();
    dropIndex_ = -1;
    // A drop keeps only the last row selected once the owner refills; keys move the block and
    // keep it selected, where the rows now stand.
    QAbstractItemModel* const m = model();
    if (!m || first + count > m->rowCount())
        return;
    const QModelIndex top = m->index(first, 0);
    selectionModel()->select(QItemSelection(top, m->index(first + count - 1, 0)),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selectionModel()->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
    scrollTo(m->index(first + count - 1, 0));
    scrollTo(top);
}

void DragListCtrl::setBarSpace(int top, int bottom) {
    topBar_ = top;
    bottomBar_ = bottom;
    updateGeometries();
}

void DragListCtrl::updateGeometries() {
    // Setting the margins below resizes the rows area, which lays the view out again: the outer
    // call finishes that.
    if (placingBars_)
        return;
    placingBars_ = true;
    QTableView::updateGeometries();
    if (topBar_ != 0 || bottomBar_ != 0) {
        // The table lays out its header in the margin it sets; the bars' room goes on top of
        // that. The rows that fit are counted in what is left before the margins change, so that
        // the layout they set off shows the vertical scroll bar when it is needed.
        const QMargins m = viewportMargins();
        if (verticalScrollMode() == ScrollPerItem) {
            QHeaderView* side = verticalHeader();
            int fit = 0;
            for (int h = viewport()->height() - topBar_ - bottomBar_, row = side->count() - 1;
                 row >= 0; --row) {
                const int logical = side->logicalIndex(row);
                if (side->isSectionHidden(logical))
                    continue;
                h -= side->sectionSize(logical);
                if (h < 0)
                    break;
                ++fit;
            }
            verticalScrollBar()->setPageStep(fit);
            verticalScrollBar()->setRange(0, side->count() - fit);
        }
        setViewportMargins(m.left(), m.top() + topBar_, m.right(), m.bottom() + bottomBar_);
        const QRect rows = viewport()->geometry();
        QHeaderView* header = horizontalHeader();
        if (!header->isHidden())
            header->setGeometry(rows.left(), rows.top() - m.top(), rows.width(), m.top());
    }
    placingBars_ = false;
}

QRect DragListCtrl::topBarArea() const {
    const QRect rows = viewport()->geometry();
    const int headerHeight = horizontalHeader()->isHidden() ? 0 : horizontalHeader()->height();
    return {rows.left(), rows.top() - headerHeight - topBar_, rows.width(), topBar_};
}

QRect DragListCtrl::bottomBarArea() const {
    const QRect rows = viewport()->geometry();
    return {rows.left(), rows.bottom() + 1, rows.width(), bottomBar_};
}

void DragListCtrl::finishDrag() {
    stopAutoScroll();
    viewport()->setMouseTracking(trackedBeforeDrag_);
    delete dragImage_;
    dragImage_ = nullptr;
    viewport()->update(); // the drop line goes
    drop();
}

// The rows area of this list is what lies at the point, not the header, a scroll bar or some
// other widget over the list.
bool DragListCtrl::rowsAreaAt(QPoint globalPos) const {
    QWidget* top = window();
    return top->childAt(top->mapFromGlobal(globalPos)) == viewport();
}

void DragListCtrl::showDropLine(int32_t position) {
    const QAbstractItemModel* m = model();
    if (!m || position < 0 || position > m->rowCount() || position == dropIndex_)
        return;
    dropIndex_ = position;
    viewport()->update();
}

int DragListCtrl::dropLineY() const {
    const int rows = model() ? model()->rowCount() : 0;
    if (dropIndex_ < rows)
        return rowViewportPosition(dropIndex_);
    return rows > 0 ? rowViewportPosition(rows - 1) + rowHeight(rows - 1) : 0;
}

void DragListCtrl::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!isDragging() || dropIndex_ < 0)
        return;
    // On the grid line between two rows, so that neither row's text is covered.
    QPainter painter(viewport());
    const int y = dropLineY();
    const QColor colour = palette().color(QPalette::Active, QPalette::Highlight);
    painter.fillRect(QRect(0, y - kDropLineWidth / 2, viewport()->width(), kDropLineWidth), colour);
    // Short ticks at the ends tell the line from a selected row's border.
    for (const int x : {0, viewport()->width() - kDropLineWidth})
        painter.fillRect(QRect(x, y - 3, kDropLineWidth, 6), colour);
}

void DragListCtrl::startAutoScroll(ScrollDirection direction) {
    if (!autoScrollTimer_.isActive())
        autoScrollTimer_.start(kAutoScrollIntervalMs, this);
    scrollDirection_ = direction;
}

void DragListCtrl::stopAutoScroll() {
    if (autoScrollTimer_.isActive()) {
        autoScrollTimer_.stop();
        scrollDirection_ = ScrollDirection::None;
    }
}

// The selected rows as the view paints them, without selection colours or background, cut to
// the visible part of the list: a selection of tens of thousands of rows would otherwise ask for
// an image of gigabytes. `area` receives the image's place in viewport coordinates.
QPixmap DragListCtrl::renderSelectedRows(QRect& area) const {
    area = QRect();
    const QAbstractItemModel* m = model();
    const int rows = m->rowCount();
    const int first = std::max(0, rowAt(0));
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = rows - 1;
    const QRect visible = viewport()->rect();
    std::vector<int32_t> shown;
    for (auto it = std::lower_bound(selection_.begin(), selection_.end(), first);
         it != selection_.end() && *it <= last; ++it) {
        shown.push_back(*it);
        area |= QRect(-horizontalOffset(), rowViewportPosition(*it), horizontalHeader()->length(),
                      rowHeight(*it));
    }
    area &= visible;
    if (area.isEmpty())
        return {};

    const qreal ratio = devicePixelRatioF();
    QPixmap image(area.size() * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.state = QStyle::State_Enabled | QStyle::State_Active;
    const int columns = m->columnCount();
    for (const int32_t row : shown) {
        for (int column = 0; column < columns; ++column) {
            if (isColumnHidden(column))
                continue;
            const QModelIndex index = m->index(row, column);
            option.rect = visualRect(index);
            if (!option.rect.intersects(area))
                continue;
            itemDelegateForIndex(index)->paint(&painter, option, index);
        }
    }
    return image;
}

std::vector<int32_t> DragListCtrl::selectedRowIndexes() const {
    std::vector<int32_t> rows;
    if (!selectionModel())
        return rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (range.parent().isValid() || range.left() > 0)
            continue;
        // A hidden row is not one the user sees selected, so no command works on it.
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (!isRowHidden(row))
                rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int32_t DragListCtrl::rowKey(int32_t row) const {
    return leadingDecimal(model()->index(row, 0).data(Qt::DisplayRole).toString());
}

void DragListCtrl::drop() {
    QAbstractItemModel* const m = model();
    QItemSelectionModel* const selected = selectionModel();
    if (!m || !selected)
        return;
    int32_t rows = m->rowCount();
    // No drop line was shown: the rows stay where they are.
    if (dropIndex_ < 0)
        return;
    dropIndex_ = std::min(dropIndex_, rows);

    // Qt's selection model re-records every selected cell on each row move, which would make a
    // drop of many selected rows quadratic. The states are kept here while the rows move and
    // handed back to the selection model once at the end.
    std::vector<char> states(static_cast<std::size_t>(rows), 0);
    for (const int32_t row : selectedRowIndexes())
        states[static_cast<std::size_t>(row)] = 1;
    selected->clearSelection();
    lastDropOrder_.clear();
    emit dropStarted();

    // The owner may refill the model from the callback: the refilled rows are new rows and
    // unselected. The model's own signals during a move are no such refill.
    bool movingRow = false;
    bool refilled = false;
    const auto noteRefill = [&] {
        if (!movingRow)
            refilled = true;
    };
    const std::array<QMetaObject::Connection, 4> watches = {
        connect(m, &QAbstractItemModel::modelReset, this, noteRefill),
        connect(m, &QAbstractItemModel::rowsInserted, this, noteRefill),
        connect(m, &QAbstractItemModel::rowsRemoved, this, noteRefill),
        connect(m, &QAbstractItemModel::layoutChanged, this, noteRefill),
    };
    const auto afterCallback = [&] {
        if (model() != m)
            return false;
        if (refilled) {
            rows = m->rowCount();
            states.assign(static_cast<std::size_t>(rows), 0);
            refilled = false;
        }
        if (selected->hasSelection()) {
            for (const int32_t row : selectedRowIndexes())
                states[static_cast<std::size_t>(row)] = 1;
            selected->clearSelection();
        }
        return true;
    };
    if (auto* reorderable = dynamic_cast<ReorderableRows*>(m))
        dropAtOnce(*reorderable, states, movingRow, afterCallback);
    else
        dropRowByRow(states, movingRow, afterCallback);
    for (const QMetaObject::Connection& watch : watches)
        disconnect(watch);

    if (model() == m && m->columnCount() > 0) {
        QItemSelection result;
        for (int32_t row = 0; row < rows; ++row) {
            if (!states[static_cast<std::size_t>(row)])
                continue;
            int32_t end = row;
            while (end + 1 < rows && states[static_cast<std::size_t>(end + 1)])
                ++end;
            result.select(m->index(row, 0), m->index(end, 0));
            row = end;
        }
        selected->select(result, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    emit dropFinished();
}

template <class AfterCallback>
void DragListCtrl::dropRowByRow(std::vector<char>& states, bool& movingRow,
                                AfterCallback afterCallback) {
    QAbstractItemModel* const m = model();
    const auto rows = [&] { return static_cast<int32_t>(states.size()); };
    // Each row moved down past the insertion index lifts every later entry below that index by
    // one. Those entries form a prefix of the ascending selection, and the insertion index stays
    // put while it is worked through, so one running count replaces adjusting each entry.
    const int32_t lowerBlockEnd = dropIndex_;
    int32_t lifted = 0;
    for (int32_t& entry : selection_) {
        int32_t src = entry < lowerBlockEnd ? entry - lifted : entry;
        if (src < 0 || src >= rows())
            continue;
        const int32_t key = rowKey(src);
        const int32_t to = dropIndex_;
        if (src == to) {
            // The copy would go in right above the row and be deleted again: the row stays where
            // it is, but unselected.
            states[static_cast<std::size_t>(src)] = 0;
        } else {
            movingRow = true;
            const int32_t destination = std::min(to, rows());
            const bool moved = m->moveRow(QModelIndex(), src, QModelIndex(), destination);
            movingRow = false;
            const auto first = states.begin();
            if (moved && destination > src)
                std::rotate(first + src, first + src + 1, first + destination);
            else if (moved)
                std::rotate(first + destination, first + src, first + src + 1);
        }
        const int32_t from = src > to ? src + 1 : src;
        if (src < to)
            ++lifted;
        else if (src > to)
            ++dropIndex_;
        entry = from;

        if (moveCallback)
            moveCallback(key, from, to);
        if (!afterCallback())
            return;
    }
}

// The same drop worked out before anything moves. The rows above the insertion index go in
// right above it, in order; then the rows from it downwards go in below them, in order, except
// that the first of those stays where it is when it stands at the insertion index itself. No
// moved row shifts a row that is still to move, so every row is read at its place before the drop.
template <class AfterCallback>
void DragListCtrl::dropAtOnce(ReorderableRows& reorderable, std::vector<char>& states,
                              bool& movingRow, AfterCallback afterCallback) {
    struct Move {
        int32_t key, from, to;
    };
    const auto rows = static_cast<int32_t>(states.size());
    const int32_t insertAt = dropIndex_;
    std::vector<Move> moves;
    moves.reserve(selection_.size());
    std::vector<char> moving(states.size(), 0);
    std::vector<int32_t> above;
    std::vector<int32_t> below;
    int32_t lifted = 0;
    for (int32_t& entry : selection_) {
        if (entry < 0 || entry >= rows)
            continue;
        const int32_t key = rowKey(entry);
        const int32_t to = dropIndex_;
        int32_t from = entry;
        if (entry < insertAt) {
            from = entry - lifted++;
            above.push_back(entry);
            moving[static_cast<std::size_t>(entry)] = 1;
        } else if (entry == to) {
            states[static_cast<std::size_t>(entry)] = 0;
        } else {
            from = entry + 1;
            below.push_back(entry);
            moving[static_cast<std::size_t>(entry)] = 1;
            ++dropIndex_;
        }
        moves.push_back({key, from, to});
        entry = from;
    }

    if (!above.empty() || !below.empty()) {
        std::vector<int32_t> order;
        order.reserve(states.size());
        for (int32_t row = 0; row < insertAt; ++row)
            if (!moving[static_cast<std::size_t>(row)])
                order.push_back(row);
        order.insert(order.end(), above.begin(), above.end());
        order.insert(order.end(), below.begin(), below.end());
        for (int32_t row = insertAt; row < rows; ++row)
            if (!moving[static_cast<std::size_t>(row)])
                order.push_back(row);
        movingRow = true;
        const bool moved = reorderable.reorderRows(order);
        movingRow = false;
        if (moved) {
            std::vector<char> movedStates(states.size());
            for (std::size_t i = 0; i < order.size(); ++i)
                movedStates[i] = states[static_cast<std::size_t>(order[i])];
            states = std::move(movedStates);
            lastDropOrder_ = std::move(order);
        }
    }
    for (const Move& move : moves) {
        if (moveCallback)
            moveCallback(move.key, move.from, move.to);
        if (!afterCallback())
            return;
    }
}

DragListCtrl::DragListCtrl(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows are moved by this control's own mouse handling; Qt's drag and drop has other rules.
    setDragEnabled(false);
    setAcceptDrops(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void DragListCtrl::setSelectionHiddenWithoutFocus(bool hidden) {
    selectionHiddenWithoutFocus_ = hidden;
    QPalette p = palette();
    const QPalette defaults = QPalette();
    if (hidden) {
        p.setColor(QPalette::Inactive, QPalette::Highlight,
                   p.color(QPalette::Inactive, QPalette::Base));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Inactive, QPalette::Text));
    } else {
        p.setColor(QPalette::Inactive, QPalette::Highlight,
                   defaults.color(QPalette::Inactive, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   defaults.color(QPalette::Inactive, QPalette::HighlightedText));
    }
    setPalette(p);
}

} // namespace corvane
