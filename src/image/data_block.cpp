#include "image/data_block.h"

#include "base/atomic_file.h"
#include "base/bytes.h"
#include "base/file_reader.h"
#include "image/checksum.h"

#include <algorithm>
#include <istream>
#include <iterator>
#include <utility>

namespace corvane {

const std::array<std::string_view, 16> dataTypeNames = {
    "Extend", "LOADER", "APP", "DEBUGER",    "FONT",     "PROGRAMPARAM", "BOOTER", "SYSCONFIG",
    "IFRAME", "GUIRC",  "CA",  "SYSSETTING", "SYSINFOR", "EMAIL",        "SN",     "VELTRA CA",
};

namespace {

constexpr std::string_view kWriteMagic = "KYINFO";
constexpr std::string_view kReadMagic = "DLDFDA";

// Slot offsets and widths of the header.
constexpr std::size_t kMagicAt = 0, kMagicWidth = 10;
constexpr std::size_t kTagAAt = 10, kTagAWidth = 7;
constexpr std::size_t kTagBAt = 17, kTagBWidth = 16;
constexpr std::size_t kTagCAt = 33, kTagCWidth = 11;
constexpr std::size_t kTagDAt = 45, kTagDWidth = 12;
constexpr std::size_t kTagEAt = 57, kTagEWidth = 3;
constexpr std::size_t kTypeAt = 61;
constexpr std::size_t kLengthAt = 62;
constexpr std::size_t kPayloadCrcAt = 66;
constexpr std::size_t kTagFAt = 70, kTagFWidth = 8;
constexpr std::size_t kHeaderCrcAt = 78;

// The longest text each tag may hold: one byte short of its slot, so that a NUL always separates
// it from its neighbour (tagF, right-aligned, keeps a NUL in front instead).
constexpr std::size_t kMaxA = 6, kMaxB = 15, kMaxC = 11, kMaxD = 11, kMaxE = 3, kMaxF = 7;

bool tagsTooLong(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                 std::string_view e, std::string_view f) {
    return a.size() > kMaxA || b.size() > kMaxB || c.size() > kMaxC || d.size() > kMaxD ||
           e.size() > kMaxE || f.size() > kMaxF;
}

void putLeft(std::string& out, std::string_view text, std::size_t width) {
    out += text;
    out.append(width - text.size(), '\0');
}

void putRight(std::string& out, std::string_view text, std::size_t width, char fill = '\0') {
    out.append(width - text.size(), fill);
    out += text;
}

void putBe32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

// The text of a slot however it is aligned: leading NULs skipped, then up to the next NUL.
std::string slotText(std::span<const uint8_t> slot) {
    auto first = std::find_if(slot.begin(), slot.end(), [](uint8_t b) { return b != 0; });
    auto last = std::find(first, slot.end(), uint8_t{0});
    return {first, last};
}

std::string tagDText(std::span<const uint8_t> header, bool inverted) {
    std::array<uint8_t, kTagDWidth> slot{};
    std::copy_n(header.begin() + kTagDAt, kTagDWidth, slot.begin());
    if (inverted)
        for (uint8_t& b : slot)
            b = static_cast<uint8_t>(~b);
    return slotText(slot);
}

struct DecodedHeader {
    std::string tagA, tagB, tagC, tagD, tagE;
    uint8_t dataType = 0;
    uint32_t payloadChecksum = 0;
};

std::optional<DecodedHeader> decodeHeader(std::span<const uint8_t, kBlockHeaderSize> header,
                                          bool invertTagD) {
    if (!std::equal(kReadMagic.begin(), kReadMagic.end(), header.begin()) ||
        header[kReadMagic.size()] != 0)
        return std::nullopt;
    if (crc32Mpeg2(header.first(kHeaderCrcAt)) != loadBe32(header.data() + kHeaderCrcAt))
        return std::nullopt;
    DecodedHeader h;
    h.tagA = slotText(header.subspan(kTagAAt, kTagAWidth));
    h.tagB = slotText(header.subspan(kTagBAt, kTagBWidth));
    h.tagC = slotText(header.subspan(kTagCAt, kTagCWidth + 1));
    h.tagD = tagDText(header, invertTagD);
    h.tagE = slotText(header.subspan(kTagEAt, kTagEWidth + 1));
    h.dataType = header[kTypeAt];
    h.payloadChecksum = loadBe32(header.data() + kPayloadCrcAt);
    return h;
}

// An argument error: its text is all there is to tell, so it is the message and the cause, with
// no line under it.
template <class S> S& refuseArgument(S& status, BlockOutcome outcome, std::string_view text) {
    status.fail(outcome, std::string(text), std::string());
    status.messages = {std::string(text)};
    return status;
}

Status<BlockOutcome> fileError(const std::string& path, std::string cause) {
    Status<BlockOutcome> status(path);
    status.fail(BlockOutcome::FileError, std::move(cause));
    status.messages = {std::string(kBlockFileErrorText)};
    return status;
}

} // namespace

Status<BlockOutcome> DataBlock::setHeader(std::string_view a, std::string_view b,
                                          std::string_view c, std::string_view d,
                                          std::string_view e, std::string_view typeName,
                                          std::string_view f) {
    Status<BlockOutcome> status;
    if (tagsTooLong(a, b, c, d, e, f))
        return refuseArgument(status, BlockOutcome::TagTooLong, kBlockLengthError);
    tagA = a;
    tagB = b;
    tagC = c;
    tagD = d;
    tagE = e;
    const auto it = std::find(dataTypeNames.begin(), dataTypeNames.end(), typeName);
    if (it == dataTypeNames.end()) {
        dataType = 255;
        return refuseArgument(status, BlockOutcome::UnknownType, kBlockTypeError);
    }
    dataType = static_cast<uint8_t>(it - dataTypeNames.begin());
    tagF = f;
    return status;
}

Result<std::string, BlockOutcome> DataBlock::encodeBlock(BlockMagic magic) const {
    Result<std::string, BlockOutcome> result;
    if (tagsTooLong(tagA, tagB, tagC, tagD, tagE, tagF))
        return refuseArgument(result, BlockOutcome::TagTooLong, kBlockLengthError);
    std::string& out = result.value;
    out.reserve(kBlockHeaderSize + payload.size());
    putLeft(out, magic == BlockMagic::Image ? kWriteMagic : kReadMagic, kMagicWidth);
    putLeft(out, tagA, kTagAWidth);
    putLeft(out, tagB, kTagBWidth);
    putRight(out, tagC, kTagCWidth);
    out += '\0';
    if (invertTagD_) {
        std::string complemented(tagD);
        for (char& ch : complemented)
            ch = static_cast<char>(~static_cast<unsigned char>(ch));
        putRight(out, complemented, kTagDWidth - 1, '\xFF');
        out += '\xFF';
    } else {
        putLeft(out, tagD, kTagDWidth);
    }
    putRight(out, tagE, kTagEWidth);
    out += '\0';
    out += static_cast<char>(dataType);
    putBe32(out, static_cast<uint32_t>(payload.size()));
    putBe32(out, crc32Mpeg2(payload));
    putRight(out, tagF, kTagFWidth);
    putBe32(out, crc32Mpeg2(out));
    out += payload;
    return result;
}

std::optional<uint32_t> DataBlock::takeHeader(std::span<const uint8_t, kBlockHeaderSize> header) {
    auto decoded = decodeHeader(header, invertTagD_);
    if (!decoded)
        return std::nullopt;
    // A sound header is taken even when the payload then fails its checksum; only the payload is
    // kept back, so a caller that goes on with the block sees the header it was given.
    tagA = std::move(decoded->tagA);
    tagB = std::move(decoded->tagB);
    tagC = std::move(decoded->tagC);
    tagD = std::move(decoded->tagD);
    tagE = std::move(decoded->tagE);
    dataType = decoded->dataType;
    return decoded->payloadChecksum;
}

bool DataBlock::decodeBlock(std::istream& in) {
    std::array<uint8_t, kBlockHeaderSize> header{};
    in.read(reinterpret_cast<char*>(header.data()), kBlockHeaderSize);
    if (static_cast<std::size_t>(in.gcount()) != kBlockHeaderSize)
        return false;
    const auto checksum = takeHeader(header);
    if (!checksum)
        return false;
    std::string candidate{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (crc32Mpeg2(candidate) != *checksum)
        return false;
    payload = std::move(candidate);
    return true;
}

bool DataBlock::decodeBlock(std::span<const uint8_t> bytes) {
    if (bytes.size() < kBlockHeaderSize)
        return false;
    const auto checksum = takeHeader(bytes.first<kBlockHeaderSize>());
    if (!checksum)
        return false;
    // Checked in place, so the payload is copied once, and only when it is taken.
    const auto candidate = bytes.subspan(kBlockHeaderSize);
    if (crc32Mpeg2(candidate) != *checksum)
        return false;
    payload.assign(asChars(candidate));
    return true;
}

Status<BlockOutcome> DataBlock::loadDefaultBlock(const std::string& path) {
    auto content = readWholeFile(path);
    if (!content.ok())
        return fileError(path, std::move(content.cause));
    Status<BlockOutcome> status(path);
    if (decodeBlock(asBytes(content.value)))
        return status;
    payload = std::move(content.value);
    return status.fail(BlockOutcome::NotABlock, std::string(kNotADefaultBlock));
}

Status<BlockOutcome> DataBlock::saveBlock(const std::string& path, FileSystem& fs) const {
    auto bytes = encodeBlock();
    if (!bytes.ok())
        return bytes;
    Status<> written = writeFileAtomically(path, bytes.value, fs);
    if (!written.ok())
        return fileError(path, std::move(written.cause));
    return Status<BlockOutcome>(path);
}

std::optional<BlockHeaderInfo> inspectBlock(std::span<const uint8_t> bytes) {
    if (bytes.size() < kBlockHeaderSize)
        return std::nullopt;
    const auto header = bytes.first(kBlockHeaderSize);
    const auto body = bytes.subspan(kBlockHeaderSize);
    BlockHeaderInfo info;
    info.magic = slotText(header.subspan(kMagicAt, kMagicWidth));
    info.tagA = slotText(header.subspan(kTagAAt, kTagAWidth));
    info.tagB = slotText(header.subspan(kTagBAt, kTagBWidth));
    info.tagC = slotText(header.subspan(kTagCAt, kTagCWidth + 1));
    info.tagDInverted = header[kTagDAt + kTagDWidth - 1] == 0xFF;
    info.tagD = tagDText(header, info.tagDInverted);
    info.tagE = slotText(header.subspan(kTagEAt, kTagEWidth + 1));
    info.tagF = slotText(header.subspan(kTagFAt, kTagFWidth));
    info.dataType = header[kTypeAt];
    if (info.dataType < dataTypeNames.size())
        info.dataTypeName = dataTypeNames[info.dataType];
    info.storedPayloadLength = loadBe32(header.data() + kLengthAt);
    info.actualPayloadLength = body.size();
    info.storedPayloadChecksum = loadBe32(header.data() + kPayloadCrcAt);
    info.computedPayloadChecksum = crc32Mpeg2(body);
    info.storedHeaderChecksum = loadBe32(header.data() + kHeaderCrcAt);
    info.computedHeaderChecksum = crc32Mpeg2(header.first(kHeaderCrcAt));
    return info;
}

} // namespace corvane
