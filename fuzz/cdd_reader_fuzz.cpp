// The .cdd reader: a rejected file must leave the database untouched, an accepted one must survive
// being written and read again, and only a body that its length fields describe exactly is
// accepted: every shorter body, sealed with a right checksum, is refused for its sections. Each
// input is also tried with its checksum made right, or nearly every mutation would stop at the
// checksum and the body parser would go unexplored.
#include "base/bytes.h"
#include "image/checksum.h"
#include "roundtrip.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

// `bytes` is an accepted file; each of its bodies cut short and sealed again ends inside a
// section, so it must be refused as such (or as no .cdd header once the fixed fields are cut).
void checkPrefixesAreRefused(std::span<const uint8_t> file) {
    if (file.size() > 4096)
        return; // quadratic; small files reach every structure
    for (std::size_t body = 0; body + 13 < file.size(); ++body) {
        std::vector<uint8_t> cut(file.begin(),
                                 file.begin() + static_cast<std::ptrdiff_t>(9 + body));
        for (int i = 0; i < 4; ++i)
            cut[5 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(body >> (24 - 8 * i));
        const uint32_t crc = corvane::crc32(cut);
        for (int shift = 24; shift >= 0; shift -= 8)
            cut.push_back(static_cast<uint8_t>(crc >> shift));
        corvane::ChannelDatabase db;
        const auto code = corvane::readCddBytes(db, cut).code;
        if (code != (body < 19 ? corvane::CddRead::BadHeader : corvane::CddRead::BadSections))
            corvane::fuzz::fail(
                "a sealed prefix of an accepted file was not refused for its sections");
    }
}

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
    // Accepted: L is the fixed fields plus both sections, nothing else.
    const uint32_t bodyLength = corvane::loadBe32(bytes.data() + 5);
    const uint64_t antennas = corvane::loadBe32(bytes.data() + 20);
    if (antennas % 19 != 0 ||
        bodyLength != 19 + antennas + corvane::loadBe32(bytes.data() + 24 + antennas))
        corvane::fuzz::fail("a body its section lengths do not describe was accepted");
    corvane::fuzz::checkCddRoundTrip(db);
    checkPrefixesAreRefused(bytes.first(bodyLength + 13));
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
