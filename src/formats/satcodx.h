#pragma once
// Import of SatcoDX channel lists (".sdx"): the satellites, their antennas and their transponders;
// no services. Replaces the whole database (cut buffers kept). Any byte sequence is accepted:
// records that are too short or not "SATCODX1" records are skipped.

#include "base/status.h"
#include "model/channel_database.h"

#include <string>
#include <string_view>

namespace corvane {

// Reads the file at `path`. Fails only when it cannot be read, and then leaves `db` unchanged.
Status<> importSatcoDx(ChannelDatabase& db, const std::string& path);
// Parses the whole file's bytes `bytes` into `db`, replacing its records. Never fails.
void importSatcoDxBytes(ChannelDatabase& db, std::string_view bytes);

} // namespace corvane
