#include "generator.h"

#include "formats/satellites_xml_sample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace corvane::bench {
namespace {

constexpr std::array<const char*, 12> kNetworks = {"Nord",   "Sud",   "Alpha", "Kanal",
                                                   "Studio", "Eins",  "Plus",  "Metro",
                                                   "Delta",  "Vista", "Polar", "Terra"};
constexpr std::array<const char*, 8> kGenres = {"News",  "Sport", "Kids", "Movies",
                                                "Music", "Docs",  "Shop", "Radio"};
constexpr std::array<int32_t, 5> kSymbolRates = {22000, 27500, 29900, 30000, 6111};

template <class T, std::size_t N> T pick(const std::array<T, N>& from, int32_t i) {
    return from[static_cast<std::size_t>(i) % N];
}

int32_t scaled(int32_t full, double fraction) {
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(full * fraction)));
}

// Transponders lie in blocks of 257 per satellite, the last satellite taking the rest, so every
// satellite carries some and the full size uses exactly 65,535.
int32_t satelliteOf(int32_t transponder, const Sizes& n) {
    return std::min(transponder / 257, n.satellites - 1);
}

std::string serviceName(int32_t i) {
    return std::string(pick(kNetworks, i)) + ' ' + pick(kGenres, i / 12) + ' ' +
           std::to_string(i / 96 + 1);
}

// A position of the orbit: east of 0 up to 180, then west, in tenths of a degree.
int32_t longitudeOf(int32_t satellite) {
    return (satellite * 137) % 3600;
}

} // namespace

Sizes sizesAt(double fraction) {
    const Sizes n{scaled(255, fraction), scaled(65535, fraction), scaled(65535, fraction)};
    return {std::min(n.satellites, (n.transponders + 256) / 257), n.transponders, n.services};
}

ChannelDatabase generateDatabase(double fraction) {
    const Sizes n = sizesAt(fraction);
    ChannelDatabase db;
    for (int32_t s = 0; s < n.satellites; ++s) {
        db.addDefaultAntenna().centerFreq = 11700;
        SatelliteRecord sat{s, {}, longitudeOf(s)};
        const int32_t l = sat.longitude;
        setName(sat.name, "Orbit " + std::to_string(l <= 1800 ? l / 10 : (3600 - l) / 10) +
                              (l <= 1800 ? "E" : "W"));
        db.appendRecord(sat);
    }
    for (int32_t t = 0; t < n.transponders; ++t) {
        const int32_t k = t - 257 * satelliteOf(t, n); // its place on the satellite
        db.appendRecord(TransponderRecord{t, satelliteOf(t, n), 10700 + k / 2 * 7,
                                          pick(kSymbolRates, t), k & 1, 1 + t % 6,
                                          satelliteOf(t, n)});
    }
    for (int32_t v = 0; v < n.services; ++v) {
        ServiceRecord s;
        // Numbered as lists are sorted: by satellite and transponder, shuffled within blocks
        // of 64 as channels added later land among them.
        const int32_t shuffled = (v & ~63) + ((v * 37) & 63);
        s.transponderId = shuffled < n.transponders ? shuffled : v;
        s.number = v;
        setName(s.name, serviceName(v));
        const bool radio = v % 4 == 3;
        s.videoPid = radio ? 0 : 256 + v % 7000;
        s.audioPid = 257 + v % 7000;
        s.pcrPid = radio ? s.audioPid : s.videoPid;
        s.serviceId = 1 + v % 65000;
        s.caMode = v % 5 == 0;
        s.favorites = v % 9 == 0 ? 1 << (v % 8) : 0;
        s.lock = v % 50 == 0;
        db.appendRecord(s);
    }
    db.satelliteCount = n.satellites;
    db.transponderCount = n.transponders;
    db.serviceCount = n.services;
    return db;
}

std::string generateText(double fraction) {
    const Sizes n = sizesAt(fraction);
    std::string text;
    text.reserve(static_cast<std::size_t>(n.transponders + n.services) * 150);
    char line[240];
    const auto onSatellite = [&](int32_t s) {
        return s < n.satellites - 1 ? 257 : n.transponders - 257 * (n.satellites - 1);
    };
    for (int32_t s = 0; s < n.satellites; ++s) {
        const int32_t l = longitudeOf(s);
        std::snprintf(line, sizeof line,
                      "  s       \"Orbit %03d\"     9750      10600     universal %-10.1f%-10sa"
                      "         n         n         n\r\n",
                      s, (l <= 1800 ? l : 3600 - l) / 10.0, l <= 1800 ? "east" : "west");
        text += line;
        for (int32_t k = 0; k < onSatellite(s); ++k) {
            std::snprintf(line, sizeof line, "      t   %-16d%-10d%-10s%-10s%-10s%-10s%s\r\n",
                          10700 + k / 2 * 7, pick(kSymbolRates, k), k & 1 ? "ver" : "hor", "0",
                          "14", "0", "3/4");
            text += line;
        }
    }
    for (int32_t v = 0; v < n.services; ++v) {
        const int32_t s = v % n.satellites;
        const std::string name = '"' + serviceName(v) + '"';
        std::snprintf(
            line, sizeof line, "%-10s%-24s%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%d\r\n",
            v % 4 == 3 ? "r" : "v", name.c_str(), 1, s + 1, 1 + v % onSatellite(s), v,
            v % 4 == 3 ? 0 : 256 + v % 7000, 257 + v % 7000, 256 + v % 7000, 0, v % 5 == 0, 1, 0);
        text += line;
    }
    return text;
}

