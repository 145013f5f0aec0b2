// Times the .cdd writer and reader and the checksums on a database as large as the file can hold:
// 255 antennas and satellites, 65,535 transponders, 65,535 services (a file of about 3 MB).
// Usage: cdd_bench [folder for the scratch file] [repetitions]

#include "image/cdd_file.h"
#include "image/checksum.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace corvane;

namespace {

ChannelDatabase maximumDatabase() {
    ChannelDatabase db;
    for (int i = 0; i < 255; ++i) {
        db.addDefaultAntenna();
        SatelliteRecord s;
        s.id = i;
        setName(s.name, "Satellite " + std::to_string(i));
        s.longitude = i * 10;
        db.satellites.append(s);
    }
    db.satelliteCount = 255;
    for (int i = 0; i < 65535; ++i) {
        TransponderRecord t;
        t.id = i;
        t.satelliteId = i % 255;
        t.antennaId = t.satelliteId;
        t.frequency = 10700 + i % 2000;
        t.symbolRate = 27500;
        t.polarity = i & 1;
        t.fec = i % 7;
        db.transponders.append(t);
        ServiceRecord v;
        v.transponderId = (i * 7919) % 65535;
        v.number = i;
        setName(v.name, "Service " + std::to_string(i));
        v.videoPid = 100 + i % 8000;
        v.audioPid = 101 + i % 8000;
        v.pcrPid = 100 + i % 8000;
        v.serviceId = i;
        db.services.append(v);
    }
    db.transponderCount = 65535;
    db.serviceCount = 65535;
    return db;
}

// Best and median of `runs` timings in milliseconds.
void time(const char* what, int runs, const std::function<void()>& fn) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        fn();
        const auto stop = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s best %8.3f ms   median %8.3f ms\n", what, ms.front(), ms[ms.size() / 2]);
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const std::string path = (folder / "corvane_cdd_bench.cdd").string();

    const ChannelDatabase db = maximumDatabase();
    const auto encoded = encodeCdd(db);
    if (!encoded.ok()) {
        std::fprintf(stderr, "%s\n", encoded.detail.c_str());
        return 1;
    }
    std::printf("file size: %zu bytes\n", encoded.value.size());

    volatile uint32_t sink = 0;
    time("crc32", runs, [&] { sink = sink ^ crc32(encoded.value); });
    time("crc32Mpeg2", runs, [&] { sink = sink ^ crc32Mpeg2(encoded.value); });
    time("encodeCdd (memory)", runs, [&] { sink = sink ^ encodeCdd(db).value.back(); });
    time("writeCddFile", runs, [&] {
        if (!writeCddFile(db, path).ok())
            std::abort();
    });
    time("readCddBytes (memory)", runs, [&] {
        ChannelDatabase back;
        if (!readCddBytes(back, encoded.value).ok())
            std::abort();
    });
    time("readCddFile", runs, [&] {
        ChannelDatabase back;
        if (!readCddFile(back, path).ok())
            std::abort();
    });
    std::filesystem::remove(path);
    return 0;
}
