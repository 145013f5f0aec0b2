#include "ui/application_icon.h"

#include <gtest/gtest.h>

#include <QImage>

namespace corvane::test {
namespace {

// Each size a desktop theme asks for is one of the rendered pictures, not another size scaled.
TEST(ApplicationIcon, HoldsEveryThemeSizeDrawn) {
    const QIcon icon = applicationIcon();
    for (const int side : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(side);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side)));
        const QImage image = icon.pixmap(QSize(side, side)).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        // Transparent corners around an opaque middle: a picture, not an empty square.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(side / 2, side / 2)), 255);
    }
}

} // namespace
} // namespace corvane::test
