#include "formats/factory_data.h"

#include "factory_test_files.h"
#include "support/test_file_system.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::BinImage;

const std::string kInvalid = "\n Factory data fie is invalid. ";
const std::string kOpenFailed = "open file failed";

// Converts and hands back the messages, so each case reads as one expectation on the outcome.
bool convertBytes(ChannelDatabase& db, std::span<const uint8_t> bytes, Messages& messages) {
    const Status<> converted = convertFactoryBytes(db, bytes);
    messages = converted.messages;
    return converted.ok();
}
bool convertFile(ChannelDatabase& db, const std::string& path, Messages& messages) {
    const Status<> converted = convertFactoryData(db, path);
    messages = converted.messages;
    return converted.ok();
}

// A database with something in every list, so an untouched database is easy to recognise.
ChannelDatabase previousDatabase() {
    ChannelDatabase db;
    SatelliteRecord s;
    setName(s.name, "EARLIER");
    s.longitude = 282;
    db.appendRecord(s);
    db.satelliteCount = 1;
    db.addDefaultAntenna();
    TransponderRecord t;
    t.frequency = 10773;
    db.appendRecord(t);
    db.transponderCount = 1;
    ServiceRecord v;
    setName(v.name, "KEPT");
    db.appendRecord(v);
    db.serviceCount = 1;
    return db;
}

struct Transponder {
    int32_t id, satelliteId, frequency, symbolRate, polarity, fec;
};

void expectTransponders(const ChannelDatabase& db, const std::vector<Transponder>& expected) {
    ASSERT_EQ(db.transponders.size(), expected.size());
    auto it = db.transponders.begin();
    for (const auto& e : expected) {
        SCOPED_TRACE("transponder " + std::to_string(e.id));
        EXPECT_EQ(it->id, e.id);
        EXPECT_EQ(it->satelliteId, e.satelliteId);
        EXPECT_EQ(it->antennaId, e.satelliteId);
        EXPECT_EQ(it->frequency, e.frequency);
        EXPECT_EQ(it->symbolRate, e.symbolRate);
        EXPECT_EQ(it->polarity, e.polarity);
        EXPECT_EQ(it->fec, e.fec);
        ++it;
    }
}

struct Service {
    int32_t transponderId;
    const char* name;
    int32_t serviceId, videoPid, audioPid, pcrPid, caMode, favorites, lock;
};

void expectServices(const ChannelDatabase& db, const std::vector<Service>& expected) {
    ASSERT_EQ(db.services.size(), expected.size());
    auto it = db.services.begin();
    int32_t number = 0;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(it->number, number++);
        EXPECT_EQ(nameView(it->name), e.name);
        EXPECT_EQ(it->transponderId, e.transponderId);
        EXPECT_EQ(it->serviceId, e.serviceId);
        EXPECT_EQ(it->videoPid, e.videoPid);
        EXPECT_EQ(it->audioPid, e.audioPid);
        EXPECT_EQ(it->pcrPid, e.pcrPid);
        EXPECT_EQ(it->caMode, e.caMode);
        EXPECT_EQ(it->favorites, e.favorites);
        EXPECT_EQ(it->lock, e.lock);
        ++it;
    }
}

void expectLayoutADatabase(const ChannelDatabase& db) {
    ASSERT_EQ(db.satellites.size(), 2u);
    EXPECT_EQ(db.satelliteCount, 2);
    EXPECT_EQ(nameView(db.satellites.front().name), "ASTRA 1");
    EXPECT_EQ(db.satellites.front().longitude, 192);
    EXPECT_EQ(db.satellites.back().id, 1);
    EXPECT_EQ(nameView(db.satellites.back().name), "HISPASAT 30W");
    EXPECT_EQ(db.satellites.back().longitude, 3300);
    // No antenna lines: every satellite gets its default antenna.
    ASSERT_EQ(db.antennas.size(), 2u);
    EXPECT_EQ(db.antennas.back().id, 1);
    EXPECT_EQ(db.antennas.back().lowFreq, 9750);
    // Transponders in text order: those of satellite 0, then satellite 1; the one on a missing
    // satellite is gone. FEC code 6 survives as 8/9, code 7 comes back automatic.
    expectTransponders(
        db, {{0, 0, 11778, 27500, 0, 3}, {1, 0, 12345, 6111, 0, 0}, {2, 1, 12000, 22000, 1, 6}});
    EXPECT_EQ(db.transponderCount, 3);
    expectServices(db, {{1, "Das Erste", 2048, 256, 257, 256, 1, 0, 1},
                        {2, "RADIO NUMBER 1", 4660, 0, 512, 512, 0, 1, 0},
                        {0, "Lost", 0, 0, 0, 0, 0, 0, 0}});
    EXPECT_EQ(db.serviceCount, 3);
}

