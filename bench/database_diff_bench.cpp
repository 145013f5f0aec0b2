// Comparing two channel lists of up to the largest size the .cdd file holds (255 satellites,
// 65,535 transponders and services), beside a baseline of copying both: the comparison must grow
// with the lists as the copies do (items per second, one item a service), also when every record
// has moved.

#include "model/database_diff.h"

#include <benchmark/benchmark.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace corvane;

ChannelDatabase fullSize(int32_t records) {
    ChannelDatabase db;
    for (int32_t s = 0; s < 255; ++s) {
        SatelliteRecord sat{s, {}, s * 14};
        setName(sat.name, "Satellite " + std::to_string(s));
        db.appendRecord(sat);
        db.addDefaultAntenna();
    }
    for (int32_t t = 0; t < records; ++t) {
        db.appendRecord(TransponderRecord{t, t % 255, 10700 + t / 255, 27500, t % 2, 3, t % 255});
        ServiceRecord v{t, t, {}, 100, 101, 100, t, 0, 0, 0};
        setName(v.name, "Programme " + std::to_string(t));
        db.appendRecord(v);
    }
    db.satelliteCount = 255;
    db.transponderCount = records;
    db.serviceCount = records;
    return db;
}

enum Edit { Nothing, OneServiceMoved, ServicesReversed };

void diffPair(benchmark::State& state, Edit edit) {
    const auto records = static_cast<int32_t>(state.range(0));
    const ChannelDatabase before = fullSize(records);
    ChannelDatabase after = before;
    if (edit == OneServiceMoved)
        after.services.move(after.services.begin(), std::prev(after.services.end()));
    if (edit == ServicesReversed) {
        std::vector<RecordList<ServiceRecord>::iterator> order;
        for (auto it = after.services.begin(); it != after.services.end(); ++it)
            order.push_back(it);
        for (const auto it : order)
            after.services.move(after.services.begin(), it);
    }
    after.renumberServices();
    std::size_t changes = 0;
    for (auto _ : state) {
        const DatabaseDiff diff = diffDatabases(before, after);
        changes = diff.records.size();
        benchmark::DoNotOptimize(diff);
    }
    state.counters["changes"] = static_cast<double>(changes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void baselineCopy(benchmark::State& state) {
    const ChannelDatabase before = fullSize(static_cast<int32_t>(state.range(0)));
    const ChannelDatabase after = before;
    for (auto _ : state) {
        ChannelDatabase a = before, b = after;
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void sizes(benchmark::internal::Benchmark* b) {
    b->RangeMultiplier(4)->Range(4096, 65535);
}

BENCHMARK(baselineCopy)->Apply(sizes);
BENCHMARK_CAPTURE(diffPair, same, Nothing)->Apply(sizes);
BENCHMARK_CAPTURE(diffPair, oneMoved, OneServiceMoved)->Apply(sizes);
BENCHMARK_CAPTURE(diffPair, reversed, ServicesReversed)->Apply(sizes);

} // namespace

BENCHMARK_MAIN();
