#pragma once
// Builders for .cdd tests: small hand-made databases and a way to seal hand-made file bytes.

#include "image/checksum.h"
#include "model/channel_database.h"

#include <cstdint>
#include <vector>

namespace corvane::testing {

// Completes hand-made file bytes (everything before the checksum): stores L = size - 9 at offset 5
// and appends the checksum, so tests can reach the parser with arbitrary bodies.
inline std::vector<uint8_t> sealCdd(std::vector<uint8_t> file) {
    const auto length = static_cast<uint32_t>(file.size() - 9);
    for (int i = 0; i < 4; ++i)
        file[5 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(length >> (24 - 8 * i));
    const uint32_t crc = crc32(file);
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back(static_cast<uint8_t>(crc >> shift));
    return file;
}

inline void appendBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// The 24 fixed bytes of a file up to and including La (L is filled in by sealCdd).
inline std::vector<uint8_t> cddPrefix(uint32_t antennaLength) {
    std::vector<uint8_t> out{0x26, 0x52, 0x06, 0x24, 0x01, 0, 0, 0, 0, 0,
                             0,    0,    1,    2,    3,    0, 4, 0, 5, 0};
    appendBe32(out, antennaLength);
    return out;
}

// One satellite, transponder and service that refer to each other, for tests that break one
// thing at a time.
inline ChannelDatabase smallDatabase() {
    ChannelDatabase db;
    db.addDefaultAntenna();
    db.satelliteCount = 1;
    db.transponderCount = 1;
    db.serviceCount = 1;
    SatelliteRecord s;
    s.id = 0;
    setName(s.name, "Sat");
    s.longitude = 192;
    db.satellites.append(s);
    TransponderRecord t;
    t.id = 0;
    t.frequency = 11000;
    t.symbolRate = 27500;
    db.transponders.append(t);
    ServiceRecord v;
    v.number = 0;
    setName(v.name, "Radio");
    v.audioPid = 100;
    db.services.append(v);
    return db;
}

} // namespace corvane::testing
