#include "model/channel_database.h"

#include "base/saturate.h"

#include <algorithm>
#include <bitset>
#include <cassert>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

namespace {

// Transponder ids, looked up once per service by the cascades. The ids a file can hold fit a
// bitmap, which answers far faster than hashing; any others go to a set.
class TransponderIdSet {
public:
    void insert(int32_t id) {
        if (id >= 0 && id < kDense) {
            if (dense_.empty())
                dense_.resize(kDense);
            dense_[static_cast<std::size_t>(id)] = true;
        } else {
            other_.insert(id);
        }
        empty_ = false;
    }
    bool contains(int32_t id) const {
        if (id >= 0 && id < kDense)
            return !dense_.empty() && dense_[static_cast<std::size_t>(id)];
        return other_.count(id) != 0;
    }
    bool empty() const { return empty_; }

private:
    static constexpr int32_t kDense = 65536;
    std::vector<bool> dense_;
    std::unordered_set<int32_t> other_;
    bool empty_ = true;
};

} // namespace

void ChannelDatabase::clear() {
    satellites.clear();
    transponders.clear();
    services.clear();
    antennas.clear();
    satelliteCount = transponderCount = serviceCount = antennaCount = 0;
    markClipboardsPredating();
}

void ChannelDatabase::replaceRecords(ChannelDatabase&& loaded) {
    satellites = std::move(loaded.satellites);
    transponders = std::move(loaded.transponders);
    services = std::move(loaded.services);
    antennas = std::move(loaded.antennas);
    satelliteCount = loaded.satelliteCount;
    transponderCount = loaded.transponderCount;
    serviceCount = loaded.serviceCount;
    antennaCount = loaded.antennaCount;
    markClipboardsPredating();
}

void ChannelDatabase::markClipboardsPredating() {
    clipboardPredates_ = {{!satelliteClipboard.empty(), !transponderClipboard.empty(),
                           !serviceClipboard.empty(), !antennaClipboard.empty()}};
}

bool ChannelDatabase::clipboardPredatesRecords(RecordKind kind) const {
    return clipboardPredates_[static_cast<std::size_t>(kind)];
}

AntennaRecord& ChannelDatabase::addDefaultAntenna() {
    AntennaRecord a;
    a.id = antennaCount;
    a.antennaKey = saturatingAdd(a.id, 1);
    a.lowFreq = kDefaultLowFreq;
    a.highFreq = kDefaultHighFreq;
    a.centerFreq = kDefaultCenterFreq;
    auto& added = antennas.append(a);
    antennaCount = saturatingAdd(antennaCount, 1);
    return added;
}

AntennaRecord& ChannelDatabase::addDefaultAntennaFor(int32_t satelliteId) {
    const auto hasId = [&](const RecordList<AntennaRecord>& list) {
        return list.find(satelliteId) != list.end();
    };
    const bool taken = hasId(antennas) || hasId(antennaClipboard);
    AntennaRecord& added = addDefaultAntenna();
    if (!taken) {
        added.id = satelliteId;
        added.antennaKey = saturatingAdd(satelliteId, 1);
    }
    return added;
}

void ChannelDatabase::removeServicesOf(int32_t transponderId) {
    services.eraseIf([&](const ServiceRecord& s) { return s.transponderId == transponderId; });
}

void ChannelDatabase::removeTranspondersOf(int32_t satelliteId) {
    // One pass over each list: walking the services once per removed transponder would be
    // quadratic for a satellite that carries most of the database.
    TransponderIdSet removed;
    transponders.eraseIf([&](const TransponderRecord& t) {
        if (t.satelliteId != satelliteId)
            return false;
        removed.insert(t.id);
        return true;
    });
    if (!removed.empty())
        services.eraseIf([&](const ServiceRecord& s) { return removed.contains(s.transponderId); });
}

void ChannelDatabase::removeAntenna(int32_t antennaId) {
    auto it = antennas.find(antennaId);
    if (it != antennas.end())
        antennas.erase(it);
}

void ChannelDatabase::renumberServices() {
    int32_t n = 0;
    for (auto& s : services)
        s.number = n++;
}

void ChannelDatabase::sortServicesByNumber() {
    services.stableSort(
        [](const ServiceRecord& a, const ServiceRecord& b) { return a.number < b.number; });
}

void ChannelDatabase::emptyClipboard(RecordKind kind) {
    const bool cascade = !clipboardPredatesRecords(kind);
    clipboardPredates_[static_cast<std::size_t>(kind)] = false;
    visitRecordKind(kind, [&]<class T>(std::type_identity<T>) {
        RecordList<T>& buffer = clipboard<T>();
        if constexpr (std::is_same_v<T, SatelliteRecord>) {
            if (cascade)
                for (const auto& s : buffer) {
                    removeTranspondersOf(s.id);
                    removeAntenna(s.id);
                }
        } else if constexpr (std::is_same_v<T, TransponderRecord>) {
            TransponderIdSet ids;
            if (cascade)
                for (const auto& t : buffer)
                    ids.insert(t.id);
            if (!ids.empty())
                services.eraseIf(
                    [&](const ServiceRecord& s) { return ids.contains(s.transponderId); });
        }
        buffer.clear();
    });
}

void ChannelDatabase::deleteSatellite(RecordList<SatelliteRecord>::iterator which) {
    assert(which != satellites.end() && "deleteSatellite needs a satellite of the list");
    if (which == satellites.end())
        return;
    const int32_t id = which->id;
    satellites.erase(which);
    removeTranspondersOf(id);
    removeAntenna(id);
    satelliteCount = saturatingAdd(satelliteCount, -1);
}

