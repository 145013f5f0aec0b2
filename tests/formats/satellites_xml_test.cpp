#include "formats/satellites_xml.h"
#include "formats/satellites_xml_sample.h"
#include "image/cdd_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

using R = SatellitesXmlRefusal;

std::string list(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<satellites>\n" + body + "</satellites>\n";
}
std::string tp(const std::string& attributes) {
    return "<transponder " + attributes + "/>\n";
}
std::string sat(const std::string& attributes, const std::string& body = "") {
    return "<sat " + attributes + ">\n" + body + "</sat>\n";
}

ChannelDatabase imported(const std::string& xml) {
    ChannelDatabase db;
    const SatellitesXmlResult r = importSatellitesXmlBytes(db, xml);
    EXPECT_TRUE(r.ok()) << r.detail;
    return db;
}

// The one transponder a list with one satellite makes from `attributes`.
TransponderRecord onlyTransponder(const std::string& attributes) {
    const ChannelDatabase db = imported(list(sat("name=\"S\" position=\"1\"", tp(attributes))));
    return db.transponders.size() == 1 ? db.transponders.front() : TransponderRecord{-1};
}

TEST(SatellitesXmlImport, MapsSatellitesAntennasAndTransponders) {
    const ChannelDatabase db = imported(list(
        sat("name=\"Astra 1\" flags=\"1\" position=\"192\"",
            tp("frequency=\"11778000\" symbol_rate=\"27500000\" polarization=\"1\" fec_inner=\"3\" "
               "system=\"0\" modulation=\"1\"") +
                tp("frequency=\"12603000\" symbol_rate=\"22000000\" polarization=\"0\" "
                   "fec_inner=\"4\"")) +
        sat("name=\"Thor\" position=\"-8\"", tp("frequency=\"10719000\" symbol_rate=\"27500000\" "
                                                "polarization=\"0\" fec_inner=\"9\""))));
    ASSERT_EQ(db.satellites.size(), 2u);
    EXPECT_EQ(nameView(db.satellites.front().name), "Astra 1");
    EXPECT_EQ(db.satellites.front().longitude, 192);
    EXPECT_EQ(db.satellites.back().id, 1);
    EXPECT_EQ(db.satellites.back().longitude, 3592);
    const std::vector<TransponderRecord> expected = {{0, 0, 11778, 27500, 1, 3, 0},
                                                     {1, 0, 12603, 22000, 0, 4, 0},
                                                     {2, 1, 10719, 27500, 0, 0, 1}};
    EXPECT_EQ(std::vector<TransponderRecord>(db.transponders.begin(), db.transponders.end()),
              expected);
    // The text reader's default antenna for each satellite.
    AntennaRecord a;
    a.id = 1, a.antennaKey = 2, a.lowFreq = 9750, a.highFreq = 10600, a.lnbPower = 1;
    a.tunerMask = 3;
    ASSERT_EQ(db.antennas.size(), 2u);
    EXPECT_EQ(db.antennas.back(), a);
    EXPECT_EQ(db.antennas.front().id, 0);
    EXPECT_TRUE(db.services.empty());
    EXPECT_EQ(db.satelliteCount, 2);
    EXPECT_EQ(db.antennaCount, 2);
    EXPECT_EQ(db.transponderCount, 3);
    EXPECT_EQ(db.serviceCount, 0);
}

