// The SatcoDX import from memory.
#include "base/bytes.h"
#include "formats/satcodx.h"
#include "roundtrip.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    corvane::ChannelDatabase db;
    corvane::importSatcoDxBytes(db, corvane::asChars({data, size}));
    corvane::fuzz::checkCddRoundTrip(db);
    return 0;
}
