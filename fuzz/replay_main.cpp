// Runs a fuzz target's checks over files instead of under libFuzzer, so the ordinary test suite
// (and its sanitizer build) replays every seed and every input that once caught a fault.
// Usage: replay_NAME FILE_OR_FOLDER...
#include "base/bytes.h"
#include "base/file_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

int replay(const std::filesystem::path& file) {
    const auto bytes = corvane::readWholeFile(file.string());
    if (!bytes.ok()) {
        std::fprintf(stderr, "%s\n", bytes.detail.c_str());
        std::exit(1);
    }
    const std::span<const uint8_t> data = corvane::asBytes(bytes.value);
    LLVMFuzzerTestOneInput(data.data(), data.size());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(arg))
                if (entry.is_regular_file())
                    count += replay(entry.path());
        } else if (std::filesystem::exists(arg)) {
            count += replay(arg);
        }
    }
    std::printf("replayed %d inputs\n", count);
    // A moved or misspelt corpus folder must not pass as a replay of nothing.
    return count > 0 ? 0 : 1;
}
