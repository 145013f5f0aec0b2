#include "model/drop_order.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

namespace {

bool leavesRowInPlace(const DropMove& m) {
    return std::abs(static_cast<int64_t>(m.from) - m.to) <= 1;
}

// Moves order[i] (and its record) so that it follows order[anchor], or comes first for anchor
// -1, which links it before `first`. Returns whether the list order changed.
template <class Record>
bool relinkAfter(RecordList<Record>& list,
                 std::vector<typename RecordList<Record>::iterator>& order, std::ptrdiff_t i,
                 std::ptrdiff_t anchor, typename RecordList<Record>::iterator first) {
    const auto dragged = order[static_cast<std::size_t>(i)];
    const auto pos = anchor < 0 ? first : std::next(order[static_cast<std::size_t>(anchor)]);
    const bool changed = pos != dragged && pos != std::next(dragged);
    list.move(pos, dragged);
    const auto at = [&](std::ptrdiff_t k) { return order.begin() + k; };
    if (i < anchor)
        std::rotate(at(i), at(i + 1), at(anchor + 1));
    else
        std::rotate(at(anchor + 1), at(i), at(i + 1));
    return changed;
}

template <class Record>
void listOrder(RecordList<Record>& list,
               std::vector<typename RecordList<Record>::iterator>& order) {
    order.clear();
    order.reserve(list.size());
    for (auto it = list.begin(); it != list.end(); ++it)
        order.push_back(it);
}

// The moves of one drop as the handlers that link the dragged record after the record at
// position `to` of the whole list would make them, one after the other, on `order`, an index of
// the list order built once per drop and kept in step. `find` gives the index in `order` of the
// record a move drags, or -1. The anchor is counted before the dragged record is unlinked; a
// record that would be its own anchor stays where it is (linked after itself it would drop out
// of the list).
template <class Record, class Find>
bool replayAnchoredMoves(RecordList<Record>& list,
                         std::vector<typename RecordList<Record>::iterator>& order,
                         std::span<const DropMove> moves, Find find) {
    const auto size = static_cast<std::ptrdiff_t>(order.size());
    bool changed = false;
    for (const DropMove& m : moves) {
        if (leavesRowInPlace(m))
            continue;
        const std::ptrdiff_t i = find(order, m);
        if (i < 0)
            continue;
        const std::ptrdiff_t anchor = std::min<std::ptrdiff_t>(m.to, size) - 1;
        if (anchor != i)
            changed |= relinkAfter(list, order, i, anchor, list.begin());
    }
    return changed;
}

template <class Record>
bool applyIdDrop(RecordList<Record>& list, std::span<const DropMove> moves) {
    using Iterator = typename RecordList<Record>::iterator;
    std::vector<Iterator> order;
    listOrder(list, order);
    return replayAnchoredMoves(list, order, moves,
                               [](const std::vector<Iterator>& o, const DropMove& m) {
                                   for (std::size_t i = 0; i < o.size(); ++i)
                                       if (o[i]->id == m.key)
                                           return static_cast<std::ptrdiff_t>(i);
                                   return std::ptrdiff_t{-1};
                               });
}

// A service row shows number + 1, worked out in 64 bits and wrapped as the list does.
int32_t serviceRowKey(const ServiceRecord& s) {
    return static_cast<int32_t>(static_cast<int64_t>(s.number) + 1);
}

} // namespace

bool applyDrop(RecordList<SatelliteRecord>& list, std::span<const DropMove> moves) {
    return applyIdDrop(list, moves);
}

bool applyDrop(RecordList<AntennaRecord>& list, std::span<const DropMove> moves) {
    return applyIdDrop(list, moves);
}

