#pragma once
// DragListCtrl: the report-style list view all four lists of the main window use. It shows a
// model's rows with grid lines and full-row, multi-row selection, and lets the user drag the
// selected rows to a new place in the same list; after each moved row it calls `moveCallback(key,
// from, to)` so that the owner can apply the same move to its data. While dragging, a line between
// two rows shows where the rows go: before the row under the cursor's upper half, after it for the
// lower half, before the first row shown when the cursor is above the rows.
//
// The model must implement ReorderableRows (the whole drop is then applied to it in one step
// before the first callback) or QAbstractItemModel::moveRows for single rows (each row is moved
// right before its callback). The callbacks get the same values in the same order either way.
// The owner may reset or refill the model inside `moveCallback` as long as the rows then stand in
// the same order; a refill leaves the refilled rows unselected, and whatever the callback selects
// stays selected. While the callback runs, the list's selection model holds only what the
// callback selected. dropStarted() and dropFinished() bracket the callbacks of one drop, so that
// an owner can collect the moves and apply them to its data at once.

#include <QBasicTimer>
#include <QPoint>
#include <QString>
#include <QTableView>

#include <cstdint>
#include <functional>
#include <vector>

namespace corvane {

class ReorderableRows;

// The number `text` begins with, as the rows' key columns are read back: leading white space and
// a sign are allowed; 0 when there is no digit; saturated at the limits of int32_t.
int32_t leadingDecimal(const QString& text);

class DragListCtrl : public QTableView {
    Q_OBJECT

public:
    // key: the row's column-0 text read as a leading decimal number; to: the index the row's copy
    // was inserted at; from: the index of the source row when it was deleted.
    using MoveCallback = std::function<void(int32_t key, int32_t from, int32_t to)>;

    explicit DragListCtrl(QWidget* parent = nullptr);
    ~DragListCtrl() override;

    // The owner's move handler; may be empty.
    MoveCallback moveCallback;

    // When set, selected rows look unselected while the list does not have the focus.
    void setSelectionHiddenWithoutFocus(bool hidden);
    bool selectionHiddenWithoutFocus() const { return selectionHiddenWithoutFocus_; }

    // True from the mouse move that starts a drag until the release that drops the rows.
    bool isDragging() const { return dragImage_ != nullptr; }
    // The frameless window that carries the image of the dragged rows; null unless dragging.
    QWidget* dragImageWindow() const;
    // The id of the auto-scroll timer, 0 while the list does not scroll by itself.
    int autoScrollTimerId() const { return autoScrollTimer_.timerId(); }
    // Where a drop now puts the rows: the index the first one is inserted at, from 0 to the number
    // of rows; -1 while no drop line is shown.
    int32_t dropPosition() const { return isDragging() ? dropIndex_ : -1; }
    // The indexes of the selected rows that are shown, ascending.
    std::vector<int32_t> selectedRowIndexes() const;
    // The order the last drop gave the model in one step (entry i: the row that went to i), so
    // that an owner can put its data in the same order at once; empty when that drop moved its
    // rows one at a time or not at all.
    const std::vector<int32_t>& lastDropOrder() const { return lastDropOrder_; }

    // Moves the selected rows as a drag that ends with the drop line at `position` (0 to the
    // number of rows) does, callbacks and signals included, and shows the first moved row.
    void dropSelectionAt(int32_t position);
    // While off, pressing and moving the mouse selects rows instead of dragging them.
    void setDragAllowed(bool allowed) { dragAllowed_ = allowed; }
    bool dragAllowed() const { return dragAllowed_; }
    // Room kept free above the header and below the rows for bars the owner lays over the list.
    void setBarSpace(int top, int bottom);
    // Where those bars go, in the list's coordinates.
    QRect topBarArea() const;
    QRect bottomBarArea() const;

signals:
    // Before the first row of a drop moves, and after the last callback and the final selection.
    void dropStarted();
    void dropFinished();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;

private:
    enum class ScrollDirection { None, Up, Down };

    void beginDrag(QPoint pressPos);
    void dragMove(QPoint viewportPos, QPoint globalPos);
    void finishDrag();
    void drop();
    // The two ways of moving the rows; both call moveCallback once per row of `selection_`.
    // `afterCallback` returns false when the drop must stop (the model was replaced).
    template <class AfterCallback>
    void dropRowByRow(std::vector<char>& states, bool& movingRow, AfterCallback afterCallback);
    template <class AfterCallback>
    void dropAtOnce(ReorderableRows& model, std::vector<char>& states, bool& movingRow,
                    AfterCallback afterCallback);
    // Out-of-range positions are ignored.
    void showDropLine(int32_t position);
    int dropLineY() const;
    void startAutoScroll(ScrollDirection direction);
    void stopAutoScroll();
    bool rowsAreaAt(QPoint globalPos) const;
    QPixmap renderSelectedRows(QRect& area) const;
    int32_t rowKey(int32_t row) const;

    // Rows being dragged, ascending by their place when the drag began.
    std::vector<int32_t> selection_;
    std::vector<int32_t> lastDropOrder_;
    // While dragging, where the drop line is (-1 before it is first shown); while dropping, where
    // the next row goes.
    int32_t dropIndex_ = -1;
    QWidget* dragImage_ = nullptr; // owned through the widget tree
    QPoint hotSpot_;
    ScrollDirection scrollDirection_ = ScrollDirection::None;
    QBasicTimer autoScrollTimer_;
    // A left press on a row that may still turn into a drag.
    bool pressPending_ = false;
    QPoint pressPos_;
    bool trackedBeforeDrag_ = false;
    bool selectionHiddenWithoutFocus_ = false;
    bool dragAllowed_ = true;
    int topBar_ = 0, bottomBar_ = 0;
    bool placingBars_ = false;
};

} // namespace corvane
