#include "model/database_diff.h"

#include "model/record_fields.h"

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <type_traits>
#include <unordered_map>

namespace corvane {
namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// What pairs records across the lists; one shape for every kind. `parent` is the pairing number
// of the record a transponder or service hangs on (see Pairing), or orphanRef of its raw id.
struct MatchKey {
    uint64_t parent = 0;
    int32_t first = 0;
    int32_t second = 0;
    std::string_view name;
    bool operator==(const MatchKey&) const = default;
};

// Deliberately not noexcept: libstdc++ then keeps each key's hash in its node, so a lookup does
// not hash the names along a bucket's chain again (a third of the time at full size).
struct MatchKeyHash {
    std::size_t operator()(const MatchKey& k) const {
        std::size_t h = std::hash<std::string_view>{}(k.name);
        const auto mix = [&h](uint64_t v) {
            h ^= std::hash<uint64_t>{}(v) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        };
        mix(k.parent);
        mix(uint64_t{static_cast<uint32_t>(k.first)} << 32 | static_cast<uint32_t>(k.second));
        return h;
    }
};

// A reference to nothing pairs with a reference to nothing by the same id; the top bit keeps
// it apart from the pairing numbers of real records, which are list positions.
uint64_t orphanRef(int32_t id) {
    return uint64_t{1} << 63 | static_cast<uint32_t>(id);
}

// One list of one database in the order the comparison walks it, with the lookup by id that
// references into it take (the first record with the id, as everywhere in the editor).
template <class T> struct Side {
    std::vector<const T*> records;
    std::unordered_map<int32_t, std::size_t> firstById;

    explicit Side(const RecordList<T>& list) {
        records.reserve(list.size());
        for (const T& r : list)
            records.push_back(&r);
        if constexpr (std::is_same_v<T, ServiceRecord>) {
            // The receiver shows services by number; a .cdd file keeps them grouped by
            // transponder with their numbers, and every service command renumbers them in list
            // order, so number order is list order wherever list order means anything.
            std::stable_sort(records.begin(), records.end(),
                             [](const T* a, const T* b) { return a->number < b->number; });
        }
        // Nothing refers to services or antennas by id.
        if constexpr (std::is_same_v<T, SatelliteRecord> || std::is_same_v<T, TransponderRecord>) {
            firstById.reserve(records.size());
            for (std::size_t i = 0; i < records.size(); ++i)
                firstById.try_emplace(recordKey(*records[i]), i);
        }
    }
    const T* find(int32_t id) const {
        const auto it = firstById.find(id);
        return it == firstById.end() ? nullptr : records[it->second];
    }
};

// Pairs the records of the old and the new list that have equal keys, in list order, and numbers
// each record so that paired records share a number: an old record its position, an unpaired
// new record the old list's size plus its position.
struct Pairing {
    std::vector<std::size_t> newToOld; // kNone where unpaired
    std::vector<uint64_t> oldNumber, newNumber;

    Pairing(const std::vector<MatchKey>& oldKeys, const std::vector<MatchKey>& newKeys) {
        // Per key, the first old record still free; the later ones chained behind it.
        std::unordered_map<MatchKey, std::size_t, MatchKeyHash> firstFree;
        firstFree.reserve(oldKeys.size());
        std::vector<std::size_t> nextSame(oldKeys.size(), kNone);
        for (std::size_t i = oldKeys.size(); i-- > 0;) {
            const auto [it, inserted] = firstFree.try_emplace(oldKeys[i], i);
            if (!inserted) {
                nextSame[i] = it->second;
                it->second = i;
            }
        }
        newToOld.assign(newKeys.size(), kNone);
        oldNumber.resize(oldKeys.size());
        newNumber.resize(newKeys.size());
        for (std::size_t i = 0; i < oldKeys.size(); ++i)
            oldNumber[i] = i;
        for (std::size_t j = 0; j < newKeys.size(); ++j) {
            const auto it = firstFree.find(newKeys[j]);
            if (it != firstFree.end() && it->second != kNone) {
                newToOld[j] = it->second;
                it->second = nextSame[it->second];
            }
            newNumber[j] = newToOld[j] != kNone ? newToOld[j] : oldKeys.size() + j;
        }
    }
};

// The pairing number of the record that `id` refers to in `side`, or the orphan's reference.
template <class T>
uint64_t parentRef(const Side<T>& side, const std::vector<uint64_t>& numbers, int32_t id) {
    const auto it = side.firstById.find(id);
    return it == side.firstById.end() ? orphanRef(id) : numbers[it->second];
}

// True for the entries of `seq` (distinct values) outside one longest increasing run: the
// records to report as moved. Patience sorting, O(n log n).
std::vector<char> outsideLongestRun(const std::vector<std::size_t>& seq) {
    std::vector<std::size_t> tails; // tails[k]: where the lowest-ending run of length k + 1 ends
    std::vector<std::size_t> before(seq.size(), kNone);
    for (std::size_t i = 0; i < seq.size(); ++i) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), seq[i],
                                         [&](std::size_t t, std::size_t v) { return seq[t] < v; });
        if (at != tails.begin())
            before[i] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<char> outside(seq.size(), 1);
    for (std::size_t i = tails.empty() ? kNone : tails.back(); i != kNone; i = before[i])
        outside[i] = 0;
    return outside;
}

