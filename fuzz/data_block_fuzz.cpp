// The data block decoder and header inspection. A decoded block is encoded again and decoded once
// more (with the magic the decoder expects), and must give back the same tags, type and payload.
// Inputs are also tried with both checksums made right, so mutations get past them.
#include "image/checksum.h"
#include "image/data_block.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

void putBe32(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v >> 24);
    at[1] = static_cast<uint8_t>(v >> 16);
    at[2] = static_cast<uint8_t>(v >> 8);
    at[3] = static_cast<uint8_t>(v);
}

// Makes the header say "DLDFDA" (when asked) and carry the right checksums.
void repair(std::vector<uint8_t>& bytes, bool setMagic) {
    if (bytes.size() < corvane::kBlockHeaderSize)
        return;
    if (setMagic) {
        std::memset(bytes.data(), 0, 10);
        std::memcpy(bytes.data(), "DLDFDA", 6);
    }
    const std::span<const uint8_t> payload(bytes.data() + corvane::kBlockHeaderSize,
                                           bytes.size() - corvane::kBlockHeaderSize);
    putBe32(bytes.data() + 66, corvane::crc32Mpeg2(payload));
    putBe32(bytes.data() + 78, corvane::crc32Mpeg2(std::span<const uint8_t>(bytes.data(), 78)));
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "data block mismatch: %s\n", what);
    std::abort();
}

void decodeAndCheck(std::span<const uint8_t> bytes, bool invert) {
    (void)corvane::inspectBlock(bytes);
    corvane::DataBlock block(invert);
    block.payload = "untouched";
    if (!block.decodeBlock(bytes)) {
        if (block.payload != "untouched")
            fail("a failed decode changed the payload");
        return;
    }
    const auto result = block.encodeBlock();
    if (!result.ok()) {
        // A decoded tag filled its slot completely: refusing to shift the header is right.
        if (result.code != corvane::BlockOutcome::TagTooLong)
            fail("encoding failed for another reason than a full slot");
        return;
    }
    const std::string& encoded = result.value;
    if (encoded.size() != corvane::kBlockHeaderSize + block.payload.size())
        fail("encoded size");
    std::vector<uint8_t> again(encoded.begin(), encoded.end());
    repair(again, true);
    corvane::DataBlock second(invert);
    if (!second.decodeBlock(again))
        fail("a re-encoded block does not decode");
    if (second.tagA != block.tagA || second.tagB != block.tagB || second.tagC != block.tagC ||
        second.tagD != block.tagD || second.tagE != block.tagE ||
        second.dataType != block.dataType || second.payload != block.payload)
        fail("a re-encoded block decodes to other fields");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> raw(data, size);
    std::vector<uint8_t> fixed(data, data + size);
    repair(fixed, false);
    for (bool invert : {false, true}) {
        decodeAndCheck(raw, invert);
        decodeAndCheck(fixed, invert);
    }
    return 0;
}
