#include "image/checksum.h"

#include "base/bytes.h"

#include <array>

namespace corvane {
namespace {

// Eight tables let the loop fold eight input bytes per step ("slicing-by-8"); a maximum-size .cdd
// file of about 3 MB is then checked in well under the time a byte-at-a-time loop needs.
using SliceTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr SliceTables makeReflectedTables() {
    SliceTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFFu];
    return t;
}

constexpr SliceTables makeForwardTables() {
    SliceTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
        t[0][i] = c;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
    return t;
}

constexpr SliceTables kReflected = makeReflectedTables();
constexpr SliceTables kForward = makeForwardTables();

uint32_t updateReflected(uint32_t crc, const uint8_t* p, std::size_t n) {
    const auto& t = kReflected;
    while (n >= 8) {
        const uint32_t one = loadLe32(p) ^ crc;
        const uint32_t two = loadLe32(p + 4);
        crc = t[7][one & 0xFF] ^ t[6][(one >> 8) & 0xFF] ^ t[5][(one >> 16) & 0xFF] ^
              t[4][one >> 24] ^ t[3][two & 0xFF] ^ t[2][(two >> 8) & 0xFF] ^
              t[1][(two >> 16) & 0xFF] ^ t[0][two >> 24];
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
    return crc;
}

uint32_t updateForward(uint32_t crc, const uint8_t* p, std::size_t n) {
    const auto& t = kForward;
    while (n >= 8) {
        const uint32_t one = loadBe32(p) ^ crc;
        const uint32_t two = loadBe32(p + 4);
        crc = t[7][one >> 24] ^ t[6][(one >> 16) & 0xFF] ^ t[5][(one >> 8) & 0xFF] ^
              t[4][one & 0xFF] ^ t[3][two >> 24] ^ t[2][(two >> 16) & 0xFF] ^
              t[1][(two >> 8) & 0xFF] ^ t[0][two & 0xFF];
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        crc = (crc << 8) ^ t[0][(crc >> 24) ^ *p++];
    return crc;
}

} // namespace

uint32_t crc32(std::span<const uint8_t> bytes) {
    return ~updateReflected(0xFFFFFFFFu, bytes.data(), bytes.size());
}

uint32_t crc32(std::string_view bytes) {
    return crc32(asBytes(bytes));
}

uint32_t crc32Mpeg2(std::span<const uint8_t> bytes) {
    return updateForward(0xFFFFFFFFu, bytes.data(), bytes.size());
}

uint32_t crc32Mpeg2(std::string_view bytes) {
    return crc32Mpeg2(asBytes(bytes));
}

} // namespace corvane
