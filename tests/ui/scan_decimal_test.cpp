#include "ui/scan_decimal.h"

#include <gtest/gtest.h>

#include <QString>

#include <optional>

namespace corvane {
namespace {

struct ScanCase {
    const char16_t* text;
    std::optional<int32_t> value;
};

TEST(ScanDecimal, ReadsTheLeadingNumberLikePercentD) {
    const ScanCase cases[] = {
        {u"1800", 1800},
        {u" \t\n\v\f\r-7", -7},
        {u"+5", 5},
        {u"007", 7},
        {u"12abc", 12},
        {u"1 2", 1},
        {u"3.5", 3},
        {u"", std::nullopt},
        {u"   ", std::nullopt},
        {u"abc12", std::nullopt},
        {u"-", std::nullopt},
        {u"- 5", std::nullopt},
        {u"+-5", std::nullopt},
        {u"\u00a012", std::nullopt},     // no-break space is not C white space
        {u"\uff11\uff12", std::nullopt}, // nor are full-width digits digits
        {u"2147483647", INT32_MAX},
        {u"2147483648", INT32_MAX},
        {u"99999999999999999999999999", INT32_MAX},
        {u"-2147483648", INT32_MIN},
        {u"-2147483649", INT32_MIN},
        {u"-99999999999999999999999999", INT32_MIN},
    };
    for (const ScanCase& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(scanDecimal(text), c.value) << text.toStdString();
    }
}

} // namespace
} // namespace corvane
