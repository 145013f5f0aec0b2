#include "image/checksum.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(CrcPublishedValues, BothChecksums) {
    EXPECT_EQ(crc32(std::string_view("123456789")), 0xCBF43926u);
    EXPECT_EQ(crc32(std::string_view("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
    EXPECT_EQ(crc32(std::string_view("")), 0u);
    EXPECT_EQ(crc32Mpeg2(std::string_view("123456789")), 0x0376E6E7u);
    EXPECT_EQ(crc32Mpeg2(std::string_view("abc")), 0x9B73448Cu);
    EXPECT_EQ(crc32Mpeg2(std::string_view("")), 0xFFFFFFFFu);
}

// Bit-at-a-time forms straight from the polynomials, to hold the sliced loops against at every
// length and alignment around their eight-byte steps.
TEST(CrcSlicing, AgreesWithTheBitwiseDefinitions) {
    const auto bitwise = [](std::span<const uint8_t> bytes, bool reflected) {
        uint32_t crc = 0xFFFFFFFFu;
        for (uint8_t b : bytes) {
            crc ^= reflected ? b : uint32_t{b} << 24;
            for (int i = 0; i < 8; ++i)
                crc = reflected ? ((crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1)
                                : ((crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1);
        }
        return reflected ? ~crc : crc;
    };
    std::mt19937 rng(1234);
    std::vector<uint8_t> data(100);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());
    for (std::size_t start = 0; start < 9; ++start)
        for (std::size_t length = 0; start + length <= data.size(); ++length) {
            const std::span<const uint8_t> part(data.data() + start, length);
            ASSERT_EQ(crc32(part), bitwise(part, true)) << start << "+" << length;
            ASSERT_EQ(crc32Mpeg2(part), bitwise(part, false)) << start << "+" << length;
        }
}

} // namespace
} // namespace corvane
