#pragma once
// Dialog units: the coordinates the window and dialog templates are drawn in. One horizontal unit
// is a quarter of the dialog font's average character width and one vertical unit an eighth of its
// height, so a template keeps its arrangement at any font size or screen scale.

#include <QFont>
#include <QRect>
#include <QSize>

namespace corvane {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    // Base units in pixels: the average character width and the character height of the font.
    DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

    int baseWidth() const { return baseWidth_; }
    int baseHeight() const { return baseHeight_; }

private:
    int baseWidth_;
    int baseHeight_;
};

} // namespace corvane
