#pragma once
// Where a transponder is tuned: its satellite, frequency and polarity. Two transponders with the
// same tuning are one transponder entered twice, whatever their other fields say. And whether the
// receiver can tune it at all: the LNB shifts the downlink down by its oscillator, and the tuner
// takes only what lands in its input range.

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

// The tuner's input range, in MHz.
inline constexpr int32_t kTunerLowestInput = 950;
inline constexpr int32_t kTunerHighestInput = 2150;

// The oscillator `antenna` mixes `frequency` with: a universal LNB switches to its high band at
// the band switch frequency, any other LNB has the one oscillator.
constexpr int32_t lnbOscillator(const AntennaRecord& antenna, int32_t frequency) {
    if (antenna.lnbType == 0 && frequency >= antenna.centerFreq)
        return antenna.highFreq;
    return antenna.lowFreq;
}

// What reaches the tuner: the distance between the downlink and the oscillator, which for a
// C-band LNB lies above the downlink. In 64 bits, since both are arbitrary 32-bit values.
constexpr int64_t intermediateFrequency(const AntennaRecord& antenna, int32_t frequency) {
    const int64_t shift = int64_t{frequency} - lnbOscillator(antenna, frequency);
    return shift < 0 ? -shift : shift;
}

constexpr bool receivable(const AntennaRecord& antenna, int32_t frequency) {
    const int64_t input = intermediateFrequency(antenna, frequency);
    return input >= kTunerLowestInput && input <= kTunerHighestInput;
}

} // namespace corvane