TEST(FactoryConversion, LayoutALinksServicesToTheirTransponders) {
    ChannelDatabase db = previousDatabase();
    Messages messages;
    EXPECT_TRUE(convertBytes(db, testing::layoutAFile(), messages));
    EXPECT_TRUE(messages.empty());
    expectLayoutADatabase(db);
}

TEST(FactoryConversion, LayoutBReadsAntennasAndTakesTheProgramsOwnSatellite) {
    ChannelDatabase db = previousDatabase();
    Messages messages;
    EXPECT_TRUE(convertBytes(db, testing::layoutBFile(), messages));
    EXPECT_TRUE(messages.empty());

    // Three antenna lines, then the antenna-information line, which the text reads as one more.
    ASSERT_EQ(db.antennas.size(), 4u);
    EXPECT_EQ(db.antennaCount, 4);
    auto a = db.antennas.begin();
    EXPECT_EQ(a->id, 0);
    EXPECT_EQ(a->lnbType, 0);
    EXPECT_EQ(a->lowFreq, 9750);
    EXPECT_EQ(a->highFreq, 10600);
    EXPECT_EQ(a->switch22k, 1);
    EXPECT_EQ(a->switch12v, 0);
    EXPECT_EQ(a->diseqcType, 0); // a DiSEqC antenna, not a fixed one with a port
    ++a;
    EXPECT_EQ(a->id, 1);
    EXPECT_EQ(a->lnbType, 4);
    EXPECT_EQ(a->lowFreq, 5150);
    EXPECT_EQ(a->highFreq, 5750);
    EXPECT_EQ(a->switch22k, 0);
    ++a;
    // Antenna type 3 reads as fixed, so its port b counts.
    EXPECT_EQ(a->id, 2);
    EXPECT_EQ(a->committed10, 2);
    EXPECT_EQ(a->diseqcType, 1);
    ++a;
    EXPECT_EQ(a->id, 2);
    EXPECT_EQ(a->antennaKey, 3);

    ASSERT_EQ(db.satellites.size(), 2u);
    EXPECT_EQ(nameView(db.satellites.front().name), "HOTBIRD");
    EXPECT_EQ(db.satellites.front().longitude, 130);
    EXPECT_EQ(nameView(db.satellites.back().name), "THORINTELS");
    EXPECT_EQ(db.satellites.back().longitude, 3592);
    expectTransponders(
        db, {{0, 0, 11034, 27500, 1, 2}, {1, 1, 10719, 27500, 0, 4}, {2, 1, 11200, 30000, 0, 1}});
    // "Radio" sits on a transponder of satellite 1 but names satellite 0: it is linked to the
    // first transponder of satellite 0.
    expectServices(
        db, {{2, "Sport", 100, 8191, 8190, 8191, 1, 1, 1}, {0, "Radio", 65535, 0, 0, 0, 0, 0, 0}});
}

// Quotes and line ends are bytes like any other in a stored name: each record keeps its own values,
// while the work file's text shows the names as the format writes them.
TEST(FactoryConversion, NamesWithQuotesAndLineEndsKeepEveryRecordsOwnValues) {
    BinImage a(0x2A20 + 3 * 28);
    a.bytes() = testing::layoutAFile();
    using namespace std::string_view_literals;
    a.text(0x2C, "AST\"RA\n1\0"sv)
        .text(0x2A2E, "Das \"Erste\0"sv)
        .text(0x2A4A, "RADIO\r\nNUM 1\0"sv);
    ChannelDatabase db;
    Messages messages;
    ASSERT_TRUE(convertBytes(db, a.bytes(), messages));
    EXPECT_EQ(nameView(db.satellites.front().name), "AST\"RA\n1");
    EXPECT_EQ(nameView(db.satellites.back().name), "HISPASAT 30W");
    expectTransponders(
        db, {{0, 0, 11778, 27500, 0, 3}, {1, 0, 12345, 6111, 0, 0}, {2, 1, 12000, 22000, 1, 6}});
    expectServices(db, {{1, "Das \"Erste", 2048, 256, 257, 256, 1, 0, 1},
                        {2, "RADIO\r\nNUM 1", 4660, 0, 512, 512, 0, 1, 0},
                        {0, "Lost", 0, 0, 0, 0, 0, 0, 0}});
    std::string text;
    ASSERT_TRUE(writeFactoryText(text, a.bytes()).ok());
    EXPECT_NE(text.find("\"Das \"Erste\""), std::string::npos);
    EXPECT_NE(text.find("\"RADIO\r\r\nNUM 1\""), std::string::npos);

    BinImage b(0x4400 + 2 * 32);
    b.bytes() = testing::layoutBFile();
    b.text(0x440E, "\"Sport\n\0"sv);
    ASSERT_TRUE(convertBytes(db, b.bytes(), messages));
    expectServices(db, {{2, "\"Sport\n", 100, 8191, 8190, 8191, 1, 1, 1},
                        {0, "Radio", 65535, 0, 0, 0, 0, 0, 0}});
}

