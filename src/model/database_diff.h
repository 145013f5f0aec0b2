#pragma once
// What changed from one channel list to the next, as data: the tool prints it and scripts branch
// on it. Records are recognised by what they are rather than by their ids, which editing and
// re-importing renumber: a satellite by its position and name, a transponder by its satellite,
// frequency and polarity, a service by its transponder, service id and name, an antenna by its
// id. Order counts too, since the receiver shows its lists in list order.

#include "model/channel_database.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corvane {

enum class ChangeKind {
    Added,   // only in the new list
    Removed, // only in the old list
    Changed, // in both, with fields that differ
    Moved,   // in both, at a place the rest of the list does not explain
};

struct FieldChange {
    std::string_view field; // as the record declares it ("symbolRate"; "serviceCount")
    int32_t oldValue = 0;
    int32_t newValue = 0;
    friend bool operator==(const FieldChange&, const FieldChange&) = default;
};

// How a record is recognised in both lists. Names are raw bytes.
struct SatelliteIdentity {
    int32_t longitude = 0;
    std::string name;
    friend bool operator==(const SatelliteIdentity&, const SatelliteIdentity&) = default;
};
struct TransponderIdentity {
    // Empty when no satellite has the transponder's satelliteId; that id then stands for it.
    std::optional<SatelliteIdentity> satellite;
    int32_t satelliteId = 0;
    int32_t frequency = 0;
    int32_t polarity = 0;
    friend bool operator==(const TransponderIdentity&, const TransponderIdentity&) = default;
};
struct ServiceIdentity {
    // Empty when no transponder has the service's transponderId; that id then stands for it.
    std::optional<TransponderIdentity> transponder;
    int32_t transponderId = 0;
    int32_t serviceId = 0;
    std::string name;
    friend bool operator==(const ServiceIdentity&, const ServiceIdentity&) = default;
};
struct AntennaIdentity {
    int32_t id = 0;
    friend bool operator==(const AntennaIdentity&, const AntennaIdentity&) = default;
};
using RecordIdentity =
    std::variant<SatelliteIdentity, TransponderIdentity, ServiceIdentity, AntennaIdentity>;

struct RecordChange {
    ChangeKind change = ChangeKind::Changed;
    RecordKind record = RecordKind::Satellite;
    // The record's place in the old and in the new list, from 0; none where it is absent.
    // Services are placed in the order of their numbers (see diffDatabases).
    std::optional<std::size_t> oldPosition;
    std::optional<std::size_t> newPosition;
    // Its id (a service: its number) in each list, as the editor's rows name it.
    std::optional<int32_t> oldKey;
    std::optional<int32_t> newKey;
    RecordIdentity identity;
    std::vector<FieldChange> fields; // for Changed: each field that differs, in declared order
    friend bool operator==(const RecordChange&, const RecordChange&) = default;
};

struct DatabaseDiff {
    std::vector<FieldChange> counters; // the four counters that differ, in declared order
    // Antennas, satellites, transponders, then services (the order of the tool's JSON). Within a
    // kind, the removed records in old order, then the others in new order; a record both
    // changed and moved has its Changed entry first.
    // A deque, not a vector: a diff of large lists has millions of entries, and growing a
    // vector would hold the old and the new copy at once.
    std::deque<RecordChange> records;

    bool empty() const { return counters.empty() && records.empty(); }
};

// Records whose identities are equal in one list are paired in list order, first with first.
// A transponder's satellite and a service's transponder are compared through that pairing, so
// renumbering a satellite or a transponder reports it alone, not everything hanging on it; the
// satelliteId and transponderId fields are therefore never reported as changed.
// Services are taken in the order of their numbers, equal numbers in list order: the order the
// receiver shows. It is the list order after any service command, and the one order a .cdd file
// keeps (it stores services grouped by transponder). A service's number is reported only where
// it changed other than by its new place, so an insertion does not report every later service.
// Moves are the fewest that explain the new order: the paired records outside one longest run
// kept in the old order. O(n log n) in the list sizes.
DatabaseDiff diffDatabases(const ChannelDatabase& oldDb, const ChannelDatabase& newDb);

} // namespace corvane