// Transponders are counted within the dragged one's satellite, so each satellite's transponders
// get their own index; the first match by id is looked up among the dragged keys only, with a
// walk of the list only for an id that several transponders share.
bool applyDrop(RecordList<TransponderRecord>& list, std::span<const DropMove> moves) {
    using Iterator = RecordList<TransponderRecord>::iterator;
    std::unordered_set<int32_t> keys;
    for (const DropMove& m : moves)
        keys.insert(m.key);
    std::unordered_map<int32_t, std::vector<Iterator>> bySatellite;
    std::unordered_map<int32_t, std::vector<Iterator>> byId;
    for (auto it = list.begin(); it != list.end(); ++it) {
        bySatellite[it->satelliteId].push_back(it);
        if (keys.count(it->id) != 0)
            byId[it->id].push_back(it);
    }
    bool changed = false;
    for (const DropMove& m : moves) {
        if (leavesRowInPlace(m))
            continue;
        const auto found = byId.find(m.key);
        if (found == byId.end())
            continue;
        const Iterator dragged =
            found->second.size() == 1 ? found->second.front() : list.find(m.key);
        std::vector<Iterator>& order = bySatellite[dragged->satelliteId];
        const auto i = std::find(order.begin(), order.end(), dragged) - order.begin();
        const std::ptrdiff_t anchor =
            std::min<std::ptrdiff_t>(m.to, static_cast<std::ptrdiff_t>(order.size())) - 1;
        if (anchor != i)
            changed |= relinkAfter(list, order, i, anchor, order.front());
    }
    return changed;
}

ServiceDrop::Result ServiceDrop::apply(RecordList<ServiceRecord>& services,
                                       std::span<const DropMove> moves,
                                       std::span<const int32_t> shown, const Rows& now) {
    using Iterator = RecordList<ServiceRecord>::iterator;
    Result result;
    std::vector<Iterator>& order = order_;
    listOrder(services, order);
    const auto rowOf = [](const DropMove& m) { return m.from > m.to ? m.from - 1 : m.from; };
    const auto findByKey = [&](const DropMove& m) -> std::ptrdiff_t {
        for (std::size_t i = 0; i < order.size(); ++i)
            if (serviceRowKey(*order[i]) == m.key)
                return static_cast<std::ptrdiff_t>(i);
        return -1;
    };
    const auto firstMoving = std::find_if(moves.begin(), moves.end(),
                                          [](const DropMove& m) { return !leavesRowInPlace(m); });
    if (firstMoving == moves.end())
        return result;
    // Whether the rows, which the drop put in the order `shown`, showed the services in `order`
    // before it.
    const auto rowsShowedListOrder = [&] {
        if (shown.size() != order.size() || now.rows.size() != order.size())
            return false;
        for (std::size_t row = 0; row < shown.size(); ++row)
            if (now.rows[row] != &*order[static_cast<std::size_t>(shown[row])])
                return false;
        return true;
    };
    // Moving a record along the index costs the distance it moves; past a few walks' worth the
    // services rather take the rows' new order in one walk, when that is the same.
    std::size_t distance = 0;
    for (const DropMove& m : moves)
        if (!leavesRowInPlace(m))
            distance += static_cast<std::size_t>(std::abs(int64_t{rowOf(m)} - m.to));
    if (distance > 4 * order.size() && rowsShowedListOrder() &&
        findByKey(*firstMoving) == rowOf(*firstMoving)) {
        // The list showed the database order and its first moved row is the service found by its
        // "No.": every move then does to the services what it did to the rows.
        std::vector<Iterator> moved;
        moved.reserve(order.size());
        for (const int32_t row : shown) {
            moved.push_back(order[static_cast<std::size_t>(row)]);
            result.changed |= moved.back() != order[moved.size() - 1];
        }
        for (const Iterator& it : moved)
            services.move(services.end(), it);
        order.swap(moved);
        for (const DropMove& m : moves)
            if (!leavesRowInPlace(m))
                result.lastMoved = m;
    } else {
        // Each row found is followed by a renumbering and a refill of the list, so after the
        // first one a row's "No." is its place in the list as the previous moves left it.
        result.changed = replayAnchoredMoves(
            services, order, moves,
            [&](const std::vector<Iterator>& o, const DropMove& m) -> std::ptrdiff_t {
                const int32_t row = rowOf(m);
                const std::ptrdiff_t found = !result.lastMoved ? findByKey(m)
                                             : row >= 0 && static_cast<std::size_t>(row) < o.size()
                                                 ? row
                                                 : -1;
                if (found >= 0)
                    result.lastMoved = m;
                return found;
            });
    }
    if (!result.lastMoved)
        return result;
    // Numbers 0 to n - 1 in the new order, over the index instead of another walk of the list.
    result.rowsInNewOrder = now.allServices && now.rows.size() == order.size();
    int32_t number = 0;
    for (const Iterator& it : order) {
        result.changed |= it->number != number;
        result.rowsInNewOrder =
            result.rowsInNewOrder && now.rows[static_cast<std::size_t>(number)] == &*it;
        it->number = number++;
    }
    return result;
}

} // namespace corvane
