#pragma once
// What a .cdd file can hold: the bytes it keeps of a name, the bits it keeps of every field, the
// counters, how many services fit on one transponder, and which services it leaves out. The
// writer, the database check and the fuzzers' expected results all read this one table, so what
// is refused, what is warned about and what is expected back cannot drift apart.

#include "model/channel_database.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace corvane::cdd {

inline constexpr std::size_t kSatelliteNameBytes = 14;
inline constexpr std::size_t kServiceNameBytes = 18;
// The services of one transponder have a 16-bit length of 34-byte records: 34 * 1927 = 65518.
inline constexpr int32_t kMaxServicesPerTransponder = 1927;

// PIDs are told apart because an engineer knows their limit as "not a PID", not as a bit width.
enum class FieldRole { Value, Pid };

// A stored field: the file keeps its low `bits` bits, and the reader gives them back unsigned.
template <class T> struct Field {
    std::string_view name;
    int32_t T::*member;
    int bits;
    FieldRole role = FieldRole::Value;

    constexpr uint32_t mask() const { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u; }
    // The largest value that comes back as it was (every value does for 32 bits).
    constexpr int32_t max() const { return bits >= 32 ? INT32_MAX : static_cast<int32_t>(mask()); }
    constexpr bool fits(int32_t value) const {
        return bits >= 32 || (value >= 0 && value <= max());
    }
    // The bits written to the file.
    constexpr uint32_t kept(const T& record) const {
        return static_cast<uint32_t>(record.*member) & mask();
    }
    // What a reader gives back for the record's value.
    constexpr int32_t readBack(const T& record) const { return static_cast<int32_t>(kept(record)); }
};

// Every stored field of each record in declaration order. A transponder's satelliteId and a
// service's transponderId are not stored: the nesting of the blocks gives them back.
inline constexpr Field<AntennaRecord> kAntennaFields[] = {
    {"id", &AntennaRecord::id, 8},
    {"lowFreq", &AntennaRecord::lowFreq, 32},
    {"highFreq", &AntennaRecord::highFreq, 32},
    {"centerFreq", &AntennaRecord::centerFreq, 32},
    {"lnbType", &AntennaRecord::lnbType, 4},
    {"lnbPower", &AntennaRecord::lnbPower, 2},
    {"lnbVoltage", &AntennaRecord::lnbVoltage, 2},
    {"toneburst", &AntennaRecord::toneburst, 2},
    {"committed10", &AntennaRecord::committed10, 4},
    {"uncommitted", &AntennaRecord::uncommitted, 4},
    {"committed11", &AntennaRecord::committed11, 4},
    {"repeatedTimes", &AntennaRecord::repeatedTimes, 2},
    {"switch22k", &AntennaRecord::switch22k, 1},
    {"switch12v", &AntennaRecord::switch12v, 1},
    {"tunerMask", &AntennaRecord::tunerMask, 4},
    {"diseqcType", &AntennaRecord::diseqcType, 1},
    {"antennaKey", &AntennaRecord::antennaKey, 8},
};
inline constexpr Field<SatelliteRecord> kSatelliteFields[] = {
    {"id", &SatelliteRecord::id, 8},
    {"longitude", &SatelliteRecord::longitude, 16},
};
inline constexpr Field<TransponderRecord> kTransponderFields[] = {
    {"id", &TransponderRecord::id, 16},
    {"frequency", &TransponderRecord::frequency, 32},
    {"symbolRate", &TransponderRecord::symbolRate, 24},
    {"polarity", &TransponderRecord::polarity, 2},
    {"fec", &TransponderRecord::fec, 4},
    {"antennaId", &TransponderRecord::antennaId, 8},
};
inline constexpr Field<ServiceRecord> kServiceFields[] = {
    {"number", &ServiceRecord::number, 16},
    {"videoPid", &ServiceRecord::videoPid, 13, FieldRole::Pid},
    {"audioPid", &ServiceRecord::audioPid, 13, FieldRole::Pid},
    {"pcrPid", &ServiceRecord::pcrPid, 13, FieldRole::Pid},
    {"serviceId", &ServiceRecord::serviceId, 16},
    {"caMode", &ServiceRecord::caMode, 1},
    {"favorites", &ServiceRecord::favorites, 8},
    {"lock", &ServiceRecord::lock, 1},
};

template <class T> constexpr std::span<const Field<T>> fieldsOf();
template <> constexpr std::span<const Field<AntennaRecord>> fieldsOf() {
    return kAntennaFields;
}
template <> constexpr std::span<const Field<SatelliteRecord>> fieldsOf() {
    return kSatelliteFields;
}
template <> constexpr std::span<const Field<TransponderRecord>> fieldsOf() {
    return kTransponderFields;
}
template <> constexpr std::span<const Field<ServiceRecord>> fieldsOf() {
    return kServiceFields;
}

// The table entry of `member`; a member the file does not store does not compile.
template <class T> consteval Field<T> field(int32_t T::*member) {
    for (const Field<T>& f : fieldsOf<T>())
        if (f.member == member)
            return f;
    throw "the .cdd file does not store this field";
}

// The bits of `record.*Member` that are written.
template <auto Member, class T> constexpr uint32_t kept(const T& record) {
    return field(Member).kept(record);
}

// A counter of the header, which keeps its low `bits` bits.
struct Counter {
    RecordKind counts;
    std::string_view what; // "antenna": the antenna counter
    std::string_view name; // as a field of the database
    int32_t ChannelDatabase::*member;
    int bits;
    constexpr int32_t max() const { return static_cast<int32_t>((1u << bits) - 1u); }
};
inline constexpr Counter kCounters[] = {
    {RecordKind::Antenna, "antenna", "antennaCount", &ChannelDatabase::antennaCount, 8},
    {RecordKind::Satellite, "satellite", "satelliteCount", &ChannelDatabase::satelliteCount, 8},
    {RecordKind::Transponder, "transponder", "transponderCount", &ChannelDatabase::transponderCount,
     16},
    {RecordKind::Service, "service", "serviceCount", &ChannelDatabase::serviceCount, 16},
};

// The writer leaves out a service whose three PIDs are all 0.
constexpr bool isWritten(const ServiceRecord& v) {
    return v.videoPid != 0 || v.audioPid != 0 || v.pcrPid != 0;
}

static_assert(field(&SatelliteRecord::id).max() == kMaxSatelliteId,
              "a new satellite's id must be one the .cdd file can store");

} // namespace corvane::cdd
