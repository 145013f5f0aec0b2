#include "formats/database_json.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

// One record of each kind with values that differ from field to field, so a field written under
// the wrong key or read into the wrong member shows.
ChannelDatabase oneOfEach() {
    ChannelDatabase db;
    db.satelliteCount = 1;
    db.transponderCount = 7;
    db.serviceCount = -3;
    db.antennaCount = 2147483647;
    AntennaRecord a;
    a.id = 1, a.lowFreq = 2, a.highFreq = 3, a.centerFreq = 4, a.lnbType = 5, a.lnbPower = 6;
    a.lnbVoltage = 7, a.toneburst = 8, a.committed10 = 9, a.uncommitted = 10, a.committed11 = 11;
    a.repeatedTimes = 12, a.switch22k = 13, a.switch12v = 14, a.tunerMask = 15;
    a.diseqcType = 16, a.antennaKey = -2147483647 - 1;
    db.appendRecord(a);
    SatelliteRecord s;
    s.id = 21, s.longitude = 3300;
    setName(s.name, "Caf\xE9 \xFF\x01");
    db.appendRecord(s);
    TransponderRecord t{31, 32, 33, 34, 35, 36, 37};
    db.appendRecord(t);
    ServiceRecord v;
    v.transponderId = 41, v.number = 42, v.videoPid = 43, v.audioPid = 44, v.pcrPid = 45;
    v.serviceId = 46, v.caMode = 47, v.favorites = 48, v.lock = 49;
    db.appendRecord(v);
    return db;
}

// Written out by hand: key order, and Latin-1 as UTF-8 ("\u00e9" is the byte 0xE9).
const char* const kOneOfEachJson = R"({"satelliteCount": 1, "transponderCount": 7,
  "serviceCount": -3, "antennaCount": 2147483647,
  "antennas": [{"id": 1, "lowFreq": 2, "highFreq": 3, "centerFreq": 4, "lnbType": 5, "lnbPower": 6,
    "lnbVoltage": 7, "toneburst": 8, "committed10": 9, "uncommitted": 10, "committed11": 11,
    "repeatedTimes": 12, "switch22k": 13, "switch12v": 14, "tunerMask": 15, "diseqcType": 16,
    "antennaKey": -2147483648}],
  "satellites": [{"id": 21, "name": "Caf\u00e9 \u00ff\u0001", "longitude": 3300}],
  "transponders": [{"id": 31, "satelliteId": 32, "frequency": 33, "symbolRate": 34,
    "polarity": 35, "fec": 36, "antennaId": 37}],
  "services": [{"transponderId": 41, "number": 42, "name": "", "videoPid": 43, "audioPid": 44,
    "pcrPid": 45, "serviceId": 46, "caMode": 47, "favorites": 48, "lock": 49}]})";

TEST(DatabaseJson, WritesEveryFieldInDeclaredOrderWithLatin1NamesAsUtf8) {
    const std::string text = databaseToJsonText(oneOfEach());
    EXPECT_EQ(nlohmann::ordered_json::parse(text), nlohmann::ordered_json::parse(kOneOfEachJson));
    // Raw UTF-8 rather than escapes, indented by two, one key a line, ending in a line end.
    EXPECT_NE(text.find("\"name\": \"Caf\xC3\xA9 \xC3\xBF\\u0001\""), std::string::npos) << text;
    EXPECT_EQ(text.substr(0, 50), "{\n  \"satelliteCount\": 1,\n  \"transponderCount\": 7,\n");
    EXPECT_EQ(text.substr(text.size() - 13), "\n    }\n  ]\n}\n");

    // Written without the object model, yet byte for byte what the library prints from it,
    // with empty lists and lists of more than one record.
    ChannelDatabase twice = oneOfEach();
    twice.appendRecord(twice.satellites.front());
    for (const ChannelDatabase& db : {ChannelDatabase(), oneOfEach(), twice})
        EXPECT_EQ(databaseToJsonText(db), databaseToJson(db).dump(2) + "\n");
}

TEST(DatabaseJson, ReadsTheWrittenFormBackExactlyAndKeepsTheCutBuffers) {
    ChannelDatabase db;
    SatelliteRecord cut;
    cut.id = 99;
    db.satelliteClipboard.append(cut);
    db.appendRecord(SatelliteRecord{}); // replaced, not kept
    const Status<> read = databaseFromJson(kOneOfEachJson, db);
    ASSERT_TRUE(read.ok()) << read.cause;
    EXPECT_EQ(read.cause, "");
    ChannelDatabase expected = oneOfEach();
    expected.satelliteClipboard.append(cut);
    EXPECT_EQ(db, expected);
}

