// Writing then reading .cdd files, damaged files, and the rules the reader and writer keep.

#include "image/atomic_file.h"
#include "image/cdd_file.h"

#include "cdd_test_support.h"
#include "image_test_support.h"

#include <algorithm>
#include <numeric>
#include <random>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::readAll;
using testing::ScratchDir;
using testing::writeAll;

class RandomDatabase {
public:
    explicit RandomDatabase(uint32_t seed) : rng_(seed) {}

    int32_t upTo(int32_t high) { return std::uniform_int_distribution<int32_t>(0, high)(rng_); }

    void randomName(RecordName& name, std::size_t maxLength) {
        std::string text(static_cast<std::size_t>(upTo(static_cast<int32_t>(maxLength))), ' ');
        for (char& c : text)
            c = static_cast<char>(1 + upTo(254)); // any byte but NUL
        setName(name, text);
    }

    // Records with values inside their stored widths, unique ids, links to existing records, in
    // shuffled list order so the writer's grouping shows.
    ChannelDatabase make(int satellites, int transponders, int services, int antennas) {
        ChannelDatabase db;
        db.antennaCount = upTo(255);
        db.satelliteCount = upTo(255);
        db.transponderCount = upTo(65535);
        db.serviceCount = upTo(65535);
        for (int i = 0; i < antennas; ++i) {
            AntennaRecord a;
            a.id = upTo(255);
            a.lowFreq = static_cast<int32_t>(rng_());
            a.highFreq = static_cast<int32_t>(rng_());
            a.centerFreq = static_cast<int32_t>(rng_());
            a.lnbType = upTo(15);
            a.lnbPower = upTo(3);
            a.lnbVoltage = upTo(3);
            a.toneburst = upTo(3);
            a.committed10 = upTo(15);
            a.uncommitted = upTo(15);
            a.committed11 = upTo(15);
            a.repeatedTimes = upTo(3);
            a.switch22k = upTo(1);
            a.switch12v = upTo(1);
            a.tunerMask = upTo(15);
            a.diseqcType = upTo(1);
            a.antennaKey = upTo(255);
            db.antennas.append(a);
        }
        const auto satelliteIds = distinctIds(satellites, 256);
        for (int32_t id : satelliteIds) {
            SatelliteRecord s;
            s.id = id;
            randomName(s.name, 14);
            s.longitude = upTo(65535);
            db.satellites.append(s);
        }
        const auto transponderIds = distinctIds(satellites > 0 ? transponders : 0, 65536);
        for (int32_t id : transponderIds) {
            TransponderRecord t;
            t.id = id;
            t.satelliteId = satelliteIds[static_cast<std::size_t>(upTo(satellites - 1))];
            t.frequency = static_cast<int32_t>(rng_());
            t.symbolRate = upTo(0xFFFFFF);
            t.polarity = upTo(3);
            t.fec = upTo(15);
            t.antennaId = upTo(255);
            db.transponders.append(t);
        }
        for (int i = 0; i < (transponderIds.empty() ? 0 : services); ++i) {
            ServiceRecord v;
            v.transponderId = transponderIds[static_cast<std::size_t>(
                upTo(static_cast<int32_t>(transponderIds.size()) - 1))];
            v.number = upTo(65535);
            randomName(v.name, 18);
            do {
                v.videoPid = upTo(1) ? upTo(0x1FFF) : 0;
                v.audioPid = upTo(1) ? upTo(0x1FFF) : 0;
                v.pcrPid = upTo(1) ? upTo(0x1FFF) : 0;
            } while (v.videoPid == 0 && v.audioPid == 0 && v.pcrPid == 0);
            v.serviceId = upTo(65535);
            v.caMode = upTo(1);
            v.favorites = upTo(255);
            v.lock = upTo(1);
            db.services.append(v);
        }
        return db;
    }

private:
    std::vector<int32_t> distinctIds(int count, int32_t range) {
        std::vector<int32_t> ids(static_cast<std::size_t>(range));
        std::iota(ids.begin(), ids.end(), 0);
        std::shuffle(ids.begin(), ids.end(), rng_);
        ids.resize(static_cast<std::size_t>(count));
        return ids;
    }

    std::mt19937 rng_;
};

