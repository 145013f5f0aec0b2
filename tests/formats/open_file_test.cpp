#include "formats/open_file.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;

class OpenFileTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        const auto path = (dir_ / name).string();
        testing::writeText(path, bytes);
        return path;
    }
    static ChannelDatabase withOneSatellite() {
        ChannelDatabase db;
        SatelliteRecord s;
        s.id = 3;
        db.appendRecord(s);
        db.satelliteCount = 4;
        return db;
    }

    testing::ScratchDir scratch_{"open"};
    const fs::path dir_ = scratch_.root();
    testing::CurrentFolder here_{dir_}; // the factory conversion leaves its work file here
};

TEST_F(OpenFileTest, ExtensionDecidesTheReaderIgnoringCase) {
    EXPECT_EQ(formatOfPath("a/b/LIST.TXT"), FileFormat::Text);
    EXPECT_EQ(formatOfPath("list.Ftc"), FileFormat::Text);
    EXPECT_EQ(formatOfPath("x.cDd"), FileFormat::Cdd);
    EXPECT_EQ(formatOfPath("x.SDX"), FileFormat::SatcoDx);
    EXPECT_EQ(formatOfPath("x.bin"), FileFormat::FactoryData);
    EXPECT_EQ(formatOfPath("satellites.XML"), FileFormat::SatellitesXml);
    EXPECT_EQ(formatOfPath("list.JSON"), FileFormat::Json);
    EXPECT_EQ(formatOfPath("list.json.txt"), FileFormat::Text);
    EXPECT_EQ(formatOfPath("listjson"), FileFormat::Unknown);
    EXPECT_EQ(formatOfPath("json"), FileFormat::Unknown);
    EXPECT_EQ(formatOfPath("x.cdd.bak"), FileFormat::Unknown);
    EXPECT_EQ(formatOfPath("txt"), FileFormat::Unknown);
    EXPECT_EQ(formatOfPath(".txt"), FileFormat::Text) << "four characters are enough";
    EXPECT_EQ(formatOfPath(""), FileFormat::Unknown);
}

TEST_F(OpenFileTest, TextFileReplacesTheDatabase) {
    ChannelDatabase db = withOneSatellite();
    const auto result = openFile(db, write("list.TXT", "s \"Opened\" 0 0 u 19.2 east\r\n"));
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(result.messages.empty());
    ASSERT_EQ(db.satellites.size(), 1u);
    EXPECT_EQ(nameView(db.satellites.front().name), "Opened");
}

TEST_F(OpenFileTest, UnknownExtensionChangesNothing) {
    ChannelDatabase db = withOneSatellite();
    const ChannelDatabase before = db;
    const auto result = openFile(db, write("list.cdd.bak", "anything"));
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.messages, (std::vector<std::string>{"Unkown Format!"}));
    EXPECT_EQ(result.detail,
              (dir_ / "list.cdd.bak").string() +
                  ": the name ends in none of .ftc, .txt, .cdd, .sdx, .bin, .xml and .json");
    EXPECT_EQ(db, before);
}

TEST_F(OpenFileTest, SatellitesXmlIsImportedOrRefusedWithItsLine) {
    ChannelDatabase db = withOneSatellite();
    const auto imported =
        openFile(db, write("satellites.XML",
                           "<satellites><sat name=\"Thor\" position=\"-8\"/></satellites>"));
    EXPECT_TRUE(imported.ok()) << imported.detail;
    ASSERT_EQ(db.satellites.size(), 1u);
    EXPECT_EQ(nameView(db.satellites.front().name), "Thor");

    const ChannelDatabase before = db;
    const std::string refused =
        write("refused.xml", "<satellites>\n<sat name=\"a\"/>\n</satellites>");
    const auto result = openFile(db, refused);
    EXPECT_EQ(result.code, OpenOutcome::FormatError);
    EXPECT_EQ(result.messages, (std::vector<std::string>{"File Format error!"}));
    EXPECT_EQ(result.detail, refused + ":2: <sat> has no position attribute");
    EXPECT_EQ(db, before);
}

