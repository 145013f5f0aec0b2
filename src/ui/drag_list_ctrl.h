#pragma once
// DragListCtrl: the report-style list view all four lists of the main window use. It shows a
// model's rows with grid lines and full-row, multi-row selection, and lets the user drag the
// selected rows to a new place in the same list; after each moved row it calls `moveCallback(key,
// from, to)` so that the owner can apply the same move to its data.

#include <QTableView>

#include <cstdint>
#include <functional>

namespace corvane {

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

private:
    bool selectionHiddenWithoutFocus_ = false;
};

} // namespace corvane
