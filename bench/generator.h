#pragma once
// Channel data of the largest size the receiver's files hold (255 satellites and antennas, 65,535
// transponders and services), or a fraction of it, in every form the editor reads. Every
// benchmark takes its input from here, so that their figures describe the same data and a
// growth check can compare one size with another. The data is the same on every call.

#include "model/channel_database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::bench {

// How many of each record a fraction of the full size holds; never fewer than one satellite.
struct Sizes {
    int32_t satellites;
    int32_t transponders;
    int32_t services;
};
Sizes sizesAt(double fraction);

// A database that checks clean: universal LNBs, transponders spread over the band of their
// satellite, services with names, PIDs, favourites and locks as real lists have them.
ChannelDatabase generateDatabase(double fraction);

// The same channels as a text factory-data file ("\r\n" line ends).
std::string generateText(double fraction);

// A binary factory data file of the first layout, its tables filled to `fraction` of their room.
std::vector<uint8_t> generateBin(double fraction);

// `records` SatcoDX lines over 200 satellites, each transponder listed twice as real files do.
std::string generateSatcoDx(int32_t records);

// A satellites.xml list of the database's satellites and transponders.
std::string generateSatellitesXml(double fraction);

} // namespace corvane::bench
