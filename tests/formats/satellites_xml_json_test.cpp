#include "formats/database_json.h"
#include "formats/satellites_xml.h"
#include "formats/satellites_xml_sample.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

// JSON keeps every field in full, so an imported list must come back from it unchanged.
TEST(SatellitesXmlJson, RealSizeListSurvivesJson) {
    const testing::SatellitesXmlSample sample = testing::realSizeSatellitesXml();
    ChannelDatabase db;
    ASSERT_TRUE(importSatellitesXmlBytes(db, sample.xml).ok());
    ChannelDatabase back;
    const Status<> read = databaseFromJson(databaseToJsonText(db), back);
    ASSERT_TRUE(read.ok()) << read.cause;
    EXPECT_TRUE(back == sample.expected);
}

} // namespace
} // namespace corvane
