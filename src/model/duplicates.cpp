#include "model/duplicates.h"

#include "model/tuning.h"

#include <unordered_map>
#include <unordered_set>

namespace corvane {
namespace {

struct ServiceKey {
    int32_t transponderId;
    int32_t serviceId;
    friend bool operator==(const ServiceKey&, const ServiceKey&) = default;
};

struct ServiceKeyHash {
    std::size_t operator()(const ServiceKey& k) const {
        return std::hash<uint64_t>{}(uint64_t{static_cast<uint32_t>(k.transponderId)} << 32 |
                                     static_cast<uint32_t>(k.serviceId));
    }
};

// The transponder id each service ends up on: a removed transponder's services go to the first one
// of its tuning. Only the first transponder of an id owns the services of that id.
std::unordered_map<int32_t, int32_t> keptTransponderOf(const ChannelDatabase& db,
                                                       std::vector<DuplicateTransponder>* removed) {
    std::unordered_map<Tuning, int32_t, TuningHash> firstOfTuning;
    std::unordered_set<int32_t> seenIds;
    std::unordered_map<int32_t, int32_t> movedTo;
    std::size_t position = 0;
    for (const TransponderRecord& t : db.transponders) {
        const bool ownsItsId = seenIds.insert(t.id).second;
        const auto [first, inserted] = firstOfTuning.try_emplace(Tuning::of(t), t.id);
        if (!inserted) {
            if (ownsItsId && first->second != t.id)
                movedTo.emplace(t.id, first->second);
            if (removed)
                removed->push_back({position, t.id, first->second, 0});
        }
        ++position;
    }
    return movedTo;
}

// Erases the records at `positions` (ascending) from `list`.
template <class T, class Entry>
void eraseAt(RecordList<T>& list, const std::vector<Entry>& positions) {
    auto next = positions.begin();
    std::size_t position = 0;
    for (auto it = list.begin(); it != list.end() && next != positions.end(); ++position) {
        if (position == next->position) {
            it = list.erase(it);
            ++next;
        } else {
            ++it;
        }
    }
}

} // namespace

DuplicatePlan findDuplicates(const ChannelDatabase& db) {
    DuplicatePlan plan;
    const auto movedTo = keptTransponderOf(db, &plan.transponders);
    std::unordered_map<int32_t, std::size_t> movingServices;
    std::unordered_map<ServiceKey, int32_t, ServiceKeyHash> firstOfKey;
    std::size_t position = 0;
    for (const ServiceRecord& v : db.services) {
        int32_t transponderId = v.transponderId;
        if (const auto moved = movedTo.find(transponderId); moved != movedTo.end()) {
            transponderId = moved->second;
            ++movingServices[v.transponderId];
        }
        const auto [first, inserted] =
            firstOfKey.try_emplace(ServiceKey{transponderId, v.serviceId}, v.number);
        if (!inserted)
            plan.services.push_back({position, v.number, first->second});
        ++position;
    }
    std::unordered_set<int32_t> counted;
    for (DuplicateTransponder& t : plan.transponders)
        if (const auto n = movingServices.find(t.id);
            n != movingServices.end() && counted.insert(t.id).second)
            t.services = n->second;
    return plan;
}

void removeDuplicates(ChannelDatabase& db, const DuplicatePlan& plan) {
    if (plan.empty())
        return;
    const auto movedTo = keptTransponderOf(db, nullptr);
    eraseAt(db.services, plan.services);
    for (ServiceRecord& v : db.services)
        if (const auto moved = movedTo.find(v.transponderId); moved != movedTo.end())
            v.transponderId = moved->second;
    eraseAt(db.transponders, plan.transponders);
    db.renumberServices();
}

} // namespace corvane
