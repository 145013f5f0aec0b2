#include "formats/satcodx.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

using namespace std::string_literals;

// One record, 127 characters, with its fields placed at their columns: type 0-7, name 10-27,
// frequency 33-41 (nine digits, the first six in MHz), polarisation 42, position 51-54,
// symbol rate 69-73, FEC 74.
struct Sdx {
    std::string type = "SATCODX1";
    std::string name = "ASTRA 1";
    std::string frequency = "011778000";
    char polarisation = '1';
    std::string position = "0192";
    std::string symbolRate = "27500";
    char fec = '3';

    std::string record(std::size_t length = 127) const {
        std::string r(127, ' ');
        r.replace(0, type.size(), type);
        r.replace(8, 2, "03");
        r.replace(10, name.size(), name);
        r.replace(28, 5, "TVDVB");
        r.replace(33, frequency.size(), frequency);
        r[42] = polarisation;
        r.replace(43, 8, "Das Erst");
        r.replace(51, position.size(), position);
        r.replace(69, symbolRate.size(), symbolRate);
        r[74] = fec;
        r.resize(length, ' ');
        return r;
    }
};

Sdx at(const char* position, const char* name, const char* frequency, char polarisation = '1') {
    Sdx s;
    s.position = position;
    s.name = name;
    s.frequency = frequency;
    s.polarisation = polarisation;
    return s;
}

std::string lines(const std::vector<std::string>& records, const std::string& end = "\n") {
    std::string out;
    for (const auto& r : records)
        out += r + end;
    return out;
}

ChannelDatabase import(const std::string& bytes) {
    ChannelDatabase db;
    importSatcoDxBytes(db, bytes);
    return db;
}

struct Tp {
    int32_t id, satelliteId, frequency, polarity;
};

void expectTransponders(const ChannelDatabase& db, const std::vector<Tp>& expected) {
    ASSERT_EQ(db.transponders.size(), expected.size());
    auto it = db.transponders.begin();
    for (const auto& e : expected) {
        SCOPED_TRACE("transponder " + std::to_string(e.id));
        EXPECT_EQ(it->id, e.id);
        EXPECT_EQ(it->satelliteId, e.satelliteId);
        EXPECT_EQ(it->antennaId, e.satelliteId);
        EXPECT_EQ(it->frequency, e.frequency);
        EXPECT_EQ(it->polarity, e.polarity);
        ++it;
    }
    EXPECT_EQ(db.transponderCount, static_cast<int32_t>(expected.size()));
}

TEST(SatcoDxImport, ReadsTheFieldsOfOneRecord) {
    const ChannelDatabase db = import(Sdx{}.record() + "\n");
    ASSERT_EQ(db.satellites.size(), 1u);
    EXPECT_EQ(db.satelliteCount, 1);
    const SatelliteRecord& s = db.satellites.front();
    EXPECT_EQ(s.id, 0);
    EXPECT_EQ(nameView(s.name), "ASTRA 1");
    EXPECT_EQ(s.longitude, 192);

    ASSERT_EQ(db.transponders.size(), 1u);
    const TransponderRecord& t = db.transponders.front();
    EXPECT_EQ(t.frequency, 11778);
    EXPECT_EQ(t.symbolRate, 27500);
    EXPECT_EQ(t.polarity, 0);
    EXPECT_EQ(t.fec, 3);
    EXPECT_TRUE(db.services.empty());
    EXPECT_EQ(db.serviceCount, 0);

    // Satellites from a channel list come with a DiSEqC port A antenna.
    ASSERT_EQ(db.antennas.size(), 1u);
    EXPECT_EQ(db.antennaCount, 1);
    AntennaRecord a;
    a.id = 0;
    a.antennaKey = 1;
    a.lowFreq = 9750;
    a.highFreq = 10600;
    a.centerFreq = 11700;
    a.lnbPower = 1;
    a.committed10 = 1;
    a.switch22k = 1;
    a.switch12v = 1;
    a.tunerMask = 3;
    a.diseqcType = 1;
    EXPECT_EQ(db.antennas.front(), a);
}

