#include "image/checksum.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Bit-at-a-time forms straight from the polynomial definitions, to hold the table code against.
uint32_t bitwiseCrc32(std::span<const uint8_t> bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

uint32_t bitwiseMpeg2(std::span<const uint8_t> bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        crc ^= uint32_t{b} << 24;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

TEST(CrcPublishedValues, Crc32IsoHdlc) {
    EXPECT_EQ(crc32(std::string_view("123456789")), 0xCBF43926u);
    EXPECT_EQ(crc32(std::string_view("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
    EXPECT_EQ(crc32(std::string_view("")), 0u);
    EXPECT_EQ(crc32(std::span<const uint8_t>()), 0u);
    const std::vector<uint8_t> zero(1, 0);
    EXPECT_EQ(crc32(zero), 0xD202EF8Du);
}

TEST(CrcPublishedValues, Crc32Mpeg2) {
    EXPECT_EQ(crc32Mpeg2(std::string_view("123456789")), 0x0376E6E7u);
    EXPECT_EQ(crc32Mpeg2(std::string_view("")), 0xFFFFFFFFu);
    EXPECT_EQ(crc32Mpeg2(std::string_view("abc")), 0x9B73448Cu);
}

// The sliced loops take eight bytes at a time and finish byte by byte; every length and start
// offset around those boundaries must agree with the plain definitions.
TEST(CrcSlicing, AgreesWithBitwiseDefinitionAtEveryLengthAndAlignment) {
    std::mt19937 rng(1234);
    std::vector<uint8_t> data(300);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());
    for (std::size_t start = 0; start < 9; ++start)
        for (std::size_t length = 0; start + length <= 80; ++length) {
            const std::span<const uint8_t> part(data.data() + start, length);
            ASSERT_EQ(crc32(part), bitwiseCrc32(part)) << start << "+" << length;
            ASSERT_EQ(crc32Mpeg2(part), bitwiseMpeg2(part)) << start << "+" << length;
        }
    EXPECT_EQ(crc32(data), bitwiseCrc32(data));
    EXPECT_EQ(crc32Mpeg2(data), bitwiseMpeg2(data));
}

TEST(CrcSlicing, StringViewAndSpanAgree) {
    const std::string text("\x00\xFF\x80 binary", 10);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                         text.size());
    EXPECT_EQ(crc32(text), crc32(bytes));
    EXPECT_EQ(crc32Mpeg2(text), crc32Mpeg2(bytes));
}

} // namespace
} // namespace corvane
