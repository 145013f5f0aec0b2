#include "main_dialog_fixture.h"

#include "formats/database_json.h"
#include "formats/factory_test_files.h"
#include "image/cdd_file.h"
#include "image/cdd_test_support.h"

#include <QStatusBar>

namespace corvane::test {
namespace {

// One SatcoDX record: type, name, frequency, polarisation, position, symbol rate, FEC at their
// columns.
std::string satcoDxRecord() {
    std::string r(127, ' ');
    r.replace(0, 10, "SATCODX103");
    r.replace(10, 7, "ASTRA 1");
    r.replace(28, 5, "TVDVB");
    r.replace(33, 9, "011778000");
    r[42] = '1';
    r.replace(51, 4, "0192");
    r.replace(69, 5, "27500");
    r[74] = '3';
    return r + "\r\n";
}

std::string cddBytes(const ChannelDatabase& db) {
    const auto encoded = encodeCdd(db);
    EXPECT_TRUE(encoded.ok()) << encoded.detail;
    return {encoded.value.begin(), encoded.value.end()};
}

TEST_F(MainDialogTest, OpensEveryFormatByItsExtension) {
    const struct {
        std::string name;
        std::string bytes;
        std::string firstSatellite;
    } files[] = {
        {"list.txt", kSmallText, "Sat A"},
        {"LIST.FTC", kSmallText, "Sat A"},
        {"list.cdd", cddBytes(corvane::testing::smallDatabase()), "Sat"},
        {"list.bin",
         [] {
             const auto b = corvane::testing::layoutAFile();
             return std::string(b.begin(), b.end());
         }(),
         "ASTRA 1"},
        {"list.sdx", satcoDxRecord(), "ASTRA 1"},
        {"list.XML",
         "<satellites><sat name=\"Thor\" position=\"-8\"><transponder frequency=\"10719000\" "
         "symbol_rate=\"27500000\" polarization=\"0\"/></sat></satellites>",
         "Thor"},
        {"list.Json", corvane::databaseToJsonText(corvane::testing::smallDatabase()), "Sat"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        openThroughButton(write(f.name, f.bytes));
        EXPECT_TRUE(prompts_.messageTexts().isEmpty());
        EXPECT_EQ(shownTitle(), "Corvane [v1.0.3] - " + f.name);
        EXPECT_FALSE(window_->isModified());
        ASSERT_FALSE(column(window_->satelliteList(), 2).empty());
        EXPECT_EQ(column(window_->satelliteList(), 2).front(), f.firstSatellite);
        EXPECT_EQ(column(window_->antennaList(), 0).size(), window_->database().antennas.size());
        EXPECT_TRUE(window_->statusBar()->currentMessage().startsWith(
            QString::fromStdString(f.name) + QStringLiteral(": ")));
    }
}

TEST_F(MainDialogTest, FailedOpensShowTheirMessagesInOrderAndChangeNothing) {
    openThroughButton(write("good.txt", kSmallText));
    clickRow(window_->satelliteList(), 1);
    clickShowAll();
    const ChannelDatabase before = window_->database();
    const auto lists = [&] {
        return std::vector{cells(window_->satelliteList()), cells(window_->transponderList()),
                           cells(window_->serviceList()), cells(window_->antennaList())};
    };
    const auto shownBefore = lists();
    const std::string titleBefore = shownTitle();

    std::vector<uint8_t> damaged = corvane::testing::sealCdd(corvane::testing::cddPrefix(0));
    damaged.back() ^= 1;
    const QString missing = QString::fromStdString(scratch_.file("missing.txt"));
    // The last box names the file and the cause under its text (`afterPath` is how that line
    // goes on after the path).
    const struct {
        QString path;
        Strings messages;
        std::string afterPath;
    } cases[] = {
        {write("list.cdd.bak", cddBytes(corvane::testing::smallDatabase())),
         {"Unkown Format!"},
         ": the name ends in none of .ftc, .txt, .cdd, .sdx, .bin, .xml and .json"},
        {missing, {"File Format error!"}, ": No such file or directory"},
        {write("damaged.cdd", damaged),
         {"File Format error!"},
         ": checksum does not match (stored 0x"},
        {write("short.cdd", std::string(12, '\x26')),
         {"File Format error!"},
         ": header is not that of a .cdd file"},
        {write("zeros.bin", std::string(64, '\0')),
         {"\n Factory data fie is invalid. ", "File Format error!"},
         ": it does not start with the signature \"morvalen\""},
        {QString::fromStdString(scratch_.file("missing.bin")),
         {"open file failed", "\n Factory data fie is invalid. ", "File Format error!"},
         ": No such file or directory"},
        {write("refused.xml", "<satellites><sat name=\"a\"/></satellites>"),
         {"File Format error!"},
         ":1: <sat> has no position attribute"},
        {write("refused.json", "{}"), {"File Format error!"}, ": satelliteCount is missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        prompts_.seen.clear();
        openThroughButton(c.path);
        EXPECT_EQ(strings(prompts_.messageTexts()), c.messages);
        // seen[0] is the file dialog.
        for (std::size_t i = 1; i < prompts_.seen.size(); ++i) {
            EXPECT_EQ(prompts_.seen[i].icon, MessageIcon::Exclamation);
            const bool last = i + 1 == prompts_.seen.size();
            const std::string details = prompts_.seen[i].details.toStdString();
            EXPECT_EQ(details.empty(), !last) << details;
            if (last) {
                EXPECT_TRUE(details.starts_with(c.path.toStdString() + c.afterPath)) << details;
            }
        }
        EXPECT_EQ(window_->database(), before);
        EXPECT_EQ(lists(), shownBefore);
        EXPECT_EQ(shownTitle(), titleBefore);
        EXPECT_EQ(window_->currentPath(), scratch_.file("good.txt"));
        EXPECT_FALSE(window_->isModified());
    }
}

TEST_F(MainDialogTest, SuccessfulOpenShowsSatelliteZeroAndNoStaleServices) {
    const QString path = write("good.txt", kSmallText);
    openThroughButton(path);
    clickRow(window_->satelliteList(), 1);
    clickRow(window_->transponderList(), 0);
    EXPECT_EQ(column(window_->serviceList(), 2), (Strings{"Three"}));

    openThroughButton(path);
    EXPECT_EQ(column(window_->transponderList(), 1), (Strings{"11000", "11100"}));
    EXPECT_TRUE(cells(window_->serviceList()).empty()) << "box unchecked: no services";
    clickShowAll();
    openThroughButton(path);
    EXPECT_EQ(column(window_->serviceList(), 2), (Strings{"One", "Two", "Three"}));
}

TEST_F(MainDialogTest, OpenTakesOverCutRecordsAndCountsTheCentreFrequenciesItSet) {
    ChannelDatabase file = corvane::testing::smallDatabase();
    file.antennas.front().centerFreq = 10000;
    ChannelDatabase cut;
    cut.satelliteClipboard.append({.id = 9});
    window_->document().replace(cut, "");
    openThroughButton(write("list.cdd", cddBytes(file)));
    EXPECT_EQ(column(window_->antennaList(), 3), (Strings{"11700"}));
    EXPECT_EQ(window_->database().antennas.front().centerFreq, 11700);
    EXPECT_FALSE(window_->isModified()) << "the opened state is the baseline";
    EXPECT_TRUE(window_->statusBar()->currentMessage().contains(QStringLiteral("on 1 antenna")));
    ASSERT_EQ(window_->database().satelliteClipboard.size(), 1u);
    EXPECT_EQ(window_->database().satelliteClipboard.front().id, 9);

    // Outside an Open the list shows what the antenna holds: showing it changes nothing.
    window_->document().transact(QStringLiteral("Set"), [](ChannelDatabase& db, TouchedRows&) {
        db.antennas.front().centerFreq = 1;
        return true;
    });
    window_->fillAntennaList();
    EXPECT_EQ(column(window_->antennaList(), 3), (Strings{"1"}));
    EXPECT_EQ(window_->database().antennas.front().centerFreq, 1);
}

} // namespace
} // namespace corvane::test
