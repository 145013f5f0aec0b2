#include "ui/template_layout.h"

#include <QGroupBox>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QWidget>
#include <QWidgetItem>

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

int share(int extra, double fraction) {
    return static_cast<int>(std::lround(extra * fraction));
}

// A template places the first control inside a group box just below its caption line, where the
// platform's box draws its frame through the caption. Styles that draw the caption above the frame
// start the box's contents lower and would put the frame across that control; such a box is moved
// up until its contents start one caption line below its top. Its bottom edge stays.
QRect templateGroupBoxRect(const QGroupBox& box, QRect r) {
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.rect = QRect(QPoint(0, 0), r.size());
    option.text = box.title();
    option.textAlignment = box.alignment();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect contents = box.style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                       QStyle::SC_GroupBoxContents, &box);
    const int raise = contents.top() - box.fontMetrics().height();
    if (raise > 0)
        r.setTop(r.top() - raise);
    return r;
}

} // namespace

TemplateLayout::TemplateLayout(QWidget* parent, QSize templateUnits)
    : QLayout(parent), templateUnits_(templateUnits) {
    setContentsMargins(0, 0, 0, 0);
}

TemplateLayout::~TemplateLayout() {
    for (const Entry& e : entries_)
        delete e.item;
}

void TemplateLayout::addWidget(QWidget* widget, const QRect& units, Growth growth) {
    addChildWidget(widget);
    entries_.push_back({new QWidgetItem(widget), units, growth});
    invalidate();
}

void TemplateLayout::addItem(QLayoutItem* item) {
    entries_.push_back({item, QRect(), Growth()});
}

QLayoutItem* TemplateLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? entries_[index].item : nullptr;
}

QLayoutItem* TemplateLayout::takeAt(int index) {
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = entries_[index].item;
    entries_.removeAt(index);
    return item;
}

DialogUnits TemplateLayout::dialogUnits() const {
    return DialogUnits(parentWidget() ? parentWidget()->font() : QFont());
}

QSize TemplateLayout::sizeHint() const {
    return minimumSize();
}

QSize TemplateLayout::minimumSize() const {
    return dialogUnits().size(templateUnits_.width(), templateUnits_.height());
}

void TemplateLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const DialogUnits units = dialogUnits();
    const QSize base = units.size(templateUnits_.width(), templateUnits_.height());
    const int extraWidth = std::max(0, rect.width() - base.width());
    const int extraHeight = std::max(0, rect.height() - base.height());
    for (const Entry& e : entries_) {
        QRect r = units.rect(e.units.x(), e.units.y(), e.units.width(), e.units.height());
        const Growth& g = e.growth;
        r.moveTo(rect.x() + r.x() + share(extraWidth, g.left),
                 rect.y() + r.y() + share(extraHeight, g.top));
        r.setWidth(r.width() + share(extraWidth, g.width));
        r.setHeight(r.height() + share(extraHeight, g.height));
        if (g.widenLeftToFit) {
            const int needed = e.item->sizeHint().width();
            if (needed > r.width())
                r.setLeft(r.right() + 1 - needed);
        }
        if (const auto* box = qobject_cast<const QGroupBox*>(e.item->widget()))
            r = templateGroupBoxRect(*box, r);
        e.item->setGeometry(r);
    }
}

} // namespace corvane
