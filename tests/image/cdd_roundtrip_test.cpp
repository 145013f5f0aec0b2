// Writing then reading .cdd files, damaged files, and the rules the reader and writer keep.

#include "image/cdd_file.h"
#include "image/cdd_limits.h"
#include "image/checksum.h"

#include "base/bytes.h"

#include "cdd_test_support.h"
#include "support/test_file_system.h"
#include "support/test_files.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace corvane::testing;

// Records with values inside their stored widths, distinct ids and links to existing records, in
// shuffled list order so that the writer's grouping shows.
ChannelDatabase randomDatabase(uint32_t seed, int satellites, int transponders, int services) {
    std::mt19937 rng(seed);
    const auto upTo = [&](uint32_t high) { return static_cast<int32_t>(rng() % (high + 1)); };
    const auto name = [&](std::size_t maxLength) {
        std::string text(static_cast<std::size_t>(upTo(static_cast<uint32_t>(maxLength))), ' ');
        for (char& c : text)
            c = static_cast<char>(1 + upTo(254));
        RecordName n{};
        setName(n, text);
        return n;
    };
    const auto distinct = [&](int count, int32_t range) {
        std::vector<int32_t> ids(static_cast<std::size_t>(range));
        std::iota(ids.begin(), ids.end(), 0);
        std::shuffle(ids.begin(), ids.end(), rng);
        ids.resize(static_cast<std::size_t>(count));
        return ids;
    };
    ChannelDatabase db;
    db.antennaCount = upTo(255);
    db.satelliteCount = upTo(255);
    db.transponderCount = upTo(65535);
    db.serviceCount = upTo(65535);
    for (int i = 0; i < satellites; ++i)
        db.antennas.append({upTo(255), static_cast<int32_t>(rng()), static_cast<int32_t>(rng()),
                            static_cast<int32_t>(rng()), upTo(15), upTo(3), upTo(3), upTo(3),
                            upTo(15), upTo(15), upTo(15), upTo(3), upTo(1), upTo(1), upTo(15),
                            upTo(1), upTo(255)});
    const auto satelliteIds = distinct(satellites, 256);
    for (int32_t id : satelliteIds)
        db.satellites.append({id, name(14), upTo(65535)});
    const auto transponderIds = distinct(satellites > 0 ? transponders : 0, 65536);
    for (int32_t id : transponderIds)
        db.transponders.append({id, satelliteIds[rng() % satelliteIds.size()],
                                static_cast<int32_t>(rng()), upTo(0xFFFFFF), upTo(3), upTo(15),
                                upTo(255)});
    for (int i = 0; !transponderIds.empty() && i < services; ++i) {
        ServiceRecord v{transponderIds[rng() % transponderIds.size()], upTo(65535), name(18)};
        while (v.videoPid == 0 && v.audioPid == 0 && v.pcrPid == 0) {
            v.videoPid = upTo(1) * upTo(0x1FFF);
            v.audioPid = upTo(1) * upTo(0x1FFF);
            v.pcrPid = upTo(1) * upTo(0x1FFF);
        }
        v.serviceId = upTo(65535);
        v.caMode = upTo(1);
        v.favorites = upTo(255);
        v.lock = upTo(1);
        db.services.append(v);
    }
    return db;
}

// What a write and a read give back: transponders regrouped under their satellites in satellite
// order, services under their transponders.
ChannelDatabase regrouped(const ChannelDatabase& db) {
    ChannelDatabase expected = db;
    expected.transponders.clear();
    expected.services.clear();
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
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        const ChannelDatabase db =
            randomDatabase(seed, static_cast<int>(seed % 13), static_cast<int>(seed * 7 % 60),
                           static_cast<int>(seed * 37 % 400));
        ChannelDatabase back;
        ASSERT_EQ(readCddBytes(back, encodeCdd(db).value).code, CddRead::Ok) << seed;
        ASSERT_EQ(back, regrouped(db)) << seed;
    }
    const ChannelDatabase large = randomDatabase(99, 255, 2000, 8000);
    ScratchDir dir;
    ASSERT_TRUE(writeCddFile(large, dir.file("large.cdd")).ok());
    ChannelDatabase back;
    ASSERT_EQ(readCddFile(back, dir.file("large.cdd")).code, CddRead::Ok);
    EXPECT_EQ(back, regrouped(large));
}

