// The JSON import on one object with many distinct keys, beside a baseline of the library parsing
// the same bytes: the import's duplicate-key check must grow with the keys as the parse does,
// not with their square.

#include "formats/database_json.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <string>

namespace {

std::string objectWithKeys(int64_t count) {
    std::string text = "{";
    for (int64_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ',';
        text += "\"k" + std::to_string(i) + "\":0";
    }
    return text + "}";
}

void importObject(benchmark::State& state) {
    const std::string text = objectWithKeys(state.range(0));
    for (auto _ : state) {
        corvane::ChannelDatabase db;
        benchmark::DoNotOptimize(corvane::databaseFromJson(text, db));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void baselineParseObject(benchmark::State& state) {
    const std::string text = objectWithKeys(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(nlohmann::json::parse(text));
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// 51,200 keys make an object of about 650 KB.
BENCHMARK(baselineParseObject)->RangeMultiplier(4)->Range(800, 51200)->Complexity();
BENCHMARK(importObject)->RangeMultiplier(4)->Range(800, 51200)->Complexity();

} // namespace

BENCHMARK_MAIN();
