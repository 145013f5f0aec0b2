// The .cdd file against byte layouts written out by hand.

#include "image/cdd_file.h"

#include "cdd_test_support.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;

// Antenna 7, satellite 3 "Astra 19.2E", transponder 0x1234 on it with one service, laid out field
// by field; the checksum was computed apart from this code base.
const Bytes kOneOfEach = {
    0x26, 0x52, 0x06, 0x24, 0x01, 0x00, 0x00, 0x00, 0x6D,             // magic, L = 109
    0x00, 0x00, 0x00, 0x01, 0x08, 0x04, 0x12, 0x35, 0x00, 0x06, 0x00, // counters 8, 4, 0x1235, 6
    0x00, 0x00, 0x00, 0x13,                                           // La = 19
    // antenna: id, 9750, 10600, 11700, then the bit fields and the key
    0x07, 0x00, 0x00, 0x26, 0x16, 0x00, 0x00, 0x29, 0x68, 0x00, 0x00, 0x2D, 0xB4, //
    0x46,                   // lnbType 4 | lnbPower 1 | lnbVoltage 2
    0xD0,                   // toneburst 3 | committed10 4 | 00
    0xB5,                   // uncommitted 11 | committed11 5
    0x80,                   // repeatedTimes 2
    0x8E,                   // switch22k 1 | switch12v 0 | tunerMask 3 | diseqcType 1 | 0
    0x08,                   // antennaKey
    0x00, 0x00, 0x00, 0x47, // Ls = 71
    // satellite: id 3, 14 name bytes, 00, 80, longitude 192, Lt = 48
    0x03, 'A', 's', 't', 'r', 'a', ' ', '1', '9', '.', '2', 'E', 0, 0, 0, 0x00, 0x80, 0x00, 0xC0,
    0x00, 0x00, 0x00, 0x30,
    // transponder: id 0x1234, 11494 MHz, 22000 kS/s, polarity 1 | fec 3, antenna 7, 00, Lv = 34
    0x12, 0x34, 0x00, 0x00, 0x2C, 0xE6, 0x00, 0x55, 0xF0, 0x4C, 0x07, 0x00, 0x00, 0x22,
    // service: number 5, 80, 18 name bytes, 00, video 5101, audio 5102, caMode 1 | pcr 5100,
    // service id 10301, favourites A5, lock, 00 00
    0x00, 0x05, 0x80, 'D', 'a', 's', ' ', 'E', 'r', 's', 't', 'e', ' ', 'H', 'D', 0, 0, 0, 0, 0, 0,
    0x00, 0x13, 0xED, 0x13, 0xEE, 0x33, 0xEC, 0x28, 0x3D, 0xA5, 0x80, 0x00, 0x00, //
    0xC5, 0xA3, 0x98, 0x9C,                                                       // checksum
};

ChannelDatabase oneOfEachDatabase() {
    ChannelDatabase db;
    db.antennaCount = 8;
    db.satelliteCount = 4;
    db.transponderCount = 0x1235;
    db.serviceCount = 6;
    db.antennas.append({.id = 7,
                        .lowFreq = 9750,
                        .highFreq = 10600,
                        .centerFreq = 11700,
                        .lnbType = 4,
                        .lnbPower = 1,
                        .lnbVoltage = 2,
                        .toneburst = 3,
                        .committed10 = 4,
                        .uncommitted = 11,
                        .committed11 = 5,
                        .repeatedTimes = 2,
                        .switch22k = 1,
                        .switch12v = 0,
                        .tunerMask = 3,
                        .diseqcType = 1,
                        .antennaKey = 8});
    setName(db.satellites.append({.id = 3, .longitude = 192}).name, "Astra 19.2E");
    db.transponders.append({.id = 0x1234,
                            .satelliteId = 3,
                            .frequency = 11494,
                            .symbolRate = 22000,
                            .polarity = 1,
                            .fec = 3,
                            .antennaId = 7});
    setName(db.services
                .append({.transponderId = 0x1234,
                         .number = 5,
                         .videoPid = 5101,
                         .audioPid = 5102,
                         .pcrPid = 5100,
                         .serviceId = 10301,
                         .caMode = 1,
                         .favorites = 0xA5,
                         .lock = 1})
                .name,
            "Das Erste HD");
    return db;
}

TEST(CddLayout, EmptyDatabaseIsThe32ByteFile) {
    const Bytes expected = {0x26, 0x52, 0x06, 0x24, 0x01, 0x00, 0x00, 0x00, 0x13, 0x00, 0x00,
                            0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x86, 0xD3, 0x27, 0x0A};
    EXPECT_EQ(encodeCdd(ChannelDatabase{}).value, expected);
    ChannelDatabase db = testing::smallDatabase();
    ASSERT_EQ(readCddBytes(db, expected).code, CddRead::Ok);
    EXPECT_EQ(db, ChannelDatabase{});
}

TEST(CddLayout, EveryRecordKindIsPackedAsLaidOut) {
    const auto encoded = encodeCdd(oneOfEachDatabase());
    ASSERT_TRUE(encoded.ok()) << encoded.detail;
    EXPECT_EQ(encoded.value, kOneOfEach);
    ChannelDatabase db;
    ASSERT_EQ(readCddBytes(db, kOneOfEach).code, CddRead::Ok);
    EXPECT_EQ(db, oneOfEachDatabase()); // counters as stored, links from the nesting
}

// Fields narrower than their member keep their low bits and come back as those bits.
TEST(CddLayout, NarrowFieldsStoreTheirLowBits) {
    ChannelDatabase db = testing::smallDatabase();
    db.antennas.clear();
    db.satellites.front().longitude = 0x12345;
    db.transponders.front() = {
        .frequency = -1, .symbolRate = 0x7123456, .polarity = 5, .fec = 0x13};
    db.services.front() = {.videoPid = 8192,
                           .pcrPid = 0x3FFF,
                           .serviceId = 0x1FFFF,
                           .caMode = 2,
                           .favorites = 0x1FF,
                           .lock = 3};
    const Bytes f = encodeCdd(db).value;
    ASSERT_EQ(f.size(), 28u + 23 + 14 + 34 + 4);
    EXPECT_EQ(Bytes(f.begin() + 28 + 17, f.begin() + 28 + 19), (Bytes{0x23, 0x45}));
    const auto tp = f.begin() + 28 + 23;
    EXPECT_EQ(Bytes(tp + 2, tp + 12),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x4C, 0, 0}));
    const auto sv = tp + 14;
    EXPECT_EQ(Bytes(sv + 22, sv + 34),
              (Bytes{0, 0, 0, 0, 0x1F, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0}));

    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, f).code, CddRead::Ok);
    EXPECT_EQ(back.satellites.front().longitude, 0x2345);
    EXPECT_EQ(
        back.transponders.front(),
        (TransponderRecord{.frequency = -1, .symbolRate = 0x123456, .polarity = 1, .fec = 3}));
    EXPECT_EQ(back.services.front(),
              (ServiceRecord{.pcrPid = 0x1FFF, .serviceId = 0xFFFF, .favorites = 0xFF, .lock = 1}));
}

TEST(CddLayout, NamesAreCutTo14And18Bytes) {
    ChannelDatabase db = testing::smallDatabase();
    setName(db.satellites.front().name, "Eutelsat Hotbird 13E");
    setName(db.services.front().name, "A very long service name");
    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, encodeCdd(db).value).code, CddRead::Ok);
    EXPECT_EQ(nameView(back.satellites.front().name), "Eutelsat Hotbi");
    EXPECT_EQ(nameView(back.services.front().name), "A very long servic");
}

} // namespace
} // namespace corvane