TEST(FactoryConversion, EmptyTablesStillSucceed) {
    ChannelDatabase db = previousDatabase();
    Messages messages;
    BinImage f(32);
    f.u32(24, 0xFFFFFFFF);
    EXPECT_TRUE(convertBytes(db, f.bytes(), messages));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(db.satellites.empty());
    EXPECT_TRUE(db.transponders.empty());
    EXPECT_TRUE(db.services.empty());
    EXPECT_TRUE(db.antennas.empty());
}

TEST(FactoryConversion, TablesThatFitExactlyAreAccepted) {
    Messages messages;
    ChannelDatabase db;
    // Two layout A satellites ending at the last byte of the file.
    BinImage two(0x20 + 2 * 24);
    two.u32(12, 2).u32(24, 0xFFFFFFFF);
    EXPECT_TRUE(convertBytes(db, two.bytes(), messages));
    EXPECT_EQ(db.satellites.size(), 2u);
    // Every table at its full room.
    BinImage fullA(0x10000);
    fullA.u32(12, 106).u32(16, 1024).u32(20, 1955).u32(24, 0xFFFFFFFF);
    EXPECT_TRUE(convertBytes(db, fullA.bytes(), messages));
    EXPECT_EQ(db.satellites.size(), 106u);
    EXPECT_EQ(db.services.size(), 1955u);
    BinImage fullB(0x10000);
    fullB.u8(10, 2).u8(11, 64).u32(12, 128).u32(16, 1149).u32(20, 1504).u32(24, 0xFFFFFFFF);
    EXPECT_TRUE(convertBytes(db, fullB.bytes(), messages));
    EXPECT_EQ(db.satellites.size(), 128u);
    EXPECT_EQ(db.antennas.size(), 128u); // 64 antenna lines, then one default per later satellite
    EXPECT_EQ(db.services.size(), 1504u);
    EXPECT_TRUE(messages.empty());
}

struct InvalidFile {
    const char* what;
    std::vector<uint8_t> bytes;
};

std::vector<InvalidFile> invalidFiles() {
    auto a = [](std::size_t size) {
        BinImage f(size);
        f.u32(24, 0xFFFFFFFF);
        return f;
    };
    auto b = [](std::size_t size) {
        BinImage f(size);
        f.u8(10, 2).u32(24, 0xFFFFFFFF);
        return f;
    };
    return {
        {"empty", {}},
        {"shorter than the signature", {'m', 'o', 'r', 'v', 'a', 'l', 'e'}},
        {"shorter than the header", BinImage(31).bytes()},
        {"wrong signature", a(64).text(0, "morvalem").bytes()},
        {"signature in upper case", a(64).text(0, "MORVALEN").bytes()},
        {"selector 1", a(0x10000).u8(10, 1).bytes()},
        {"selector 3", a(0x10000).u8(10, 3).bytes()},
        {"selector 255", a(0x10000).u8(10, 255).bytes()},
        {"negative satellite count", a(0x10000).u32(12, 0xFFFFFFFF).bytes()},
        {"negative transponder count", b(0x10000).u32(16, 0xFFFFFFFE).bytes()},
        {"negative program count", a(0x10000).u32(20, 0x80000000).bytes()},
        {"layout A satellites beyond their room", a(0x10000).u32(12, 107).bytes()},
        {"layout A transponders beyond their room", a(0x10000).u32(16, 1025).bytes()},
        {"layout A programs beyond their room", a(0x10000).u32(20, 1956).bytes()},
        {"layout B satellites beyond their room", b(0x10000).u32(12, 129).bytes()},
        {"layout B transponders beyond their room", b(0x10000).u32(16, 1150).bytes()},
        {"layout B programs beyond their room", b(0x10000).u32(20, 1505).bytes()},
        {"layout B antennas beyond their room", b(0x10000).u8(11, 65).bytes()},
        {"layout A satellites past the end", a(0x20 + 2 * 24 - 1).u32(12, 2).bytes()},
        {"layout A transponders past the end", a(0xA20 + 7).u32(16, 1).bytes()},
        {"layout A programs past the end", a(0x2A20 + 27).u32(20, 1).bytes()},
        {"layout B antennas past the end", b(0x4000 + 11).u8(11, 1).bytes()},
        {"layout B programs past the end", b(0x4400 + 31).u32(20, 1).bytes()},
        {"huge count", a(0x10000).u32(16, 0x7FFFFFFF).bytes()},
    };
}

