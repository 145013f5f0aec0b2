#include "model/database_change.h"

#include "model/record_fields.h"

#include <optional>
#include <string_view>
#include <type_traits>
#include <unordered_map>

namespace corvane {

namespace {

// Service numbers are kept apart (they are runs), so services match whatever their numbers.
template <class T> bool sameRecord(const T& a, const T& b) {
    if constexpr (std::is_same_v<T, ServiceRecord>) {
        T renumbered = b;
        renumbered.number = a.number;
        return a == renumbered;
    } else {
        return a == b;
    }
}

template <class T> std::size_t recordHash(const T& r) {
    std::size_t h = 14695981039346656037u;
    const auto mix = [&h](uint64_t v) { h = (h ^ v) * 1099511628211u; };
    forEachField(r, [&](const char* name, const auto& field) {
        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, RecordName>) {
            for (const char c : nameView(field))
                mix(static_cast<unsigned char>(c));
        } else {
            if (!(std::is_same_v<T, ServiceRecord> && std::string_view(name) == "number"))
                mix(static_cast<uint32_t>(field));
        }
    });
    return h;
}

template <class T> std::vector<const T*> pointersTo(const RecordList<T>& list) {
    std::vector<const T*> out;
    out.reserve(list.size());
    for (const T& r : list)
        out.push_back(&r);
    return out;
}

// Where records of one state stand, by value; built the first time a record is looked up.
template <class T> class PositionIndex {
public:
    explicit PositionIndex(const std::vector<const T*>& records) : records_(records) {}
    std::optional<uint32_t> find(const T& r) {
        if (!built_) {
            positions_.reserve(records_.size());
            for (std::size_t i = 0; i < records_.size(); ++i)
                positions_[recordHash(*records_[i])].push_back(static_cast<uint32_t>(i));
            built_ = true;
        }
        const auto it = positions_.find(recordHash(r));
        if (it != positions_.end())
            for (const uint32_t at : it->second)
                if (sameRecord(*records_[at], r))
                    return at;
        return std::nullopt;
    }

private:
    const std::vector<const T*>& records_;
    std::unordered_map<std::size_t, std::vector<uint32_t>> positions_;
    bool built_ = false;
};

template <class T>
bool numbersDiffer(const std::vector<const T*>& a, const std::vector<const T*>& b) {
    if constexpr (std::is_same_v<T, ServiceRecord>) {
        if (a.size() != b.size())
            return true;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i]->number != b[i]->number)
                return true;
    }
    return false;
}

} // namespace

template <class T> struct ChangeBuilder {
    using Side = DatabaseChange::Side<T>;
    using Run = DatabaseChange::Run;

    // The side that turns `current` into `target`, copying from `sources` (list, cut buffer).
    static Side build(const std::vector<const T*>& current, const std::vector<const T*>& target,
                      const std::array<const std::vector<const T*>*, 2>& sources,
                      std::array<PositionIndex<T>, 2>& indexes) {
        Side side;
        const std::size_t n = current.size(), m = target.size();
        std::size_t prefix = 0, suffix = 0;
        while (prefix < n && prefix < m && sameRecord(*current[prefix], *target[prefix]))
            ++prefix;
        while (suffix < n - prefix && suffix < m - prefix &&
               sameRecord(*current[n - 1 - suffix], *target[m - 1 - suffix]))
            ++suffix;
        const bool reshaped = prefix + suffix != n || prefix + suffix != m;
        side.changed = reshaped || numbersDiffer(current, target);
        if (!side.changed)
            return side;
        side.prefix = static_cast<uint32_t>(prefix);
        side.suffix = static_cast<uint32_t>(suffix);
        for (std::size_t j = prefix; j < m - suffix; ++j)
            add(side, *target[j], sources, indexes);
        if constexpr (std::is_same_v<T, ServiceRecord>)
            for (const T* r : target) {
                auto& runs = side.numbers;
                if (!runs.empty() &&
                    static_cast<int64_t>(runs.back().first) + runs.back().length == r->number)
                    ++runs.back().length;
                else
                    runs.push_back({1, r->number});
            }
        return side;
    }

    static void add(Side& side, const T& r,
                    const std::array<const std::vector<const T*>*, 2>& sources,
                    std::array<PositionIndex<T>, 2>& indexes) {
        // Most records continue the run before them: kept blocks, moved blocks.
        if (!side.middle.empty() && side.middle.back().from != DatabaseChange::kLiteral) {
            Run& last = side.middle.back();
            const auto& from = *sources[last.from];
            const std::size_t next = std::size_t{last.start} + last.length;
            if (next < from.size() && sameRecord(*from[next], r)) {
                ++last.length;
                return;
            }
        }
        if (const auto found = lookUp(r, indexes)) {
            side.middle.push_back({found->first, found->second, 1});
            return;
        }
        // A record the other state does not hold: created or freed by the step.
        if (!side.middle.empty() && side.middle.back().from == DatabaseChange::kLiteral)
            ++side.middle.back().length;
        else
            side.middle.push_back(
                {DatabaseChange::kLiteral, static_cast<uint32_t>(side.literals.size()), 1});
        side.literals.push_back(r);
    }

    static std::optional<std::pair<uint8_t, uint32_t>>
    lookUp(const T& r, std::array<PositionIndex<T>, 2>& indexes) {
        for (uint8_t from = 0; from < 2; ++from)
            if (const auto at = indexes[from].find(r))
                return std::pair{from, *at};
        return std::nullopt;
    }

    static void between(DatabaseChange::KindSides<T>& out, bool& changed,
                        const ChannelDatabase& before, const ChannelDatabase& after) {
        const std::array<std::vector<const T*>, 2> was{pointersTo(before.list<T>()),
                                                       pointersTo(before.clipboard<T>())};
        const std::array<std::vector<const T*>, 2> now{pointersTo(after.list<T>()),
                                                       pointersTo(after.clipboard<T>())};
        std::array<PositionIndex<T>, 2> wasIndex{PositionIndex<T>(was[0]),
                                                 PositionIndex<T>(was[1])};
        std::array<PositionIndex<T>, 2> nowIndex{PositionIndex<T>(now[0]),
                                                 PositionIndex<T>(now[1])};
        for (std::size_t i = 0; i < 2; ++i) {
            out.forward[i] = build(was[i], now[i], {&was[0], &was[1]}, wasIndex);
            out.backward[i] = build(now[i], was[i], {&now[0], &now[1]}, nowIndex);
            changed = changed || out.forward[i].changed;
        }
    }

    static void apply(const std::array<Side, 2>& sides, ChannelDatabase& db) {
        const std::array<std::vector<const T*>, 2> sources{pointersTo(db.list<T>()),
                                                           pointersTo(db.clipboard<T>())};
        // Both middles are built before either list changes: a cut copies from the list into
        // the buffer and the other way round.
        std::array<std::vector<T>, 2> middles;
        for (std::size_t i = 0; i < 2; ++i)
            for (const Run& run : sides[i].middle)
                for (uint32_t k = 0; k < run.length; ++k)
                    middles[i].push_back(run.from == DatabaseChange::kLiteral
                                             ? sides[i].literals[run.start + k]
                                             : *sources[run.from][run.start + k]);
        for (std::size_t i = 0; i < 2; ++i) {
            const Side& side = sides[i];
            if (!side.changed)
                continue;
            RecordList<T>& list = i == 0 ? db.list<T>() : db.clipboard<T>();
            auto first = list.begin();
            std::advance(first, side.prefix);
            auto last = first;
            std::advance(last,
                         static_cast<std::ptrdiff_t>(list.size() - side.prefix - side.suffix));
            const auto at = list.erase(first, last);
            for (T& r : middles[i])
                list.insert(at, std::move(r));
            if constexpr (std::is_same_v<T, ServiceRecord>) {
                auto it = list.begin();
                for (const DatabaseChange::NumberRun& run : side.numbers)
                    for (uint32_t k = 0; k < run.length; ++k, ++it)
                        it->number = static_cast<int32_t>(static_cast<int64_t>(run.first) + k);
            }
        }
    }

    static std::size_t memory(const std::array<Side, 2>& sides) {
        std::size_t bytes = 0;
        for (const Side& s : sides)
            bytes += s.middle.capacity() * sizeof(Run) + s.literals.capacity() * sizeof(T) +
                     s.numbers.capacity() * sizeof(DatabaseChange::NumberRun);
        return bytes;
    }
};