// What a write and a read give back, worked out from the lists: transponders regrouped under
// their satellites in satellite order, services under their transponders.
ChannelDatabase regrouped(const ChannelDatabase& db) {
    ChannelDatabase expected;
    expected.satelliteCount = db.satelliteCount;
    expected.transponderCount = db.transponderCount;
    expected.serviceCount = db.serviceCount;
    expected.antennaCount = db.antennaCount;
    expected.antennas = db.antennas;
    expected.satellites = db.satellites;
    for (const auto& s : db.satellites)
        for (const auto& t : db.transponders)
            if (t.satelliteId == s.id)
                expected.transponders.append(t);
    for (const auto& t : expected.transponders)
        for (const auto& v : db.services)
            if (v.transponderId == t.id)
                expected.services.append(v);
    return expected;
}

TEST(CddRoundTrip, RandomDatabasesComeBackRegrouped) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        RandomDatabase random(seed);
        const int satellites = random.upTo(12);
        const ChannelDatabase db =
            random.make(satellites, random.upTo(60), random.upTo(400), random.upTo(12));
        const CddEncodeResult encoded = encodeCdd(db);
        ASSERT_TRUE(encoded.ok()) << encoded.error;
        ChannelDatabase back;
        ASSERT_EQ(readCddBytes(back, encoded.bytes), kCddRead) << "seed " << seed;
        ASSERT_EQ(back, regrouped(db)) << "seed " << seed;
    }
}

TEST(CddRoundTrip, LargeDatabaseThroughAFile) {
    RandomDatabase random(99);
    const ChannelDatabase db = random.make(255, 2000, 8000, 255);
    ScratchDir dir;
    const std::string path = dir.file("large.cdd");
    const CddWriteResult written = writeCddFile(db, path);
    ASSERT_TRUE(written.ok) << written.message;
    ChannelDatabase back;
    ASSERT_EQ(readCddFile(back, path), kCddRead);
    EXPECT_EQ(back, regrouped(db));
}

TEST(CddRoundTrip, WriterLeavesOutOrphansAndServicesWithoutPids) {
    ChannelDatabase db = testing::smallDatabase();
    TransponderRecord orphan;
    orphan.id = 9;
    orphan.satelliteId = 42; // no such satellite
    db.transponders.append(orphan);
    ServiceRecord onOrphan;
    onOrphan.transponderId = 9;
    onOrphan.videoPid = 1;
    db.services.append(onOrphan);
    ServiceRecord nowhere;
    nowhere.transponderId = 77;
    nowhere.audioPid = 1;
    db.services.append(nowhere);
    ServiceRecord noPids;
    setName(noPids.name, "silent");
    db.services.append(noPids);

    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, encodeCdd(db).bytes), kCddRead);
    EXPECT_EQ(back.transponders.size(), 1u);
    ASSERT_EQ(back.services.size(), 1u);
    EXPECT_EQ(nameView(back.services.front().name), "Radio");
}

// Every satellite block with a matching id carries the transponder, and every transponder block
// with a matching id the service.
TEST(CddRoundTrip, DuplicateIdsRepeatTheirChildren) {
    ChannelDatabase db = testing::smallDatabase();
    db.satellites.append(db.satellites.front());
    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, encodeCdd(db).bytes), kCddRead);
    EXPECT_EQ(back.satellites.size(), 2u);
    EXPECT_EQ(back.transponders.size(), 2u);
    EXPECT_EQ(back.services.size(), 2u);
}

// --- damaged and unusual files ------------------------------------------------------------------

ChannelDatabase withClipboards() {
    ChannelDatabase db = testing::smallDatabase();
    db.satelliteClipboard.append(db.satellites.front());
    db.serviceClipboard.append(db.services.front());
    db.serviceCount = 77;
    return db;
}

Bytes mediumFile() {
    RandomDatabase random(7);
    const CddEncodeResult encoded = encodeCdd(random.make(3, 6, 12, 3));
    EXPECT_TRUE(encoded.ok());
    return encoded.bytes;
}

TEST(CddDamagedFile, EveryTruncationFailsAndChangesNothing) {
    const Bytes file = mediumFile();
    const ChannelDatabase before = withClipboards();
    for (std::size_t size = 0; size < file.size(); ++size) {
        ChannelDatabase db = before;
        const int result = readCddBytes(db, std::span(file).first(size));
        ASSERT_EQ(result, size < 16 ? kCddBadHeader : kCddBadChecksum) << size;
        ASSERT_EQ(db, before) << size;
    }
}

TEST(CddDamagedFile, EveryBitFlipAfterTheMarkerFailsAndChangesNothing) {
    const Bytes file = mediumFile();
    const ChannelDatabase before = withClipboards();
    for (std::size_t at = 13; at < file.size(); ++at)
        for (int bit = 0; bit < 8; ++bit) {
            Bytes damaged = file;
            damaged[at] ^= static_cast<uint8_t>(1u << bit);
            ChannelDatabase db = before;
            ASSERT_EQ(readCddBytes(db, damaged), kCddBadChecksum) << at << "." << bit;
            ASSERT_EQ(db, before) << at << "." << bit;
        }
}

