#pragma once
// The four record kinds of the channel database. Records are plain values; they refer to each other
// by identifier, never by pointer, so a dangling reference is a valid (orphan) state, not an error.

#include "model/record_name.h"

#include <cstdint>
#include <type_traits>

namespace corvane {

struct SatelliteRecord {
    int32_t id = 0;
    RecordName name{};
    int32_t longitude = 0; // tenths of a degree east, 0..3600 (west W stored as 3600 - 10W)

    friend bool operator==(const SatelliteRecord&, const SatelliteRecord&) = default;
};

struct TransponderRecord {
    int32_t id = 0;
    int32_t satelliteId = 0;
    int32_t frequency = 0;  // MHz
    int32_t symbolRate = 0; // kS/s
    int32_t polarity = 0;   // 0 horizontal, 1 vertical
    int32_t fec = 0;        // 0 auto, 1 "1/2" .. 6 "8/9"
    int32_t antennaId = 0;

    friend bool operator==(const TransponderRecord&, const TransponderRecord&) = default;
};

struct ServiceRecord {
    int32_t transponderId = 0;
    int32_t number = 0; // 0-based position; lists show number + 1
    RecordName name{};
    int32_t videoPid = 0; // 0 marks a radio service
    int32_t audioPid = 0;
    int32_t pcrPid = 0;
    int32_t serviceId = 0;
    int32_t caMode = 0;
    int32_t favorites = 0; // bit k: favourite group k + 1
    int32_t lock = 0;

    friend bool operator==(const ServiceRecord&, const ServiceRecord&) = default;
};

struct AntennaRecord {
    int32_t id = 0;
    int32_t lowFreq = 0;
    int32_t highFreq = 0;
    int32_t centerFreq = 0;
    int32_t lnbType = 0; // 0 universal, 4 other
    int32_t lnbPower = 0;
    int32_t lnbVoltage = 0;
    int32_t toneburst = 0;
    int32_t committed10 = 0;
    int32_t uncommitted = 0;
    int32_t committed11 = 0;
    int32_t repeatedTimes = 0;
    int32_t switch22k = 0;
    int32_t switch12v = 0;
    int32_t tunerMask = 0;
    int32_t diseqcType = 0;
    int32_t antennaKey = 0;

    friend bool operator==(const AntennaRecord&, const AntennaRecord&) = default;
};

enum class RecordKind { Satellite, Transponder, Service, Antenna };

// The LNB a new antenna starts with: a universal LNB's oscillators and its band switch, in MHz.
inline constexpr int32_t kDefaultLowFreq = 9750;
inline constexpr int32_t kDefaultHighFreq = 10600;
inline constexpr int32_t kDefaultCenterFreq = 11700;

// Satellite ids run from 0 to 255: the receiver's database keeps them in 8 bits.
inline constexpr int32_t kMaxSatelliteId = 255;

// The key a list row and every lookup use: the id, or a service's number.
inline int32_t recordKey(const SatelliteRecord& r) {
    return r.id;
}
inline int32_t recordKey(const TransponderRecord& r) {
    return r.id;
}
inline int32_t recordKey(const ServiceRecord& r) {
    return r.number;
}
inline int32_t recordKey(const AntennaRecord& r) {
    return r.id;
}

// The kind of a record type.
template <class T> constexpr RecordKind kindOf() {
    if constexpr (std::is_same_v<T, SatelliteRecord>)
        return RecordKind::Satellite;
    else if constexpr (std::is_same_v<T, TransponderRecord>)
        return RecordKind::Transponder;
    else if constexpr (std::is_same_v<T, ServiceRecord>)
        return RecordKind::Service;
    else
        return RecordKind::Antenna;
}

// Calls `f` with std::type_identity of the record type of `kind`, so that code written once as a
// template serves every kind: visitRecordKind(kind, [&]<class T>(std::type_identity<T>) {...}).
template <class F> decltype(auto) visitRecordKind(RecordKind kind, F&& f) {
    switch (kind) {
    case RecordKind::Satellite:
        return f(std::type_identity<SatelliteRecord>{});
    case RecordKind::Transponder:
        return f(std::type_identity<TransponderRecord>{});
    case RecordKind::Service:
        return f(std::type_identity<ServiceRecord>{});
    case RecordKind::Antenna:
        break;
    }
    return f(std::type_identity<AntennaRecord>{});
}

} // namespace corvane
