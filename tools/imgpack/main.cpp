// imgpack: the image packer a Save runs in its start folder. It wraps the channel database that
// the Save left there into the default data block that the receiver image is built from.

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/file_reader.h"
#include "base/user_report.h"
#include "image/cdd_file.h"
#include "image/checksum.h"
#include "image/data_block.h"
#include "image/receiver_image.h"

#include <cstring>
#include <iostream>
#include <string>

namespace {

using namespace corvane;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kHelp =
    R"(Usage: imgpack [--help | --version]

Run in a folder, imgpack reads the channel database "RealDefData.cdd" there and writes
"default_data.bin" there: a data block with magic "DLDFDA" (type PROGRAMPARAM, tags "CDD",
"RealDefData", "001" and "imgpack", both checksums set) whose payload is the .cdd file byte for
byte. The Save of the Corvane editor and of corvane-tool runs it after writing that file, and builds
the receiver image (.rs232) from its output.

The input must be a whole .cdd file: its header that of a .cdd file and its checksum right, and a
regular file, not a link or a pipe. When it is missing or not valid, imgpack says why on standard
error, writes nothing and exits with 1. default_data.bin is replaced only once it is completely
written and read back; a link of that name is replaced itself, never written through.

Exit status: 0 written; 1 the input is missing or invalid, or the output cannot be written;
2 usage error (imgpack takes no arguments).
)";

// Why `bytes` is not a .cdd file the receiver can take; empty when it is one.
std::string cddProblem(const std::string& bytes) {
    ChannelDatabase scratch;
    const Status<CddRead> read = readCddBytes(scratch, asBytes(bytes));
    if (read.code == CddRead::Ok)
        return {};
    if (read.code == CddRead::BadHeader)
        return "not a .cdd file (its header is not that of one)";
    const auto data = asBytes(bytes);
    const uint64_t size = uint64_t{loadBe32(data.data() + 5)} + 13;
    if (data.size() < size)
        return "shorter than its header says (" + std::to_string(data.size()) + " of " +
               std::to_string(size) + " bytes)";
    char numbers[96];
    std::snprintf(numbers, sizeof numbers,
                  "checksum does not match (stored 0x%08X, computed 0x%08X)",
                  loadBe32(data.data() + size - 4), crc32(data.first(size - 4)));
    return numbers;
}

int pack() {
    const std::string input(kPackerInput);
    // Both names are fixed in a folder others may write: a link or a pipe planted under one is
    // not a way into another file.
    const auto read = readWholeFile(input, kMaxFileBytes, FileOrigin::Own);
    if (!read.ok()) {
        std::cerr << input << ": " << read.cause << '\n';
        return kFailed;
    }
    if (const std::string problem = cddProblem(read.value); !problem.empty()) {
        std::cerr << input << ": " << problem << '\n';
        return kFailed;
    }
    DataBlock block(false);
    if (const auto set =
            block.setHeader("CDD", "RealDefData", "", "", "001", "PROGRAMPARAM", "imgpack");
        !set.ok()) {
        std::cerr << userReport(set).lines();
        return kFailed;
    }
    block.payload = read.value;
    // Tags that setHeader took always fit their slots.
    const auto encoded = block.encodeBlock(BlockMagic::DefaultData);
    WriteOptions verified;
    verified.verify = true;
    verified.followLinks = false;
    const Status<> written =
        writeFileAtomically(std::string(kPackerOutput), asBytes(encoded.value), verified);
    if (!written.ok()) {
        std::cerr << written.detail << '\n';
        return kFailed;
    }
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kHelp;
        std::cout.flush();
        return std::cout ? kOk : kFailed;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "imgpack " << CORVANE_VERSION << '\n';
        std::cout.flush();
        return std::cout ? kOk : kFailed;
    }
    if (argc > 1) {
        std::cerr << "imgpack takes no arguments; it works in the current folder.\n"
                     "Run 'imgpack --help' for more.\n";
        return kUsage;
    }
    return pack();
}