TEST(SatellitesXmlImport, ConvertsUnitsAndCodes) {
    const std::string rest = " symbol_rate=\"1000\" polarization=\"0\"";
    for (const auto& [khz, mhz] :
         std::vector<std::pair<std::string, int32_t>>{{"11778499", 11778},
                                                      {"11778500", 11779},
                                                      {"11777501", 11778},
                                                      {" 3900000\n", 3900},
                                                      {"+10", 0},
                                                      {"-1500", -2},
                                                      {"2147483647", 2147484}})
        EXPECT_EQ(onlyTransponder("frequency=\"" + khz + "\"" + rest).frequency, mhz) << khz;
    for (const auto& [sps, ksps] : std::vector<std::pair<std::string, int32_t>>{
             {"27500000", 27500}, {"27499500", 27500}, {"22000499", 22000}, {"499", 0}})
        EXPECT_EQ(onlyTransponder("frequency=\"1\" polarization=\"0\" symbol_rate=\"" + sps + "\"")
                      .symbolRate,
                  ksps)
            << sps;
    const std::string f = "frequency=\"1\" symbol_rate=\"1\" ";
    for (const auto& [code, polarity] :
         std::vector<std::pair<int, int32_t>>{{0, 0}, {1, 1}, {2, 0}, {3, 1}})
        EXPECT_EQ(onlyTransponder(f + "polarization=\"" + std::to_string(code) + "\"").polarity,
                  polarity);
    const std::vector<int32_t> fecs = {0, 1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(
            onlyTransponder(f + "polarization=\"0\" fec_inner=\"" + std::to_string(code) + "\"")
                .fec,
            fecs[static_cast<std::size_t>(code)])
            << code;
    EXPECT_EQ(onlyTransponder(f + "polarization=\"0\"").fec, 0); // no fec_inner: automatic
}

TEST(SatellitesXmlImport, PositionsAndNames) {
    for (const auto& [position, longitude] :
         std::vector<std::pair<std::string, int32_t>>{{"192", 192},
                                                      {"-50", 3550},
                                                      {"0", 0},
                                                      {"-0", 0},
                                                      {"3600", 3600},
                                                      {"-3600", 0},
                                                      {"1801", 1801},
                                                      {"-1771", 1829},
                                                      {" 130 ", 130}}) {
        const ChannelDatabase db = imported(list(sat("name=\"S\" position=\"" + position + "\"")));
        ASSERT_EQ(db.satellites.size(), 1u);
        EXPECT_EQ(db.satellites.front().longitude, longitude) << position;
    }
    const std::string n64 = std::string(60, 'x') + "abcd";
    for (const auto& [xml, bytes] : std::vector<std::pair<std::string, std::string>>{
             {n64, n64.substr(0, 63)},
             {" T\xE9l\xE9 ", " T\xE9l\xE9 "},        // Latin-1 bytes kept, spaces too
             {"T\xC3\xBCrk", "T\xC3\xBCrk"},          // so are UTF-8 bytes
             {"A&amp;B &#233;&lt;", "A&B \xC3\xA9<"}, // entities by XML's rules
             {"", ""}}) {
        const ChannelDatabase db =
            imported("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<satellites><sat name=\"" +
                     xml + "\" position=\"1\"/></satellites>");
        ASSERT_EQ(db.satellites.size(), 1u);
        EXPECT_EQ(nameView(db.satellites.front().name), bytes);
    }
}

TEST(SatellitesXmlImport, WhatTheListsLeaveOpen) {
    // An empty list is a list: nothing in it, nothing refused.
    ChannelDatabase db = imported("<satellites/>");
    EXPECT_TRUE(db.satellites.empty() && db.antennas.empty());
    EXPECT_EQ(db.satelliteCount + db.antennaCount + db.transponderCount, 0);

    const std::string t = " symbol_rate=\"27500000\" fec_inner=\"3\"";
    db = imported(
        "\xEF\xBB\xBF<satellites version=\"2\"><!-- c --><foo><sat name=\"nested\" position=\"1\"/>"
        "</foo>" +
        tp("frequency=\"1\" symbol_rate=\"1\" polarization=\"0\"") +
        sat("name=\"empty\" position=\"10\"") +
        sat("name=\"dups\" position=\"20\"",
            tp("frequency=\"11778000\" polarization=\"0\"" + t) +
                tp("frequency=\"11778400\" polarization=\"2\" symbol_rate=\"1\"") + // same,
                                                                                    // circular
                tp("frequency=\"11778000\" polarization=\"1\"" + t) +
                "<service id=\"1\"/><sat name=\"inner\" position=\"1\"/>") +
        sat("name=\"other\" position=\"30\"", tp("frequency=\"11778000\" polarization=\"0\"" + t)) +
        "</satellites>");
    std::vector<std::string> names;
    for (const auto& s : db.satellites)
        names.emplace_back(nameView(s.name));
    EXPECT_EQ(names, (std::vector<std::string>{"empty", "dups", "other"}));
    ASSERT_EQ(db.transponders.size(), 3u);
    const std::vector<TransponderRecord> expected = {{0, 1, 11778, 27500, 0, 3, 1},
                                                     {1, 1, 11778, 27500, 1, 3, 1},
                                                     {2, 2, 11778, 27500, 0, 3, 2}};
    EXPECT_EQ(std::vector<TransponderRecord>(db.transponders.begin(), db.transponders.end()),
              expected);
    EXPECT_EQ(db.transponderCount, 3);
    EXPECT_EQ(db.antennas.size(), 3u);
}

struct Refused {
    const char* what;
    std::string xml;
    R refusal;
    int line;
};

TEST(SatellitesXmlImport, RefusalsSayWhereAndLeaveTheDatabaseAlone) {
    const std::string ok = " symbol_rate=\"1\" polarization=\"0\"";
    std::string many = "<satellites>\n";
    for (int i = 0; i < 256; ++i)
        many += "<sat name=\"s\" position=\"1\"/>\n";
    const std::vector<Refused> cases = {
        {"empty", "", R::NotXml, 1},
        {"text", "s \"ASTRA\" 9750 10600\r\n", R::NotXml, 1},
        {"unclosed", "<satellites>\n<sat name='a' position='1'>\n</satellites>", R::NotXml, 3},
        {"second root", "<satellites/>\n\n<satellites/>", R::NotXml, 3},
        {"attribute twice", list(sat("name=\"a\" position=\"1\" name=\"b\"")), R::NotXml, 3},
        {"root", "<?xml version=\"1.0\"?>\n<sats/>", R::NoSatellitesRoot, 2},
        {"no name", list(sat("position=\"1\"")), R::MissingAttribute, 3},
        {"no position", list("<sat name=\"a\"\n/>\n"), R::MissingAttribute, 3},
        {"no frequency", list(sat("name=\"a\" position=\"1\"", tp(ok))), R::MissingAttribute, 4},
        {"no symbol rate",
         list(sat("name=\"a\" position=\"1\"", tp("frequency=\"1\" polarization=\"0\""))),
         R::MissingAttribute, 4},
        {"no polarization",
         list(sat("name=\"a\" position=\"1\"", tp("frequency=\"1\" symbol_rate=\"1\""))),
         R::MissingAttribute, 4},
        {"fraction", list(sat("name=\"a\" position=\"19.2\"")), R::NotANumber, 3},
        {"unit", list(sat("name=\"a\" position=\"1\"", tp("frequency=\"11778 MHz\"" + ok))),
         R::NotANumber, 4},
        {"empty number", list(sat("name=\"a\" position=\"1\"", tp("frequency=\"\"" + ok))),
         R::NotANumber, 4},
        {"fec word",
         list(sat("name=\"a\" position=\"1\"", tp("frequency=\"1\" fec_inner=\"auto\"" + ok))),
         R::NotANumber, 4},
        {"sign only", list(sat("name=\"a\" position=\"-\"")), R::NotANumber, 3},
        {"32 bits", list(sat("name=\"a\" position=\"1\"", tp("frequency=\"2147483648\"" + ok))),
         R::OutOfRange, 4},
        {"far beyond", list(sat("name=\"a\" position=\"-99999999999999999999\"")), R::OutOfRange,
         3},
        {"256 satellites", many + "</satellites>", R::TooManySatellites, 257},
        {"east of 360", list(sat("name=\"a\" position=\"3601\"")), R::BadPosition, 3},
        {"west of 360", list(sat("name=\"a\" position=\"-3601\"")), R::BadPosition, 3},
        {"polarization 4",
         list(sat("name=\"a\" position=\"1\"",
                  tp("frequency=\"1\" symbol_rate=\"1\" polarization=\"4\""))),
         R::BadPolarization, 4},
        {"polarization -1",
         list(sat("name=\"a\" position=\"1\"",
                  tp("frequency=\"1\" symbol_rate=\"1\" polarization=\"-1\""))),
         R::BadPolarization, 4},
        // A good satellite before the bad one must not reach the database either.
        {"late", list(sat("name=\"a\" position=\"1\"") + sat("name=\"b\" position=\"x\"")),
         R::NotANumber, 5},
    };
    for (const Refused& c : cases) {
        ChannelDatabase db;
        SatelliteRecord marker;
        marker.id = 77;
        db.appendRecord(marker);
        db.satelliteClipboard.append(marker);
        db.satelliteCount = 78;
        const ChannelDatabase before = db;
        const SatellitesXmlResult r = importSatellitesXmlBytes(db, c.xml, "in.xml");
        EXPECT_EQ(r.code, c.refusal) << c.what << ": " << r.detail;
        EXPECT_EQ(r.line, c.line) << c.what << ": " << r.detail;
        EXPECT_FALSE(r.cause.empty()) << c.what;
        EXPECT_TRUE(db == before) << c.what;
    }
    ChannelDatabase db;
    EXPECT_EQ(
        importSatellitesXmlBytes(db, list(sat("name=\"a\" position=\"3601\"")), "in.xml").detail,
        "in.xml:3: <sat> position 3601 gives no longitude from 0 to 3600");
    EXPECT_EQ(importSatellitesXmlBytes(db, "<sats/>").detail,
              "line 1: the root element is <sats>, not <satellites>");
}

TEST(SatellitesXmlImport, AsManyTranspondersAsTheDatabaseHoldsAndNoMore) {
    std::string body;
    for (int i = 0; i < 65535; ++i)
        body += "<transponder frequency=\"" + std::to_string(i * 1000) +
                "\" symbol_rate=\"1\" polarization=\"0\"/>\n";
    const std::string head = "<satellites>\n<sat name=\"a\" position=\"1\">\n";
    // Repeats of early transponders are still recognised in a list this long, and take no id.
    body += tp("frequency=\"0\" symbol_rate=\"2\" polarization=\"2\"") +
            tp("frequency=\"1000\" symbol_rate=\"1\" polarization=\"0\"");
    ChannelDatabase db = imported(head + body + "</sat></satellites>");
    EXPECT_EQ(db.transponderCount, 65535);
    EXPECT_EQ(db.transponders.back().frequency, 65534);
    const SatellitesXmlResult r = importSatellitesXmlBytes(
        db, head + body + tp("frequency=\"1\" symbol_rate=\"1\" polarization=\"1\"") +
                "</sat></satellites>");
    EXPECT_EQ(r.code, R::TooManyTransponders);
    EXPECT_EQ(r.line, 65540);
}

TEST(SatellitesXmlImport, ReplacesTheRecordsButKeepsTheCutBuffers) {
    ChannelDatabase db;
    SatelliteRecord old;
    old.id = 9;
    db.appendRecord(old);
    db.satelliteClipboard.append(old);
    db.services.append(ServiceRecord{});
    db.serviceCount = 5;
    ASSERT_TRUE(importSatellitesXmlBytes(db, list(sat("name=\"a\" position=\"1\""))).ok());
    EXPECT_EQ(db.satellites.size(), 1u);
    EXPECT_EQ(db.satellites.front().id, 0);
    EXPECT_TRUE(db.services.empty());
    EXPECT_EQ(db.serviceCount, 0);
    EXPECT_EQ(db.satelliteClipboard.size(), 1u);
}

class SatellitesXmlFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("corvane-xml-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& bytes) {
        const auto path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(SatellitesXmlFiles, ReadsFilesAndNamesThemInRefusals) {
    ChannelDatabase db;
    const std::string good = write("good.xml", list(sat("name=\"a\" position=\"1\"")));
    EXPECT_TRUE(importSatellitesXml(db, good).ok());
    EXPECT_EQ(db.satellites.size(), 1u);
    const ChannelDatabase before = db;
    const std::string bad = write("bad.xml", "<satellites>\n<sat name=\"a\"/>\n</satellites>");
    EXPECT_EQ(importSatellitesXml(db, bad).detail, bad + ":2: <sat> has no position attribute");
    for (const auto& [path, cause] :
         {std::pair{(dir_ / "missing.xml").string(), "No such file or directory"},
          std::pair{dir_.string(), "Is a directory"}}) {
        const SatellitesXmlResult r = importSatellitesXml(db, path);
        EXPECT_EQ(r.code, R::CannotRead) << path;
        EXPECT_EQ(r.detail, path + ": " + cause);
    }
    EXPECT_TRUE(db == before);
}

TEST_F(SatellitesXmlFiles, RealSizeListSurvivesTheBinaryDatabase) {
    const testing::SatellitesXmlSample sample = testing::realSizeSatellitesXml();
    ASSERT_EQ(sample.expected.transponders.size(), 3400u);
    ChannelDatabase db;
    const SatellitesXmlResult r = importSatellitesXml(db, write("real.xml", sample.xml));
    ASSERT_TRUE(r.ok()) << r.detail;
    EXPECT_TRUE(db == sample.expected);

    const std::string cdd = (dir_ / "real.cdd").string();
    ASSERT_TRUE(writeCddFile(db, cdd).ok());
    ChannelDatabase reread;
    ASSERT_EQ(readCddFile(reread, cdd).code, CddRead::Ok);
    // The binary database keeps 14 bytes of a satellite's name; everything else fits its widths.
    ChannelDatabase expected = sample.expected;
    for (auto& s : expected.satellites)
        setName(s.name, std::string(nameView(s.name).substr(0, 14)));
    EXPECT_TRUE(reread == expected);
}

} // namespace
} // namespace corvane
