#pragma once
// The typed, checksummed data block of the receiver image: an 82-byte header of text tags, a type
// code, the payload length and two CRC-32/MPEG-2 checksums, then the payload. Nothing here throws:
// argument and file errors come back as a Status that carries the receiver tools' own texts.

#include "base/file_system.h"
#include "base/status.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr std::size_t kBlockHeaderSize = 82;
// Texts the receiver tools print for failures; kept exactly as they stand.
inline constexpr std::string_view kBlockLengthError = "error argument length";
inline constexpr std::string_view kBlockTypeError = "error argument DataType";
inline constexpr std::string_view kBlockFileErrorText = "出错：无法打开输入文件";

// The cause of a "DLDFDA" file that loadDefaultBlock cannot decode.
inline constexpr std::string_view kNotADefaultBlock =
    "not a valid DLDFDA data block (magic or checksum wrong)";

// How an operation on a block ended. The two argument errors tell the user their text alone
// (as message and cause); a file error tells kBlockFileErrorText, then "file: the system's reason".
enum class BlockOutcome {
    Ok,
    TagTooLong,  // kBlockLengthError
    UnknownType, // kBlockTypeError
    NotABlock,   // the file is not a sound "DLDFDA" block: no message, as the caller may go on
    FileError,   // kBlockFileErrorText: the file could not be opened, created or written
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

    // Sets the six tags and the type code. TagTooLong when a tag is too long (nothing changed);
    // UnknownType when the type name is unknown, and then tagA..tagE are already stored, dataType
    // is 255 and tagF is unchanged, as the receiver tools leave a block.
    Status<BlockOutcome> setHeader(std::string_view a, std::string_view b, std::string_view c,
                                   std::string_view d, std::string_view e,
                                   std::string_view typeName, std::string_view f);

    // The complete block with magic "KYINFO". TagTooLong when a tag set directly is longer than
    // its slot, as the header would otherwise shift.
    Result<std::string, BlockOutcome> encodeBlock() const { return encodeBlock(BlockMagic::Image); }
    // The same block under either magic.
    Result<std::string, BlockOutcome> encodeBlock(BlockMagic magic) const;

    // Reads one "DLDFDA" block: the header, then every remaining byte of the stream as payload.
    // Returns false on a wrong magic, short header or header checksum mismatch and then leaves the
    // block unchanged; on a payload checksum mismatch tagA..tagE and dataType are already taken
    // from the header and only payload is left as it was. tagF is not taken from the header.
    bool decodeBlock(std::istream& in);
    bool decodeBlock(std::span<const uint8_t> bytes);

    // Sets payload to the whole file, then decodes it: Ok when it decodes; NotABlock when not, and
    // payload then holds the whole file; FileError when the file cannot be read (block unchanged).
    Status<BlockOutcome> loadDefaultBlock(const std::string& path);

    // Replaces the file at `path` with encodeBlock() durably (writeFileAtomically, through `fs`).
    // FileError when it cannot be written (the old file is left as it was).
    Status<BlockOutcome> saveBlock(const std::string& path,
                                   FileSystem& fs = systemFileSystem()) const;

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