TEST(CddDamagedFile, WrongHeaderBytesAreRefused) {
    const Bytes file = encodeCdd(testing::smallDatabase()).bytes;
    const ChannelDatabase before = withClipboards();
    for (std::size_t at : {0, 1, 2, 3, 4, 9, 10, 11, 12}) {
        Bytes damaged = file;
        damaged[at] ^= 0x02;
        ChannelDatabase db = before;
        EXPECT_EQ(readCddBytes(db, damaged), kCddBadHeader) << at;
        EXPECT_EQ(db, before);
    }
    // L below the fixed part of the body cannot be a file of this kind.
    for (uint8_t length : {0, 5, 18}) {
        Bytes tiny = file;
        tiny[8] = length;
        ChannelDatabase db = before;
        EXPECT_EQ(readCddBytes(db, tiny), kCddBadHeader);
        EXPECT_EQ(db, before);
    }
}

TEST(CddDamagedFile, LengthBeyondTheFileIsAShortFile) {
    Bytes file = encodeCdd(ChannelDatabase{}).bytes;
    for (uint8_t b : {5, 6, 7, 8})
        file[b] = 0xFF; // L + 13 overflows 32 bits
    ChannelDatabase db = withClipboards();
    EXPECT_EQ(readCddBytes(db, file), kCddBadChecksum);
    EXPECT_EQ(db, withClipboards());
}

TEST(CddDamagedFile, BytesAfterTheChecksumAreIgnored) {
    Bytes file = encodeCdd(testing::smallDatabase()).bytes;
    file.insert(file.end(), {1, 2, 3, 4, 5});
    ChannelDatabase db;
    EXPECT_EQ(readCddBytes(db, file), kCddRead);
    EXPECT_EQ(db.services.size(), 1u);
}

// Checksummed bodies whose section lengths claim more or other than what follows: the parser
// reads whole records while they fit and stops at the end of the body.
TEST(CddDamagedFile, LyingSectionLengthsStopAtTheEndOfTheBody) {
    const Bytes antenna(19, 0x11);
    {
        Bytes f = testing::cddPrefix(0x7FFFFFFF);
        f.insert(f.end(), antenna.begin(), antenna.end());
        f.insert(f.end(), {0, 0, 0}); // not a whole record, nor an Ls
        ChannelDatabase db;
        EXPECT_EQ(readCddBytes(db, testing::sealCdd(f)), kCddRead);
        EXPECT_EQ(db.antennas.size(), 1u);
    }
    {
        Bytes f = testing::cddPrefix(0x80000000); // negative: no antennas
        testing::appendBe32(f, 0x7FFFFFFF);       // Ls
        Bytes satellite(23, 0);
        satellite[22] = 14; // Lt: one transponder header
        f.insert(f.end(), satellite.begin(), satellite.end());
        Bytes transponder(14, 0);
        transponder[12] = 0xFF; // Lv claims 65280 bytes of services
        transponder[13] = 0x00;
        f.insert(f.end(), transponder.begin(), transponder.end());
        f.insert(f.end(), 34, 0x01); // one service
        f.insert(f.end(), 20, 0x02); // part of another
        ChannelDatabase db;
        EXPECT_EQ(readCddBytes(db, testing::sealCdd(f)), kCddRead);
        EXPECT_TRUE(db.antennas.empty());
        EXPECT_EQ(db.satellites.size(), 1u);
        EXPECT_EQ(db.transponders.size(), 1u);
        EXPECT_EQ(db.services.size(), 1u);
    }
    {
        Bytes f = testing::cddPrefix(20); // one record and one byte: misaligns what follows
        f.insert(f.end(), antenna.begin(), antenna.end());
        f.insert(f.end(), antenna.begin(), antenna.end());
        ChannelDatabase db;
        EXPECT_EQ(readCddBytes(db, testing::sealCdd(f)), kCddRead);
        EXPECT_EQ(db.antennas.size(), 2u);
        EXPECT_TRUE(db.satellites.empty());
    }
}

TEST(CddDamagedFile, RandomChecksummedBodiesNeverCrash) {
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        Bytes f = testing::cddPrefix(static_cast<uint32_t>(rng()));
        const std::size_t extra = 4 + rng() % 400; // at least an Ls
        for (std::size_t i = 0; i < extra; ++i)
            f.push_back(static_cast<uint8_t>(rng() % 4 == 0 ? 0xFF : rng() % 40));
        ChannelDatabase db;
        ASSERT_EQ(readCddBytes(db, testing::sealCdd(f)), kCddRead);
    }
}

