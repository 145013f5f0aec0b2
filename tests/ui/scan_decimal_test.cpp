#include "ui/scan_decimal.h"

#include <gtest/gtest.h>

#include <QString>

#include <utility>

namespace corvane {
namespace {

TEST(ScanDecimal, ReadsTheLeadingNumberLikePercentD) {
    const std::pair<const char16_t*, int32_t> numbers[] = {
        {u"1800", 1800},
        {u" \t\n\v\f\r-7", -7},
        {u"+5", 5},
        {u"12abc", 12},
        {u"3.5", 3},
        {u"2147483647", INT32_MAX},
        {u"2147483648", INT32_MAX},
        {u"99999999999999999999999999", INT32_MAX},
        {u"-2147483648", INT32_MIN},
        {u"-99999999999999999999999999", INT32_MIN},
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(scanDecimal(QString::fromUtf16(text)), value) << value;
    // No-break space is not C white space, nor are full-width digits digits.
    for (const char16_t* text : {u"", u"abc12", u"-", u"- 5", u"+-5", u"\u00a012", u"\uff11"})
        EXPECT_EQ(scanDecimal(QString::fromUtf16(text)), std::nullopt);
}

} // namespace
} // namespace corvane
