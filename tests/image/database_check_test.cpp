#include "image/database_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace corvane {
namespace {

std::vector<std::string> messages(const std::vector<Finding>& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings)
        out.push_back(f.message);
    return out;
}

SatelliteRecord sat(int32_t id, const char* name) {
    SatelliteRecord s;
    s.id = id;
    s.longitude = 192;
    setName(s.name, name);
    return s;
}
TransponderRecord tp(int32_t id, int32_t satelliteId, int32_t frequency, int32_t polarity = 0) {
    return TransponderRecord{id, satelliteId, frequency, 27500, polarity, 3, satelliteId};
}
ServiceRecord svc(int32_t number, int32_t transponderId, const char* name, int32_t pid = 100) {
    ServiceRecord v;
    v.transponderId = transponderId;
    v.number = number;
    setName(v.name, name);
    v.videoPid = pid;
    v.audioPid = pid + 1;
    v.pcrPid = pid;
    v.serviceId = number;
    return v;
}

// Two satellites with their antennas, a transponder each and a service on each transponder.
ChannelDatabase sound() {
    ChannelDatabase db;
    for (int32_t i = 0; i < 2; ++i) {
        db.appendRecord(sat(i, "Sat"));
        ++db.satelliteCount;
        db.addDefaultAntenna();
        db.appendRecord(tp(i, i, 11000 + i));
        db.appendRecord(svc(i, i, "TV"));
    }
    db.transponderCount = db.serviceCount = 2;
    return db;
}

// A name can hold any byte; a finding must stay one line that no name can forge or colour.
TEST(DatabaseCheck, NamesInFindingsHaveTheirControlBytesEscaped) {
    ChannelDatabase db = sound();
    setName(db.satellites.front().name, "Sat\nservice 9 \"X\": forged\x1b[31m\\n\x85\xE9 long");
    db.services.front().videoPid = 9000;
    const std::vector<std::string> found = messages(checkDatabase(db));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], R"(satellite 0 "Sat\nservice 9 "X": forged\x1b[31m\\n\x85)"
                        "\xE9"
                        R"( long": the name is 39 characters long; a .cdd file keeps the first )"
                        R"(14 ("Sat\nservice 9 "))");
    EXPECT_EQ(found[1], "service 0 \"TV\": video PID 9000 is not a PID (0 to 8191)");
}

TEST(DatabaseCheck, FindsNothingInSoundDataEvenAtTheLimitsOfTheCddFile) {
    ChannelDatabase db = sound();
    EXPECT_EQ(messages(checkDatabase(db)), std::vector<std::string>{});
    db.satellites.front().id = 255;
    db.antennas.front().id = 255;
    db.transponders.front().satelliteId = db.transponders.front().antennaId = 255;
    db.transponders.front().id = 65535;
    db.services.front().transponderId = 65535;
    db.services.front().number = 65535;
    setName(db.satellites.front().name, std::string(14, 's'));
    setName(db.services.front().name, std::string(18, 'v'));
    db.services.front().videoPid = 8191;
    db.services.back().videoPid = db.services.back().pcrPid = 0; // radio: one PID is enough
    // The same frequency on another polarity or another satellite is another transponder.
    db.appendRecord(tp(7, 255, 11000, 1));
    db.appendRecord(tp(8, 1, 11000, 0));
    db.satelliteCount = db.antennaCount = 255;
    db.transponderCount = db.serviceCount = 65535;
    EXPECT_EQ(messages(checkDatabase(db)), std::vector<std::string>{});
}

