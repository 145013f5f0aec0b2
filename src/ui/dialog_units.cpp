#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace corvane {

namespace {

// (value * numerator) / denominator rounded half away from zero, as the platform's templates are.
int scaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width is measured over both alphabets and rounded, not taken from the font's
    // own average, which differs between font formats.
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = (alphabet / 26 + 1) / 2;
    baseHeight_ = metrics.height();
}

int DialogUnits::x(int units) const {
    return scaleRounded(units, baseWidth_, 4);
}

int DialogUnits::y(int units) const {
    return scaleRounded(units, baseHeight_, 8);
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return {x(left), y(top), x(width), y(height)};
}

QSize DialogUnits::size(int width, int height) const {
    return {x(width), y(height)};
}

} // namespace corvane