TEST(FactoryConversion, InvalidFilesLeaveTheDatabaseAlone) {
    for (auto& file : invalidFiles()) {
        SCOPED_TRACE(file.what);
        ChannelDatabase db = previousDatabase();
        db.satelliteClipboard.append(SatelliteRecord{});
        const ChannelDatabase before = db;
        Messages messages;
        EXPECT_FALSE(convertBytes(db, file.bytes, messages));
        EXPECT_EQ(messages, Messages{kInvalid});
        EXPECT_TRUE(db == before);
        std::string text;
        EXPECT_FALSE(writeFactoryText(text, file.bytes).cause.empty()) << "says why";
    }
}

TEST(FactoryConversion, SaysWhyAFileIsRefused) {
    const auto causeOf = [](const std::vector<uint8_t>& bytes) {
        ChannelDatabase db;
        return convertFactoryBytes(db, bytes).cause;
    };
    BinImage a(0x10000);
    EXPECT_EQ(causeOf({'m', 'o', 'r'}), "it does not start with the signature \"morvalen\"");
    EXPECT_EQ(causeOf(BinImage(31).bytes()), "31 bytes, shorter than the 32-byte header");
    EXPECT_EQ(causeOf(BinImage(64).u8(10, 3).bytes()), "the layout selector 3 is neither 0 nor 2");
    EXPECT_EQ(causeOf(BinImage(0x10000).u32(16, 1025).bytes()),
              "the transponder count 1025 does not fit its table (0 to 1024)");
    EXPECT_EQ(
        causeOf(BinImage(0xA20 + 7).u32(16, 1).bytes()),
        "the file ends inside its transponder table (1 records from offset 2592, 2599 bytes)");
}

TEST(FactoryConversion, DamagedFilesNeverCrash) {
    // Flips bytes in the header and the tables; every outcome is fine except a crash, and a
    // failure must leave the database alone.
    std::mt19937 random(20240611);
    for (int round = 0; round < 600; ++round) {
        std::vector<uint8_t> bytes = round % 2 ? testing::layoutBFile() : testing::layoutAFile();
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) {
            const std::size_t at = random() % 4 == 0 ? 8 + random() % 24 : random() % bytes.size();
            bytes[at] = static_cast<uint8_t>(random());
        }
        if (round % 5 == 0)
            bytes.resize(random() % bytes.size());
        ChannelDatabase db = previousDatabase();
        const ChannelDatabase before = db;
        Messages messages;
        if (!convertBytes(db, bytes, messages)) {
            EXPECT_EQ(messages, Messages{kInvalid});
            EXPECT_TRUE(db == before);
        }
    }
}

