#include "model/drop_order.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace corvane {
namespace {

// What the list control reports for a drop of the selected rows (ascending) at the insertion
// index: the moves in order and the rows' new order. Rows above the index go in right above it,
// the rows from it downwards below them; a row standing at the index itself stays.
struct Drop {
    std::vector<DropMove> moves;
    std::vector<int32_t> shown;
};
Drop drop(const std::vector<int32_t>& keys, const std::vector<int32_t>& selected,
          int32_t insertAt) {
    Drop d;
    std::vector<int32_t> above, below;
    std::vector<bool> moving(keys.size());
    int32_t to = insertAt, lifted = 0;
    for (const int32_t row : selected) {
        int32_t from = row;
        if (row < insertAt) {
            from = row - lifted++;
            above.push_back(row);
        } else if (row != to) {
            from = row + 1;
            below.push_back(row);
        }
        if (row != to || row < insertAt)
            moving[static_cast<std::size_t>(row)] = true;
        d.moves.push_back({keys[static_cast<std::size_t>(row)], from, to});
        if (row > to)
            ++to;
    }
    for (int32_t row = 0; row < insertAt; ++row)
        if (!moving[static_cast<std::size_t>(row)])
            d.shown.push_back(row);
    d.shown.insert(d.shown.end(), above.begin(), above.end());
    d.shown.insert(d.shown.end(), below.begin(), below.end());
    for (auto row = static_cast<std::size_t>(insertAt); row < keys.size(); ++row)
        if (!moving[row])
            d.shown.push_back(static_cast<int32_t>(row));
    return d;
}

struct DropCase {
    const char* what;
    std::vector<int32_t> selected;
    int32_t insertAt;
    std::string order; // records by letter, in database order afterwards
};

// Satellites A to E with ids 0 to 4; the list shows them in that order.
TEST(DropOrderTest, SatellitesFollowTheirRows) {
    const std::vector<DropCase> cases = {
        {"to the first place", {3}, 0, "DABCE"},
        {"to the last place", {1}, 5, "ACDEB"},
        {"upward", {4}, 1, "AEBCD"},
        {"downward onto C's row", {0}, 3, "BCADE"},
        {"non-contiguous, around the drop line", {0, 2, 4}, 3, "BACED"},
        {"onto itself", {2}, 2, "ABCDE"},
        {"onto the row above", {2}, 3, "ABCDE"},
    };
    for (const DropCase& c : cases) {
        RecordList<SatelliteRecord> list;
        for (int32_t id = 0; id < 5; ++id)
            list.append(SatelliteRecord{id, {}, 0});
        const Drop d = drop({0, 1, 2, 3, 4}, c.selected, c.insertAt);
        const bool changed = applyDrop(list, d.moves);
        std::string order;
        for (const SatelliteRecord& s : list)
            order += static_cast<char>('A' + s.id);
        EXPECT_EQ(order, c.order) << c.what;
        EXPECT_EQ(changed, c.order != "ABCDE") << c.what;
    }
}

TEST(DropOrderTest, TranspondersMoveAmongTheirSatellitesOnly) {
    // t0(0), t1(1), t2(0), t3(0); the list filtered by satellite 0 shows t0, t2, t3.
    RecordList<TransponderRecord> list;
    for (const auto& [id, sat] : {std::pair{0, 0}, {1, 1}, {2, 0}, {3, 0}})
        list.append(TransponderRecord{id, sat, 0, 0, 0, 0, sat});
    EXPECT_TRUE(applyDrop(list, drop({0, 2, 3}, {0}, 2).moves));
    std::vector<int32_t> ids;
    for (const TransponderRecord& t : list)
        ids.push_back(t.id);
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 0, 3}));
    // A row whose transponder is gone changes nothing.
    EXPECT_FALSE(applyDrop(list, std::vector<DropMove>{{7, 0, 3}}));
}

struct ServiceCase {
    const char* what;
    std::vector<int32_t> numbers; // before, in list order; services are A, B, ...
    std::vector<int32_t> selected;
    int32_t insertAt;
    std::string order;
};

