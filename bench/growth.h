#pragma once
// How each benchmarked operation grows from one size of the data to twice that size.

#include <map>
#include <string>
#include <vector>

namespace corvane::bench {

// Seconds of each operation, or of its baseline, at each size (in thousandths of the full size).
using Timings = std::map<std::string, std::map<int, double>>;

struct Growth {
    std::string operation;
    int from = 0, to = 0; // sizes, `to` twice `from`
    double factor = 0;    // the time at `to` over the time at `from`
};

// Every doubling of the sizes each operation was timed at, in name and size order. A size without
// its double, or a time that is not positive, gives no row.
inline std::vector<Growth> growthOf(const Timings& times) {
    std::vector<Growth> out;
    for (const auto& [name, bySize] : times)
        for (const auto& [from, seconds] : bySize) {
            const auto twice = bySize.find(2 * from);
            if (twice != bySize.end() && seconds > 0 && twice->second > 0)
                out.push_back({name, from, twice->first, twice->second / seconds});
        }
    return out;
}

} // namespace corvane::bench