TEST(SatcoDxImport, CodeConversions) {
    // FEC: the numerator names the code rate; 4 (4/5) and 9 have none.
    const std::vector<std::pair<char, int32_t>> fecs = {{'1', 1}, {'2', 2}, {'3', 3}, {'4', 0},
                                                        {'5', 4}, {'7', 5}, {'8', 6}, {'9', 0},
                                                        {'0', 0}, {' ', 0}, {'/', 0}};
    for (const auto& [c, code] : fecs) {
        Sdx s;
        s.fec = c;
        const ChannelDatabase db = import(s.record() + "\n");
        ASSERT_EQ(db.transponders.size(), 1u);
        EXPECT_EQ(db.transponders.front().fec, code) << "FEC character " << c;
    }
    // Polarisation: vertical for 0 and 3, horizontal otherwise (2 and 3 are circular).
    for (const auto& [c, polarity] :
         std::vector<std::pair<char, int32_t>>{{'0', 1}, {'1', 0}, {'2', 0}, {'3', 1}, {'H', 0}}) {
        Sdx s;
        s.polarisation = c;
        const ChannelDatabase db = import(s.record() + "\n");
        ASSERT_EQ(db.transponders.size(), 1u);
        EXPECT_EQ(db.transponders.front().polarity, polarity) << "polarisation " << c;
    }
}

TEST(SatcoDxImport, NumericFields) {
    auto frequencyOf = [](const char* digits) {
        Sdx s;
        s.frequency = digits;
        const ChannelDatabase db = import(s.record() + "\n");
        return db.transponders.empty() ? -1 : db.transponders.front().frequency;
    };
    EXPECT_EQ(frequencyOf("012188000"), 12188);
    EXPECT_EQ(frequencyOf("003950000"), 3950);   // C band
    EXPECT_EQ(frequencyOf("999999999"), 999999); // only six digits count
    EXPECT_EQ(frequencyOf("000000000"), 0);
    EXPECT_EQ(frequencyOf("abcdefghi"), 0);
    EXPECT_EQ(frequencyOf("0117x8000"), 117);

    // Position 3300 is 30.0 west: already stored as tenths east, taken unchanged.
    Sdx west;
    west.position = "3300";
    EXPECT_EQ(import(west.record() + "\n").satellites.front().longitude, 3300);
    Sdx zero;
    zero.position = "0000";
    EXPECT_EQ(import(zero.record() + "\n").satellites.front().longitude, 0);

    Sdx rate;
    rate.symbolRate = "02200";
    EXPECT_EQ(import(rate.record() + "\n").transponders.front().symbolRate, 2200);
}

TEST(SatcoDxImport, NamesKeepTheirBytesAndLoseTrailingBlanks) {
    Sdx latin;
    latin.name = "T\xDCRKSAT 42E\t  "; // an 8-bit code page
    Sdx utf8 = at("0130", "T\xC3\xBCrksat", "010719000");
    Sdx padded = at("0282", "", "010773000");
    padded.name = "EUTRO\0\0\0 \xFF\xFF"s; // NULs end the name, not the file
    const ChannelDatabase db = import(lines({padded.record(), latin.record(), utf8.record()}));
    ASSERT_EQ(db.satellites.size(), 3u);
    auto s = db.satellites.begin();
    EXPECT_EQ(nameView(s->name), "EUTRO");
    EXPECT_EQ(nameView((++s)->name), "T\xDCRKSAT 42E");
    EXPECT_EQ(nameView((++s)->name), "T\xC3\xBCrksat");
    EXPECT_EQ(db.transponders.size(), 3u);
}

