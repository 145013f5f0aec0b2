#pragma once
// Builders for .cdd tests: a small linked database and a way to seal hand-made file bytes.

#include "image/checksum.h"
#include "model/channel_database.h"

#include <vector>

namespace corvane::testing {

inline void appendBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// Completes hand-made bytes (everything before the checksum): L = size - 9 at offset 5, then the
// checksum, so tests can reach the parser with any body.
inline std::vector<uint8_t> sealCdd(std::vector<uint8_t> file) {
    const auto length = static_cast<uint32_t>(file.size() - 9);
    for (std::size_t i = 0; i < 4; ++i)
        file[5 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    appendBe32(file, crc32(file));
    return file;
}

// The fixed bytes of a file up to and including La (L is filled in by sealCdd).
inline std::vector<uint8_t> cddPrefix(uint32_t antennaLength) {
    std::vector<uint8_t> out{0x26, 0x52, 0x06, 0x24, 1, 0, 0, 0, 0, 0,
                             0,    0,    1,    2,    3, 0, 4, 0, 5, 0};
    appendBe32(out, antennaLength);
    return out;
}

// One antenna, satellite, transponder and service that refer to each other, for tests that break
// one thing at a time.
inline ChannelDatabase smallDatabase() {
    ChannelDatabase db;
    db.addDefaultAntenna();
    db.satelliteCount = db.transponderCount = db.serviceCount = 1;
    db.satellites.append({.id = 0, .name = {'S', 'a', 't'}, .longitude = 192});
    db.transponders.append({.id = 0, .satelliteId = 0, .frequency = 11000, .symbolRate = 27500});
    db.services.append(
        {.transponderId = 0, .number = 0, .name = {'R', 'a', 'd', 'i', 'o'}, .audioPid = 100});
    return db;
}

} // namespace corvane::testing
