// Every operation a user waits for, each timed beside a baseline in the same iteration (the
// floor the operation cannot beat: copying or reading its bytes, or a library doing the parse
// alone), at a quarter, a half and the full size of the channel data. The ratio to the baseline
// is a counter of each row; after the run a growth table compares each size with the one half
// its size, and the program fails when an operation grows by more than 2.5 times for twice the
// data, which a linear cost with noise stays well under and a quadratic one (4 times) does not.
// Times are the CPU time of the thread doing the work (see cpuSeconds).
//
// Usage: corvane_bench [--smoke] [Google Benchmark flags]
// --smoke runs every operation once at a small size, to show that each still works; it times
// nothing that could fail.

#include "generator.h"
#include "growth.h"

#include "formats/database_json.h"
#include "formats/factory_data.h"
#include "formats/satcodx.h"
#include "formats/satellites_xml.h"
#include "formats/text_reader.h"
#include "image/cdd_file.h"
#include "image/checksum.h"
#include "image/database_check.h"
#include "model/database_diff.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace corvane;

// The CPU time of this thread in seconds. The suite runs on machines shared with builds, where the
// wall clock mostly measures the other processes; every operation here runs on the calling thread.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "corvane_bench: %s\n", what.c_str());
    std::exit(2);
}

std::string readBytes(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f)
        fail("cannot open " + path);
    std::string out;
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0;)
        out.append(chunk, n);
    return out;
}

void writeBytes(const std::string& path, std::string_view bytes, bool durable) {
    const std::string temporary = path + ".new";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
        std::fflush(f) != 0 || (durable && ::fsync(::fileno(f)) != 0) || std::fclose(f) != 0 ||
        std::rename(temporary.c_str(), path.c_str()) != 0)
        fail("cannot write " + path);
}

std::string_view asText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Everything one size of the benchmarks works on, made once and kept for the run.
struct Inputs {
    std::filesystem::path folder;
    ChannelDatabase db;
    ChannelDatabase reordered; // every service moved: the hardest comparison
    ChannelDatabase oneBigSatellite;
    std::vector<uint8_t> cdd;
    std::string json;
    std::string xml;
    std::string cddPath, writePath, textPath, binPath, satcoDxPath;
    std::size_t textBytes = 0;
};

