#pragma once
// What one change did to a channel database, kept so that it can be taken back and done again
// exactly: records, their order, the cut buffers, the counters and the buffers' origins.
//
// Each list (and cut buffer) is stored as the records kept at both ends plus the middle it is
// rebuilt from: runs copied from the other state's list or cut buffer of the same kind, and the
// records that state does not hold at all. A step therefore costs memory for what it created or
// freed, plus a few runs per moved block, never for the records it merely kept or moved; service
// numbers, which renumbering rewrites across the whole list, are kept as runs of consecutive
// numbers. Working out a change is linear in the sizes of the lists it touched.

#include "model/channel_database.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

class DatabaseChange {
public:
    DatabaseChange() = default;
    // The change that turns `before` into `after`.
    static DatabaseChange between(const ChannelDatabase& before, const ChannelDatabase& after);

    bool empty() const;
    // Whether the list or the cut buffer of `kind` differs between the two states.
    bool touches(RecordKind kind) const { return changed_[static_cast<std::size_t>(kind)]; }
    // `db` must hold the state after (undo) or before (redo) the change.
    void undo(ChannelDatabase& db) const { apply(db, false); }
    void redo(ChannelDatabase& db) const { apply(db, true); }
    // The heap memory the change holds, in bytes.
    std::size_t memoryBytes() const;

private:
    static constexpr uint8_t kFromList = 0, kFromClipboard = 1, kLiteral = 2;

    // Records copied from the list or the cut buffer of the state a side is applied to, or
    // taken from the side's own records.
    struct Run {
        uint8_t from; // kFromList, kFromClipboard or kLiteral
        uint32_t start, length;
    };
    struct NumberRun {
        uint32_t length;
        int32_t first; // numbers first, first + 1, ...
    };

    template <class T> struct Side {
        bool changed = false;
        uint32_t prefix = 0, suffix = 0; // kept from the current list
        std::vector<Run> middle;
        std::vector<T> literals;
        std::vector<NumberRun> numbers; // services only: the whole resulting list's numbers
    };
    template <class T> struct KindSides {
        // [0] the list, [1] the cut buffer; forward: built from before, backward: from after.
        std::array<Side<T>, 2> forward, backward;
    };

    void apply(ChannelDatabase& db, bool forward) const;
    template <class T> KindSides<T>& sides();
    template <class T> const KindSides<T>& sides() const {
        return const_cast<DatabaseChange*>(this)->sides<T>();
    }

    KindSides<SatelliteRecord> satellites_;
    KindSides<TransponderRecord> transponders_;
    KindSides<ServiceRecord> services_;
    KindSides<AntennaRecord> antennas_;
    std::array<bool, 4> changed_{}; // by RecordKind
    std::array<int32_t, 4> countersBefore_{}, countersAfter_{};
    std::array<bool, 4> originsBefore_{}, originsAfter_{};

    template <class T> friend struct ChangeBuilder;
};

} // namespace corvane
