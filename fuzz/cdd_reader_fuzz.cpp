// The .cdd reader: a rejected file must leave the database untouched, an accepted one must survive
// being written and read again. Each input is also tried with its checksum made right, or nearly
// every mutation would stop at the checksum and the body parser would go unexplored.
#include "image/checksum.h"
#include "roundtrip.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

void readAndCheck(std::span<const uint8_t> bytes) {
    corvane::ChannelDatabase db;
    corvane::SatelliteRecord marker;
    marker.id = 77;
    db.appendRecord(marker);
    db.satelliteClipboard.append(marker);
    db.satelliteCount = 78;
    const corvane::ChannelDatabase before = db;
    if (!corvane::readCddBytes(db, bytes).ok()) {
        if (!(db == before))
            corvane::fuzz::fail("a failed read changed the database");
        return;
    }
    if (!(db.satelliteClipboard == before.satelliteClipboard))
        corvane::fuzz::fail("a read touched the cut buffer");
    corvane::fuzz::checkCddRoundTrip(db);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    readAndCheck({data, size});
    if (size < 13)
        return 0;
    const uint64_t bodyLength = (uint64_t{data[5]} << 24) | (uint64_t{data[6]} << 16) |
                                (uint64_t{data[7]} << 8) | uint64_t{data[8]};
    if (bodyLength + 13 > size)
        return 0;
    std::vector<uint8_t> fixed(data, data + size);
    const std::size_t at = static_cast<std::size_t>(bodyLength) + 9;
    const uint32_t crc = corvane::crc32(std::span<const uint8_t>(fixed.data(), at));
    fixed[at] = static_cast<uint8_t>(crc >> 24);
    fixed[at + 1] = static_cast<uint8_t>(crc >> 16);
    fixed[at + 2] = static_cast<uint8_t>(crc >> 8);
    fixed[at + 3] = static_cast<uint8_t>(crc);
    readAndCheck(fixed);
    return 0;
}