std::vector<uint8_t> generateBin(double fraction) {
    // Layout A: 106 satellites of 24 bytes from 0x20, 1,024 transponders of 8 bytes from 0xA20,
    // 1,955 programs of 28 bytes from 0x2A20, in a 64 KB image.
    std::vector<uint8_t> f(0x10000, 0);
    const auto u16 = [&](std::size_t at, uint32_t v) {
        f[at] = static_cast<uint8_t>(v & 0xFF);
        f[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    };
    const auto u32 = [&](std::size_t at, uint32_t v) {
        u16(at, v & 0xFFFF);
        u16(at + 2, v >> 16);
    };
    const auto text = [&](std::size_t at, const std::string& s, std::size_t room) {
        std::copy_n(s.begin(), std::min(s.size(), room), f.begin() + static_cast<long>(at));
    };
    const auto satellites = static_cast<uint32_t>(scaled(106, fraction));
    const auto transponders = static_cast<uint32_t>(scaled(1024, fraction));
    const auto programs = static_cast<uint32_t>(scaled(1955, fraction));
    text(0, "morvalen", 8);
    u32(12, satellites);
    u32(16, transponders);
    u32(20, programs);
    u32(24, 0xFFFFFFFF);
    for (uint32_t s = 0; s < satellites; ++s) {
        const std::size_t at = 0x20 + 24 * s;
        u16(at, 9750);
        u16(at + 2, 10600);
        u16(at + 4, s % 2 ? 0x8000 | (s * 7) : s * 17);
        u32(at + 8, 0x137);
        text(at + 12, "ORBIT " + std::to_string(s), 12);
    }
    for (uint32_t t = 0; t < transponders; ++t) {
        const std::size_t at = 0xA20 + 8 * t;
        u16(at, 10700 + (t % 290) * 7);
        u16(at + 2, static_cast<uint32_t>(pick(kSymbolRates, static_cast<int32_t>(t))));
        u16(at + 4, 0x31 + (t & 1));
        f[at + 6] = static_cast<uint8_t>(t % satellites);
    }
    for (uint32_t p = 0; p < programs; ++p) {
        const std::size_t at = 0x2A20 + 28 * p;
        const bool radio = p % 4 == 3;
        u16(at, 1 + p);
        u16(at + 2, radio ? 0 : 256 + p);
        u16(at + 4, 257 + p);
        u16(at + 6, 256 + p);
        u16(at + 8, (radio ? 0x8000 : 0) | (p % transponders));
        u16(at + 12, p % 3);
        text(at + 14, serviceName(static_cast<int32_t>(p)), 14);
    }
    return f;
}

std::string generateSatcoDx(int32_t records) {
    // Columns: type 0-7, name 10-27, frequency 33-41, polarisation 42, position 51-54, symbol
    // rate 69-73, FEC 74; 127 characters and a line end.
    std::string out;
    out.reserve(static_cast<std::size_t>(records) * 128);
    char number[16];
    for (int32_t i = 0; i < records; ++i) {
        const int32_t t = i / 2; // every transponder twice, for two of its channels
        std::string r(127, ' ');
        r.replace(0, 8, "SATCODX1");
        r.replace(8, 2, "03");
        r.replace(10, 18, serviceName(i).substr(0, 18));
        r.replace(28, 5, "TVDVB");
        std::snprintf(number, sizeof number, "%06d000", 10700 + (t / 200) % 2000);
        r.replace(33, 9, number);
        r[42] = t % 2 ? '0' : '1';
        std::snprintf(number, sizeof number, "%04d", t % 200);
        r.replace(51, 4, number);
        r.replace(69, 5, std::to_string(pick(kSymbolRates, t % 4)));
        r[74] = static_cast<char>('1' + t % 6);
        out += r;
        out += '\n';
    }
    return out;
}

std::string generateSatellitesXml(double fraction) {
    const Sizes n = sizesAt(fraction);
    return testing::realSizeSatellitesXml(n.satellites, n.transponders).xml;
}

} // namespace corvane::bench
