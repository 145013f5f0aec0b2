#pragma once
// Places widgets at the rectangles of a dialog template, given in dialog units of the parent
// widget's font, so the arrangement holds at any font size and scale. The template's size is the
// smallest size; room beyond it is shared out by each widget's growth.

#include "ui/dialog_units.h"

#include <QLayout>
#include <QList>
#include <QRect>

namespace corvane {

class TemplateLayout final : public QLayout {
public:
    // Fractions of the extra width added to a widget's left edge and to its width, and of the
    // extra height added to its top edge and to its height.
    struct Growth {
        double left = 0;
        double width = 0;
        double top = 0;
        double height = 0;
        // Keep the right edge and widen to the left when the widget's text needs more room than
        // the template gives it (a right-aligned check box at a larger font).
        bool widenLeftToFit = false;
    };

    TemplateLayout(QWidget* parent, QSize templateUnits);
    ~TemplateLayout() override;

    void addWidget(QWidget* widget, const QRect& units, Growth growth);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return static_cast<int>(entries_.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry {
        QLayoutItem* item;
        QRect units;
        Growth growth;
    };

    DialogUnits dialogUnits() const;

    QSize templateUnits_;
    QList<Entry> entries_;
};

} // namespace corvane
