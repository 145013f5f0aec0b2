// Times reading the largest text factory-data file the binary database can hold: 255 satellites,
// 65,535 transponders and 65,535 services. Usage: text_bench [runs]
#include "formats/text_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::string text;
    char line[200];
    for (int s = 0; s < 255; ++s) {
        std::snprintf(line, sizeof line,
                      "  s       \"SAT %03d\"       9750      10600     universal %-10.1feast      "
                      "a         n         n         n\r\n",
                      s, s / 2.0);
        text += line;
        const int count = s < 254 ? 257 : 65535 - 254 * 257;
        for (int k = 0; k < count; ++k) {
            std::snprintf(line, sizeof line, "      t   %-16d%-10d%-10s%-10s%-10s%-10s%s\r\n",
                          10700 + k, 27500, "hor", "0", "14", "0", "3/4");
            text += line;
        }
    }
    for (int v = 0; v < 65535; ++v) {
        const int s = v % 255;
        std::snprintf(line, sizeof line,
                      "%-10s%-16s%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%-10d%d\r\n", "v",
                      "\"Programme\"", 1, s + 1, 1 + v % 257, v, 100, 101, 102, 0, 0, 1, 0);
        text += line;
    }
    const auto path = std::filesystem::temp_directory_path() / "corvane-text-bench.txt";
    std::ofstream(path, std::ios::binary) << text;

    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        corvane::ChannelDatabase db;
        const auto start = std::chrono::steady_clock::now();
        (void)corvane::readTextFile(db, path.string());
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (db.services.size() != 65535 || db.transponders.size() != 65535)
            return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("readTextFile, %zu bytes: best %.1f ms, median %.1f ms over %d runs\n", text.size(),
                ms.front(), ms[ms.size() / 2], runs);
    std::filesystem::remove(path);
    return 0;
}