// --- files on disk -------------------------------------------------------------------------------

TEST(CddFile, ReadResultsFromDisk) {
    ScratchDir dir;
    const ChannelDatabase before = withClipboards();
    ChannelDatabase db = before;
    EXPECT_EQ(readCddFile(db, dir.file("missing.cdd")), kCddCannotOpen);
    EXPECT_EQ(readCddFile(db, dir.path().string()), kCddCannotOpen);
    writeAll(dir.file("short.cdd"), {0x26, 0x52, 0x06});
    EXPECT_EQ(readCddFile(db, dir.file("short.cdd")), kCddBadHeader);
    Bytes file = encodeCdd(testing::smallDatabase()).bytes;
    file[12] = 2;
    writeAll(dir.file("marker.cdd"), file);
    EXPECT_EQ(readCddFile(db, dir.file("marker.cdd")), kCddBadHeader);
    file[12] = 1;
    file[40] ^= 0x40;
    writeAll(dir.file("flipped.cdd"), file);
    EXPECT_EQ(readCddFile(db, dir.file("flipped.cdd")), kCddBadChecksum);
    file[40] ^= 0x40;
    file.resize(file.size() - 1);
    writeAll(dir.file("cut.cdd"), file);
    EXPECT_EQ(readCddFile(db, dir.file("cut.cdd")), kCddBadChecksum);
    EXPECT_EQ(db, before);
}

// A good read replaces lists and counters but keeps what the user has cut.
TEST(CddFile, GoodReadKeepsTheCutBuffers) {
    ChannelDatabase db = withClipboards();
    ASSERT_EQ(readCddBytes(db, encodeCdd(ChannelDatabase{}).bytes), kCddRead);
    EXPECT_TRUE(db.satellites.empty());
    EXPECT_TRUE(db.services.empty());
    EXPECT_EQ(db.serviceCount, 0);
    EXPECT_EQ(db.satelliteClipboard, withClipboards().satelliteClipboard);
    EXPECT_EQ(db.serviceClipboard, withClipboards().serviceClipboard);
}

TEST(CddFile, WritingLeavesTheDatabaseAlone) {
    ChannelDatabase db = testing::smallDatabase();
    db.services.front().number = 1;
    const ChannelDatabase before = db;
    ScratchDir dir;
    ASSERT_TRUE(writeCddFile(db, dir.file("a.cdd")).ok);
    EXPECT_EQ(db, before);
    ChannelDatabase back;
    ASSERT_EQ(readCddFile(back, dir.file("a.cdd")), kCddRead);
    EXPECT_EQ(back.services.front().number, 1);
}

TEST(CddFile, FailedWriteKeepsTheOldFile) {
    ScratchDir dir;
    const std::string path = dir.file("keep.cdd");
    const Bytes old = encodeCdd(ChannelDatabase{}).bytes;
    writeAll(path, old);
    {
        ScopedWriteFailure failure(40);
        const CddWriteResult result = writeCddFile(testing::smallDatabase(), path);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
    }
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.cdd"});

    const CddWriteResult noFolder = writeCddFile(ChannelDatabase{}, dir.file("none/x.cdd"));
    EXPECT_FALSE(noFolder.ok);
    EXPECT_FALSE(noFolder.message.empty());
}

// --- what the file cannot hold ---------------------------------------------------------------

struct Refusal {
    const char* what;
    void (*breakIt)(ChannelDatabase&);
    const char* mentions; // the offending value and the limit appear in the message
    const char* limit;
};

const Refusal kRefusals[] = {
    {"antenna counter", [](ChannelDatabase& db) { db.antennaCount = 256; }, "256", "255"},
    {"satellite counter", [](ChannelDatabase& db) { db.satelliteCount = -1; }, "-1", "255"},
    {"transponder counter", [](ChannelDatabase& db) { db.transponderCount = 65536; }, "65536",
     "65535"},
    {"service counter", [](ChannelDatabase& db) { db.serviceCount = 70000; }, "70000", "65535"},
    {"antenna id", [](ChannelDatabase& db) { db.antennas.front().id = 300; }, "300", "255"},
    {"satellite id",
     [](ChannelDatabase& db) {
         db.satellites.front().id = 256;
         db.transponders.front().satelliteId = 256;
     },
     "256", "255"},
    {"transponder id",
     [](ChannelDatabase& db) {
         db.transponders.front().id = 65536;
         db.services.front().transponderId = 65536;
     },
     "65536", "65535"},
    {"transponder antenna id", [](ChannelDatabase& db) { db.transponders.front().antennaId = -3; },
     "-3", "255"},
    {"service number", [](ChannelDatabase& db) { db.services.front().number = 65536; }, "65536",
     "65535"},
    {"services per transponder",
     [](ChannelDatabase& db) {
         for (int i = 0; i < kCddMaxServicesPerTransponder; ++i)
             db.services.append(db.services.front());
     },
     "1928", "1927"},
};

