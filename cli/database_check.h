#pragma once
// What would make the receiver's data wrong although every reader accepts it: references to
// nothing, ids used twice, values the .cdd file cannot hold or silently cuts, services the .cdd
// writer drops, and transponders entered twice. A finding is one line naming its record.

#include "model/channel_database.h"

#include <string>
#include <vector>

namespace corvane::cli {

// The findings about `db`, counters first, then antennas, satellites, transponders and services,
// each kind in list order. Empty when nothing is wrong. Linear in the size of the database.
std::vector<std::string> checkDatabase(const ChannelDatabase& db);

} // namespace corvane::cli