void ChannelDatabase::deleteTransponder(RecordList<TransponderRecord>::iterator which) {
    assert(which != transponders.end() && "deleteTransponder needs a transponder of the list");
    if (which == transponders.end())
        return;
    const int32_t id = which->id;
    transponders.erase(which);
    removeServicesOf(id);
}

void ChannelDatabase::deleteService(RecordList<ServiceRecord>::iterator which) {
    assert(which != services.end() && "deleteService needs a service of the list");
    if (which != services.end())
        services.erase(which);
}

void ChannelDatabase::deleteAntenna(RecordList<AntennaRecord>::iterator which) {
    assert(which != antennas.end() && "deleteAntenna needs an antenna of the list");
    if (which != antennas.end())
        antennas.erase(which);
}

namespace {

template <class T>
void cutRecords(RecordList<T>& list, RecordList<T>& buffer, std::span<const int32_t> keys) {
    // Each key takes the first record still in the list with that key. The records with a cut
    // key are indexed once, in list order, so a cut of thousands of rows stays one walk; indexing
    // every record would cost more than the walk itself.
    using Iterator = typename RecordList<T>::iterator;
    struct Matches {
        std::vector<Iterator> records;
        std::size_t taken = 0;
    };
    std::unordered_map<int32_t, Matches> byKey;
    byKey.reserve(keys.size());
    for (int32_t key : keys)
        byKey.try_emplace(key);
    for (auto it = list.begin(); it != list.end(); ++it)
        if (auto found = byKey.find(recordKey(*it)); found != byKey.end())
            found->second.records.push_back(it);
    for (int32_t key : keys) {
        Matches& m = byKey.find(key)->second;
        if (m.taken < m.records.size())
            buffer.moveFrom(buffer.end(), list, m.records[m.taken++]);
    }
}

template <class T>
bool pasteRecords(RecordList<T>& list, RecordList<T>& buffer, std::optional<int32_t> afterKey) {
    auto pos = list.end();
    if (afterKey) {
        auto it = list.find(*afterKey);
        if (it == list.end())
            return false;
        pos = std::next(it);
    }
    list.moveAllFrom(pos, buffer);
    return true;
}

} // namespace

void ChannelDatabase::cut(RecordKind kind, std::span<const int32_t> keys) {
    emptyClipboard(kind);
    visitRecordKind(
        kind, [&]<class T>(std::type_identity<T>) { cutRecords(list<T>(), clipboard<T>(), keys); });
}

bool ChannelDatabase::paste(RecordKind kind, std::optional<int32_t> afterKey) {
    const bool pasted = visitRecordKind(kind, [&]<class T>(std::type_identity<T>) {
        return pasteRecords(list<T>(), clipboard<T>(), afterKey);
    });
    if (pasted)
        clipboardPredates_[static_cast<std::size_t>(kind)] = false;
    return pasted;
}

std::optional<int32_t> ChannelDatabase::newSatelliteId() const {
    std::bitset<kMaxSatelliteId + 1> used;
    bool countTaken = false;
    auto mark = [&](const SatelliteRecord& s) {
        if (s.id == satelliteCount)
            countTaken = true;
        if (s.id >= 0 && s.id <= kMaxSatelliteId)
            used.set(static_cast<std::size_t>(s.id));
    };
    for (const auto& s : satellites)
        mark(s);
    for (const auto& s : satelliteClipboard)
        mark(s);
    // A count outside what the binary database can store would give an id that cannot be saved.
    if (!countTaken && satelliteCount >= 0 && satelliteCount <= kMaxSatelliteId)
        return satelliteCount;
    for (int32_t id = 0; id <= kMaxSatelliteId; ++id)
        if (!used.test(static_cast<std::size_t>(id)))
            return id;
    return std::nullopt;
}

std::optional<std::vector<ChannelDatabase::IdChange>>
ChannelDatabase::freeClashingClipboardSatelliteIds() {
    std::vector<IdChange> changes;
    if (!clipboardPredatesRecords(RecordKind::Satellite))
        return changes;
    std::unordered_set<int32_t> held;
    for (const auto& s : satellites)
        held.insert(s.id);
    std::vector<SatelliteRecord*> clashing;
    for (auto& s : satelliteClipboard)
        if (!held.insert(s.id).second)
            clashing.push_back(&s);
    // Each new id is taken before the next one is chosen, so no two get the same.
    for (SatelliteRecord* s : clashing) {
        const auto id = newSatelliteId();
        if (!id) {
            for (std::size_t i = 0; i < changes.size(); ++i)
                clashing[i]->id = changes[i].from;
            return std::nullopt;
        }
        changes.push_back({s->id, *id});
        s->id = *id;
    }
    return changes;
}

SettledAntennas settleAntennas(RecordList<AntennaRecord>& antennas) {
    constexpr int32_t kBothTuners = 3;
    SettledAntennas set;
    for (AntennaRecord& a : antennas) {
        if (a.centerFreq != kDefaultCenterFreq) {
            a.centerFreq = kDefaultCenterFreq;
            ++set.centerFrequencies;
        }
        if (a.tunerMask == 0) {
            a.tunerMask = kBothTuners;
            ++set.tunerMasks;
        }
    }
    return set;
}

} // namespace corvane
