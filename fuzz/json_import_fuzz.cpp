// The command-line tool's JSON import. An accepted document must be written and read back to the
// same database, and must survive the .cdd round trip like any other reader's result.
#include "base/bytes.h"
#include "formats/database_json.h"
#include "roundtrip.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text = corvane::asChars({data, size});
    corvane::ChannelDatabase db;
    corvane::SatelliteRecord marker;
    marker.id = 77;
    db.appendRecord(marker);
    const corvane::ChannelDatabase before = db;
    const corvane::Status<> imported = corvane::databaseFromJson(text, db);
    if (!imported.ok()) {
        if (!(db == before))
            corvane::fuzz::fail("a refused document changed the database");
        if (imported.cause.empty())
            corvane::fuzz::fail("a refused document gave no reason");
        return 0;
    }
    const std::string written = corvane::databaseToJsonText(db);
    corvane::ChannelDatabase again;
    if (!corvane::databaseFromJson(written, again).ok())
        corvane::fuzz::fail("the import refused what the export wrote");
    if (!(again == db))
        corvane::fuzz::fail("export and import changed the database");
    corvane::fuzz::checkCddRoundTrip(db);
    return 0;
}