TEST(DropOrderTest, ServicesFollowTheirRowsAndAreNumberedByPlace) {
    const std::vector<ServiceCase> cases = {
        {"one row down", {0, 1, 2, 3, 4}, {1}, 4, "ACDBE"},
        {"one row to the first place", {0, 1, 2, 3, 4}, {4}, 0, "EABCD"},
        {"non-contiguous", {0, 1, 2, 3, 4}, {0, 3}, 2, "BADCE"},
        {"one row, numbers with gaps", {0, 1, 5, 6, 9}, {3}, 0, "DABCE"},
        {"non-contiguous, numbers with gaps", {0, 1, 5, 6, 9}, {0, 3}, 2, "BADCE"},
        // Only the first moved row is found by its "No."; the later ones by their place, as
        // after a renumbering: D is not taken for A, which shows the same "No.".
        {"non-contiguous, two services share a number", {5, 0, 1, 5, 2}, {0, 3}, 2, "BADCE"},
    };
    ServiceDrop serviceDrop;
    for (const ServiceCase& c : cases) {
        RecordList<ServiceRecord> list;
        std::vector<const ServiceRecord*> records;
        std::vector<int32_t> keys;
        for (std::size_t i = 0; i < c.numbers.size(); ++i) {
            records.push_back(&list.append(
                ServiceRecord{0, c.numbers[i], {}, 0, 0, 0, static_cast<int32_t>('A' + i)}));
            keys.push_back(c.numbers[i] + 1);
        }
        const Drop d = drop(keys, c.selected, c.insertAt);
        std::vector<const ServiceRecord*> rows;
        for (const int32_t row : d.shown)
            rows.push_back(records[static_cast<std::size_t>(row)]);
        const ServiceDrop::Result r = serviceDrop.apply(list, d.moves, d.shown, {rows, true});
        std::string order;
        std::vector<int32_t> numbers;
        for (const ServiceRecord& s : list) {
            order += static_cast<char>(s.serviceId);
            numbers.push_back(s.number);
        }
        EXPECT_EQ(order, c.order) << c.what;
        EXPECT_EQ(numbers, (std::vector<int32_t>{0, 1, 2, 3, 4})) << c.what;
        EXPECT_TRUE(r.changed && r.lastMoved && r.rowsInNewOrder) << c.what;
    }
}

// A drop that moves rows far takes the rows' new order in one walk when the list showed the
// database order; it must come to what the move-by-move replay gives.
TEST(DropOrderTest, LongDropTakesTheRowsOrder) {
    constexpr int32_t kCount = 40;
    std::vector<int32_t> keys(kCount), selected;
    std::iota(keys.begin(), keys.end(), 1);
    for (int32_t row = 0; row < kCount; row += 2)
        selected.push_back(row);
    const Drop d = drop(keys, selected, kCount);
    const auto services = [&](std::vector<const ServiceRecord*>& records) {
        RecordList<ServiceRecord> list;
        for (int32_t i = 0; i < kCount; ++i)
            records.push_back(&list.append(ServiceRecord{0, i, {}, 0, 0, 0, i}));
        return list;
    };
    const auto ids = [](const RecordList<ServiceRecord>& list) {
        std::vector<int32_t> v;
        for (const ServiceRecord& s : list)
            v.push_back(s.serviceId * 1000 + s.number);
        return v;
    };
    std::vector<const ServiceRecord*> fastRecords, slowRecords, rows;
    RecordList<ServiceRecord> fast = services(fastRecords);
    RecordList<ServiceRecord> slow = services(slowRecords);
    for (const int32_t row : d.shown)
        rows.push_back(fastRecords[static_cast<std::size_t>(row)]);
    ServiceDrop serviceDrop;
    EXPECT_TRUE(serviceDrop.apply(fast, d.moves, d.shown, {rows, true}).rowsInNewOrder);
    // Without the rows there is nothing to take the order from.
    EXPECT_FALSE(serviceDrop.apply(slow, d.moves, d.shown, {{}, true}).rowsInNewOrder);
    std::vector<int32_t> expected;
    for (const int32_t row : d.shown)
        expected.push_back(row * 1000 + static_cast<int32_t>(expected.size()));
    EXPECT_EQ(ids(fast), expected);
    EXPECT_EQ(ids(slow), expected);
}

} // namespace
} // namespace corvane
