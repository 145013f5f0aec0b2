#pragma once
// 32-bit record fields and counters that stop at their limits instead of overflowing: a count or
// an id beyond them is refused when it is saved, but must never be undefined behaviour on the way.

#include <cstdint>
#include <limits>

namespace corvane {

inline constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
inline constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();

constexpr int32_t saturate(int64_t v) {
    return v > kInt32Max ? kInt32Max : v < kInt32Min ? kInt32Min : static_cast<int32_t>(v);
}

constexpr int32_t saturatingAdd(int32_t a, int32_t b) {
    return saturate(int64_t{a} + b);
}

} // namespace corvane
