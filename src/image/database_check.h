#pragma once
// What would make the receiver's data wrong although every reader accepts it: references to
// nothing, ids used twice, values the .cdd file cannot hold or silently cuts, services the .cdd
// writer drops, transponders entered twice, and transponders the receiver's tuner cannot reach
// through their antenna. The editor's check before Save and the command-line tool's check are
// this one function.

#include "model/channel_database.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

enum class FindingKind {
    DoesNotFit,         // a counter or field outside what the .cdd file keeps
    DuplicateKey,       // an earlier record of the kind has the same id (a service: number)
    MissingSatellite,   // a transponder's satellite does not exist
    MissingAntenna,     // a transponder's antenna does not exist
    MissingTransponder, // a service's transponder does not exist
    DuplicateTuning,    // the satellite already has a transponder on this frequency and polarity
    DuplicateService,   // a service with the same service id on the same transponder comes first
    TooManyServices,    // more services on one transponder than the .cdd file holds
    NameCut,            // a name longer than the .cdd file keeps
    NotAPid,            // a PID outside 0 to 8191
    NoPids,             // all three PIDs 0: the .cdd writer leaves the service out
    NotReceivable,      // the antenna's LNB cannot bring the frequency into the tuner's range
};

struct Finding {
    FindingKind kind;
    RecordKind record;                   // the record's kind; for a counter, the kind it counts
    std::optional<std::size_t> position; // the record's place in its list; none for a counter
    std::string field;   // the field concerned ("tunerMask", "name", "antennaCount"); empty when
                         // it is about the whole record
    std::string message; // one line naming the record; names in it are their bytes with control
                         // bytes and backslashes escaped (printableName)
};

// Takes each finding as it is found, so that a caller printing them holds none: a list with a
// finding on every line would otherwise keep many times its own size in messages.
using FindingSink = std::function<void(Finding&&)>;

// Hands each finding about `db` to `sink` in the order below.
void checkDatabase(const ChannelDatabase& db, const FindingSink& sink);

// The findings about `db`, counters first, then antennas, satellites, transponders and services,
// each kind in list order. Empty when nothing is wrong. Linear in the size of the database.
std::vector<Finding> checkDatabase(const ChannelDatabase& db);

} // namespace corvane