TEST(CddRoundTrip, OrphansSilentServicesAndDuplicateIds) {
    ChannelDatabase db = smallDatabase();
    db.transponders.append({.id = 9, .satelliteId = 42});     // no such satellite
    db.services.append({.transponderId = 9, .videoPid = 1});  // on the orphan
    db.services.append({.transponderId = 77, .audioPid = 1}); // on nothing
    db.services.append({.transponderId = 0, .number = 3});    // no PIDs
    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, encodeCdd(db).value).code, CddRead::Ok);
    EXPECT_EQ(back.transponders.size(), 1u);
    EXPECT_EQ(back.services.size(), 1u);

    // A second satellite or written transponder with an id in use would repeat the records that
    // hang on it under counters that count them once: refused, naming the record.
    ChannelDatabase twoSatellites = db;
    twoSatellites.satellites.append(db.satellites.front());
    ChannelDatabase twoTransponders = db;
    twoTransponders.transponders.append({.id = 0, .satelliteId = 0, .frequency = 12000});
    for (const ChannelDatabase* doubled : {&twoSatellites, &twoTransponders}) {
        const auto encoded = encodeCdd(*doubled);
        EXPECT_EQ(encoded.code, CddSave::Refused);
        EXPECT_NE(encoded.detail.find("an earlier"), std::string::npos) << encoded.detail;
    }
    // An orphan sharing a written transponder's id is not written, so nothing repeats.
    db.transponders.append({.id = 0, .satelliteId = 42});
    EXPECT_TRUE(encodeCdd(db).ok());
}

// --- damaged files: a failed read leaves the database, cut buffers included, as it was ---------

ChannelDatabase withClipboards() {
    ChannelDatabase db = smallDatabase();
    db.satelliteClipboard.append(db.satellites.front());
    db.serviceCount = 77;
    return db;
}

TEST(CddDamagedFile, EveryTruncationAndBitFlipFails) {
    const Bytes file = encodeCdd(randomDatabase(7, 3, 6, 12)).value;
    const ChannelDatabase before = withClipboards();
    ChannelDatabase db = before;
    for (std::size_t size = 0; size < file.size(); ++size) {
        ASSERT_EQ(readCddBytes(db, std::span(file).first(size)).code,
                  size < 16 ? CddRead::BadHeader : CddRead::BadChecksum)
            << size;
        ASSERT_EQ(db, before) << size;
    }
    for (std::size_t at = 13; at < file.size(); ++at)
        for (int bit = 0; bit < 8; ++bit) {
            Bytes damaged = file;
            damaged[at] ^= static_cast<uint8_t>(1u << bit);
            ASSERT_EQ(readCddBytes(db, damaged).code, CddRead::BadChecksum) << at << "." << bit;
            ASSERT_EQ(db, before) << at << "." << bit;
        }
}

TEST(CddDamagedFile, HeaderChecks) {
    const Bytes file = encodeCdd(smallDatabase()).value;
    const ChannelDatabase before = withClipboards();
    ChannelDatabase db = before;
    for (std::size_t at : {0u, 4u, 9u, 11u, 12u}) {
        Bytes damaged = file;
        damaged[at] ^= 0x02; // byte 12 becomes 3
        EXPECT_EQ(readCddBytes(db, damaged).code, CddRead::BadHeader) << at;
    }
    Bytes huge = file;
    std::fill(huge.begin() + 5, huge.begin() + 9, 0xFF); // L + 13 passes 32 bits
    EXPECT_EQ(readCddBytes(db, huge).code, CddRead::BadChecksum);
    EXPECT_EQ(db, before);

    Bytes longer = file;
    longer.insert(longer.end(), {1, 2, 3}); // bytes after the checksum do not count
    EXPECT_EQ(readCddBytes(db, longer).code, CddRead::Ok);
    EXPECT_EQ(db.services.size(), 1u);
    EXPECT_EQ(db.satelliteClipboard, before.satelliteClipboard); // a good read keeps cut buffers
}

