#pragma once
// The typed, checksummed data block of the receiver image: an 82-byte header of text tags, a type
// code, the payload length and two CRC-32/MPEG-2 checksums, then the payload. Argument errors are
// raised as std::invalid_argument, file errors as BlockFileError; decoding never throws.

#include "base/file_system.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace corvane {

inline constexpr std::size_t kBlockHeaderSize = 82;
// Texts the receiver tools print for failures; kept exactly as they stand.
inline constexpr std::string_view kBlockLengthError = "error argument length";
inline constexpr std::string_view kBlockTypeError = "error argument DataType";
inline constexpr std::string_view kBlockFileErrorText = "出错：无法打开输入文件";

// A block file could not be opened, created or written. what() is kBlockFileErrorText, the text
// users know; file() and cause() say which file and why, for the line under it.
class BlockFileError : public std::runtime_error {
public:
    BlockFileError() : std::runtime_error(std::string(kBlockFileErrorText)) {}
    BlockFileError(std::string file, std::string cause)
        : std::runtime_error(std::string(kBlockFileErrorText)), file_(std::move(file)),
          cause_(std::move(cause)) {}

    const std::string& file() const { return file_; }
    const std::string& cause() const { return cause_; }

private:
    std::string file_;
    std::string cause_;
};

// The two magics: "KYINFO" starts the receiver image, "DLDFDA" the packer's default data block,
// which is also the only one decodeBlock accepts.
enum class BlockMagic { Image, DefaultData };

// Type names by code; a name is matched exactly, case and length included.
extern const std::array<std::string_view, 16> dataTypeNames;

class DataBlock {
public:
    // `invert` chooses, for the life of the block, whether tagD is stored complemented.
    explicit DataBlock(bool invert = false) : invertTagD_(invert) {}

    std::string tagA;     // at most 6 bytes
    std::string tagB;     // at most 15
    std::string tagC;     // at most 11
    std::string tagD;     // at most 11
    std::string tagE;     // at most 3
    uint8_t dataType = 0; // index into dataTypeNames; 255 after an unknown type name
    std::string tagF;     // at most 7
    std::string payload;  // any bytes

    bool invertTagD() const { return invertTagD_; }

    // Sets the six tags and the type code. Throws std::invalid_argument "error argument length"
    // (nothing changed) when a tag is too long, or "error argument DataType" when the type name is
    // unknown; in that case tagA..tagE are already stored, dataType is 255 and tagF is unchanged.
    void setHeader(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                   std::string_view e, std::string_view typeName, std::string_view f);

    // The complete block with magic "KYINFO". Throws std::invalid_argument "error argument length"
    // when a tag set directly is longer than its slot, as the header would otherwise shift.
    std::string encodeBlock() const { return encodeBlock(BlockMagic::Image); }
    // The same block under either magic.
    std::string encodeBlock(BlockMagic magic) const;

    // Reads one "DLDFDA" block: the header, then every remaining byte of the stream as payload.
    // Returns false on a wrong magic, short header or header checksum mismatch and then leaves the
    // block unchanged; on a payload checksum mismatch tagA..tagE and dataType are already taken
    // from the header and only payload is left as it was. tagF is not taken from the header.
    bool decodeBlock(std::istream& in);
    bool decodeBlock(std::span<const uint8_t> bytes);

    // Sets payload to the whole file, then decodes it; on false payload still holds the file.
    // Throws BlockFileError when the file cannot be opened (block unchanged).
    bool loadDefaultBlock(const std::string& path);

    // Replaces the file at `path` with encodeBlock() durably (writeFileAtomically, through `fs`).
    // Throws BlockFileError when it cannot be written (the old file is left as it was).
    void saveBlock(const std::string& path, FileSystem& fs = systemFileSystem()) const;

private:
    // Takes the tags and type of a sound "DLDFDA" header; gives the payload checksum it states.
    std::optional<uint32_t> takeHeader(std::span<const uint8_t, kBlockHeaderSize> header);

    bool invertTagD_;
};

// What the header of a block of any magic says, for tools that report on block files.
struct BlockHeaderInfo {
    std::string magic;
    std::string tagA, tagB, tagC, tagD, tagE, tagF;
    bool tagDInverted = false; // the slot ends in 0xFF, which only the complemented form writes
    uint8_t dataType = 0;
    std::string_view dataTypeName; // empty for a code without a name
    uint32_t storedPayloadLength = 0;
    std::size_t actualPayloadLength = 0; // bytes after the header
    uint32_t storedHeaderChecksum = 0;
    uint32_t computedHeaderChecksum = 0;
    uint32_t storedPayloadChecksum = 0;
    uint32_t computedPayloadChecksum = 0;

    bool headerChecksumMatches() const { return storedHeaderChecksum == computedHeaderChecksum; }
    bool payloadChecksumMatches() const { return storedPayloadChecksum == computedPayloadChecksum; }
    bool payloadLengthMatches() const { return storedPayloadLength == actualPayloadLength; }
};

// Decodes the header of `bytes`; nullopt when fewer than kBlockHeaderSize bytes are given.
std::optional<BlockHeaderInfo> inspectBlock(std::span<const uint8_t> bytes);

} // namespace corvane
