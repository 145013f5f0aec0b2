#include "model/database_change.h"

#include "model/drop_order.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

// `satellites` satellites with an antenna each, `transponders` spread over them and one service
// per transponder, as a reader would leave them.
ChannelDatabase listOf(int32_t satellites, int32_t transponders) {
    ChannelDatabase db;
    for (int32_t s = 0; s < satellites; ++s) {
        SatelliteRecord r;
        r.id = s;
        setName(r.name, "Satellite " + std::to_string(s));
        db.satellites.append(r);
        db.addDefaultAntenna();
    }
    db.satelliteCount = satellites;
    for (int32_t t = 0; t < transponders; ++t) {
        TransponderRecord r;
        r.id = t;
        r.satelliteId = r.antennaId = t % satellites;
        r.frequency = 10700 + t;
        db.transponders.append(r);
        ServiceRecord v;
        v.transponderId = (t * 7919) % transponders;
        v.number = t;
        setName(v.name, "Service " + std::to_string(t));
        v.serviceId = t;
        db.services.append(v);
    }
    db.transponderCount = db.serviceCount = transponders;
    return db;
}

using Action = std::function<void(ChannelDatabase&, std::mt19937&)>;

template <class T> int32_t someKey(const RecordList<T>& list, std::mt19937& rng) {
    if (list.empty())
        return -1;
    auto it = list.begin();
    std::advance(it, std::uniform_int_distribution<std::size_t>(0, list.size() - 1)(rng));
    return recordKey(*it);
}

// What the list commands do to the data, with random targets.
const std::vector<Action>& actions() {
    static const std::vector<Action> all{
        [](ChannelDatabase& db, std::mt19937& rng) {
            if (const auto it = db.satellites.find(someKey(db.satellites, rng));
                it != db.satellites.end())
                db.deleteSatellite(it);
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            if (const auto it = db.transponders.find(someKey(db.transponders, rng));
                it != db.transponders.end())
                db.deleteTransponder(it);
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            if (const auto it = db.services.find(someKey(db.services, rng));
                it != db.services.end()) {
                db.deleteService(it);
                db.renumberServices();
            }
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            const std::vector<int32_t> keys{someKey(db.services, rng), someKey(db.services, rng)};
            db.cut(RecordKind::Service, keys);
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            const std::vector<int32_t> keys{someKey(db.satellites, rng)};
            db.cut(RecordKind::Satellite, keys);
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            const std::vector<int32_t> keys{someKey(db.transponders, rng)};
            db.cut(RecordKind::Transponder, keys);
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            if (db.paste(RecordKind::Service, someKey(db.services, rng)))
                db.renumberServices();
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            if (db.freeClashingClipboardSatelliteIds())
                db.paste(RecordKind::Satellite, someKey(db.satellites, rng));
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            db.paste(RecordKind::Transponder, someKey(db.transponders, rng));
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            const auto to = static_cast<int32_t>(
                std::uniform_int_distribution<std::size_t>(0, db.satellites.size())(rng));
            const DropMove move{someKey(db.satellites, rng), 0, to};
            applyDrop(db.satellites, {&move, 1});
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            if (const auto it = db.services.find(someKey(db.services, rng));
                it != db.services.end()) {
                db.services.move(db.services.end(), it);
                db.renumberServices();
            }
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            if (const auto it = db.transponders.find(someKey(db.transponders, rng));
                it != db.transponders.end())
                it->frequency = static_cast<int32_t>(rng() % 13000);
        },
        [](ChannelDatabase& db, std::mt19937&) {
            AntennaRecord& a = db.addDefaultAntenna();
            a.tunerMask = 3;
        },
        [](ChannelDatabase& db, std::mt19937& rng) {
            ServiceRecord v;
            v.transponderId = someKey(db.transponders, rng);
            v.number = db.serviceCount++;
            db.services.append(v);
            db.renumberServices();
        },
    };
    return all;
}

TEST(DatabaseChange, ARandomSequenceUndoesToTheStartAndRedoesToTheEnd) {
    std::mt19937 rng(20261209);
    ChannelDatabase db = listOf(40, 3000);
    std::vector<ChannelDatabase> states{db};
    std::vector<DatabaseChange> history;
    for (int step = 0; step < 300; ++step) {
        const ChannelDatabase before = db;
        actions()[rng() % actions().size()](db, rng);
        history.push_back(DatabaseChange::between(before, db));
        states.push_back(db);
    }
    for (std::size_t i = history.size(); i-- > 0;) {
        history[i].undo(db);
        ASSERT_EQ(db, states[i]) << "undo of step " << i;
        ASSERT_EQ(db.clipboardOrigins(), states[i].clipboardOrigins()) << "step " << i;
    }
    for (std::size_t i = 0; i < history.size(); ++i) {
        history[i].redo(db);
        ASSERT_EQ(db, states[i + 1]) << "redo of step " << i;
    }
}

TEST(DatabaseChange, StoresWhatAStepFreedNotWhatItKept) {
    const ChannelDatabase before = listOf(5, 100);
    ChannelDatabase after = before;
    EXPECT_TRUE(DatabaseChange::between(before, after).empty());
    const std::vector<int32_t> cut{10, 20, 30};
    after.cut(RecordKind::Service, cut);
    after.paste(RecordKind::Service, 0);
    after.renumberServices();
    const DatabaseChange moved = DatabaseChange::between(before, after);
    EXPECT_FALSE(moved.empty());
    EXPECT_TRUE(moved.touches(RecordKind::Service));
    EXPECT_FALSE(moved.touches(RecordKind::Transponder));
    // Moved records are runs; no record is stored.
    EXPECT_LT(moved.memoryBytes(), sizeof(DatabaseChange) + 1024);
}

TEST(DatabaseChange, AHundredStepsAtFullSizeStayWithinTheirBound) {
    constexpr std::size_t kBound = 64u << 20;
    std::mt19937 rng(7);
    ChannelDatabase db = listOf(255, 65535);
    std::size_t bytes = 0;
    for (int step = 0; step < 100; ++step) {
        const ChannelDatabase before = db;
        actions()[static_cast<std::size_t>(step) % actions().size()](db, rng);
        bytes += DatabaseChange::between(before, db).memoryBytes();
    }
    // The first satellite delete alone frees about 1/255 of the list; a bound that a copy of
    // the service list per step (about 7 MB) would break many times over.
    EXPECT_LT(bytes, kBound);
    RecordProperty("HistoryBytes", std::to_string(bytes));
    std::cout << "history of 100 steps at full size: " << bytes << " bytes\n";
}

} // namespace
} // namespace corvane
