#include "model/channel_database.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace corvane {
namespace {

SatelliteRecord sat(int32_t id, const char* name = "SAT") {
    SatelliteRecord s;
    s.id = id;
    setName(s.name, name);
    return s;
}
TransponderRecord tp(int32_t id, int32_t satelliteId) {
    TransponderRecord t;
    t.id = id;
    t.satelliteId = satelliteId;
    t.antennaId = satelliteId;
    t.frequency = 10000 + id;
    return t;
}
ServiceRecord svc(int32_t number, int32_t transponderId) {
    ServiceRecord s;
    s.number = number;
    s.transponderId = transponderId;
    s.videoPid = 100 + number;
    return s;
}

template <class T> std::vector<int32_t> keys(const RecordList<T>& list) {
    std::vector<int32_t> out;
    for (const auto& r : list)
        out.push_back(recordKey(r));
    return out;
}

// Three satellites with one antenna each, two transponders per satellite, two services per
// transponder, numbered the way the readers number them.
ChannelDatabase sample() {
    ChannelDatabase db;
    int32_t tid = 0;
    int32_t number = 0;
    for (int32_t s = 0; s < 3; ++s) {
        db.appendRecord(sat(s));
        ++db.satelliteCount;
        db.addDefaultAntenna();
        for (int k = 0; k < 2; ++k) {
            db.appendRecord(tp(tid, s));
            for (int v = 0; v < 2; ++v)
                db.appendRecord(svc(number++, tid));
            ++tid;
        }
    }
    db.transponderCount = tid;
    db.serviceCount = number;
    return db;
}

TEST(RecordNames, KeepFirst63BytesAndEveryByteValue) {
    RecordName name{};
    const std::string longName(70, '\xE9');
    setName(name, longName);
    EXPECT_EQ(nameView(name), std::string(63, '\xE9'));
    EXPECT_EQ(name[63], '\0');
    setName(name, std::string_view("ab\0cd", 5));
    EXPECT_EQ(nameView(name), "ab");
    EXPECT_EQ(name[3], '\0') << "old bytes must not survive a shorter name";
}

TEST(DefaultAntenna, TakesCounterAsIdAndKeyIsIdPlusOne) {
    ChannelDatabase db;
    db.antennaCount = 7;
    const AntennaRecord& a = db.addDefaultAntenna();
    EXPECT_EQ(a.id, 7);
    EXPECT_EQ(a.antennaKey, 8);
    EXPECT_EQ(a.lowFreq, 9750);
    EXPECT_EQ(a.highFreq, 10600);
    EXPECT_EQ(a.centerFreq, 11700);
    EXPECT_EQ(a.lnbPower, 0);
    EXPECT_EQ(a.tunerMask, 0);
    EXPECT_EQ(db.antennaCount, 8);
}

TEST(DefaultAntenna, CountersAtTheirLimitsStopThereInsteadOfOverflowing) {
    ChannelDatabase db;
    db.antennaCount = std::numeric_limits<int32_t>::max(); // a value the JSON import accepts
    const AntennaRecord& last = db.addDefaultAntenna();
    EXPECT_EQ(last.id, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(last.antennaKey, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(db.antennaCount, std::numeric_limits<int32_t>::max());
    db.addDefaultAntenna();
    EXPECT_EQ(db.antennaCount, std::numeric_limits<int32_t>::max());

    db.antennaCount = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(db.addDefaultAntenna().antennaKey, std::numeric_limits<int32_t>::min() + 1);
    EXPECT_EQ(db.antennaCount, std::numeric_limits<int32_t>::min() + 1);

    db.appendRecord(sat(0));
    db.satelliteCount = std::numeric_limits<int32_t>::min();
    db.deleteSatellite(db.satellites.find(0));
    EXPECT_EQ(db.satelliteCount, std::numeric_limits<int32_t>::min());
}

TEST(Delete, ARecordThatWasNotFoundIsAProgrammingError) {
    ChannelDatabase db;
    db.appendRecord(sat(0));
    db.satelliteCount = 1;
    const ChannelDatabase before = db;
    // Asserted in debug builds; elsewhere nothing happens, rather than undefined behaviour.
    EXPECT_DEBUG_DEATH(db.deleteSatellite(db.satellites.find(5)), "needs a satellite");
    EXPECT_DEBUG_DEATH(db.deleteTransponder(db.transponders.find(5)), "needs a transponder");
    EXPECT_DEBUG_DEATH(db.deleteService(db.services.find(5)), "needs a service");
    EXPECT_DEBUG_DEATH(db.deleteAntenna(db.antennas.find(5)), "needs an antenna");
    EXPECT_EQ(db, before);
}

TEST(Delete, SatelliteKeepsOtherIdsAndCascades) {
    ChannelDatabase db = sample();
    db.deleteSatellite(db.satellites.find(1));
    EXPECT_EQ(keys(db.satellites), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(db.satelliteCount, 2);
    EXPECT_EQ(keys(db.transponders), (std::vector<int32_t>{0, 1, 4, 5}));
    EXPECT_EQ(keys(db.services), (std::vector<int32_t>{0, 1, 2, 3, 8, 9, 10, 11}));
    EXPECT_EQ(keys(db.antennas), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(db.transponderCount, 6) << "only the satellite counter goes down";
    EXPECT_EQ(db.serviceCount, 12);
}

TEST(Delete, TransponderRemovesServicesWithoutRenumbering) {
    ChannelDatabase db = sample();
    db.deleteTransponder(db.transponders.find(2));
    EXPECT_EQ(keys(db.transponders), (std::vector<int32_t>{0, 1, 3, 4, 5}));
    EXPECT_EQ(keys(db.services), (std::vector<int32_t>{0, 1, 2, 3, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(db.serviceCount, 12);
    db.renumberServices();
    EXPECT_EQ(keys(db.services), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(db.services.back().transponderId, 5) << "renumbering keeps the links";
}

TEST(Delete, RemoveAntennaTakesOnlyTheFirstMatch) {
    ChannelDatabase db;
    AntennaRecord a;
    a.id = 4;
    a.lowFreq = 1;
    db.appendRecord(a);
    a.lowFreq = 2;
    db.appendRecord(a);
    db.removeAntenna(4);
    ASSERT_EQ(db.antennas.size(), 1u);
    EXPECT_EQ(db.antennas.front().lowFreq, 2);
    db.removeAntenna(99); // no match: nothing happens
    EXPECT_EQ(db.antennas.size(), 1u);
}

TEST(Find, FirstMatchInListOrder) {
    ChannelDatabase db;
    db.appendRecord(sat(5, "first"));
    db.appendRecord(sat(5, "second"));
    auto it = db.satellites.find(5);
    ASSERT_NE(it, db.satellites.end());
    EXPECT_EQ(nameView(it->name), "first");
    EXPECT_EQ(db.satellites.find(6), db.satellites.end());
}

TEST(CutPaste, CutMovesSelectedRowsInSelectionOrder) {
    ChannelDatabase db = sample();
    const std::vector<int32_t> selected{2, 0};
    db.cut(RecordKind::Satellite, selected);
    EXPECT_EQ(keys(db.satellites), (std::vector<int32_t>{1}));
    EXPECT_EQ(keys(db.satelliteClipboard), (std::vector<int32_t>{2, 0}));
    EXPECT_EQ(db.transponders.size(), 6u) << "a cut satellite's transponders stay in the list";
    EXPECT_EQ(db.satelliteCount, 3) << "cut changes no counter";

    EXPECT_TRUE(db.paste(RecordKind::Satellite, 1));
    EXPECT_EQ(keys(db.satellites), (std::vector<int32_t>{1, 2, 0}));
    EXPECT_TRUE(db.satelliteClipboard.empty());
}

TEST(CutPaste, DuplicateKeysEachTakeTheNextFirstMatch) {
    ChannelDatabase db;
    for (const char* name : {"a", "b", "c"})
        db.appendRecord(sat(7, name));
    const std::vector<int32_t> selected{7, 7};
    db.cut(RecordKind::Satellite, selected);
    ASSERT_EQ(db.satelliteClipboard.size(), 2u);
    EXPECT_EQ(nameView(db.satelliteClipboard.front().name), "a");
    EXPECT_EQ(nameView(db.satelliteClipboard.back().name), "b");
    EXPECT_EQ(nameView(db.satellites.front().name), "c");
}

TEST(CutPaste, NextSatelliteCutDropsWhatHungOnTheUnpastedOne) {
    ChannelDatabase db = sample();
    const std::vector<int32_t> first{1};
    db.cut(RecordKind::Satellite, first);
    const std::vector<int32_t> second{0};
    db.cut(RecordKind::Satellite, second);
    EXPECT_EQ(keys(db.satelliteClipboard), (std::vector<int32_t>{0}));
    EXPECT_EQ(keys(db.transponders), (std::vector<int32_t>{0, 1, 4, 5}));
    EXPECT_EQ(keys(db.services), (std::vector<int32_t>{0, 1, 2, 3, 8, 9, 10, 11}));
    EXPECT_EQ(keys(db.antennas), (std::vector<int32_t>{0, 2}));
}

TEST(CutPaste, NextTransponderCutDropsItsServices) {
    ChannelDatabase db = sample();
    const std::vector<int32_t> first{3};
    db.cut(RecordKind::Transponder, first);
    EXPECT_EQ(db.services.size(), 12u);
    db.cut(RecordKind::Transponder, std::vector<int32_t>{});
    EXPECT_TRUE(db.transponderClipboard.empty());
    EXPECT_EQ(keys(db.services), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 8, 9, 10, 11}));
}

TEST(CutPaste, BuffersSurviveClearAndPasteKeepsOldIds) {
    ChannelDatabase db = sample();
    const std::vector<int32_t> cutServices{5, 4};
    db.cut(RecordKind::Service, cutServices);
    db.clear();
    EXPECT_TRUE(db.satellites.empty());
    EXPECT_TRUE(db.services.empty());
    EXPECT_EQ(db.satelliteCount, 0);
    EXPECT_EQ(db.serviceCount, 0);
    EXPECT_EQ(keys(db.serviceClipboard), (std::vector<int32_t>{5, 4}));

    db.appendRecord(svc(0, 0));
    EXPECT_TRUE(db.paste(RecordKind::Service, 0));
    EXPECT_EQ(keys(db.services), (std::vector<int32_t>{0, 5, 4}));
    EXPECT_EQ(db.services.back().transponderId, 2) << "pasted records keep their links";
}

TEST(CutPaste, PasteAfterMissingKeyChangesNothing) {
    ChannelDatabase db = sample();
    const std::vector<int32_t> selected{0};
    db.cut(RecordKind::Antenna, selected);
    EXPECT_FALSE(db.paste(RecordKind::Antenna, 42));
    EXPECT_EQ(keys(db.antennaClipboard), (std::vector<int32_t>{0}));
    EXPECT_TRUE(db.paste(RecordKind::Antenna, std::nullopt));
    EXPECT_EQ(keys(db.antennas), (std::vector<int32_t>{1, 2, 0}));
}

TEST(NewSatelliteId, CountWhenFreeElseLowestFree) {
    ChannelDatabase db = sample(); // ids 0, 1, 2; count 3
    EXPECT_EQ(db.newSatelliteId(), 3);

    db.deleteSatellite(db.satellites.find(0)); // ids 1, 2; count 2, which satellite 2 still has
    EXPECT_EQ(db.newSatelliteId(), 0);

    const std::vector<int32_t> selected{1};
    db.cut(RecordKind::Satellite, selected);
    db.satellites.front().id = 0; // the cut satellite's id stays taken while it can be pasted
    db.satelliteCount = 1;
    EXPECT_EQ(db.newSatelliteId(), 2);
}

TEST(NewSatelliteId, FullDatabaseHasNone) {
    ChannelDatabase db;
    for (int32_t id = 0; id < 256; ++id)
        db.appendRecord(sat(id));
    db.satelliteCount = 256;
    EXPECT_EQ(db.newSatelliteId(), std::nullopt);
    db.satellites.erase(db.satellites.find(17));
    EXPECT_EQ(db.newSatelliteId(), 17) << "a count beyond 255 cannot be stored, so use a gap";
}

// After an Open the cut buffers hold records of the data that is gone: emptying them must not
// take the new records that have the same ids with them.
TEST(CutPaste, BuffersFromReplacedRecordsEmptyWithoutCascades) {
    for (const bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "after an Open" : "before any Open");
        ChannelDatabase db = sample();
        const std::vector<int32_t> satellite{1};
        const std::vector<int32_t> transponder{4};
        db.cut(RecordKind::Satellite, satellite);
        db.cut(RecordKind::Transponder, transponder);
        if (replaced)
            db.replaceRecords(sample());
        EXPECT_EQ(db.clipboardPredatesRecords(RecordKind::Satellite), replaced);
        db.cut(RecordKind::Satellite, {});
        db.cut(RecordKind::Transponder, {});
        EXPECT_FALSE(db.clipboardPredatesRecords(RecordKind::Satellite));
        EXPECT_TRUE(db.satelliteClipboard.empty());
        const std::size_t left = replaced ? 3 : 2;
        EXPECT_EQ(db.antennas.size(), left);
        EXPECT_EQ(db.transponders.size(), replaced ? 6u : 3u); // tp 4 was cut, 2 and 3 cascaded
        EXPECT_EQ(db.services.size(), replaced ? 12u : 6u);
    }
    ChannelDatabase db = sample();
    const std::vector<int32_t> one{0};
    db.cut(RecordKind::Service, one);
    db.clear();
    EXPECT_TRUE(db.clipboardPredatesRecords(RecordKind::Service));
    EXPECT_TRUE(db.paste(RecordKind::Service, std::nullopt));
    EXPECT_FALSE(db.clipboardPredatesRecords(RecordKind::Service)) << "a paste empties it";
}

TEST(CutPaste, PastedSatellitesFromReplacedRecordsGetFreeIds) {
    ChannelDatabase db = sample(); // satellites 0, 1, 2
    const std::vector<int32_t> cut{2, 1, 0};
    db.cut(RecordKind::Satellite, cut);
    EXPECT_EQ(db.freeClashingClipboardSatelliteIds(), std::vector<ChannelDatabase::IdChange>{})
        << "nothing clashes before an Open";
    ChannelDatabase loaded;
    for (const int32_t id : {0, 2, 5})
        loaded.appendRecord(sat(id));
    loaded.satelliteCount = 2;
    db.replaceRecords(std::move(loaded));
    const auto changes = db.freeClashingClipboardSatelliteIds();
    using Changes = std::vector<ChannelDatabase::IdChange>;
    EXPECT_EQ(changes, (Changes{{2, 3}, {0, 4}})) << "the count (2) is taken, then lowest free";
    EXPECT_EQ(keys(db.satelliteClipboard), (std::vector<int32_t>{3, 1, 4}));

    ChannelDatabase full;
    for (int32_t id = 0; id < 255; ++id)
        full.appendRecord(sat(id));
    full.appendRecord(sat(0));
    const std::vector<int32_t> first{0};
    full.cut(RecordKind::Satellite, first);
    full.appendRecord(sat(255));
    full.clear(); // the buffer now predates the records
    for (int32_t id = 0; id < 256; ++id)
        full.appendRecord(sat(id));
    EXPECT_EQ(full.freeClashingClipboardSatelliteIds(), std::nullopt);
    EXPECT_EQ(keys(full.satelliteClipboard), (std::vector<int32_t>{0})) << "left as it was";
}

TEST(DefaultAntenna, ANewSatellitesAntennaTakesItsIdWhenFree) {
    ChannelDatabase db = sample(); // antennas 0, 1, 2; count 3
    db.removeAntenna(1);
    const AntennaRecord& a = db.addDefaultAntennaFor(1);
    EXPECT_EQ(std::pair(a.id, a.antennaKey), std::pair(1, 2));
    const std::vector<int32_t> cut{2};
    db.cut(RecordKind::Antenna, cut);
    const AntennaRecord& b = db.addDefaultAntennaFor(2);
    EXPECT_EQ(std::pair(b.id, b.antennaKey), std::pair(4, 5)) << "2 is in the cut buffer";
    EXPECT_EQ(db.antennaCount, 5);
}

TEST(ChannelDatabase, DeletingASatelliteCarryingTheLargestListsTakesAllItsRecords) {
    // One satellite carrying the largest transponder and service lists the format allows; how the
    // cascade grows with them is timed by the benchmark suite (delete_big_satellite).
    ChannelDatabase db;
    db.appendRecord(sat(0));
    db.appendRecord(sat(1));
    db.satelliteCount = 2;
    for (int32_t i = 0; i < 65535; ++i) {
        db.appendRecord(tp(i, i % 1000 == 0 ? 1 : 0));
        db.appendRecord(svc(i, i));
    }
    db.deleteSatellite(db.satellites.find(0));
    EXPECT_EQ(db.transponders.size(), 66u);
    EXPECT_EQ(db.services.size(), 66u);
    for (const auto& s : db.services)
        EXPECT_EQ(s.transponderId % 1000, 0);
}

} // namespace
} // namespace corvane