// A body length below the 19 bytes of the fixed fields: the checksum test still comes first, so
// only a sealed file is refused as not being a .cdd header.
TEST(CddDamagedFile, ShortBodyLengthsFailTheChecksumFirst) {
    const ChannelDatabase before = withClipboards();
    ChannelDatabase db = before;
    // L = 0: the "checksum" at offset 9 is 00 00 00 01, the checksum of bytes 0..8 is C2 6C 40 96.
    const Bytes sixteen = {0x26, 0x52, 0x06, 0x24, 0x01, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(readCddBytes(db, sixteen).code, CddRead::BadChecksum);
    // L = 18 in a 32-byte file: the four bytes at offset 27 are not the checksum of bytes 0..26.
    Bytes eighteen = {0x26, 0x52, 0x06, 0x24, 0x01, 0x00, 0x00, 0x00, 0x12, 0x00, 0x00,
                      0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(readCddBytes(db, eighteen).code, CddRead::BadChecksum);
    std::copy_n(Bytes{0xD8, 0x7D, 0x2E, 0xAE}.begin(), 4, eighteen.begin() + 27);
    EXPECT_EQ(readCddBytes(db, eighteen).code, CddRead::BadHeader);
    // L = 10, sealed: bytes 0..18 and their checksum.
    const Bytes ten = {0x26, 0x52, 0x06, 0x24, 0x01, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00,
                       0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x69, 0xB3, 0xFB, 0xB9};
    EXPECT_EQ(readCddBytes(db, ten).code, CddRead::BadHeader);
    EXPECT_EQ(readCddBytes(db, std::span(ten).first(22)).code, CddRead::BadChecksum);
    EXPECT_EQ(db, before);
}

// Checksummed bodies whose length fields do not match their records: refused naming the section,
// the database left as it was. The fields are La, Ls, one satellite block with Lt and one
// transponder header with Lv, then the records they announce.
TEST(CddDamagedFile, SectionLengthsThatDoNotFitTheirRecordsAreRefused) {
    struct Case {
        uint32_t la, ls, lt, lv;
        std::size_t antennaBytes, serviceBytes, trailing;
        const char* section; // empty: accepted
    };
    const Case cases[] = {
        {19, 23 + 14 + 34, 14 + 34, 34, 19, 34, 0, ""},
        {0, 0, 0, 0, 0, 0, 0, ""}, // no satellite block at all
        {58, 23 + 14, 14, 0, 58, 0, 0, "antenna section"},
        {0x7FFFFFFF, 23 + 14, 14, 0, 19, 0, 0, "antenna section"},
        {0x80000000, 23 + 14, 14, 0, 0, 0, 0, "antenna section"},
        {0, 0x7FFFFFFF, 14, 0, 0, 0, 0, "satellite section"},
        {0, 10, 14, 0, 0, 0, 0, "satellite section"}, // ends inside the block's header
        {0, 23 + 14, 13, 0, 0, 0, 0, "transponder section of satellite block 0"},
        {0, 23 + 14, 20, 0, 0, 0, 0, "transponder section of satellite block 0"},
        {0, 23 + 14 + 34, 14 + 34, 30, 0, 34, 0, "service section of transponder"},
        {0, 23 + 14 + 34, 14 + 34, 0xFF00, 0, 34, 0, "service section of transponder"},
        // Lv 0 with a service after it: that service is read as the next transponder header.
        {0, 23 + 14 + 34, 14 + 34, 0, 0, 34, 0, "service section of transponder 257"},
        {0, 23 + 14, 14, 0, 0, 0, 34, "follow the satellite section"},
    };
    const ChannelDatabase before = withClipboards();
    for (const Case& c : cases) {
        Bytes f = cddPrefix(c.la);
        f.insert(f.end(), c.antennaBytes, 0x11);
        appendBe32(f, c.ls);
        if (c.ls != 0) {
            f.insert(f.end(), 19, 0);
            appendBe32(f, c.lt);
            f.insert(f.end(), 12, 0);
            f.insert(f.end(), {static_cast<uint8_t>(c.lv >> 8), static_cast<uint8_t>(c.lv)});
        }
        f.insert(f.end(), c.serviceBytes + c.trailing, 0x01);
        ChannelDatabase db = before;
        const Status<CddRead> read = readCddBytes(db, sealCdd(f));
        if (*c.section == '\0') {
            EXPECT_EQ(read.code, CddRead::Ok) << read.detail;
            continue;
        }
        EXPECT_EQ(read.code, CddRead::BadSections) << c.section;
        EXPECT_NE(read.detail.find(c.section), std::string::npos) << read.detail;
        EXPECT_EQ(db, before) << c.section;
    }
}

// Every refusal names the file and says why, as the user is told.
TEST(CddFile, ReadResultsFromDiskWithTheirCauses) {
    ScratchDir dir;
    const ChannelDatabase before = withClipboards();
    ChannelDatabase db = before;
    const auto detailOf = [&](const std::string& name, CddRead expected) {
        const Status<CddRead> read = readCddFile(db, dir.file(name));
        EXPECT_EQ(read.code, expected) << name;
        return read.detail.substr(std::min(read.detail.size(), dir.file(name).size()));
    };
    EXPECT_EQ(detailOf("missing.cdd", CddRead::CannotOpen), ": No such file or directory");
    EXPECT_EQ(readCddFile(db, dir.path()).detail, dir.path() + ": Is a directory");
    Bytes file = encodeCdd(smallDatabase()).value;
    writeAll(dir.file("short.cdd"), Bytes(file.begin(), file.begin() + 15));
    EXPECT_EQ(detailOf("short.cdd", CddRead::BadHeader), ": header is not that of a .cdd file");
    writeAll(dir.file("cut.cdd"), Bytes(file.begin(), file.end() - 1));
    EXPECT_EQ(detailOf("cut.cdd", CddRead::BadChecksum),
              ": " + std::to_string(file.size() - 1) + " bytes, shorter than the " +
                  std::to_string(file.size()) + " bytes its header gives");
    Bytes damaged = file;
    damaged.back() ^= 0xFF;
    writeAll(dir.file("damaged.cdd"), damaged);
    char mismatch[96];
    std::snprintf(mismatch, sizeof mismatch,
                  ": checksum does not match (stored 0x%08X, computed 0x%08X)",
                  static_cast<unsigned>(loadBe32(&damaged[damaged.size() - 4])),
                  static_cast<unsigned>(crc32(std::span(damaged).first(damaged.size() - 4))));
    EXPECT_EQ(detailOf("damaged.cdd", CddRead::BadChecksum), mismatch);
    Bytes huge = file;
    std::fill(huge.begin() + 5, huge.begin() + 9, 0xFF); // claims 4 GiB, holds a few bytes
    writeAll(dir.file("huge.cdd"), huge);
    EXPECT_EQ(detailOf("huge.cdd", CddRead::BadChecksum),
              ": " + std::to_string(huge.size()) +
                  " bytes, shorter than the 4294967308 bytes its "
                  "header gives");
    EXPECT_EQ(db, before);
    writeAll(dir.file("good.cdd"), file);
    EXPECT_EQ(readCddFile(db, dir.file("good.cdd")).code, CddRead::Ok);
    EXPECT_EQ(db.serviceCount, 1);
}

TEST(CddFile, WritingChangesNeitherTheDatabaseNorAFileItCannotFinish) {
    ScratchDir dir;
    ChannelDatabase db = smallDatabase();
    db.services.front().number = 1;
    const ChannelDatabase before = db;
    ASSERT_TRUE(writeCddFile(db, dir.file("a.cdd")).ok());
    EXPECT_EQ(db, before);
    ChannelDatabase back;
    ASSERT_EQ(readCddFile(back, dir.file("a.cdd")).code, CddRead::Ok);
    EXPECT_EQ(back.services.front().number, 1);

    const Bytes old = readAll(dir.file("a.cdd"));
    {
        TestFileSystem disk;
        disk.roomPerFile = 20; // the empty database takes 32 bytes
        const Status<CddSave> result = writeCddFile(ChannelDatabase{}, dir.file("a.cdd"), disk);
        EXPECT_EQ(result.code, CddSave::WriteFailed);
        EXPECT_NE(result.detail.find("a.cdd"), std::string::npos) << result.detail;
    }
    EXPECT_EQ(readAll(dir.file("a.cdd")), old);
    EXPECT_EQ(dir.entryCount(), 1u);
    EXPECT_FALSE(writeCddFile(db, dir.file("none/x.cdd")).ok());
}

// --- what the file cannot hold is refused, naming the record and the limit ----------------------

TEST(CddRefusal, OutOfRangeDatabasesAreNotWritten) {
    struct Case {
        void (*breakIt)(ChannelDatabase&);
        const char* value;
        const char* limit;
    };
    const Case cases[] = {
        {[](ChannelDatabase& db) { db.antennaCount = 256; }, "256", "255"},
        {[](ChannelDatabase& db) { db.satelliteCount = -1; }, "-1", "255"},
        {[](ChannelDatabase& db) { db.transponderCount = 65536; }, "65536", "65535"},
        {[](ChannelDatabase& db) { db.serviceCount = 70000; }, "70000", "65535"},
        {[](ChannelDatabase& db) { db.antennas.front().id = 300; }, "300", "255"},
        {[](ChannelDatabase& db) {
             db.satellites.front().id = db.transponders.front().satelliteId = 256;
         },
         "256", "255"},
        {[](ChannelDatabase& db) {
             db.transponders.front().id = db.services.front().transponderId = 65536;
         },
         "65536", "65535"},
        {[](ChannelDatabase& db) { db.transponders.front().antennaId = -3; }, "-3", "255"},
        {[](ChannelDatabase& db) { db.services.front().number = 65536; }, "65536", "65535"},
        {[](ChannelDatabase& db) {
             for (int i = 0; i < cdd::kMaxServicesPerTransponder; ++i)
                 db.services.append(db.services.front());
         },
         "1928", "1927"},
    };
    for (const Case& c : cases) {
        ChannelDatabase db = smallDatabase();
        c.breakIt(db);
        const auto encoded = encodeCdd(db);
        ASSERT_FALSE(encoded.ok()) << c.value;
        EXPECT_TRUE(encoded.value.empty());
        EXPECT_NE(encoded.detail.find(c.value), std::string::npos) << encoded.detail;
        EXPECT_NE(encoded.detail.find(c.limit), std::string::npos) << encoded.detail;

        ScratchDir dir;
        writeAll(dir.file("old.cdd"), bytesOf("old"));
        EXPECT_EQ(writeCddFile(db, dir.file("old.cdd")).detail, encoded.detail);
        EXPECT_EQ(readAll(dir.file("old.cdd")), bytesOf("old"));
        EXPECT_EQ(dir.entryCount(), 1u);
    }
}

TEST(CddRefusal, TheLimitsThemselvesAndUnwrittenRecordsPass) {
    ChannelDatabase db = smallDatabase();
    db.antennaCount = db.satelliteCount = 255;
    db.transponderCount = db.serviceCount = 65535;
    db.antennas.front().id = db.satellites.front().id = 255;
    db.transponders.front() = {.id = 65535, .satelliteId = 255, .antennaId = 255};
    db.services.front().transponderId = db.services.front().number = 65535;
    for (int i = 1; i < cdd::kMaxServicesPerTransponder; ++i)
        db.services.append(db.services.front());
    const Bytes file = encodeCdd(db).value;
    EXPECT_EQ(file[24 + 19 + 4 + 23 + 12], 0xFF); // Lv = 34 * 1927 = 0xFFEE
    EXPECT_EQ(file[24 + 19 + 4 + 23 + 13], 0xEE);
    ChannelDatabase back;
    ASSERT_EQ(readCddBytes(back, file).code, CddRead::Ok);
    EXPECT_EQ(back, db);

    db.transponders.append({.id = 1 << 20, .satelliteId = 999}); // an orphan is never written
    db.services.append({.number = -5});                          // nor a service without PIDs
    EXPECT_TRUE(encodeCdd(db).ok());
}

// A satellite block, or the satellite section, longer than its signed 32-bit length field takes
// more services than any input can hold unless ids repeat; repeated ids are refused first, before
// anything is built.
TEST(CddRefusal, SectionLengthsMustFitTheirFields) {
    for (const auto& [satellites, transpondersEach] : {std::pair{1, 33000}, std::pair{2, 17000}}) {
        ChannelDatabase db = smallDatabase();
        for (int i = 1; i < cdd::kMaxServicesPerTransponder; ++i)
            db.services.append(db.services.front());
        for (int i = 1; i < transpondersEach; ++i) // 33000 * 65532 bytes pass 2^31 - 1
            db.transponders.append(db.transponders.front());
        for (int i = 1; i < satellites; ++i)
            db.satellites.append(db.satellites.front());
        const auto encoded = encodeCdd(db);
        ASSERT_FALSE(encoded.ok());
        EXPECT_NE(encoded.detail.find("the same id"), std::string::npos) << encoded.detail;
    }
}

} // namespace
} // namespace corvane
