#include "ui/scan_decimal.h"

#include <algorithm>

namespace corvane {

namespace {

// The white space of the C locale; a field never holds the wider Unicode kinds on purpose.
bool isCSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<int32_t> scanDecimal(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isCSpace(text[i].unicode()))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const qsizetype firstDigit = i;
    // The magnitude stops growing one past INT32_MAX, which is exactly INT32_MIN's magnitude.
    constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; i < n && isDigit(text[i].unicode()); ++i)
        magnitude = std::min(kLimit, magnitude * 10 + (text[i].unicode() - u'0'));
    if (i == firstDigit)
        return std::nullopt;
    if (negative)
        return static_cast<int32_t>(-magnitude);
    return static_cast<int32_t>(std::min(magnitude, int64_t{INT32_MAX}));
}

std::optional<int64_t> wholeDecimal(QStringView text) {
    qsizetype i = 0;
    qsizetype n = text.size();
    while (i < n && isCSpace(text[i].unicode()))
        ++i;
    while (n > i && isCSpace(text[n - 1].unicode()))
        --n;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == n)
        return std::nullopt;
    constexpr int64_t kLimit = int64_t{UINT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; i < n; ++i) {
        if (!isDigit(text[i].unicode()))
            return std::nullopt;
        magnitude = std::min(kLimit, magnitude * 10 + (text[i].unicode() - u'0'));
    }
    return negative ? -magnitude : magnitude;
}

} // namespace corvane