// Runs each test in a directory of its own, since the conversion writes into the current one.
class FactoryConversionFiles : public ::testing::Test {
protected:
    std::string writeBin(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    static std::string workFile() { return testing::readText("test_output.txt"); }

    testing::ScratchDir scratch_{"factory"};
    const fs::path dir_ = scratch_.root();
    testing::CurrentFolder here_{dir_};
};

TEST_F(FactoryConversionFiles, ConvertsThroughTheWorkFileAndLeavesIt) {
    ChannelDatabase db = previousDatabase();
    Messages messages;
    EXPECT_TRUE(convertFile(db, writeBin("a.bin", testing::layoutAFile()), messages));
    EXPECT_TRUE(messages.empty());
    expectLayoutADatabase(db);

    const std::string text = workFile();
    EXPECT_EQ(text.rfind("##########", 0), 0u);
    EXPECT_NE(text.find("\r\n      t   12000           22000     ver       22        18        12"
                        "        8/9\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("DMTP"), std::string::npos);
    // Every line ends in CR LF.
    for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
        ASSERT_EQ(text[i - 1], '\r') << "at " << i;
}

TEST_F(FactoryConversionFiles, MissingFileReportsBothMessagesAndEmptiesTheWorkFile) {
    ChannelDatabase db = previousDatabase();
    Messages messages;
    ASSERT_TRUE(convertFile(db, writeBin("a.bin", testing::layoutAFile()), messages));

    const ChannelDatabase before = db;
    const Status<> missing = convertFactoryData(db, (dir_ / "missing.bin").string());
    EXPECT_EQ(missing.messages, (Messages{kOpenFailed, kInvalid}));
    EXPECT_EQ(missing.detail, (dir_ / "missing.bin").string() + ": No such file or directory");
    EXPECT_TRUE(db == before);
    EXPECT_TRUE(fs::exists("test_output.txt"));
    EXPECT_EQ(workFile(), "");
}

TEST_F(FactoryConversionFiles, InvalidFileReportsOnlyTheInvalidMessage) {
    ChannelDatabase db = previousDatabase();
    const ChannelDatabase before = db;
    Messages messages;
    BinImage f(0x10000);
    f.u8(10, 1);
    EXPECT_FALSE(convertFile(db, writeBin("bad.bin", f.bytes()), messages));
    EXPECT_EQ(messages, Messages{kInvalid});
    EXPECT_TRUE(db == before);
    EXPECT_EQ(workFile(), "");
}

// Anyone may plant a link named like the work file in a shared folder: the conversion replaces
// the link and never writes into what it names, not even the empty file of a refusal.
TEST_F(FactoryConversionFiles, TheWorkFileReplacesALinkOfItsNameNeverWhatItNames) {
    testing::writeText(dir_ / "victim.txt", "keep");
    fs::create_symlink("victim.txt", "test_output.txt");
    ChannelDatabase db;
    Messages messages;
    EXPECT_FALSE(convertFile(db, writeBin("bad.bin", BinImage(31).bytes()), messages));
    EXPECT_FALSE(fs::is_symlink("test_output.txt"));
    EXPECT_EQ(workFile(), "");
    fs::remove("test_output.txt");
    fs::create_symlink("victim.txt", "test_output.txt");
    EXPECT_TRUE(convertFile(db, writeBin("a.bin", testing::layoutAFile()), messages));
    EXPECT_NE(workFile().find("##########"), std::string::npos);
    EXPECT_EQ(testing::readText(dir_ / "victim.txt"), "keep");
}

// As if the work file could not be created: the conversion does not begin.
TEST_F(FactoryConversionFiles, AWorkFileThatCannotBeWrittenFailsWithItsCause) {
    testing::writeText("test_output.txt", "earlier");
    ChannelDatabase db = previousDatabase();
    const ChannelDatabase before = db;
    testing::TestFileSystem fullDisk;
    fullDisk.roomPerFile = 0;
    const Status<> converted =
        convertFactoryData(db, writeBin("a.bin", testing::layoutAFile()), fullDisk);
    EXPECT_FALSE(converted.ok());
    EXPECT_TRUE(converted.messages.empty());
    EXPECT_EQ(converted.detail, "Cannot write \"test_output.txt\": No space left on device");
    EXPECT_TRUE(db == before);
    EXPECT_EQ(workFile(), "earlier");
    EXPECT_EQ(scratch_.entryCount(), 2u) << "no temporary file is left";
}

TEST_F(FactoryConversionFiles, ALaterShortFileSeesNothingOfAnEarlierOne) {
    ChannelDatabase db;
    Messages messages;
    ASSERT_TRUE(convertFile(db, writeBin("b.bin", testing::layoutBFile()), messages));
    // Same header, cut just before the program table: the programs are not in this file.
    std::vector<uint8_t> cut = testing::layoutBFile();
    cut.resize(0x4400);
    const ChannelDatabase before = db;
    EXPECT_FALSE(convertFile(db, writeBin("cut.bin", cut), messages));
    EXPECT_EQ(messages, Messages{kInvalid});
    EXPECT_TRUE(db == before);
    // Without the programs the rest converts, and no program of the earlier file shows up.
    cut[20] = 0;
    messages.clear();
    EXPECT_TRUE(convertFile(db, writeBin("cut.bin", cut), messages));
    EXPECT_TRUE(db.services.empty());
    EXPECT_EQ(db.transponders.size(), 3u);
}

TEST_F(FactoryConversionFiles, FileLevelWriter) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    const Status<> missing = writeFactoryText(out, (dir_ / "missing.bin").string());
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.messages, Messages{kOpenFailed});
    EXPECT_EQ(std::ftell(out), 0);

    BinImage f(32);
    f.u8(10, 2).u32(24, 0xFFFFFFFF);
    const Status<> written = writeFactoryText(out, writeBin("empty.bin", f.bytes()));
    EXPECT_TRUE(written.ok());
    EXPECT_TRUE(written.messages.empty());
    std::rewind(out);
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    EXPECT_NE(text.find("\r\n\r\nDMTP\r\n\r\n###"), std::string::npos);
    EXPECT_FALSE(fs::exists("test_output.txt"));
}

} // namespace
} // namespace corvane
