#pragma once
// A model that can take a whole new row order in one step. DragListCtrl moves a drop's rows
// through it at once instead of one row at a time, which for tens of thousands of rows is the
// difference between a blink and many seconds: every single-row move makes the view and the
// selection model rework their state.

#include <cstdint>
#include <span>

namespace corvane {

class ReorderableRows {
public:
    virtual ~ReorderableRows() = default;
    // `order[i]` is the row that stands at i afterwards; it must be a permutation of the rows.
    // Returns false, changing nothing, when it is not one.
    virtual bool reorderRows(std::span<const int32_t> order) = 0;
};

} // namespace corvane
