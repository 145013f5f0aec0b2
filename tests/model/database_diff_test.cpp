#include "model/database_diff.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace corvane {
namespace {

// Two satellites with an antenna each, two transponders per satellite, two services on each
// transponder, numbered by position as the readers number them.
ChannelDatabase sample() {
    ChannelDatabase db;
    int32_t tid = 0, number = 0;
    for (int32_t s = 0; s < 2; ++s) {
        SatelliteRecord sat{s, {}, 192 + 100 * s};
        setName(sat.name, s == 0 ? "Astra" : "Hot Bird");
        db.appendRecord(sat);
        db.addDefaultAntenna();
        for (int32_t k = 0; k < 2; ++k, ++tid) {
            db.appendRecord(TransponderRecord{tid, s, 11000 + 100 * k, 27500, k, 3, s});
            for (int32_t v = 0; v < 2; ++v, ++number) {
                ServiceRecord svc{tid, number, {}, 100, 101, 100, 1000 + number, 0, 0, 0};
                setName(svc.name, "Programme " + std::to_string(number));
                db.appendRecord(svc);
            }
        }
    }
    db.satelliteCount = 2;
    db.transponderCount = tid;
    db.serviceCount = number;
    return db;
}

// Each change as one short line, so that a whole diff reads as a list.
std::vector<std::string> lines(const DatabaseDiff& diff) {
    static const char* const kinds[] = {"satellite", "transponder", "service", "antenna"};
    static const char* const changes[] = {"added", "removed", "changed", "moved"};
    std::vector<std::string> out;
    for (const FieldChange& f : diff.counters)
        out.push_back(std::string(f.field) + " " + std::to_string(f.oldValue) + "->" +
                      std::to_string(f.newValue));
    for (const RecordChange& c : diff.records) {
        std::string line = std::string(changes[static_cast<int>(c.change)]) + " " +
                           kinds[static_cast<int>(c.record)] + " ";
        line += c.oldPosition ? std::to_string(*c.oldPosition) : "-";
        line += "->";
        line += c.newPosition ? std::to_string(*c.newPosition) : "-";
        for (const FieldChange& f : c.fields)
            line += " " + std::string(f.field) + " " + std::to_string(f.oldValue) + "->" +
                    std::to_string(f.newValue);
        out.push_back(line);
    }
    return out;
}

template <class T> T& at(RecordList<T>& list, std::size_t position) {
    auto it = list.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(position));
    return *it;
}

TEST(DatabaseDiff, ReportsEachKindOfChangeInKindThenListOrder) {
    struct Case {
        const char* what;
        std::function<void(ChannelDatabase&)> edit;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"nothing", [](ChannelDatabase&) {}, {}},
        {"a counter",
         [](ChannelDatabase& db) { db.transponderCount = 9; },
         {"transponderCount 4->9"}},
        {"fields of each kind",
         [](ChannelDatabase& db) {
             at(db.antennas, 1).tunerMask = 1;
             at(db.antennas, 1).lnbPower = 2;
             at(db.satellites, 1).id = 7;
             for (TransponderRecord& t : db.transponders)
                 if (t.satelliteId == 1)
                     t.satelliteId = 7;
             at(db.transponders, 2).symbolRate = 30000;
             at(db.services, 5).lock = 1;
         },
         {"changed antenna 1->1 lnbPower 0->2 tunerMask 0->1", "changed satellite 1->1 id 1->7",
          "changed transponder 2->2 symbolRate 27500->30000", "changed service 5->5 lock 0->1"}},
        {"added and removed",
         [](ChannelDatabase& db) {
             db.addDefaultAntenna();
             db.deleteService(db.services.find(1));
             db.renumberServices();
             db.appendRecord(TransponderRecord{4, 1, 12500, 22000, 0, 0, 1});
         },
         {"antennaCount 2->3", "added antenna -->2", "added transponder -->4",
          "removed service 1->-"}},
        {"a satellite's new name is another satellite",
         [](ChannelDatabase& db) { setName(at(db.satellites, 0).name, "Astra 1N"); },
         {"removed satellite 0->-", "added satellite -->0", "removed transponder 0->-",
          "removed transponder 1->-", "added transponder -->0", "added transponder -->1",
          "removed service 0->-", "removed service 1->-", "removed service 2->-",
          "removed service 3->-", "added service -->0", "added service -->1", "added service -->2",
          "added service -->3"}},
        {"a transponder taken to the other satellite",
         [](ChannelDatabase& db) { at(db.transponders, 3).satelliteId = 0; },
         {"removed transponder 3->-", "added transponder -->3", "removed service 6->-",
          "removed service 7->-", "added service -->6", "added service -->7"}},
        {"a transponder deleted: its services go, and the others keep their numbers",
         [](ChannelDatabase& db) { db.deleteTransponder(db.transponders.find(0)); },
         {"removed transponder 0->-", "removed service 0->-", "removed service 1->-"}},
        {"a service number that does not follow its place",
         [](ChannelDatabase& db) { at(db.services, 3).number = 40; },
         {"changed service 3->7 number 3->40", "moved service 3->7"}},
    };
    for (const Case& c : cases) {
        const ChannelDatabase before = sample();
        ChannelDatabase after = sample();
        c.edit(after);
        EXPECT_EQ(lines(diffDatabases(before, after)), c.expected) << c.what;
    }
}

