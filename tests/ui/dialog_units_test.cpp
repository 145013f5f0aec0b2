#include "ui/dialog_units.h"
#include "ui/latin1.h"

#include <gtest/gtest.h>

#include <QFont>

namespace corvane {
namespace {

// The classic 8-point dialog font has base units 6 x 13: the main window's 420 x 402 units are
// then 630 x 653 pixels, and a control at 15, 16 starts at 23, 26.
TEST(DialogUnits, ScalesAndRoundsLikeTheTemplateManager) {
    const DialogUnits units(6, 13);
    EXPECT_EQ(units.size(420, 402), QSize(630, 653));
    EXPECT_EQ(units.rect(15, 16, 164, 84), QRect(23, 26, 246, 137));
    EXPECT_EQ(units.x(1), 2);   // 1.5 rounds up
    EXPECT_EQ(units.y(-4), -7); // -6.5 rounds away from zero
}

TEST(DialogUnits, GrowWithTheFont) {
    QFont small = QFont();
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(20);
    const DialogUnits a(small), b(large);
    EXPECT_GT(a.baseWidth(), 0);
    EXPECT_GT(b.baseWidth(), a.baseWidth());
    EXPECT_GT(b.baseHeight(), a.baseHeight());
}

TEST(Latin1Names, EveryByteRoundTripsAndWiderCharactersAreRefused) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const QString text = textFromNameBytes(all);
    EXPECT_EQ(text.size(), 255);
    EXPECT_EQ(nameBytesFromText(text), all);
    EXPECT_EQ(nameBytesFromText(QStringLiteral("Caf\u00e9")), std::string("Caf\xe9"));
    EXPECT_EQ(nameBytesFromText(QStringLiteral("\u20ac")), std::nullopt);
}

} // namespace
} // namespace corvane
