// The satellites.xml import from memory beside its floor: parsing the same bytes with pugixml
// alone, with the options the import uses. A real-size list (200 satellites, 3,400 transponders)
// and the largest the binary database holds (255 satellites, 65,535 transponders).
#include "formats/satellites_xml.h"
#include "formats/satellites_xml_sample.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <malloc.h>
#include <string>

namespace {

const std::string& sampleXml(int satellites, int transponders) {
    static const std::string real = corvane::testing::realSizeSatellitesXml(200, 3400).xml;
    static const std::string largest = corvane::testing::realSizeSatellitesXml(255, 65535).xml;
    return satellites == 200 && transponders == 3400 ? real : largest;
}

void parseWithPugixmlAlone(benchmark::State& state) {
    const std::string& xml =
        sampleXml(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        pugi::xml_document doc;
        const pugi::xml_parse_result r =
            doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!r)
            std::abort();
        benchmark::DoNotOptimize(doc.first_child());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(xml.size()));
}

void importSatellitesXml(benchmark::State& state) {
    const std::string& xml =
        sampleXml(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        corvane::ChannelDatabase db;
        if (!corvane::importSatellitesXmlBytes(db, xml).ok() ||
            db.transponderCount != state.range(1))
            std::abort();
        benchmark::DoNotOptimize(db.transponders.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(xml.size()));
}

BENCHMARK(parseWithPugixmlAlone)
    ->Args({200, 3400})
    ->Args({255, 65535})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(importSatellitesXml)
    ->Args({200, 3400})
    ->Args({255, 65535})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Keep freed memory in the process: otherwise glibc hands the parser's large blocks back to
    // the kernel after every round and both timings measure page faults, the baseline far more
    // than the import, whose records happen to pin the heap.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
