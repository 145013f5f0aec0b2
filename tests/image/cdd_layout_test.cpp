// The .cdd file against byte layouts written out by hand.

#include "image/cdd_file.h"

#include "cdd_test_support.h"

#include <limits>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;

// Antenna 7, satellite 3 "Astra 19.2E", transponder 0x1234 on it with one service, laid out field
// by field from the record tables.
const Bytes kOneOfEach = {
    0x26, 0x52, 0x06, 0x24, 0x01,             // magic
    0x00, 0x00, 0x00, 0x6D,                   // L = 109
    0x00, 0x00, 0x00, 0x01,                   //
    0x08, 0x04, 0x12, 0x35, 0x00, 0x06, 0x00, // counters 8, 4, 0x1235, 6
    0x00, 0x00, 0x00, 0x13,                   // La = 19
    // antenna: id, 9750, 10600, 11700, then the packed bit fields and the key
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
    0x00, 0x13, 0xED, 0x13, 0xEE, 0x33, 0xEC, 0x28, 0x3D, 0xA5, 0x80, 0x00, 0x00, 0xC5, 0xA3, 0x98,
    0x9C, // checksum
};

ChannelDatabase oneOfEachDatabase() {
    ChannelDatabase db;
    db.antennaCount = 8;
    db.satelliteCount = 4;
    db.transponderCount = 0x1235;
    db.serviceCount = 6;
    AntennaRecord a;
    a.id = 7;
    a.lowFreq = 9750;
    a.highFreq = 10600;
    a.centerFreq = 11700;
    a.lnbType = 4;
    a.lnbPower = 1;
    a.lnbVoltage = 2;
    a.toneburst = 3;
    a.committed10 = 4;
    a.uncommitted = 11;
    a.committed11 = 5;
    a.repeatedTimes = 2;
    a.switch22k = 1;
    a.switch12v = 0;
    a.tunerMask = 3;
    a.diseqcType = 1;
    a.antennaKey = 8;
    db.antennas.append(a);
    SatelliteRecord s;
    s.id = 3;
    setName(s.name, "Astra 19.2E");
    s.longitude = 192;
    db.satellites.append(s);
    TransponderRecord t;
    t.id = 0x1234;
    t.satelliteId = 3;
    t.frequency = 11494;
    t.symbolRate = 22000;
    t.polarity = 1;
    t.fec = 3;
    t.antennaId = 7;
    db.transponders.append(t);
    ServiceRecord v;
    v.transponderId = 0x1234;
    v.number = 5;
    setName(v.name, "Das Erste HD");
    v.videoPid = 5101;
    v.audioPid = 5102;
    v.pcrPid = 5100;
    v.serviceId = 10301;
    v.caMode = 1;
    v.favorites = 0xA5;
    v.lock = 1;
    db.services.append(v);
    return db;
}

TEST(CddLayout, EmptyDatabaseIsThe32ByteFile) {
    const Bytes expected = {0x26, 0x52, 0x06, 0x24, 0x01, 0x00, 0x00, 0x00, 0x13, 0x00, 0x00,
                            0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x86, 0xD3, 0x27, 0x0A};
    const CddEncodeResult encoded = encodeCdd(ChannelDatabase{});
    ASSERT_TRUE(encoded.ok()) << encoded.error;
    EXPECT_EQ(encoded.bytes, expected);

    ChannelDatabase db = testing::smallDatabase();
    ASSERT_EQ(readCddBytes(db, expected), kCddRead);
    EXPECT_EQ(db, ChannelDatabase{});
}

TEST(CddLayout, EveryRecordKindIsPackedAsLaidOut) {
    const CddEncodeResult encoded = encodeCdd(oneOfEachDatabase());
    ASSERT_TRUE(encoded.ok()) << encoded.error;
    EXPECT_EQ(encoded.bytes, kOneOfEach);
}

TEST(CddLayout, HandMadeFileReadsBackEveryField) {
    ChannelDatabase db;
    ASSERT_EQ(readCddBytes(db, kOneOfEach), kCddRead);
    EXPECT_EQ(db, oneOfEachDatabase());
}

TEST(CddLayout, HeaderCountersAreTakenAsStored) {
    // Counters that match no record count: 255 antennas, 1 satellite, 65535 and 258 others.
    Bytes file = testing::cddPrefix(0);
    file[13] = 0xFF;
    file[14] = 0x01;
    file[15] = 0xFF;
    file[16] = 0xFF;
    file[17] = 0x01;
    file[18] = 0x02;
    testing::appendBe32(file, 0);
    ChannelDatabase db;
    ASSERT_EQ(readCddBytes(db, testing::sealCdd(file)), kCddRead);
    EXPECT_EQ(db.antennaCount, 255);
    EXPECT_EQ(db.satelliteCount, 1);
    EXPECT_EQ(db.transponderCount, 65535);
    EXPECT_EQ(db.serviceCount, 258);
    EXPECT_TRUE(db.satellites.empty());
}

