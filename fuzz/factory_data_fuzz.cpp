// The factory data conversion from memory (formatting the text and reading it back).
#include "formats/factory_data.h"
#include "roundtrip.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    corvane::ChannelDatabase db;
    corvane::SatelliteRecord marker;
    marker.id = 77;
    db.appendRecord(marker);
    const corvane::ChannelDatabase before = db;
    const corvane::Status<> converted =
        corvane::convertFactoryBytes(db, std::span<const uint8_t>(data, size));
    if (!converted.ok()) {
        if (!(db == before))
            corvane::fuzz::fail("a failed conversion changed the database");
        if (converted.messages.empty())
            corvane::fuzz::fail("a failed conversion gave no message");
        return 0;
    }
    corvane::fuzz::checkCddRoundTrip(db);
    return 0;
}