TEST(SatcoDxImport, EveryLineFramingOfRealFiles) {
    const Sdx a = at("0192", "ASTRA", "011778000");
    const Sdx b = at("0130", "HOTBIRD", "010719000");
    const Sdx c = at("0282", "EUROBIRD", "010773000");
    const std::vector<std::pair<const char*, std::string>> files = {
        {"127 characters and LF", lines({a.record(), b.record(), c.record()})},
        {"128 characters and LF", lines({a.record(128), b.record(128), c.record(128)})},
        {"132 characters and LF", lines({a.record(132), b.record(132), c.record(132)})},
        {"CR LF", lines({a.record(), b.record(), c.record()}, "\r\n")},
        {"mixed lengths", a.record(127) + "\n" + b.record(132) + "\r\n" + c.record(128) + "\n"},
        {"no final line end", lines({a.record(), b.record()}) + c.record()},
        {"final NUL", lines({a.record(), b.record(), c.record()}) + "\0"s},
        {"final NUL and spaces",
         lines({a.record(), b.record(), c.record()}) + "\0"s + std::string(127, ' ')},
        {"blocks of 128", a.record(128) + b.record(128) + c.record(128)},
        {"blocks, last one 127", a.record(128) + b.record(128) + c.record(127)},
        {"blocks with a final NUL and spaces",
         a.record(128) + b.record(128) + c.record(128) + "\0"s + std::string(127, ' ')},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        const ChannelDatabase db = import(bytes);
        ASSERT_EQ(db.satellites.size(), 3u);
        EXPECT_EQ(nameView(db.satellites.back().name), "EUROBIRD");
        EXPECT_EQ(db.satellites.back().longitude, 282);
        expectTransponders(db, {{0, 0, 11778, 0}, {1, 1, 10719, 0}, {2, 2, 10773, 0}});
        EXPECT_EQ(db.antennas.size(), 3u);
    }
}

TEST(SatcoDxImport, RecordsThatAreNotUsed) {
    const Sdx good = at("0192", "ASTRA", "011778000");
    Sdx lower = at("0130", "HOTBIRD", "010719000");
    lower.type = "satcodx1";
    Sdx mixed = at("0282", "EUROBIRD", "010773000");
    mixed.type = "SatcoDx1";
    Sdx version2 = at("0090", "YAMAL", "011000000");
    version2.type = "SATCODX2";
    Sdx leadingSpace = at("0100", "SPACE", "011000000");
    leadingSpace.type = " SATCODX";
    const std::string tooShort = at("0050", "SHORT", "011000000").record(74);
    const std::string justLongEnough = at("0070", "SEVENTY", "011000000").record(75);
    const ChannelDatabase db =
        import(lines({"# comment", "", good.record(), version2.record(), lower.record(), tooShort,
                      leadingSpace.record(), mixed.record(), justLongEnough}));
    std::vector<std::string> names;
    for (const auto& s : db.satellites)
        names.emplace_back(nameView(s.name));
    EXPECT_EQ(names, (std::vector<std::string>{"ASTRA", "HOTBIRD", "EUROBIRD", "SEVENTY"}));
}

TEST(SatcoDxImport, DuplicateTranspondersWithinAndAcrossSatellites) {
    const ChannelDatabase db = import(lines({
        at("0192", "ASTRA", "011778000", '1').record(),   // new
        at("0192", "ASTRA", "011778000", '1').record(),   // same satellite, frequency, polarity
        at("0192", "ASTRA", "011778000", '0').record(),   // other polarity: new
        at("0192", "ASTRA", "011778500", '1').record(),   // 11778 again: the fraction is cut off
        at("0130", "HOTBIRD", "011778000", '1').record(), // same frequency, other satellite
        at("0130", "HOTBIRD", "011778000", '2').record(), // left circular counts as horizontal
        at("0130", "HOTBIRD", "011778000", '3').record(), // right circular counts as vertical
    }));
    EXPECT_EQ(db.satellites.size(), 2u);
    expectTransponders(db,
                       {{0, 0, 11778, 0}, {1, 0, 11778, 1}, {2, 1, 11778, 0}, {3, 1, 11778, 1}});
}

TEST(SatcoDxImport, InterleavedSatellitesKeepTheirOwnTransponders) {
    const ChannelDatabase db = import(lines({
        at("0192", "ASTRA", "011778000").record(),
        at("0130", "HOTBIRD", "010719000").record(),
        at("0192", "ASTRA 1L", "012188000").record(), // the name of a later record is ignored
        at("0282", "EUROBIRD", "010773000").record(),
        at("0130", "HOTBIRD", "011034000").record(),
    }));
    ASSERT_EQ(db.satellites.size(), 3u);
    EXPECT_EQ(nameView(db.satellites.front().name), "ASTRA");
    expectTransponders(
        db,
        {{0, 0, 11778, 0}, {1, 1, 10719, 0}, {2, 0, 12188, 0}, {3, 2, 10773, 0}, {4, 1, 11034, 0}});
    EXPECT_EQ(db.antennaCount, 3);
}

