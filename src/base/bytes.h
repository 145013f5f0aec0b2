#pragma once
// Bytes in memory: views of text as bytes and back, and the fixed-width numbers the file formats
// store. Numbers are assembled byte by byte, so no alignment or aliasing is assumed and any
// buffer position is safe to read as long as the bytes are there.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace corvane {

inline std::span<const uint8_t> asBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
inline std::string_view asChars(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

inline uint32_t loadBe16(const uint8_t* p) {
    return uint32_t{p[0]} << 8 | uint32_t{p[1]};
}
inline uint32_t loadBe24(const uint8_t* p) {
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | uint32_t{p[2]};
}
inline uint32_t loadBe32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}
inline uint32_t loadLe32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void storeBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

} // namespace corvane