// Fields narrower than their member keep their low bits; the rest of the record is untouched.
TEST(CddLayout, NarrowFieldsStoreTheirLowBits) {
    ChannelDatabase db = testing::smallDatabase();
    db.antennas.clear();
    db.antennaCount = 0;
    SatelliteRecord& s = db.satellites.front();
    s.longitude = 0x12345;
    TransponderRecord& t = db.transponders.front();
    t.frequency = -1;
    t.symbolRate = 0x7123456;
    t.polarity = 5; // 101b
    t.fec = 0x13;   // 10011b
    ServiceRecord& v = db.services.front();
    v.videoPid = 8192; // only bit 13: nothing of it is stored
    v.audioPid = 0;
    v.pcrPid = 0x3FFF;
    v.caMode = 2;
    v.serviceId = 0x1FFFF;
    v.favorites = 0x1FF;
    v.lock = 3;

    const CddEncodeResult encoded = encodeCdd(db);
    ASSERT_TRUE(encoded.ok()) << encoded.error;
    const Bytes& f = encoded.bytes;
    ASSERT_EQ(f.size(), 28u + 23 + 14 + 34 + 4);
    const uint8_t* sat = f.data() + 28;
    EXPECT_EQ(sat[15], 0x00);
    EXPECT_EQ(sat[16], 0x80);
    EXPECT_EQ(Bytes(sat + 17, sat + 19), (Bytes{0x23, 0x45}));
    const uint8_t* tp = sat + 23;
    EXPECT_EQ(Bytes(tp + 2, tp + 12),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x4C, 0x00, 0x00}));
    const uint8_t* sv = tp + 14;
    EXPECT_EQ(sv[2], 0x80);
    EXPECT_EQ(sv[21], 0x00);
    EXPECT_EQ(Bytes(sv + 22, sv + 34),
              (Bytes{0x00, 0x00, 0x00, 0x00, 0x1F, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00}));

    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, f), kCddRead);
    ASSERT_EQ(back.services.size(), 1u);
    EXPECT_EQ(back.satellites.front().longitude, 0x2345);
    EXPECT_EQ(back.transponders.front().frequency, -1);
    EXPECT_EQ(back.transponders.front().symbolRate, 0x123456);
    EXPECT_EQ(back.transponders.front().polarity, 1);
    EXPECT_EQ(back.transponders.front().fec, 3);
    EXPECT_EQ(back.services.front().videoPid, 0);
    EXPECT_EQ(back.services.front().pcrPid, 0x1FFF);
    EXPECT_EQ(back.services.front().caMode, 0);
    EXPECT_EQ(back.services.front().serviceId, 0xFFFF);
    EXPECT_EQ(back.services.front().favorites, 0xFF);
    EXPECT_EQ(back.services.front().lock, 1);
}

TEST(CddLayout, AntennaFieldsAtTheEdgesOfTheirWidths) {
    ChannelDatabase db;
    AntennaRecord a;
    a.id = 255;
    a.lowFreq = std::numeric_limits<int32_t>::min();
    a.highFreq = -2;
    a.centerFreq = std::numeric_limits<int32_t>::max();
    a.lnbType = 0x1F;
    a.lnbPower = 7;
    a.lnbVoltage = 7;
    a.toneburst = 7;
    a.committed10 = 0x1F;
    a.uncommitted = 0x1F;
    a.committed11 = 0x1F;
    a.repeatedTimes = 7;
    a.switch22k = 3;
    a.switch12v = 3;
    a.tunerMask = 0x1F;
    a.diseqcType = 3;
    a.antennaKey = 0x1FF;
    db.antennas.append(a);
    const CddEncodeResult encoded = encodeCdd(db);
    ASSERT_TRUE(encoded.ok()) << encoded.error;
    const Bytes record(encoded.bytes.begin() + 24, encoded.bytes.begin() + 43);
    EXPECT_EQ(record, (Bytes{0xFF, 0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFE, 0x7F, 0xFF, 0xFF,
                             0xFF, 0xFF, 0xFC, 0xFF, 0xC0, 0xFE, 0xFF}));
}

TEST(CddLayout, NamesAreCutTo14And18Bytes) {
    ChannelDatabase db = testing::smallDatabase();
    setName(db.satellites.front().name, "Eutelsat Hotbird 13E");
    setName(db.services.front().name, "A very long service name");
    const CddEncodeResult encoded = encodeCdd(db);
    ASSERT_TRUE(encoded.ok());
    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, encoded.bytes), kCddRead);
    EXPECT_EQ(nameView(back.satellites.front().name), "Eutelsat Hotbi");
    EXPECT_EQ(nameView(back.services.front().name), "A very long servic");
}

// Name slots filled up to the bytes that should end them give 15 and 19 bytes back.
TEST(CddLayout, ReaderTakesTheWholeNameSlots) {
    constexpr std::ptrdiff_t kSatelliteAt = 24 + 19 + 4;
    Bytes file = kOneOfEach;
    file.resize(file.size() - 4);
    const std::string_view satelliteName = "ABCDEFGHIJKLMNO";
    const std::string_view serviceName = "abcdefghijklmnopqrs";
    std::copy(satelliteName.begin(), satelliteName.end(), file.begin() + kSatelliteAt + 1);
    std::copy(serviceName.begin(), serviceName.end(), file.begin() + kSatelliteAt + 23 + 14 + 3);
    ChannelDatabase db;
    ASSERT_EQ(readCddBytes(db, testing::sealCdd(file)), kCddRead);
    EXPECT_EQ(nameView(db.satellites.front().name), satelliteName);
    EXPECT_EQ(nameView(db.services.front().name), serviceName);
}

} // namespace
} // namespace corvane