TEST(SatcoDxImport, AnalogueChannelsMakeSatellitesButNoTransponders) {
    Sdx analogue = at("0192", "ASTRA", "011229000");
    analogue.symbolRate = "00000";
    Sdx analogueElsewhere = at("0282", "EUROBIRD", "011229000");
    analogueElsewhere.symbolRate = "     ";
    const ChannelDatabase db = import(lines({analogue.record(), analogueElsewhere.record(),
                                             at("0192", "ASTRA", "011229000").record()}));
    EXPECT_EQ(db.satellites.size(), 2u);
    EXPECT_EQ(db.antennas.size(), 2u);
    expectTransponders(db, {{0, 0, 11229, 0}});
}

TEST(SatcoDxImport, ShortAndEmptyFiles) {
    for (const std::string& bytes :
         {""s, "\0"s, Sdx{}.record(126), "\n"s, "\r\n\r\n"s, std::string(1000, '\0')}) {
        const ChannelDatabase db = import(bytes);
        EXPECT_TRUE(db.satellites.empty());
        EXPECT_TRUE(db.transponders.empty());
        EXPECT_TRUE(db.antennas.empty());
    }
}

TEST(SatcoDxImport, ReplacesTheWholeDatabaseButKeepsCutBuffers) {
    ChannelDatabase db;
    SatelliteRecord old;
    old.longitude = 192;
    db.appendRecord(old);
    db.satelliteCount = 1;
    db.addDefaultAntenna();
    db.appendRecord(ServiceRecord{});
    db.serviceCount = 7;
    db.transponderClipboard.append(TransponderRecord{});
    importSatcoDxBytes(db, Sdx{}.record());
    EXPECT_EQ(db.satellites.size(), 1u);
    EXPECT_EQ(db.antennas.size(), 1u);
    EXPECT_TRUE(db.services.empty());
    EXPECT_EQ(db.serviceCount, 0);
    EXPECT_EQ(db.transponderClipboard.size(), 1u);
}

TEST(SatcoDxImport, ManyRecordsAndTheirDuplicates) {
    // 40 000 distinct transponders on 200 satellites, each twice. The benchmark suite times the
    // import (satcodx_import).
    std::string bytes;
    for (int i = 0; i < 40000; ++i) {
        char position[8];
        char frequency[16];
        std::snprintf(position, sizeof position, "%04d", i % 200);
        std::snprintf(frequency, sizeof frequency, "%06d000", 10000 + i / 200);
        bytes += at(position, "SAT", frequency).record() + "\n";
    }
    bytes += bytes; // and every one of them again as a duplicate
    const ChannelDatabase db = import(bytes);
    EXPECT_EQ(db.satellites.size(), 200u);
    EXPECT_EQ(db.transponders.size(), 40000u);
}

TEST(SatcoDxImport, DamagedFilesNeverCrash) {
    std::mt19937 random(7);
    const std::string lined = lines({at("0192", "ASTRA", "011778000").record(),
                                     at("0130", "HOTBIRD", "010719000").record(132)});
    const std::string blocks = at("0192", "ASTRA", "011778000").record(128) +
                               at("0130", "HOTBIRD", "010719000").record(128);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = round % 2 ? lined : blocks;
        for (int i = 0, n = 1 + static_cast<int>(random() % 10); i < n; ++i)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        bytes.resize(random() % (bytes.size() + 1));
        const ChannelDatabase db = import(bytes);
        EXPECT_LE(db.satellites.size(), 2u);
        EXPECT_EQ(db.antennas.size(), db.satellites.size());
    }
}

TEST(SatcoDxImport, FromAFile) {
    const testing::ScratchDir scratch("sdx");
    const auto& dir = scratch.root();
    const std::string path = (dir / "list.sdx").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << lines({Sdx{}.record()}) << '\0';
    }
    ChannelDatabase db;
    EXPECT_TRUE(importSatcoDx(db, path).ok());
    EXPECT_EQ(db.transponders.size(), 1u);

    const ChannelDatabase before = db;
    EXPECT_FALSE(importSatcoDx(db, (dir / "missing.sdx").string()).ok());
    EXPECT_TRUE(db == before);
}

} // namespace
} // namespace corvane
