// The satellites.xml import from memory: a refused list must leave the database untouched and say
// where and why; an accepted one must keep the cut buffers, stay within the binary database's
// limits and survive being written and read again.
#include "formats/satellites_xml.h"
#include "roundtrip.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    corvane::ChannelDatabase db;
    corvane::SatelliteRecord marker;
    marker.id = 77;
    db.appendRecord(marker);
    db.satelliteClipboard.append(marker);
    db.satelliteCount = 78;
    const corvane::ChannelDatabase before = db;
    const corvane::SatellitesXmlResult result = corvane::importSatellitesXmlBytes(
        db, std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xml");
    if (!result.ok()) {
        if (!(db == before))
            corvane::fuzz::fail("a refused list changed the database");
        if (result.cause.empty() || result.line < 1)
            corvane::fuzz::fail("a refused list gave no line or no cause");
        return 0;
    }
    if (!(db.satelliteClipboard == before.satelliteClipboard))
        corvane::fuzz::fail("an import touched the cut buffer");
    if (!db.services.empty() || db.antennas.size() != db.satellites.size())
        corvane::fuzz::fail("an import made services or lost a satellite's antenna");
    for (const corvane::SatelliteRecord& s : db.satellites)
        if (s.longitude < 0 || s.longitude > 3600)
            corvane::fuzz::fail("an import kept a longitude outside 0 to 3600");
    if (!corvane::encodeCdd(db).ok())
        corvane::fuzz::fail("the binary database cannot hold an accepted list");
    corvane::fuzz::checkCddRoundTrip(db);
    return 0;
}
