#pragma once
// The database order that a drop of dragged rows gives, without any widget: a list control
// reports each moved row as (key, from, to), and these functions move the records the way the
// rows moved, one report after the other, each on the order the previous one left.

#include "model/channel_database.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvane {

// One moved row: `key` is the row's column-0 number, the copy went in at row `to` and the row
// at `from` (counted after that insertion) was removed.
struct DropMove {
    int32_t key, from, to;
};

// Each dragged record is linked after the record at position `to` of the whole list. Returns
// whether the order changed.
bool applyDrop(RecordList<SatelliteRecord>& list, std::span<const DropMove> moves);
bool applyDrop(RecordList<AntennaRecord>& list, std::span<const DropMove> moves);
// Positions are counted among the transponders of the dragged one's own satellite; the others
// keep their places.
bool applyDrop(RecordList<TransponderRecord>& list, std::span<const DropMove> moves);

// The drop of rows of the list of all services, followed by the numbering of every service by
// its new place. Kept from drop to drop, since its index of the list is as large as the list.
class ServiceDrop {
public:
    // What the service list shows once the control has moved the rows: `rows[i]` is the record
    // of row i, and `allServices` whether it is the unfiltered list.
    struct Rows {
        std::span<const ServiceRecord* const> rows;
        bool allServices;
    };
    struct Result {
        bool changed = false;
        // The last move that found its service; none when no service moved.
        std::optional<DropMove> lastMoved;
        // Whether `rows` show every service in its new order, so that a refill would not change
        // them.
        bool rowsInNewOrder = false;
    };

    // `shown` is the row order the drop left (the row that stands at i came from shown[i]).
    Result apply(RecordList<ServiceRecord>& services, std::span<const DropMove> moves,
                 std::span<const int32_t> shown, const Rows& before);

private:
    std::vector<RecordList<ServiceRecord>::iterator> order_;
};

} // namespace corvane
