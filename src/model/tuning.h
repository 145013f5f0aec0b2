#pragma once
// Where a transponder is tuned: its satellite, frequency and polarity. Two transponders with the
// same tuning are one transponder entered twice, whatever their other fields say.

#include "model/records.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace corvane {

struct Tuning {
    int32_t satelliteId = 0;
    int32_t frequency = 0;
    int32_t polarity = 0;

    static Tuning of(const TransponderRecord& t) {
        return {t.satelliteId, t.frequency, t.polarity};
    }
    friend bool operator==(const Tuning&, const Tuning&) = default;
};

struct TuningHash {
    std::size_t operator()(const Tuning& k) const {
        uint64_t h = static_cast<uint32_t>(k.satelliteId);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.frequency);
        h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(k.polarity);
        return std::hash<uint64_t>{}(h ^ (h >> 29));
    }
};

} // namespace corvane