TEST(CddRefusal, DatabaseTheFileCannotHoldIsNotWritten) {
    for (const Refusal& refusal : kRefusals) {
        SCOPED_TRACE(refusal.what);
        ChannelDatabase db = testing::smallDatabase();
        refusal.breakIt(db);
        const CddEncodeResult encoded = encodeCdd(db);
        ASSERT_FALSE(encoded.ok());
        EXPECT_TRUE(encoded.bytes.empty());
        EXPECT_NE(encoded.error.find(refusal.mentions), std::string::npos) << encoded.error;
        EXPECT_NE(encoded.error.find(refusal.limit), std::string::npos) << encoded.error;

        ScratchDir dir;
        const std::string path = dir.file("old.cdd");
        writeAll(path, {'o', 'l', 'd'});
        const CddWriteResult written = writeCddFile(db, path);
        EXPECT_FALSE(written.ok);
        EXPECT_EQ(written.message, encoded.error);
        EXPECT_EQ(readAll(path), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"old.cdd"});
    }
}

TEST(CddRefusal, LimitsThemselvesAreAccepted) {
    ChannelDatabase db = testing::smallDatabase();
    db.antennaCount = 255;
    db.satelliteCount = 255;
    db.transponderCount = 65535;
    db.serviceCount = 65535;
    db.antennas.front().id = 255;
    db.satellites.front().id = 255;
    db.transponders.front().satelliteId = 255;
    db.transponders.front().id = 65535;
    db.transponders.front().antennaId = 255;
    db.services.front().transponderId = 65535;
    db.services.front().number = 65535;
    for (int i = 1; i < kCddMaxServicesPerTransponder; ++i)
        db.services.append(db.services.front());
    const CddEncodeResult encoded = encodeCdd(db);
    ASSERT_TRUE(encoded.ok()) << encoded.error;
    // Lv of the full transponder: 34 * 1927 = 65518 = 0xFFEE.
    const std::size_t lv = 24 + 19 + 4 + 23 + 12;
    EXPECT_EQ(encoded.bytes[lv], 0xFF);
    EXPECT_EQ(encoded.bytes[lv + 1], 0xEE);
    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, encoded.bytes), kCddRead);
    EXPECT_EQ(back, db);
}

// Records outside the written tree are not checked: the file never holds them.
TEST(CddRefusal, UnwrittenRecordsMayHoldAnyValue) {
    ChannelDatabase db = testing::smallDatabase();
    TransponderRecord orphan;
    orphan.id = 1 << 20;
    orphan.satelliteId = 999;
    db.transponders.append(orphan);
    ServiceRecord silent;
    silent.number = -5;
    db.services.append(silent);
    EXPECT_TRUE(encodeCdd(db).ok());
}

// Duplicate ids can make one satellite block larger than its signed 32-bit length; found before
// anything is built.
TEST(CddRefusal, SectionLengthsMustFitTheirFields) {
    ChannelDatabase db = testing::smallDatabase();
    for (int i = 1; i < kCddMaxServicesPerTransponder; ++i)
        db.services.append(db.services.front());
    const TransponderRecord t = db.transponders.front();
    // 33000 blocks of 14 + 65518 bytes pass 2^31 - 1.
    for (int i = 1; i < 33000; ++i)
        db.transponders.append(t);
    const CddEncodeResult oneSatellite = encodeCdd(db);
    ASSERT_FALSE(oneSatellite.ok());
    EXPECT_NE(oneSatellite.error.find("32-bit"), std::string::npos) << oneSatellite.error;

    // Half as many in each of two satellite blocks: each fits, the section does not.
    ChannelDatabase two = testing::smallDatabase();
    for (int i = 1; i < kCddMaxServicesPerTransponder; ++i)
        two.services.append(two.services.front());
    for (int i = 1; i < 17000; ++i)
        two.transponders.append(t);
    two.satellites.append(two.satellites.front());
    const CddEncodeResult twoSatellites = encodeCdd(two);
    ASSERT_FALSE(twoSatellites.ok());
    EXPECT_NE(twoSatellites.error.find("32-bit"), std::string::npos) << twoSatellites.error;
}

} // namespace
} // namespace corvane
