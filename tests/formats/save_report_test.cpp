#include "formats/save_report.h"

#include "formats/text_pdf.h"
#include "image/cdd_file.h"
#include "image/checksum.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using corvane::testing::readText;
using corvane::testing::writeText;

// One satellite with a Turkish name, two transponders, three services: one on a transponder
// that does not exist, which the .cdd leaves out and the check names.
ChannelDatabase turkish() {
    ChannelDatabase db;
    db.appendRecord(SatelliteRecord{0, {}, 420});
    setName(db.satellites.back().name, "T\xFCrksat 42E");
    db.addDefaultAntenna();
    db.appendRecord(TransponderRecord{0, 0, 11096, 30000, 0, 5, 0});
    db.appendRecord(TransponderRecord{1, 0, 12380, 27500, 1, 0, 0});
    for (int32_t n = 0; n < 3; ++n) {
        db.appendRecord(ServiceRecord{n == 2 ? 7 : n, n, {}, 100 + n, 200 + n, 100 + n});
        setName(db.services.back().name, n == 1 ? "TRT 1" : "Kanal \xDEi\xFEli");
    }
    db.satelliteCount = 1;
    db.transponderCount = 2;
    db.serviceCount = 3;
    return db;
}

class SaveReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto cdd = encodeCdd(db_);
        ASSERT_TRUE(cdd.ok());
        cddBytes_.assign(cdd.value.begin(), cdd.value.end());
        writeText(input_.saved.cdd, cddBytes_);
        writeText(input_.saved.image, buildReceiverImage({}, cddBytes_).value);
    }

    corvane::testing::ScratchDir scratch_{"report"};
    ChannelDatabase db_ = turkish();
    std::string cddBytes_;
    SaveReportInput input_{
        "list.txt",
        {(scratch_.root() / "out.cdd").string(), (scratch_.root() / "out.rs232").string()},
        "2026-12-09 14:05:31 +0100"};
};

TEST_F(SaveReportTest, TheCsvGivesTheSavedFilesSizesChecksumsAndRecords) {
    const NameCodec turkishPage(NameEncoding{NamePage::Iso8859_9});
    input_.names = &turkishPage;
    const auto report = buildSaveReport(db_, input_);
    ASSERT_TRUE(report.ok()) << report.detail;
    std::vector<std::string> lines = {
        "\xEF\xBB\xBFreport,Saved at,2026-12-09 14:05:31 +0100",
        "report,Verified,The Save read back and verified both files.",
        "count,kind,records\r\ncount,satellites,1\r\ncount,transponders,2\r\ncount,services,2\r\n"
        "count,antennas,1", // the orphan service is not in the .cdd ...
        "finding,\"service 2 \"\"Kanal Şişli\"\": transponder 7 does not exist; a .cdd file "
        "leaves the service out\"", // ... and the check says so, in the code page
        "satellite,0,Türksat 42E,42.0E",
        "transponder,0,0,11096,30000,H,7/8,0",
        "service,1,Kanal Şişli,0,0,100,200,100,no,0,no"};
    for (const std::string& path : {input_.saved.cdd, input_.saved.image}) {
        const std::string bytes = readText(path);
        char crc[12];
        std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(crc32(bytes)));
        lines.push_back(
            (path == input_.saved.cdd ? "file,channel database," : "file,receiver image,") + path +
            "," + std::to_string(bytes.size()) + "," + crc);
    }
    const std::string csv = "\r\n" + report.value.csv;
    for (const std::string& line : lines)
        EXPECT_NE(csv.find("\r\n" + line + "\r\n"), std::string::npos) << line << "\n" << csv;
}