SatelliteIdentity identityOf(const SatelliteRecord& s) {
    return {s.longitude, std::string(nameView(s.name))};
}

TransponderIdentity identityOf(const TransponderRecord& t, const Side<SatelliteRecord>& sats) {
    TransponderIdentity id{std::nullopt, t.satelliteId, t.frequency, t.polarity};
    if (const SatelliteRecord* s = sats.find(t.satelliteId))
        id.satellite = identityOf(*s);
    return id;
}

ServiceIdentity identityOf(const ServiceRecord& v, const Side<TransponderRecord>& transponders,
                           const Side<SatelliteRecord>& sats) {
    ServiceIdentity id{std::nullopt, v.transponderId, v.serviceId, std::string(nameView(v.name))};
    if (const TransponderRecord* t = transponders.find(v.transponderId))
        id.transponder = identityOf(*t, sats);
    return id;
}

AntennaIdentity identityOf(const AntennaRecord& a) {
    return {a.id};
}

// The integer fields of a record, names and values in declared order.
struct IntFields {
    std::array<std::string_view, 17> names{};
    std::array<int32_t, 17> values{};
    std::size_t count = 0;
};

template <class T> IntFields intFields(const T& r) {
    IntFields out;
    forEachField(r, [&](std::string_view name, const auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, int32_t>) {
            out.names[out.count] = name;
            out.values[out.count++] = value;
        }
    });
    return out;
}

// Numbers follow places: only a change that the new place does not explain counts.
bool numberChanged(int32_t oldNumber, std::size_t oldPos, int32_t newNumber, std::size_t newPos) {
    const auto offset = [](int32_t number, std::size_t pos) {
        return int64_t{number} - static_cast<int64_t>(pos);
    };
    return oldNumber != newNumber && offset(oldNumber, oldPos) != offset(newNumber, newPos);
}

template <class T>
std::vector<FieldChange> changedFields(const T& o, std::size_t oldPos, const T& n,
                                       std::size_t newPos) {
    // References are compared through the pairing of what they refer to, not as numbers.
    T same = n;
    if constexpr (std::is_same_v<T, TransponderRecord>)
        same.satelliteId = o.satelliteId;
    bool renumbered = false;
    if constexpr (std::is_same_v<T, ServiceRecord>) {
        same.transponderId = o.transponderId;
        same.number = o.number;
        renumbered = numberChanged(o.number, oldPos, n.number, newPos);
    }
    if (same == o && !renumbered)
        return {};
    if constexpr (std::is_same_v<T, ServiceRecord>)
        if (renumbered)
            same.number = n.number;
    const IntFields before = intFields(o), after = intFields(same);
    std::vector<FieldChange> out;
    for (std::size_t f = 0; f < before.count; ++f)
        if (before.values[f] != after.values[f])
            out.push_back({before.names[f], before.values[f], after.values[f]});
    return out;
}

template <class T, class OldIdentity, class NewIdentity>
void diffList(RecordKind kind, const Side<T>& olds, const Side<T>& news, const Pairing& pairing,
              OldIdentity oldIdentity, NewIdentity newIdentity, std::deque<RecordChange>& out) {
    std::vector<char> oldPaired(olds.records.size(), 0);
    std::vector<std::size_t> pairedOld; // the old positions of the paired records, in new order
    for (const std::size_t i : pairing.newToOld)
        if (i != kNone) {
            oldPaired[i] = 1;
            pairedOld.push_back(i);
        }
    for (std::size_t i = 0; i < olds.records.size(); ++i)
        if (!oldPaired[i]) {
            const T& r = *olds.records[i];
            out.push_back({ChangeKind::Removed,
                           kind,
                           i,
                           std::nullopt,
                           recordKey(r),
                           std::nullopt,
                           oldIdentity(r),
                           {}});
        }
    const std::vector<char> moved = outsideLongestRun(pairedOld);
    std::size_t paired = 0;
    for (std::size_t j = 0; j < news.records.size(); ++j) {
        const T& r = *news.records[j];
        const std::size_t i = pairing.newToOld[j];
        if (i == kNone) {
            out.push_back({ChangeKind::Added,
                           kind,
                           std::nullopt,
                           j,
                           std::nullopt,
                           recordKey(r),
                           newIdentity(r),
                           {}});
            continue;
        }
        const T& o = *olds.records[i];
        std::vector<FieldChange> fields = changedFields(o, i, r, j);
        if (!fields.empty())
            out.push_back({ChangeKind::Changed, kind, i, j, recordKey(o), recordKey(r),
                           newIdentity(r), std::move(fields)});
        if (moved[paired++])
            out.push_back(
                {ChangeKind::Moved, kind, i, j, recordKey(o), recordKey(r), newIdentity(r), {}});
    }
}

