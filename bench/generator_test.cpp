// The benchmarks compare sizes with each other, so their data must have the sizes it claims in
// every form, and must be data the editor accepts: a refused file would time an early return.
#include "generator.h"
#include "growth.h"

#include "formats/factory_data.h"
#include "formats/satcodx.h"
#include "formats/satellites_xml.h"
#include "formats/text_reader.h"
#include "image/cdd_file.h"
#include "image/database_check.h"

#include <gtest/gtest.h>

#include <tuple>

namespace corvane::bench {
namespace {

std::vector<std::size_t> counts(const ChannelDatabase& db) {
    return {db.satellites.size(), db.transponders.size(), db.services.size()};
}

TEST(BenchData, EveryFormHoldsTheSizeAskedFor) {
    struct Case {
        double fraction;
        std::vector<std::size_t> records, binRecords;
    };
    for (const Case& c : {Case{1.0, {255, 65535, 65535}, {106, 1024, 1955}},
                          Case{0.5, {128, 32768, 32768}, {53, 512, 978}},
                          Case{0.016, {4, 1049, 1049}, {2, 16, 31}}}) {
        SCOPED_TRACE(c.fraction);
        const ChannelDatabase db = generateDatabase(c.fraction);
        EXPECT_EQ(counts(db), c.records);
        EXPECT_EQ(db.antennas.size(), db.satellites.size());
        EXPECT_TRUE(encodeCdd(db).ok());
        EXPECT_TRUE(checkDatabase(db).empty());

        ChannelDatabase text;
        readTextBytes(text, generateText(c.fraction));
        EXPECT_EQ(counts(text), c.records);

        ChannelDatabase bin;
        const std::vector<uint8_t> file = generateBin(c.fraction);
        ASSERT_TRUE(convertFactoryBytes(bin, file).ok());
        EXPECT_EQ(counts(bin), c.binRecords);

        ChannelDatabase xml;
        ASSERT_TRUE(importSatellitesXmlBytes(xml, generateSatellitesXml(c.fraction)).ok());
        EXPECT_EQ(xml.transponders.size(), c.records[1]);
    }
}

TEST(BenchData, SatcoDxListsEachTransponderTwice) {
    ChannelDatabase db;
    importSatcoDxBytes(db, generateSatcoDx(80000));
    EXPECT_EQ(db.satellites.size(), 200u);
    EXPECT_EQ(db.transponders.size(), 40000u);
}

TEST(BenchGrowth, OneRowPerDoublingTimed) {
    const Timings times{{"linear", {{250, 1.0}, {500, 2.0}, {1000, 4.1}}},
                        {"quadratic", {{250, 1.0}, {500, 4.0}}},
                        {"gap", {{250, 1.0}, {1000, 4.0}}},  // no doubling: no row
                        {"zero", {{250, 0.0}, {500, 1.0}}}}; // no factor: no row
    const std::vector<Growth> rows = growthOf(times);
    ASSERT_EQ(rows.size(), 3u);
    const std::vector<std::tuple<std::string, int, int, double>> expected{
        {"linear", 250, 500, 2.0}, {"linear", 500, 1000, 2.05}, {"quadratic", 250, 500, 4.0}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].operation, std::get<0>(expected[i]));
        EXPECT_EQ(rows[i].from, std::get<1>(expected[i]));
        EXPECT_EQ(rows[i].to, std::get<2>(expected[i]));
        EXPECT_DOUBLE_EQ(rows[i].factor, std::get<3>(expected[i]));
    }
}

} // namespace
} // namespace corvane::bench
