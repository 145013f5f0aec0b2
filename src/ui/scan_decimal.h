#pragma once
// Number fields are read the way C's "%d" conversion reads them, so that what users type keeps the
// meaning it has always had: "12abc" is 12, " -7" is -7, and "abc" or "" is no number at all.

#include <QStringView>

#include <cstdint>
#include <optional>

namespace corvane {

// The number at the start of `text`: white space, an optional sign, then digits up to the first
// character that is not one. Nothing when no digit follows. Values beyond 32 bits saturate.
std::optional<int32_t> scanDecimal(QStringView text);

// `text` as one whole number: white space around it and a sign are allowed, nothing else. Nothing
// for "12abc", "abc" or "". Magnitudes beyond 32 bits saturate one past them, so that a range check
// still refuses them.
std::optional<int64_t> wholeDecimal(QStringView text);

} // namespace corvane