// A valid document with `edit` applied, for the refusals below.
std::string validWith(const std::pair<std::string, std::string>& edit) {
    std::string text = R"({"satelliteCount": 1, "transponderCount": 0, "serviceCount": 0,
        "antennaCount": 0, "antennas": [], "satellites": [{"id": 5, "name": "A",
        "longitude": 192}], "transponders": [], "services": []})";
    if (!edit.first.empty())
        text.replace(text.find(edit.first), edit.first.size(), edit.second);
    return text;
}

TEST(DatabaseJson, AcceptsTheLimitsAndRefusesBeyondNamingWhereLeavingTheDatabaseAlone) {
    const std::vector<std::pair<std::pair<std::string, std::string>, std::string>> cases = {
        {{"{", "["}, "not valid JSON: "},
        {{"\"satelliteCount\": 1,", ""}, "satelliteCount is missing"},
        {{"\"satelliteCount\": 1", "\"satelliteCount\": 1.0"}, "satelliteCount is not an integer"},
        {{"\"satelliteCount\": 1", "\"satelliteCount\": \"1\""},
         "satelliteCount is not an integer"},
        {{"\"serviceCount\": 0", "\"serviceCount\": 2147483648"},
         "serviceCount 2147483648 is not a 32-bit signed integer"},
        {{"\"serviceCount\": 0", "\"serviceCount\": -2147483649"},
         "serviceCount -2147483649 is not a 32-bit signed integer"},
        {{"\"serviceCount\": 0", "\"serviceCount\": 1000000000000000000000000000000"},
         "serviceCount 1e+30 is out of the 32-bit range"},
        {{"\"serviceCount\": 0", "\"serviceCount\": 1e3"}, "serviceCount is not an integer"},
        // Keys are shown cut and escaped: a message is one short line whatever the file holds.
        {{"\"id\": 5", "\"id\": 5, \"" + std::string(10 << 20, 'k') + "\": 1"},
         "satellites[0] has the unknown key \"" + std::string(40, 'k') + "\"..."},
        {{"\"id\": 5", "\"id\": 5, \"\\u001b[2J\u00e9\": 1"},
         "satellites[0] has the unknown key \"\\u001b[2J\\u00e9\""},
        {{"\"name\": \"A\"", "\"name\": \"" + std::string(10 << 20, 'n') + "\xff"},
         "not valid JSON: parse error at line 2, column 10485838: syntax error while parsing "
         "value - invalid string: ill-formed UTF-8 byte; last read: '\"nnnn"},
        {{"\"antennas\": []", "\"antennas\": {}"}, "antennas is not an array"},
        {{"\"antennas\": [], ", ""}, "antennas is missing"},
        {{"\"services\": []", "\"services\": [], \"extra\": 1"},
         "the document has the unknown key \"extra\""},
        {{"{\"id\": 5,", "[5,"}, "not valid JSON: "},
        {{"\"id\": 5", "\"id\": 5, \"Name\": \"B\""}, "satellites[0] has the unknown key \"Name\""},
        {{"\"id\": 5", "\"id\": 5, \"id\": 6"},
         "not valid JSON: the key \"id\" appears twice in one object"},
        {{"\"longitude\": 192", "\"longtude\": 192"}, "satellites[0].longitude is missing"},
        {{"\"id\": 5", "\"id\": true"}, "satellites[0].id is not an integer"},
        {{"\"name\": \"A\"", "\"name\": 65"}, "satellites[0].name is not a string"},
        {{"\"name\": \"A\"", "\"name\": \"" + std::string(64, 'x') + "\""},
         "satellites[0].name is 64 characters long, at most 63 fit"},
        {{"\"name\": \"A\"", "\"name\": \"\\u0100\""},
         "satellites[0].name holds a character outside U+0001 to U+00FF"},
        {{"\"name\": \"A\"", "\"name\": \"A\\u0000B\""},
         "satellites[0].name holds a character outside U+0001 to U+00FF"},
        {{"\"name\": \"A\"", "\"name\": \"\xE9\""}, "not valid JSON: "},
        {{"[{\"id\"", "[7, {\"id\""}, "satellites[0] is not an object"},
        {{"", ""}, ""},
        {{"\"satelliteCount\": 1", "\"satelliteCount\": -2147483648"}, ""},
        {{"\"serviceCount\": 0", "\"serviceCount\": 2147483647"}, ""},
        {{"\"name\": \"A\"", "\"name\": \"" + std::string(63, 'x') + "\""}, ""},
    };
    for (const auto& [edit, message] : cases) {
        const std::string text = validWith(edit);
        ChannelDatabase db;
        db.serviceCount = 77;
        const Status<> read = databaseFromJson(text, db);
        EXPECT_EQ(read.ok(), message.empty()) << text;
        if (message.empty()) { // the writer is checked above, so it can vouch for the reading
            EXPECT_EQ(nlohmann::json::parse(databaseToJsonText(db)), nlohmann::json::parse(text));
            continue;
        }
        EXPECT_EQ(read.cause.substr(0, message.size()), message) << text;
        EXPECT_EQ(db.serviceCount, 77) << text;
        EXPECT_TRUE(db.satellites.empty()) << text;
    }
}