template <> DatabaseChange::KindSides<SatelliteRecord>& DatabaseChange::sides() {
    return satellites_;
}
template <> DatabaseChange::KindSides<TransponderRecord>& DatabaseChange::sides() {
    return transponders_;
}
template <> DatabaseChange::KindSides<ServiceRecord>& DatabaseChange::sides() {
    return services_;
}
template <> DatabaseChange::KindSides<AntennaRecord>& DatabaseChange::sides() {
    return antennas_;
}

namespace {

std::array<int32_t, 4> countersOf(const ChannelDatabase& db) {
    return {db.satelliteCount, db.transponderCount, db.serviceCount, db.antennaCount};
}

constexpr std::array<RecordKind, 4> kKinds{RecordKind::Satellite, RecordKind::Transponder,
                                           RecordKind::Service, RecordKind::Antenna};

} // namespace

DatabaseChange DatabaseChange::between(const ChannelDatabase& before,
                                       const ChannelDatabase& after) {
    DatabaseChange change;
    for (const RecordKind kind : kKinds)
        visitRecordKind(kind, [&]<class T>(std::type_identity<T>) {
            ChangeBuilder<T>::between(
                change.sides<T>(), change.changed_[static_cast<std::size_t>(kind)], before, after);
        });
    change.countersBefore_ = countersOf(before);
    change.countersAfter_ = countersOf(after);
    change.originsBefore_ = before.clipboardOrigins();
    change.originsAfter_ = after.clipboardOrigins();
    return change;
}

bool DatabaseChange::empty() const {
    for (const bool changed : changed_)
        if (changed)
            return false;
    return countersBefore_ == countersAfter_ && originsBefore_ == originsAfter_;
}

void DatabaseChange::apply(ChannelDatabase& db, bool forward) const {
    for (const RecordKind kind : kKinds)
        if (touches(kind))
            visitRecordKind(kind, [&]<class T>(std::type_identity<T>) {
                const KindSides<T>& s = sides<T>();
                ChangeBuilder<T>::apply(forward ? s.forward : s.backward, db);
            });
    const std::array<int32_t, 4>& counters = forward ? countersAfter_ : countersBefore_;
    db.satelliteCount = counters[0];
    db.transponderCount = counters[1];
    db.serviceCount = counters[2];
    db.antennaCount = counters[3];
    db.setClipboardOrigins(forward ? originsAfter_ : originsBefore_);
}

std::size_t DatabaseChange::memoryBytes() const {
    std::size_t bytes = sizeof(*this);
    for (const RecordKind kind : kKinds)
        visitRecordKind(kind, [&]<class T>(std::type_identity<T>) {
            const KindSides<T>& s = sides<T>();
            bytes += ChangeBuilder<T>::memory(s.forward) + ChangeBuilder<T>::memory(s.backward);
        });
    return bytes;
}

} // namespace corvane
