#include "ui/drag_list_ctrl.h"

#include <QHeaderView>
#include <QPalette>

namespace corvane {

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

DragListCtrl::~DragListCtrl() = default;

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
