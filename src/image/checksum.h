#pragma once
// The two 32-bit checksums of the receiver formats. Pure functions of their input: they never fail,
// never throw and keep no state, so they may be called from any thread.

#include <cstdint>
#include <span>
#include <string_view>

namespace corvane {

// CRC-32/ISO-HDLC (zlib, PKZIP): reflected polynomial 0xEDB88320, preset and final complement.
// "123456789" gives 0xCBF43926; an empty input gives 0. Protects the .cdd file.
uint32_t crc32(std::span<const uint8_t> bytes);
uint32_t crc32(std::string_view bytes);

// CRC-32/MPEG-2: polynomial 0x04C11DB7 fed most significant bit first, preset 0xFFFFFFFF, no final
// complement. "123456789" gives 0x0376E6E7; an empty input gives 0xFFFFFFFF. Protects data blocks.
uint32_t crc32Mpeg2(std::span<const uint8_t> bytes);
uint32_t crc32Mpeg2(std::string_view bytes);

} // namespace corvane