TEST(DatabaseCheck, NamesEveryRecordThatWouldMakeTheReceiverDataWrong) {
    ChannelDatabase db = sound();
    db.antennaCount = 256;
    db.serviceCount = -1;
    db.antennas.back().id = 0;         // a second antenna 0
    db.antennas.back().tunerMask = 16; // four bits in the file
    db.appendRecord(sat(0, "Hot Bird 13.0 East"));
    db.appendRecord(sat(300, "Far"));
    db.appendRecord(tp(2, 9, 12000));    // no satellite 9, no antenna 9
    db.appendRecord(tp(3, 1, 11001));    // as transponder 1
    db.appendRecord(tp(4, 1, 11001, 1)); // other polarity: fine
    db.transponders.back().symbolRate = 1 << 24;
    db.appendRecord(svc(1, 7, "Lost"));                      // no transponder 7
    db.appendRecord(svc(5, 0, "A name of nineteen!", 8192)); // cut name, PID
    db.services.back().audioPid = db.services.back().pcrPid = 8191;
    db.appendRecord(svc(6, 0, "Silent", 0)); // dropped
    db.services.back().audioPid = 0;
    db.services.back().lock = 2;
    db.appendRecord(svc(7, 3, "Twice")); // on 3, which doubles 1: as service 1 there
    db.services.back().serviceId = 1;
    const std::vector<std::string> expected = {
        "the antenna counter 256 does not fit a .cdd file (0 to 255)",
        "the service counter -1 does not fit a .cdd file (0 to 65535)",
        "antenna 0: tunerMask 16 does not fit a .cdd file (0 to 15)",
        "antenna 0: an earlier antenna has the same id; lookups find only that one",
        "satellite 0 \"Hot Bird 13.0 East\": an earlier satellite has the same id; the .cdd "
        "writer refuses the database, since both would carry the transponders of that id",
        "satellite 0 \"Hot Bird 13.0 East\": the name is 18 characters long; a .cdd file keeps "
        "the first 14 (\"Hot Bird 13.0 \")",
        "satellite 300 \"Far\": id 300 does not fit a .cdd file (0 to 255)",
        "transponder 1: antenna 1 does not exist",
        "transponder 2: satellite 9 does not exist; a .cdd file leaves the transponder and its "
        "services out",
        "transponder 2: antenna 9 does not exist",
        "transponder 3: antenna 1 does not exist",
        "transponder 3: satellite 1 already has transponder 1 on 11001 MHz horizontal",
        "transponder 4: symbolRate 16777216 does not fit a .cdd file (0 to 16777215)",
        "transponder 4: antenna 1 does not exist",
        "service 1 \"Lost\": an earlier service has the same number; lookups find only that one",
        "service 1 \"Lost\": transponder 7 does not exist; a .cdd file leaves the service out",
        "service 5 \"A name of nineteen!\": the name is 19 characters long; a .cdd file keeps "
        "the first 18 (\"A name of nineteen\")",
        "service 5 \"A name of nineteen!\": video PID 8192 is not a PID (0 to 8191)",
        "service 6 \"Silent\": lock 2 does not fit a .cdd file (0 to 1)",
        "service 6 \"Silent\": video, audio and PCR PIDs are all 0; a .cdd file leaves the "
        "service out",
        "service 7 \"Twice\": service 1 on transponder 1 has the same service id 1; removing "
        "duplicates keeps that one",
    };
    EXPECT_EQ(messages(checkDatabase(db)), expected);
}

TEST(DatabaseCheck, SaysWhichRecordAndFieldEachFindingIsAbout) {
    ChannelDatabase db = sound();
    db.serviceCount = -1;
    db.satellites.back().id = 300;
    db.transponders.back().satelliteId = 300;
    db.transponders.back().antennaId = 7;
    db.services.back().pcrPid = 8192;
    db.appendRecord(svc(2, 9, "Silent", 0));
    db.services.back().audioPid = 0;
    struct Expected {
        FindingKind kind;
        RecordKind record;
        std::optional<std::size_t> position;
        std::string field;
    };
    const std::vector<Expected> expected = {
        {FindingKind::DoesNotFit, RecordKind::Service, std::nullopt, "serviceCount"},
        {FindingKind::DoesNotFit, RecordKind::Satellite, 1, "id"},
        {FindingKind::MissingAntenna, RecordKind::Transponder, 1, "antennaId"},
        {FindingKind::NotAPid, RecordKind::Service, 1, "pcrPid"},
        {FindingKind::MissingTransponder, RecordKind::Service, 2, "transponderId"},
        {FindingKind::NoPids, RecordKind::Service, 2, ""},
    };
    const std::vector<Finding> found = checkDatabase(db);
    ASSERT_EQ(found.size(), expected.size()) << ::testing::PrintToString(messages(found));
    for (std::size_t i = 0; i < found.size(); ++i) {
        SCOPED_TRACE(found[i].message);
        EXPECT_EQ(found[i].kind, expected[i].kind);
        EXPECT_EQ(found[i].record, expected[i].record);
        EXPECT_EQ(found[i].position, expected[i].position);
        EXPECT_EQ(found[i].field, expected[i].field);
    }
}