// Every object the cross-reference table lists starts where it says, and every stream is as
// long as its dictionary says.
TEST_F(SaveReportTest, ThePdfIsSoundToItsCrossReferenceTable) {
    for (std::size_t services : {3u, 400u}) { // one page, and several
        for (std::size_t n = db_.services.size(); n < services; ++n)
            db_.services.append(db_.services.front());
        SetUp();
        const auto report = buildSaveReport(db_, input_);
        ASSERT_TRUE(report.ok()) << report.detail;
        const std::string& pdf = report.value.pdf;
        ASSERT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
        const std::size_t startxref = pdf.rfind("startxref\n");
        ASSERT_NE(startxref, std::string::npos);
        const std::size_t xref = std::stoul(pdf.substr(startxref + 10));
        ASSERT_EQ(pdf.substr(xref, 7), "xref\n0 ");
        const std::size_t objects = std::stoul(pdf.substr(xref + 7));
        EXPECT_NE(pdf.find("/Size " + std::to_string(objects) + " "), std::string::npos);
        const std::size_t table = pdf.find('\n', xref + 7) + 1; // then the free entry 0
        for (std::size_t k = 1; k < objects; ++k) {
            const std::string entry = pdf.substr(table + 20 * k, 20);
            ASSERT_EQ(entry.substr(10), " 00000 n \n") << k;
            const std::size_t at = std::stoul(entry.substr(0, 10));
            EXPECT_EQ(pdf.substr(at, std::to_string(k).size() + 6), std::to_string(k) + " 0 obj")
                << k;
        }
        std::size_t streams = 0;
        for (std::size_t at = pdf.find("/Length "); at != std::string::npos;
             at = pdf.find("/Length ", at + 1), ++streams) {
            const std::size_t length = std::stoul(pdf.substr(at + 8));
            const std::size_t data = pdf.find(">>\nstream\n", at) + 10;
            EXPECT_EQ(pdf.substr(data + length, 10), "\nendstream");
        }
        const std::size_t pages = (objects - 5) / 2;
        EXPECT_EQ(streams, pages);
        EXPECT_EQ(pages > 1, services > 3);
    }
}

TEST_F(SaveReportTest, FilesThatAreNotWhatTheSaveWroteGiveNoReport) {
    struct Case {
        const char* what;
        bool image;              // which file is spoilt
        std::string replacement; // its new bytes
    };
    std::string flipped = cddBytes_;
    flipped[30] ^= 1;
    const Case cases[] = {
        {"a .cdd byte changed", false, flipped},
        {"an image byte changed", true, buildReceiverImage({}, cddBytes_).value + "x"},
        {"an image of another .cdd", true, buildReceiverImage({}, flipped).value},
        {"no image", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        const std::string& spoilt = c.image ? input_.saved.image : input_.saved.cdd;
        if (c.replacement.empty())
            fs::remove(spoilt);
        else
            writeText(spoilt, c.replacement);
        const auto report = buildSaveReport(db_, input_);
        EXPECT_FALSE(report.ok());
        EXPECT_EQ(report.file, spoilt);
    }
}

TEST(SaveReport, PathsAndWinAnsiText) {
    const std::pair<const char*, const char*> paths[] = {{"batch7.pdf", "batch7"},
                                                         {"batch7.PDF", "batch7"},
                                                         {"a.pdf.pdf", "a.pdf"},
                                                         {"sheet.txt", "sheet.txt"}};
    for (const auto& [chosen, base] : paths) {
        EXPECT_EQ(reportPaths(chosen).pdf, std::string(base) + ".pdf");
        EXPECT_EQ(reportPaths(chosen).csv, std::string(base) + ".csv");
    }
    const std::pair<std::string, std::string> texts[] = {{"Café €", "Caf\xE9 \x80"},
                                                         {"Şişli", "?i?li"},
                                                         {"Ж1", "?1"},
                                                         {"a\xFF!", "a?!"},
                                                         {"ü\xC3", "\xFC?"}};
    for (const auto& [utf8, winAnsi] : texts)
        EXPECT_EQ(toWinAnsi(utf8), winAnsi) << utf8;
}

} // namespace
} // namespace corvane
