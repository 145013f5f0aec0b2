#include "model/duplicates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

ChannelDatabase listWithDoubles() {
    ChannelDatabase db;
    // id, satellite, frequency, polarity. Transponder 3 doubles 1; 4 shares 3's id but is the
    // later of the two, so the services of id 3 are 3's; 5 differs only in polarity.
    const int32_t tps[][4] = {{1, 0, 11778, 0}, {2, 0, 12000, 0}, {3, 0, 11778, 0},
                              {3, 1, 10700, 0}, {5, 0, 11778, 1}, {6, 0, 12000, 0}};
    for (const auto& t : tps) {
        TransponderRecord r;
        r.id = t[0];
        r.satelliteId = t[1];
        r.frequency = t[2];
        r.polarity = t[3];
        db.appendRecord(r);
    }
    // transponder, service id. Service 1 doubles 0 on one transponder; 3 doubles 0 once its
    // transponder 3 has moved to 1; 4 on transponder 6 moves to 2 without a double.
    const int32_t svcs[][2] = {{1, 100}, {1, 100}, {3, 200}, {3, 100}, {6, 300}, {5, 100}};
    int32_t number = 0;
    for (const auto& v : svcs) {
        ServiceRecord r;
        r.transponderId = v[0];
        r.serviceId = v[1];
        r.number = number++;
        setName(r.name, "S" + std::to_string(r.number));
        db.appendRecord(r);
    }
    return db;
}

TEST(Duplicates, FirstKeptServicesMovedThenComparedOnTheTransponderKept) {
    ChannelDatabase db = listWithDoubles();
    const DuplicatePlan plan = findDuplicates(db);
    ASSERT_EQ(plan.transponders.size(), 2u);
    EXPECT_EQ(plan.transponders[0].position, 2u);
    EXPECT_EQ(plan.transponders[0].keptId, 1);
    EXPECT_EQ(plan.transponders[0].services, 2u);
    EXPECT_EQ(plan.transponders[1].position, 5u);
    EXPECT_EQ(plan.transponders[1].keptId, 2);
    EXPECT_EQ(plan.transponders[1].services, 1u);
    ASSERT_EQ(plan.services.size(), 2u);
    EXPECT_EQ(plan.services[0].number, 1);
    EXPECT_EQ(plan.services[1].number, 3);
    EXPECT_EQ(plan.services[1].keptNumber, 0);

    removeDuplicates(db, plan);
    std::vector<int32_t> ids;
    for (const auto& t : db.transponders)
        ids.push_back(t.id);
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3, 5}));
    std::vector<std::string> services;
    for (const auto& v : db.services)
        services.push_back(std::string(nameView(v.name)) + "@" + std::to_string(v.transponderId) +
                           "#" + std::to_string(v.number));
    EXPECT_EQ(services, (std::vector<std::string>{"S0@1#0", "S2@1#1", "S4@2#2", "S5@5#3"}));
    EXPECT_TRUE(findDuplicates(db).empty()) << "nothing left to remove";
}

} // namespace
} // namespace corvane