TEST(DatabaseCheck, CountsOnlyTheServicesTheCddFileWouldWriteOnATransponder) {
    ChannelDatabase db = sound();
    db.services.clear();
    for (int32_t n = 0; n < 1927; ++n)
        db.appendRecord(svc(n, 0, "S"));
    db.appendRecord(svc(1927, 0, "Radio off air", 0));
    db.services.back().audioPid = 0;
    db.serviceCount = 1928;
    EXPECT_EQ(checkDatabase(db).size(), 1u); // only the silent service
    db.services.back().audioPid = 200;
    EXPECT_EQ(messages(checkDatabase(db)),
              std::vector<std::string>{"transponder 0: carries 1928 services; a .cdd file holds at "
                                       "most 1927 on one transponder"});
}

TEST(DatabaseCheck, FindsTranspondersTheTunerCannotReachThroughTheirAntenna) {
    struct Case {
        int32_t lnbType, lowFreq, highFreq, frequency;
        bool reached;
    };
    const Case cases[] = {
        {0, 9750, 10600, 10700, true},       // low band, 950: the lowest input
        {0, 9750, 10600, 11699, true},       // low band, 1949
        {0, 9750, 10600, 11700, true},       // high band from the switch on, 1100
        {0, 9750, 10600, 12750, true},       // high band, 2150: the highest input
        {0, 9750, 10600, 12751, false},      // 2151
        {0, 9750, 10600, 10600, false},      // 850
        {0, 9500, 10600, 11699, false},      // 2199 in the low band below the switch ...
        {0, 9500, 10600, 11700, true},       // ... 1100 in the high band at it
        {4, 5150, 0, 3700, true},            // C band: the oscillator above, 1450
        {4, 5150, 0, 2999, false},           // 2151
        {4, 9750, 10600, 12000, false},      // no high band: 2250
        {4, INT32_MIN, 0, INT32_MAX, false}, // far apart, and no overflow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequency);
        ChannelDatabase db = sound();
        AntennaRecord& a = db.antennas.front();
        a.lnbType = c.lnbType;
        a.lowFreq = c.lowFreq;
        a.highFreq = c.highFreq;
        db.transponders.front().frequency = c.frequency;
        const std::vector<Finding> found = checkDatabase(db);
        ASSERT_EQ(found.size(), c.reached ? 0u : 1u) << ::testing::PrintToString(messages(found));
        if (!c.reached) {
            EXPECT_EQ(
                std::tie(found[0].kind, found[0].field, found[0].position),
                std::tuple(FindingKind::NotReceivable, "frequency", std::optional<std::size_t>(0)));
        }
    }
}

// The first antenna of an id is the one the receiver uses; a transponder without one is told as
// such and not also as unreachable.
TEST(DatabaseCheck, JudgesReachThroughTheFirstAntennaOfTheId) {
    ChannelDatabase db = sound();
    db.antennas.back().id = 0;
    db.antennas.back().lowFreq = 5150; // a later antenna 0 cannot be what decides
    db.transponders.front().frequency = db.transponders.back().frequency = 3700;
    EXPECT_EQ(messages(checkDatabase(db)),
              (std::vector<std::string>{
                  "antenna 0: an earlier antenna has the same id; lookups find only that one",
                  "transponder 0: 3700 MHz through antenna 0 (oscillator 9750 MHz) gives 6050 MHz, "
                  "outside the tuner's 950 to 2150 MHz",
                  "transponder 1: antenna 1 does not exist"}));
}

// How the check grows with the lists is timed by the benchmark suite (database_check).
TEST(DatabaseCheck, FindsNothingInTheLargestDatabaseTheCddFileHolds) {
    ChannelDatabase db;
    for (int32_t s = 0; s < 255; ++s) {
        db.appendRecord(sat(s, "Sat"));
        db.addDefaultAntenna();
    }
    db.satelliteCount = 255;
    for (int32_t t = 0; t < 4096; ++t)
        db.appendRecord(tp(t, t % 255, 10700 + t % 2050)); // all in a universal LNB's reach
    for (int32_t n = 0; n < 65535; ++n)
        db.appendRecord(svc(n, n % 4096, "Service"));
    db.transponderCount = 4096;
    db.serviceCount = 65535;
    EXPECT_EQ(messages(checkDatabase(db)), std::vector<std::string>{});
}

} // namespace
} // namespace corvane