std::filesystem::path scratchFolder() {
    static const std::filesystem::path folder = [] {
        auto f = std::filesystem::temp_directory_path() /
                 ("corvane-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

const Inputs& inputs(int permille) {
    static std::map<int, std::unique_ptr<Inputs>> made;
    auto& slot = made[permille];
    if (slot)
        return *slot;
    const double fraction = permille / 1000.0;
    auto in = std::make_unique<Inputs>();
    const std::string stem = (scratchFolder() / std::to_string(permille)).string();
    in->db = bench::generateDatabase(fraction);
    in->reordered = in->db;
    std::vector<RecordList<ServiceRecord>::iterator> order;
    for (auto it = in->reordered.services.begin(); it != in->reordered.services.end(); ++it)
        order.push_back(it);
    for (const auto it : order)
        in->reordered.services.move(in->reordered.services.begin(), it);
    in->reordered.renumberServices();
    // All but every 1000th transponder on the first satellite: deleting it cascades through
    // nearly every transponder and service.
    in->oneBigSatellite = in->db;
    for (auto& t : in->oneBigSatellite.transponders)
        t.satelliteId = t.antennaId = t.id % 1000 == 999 ? 1 % in->db.satelliteCount : 0;
    const auto encoded = encodeCdd(in->db);
    if (!encoded.ok())
        fail("the generated database does not encode: " + encoded.detail);
    in->cdd = encoded.value;
    in->json = databaseToJsonText(in->db);
    in->xml = bench::generateSatellitesXml(fraction);
    in->cddPath = stem + ".cdd";
    in->writePath = stem + "-written.cdd";
    in->textPath = stem + ".txt";
    in->binPath = stem + ".bin";
    in->satcoDxPath = stem + ".sdx";
    const std::string text = bench::generateText(fraction);
    in->textBytes = text.size();
    writeBytes(in->cddPath, asText(in->cdd), false);
    writeBytes(in->textPath, text, false);
    writeBytes(in->binPath, asText(bench::generateBin(fraction)), false);
    writeBytes(in->satcoDxPath,
               bench::generateSatcoDx(static_cast<int32_t>(80000 * fraction + 0.5)), false);
    slot = std::move(in);
    return *slot;
}

// The fastest iteration of each operation and of its baseline at each size, for the growth table.
bench::Timings& operationTimes() {
    static bench::Timings times;
    return times;
}
bench::Timings& baselineTimes() {
    static bench::Timings times;
    return times;
}

volatile uint32_t sink = 0;

// One subject and its baseline. `prepare` runs untimed before each iteration (a copy the
// operation may change); the reported time is the operation's alone.
struct Pair {
    std::string name;
    std::function<void(const Inputs&)> prepare;
    std::function<void(const Inputs&)> baseline;
    std::function<void(const Inputs&)> operation;
};

// The ratio and the growth use the fastest iteration of each: on a shared machine the others
// carry the cache misses and interruptions that other processes cause.
void run(benchmark::State& state, const Pair& pair, int permille) {
    const Inputs& in = inputs(permille);
    double baseline = 1e9, operation = 1e9;
    for (auto _ : state) {
        if (pair.prepare)
            pair.prepare(in);
        const double t0 = cpuSeconds();
        pair.baseline(in);
        const double t1 = cpuSeconds();
        pair.operation(in);
        const double seconds = cpuSeconds() - t1;
        baseline = std::min(baseline, t1 - t0);
        operation = std::min(operation, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["best_ms"] = operation * 1e3;
    state.counters["baseline_ms"] = baseline * 1e3;
    state.counters["ratio"] = baseline > 0 ? operation / baseline : 0;
    operationTimes()[pair.name][permille] = operation;
    baselineTimes()[pair.name][permille] = baseline;
}

void copyAndCrc(const std::vector<uint8_t>& bytes) {
    const std::vector<uint8_t> copy = bytes;
    sink = sink ^ crc32(copy);
}

void need(bool ok, const char* what) {
    if (!ok)
        fail(what);
}

ChannelDatabase scratch; // the database an operation reads into or changes

std::vector<Pair> pairs() {
    const auto parseJson = [](const Inputs& in) {
        benchmark::DoNotOptimize(nlohmann::json::parse(in.json));
    };
    return {
        {"cdd_read_memory", nullptr, [](const Inputs& in) { copyAndCrc(in.cdd); },
         [](const Inputs& in) {
             ChannelDatabase db;
             need(readCddBytes(db, in.cdd).ok(), "cdd read from memory");
         }},
        {"cdd_read_file", nullptr,
         [](const Inputs& in) { sink = sink ^ crc32(readBytes(in.cddPath)); },
         [](const Inputs& in) {
             ChannelDatabase db;
             need(readCddFile(db, in.cddPath).ok(), "cdd read from disk");
         }},
        {"cdd_write_memory", nullptr, [](const Inputs& in) { copyAndCrc(in.cdd); },
         [](const Inputs& in) { need(encodeCdd(in.db).ok(), "cdd encode"); }},
        // The durable save: the baseline writes and syncs the same bytes by hand.
        {"cdd_write_file", nullptr,
         [](const Inputs& in) { writeBytes(in.writePath, asText(in.cdd), true); },
         [](const Inputs& in) { need(writeCddFile(in.db, in.writePath).ok(), "cdd write"); }},
        {"text_read_file", nullptr,
         [](const Inputs& in) { benchmark::DoNotOptimize(readBytes(in.textPath)); },
         [](const Inputs& in) {
             ChannelDatabase db;
             need(readTextFile(db, in.textPath).ok(), "text read");
         }},
        {"bin_convert", nullptr,
         [](const Inputs& in) { benchmark::DoNotOptimize(readBytes(in.binPath)); },
         [](const Inputs& in) {
             const std::string bytes = readBytes(in.binPath);
             ChannelDatabase db;
             need(convertFactoryBytes(
                      db, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()})
                      .ok(),
                  ".bin conversion");
         }},
        {"satcodx_import", nullptr,
         [](const Inputs& in) { benchmark::DoNotOptimize(readBytes(in.satcoDxPath)); },
         [](const Inputs& in) {
             ChannelDatabase db;
             need(importSatcoDx(db, in.satcoDxPath).ok(), "SatcoDX import");
         }},
        {"json_export", nullptr, parseJson,
         [](const Inputs& in) { benchmark::DoNotOptimize(databaseToJsonText(in.db)); }},
        {"json_import", nullptr, parseJson,
         [](const Inputs& in) {
             ChannelDatabase db;
             need(databaseFromJson(in.json, db).ok(), "JSON import");
         }},
        {"satellites_xml_import", nullptr,
         [](const Inputs& in) {
             pugi::xml_document doc;
             if (!doc.load_buffer(in.xml.data(), in.xml.size(), pugi::parse_default,
                                  pugi::encoding_utf8))
                 fail("pugixml");
             benchmark::DoNotOptimize(doc.first_child());
         },
         [](const Inputs& in) {
             ChannelDatabase db;
             need(importSatellitesXmlBytes(db, in.xml).ok(), "satellites.xml import");
         }},
        // Comparing two lists where every service has moved, beside copying both.
        {"diff", nullptr,
         [](const Inputs& in) {
             ChannelDatabase a = in.db, b = in.reordered;
             benchmark::DoNotOptimize(a);
             benchmark::DoNotOptimize(b);
         },
         [](const Inputs& in) { benchmark::DoNotOptimize(diffDatabases(in.db, in.reordered)); }},
        {"database_check", nullptr,
         [](const Inputs& in) {
             ChannelDatabase copy = in.db;
             benchmark::DoNotOptimize(copy);
         },
         [](const Inputs& in) {
             if (const auto findings = checkDatabase(in.db); !findings.empty())
                 fail("the generated database does not check clean: " + findings.front().message);
         }},
        // Deleting a satellite that carries nearly everything, beside copying the database.
        {"delete_big_satellite", [](const Inputs& in) { scratch = in.oneBigSatellite; },
         [](const Inputs& in) {
             ChannelDatabase copy = in.oneBigSatellite;
             benchmark::DoNotOptimize(copy);
         },
         [](const Inputs&) { scratch.deleteSatellite(scratch.satellites.find(0)); }},
    };
}

// Prints each operation's growth from one size to the next, beside its baseline's (which shows
// what the machine's caches and allocator add by themselves), and returns false when an operation
// grows by more than `limit` for twice the data.
bool checkGrowth(double limit) {
    const std::vector<bench::Growth> baselines = bench::growthOf(baselineTimes());
    std::printf("\n%-24s %-12s %10s %10s\n", "growth for twice the data", "sizes", "operation",
                "baseline");
    bool ok = true;
    for (const bench::Growth& g : bench::growthOf(operationTimes())) {
        double baseline = 0;
        for (const bench::Growth& b : baselines)
            if (b.operation == g.operation && b.from == g.from)
                baseline = b.factor;
        const bool within = g.factor <= limit;
        ok = ok && within;
        std::printf("%-24s %4d -> %-4d %9.2fx %9.2fx  %s\n", g.operation.c_str(), g.from, g.to,
                    g.factor, baseline, within ? "ok" : "GROWS FASTER THAN LINEARLY");
    }
    std::printf("limit: %.1fx\n", limit);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    // Keep freed memory in the process: otherwise glibc returns the large blocks to the kernel
    // after every round and the timings measure page faults rather than the work.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    bool smoke = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    const std::vector<int> sizes = smoke ? std::vector<int>{16} : std::vector<int>{250, 500, 1000};
    for (const Pair& pair : pairs()) {
        for (const int permille : sizes) {
            auto* b = benchmark::RegisterBenchmark(
                (pair.name + "/" + std::to_string(permille)).c_str(),
                [pair, permille](benchmark::State& state) { run(state, pair, permille); });
            b->UseManualTime()->Unit(benchmark::kMillisecond);
            if (smoke)
                b->Iterations(1);
            else
                b->MinTime(0.3);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratchFolder());
    if (smoke)
        return 0;
    return checkGrowth(2.5) ? 0 : 1;
}