template <class T, class KeyOf> std::vector<MatchKey> keysOf(const Side<T>& side, KeyOf keyOf) {
    std::vector<MatchKey> keys;
    keys.reserve(side.records.size());
    for (const T* r : side.records)
        keys.push_back(keyOf(*r));
    return keys;
}

} // namespace

DatabaseDiff diffDatabases(const ChannelDatabase& oldDb, const ChannelDatabase& newDb) {
    DatabaseDiff diff;
    const auto counter = [&](std::string_view name, int32_t ChannelDatabase::*member) {
        if (oldDb.*member != newDb.*member)
            diff.counters.push_back({name, oldDb.*member, newDb.*member});
    };
    counter("satelliteCount", &ChannelDatabase::satelliteCount);
    counter("transponderCount", &ChannelDatabase::transponderCount);
    counter("serviceCount", &ChannelDatabase::serviceCount);
    counter("antennaCount", &ChannelDatabase::antennaCount);

    const Side<AntennaRecord> oldAntennas(oldDb.antennas), newAntennas(newDb.antennas);
    const auto antennaKey = [](const AntennaRecord& a) { return MatchKey{0, a.id, 0, {}}; };
    const Pairing antennas(keysOf(oldAntennas, antennaKey), keysOf(newAntennas, antennaKey));
    const auto antennaIdentity = [](const AntennaRecord& a) { return identityOf(a); };
    diffList(RecordKind::Antenna, oldAntennas, newAntennas, antennas, antennaIdentity,
             antennaIdentity, diff.records);

    const Side<SatelliteRecord> oldSats(oldDb.satellites), newSats(newDb.satellites);
    const auto satelliteKey = [](const SatelliteRecord& s) {
        return MatchKey{0, s.longitude, 0, nameView(s.name)};
    };
    const Pairing sats(keysOf(oldSats, satelliteKey), keysOf(newSats, satelliteKey));
    const auto satelliteIdentity = [](const SatelliteRecord& s) { return identityOf(s); };
    diffList(RecordKind::Satellite, oldSats, newSats, sats, satelliteIdentity, satelliteIdentity,
             diff.records);

    const Side<TransponderRecord> oldTps(oldDb.transponders), newTps(newDb.transponders);
    const auto transponderKey = [](const Side<SatelliteRecord>& side,
                                   const std::vector<uint64_t>& numbers) {
        return [&side, &numbers](const TransponderRecord& t) {
            return MatchKey{parentRef(side, numbers, t.satelliteId), t.frequency, t.polarity, {}};
        };
    };
    const Pairing tps(keysOf(oldTps, transponderKey(oldSats, sats.oldNumber)),
                      keysOf(newTps, transponderKey(newSats, sats.newNumber)));
    diffList(
        RecordKind::Transponder, oldTps, newTps, tps,
        [&](const TransponderRecord& t) { return identityOf(t, oldSats); },
        [&](const TransponderRecord& t) { return identityOf(t, newSats); }, diff.records);

    const Side<ServiceRecord> oldServices(oldDb.services), newServices(newDb.services);
    const auto serviceKey = [](const Side<TransponderRecord>& side,
                               const std::vector<uint64_t>& numbers) {
        return [&side, &numbers](const ServiceRecord& v) {
            return MatchKey{parentRef(side, numbers, v.transponderId), v.serviceId, 0,
                            nameView(v.name)};
        };
    };
    const Pairing services(keysOf(oldServices, serviceKey(oldTps, tps.oldNumber)),
                           keysOf(newServices, serviceKey(newTps, tps.newNumber)));
    diffList(
        RecordKind::Service, oldServices, newServices, services,
        [&](const ServiceRecord& v) { return identityOf(v, oldTps, oldSats); },
        [&](const ServiceRecord& v) { return identityOf(v, newTps, newSats); }, diff.records);
    return diff;
}

} // namespace corvane