TEST(DatabaseJson, NamesInACodePageAreTextOrKeptBytesAndNothingElse) {
    const NameCodec utf8(NameEncoding{NamePage::Utf8});
    std::string euros; // 60 bytes
    for (int i = 0; i < 20; ++i)
        euros += "€";
    const std::vector<std::pair<std::pair<std::string, std::string>, std::string>> cases = {
        {{"\"name\": \"A\"", "\"nameBytes\": \"\u00e9\""}, ""},
        {{"\"name\": \"A\"", "\"name\": \"xxx" + euros + "\""}, ""},
        {{"\"name\": \"A\"", "\"name\": \"xxxx" + euros + "\""},
         "satellites[0].name is 64 bytes long in UTF-8, at most 63 fit"},
        {{"\"name\": \"A\"", "\"name\": \"A\", \"nameBytes\": \"A\""},
         "satellites[0] has both name and nameBytes"},
        {{"\"name\": \"A\"", "\"nameBytes\": \"\u20ac\""},
         "satellites[0].nameBytes holds a character outside U+0001 to U+00FF"},
        {{"\"name\": \"A\"", "\"name\": \"A\\u0000\""},
         "satellites[0].name: U+0000 would end the name there"},
        {{"{", "{\"nameEncoding\": \"utf-8\", "}, ""},
        {{"{", "{\"nameEncoding\": \"ISO-8859-9\", "},
         "nameEncoding is \"ISO-8859-9\", not the UTF-8 the names are read in"},
        {{"{", "{\"nameEncoding\": 8, "}, "nameEncoding is not a string"},
    };
    for (const auto& [edit, message] : cases) {
        const std::string text = validWith(edit);
        ChannelDatabase db;
        const Status<> read = databaseFromJson(text, db, &utf8);
        EXPECT_EQ(read.ok(), message.empty()) << read.cause;
        EXPECT_EQ(read.cause.substr(0, message.size()), message) << text;
    }
}

TEST(DatabaseJson, SurvivesHostileInputWithoutThrowing) {
    std::vector<std::string> inputs = {"",
                                       "\xFF\xFE",
                                       "null",
                                       "[]",
                                       "{}",
                                       "\"{\"",
                                       "1e999999",
                                       "{\"satelliteCount\": 1e3}",
                                       "{\"a\":1,\"a\":2}"};
    inputs.push_back(std::string(200000, '['));
    inputs.push_back(std::string(100000, '[') + std::string(100000, ']'));
    std::string noise;
    for (int i = 0; i < 4096; ++i)
        noise.push_back(static_cast<char>((i * 7919 + 13) % 256));
    inputs.push_back(noise);
    for (const std::string& text : inputs) {
        ChannelDatabase db;
        EXPECT_NO_THROW({
            const Status<> read = databaseFromJson(text, db);
            EXPECT_FALSE(read.ok());
            EXPECT_FALSE(read.cause.empty());
        });
    }
}

// Controls reach a terminal as escapes only, and come back as the same bytes; nesting beyond the
// written form is refused by its depth, whatever else follows.
TEST(DatabaseJson, EscapesEveryControlAndRefusesDeepNesting) {
    const std::pair<std::string, std::string> names[] = {
        {"\x9B"
         "31m",
         "\\u009b31m"},
        {"a\nb\tc", "a\\u000ab\\u0009c"},
        {"\x1B\x7F\x80\x9F\xA0", "\\u001b\\u007f\\u0080\\u009f\xC2\xA0"},
        {"q\"\\", "q\\\"\\\\"}};
    for (const auto& [bytes, shown] : names) {
        ChannelDatabase db;
        SatelliteRecord s;
        setName(s.name, bytes);
        db.appendRecord(s);
        const std::string text = databaseToJsonText(db);
        EXPECT_NE(text.find("\"name\": \"" + shown + "\""), std::string::npos) << text;
        ChannelDatabase back;
        ASSERT_TRUE(databaseFromJson(text, back).ok());
        EXPECT_EQ(nameView(back.satellites.front().name), bytes);
    }
    for (const std::string& deep :
         {std::string(100000, '['), std::string("{\"satellites\": [[[]]]}"),
          std::string("{\"a\": {\"b\": {\"c\": {}}}}")}) {
        ChannelDatabase db;
        const Status<> read = databaseFromJson(deep, db);
        EXPECT_NE(read.cause.find("nested deeper"), std::string::npos) << read.cause;
    }
}

} // namespace
} // namespace corvane