TEST(DatabaseDiff, OneMovedRecordIsOneMoveAndShiftsAreNone) {
    const ChannelDatabase before = sample();
    ChannelDatabase after = sample();
    // The last service dragged to the top, renumbered as a drag leaves it.
    after.services.move(after.services.begin(), std::prev(after.services.end()));
    after.renumberServices();
    EXPECT_EQ(lines(diffDatabases(before, after)), std::vector<std::string>{"moved service 7->0"});

    // A service put in front pushes every other one down a place and a number: no move.
    ChannelDatabase inserted = sample();
    ServiceRecord extra{0, 0, {}, 200, 201, 200, 5000, 0, 0, 0};
    setName(extra.name, "New");
    inserted.appendRecord(extra);
    inserted.services.move(inserted.services.begin(), std::prev(inserted.services.end()));
    inserted.renumberServices();
    ++inserted.serviceCount;
    EXPECT_EQ(lines(diffDatabases(before, inserted)),
              (std::vector<std::string>{"serviceCount 8->9", "added service -->0"}));

    // Numbers give the order where the list keeps services by transponder, as a .cdd file does.
    ChannelDatabase renumbered = sample();
    for (ServiceRecord& v : renumbered.services)
        v.number = v.number == 7 ? 0 : v.number + 1;
    EXPECT_EQ(lines(diffDatabases(before, renumbered)),
              std::vector<std::string>{"moved service 7->0"});

    // Two satellites swapped: one of them moved.
    ChannelDatabase swapped = sample();
    swapped.satellites.move(swapped.satellites.begin(), std::next(swapped.satellites.begin()));
    EXPECT_EQ(lines(diffDatabases(before, swapped)),
              std::vector<std::string>{"moved satellite 1->0"});
}

TEST(DatabaseDiff, ARenumberedSatelliteOrTransponderIsReportedAlone) {
    const ChannelDatabase before = sample();
    ChannelDatabase after = sample();
    // Satellite 1 becomes 9 and satellite 0 becomes 1: the old id 1 now names the other one.
    at(after.satellites, 1).id = 9;
    at(after.satellites, 0).id = 1;
    for (TransponderRecord& t : after.transponders)
        t.satelliteId = t.satelliteId == 1 ? 9 : 1;
    at(after.transponders, 0).id = 40; // and one transponder renumbered, its services following
    for (ServiceRecord& v : after.services)
        if (v.transponderId == 0)
            v.transponderId = 40;
    const DatabaseDiff diff = diffDatabases(before, after);
    EXPECT_EQ(lines(diff), (std::vector<std::string>{"changed satellite 0->0 id 0->1",
                                                     "changed satellite 1->1 id 1->9",
                                                     "changed transponder 0->0 id 0->40"}));
    ASSERT_EQ(diff.records.size(), 3u);
    const auto& tp = std::get<TransponderIdentity>(diff.records[2].identity);
    EXPECT_EQ(tp.satellite, (SatelliteIdentity{192, "Astra"}));
    EXPECT_EQ(tp.frequency, 11000);
}

TEST(DatabaseDiff, DuplicatesPairFirstWithFirstAndOrphansByTheirIds) {
    ChannelDatabase before = sample();
    for (ServiceRecord& v : before.services) // every service of transponder 0 the same one
        if (v.transponderId == 0)
            v = at(before.services, 0);
    at(before.services, 7).transponderId = 77; // refers to no transponder
    ChannelDatabase after = before;
    at(after.services, 1).caMode = 1; // the second of the twins
    ServiceRecord third = at(before.services, 0);
    third.number = 8;
    after.appendRecord(third); // a third twin, after the others
    at(after.services, 7).favorites = 2;
    const DatabaseDiff diff = diffDatabases(before, after);
    EXPECT_EQ(lines(diff), (std::vector<std::string>{"changed service 1->1 caMode 0->1",
                                                     "changed service 7->7 favorites 0->2",
                                                     "added service -->8"}));
    ASSERT_EQ(diff.records.size(), 3u);
    const auto& orphan = std::get<ServiceIdentity>(diff.records[1].identity);
    EXPECT_FALSE(orphan.transponder);
    EXPECT_EQ(orphan.transponderId, 77);

    ChannelDatabase elsewhere = before;
    at(elsewhere.services, 7).transponderId = 78;
    EXPECT_EQ(lines(diffDatabases(before, elsewhere)),
              (std::vector<std::string>{"removed service 7->-", "added service -->7"}));
}

} // namespace
} // namespace corvane
