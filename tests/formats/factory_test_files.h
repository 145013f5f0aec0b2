#pragma once
// Hand-built factory data files for the conversion tests. Offsets and values are written out
// literally so the tests do not lean on the converter's own notion of the layout.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::testing {

class BinImage {
public:
    // A file of `size` zero bytes that starts with the signature.
    explicit BinImage(std::size_t size) : bytes_(size, 0) { text(0, "morvalen"); }

    BinImage& u8(std::size_t at, uint8_t v) {
        bytes_.at(at) = v;
        return *this;
    }
    BinImage& u16(std::size_t at, uint16_t v) {
        bytes_.at(at) = static_cast<uint8_t>(v & 0xFF);
        bytes_.at(at + 1) = static_cast<uint8_t>(v >> 8);
        return *this;
    }
    BinImage& u32(std::size_t at, uint32_t v) {
        u16(at, static_cast<uint16_t>(v & 0xFFFF));
        return u16(at + 2, static_cast<uint16_t>(v >> 16));
    }
    BinImage& text(std::size_t at, std::string_view s) {
        for (std::size_t i = 0; i < s.size(); ++i)
            bytes_.at(at + i) = static_cast<uint8_t>(s[i]);
        return *this;
    }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Layout A: two satellites, four transponders (the last one on a satellite that does not exist)
// and three programs (the last one on a transponder past the table). No antenna configuration.
inline std::vector<uint8_t> layoutAFile() {
    BinImage f(0x2A20 + 3 * 28);
    f.u8(10, 0).u32(12, 2).u32(16, 4).u32(20, 3).u32(24, 0xFFFFFFFF);
    // satellite 0: universal, port b, 22 kHz on, 0/12 V absent, 14 V
    f.u16(0x20, 9750).u16(0x22, 10600).u16(0x24, 192).u32(0x28, 0x137).text(0x2C, "ASTRA 1");
    // satellite 1: normal, 30.0 west, 12 V, 18 V, a name that fills its whole field
    f.u16(0x38, 5150).u16(0x3A, 5750).u16(0x3C, 0x8000 | 300).u32(0x40, 0x3C0);
    f.text(0x44, "HISPASAT 30W");
    // transponders: frequency, symbol rate, flags, satellite index
    f.u16(0xA20, 11778).u16(0xA22, 27500).u16(0xA24, 0x31).u8(0xA26, 0);
    f.u16(0xA28, 12000).u16(0xA2A, 22000).u16(0xA2C, 0x6E).u8(0xA2E, 1);
    f.u16(0xA30, 12345).u16(0xA32, 6111).u16(0xA34, 0x71).u8(0xA36, 0);
    f.u16(0xA38, 10000).u16(0xA3A, 1000).u16(0xA3C, 0x00).u8(0xA3E, 5);
    // program 0: television on transponder 2, scrambled and locked
    f.u16(0x2A20, 2048).u16(0x2A22, 256).u16(0x2A24, 257).u16(0x2A26, 256).u16(0x2A28, 2);
    f.u16(0x2A2A, 288).u16(0x2A2C, 0x5).text(0x2A2E, "Das Erste");
    // program 1: radio on transponder 1, favourite, a name that fills its whole field
    f.u16(0x2A3C, 4660).u16(0x2A3E, 0).u16(0x2A40, 512).u16(0x2A42, 512).u16(0x2A44, 0x8001);
    f.u16(0x2A46, 0).u16(0x2A48, 0x2).text(0x2A4A, "RADIO NUMBER 1");
    // program 2: transponder index 0x7FFF, far beyond the table
    f.u16(0x2A58, 0).u16(0x2A60, 0x7FFF).text(0x2A66, "Lost");
    return f.bytes();
}

// Layout B: three antennas, antenna configuration 3, two satellites, three transponders and two
// programs (the second names satellite 0 but a transponder of satellite 1).
inline std::vector<uint8_t> layoutBFile() {
    BinImage f(0x4400 + 2 * 32);
    f.u8(10, 2).u8(11, 3).u32(12, 2).u32(16, 3).u32(20, 2).u32(24, 3);
    // antennas: LNB low, high, flags, type byte
    f.u16(0x4000, 9750).u16(0x4002, 10600).u16(0x4004, 0xCCF).u8(0x4008, 0x04);
    f.u16(0x400C, 5150).u16(0x400E, 5750).u16(0x4010, 0x000).u8(0x4014, 0x0B);
    f.u16(0x4018, 9750).u16(0x401A, 10600).u16(0x401C, 0x006).u8(0x4020, 0x0C);
    // satellite 0: universal, DiSEqC 1.2, offset number 90; satellite 1: 0.8 west, number 0
    f.u16(0x20, 9750).u16(0x22, 10600).u16(0x24, 130).u16(0x28, 0x5A05).text(0x2A, "HOTBIRD");
    f.u16(0x34, 9750).u16(0x36, 10600).u16(0x38, 0x8008).u16(0x3C, 0).text(0x3E, "THORINTELS");
    // transponders: frequency, symbol rate, flags, satellite index (12-byte records)
    f.u16(0xA20, 10719).u16(0xA22, 27500).u16(0xA24, 0x43).u8(0xA26, 1);
    f.u16(0xA2C, 11034).u16(0xA2E, 27500).u16(0xA30, 0x20).u8(0xA32, 0);
    f.u16(0xA38, 11200).u16(0xA3A, 30000).u16(0xA3C, 0x11).u8(0xA3E, 1);
    // program 0: transponder 2, satellite 1, antenna 1, all three flags
    f.u16(0x4400, 100).u16(0x4402, 8191).u16(0x4404, 8190).u16(0x4406, 8191).u16(0x4408, 2);
    f.u16(0x440C, 0x7).text(0x440E, "Sport").u8(0x441C, 1).u8(0x441D, 1);
    // program 1: radio, transponder 2 but satellite 0, antenna 0
    f.u16(0x4420, 65535).u16(0x4428, 0x8002).text(0x442E, "Radio").u8(0x443C, 0).u8(0x443D, 0);
    return f.bytes();
}

} // namespace corvane::testing
