#pragma once
// Records entered twice: transponders with the same satellite, frequency and polarity, and
// services with the same transponder and service id. The first in list order is kept; the
// services of a removed transponder move to the one kept, and are then compared on it. What would
// change is worked out first, so that the user sees it before anything is removed.

#include "model/channel_database.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

struct DuplicateTransponder {
    std::size_t position; // in the transponder list
    int32_t id;           // the transponder removed
    int32_t keptId;       // the first one with the same tuning, which takes its services
    std::size_t services; // how many services move to it
};

struct DuplicateService {
    std::size_t position; // in the service list
    int32_t number;       // the service removed
    int32_t keptNumber;   // the first one on the same transponder with the same service id
};

struct DuplicatePlan {
    std::vector<DuplicateTransponder> transponders; // in list order
    std::vector<DuplicateService> services;         // in list order
    bool empty() const { return transponders.empty() && services.empty(); }
};

// Linear in the size of the database. A service belongs to the first transponder of its id, as
// every lookup takes the first; a later transponder of a shared id has no services to move.
DuplicatePlan findDuplicates(const ChannelDatabase& db);

// Carries out `plan`, made by findDuplicates on this very database: moves the services, removes
// the doubles and renumbers the services from 0, as a delete does. Counters are left as they are.
void removeDuplicates(ChannelDatabase& db, const DuplicatePlan& plan);

} // namespace corvane
