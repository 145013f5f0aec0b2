#include "database_diff_output.h"

#include <gtest/gtest.h>

namespace corvane::cli {
namespace {

using nlohmann::ordered_json;

const SatelliteIdentity kAstra{192, "Astra"};
const TransponderIdentity kTuning{kAstra, 0, 11494, 0};

// One change of each kind and every way a record can be named, orphans included.
DatabaseDiff sampleDiff() {
    DatabaseDiff diff;
    diff.counters.push_back({"serviceCount", 2, 3});
    diff.records = {
        {ChangeKind::Changed,
         RecordKind::Antenna,
         0,
         0,
         0,
         0,
         AntennaIdentity{0},
         {{"lnbPower", 1, 0}, {"tunerMask", 3, 1}}},
        {ChangeKind::Removed,
         RecordKind::Satellite,
         1,
         {},
         1,
         {},
         SatelliteIdentity{130, "Hot"},
         {}},
        {ChangeKind::Added,
         RecordKind::Transponder,
         {},
         2,
         {},
         5,
         TransponderIdentity{{}, 9, 12188, 1},
         {}},
        {ChangeKind::Moved,
         RecordKind::Service,
         4,
         0,
         4,
         0,
         ServiceIdentity{kTuning, 0, 28106, "Das Erste"},
         {}},
        {ChangeKind::Added, RecordKind::Service, {}, 5, {}, 5, ServiceIdentity{{}, 77, 1, "X"}, {}},
    };
    return diff;
}

TEST(DiffOutput, OneLinePerChangeNamingTheRecordAsItIsMatched) {
    EXPECT_EQ(diffToText(sampleDiff()),
              "changed counter serviceCount: 2 -> 3\n"
              "changed antenna 0: lnbPower 1 -> 0, tunerMask 3 -> 1\n"
              "removed satellite 1 \"Hot\" (longitude 130) at position 1\n"
              "added transponder 5 (12188 MHz vertical, missing satellite 9) at position 2\n"
              "moved service 0 \"Das Erste\" (service id 28106, 11494 MHz horizontal, satellite "
              "\"Astra\" longitude 192): position 4 -> 0\n"
              "added service 5 \"X\" (service id 1, missing transponder 77) at position 5\n");
    EXPECT_EQ(diffToText({}), "");
}

TEST(DiffOutput, NamesCannotBreakOrForgeALine) {
    EXPECT_EQ(quotedName("a\nb\x1b[2J\tc\rd"), R"("a\nb\x1b[2J\tc\rd")");
    EXPECT_EQ(quotedName("say \"hi\" \\ \x7f\x9b\xe9"),
              "\"say \\\"hi\\\" \\\\ \\x7f\\x9b\xc3\xa9\"");
    DatabaseDiff diff;
    diff.records.push_back({ChangeKind::Added,
                            RecordKind::Satellite,
                            {},
                            0,
                            {},
                            0,
                            SatelliteIdentity{0, "x\nremoved satellite 0"},
                            {}});
    EXPECT_EQ(diffToText(diff), "added satellite 0 \"x\\nremoved satellite 0\" (longitude 0) at "
                                "position 0\n");
}

TEST(DiffOutput, JsonHoldsTheMembersThatApply) {
    const ordered_json json = diffToJson(sampleDiff());
    EXPECT_EQ(json["counters"], ordered_json::parse(R"([{"field": "serviceCount", "old": 2,
        "new": 3}])"));
    const ordered_json& changes = json["changes"];
    ASSERT_EQ(changes.size(), 5u);
    EXPECT_EQ(changes[0], ordered_json::parse(R"({"change": "changed", "record": "antenna",
        "oldPosition": 0, "newPosition": 0, "oldKey": 0, "newKey": 0, "identity": {"id": 0},
        "fields": [{"field": "lnbPower", "old": 1, "new": 0},
                   {"field": "tunerMask", "old": 3, "new": 1}]})"));
    EXPECT_EQ(changes[1], ordered_json::parse(R"({"change": "removed", "record": "satellite",
        "oldPosition": 1, "oldKey": 1, "identity": {"longitude": 130, "name": "Hot"}})"));
    EXPECT_EQ(changes[2]["identity"], ordered_json::parse(R"({"satelliteId": 9,
        "frequency": 12188, "polarity": 1})"));
    EXPECT_EQ(changes[3], ordered_json::parse(R"({"change": "moved", "record": "service",
        "oldPosition": 4, "newPosition": 0, "oldKey": 4, "newKey": 0, "identity": {
          "transponder": {"satellite": {"longitude": 192, "name": "Astra"}, "frequency": 11494,
                          "polarity": 0},
          "serviceId": 28106, "name": "Das Erste"}})"));
    EXPECT_EQ(changes[4]["identity"], ordered_json::parse(R"({"transponderId": 77,
        "serviceId": 1, "name": "X"})"));
    EXPECT_EQ(diffToJson({}), ordered_json::parse(R"({"counters": [], "changes": []})"));
}

// The tool prints a diff a piece at a time; the pieces must make exactly the text of the whole.
TEST(DiffOutput, PiecesMakeTheWholeText) {
    for (const DatabaseDiff& diff : {sampleDiff(), DatabaseDiff{}}) {
        std::string json, text;
        writeDiffJson(diff, [&](std::string_view piece) { json.append(piece); });
        writeDiffText(diff, [&](std::string_view piece) { text.append(piece); });
        EXPECT_EQ(json, diffToJson(diff).dump(2) + "\n");
        EXPECT_EQ(text, diffToText(diff));
    }
}

} // namespace
} // namespace corvane::cli
