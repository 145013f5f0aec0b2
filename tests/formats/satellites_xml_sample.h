#pragma once
// A transponder list the size of a real one (200 satellites, 3,400 transponders), written out as
// satellites.xml text together with the database it must import to. The expected values are
// worked out here from the numbers chosen, not by the importer's rules, and cover what real lists
// hold: east and west positions, C-band offsets, kHz and S/s values that round both ways, circular
// polarisations, DVB-S2 FEC codes, long and non-ASCII names, entities, and attributes and
// elements the import does not use.

#include "model/channel_database.h"

#include <cstdint>
#include <random>
#include <string>

namespace corvane::testing {

struct SatellitesXmlSample {
    std::string xml;
    ChannelDatabase expected;
};

inline SatellitesXmlSample realSizeSatellitesXml(int satellites = 200, int transponders = 3400) {
    SatellitesXmlSample out;
    std::mt19937 rng(20240615);
    auto pick = [&](uint32_t n) { return static_cast<int32_t>(rng() % n); };
    out.xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- generated -->\n"
              "<satellites>\n";
    // Every tenth satellite is empty; the others share the transponders, the first ones one more.
    const int filled = satellites - satellites / 10;
    int filledSoFar = 0;
    for (int s = 0; s < satellites; ++s) {
        int count = 0;
        if (s % 10 != 9)
            count = transponders / filled + (filledSoFar++ < transponders % filled ? 1 : 0);

        int32_t position = pick(3601) - 1800; // tenths, west negative
        if (s == 1)
            position = 1801; // C-band entry one tenth past 180.0 E
        if (s == 2)
            position = -1771;
        if (s == 3)
            position = -3600;
        if (s == 4)
            position = 3600;
        std::string name = "Sat " + std::to_string(s);
        std::string xmlName = name;
        if (s % 7 == 0) {
            name += " & Co \xC3\xBC"; // UTF-8 bytes stay as they are
            xmlName += " &amp; Co \xC3\xBC";
        }
        if (s % 11 == 0) {
            const std::string tail(70, static_cast<char>('a' + s % 26));
            name += tail;
            xmlName += tail;
        }
        out.xml += "\t<sat name=\"" + xmlName + "\" flags=\"" + std::to_string(s % 4) +
                   "\" position=\"" + std::to_string(position) + "\">\n";

        SatelliteRecord sat;
        sat.id = s;
        setName(sat.name, name);
        sat.longitude = position < 0 ? 3600 + position : position;
        out.expected.appendRecord(sat);
        AntennaRecord antenna;
        antenna.id = s;
        antenna.antennaKey = s + 1;
        antenna.lowFreq = 9750;
        antenna.highFreq = 10600;
        antenna.lnbPower = 1;
        antenna.tunerMask = 3;
        out.expected.appendRecord(antenna);

        int32_t mhz = (s % 2 == 0 ? 3400 : 10700) + pick(200);
        for (int k = 0; k < count; ++k) {
            mhz += 2 + pick(40); // apart by more than rounding, so no frequency repeats
            // Up to half a unit either side; exactly half rounds up.
            const int32_t khzOffset = k % 13 == 0 ? 500 : pick(999) - 499;
            const int32_t ksps = 1000 + pick(44000);
            const int32_t spsOffset = k % 17 == 0 ? 500 : pick(999) - 499;
            const int32_t polarization = pick(4);
            const int32_t fec = k % 5 == 0 ? 15 : pick(10);
            out.xml += "\t\t<transponder frequency=\"" + std::to_string(mhz * 1000 + khzOffset) +
                       "\" symbol_rate=\"" + std::to_string(ksps * 1000 + spsOffset) +
                       "\" polarization=\"" + std::to_string(polarization) + "\" fec_inner=\"" +
                       std::to_string(fec) + "\" system=\"" + std::to_string(k % 2) +
                       "\" modulation=\"" + std::to_string(1 + k % 2) + "\"";
            if (k % 9 == 0)
                out.xml += " is_id=\"3\" pls_code=\"262141\" pls_mode=\"1\"";
            out.xml += "/>\n";

            TransponderRecord t;
            t.id = static_cast<int32_t>(out.expected.transponders.size());
            t.satelliteId = s;
            t.antennaId = s;
            t.frequency = mhz + (khzOffset >= 500 ? 1 : 0);
            t.symbolRate = ksps + (spsOffset >= 500 ? 1 : 0);
            t.polarity = polarization == 1 || polarization == 3 ? 1 : 0;
            t.fec = fec >= 1 && fec <= 6 ? fec : 0;
            out.expected.appendRecord(t);
        }
        out.xml += "\t</sat>\n";
    }
    out.xml += "</satellites>\n";
    out.expected.satelliteCount = satellites;
    out.expected.antennaCount = satellites;
    out.expected.transponderCount = transponders;
    return out;
}

} // namespace corvane::testing