TEST_F(OpenFileTest, UnreadableFilesReportFormatErrorAndKeepTheData) {
    ChannelDatabase db = withOneSatellite();
    const ChannelDatabase before = db;
    for (const char* name : {"none.txt", "none.ftc", "none.cdd", "none.sdx", "none.xml"}) {
        const auto result = openFile(db, (dir_ / name).string());
        EXPECT_FALSE(result.ok()) << name;
        EXPECT_EQ(result.messages, (std::vector<std::string>{"File Format error!"})) << name;
        EXPECT_EQ(result.detail, (dir_ / name).string() + ": No such file or directory");
        EXPECT_EQ(db, before) << name;
    }
    const auto damaged = openFile(db, write("bad.cdd", std::string(40, 'x')));
    EXPECT_EQ(damaged.code, OpenOutcome::FormatError);
    EXPECT_EQ(damaged.messages, (std::vector<std::string>{"File Format error!"}));
    EXPECT_EQ(damaged.detail, (dir_ / "bad.cdd").string() + ": header is not that of a .cdd file");
    EXPECT_EQ(db, before) << "a damaged database file must not cost the user the open data";
}

// Files just past the limits that keep a reader's memory bounded: refused with the reason, the
// open data kept. Just within them they are read (the tool's memory test runs those).
TEST_F(OpenFileTest, FilesFarLargerThanAnyListAreRefusedBeforeTheyCostMemory) {
    const auto repeat = [](std::string_view piece, std::size_t times) {
        std::string out;
        for (std::size_t i = 0; i < times; ++i)
            out.append(piece);
        return out;
    };
    std::string values = "{\"satelliteCount\": [0";
    values += repeat(",0", std::size_t{1} << 22);
    values += "]}";
    const std::pair<const char*, std::string> files[] = {
        {"lines.txt", repeat("t\n", (std::size_t{1} << 20) + 1)},
        {"nodes.xml", "<satellites>" + repeat("<x/>", std::size_t{1} << 22) + "</satellites>"},
        {"values.json", values},
    };
    ChannelDatabase db = withOneSatellite();
    const ChannelDatabase before = db;
    for (const auto& [name, bytes] : files) {
        const auto result = openFile(db, write(name, bytes));
        EXPECT_FALSE(result.ok()) << name;
        EXPECT_NE(result.detail.find("far more than"), std::string::npos) << result.detail;
        EXPECT_EQ(db, before) << name;
    }
}

TEST_F(OpenFileTest, FactoryDataMessagesComeInOrder) {
    ChannelDatabase db = withOneSatellite();
    const ChannelDatabase before = db;
    const auto missing = openFile(db, (dir_ / "none.BIN").string());
    EXPECT_EQ(missing.messages,
              (std::vector<std::string>{"open file failed", "\n Factory data fie is invalid. ",
                                        "File Format error!"}));
    const auto wrong = openFile(db, write("wrong.bin", std::string(64, '\0')));
    EXPECT_EQ(wrong.messages,
              (std::vector<std::string>{"\n Factory data fie is invalid. ", "File Format error!"}));
    EXPECT_EQ(db, before);
}

TEST_F(OpenFileTest, FoldersNamedLikeDataFilesAreNotOpened) {
    ChannelDatabase db = withOneSatellite();
    const ChannelDatabase before = db;
    for (const char* name : {"folder.txt", "folder.cdd", "folder.sdx"}) {
        fs::create_directory(dir_ / name);
        const auto result = openFile(db, (dir_ / name).string());
        EXPECT_EQ(result.messages, (std::vector<std::string>{"File Format error!"})) << name;
        EXPECT_EQ(result.detail, (dir_ / name).string() + ": Is a directory");
        EXPECT_EQ(db, before) << name;
    }
    fs::create_directory(dir_ / "folder.bin");
    const auto bin = openFile(db, (dir_ / "folder.bin").string());
    EXPECT_EQ(bin.messages,
              (std::vector<std::string>{"open file failed", "\n Factory data fie is invalid. ",
                                        "File Format error!"}));
    EXPECT_EQ(db, before);
}

TEST_F(OpenFileTest, SatcoDxIsOpenedThoughNotInTheDialogFilter) {
    ChannelDatabase db = withOneSatellite();
    const auto result = openFile(db, write("empty.sdx", ""));
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(db.satellites.empty());
}

} // namespace
} // namespace corvane
