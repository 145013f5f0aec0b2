#include "formats/text_reader.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace corvane {
namespace {

ChannelDatabase read(std::string_view text, TextReadOptions options = {}) {
    ChannelDatabase db;
    readTextBytes(db, text, options);
    return db;
}

template <class T> std::vector<T> all(const RecordList<T>& list) {
    return {list.begin(), list.end()};
}

TEST(TextReaderAntenna, FullLine) {
    const auto db =
        read("a          2       universal  9750       10600     f           b          22  "
             "       12         18\r\n");
    ASSERT_EQ(db.antennas.size(), 1u);
    const AntennaRecord& a = db.antennas.front();
    EXPECT_EQ(a.id, 1);
    EXPECT_EQ(a.antennaKey, 2);
    EXPECT_EQ(a.lnbType, 0);
    EXPECT_EQ(a.lowFreq, 9750);
    EXPECT_EQ(a.highFreq, 10600);
    EXPECT_EQ(a.committed10, 2);
    EXPECT_EQ(a.diseqcType, 1);
    EXPECT_EQ(a.switch22k, 1);
    EXPECT_EQ(a.switch12v, 1);
    EXPECT_EQ(a.centerFreq, 11700);
    EXPECT_EQ(a.lnbPower, 1);
    EXPECT_EQ(a.tunerMask, 3);
    EXPECT_EQ(a.lnbVoltage, 0);
    EXPECT_EQ(db.antennaCount, 1) << "the counter counts lines, it is not set from ant_num";
}

TEST(TextReaderAntenna, DiseqcOnlyForFixedAntennasAndSwitchesOffWithN) {
    const auto db = read("a 1 normal 5150 5750 d c n n n\n"
                         "a 1 n 5150 5750 f n n n n\n"
                         "abc 1 n 5150 5750 fixed d 0 0 n\n");
    const auto antennas = all(db.antennas);
    ASSERT_EQ(antennas.size(), 3u);
    EXPECT_EQ(antennas[0].lnbType, 4);
    EXPECT_EQ(antennas[0].committed10, 0) << "a DiSEqC antenna type has no committed port";
    EXPECT_EQ(antennas[0].diseqcType, 0);
    EXPECT_EQ(antennas[0].switch22k, 0);
    EXPECT_EQ(antennas[0].switch12v, 0);
    EXPECT_EQ(antennas[1].committed10, 0) << "port n means none";
    EXPECT_EQ(antennas[2].committed10, 4) << "the tag word only needs to begin with a";
    EXPECT_EQ(antennas[2].switch22k, 1) << "0 is a setting, only n switches it off";
}

TEST(TextReaderAntenna, InformationLineTakesTheRestFromEarlierLines) {
    // The antenna-information line carries only a number; the other columns come from the slots,
    // which start as "no letter matched" words and -1 numbers.
    const auto fresh = read("a         5\r\n\r\n");
    ASSERT_EQ(fresh.antennas.size(), 1u);
    const AntennaRecord& a = fresh.antennas.front();
    EXPECT_EQ(a.id, 4);
    EXPECT_EQ(a.antennaKey, 5);
    EXPECT_EQ(a.lnbType, 4);
    EXPECT_EQ(a.lowFreq, -1);
    EXPECT_EQ(a.highFreq, -1);
    EXPECT_EQ(a.switch22k, 1);
    EXPECT_EQ(a.switch12v, 1);

    const auto carried = read("a 1 u 9750 10600 f a n n n\na 3\n");
    const auto antennas = all(carried.antennas);
    ASSERT_EQ(antennas.size(), 2u);
    EXPECT_EQ(antennas[1].id, 2);
    EXPECT_EQ(antennas[1].lowFreq, 9750);
    EXPECT_EQ(antennas[1].committed10, 1);
    EXPECT_EQ(antennas[1].switch22k, 0);
}

TEST(TextReaderSatellite, LongitudeEastAndWest) {
    const auto db = read("s \"A\" 9750 10600 universal 1.9 east a n n n\n"
                         "s \"B\" 9750 10600 universal 19.2 east a n n n\n"
                         "s \"C\" 9750 10600 universal 30.0 west a n n n\n"
                         "s \"D\" 9750 10600 universal 0.0 west a n n n\n"
                         "s \"E\" 9750 10600 universal 180.0 x\n"
                         "s \"F\" 9750 10600 universal 19.25 east\n"
                         "s \"G\" 9750 10600 universal 0.05 west\n");
    std::vector<int32_t> longitudes;
    for (const auto& s : db.satellites)
        longitudes.push_back(s.longitude);
    // Halves round away from zero, as people round.
    EXPECT_EQ(longitudes, (std::vector<int32_t>{19, 192, 3300, 3600, 1800, 193, 3599}));
}

TEST(TextReaderSatellite, IdsNamesAndDefaultAntennas) {
    const auto db =
        read("  s       \"ASTRA 19.2E\"   9750      10600     universal 19.2      east    "
             "  a         n         n         n\r\n"
             "s \"with spaces  inside\" 0 0 n 13.0 east\n");
    const auto sats = all(db.satellites);
    ASSERT_EQ(sats.size(), 2u);
    EXPECT_EQ(sats[0].id, 0);
    EXPECT_EQ(nameView(sats[0].name), "ASTRA 19.2E");
    EXPECT_EQ(sats[1].id, 1);
    EXPECT_EQ(nameView(sats[1].name), "with spaces  inside");
    EXPECT_EQ(db.satelliteCount, 2);

    const auto antennas = all(db.antennas);
    ASSERT_EQ(antennas.size(), 2u);
    for (int32_t i = 0; i < 2; ++i) {
        const auto& a = antennas[static_cast<std::size_t>(i)];
        EXPECT_EQ(a.id, i);
        EXPECT_EQ(a.antennaKey, i + 1);
        EXPECT_EQ(a.lowFreq, 9750) << "the satellite's LNB columns do not reach its antenna";
        EXPECT_EQ(a.highFreq, 10600);
        EXPECT_EQ(a.centerFreq, 0);
        EXPECT_EQ(a.lnbPower, 1);
        EXPECT_EQ(a.tunerMask, 3);
        EXPECT_EQ(a.lnbType, 0);
    }
    EXPECT_EQ(db.antennaCount, 2);
}

TEST(TextReaderSatellite, AntennaLinesBeforeSatellitesSuppressDefaults) {
    const auto before = read("a 1 u 9750 10600 f a n n n\ns \"X\" 0 0 u 1.0 east\n");
    EXPECT_EQ(before.antennas.size(), 1u);
    // After the satellite, the antenna line duplicates the default one; lookups find the first.
    auto after = read("s \"X\" 0 0 u 1.0 east\na 1 normal 1 2 f a n n n\n");
    ASSERT_EQ(after.antennas.size(), 2u);
    EXPECT_EQ(after.antennas.find(0)->lowFreq, 9750);
    EXPECT_EQ(after.antennaCount, 2);
}

TEST(TextReaderSatellite, NeedsBothQuotesAndKeeps63BytesOfAName) {
    const std::string longName(80, 'N');
    const auto db = read("s \"unterminated 0 0 u 1.0 east\n"
                         "s no quotes at all\n"
                         "s \"" +
                         longName + "\" 0 0 u 1.0 east\n");
    ASSERT_EQ(db.satellites.size(), 1u);
    EXPECT_EQ(nameView(db.satellites.front().name), std::string(63, 'N'));
    EXPECT_EQ(db.satellites.front().id, 0);
}

TEST(TextReaderSatellite, AngleStartsAtZeroAndCarriesOver) {
    const auto db = read("s \"A\"\ns \"B\" 1 2 u 28.2 east\ns \"C\" 1 2 u\ns \"D\" 1 2 u 5.0 west\n"
                         "s \"E\" 1\n");
    std::vector<int32_t> longitudes;
    for (const auto& s : db.satellites)
        longitudes.push_back(s.longitude);
    // E keeps the angle and the west word of D.
    EXPECT_EQ(longitudes, (std::vector<int32_t>{0, 282, 282, 3550, 3550}));
}

TEST(TextReaderTransponder, FieldsAndLinks) {
    const auto db =
        read("      t   12603           22000     hor       0         14        0         "
             "5/6\r\n"
             "s \"A\" 0 0 u 1.0 east\n"
             "t 11000 27500 ver 22 18 12 1/2\n"
             "t 11100 27500 circular 22 18 12 8/9\n");
    const auto tps = all(db.transponders);
    ASSERT_EQ(tps.size(), 3u);
    EXPECT_EQ(tps[0].id, 0);
    EXPECT_EQ(tps[0].satelliteId, -1) << "a transponder before any satellite";
    EXPECT_EQ(tps[0].antennaId, -1);
    EXPECT_EQ(tps[0].frequency, 12603);
    EXPECT_EQ(tps[0].symbolRate, 22000);
    EXPECT_EQ(tps[0].polarity, 0);
    EXPECT_EQ(tps[0].fec, 4);
    EXPECT_EQ(tps[1].satelliteId, 0);
    EXPECT_EQ(tps[1].antennaId, 0);
    EXPECT_EQ(tps[1].polarity, 1);
    EXPECT_EQ(tps[1].fec, 1);
    EXPECT_EQ(tps[2].polarity, 0) << "neither h nor v reads as horizontal";
    EXPECT_EQ(tps[2].fec, 6);
    EXPECT_EQ(db.transponderCount, 3);
}

TEST(TextReaderTransponder, FecWordsMatchWholeWordsOnly) {
    const auto db = read("t 1 1 h 0 14 0 3/4 trailing text\n"
                         "t 1 1 h 0 14 0 3/45\n"
                         "t 1 1 h 0 14 0 auto\n"
                         "t 1 1 h 0 14 0 7/8\n"
                         "t 1 1 h 0 14 0 2/3\n");
    std::vector<int32_t> fecs;
    for (const auto& t : db.transponders)
        fecs.push_back(t.fec);
    EXPECT_EQ(fecs, (std::vector<int32_t>{3, 0, 0, 5, 2}));
}

TEST(TextReaderTransponder, MissingColumnsKeepEarlierValues) {
    const auto db = read("t 12000 27500 ver 0 14 0 3/4\nt 12100\nt\n");
    const auto tps = all(db.transponders);
    ASSERT_EQ(tps.size(), 3u);
    EXPECT_EQ(tps[1].frequency, 12100);
    EXPECT_EQ(tps[1].symbolRate, 27500);
    EXPECT_EQ(tps[1].polarity, 1);
    EXPECT_EQ(tps[1].fec, 3);
    EXPECT_EQ(tps[2].frequency, 12100);
    // A malformed number stops the scan: what follows it is not read from this line.
    const auto stopped = read("t 1 2 h 0 14 0 1/2\nt 5 x 7 ver 0 0 0 2/3\n");
    EXPECT_EQ(stopped.transponders.back().frequency, 5);
    EXPECT_EQ(stopped.transponders.back().symbolRate, 2);
    EXPECT_EQ(stopped.transponders.back().fec, 1);
}

TEST(TextReaderService, ColumnsAndLinking) {
    const std::string text = "s \"S1\" 0 0 u 1.0 east\n"
                             "t 10000 1 h 0 14 0 auto\n"
                             "s \"S2\" 0 0 u 2.0 east\n"
                             "t 11000 1 h 0 14 0 auto\n"
                             "t 11100 1 h 0 14 0 auto\n"
                             "t 11200 1 h 0 14 0 auto\n"
                             "v         \"One\"           1         2         2         2048      "
                             "4096      4097      4096      4000      1         5         1\r\n"
                             "r \"Two\" 1 2 9 7 0 33 34 0 0 0 0\n"
                             "v \"Three\" 1 1 1 8 100 101 102 0 0 0 0\n";
    const auto db = read(text);
    const auto services = all(db.services);
    ASSERT_EQ(services.size(), 3u);
    EXPECT_EQ(nameView(services[0].name), "One");
    EXPECT_EQ(services[0].number, 0);
    EXPECT_EQ(services[0].transponderId, 2) << "second transponder of the second satellite";
    EXPECT_EQ(services[0].serviceId, 2048);
    EXPECT_EQ(services[0].videoPid, 4096);
    EXPECT_EQ(services[0].audioPid, 4097);
    EXPECT_EQ(services[0].pcrPid, 4096);
    EXPECT_EQ(services[0].caMode, 1);
    EXPECT_EQ(services[0].favorites, 5);
    EXPECT_EQ(services[0].lock, 1);
    EXPECT_EQ(services[1].transponderId, 0) << "satellite 2 has no ninth transponder";
    EXPECT_EQ(services[1].number, 1);
    EXPECT_EQ(services[1].videoPid, 0);
    EXPECT_EQ(services[2].transponderId, 0) << "first transponder of the first satellite";
    EXPECT_EQ(db.serviceCount, 3);
}

TEST(TextReaderService, LayoutWithoutAntennaColumn) {
    const std::string text = "s \"S1\" 0 0 u 1.0 east\n"
                             "t 10000 1 h 0 14 0 auto\n"
                             "t 10100 1 h 0 14 0 auto\n"
                             "v \"A\" 1 2 300 401 402 403 404 1 0 1\n";
    const auto shifted = read(text);
    EXPECT_EQ(shifted.services.front().transponderId, 0) << "read with an ant_index column";
    const auto db = read(text, {ServiceColumns::WithoutAntennaIndex});
    const ServiceRecord& s = db.services.front();
    EXPECT_EQ(s.transponderId, 1);
    EXPECT_EQ(s.serviceId, 300);
    EXPECT_EQ(s.videoPid, 401);
    EXPECT_EQ(s.audioPid, 402);
    EXPECT_EQ(s.pcrPid, 403);
    EXPECT_EQ(s.caMode, 1);
    EXPECT_EQ(s.favorites, 0);
    EXPECT_EQ(s.lock, 1);
}

TEST(TextReaderService, SlotsStartAtZeroForIndexesAndMinusOneElsewhere) {
    const auto db = read("s \"S\" 0 0 u 1.0 east\nt 1 1 h 0 14 0 auto\nv \"bare\"\n");
    const ServiceRecord& s = db.services.front();
    EXPECT_EQ(s.transponderId, 0);
    EXPECT_EQ(s.serviceId, -1);
    EXPECT_EQ(s.videoPid, -1);
    EXPECT_EQ(s.lock, -1);
}

TEST(TextReaderLines, SkipsCommentsTabsAndOtherTags) {
    const auto db = read("# banner\n\nDMTP\n\ts \"T\" 0 0 u 1 east\n7 s\n   \n    #\n"
                         "x \"no\" 1 1 1\n");
    EXPECT_TRUE(db.satellites.empty());
    EXPECT_TRUE(db.antennas.empty());
    EXPECT_TRUE(db.services.empty());
}

TEST(TextReaderLines, CrLfLoneCrAndMissingFinalLineEnd) {
    const auto db = read("s \"A\"\t9750\r10600 u 2.5\r\neast\r\nt 12000 27500 v 0 14 0 2/3");
    ASSERT_EQ(db.satellites.size(), 1u);
    EXPECT_EQ(db.satellites.front().longitude, 25);
    ASSERT_EQ(db.transponders.size(), 1u);
    EXPECT_EQ(db.transponders.front().fec, 2) << "the last line needs no line end";
}

TEST(TextReaderLines, LongLinesArriveIn1023CharacterPieces) {
    const std::string tpLine = "t 12000 27500 hor 0 14 0 3/4\n";
    // 1023 characters fill the first piece exactly, so the transponder text starts a new piece.
    const auto split = read("#" + std::string(1022, 'x') + tpLine);
    EXPECT_EQ(split.transponders.size(), 1u);
    // One character less and the tag falls into the first piece: the rest starts with a digit.
    const auto joined = read("#" + std::string(1021, 'x') + tpLine);
    EXPECT_TRUE(joined.transponders.empty());
    // CR LF counts as one character.
    const auto crlf = read("#" + std::string(1021, 'x') + "\r\n" + tpLine);
    EXPECT_EQ(crlf.transponders.size(), 1u);
}

TEST(TextReaderLines, NulEndsTheLineText) {
    const auto db = read(std::string("t 12000\0 27500 v 0 14 0 1/2\nt 13000\n", 37));
    const auto tps = all(db.transponders);
    ASSERT_EQ(tps.size(), 2u);
    EXPECT_EQ(tps[0].frequency, 12000);
    EXPECT_EQ(tps[0].symbolRate, -1);
    EXPECT_EQ(tps[1].frequency, 13000);
}

TEST(TextReaderNumbers, SaturateAtThe32BitRange) {
    const auto db = read("t 99999999999999999999999 -2147483649 h 0 0 0 auto\n"
                         "a -2147483648 u 1 1 f a n n n\n"
                         "s \"x\" 0 0 u 1e30 west\n"
                         "s \"y\" 0 0 u nan east\n");
    const auto& t = db.transponders.front();
    EXPECT_EQ(t.frequency, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(t.symbolRate, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(db.antennas.front().id, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(db.satellites.front().longitude, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(db.satellites.back().longitude, 0);
}

TEST(TextReaderFile, ReplacesTheDatabaseButNotTheCutBuffers) {
    const testing::ScratchDir scratch("text-reader");
    const auto& dir = scratch.root();
    const auto path = (dir / "list.TXT").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << "s \"New\" 0 0 u 1.0 east\r\n";
    }
    ChannelDatabase db;
    SatelliteRecord old;
    old.id = 9;
    db.appendRecord(old);
    db.satelliteClipboard.append(old);
    db.satelliteCount = 10;
    EXPECT_TRUE(readTextFile(db, path).ok());
    ASSERT_EQ(db.satellites.size(), 1u);
    EXPECT_EQ(nameView(db.satellites.front().name), "New");
    EXPECT_EQ(db.satelliteCount, 1);
    EXPECT_EQ(db.satelliteClipboard.size(), 1u);

    const ChannelDatabase before = db;
    EXPECT_FALSE(readTextFile(db, (dir / "missing.txt").string()).ok());
    EXPECT_FALSE(readTextFile(db, dir.string()).ok()) << "a folder is not a readable file";
    EXPECT_EQ(db, before);

    // Content without one record line (random bytes, only comments, a quote-less "s") or nothing
    // at all is not taken for an empty list.
    for (const auto& [text, cause] : {std::pair<std::string, std::string>{"", "the file is empty"},
                                      {std::string("\x8F\x00\xC3#\t s\r\n\xFFq", 10),
                                       "no satellite, transponder, service or antenna line"},
                                      {"# a comment\r\n\r\n   \r\nDMTP\r\n s no name\r\n",
                                       "no satellite, transponder, service or antenna line"}}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        const Status<> read = readTextFile(db, path);
        EXPECT_FALSE(read.ok()) << cause;
        EXPECT_EQ(read.cause, cause);
        EXPECT_EQ(db, before);
    }
}

TEST(TextReader, LinksEveryServiceOfTheLargestDatabase) {
    // 255 satellites, 65,535 transponders and 65,535 services, each service on the last
    // transponder of its satellite. The benchmark suite times the read (text_read_file).
    std::string text;
    text.reserve(12 << 20);
    char line[200];
    int32_t tp = 0;
    for (int s = 0; s < 255; ++s) {
        std::snprintf(line, sizeof line,
                      "  s       \"SAT %03d\"       9750      10600     universal "
                      "%-10.1fwest      a         n         n         n\r\n",
                      s, s / 2.0);
        text += line;
        const int count = s < 254 ? 257 : 65535 - 254 * 257;
        for (int k = 0; k < count; ++k, ++tp) {
            std::snprintf(line, sizeof line, "      t   %-16d%-10d%-10s%-10s%-10s%-10s%s\r\n",
                          10700 + k, 27500, "hor", "0", "14", "0", "3/4");
            text += line;
        }
    }
    for (int v = 0; v < 65535; ++v) {
        const int s = v % 255;
        const int k = s < 254 ? 257 : 65535 - 254 * 257;
        std::snprintf(line, sizeof line,
                      "%-10s%-16s%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%d\r\n", "v",
                      "\"Programme\"", 1, s + 1, k, v, 100, 101, 102, 0, 0, 1, 0);
        text += line;
    }
    ChannelDatabase db;
    readTextBytes(db, text);
    EXPECT_EQ(db.satellites.size(), 255u);
    EXPECT_EQ(db.transponders.size(), 65535u);
    EXPECT_EQ(db.services.size(), 65535u);
    EXPECT_EQ(db.antennas.size(), 255u);
    EXPECT_EQ(db.services.back().transponderId, 65534);
    EXPECT_EQ(db.services.front().transponderId, 256);
}

} // namespace
} // namespace corvane
