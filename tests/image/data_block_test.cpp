#include "image/data_block.h"

#include "image/checksum.h"
#include "support/test_file_system.h"
#include "support/test_files.h"

#include <sstream>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace corvane::testing;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes zeros(std::size_t n) {
    return Bytes(n, 0);
}
std::string asString(const Bytes& b) {
    return {b.begin(), b.end()};
}

// The example header up to its checksum, slot by slot.
Bytes exampleHeader(std::string_view magic, const Bytes& tagDSlot, const Bytes& lengthAndCrc) {
    return bytesOf(magic) + zeros(4) + bytesOf("BLANK_") + zeros(1) + bytesOf("BLANK_") +
           zeros(10) + bytesOf("00000000102") + zeros(1) + tagDSlot + bytesOf("001") + zeros(1) +
           Bytes{0x00} + lengthAndCrc + zeros(8);
}

const Bytes kPlainTagD = bytesOf("FA190000") + zeros(4);
const Bytes kInvertedTagD = {0xFF, 0xFF, 0xFF, 0xB9, 0xBE, 0xCE,
                             0xC6, 0xCF, 0xCF, 0xCF, 0xCF, 0xFF};
const Bytes kEmptyPayload = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
const Bytes kAbcPayload = {0, 0, 0, 3, 0x9B, 0x73, 0x44, 0x8C};

DataBlock exampleBlock(bool invertTagD = false) {
    DataBlock block(invertTagD);
    EXPECT_TRUE(
        block.setHeader("BLANK_", "BLANK_", "00000000102", "FA190000", "001", "Extend", "").ok());
    return block;
}

std::string encoded(const DataBlock& block, BlockMagic magic = BlockMagic::Image) {
    auto bytes = block.encodeBlock(magic);
    EXPECT_TRUE(bytes.ok()) << bytes.cause;
    return bytes.value;
}

// A "DLDFDA" block made by hand around payload "abc"; F3 78 90 AC was computed apart from this
// code base.
Bytes handMadeDefaultBlock() {
    return exampleHeader("DLDFDA", kPlainTagD, kAbcPayload) + Bytes{0xF3, 0x78, 0x90, 0xAC} +
           bytesOf("abc");
}

TEST(BlockHeader, SetHeaderChecks) {
    DataBlock block;
    ASSERT_TRUE(block
                    .setHeader("123456", "123456789012345", "12345678901", "12345678901", "123",
                               "APP", "1234567")
                    .ok());
    EXPECT_EQ(block.dataType, 2);
    const std::string_view tooLong[] = {
        "1234567", "1234567890123456", "123456789012", "123456789012", "1234", "12345678"};
    for (int which = 0; which < 6; ++which) {
        std::string_view tags[6] = {"a", "b", "c", "d", "e", "f"};
        tags[which] = tooLong[which];
        const auto set =
            block.setHeader(tags[0], tags[1], tags[2], tags[3], tags[4], "Extend", tags[5]);
        EXPECT_EQ(set.code, BlockOutcome::TagTooLong) << "tag " << which;
        EXPECT_EQ(set.messages, Messages{"error argument length"});
        EXPECT_EQ(set.cause, "error argument length");
        EXPECT_EQ(block.tagA, "123456"); // nothing changed
        EXPECT_EQ(block.dataType, 2);
    }
    for (std::string_view bad : {"LOADER ", "loader", ""}) {
        const auto set = block.setHeader("A", "B", "C", "D", "E", bad, "F");
        EXPECT_EQ(set.code, BlockOutcome::UnknownType) << bad;
        EXPECT_EQ(set.messages, Messages{"error argument DataType"});
        EXPECT_EQ(block.dataType, 255);
        EXPECT_EQ(block.tagE, "E");
        EXPECT_EQ(block.tagF, "1234567");
    }
    EXPECT_TRUE(block.setHeader("", "", "", "", "", "VELTRA CA", "").ok());
    EXPECT_EQ(block.dataType, 15);
    EXPECT_EQ(dataTypeNames[5], "PROGRAMPARAM");
}

TEST(BlockEncode, ExampleBlocks) {
    EXPECT_EQ(encoded(exampleBlock()), asString(exampleHeader("KYINFO", kPlainTagD, kEmptyPayload) +
                                                Bytes{0x2F, 0xA0, 0x6F, 0x1F}));
    DataBlock abc = exampleBlock();
    abc.payload = "abc";
    const std::string bytes = encoded(abc);
    EXPECT_EQ(bytes.substr(62, 8), asString(kAbcPayload));
    EXPECT_EQ(bytes.substr(82), "abc");
    EXPECT_EQ(encoded(exampleBlock(true)).substr(0, 78),
              asString(exampleHeader("KYINFO", kInvertedTagD, kEmptyPayload)));

    DataBlock rightAligned;
    EXPECT_TRUE(rightAligned.setHeader("", "", "", "", "", "SN", "FFF").ok());
    EXPECT_EQ(encoded(rightAligned).substr(61, 1), "\x0E");
    EXPECT_EQ(encoded(rightAligned).substr(70, 8), std::string(5, '\0') + "FFF");

    DataBlock tooLong; // a tag set directly past its slot would shift the header
    tooLong.tagB = std::string(16, 'b');
    EXPECT_EQ(tooLong.encodeBlock().code, BlockOutcome::TagTooLong);
}

TEST(BlockDecode, HandMadeAndOwnBlocks) {
    DataBlock block;
    block.tagF = "keep";
    ASSERT_TRUE(block.decodeBlock(handMadeDefaultBlock()));
    EXPECT_EQ(block.tagA + "|" + block.tagB + "|" + block.tagC + "|" + block.tagD + "|" +
                  block.tagE,
              "BLANK_|BLANK_|00000000102|FA190000|001");
    EXPECT_EQ(block.dataType, 0);
    EXPECT_EQ(block.payload, "abc");
    EXPECT_EQ(block.tagF, "keep"); // tagF is not read back

    // Our own output decodes once its magic is "DLDFDA" and the header checksum is redone.
    DataBlock source = exampleBlock(true);
    source.payload = std::string("\0\x01\xFFpay", 6);
    std::string bytes = encoded(source);
    DataBlock target(true);
    EXPECT_FALSE(target.decodeBlock(bytesOf(bytes)));
    bytes.replace(0, 6, "DLDFDA");
    EXPECT_FALSE(target.decodeBlock(bytesOf(bytes)));
    const uint32_t crc = crc32Mpeg2(std::string_view(bytes).substr(0, 78));
    for (std::size_t i = 0; i < 4; ++i)
        bytes[78 + i] = static_cast<char>(crc >> (24 - 8 * i));
    ASSERT_TRUE(target.decodeBlock(bytesOf(bytes)));
    EXPECT_EQ(target.payload, source.payload);
    EXPECT_EQ(target.tagD, "FA190000");
    std::istringstream stream(bytes);
    DataBlock plain;
    ASSERT_TRUE(plain.decodeBlock(stream));
    EXPECT_NE(plain.tagD, "FA190000");
    // The packer's magic gives exactly those bytes, and the image's stay what they were.
    EXPECT_EQ(encoded(source, BlockMagic::DefaultData), bytes);
    EXPECT_EQ(encoded(source, BlockMagic::Image), encoded(source));
}

TEST(BlockDecode, HeaderFailuresLeaveTheBlockAlone) {
    const Bytes good = handMadeDefaultBlock();
    DataBlock block;
    ASSERT_TRUE(block.setHeader("a", "b", "c", "d", "e", "CA", "f").ok());
    block.payload = "old";
    for (std::size_t size = 0; size < 82; ++size)
        EXPECT_FALSE(block.decodeBlock(std::span(good).first(size))) << size;
    Bytes magic = good;
    magic[6] = ' ';
    EXPECT_FALSE(block.decodeBlock(magic));
    Bytes header = good;
    header[20] = 'X'; // inside tagB: the header checksum no longer matches
    EXPECT_FALSE(block.decodeBlock(header));
    EXPECT_EQ(block.tagA + block.tagD + block.payload, "adold");
    EXPECT_EQ(block.dataType, 10);
}

// The header is taken before the payload is checked; a payload that fails keeps only the old
// payload (and tagF, which is never read back).
TEST(BlockDecode, PayloadFailureTakesTheHeaderButNotThePayload) {
    const Bytes good = handMadeDefaultBlock();
    for (const Bytes& bad : {good + bytesOf("x"), Bytes(good.begin(), good.end() - 1),
                             Bytes(good.begin(), good.begin() + 82)}) {
        DataBlock block;
        ASSERT_TRUE(block.setHeader("a", "b", "c", "d", "e", "CA", "f").ok());
        block.payload = "old";
        EXPECT_FALSE(block.decodeBlock(bad));
        EXPECT_EQ(block.tagA + "|" + block.tagB + "|" + block.tagC + "|" + block.tagD + "|" +
                      block.tagE + "|" + block.tagF,
                  "BLANK_|BLANK_|00000000102|FA190000|001|f");
        EXPECT_EQ(block.dataType, 0);
        EXPECT_EQ(block.payload, "old");
    }
}

const char* const kFileError = "\xE5\x87\xBA\xE9\x94\x99\xEF\xBC\x9A\xE6\x97\xA0\xE6\xB3\x95\xE6"
                               "\x89\x93\xE5\xBC\x80\xE8\xBE\x93\xE5\x85\xA5\xE6\x96\x87\xE4\xBB"
                               "\xB6";

TEST(BlockFile, LoadAndSave) {
    ScratchDir dir;
    DataBlock block = exampleBlock();
    block.payload = "untouched";
    const auto missing = block.loadDefaultBlock(dir.file("default_data.bin"));
    EXPECT_EQ(missing.code, BlockOutcome::FileError);
    EXPECT_EQ(missing.messages, Messages{kFileError});
    EXPECT_EQ(missing.detail, dir.file("default_data.bin") + ": No such file or directory");
    EXPECT_EQ(block.payload, "untouched");
    writeAll(dir.file("good.bin"), handMadeDefaultBlock());
    EXPECT_TRUE(block.loadDefaultBlock(dir.file("good.bin")).ok());
    EXPECT_EQ(block.payload, "abc");
    writeAll(dir.file("bad.bin"), bytesOf("not a block"));
    const auto bad = block.loadDefaultBlock(dir.file("bad.bin"));
    EXPECT_EQ(bad.code, BlockOutcome::NotABlock);
    EXPECT_TRUE(bad.messages.empty()) << "the caller goes on with the whole file";
    EXPECT_EQ(block.payload, "not a block");

    ASSERT_TRUE(block.saveBlock(dir.file("image.rs232")).ok());
    EXPECT_EQ(asString(readAll(dir.file("image.rs232"))), encoded(block));
    const auto noFolder = block.saveBlock(dir.file("none/image.rs232"));
    EXPECT_EQ(noFolder.code, BlockOutcome::FileError);
    EXPECT_EQ(noFolder.file, dir.file("none/image.rs232"));
    {
        TestFileSystem disk;
        disk.roomPerFile = 10;
        const auto full = block.saveBlock(dir.file("good.bin"), disk);
        EXPECT_EQ(full.code, BlockOutcome::FileError);
        EXPECT_EQ(full.messages, Messages{kFileError});
    }
    EXPECT_EQ(readAll(dir.file("good.bin")), handMadeDefaultBlock());
    DataBlock tooLong = block; // refused before the file is touched
    tooLong.tagE = "1234";
    EXPECT_EQ(tooLong.saveBlock(dir.file("good.bin")).code, BlockOutcome::TagTooLong);
    EXPECT_EQ(readAll(dir.file("good.bin")), handMadeDefaultBlock());
    EXPECT_EQ(dir.entryCount(), 3u);
}

TEST(BlockInspect, ReportsAnyMagic) {
    DataBlock block = exampleBlock(true);
    block.tagF = "tail";
    block.dataType = 15;
    block.payload = "abc";
    const std::string bytes = encoded(block);
    auto info = inspectBlock(bytesOf(bytes));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->magic + "|" + info->tagA + "|" + info->tagD + "|" + info->tagE + "|" +
                  info->tagF,
              "KYINFO|BLANK_|FA190000|001|tail");
    EXPECT_TRUE(info->tagDInverted);
    EXPECT_EQ(info->dataTypeName, "VELTRA CA");
    EXPECT_EQ(info->storedPayloadChecksum, 0x9B73448Cu);
    EXPECT_TRUE(info->headerChecksumMatches() && info->payloadChecksumMatches() &&
                info->payloadLengthMatches());

    info = inspectBlock(bytesOf(bytes + "!"));
    EXPECT_TRUE(info->headerChecksumMatches());
    EXPECT_FALSE(info->payloadChecksumMatches() || info->payloadLengthMatches());

    Bytes plain = handMadeDefaultBlock();
    plain[61] = 200;
    info = inspectBlock(plain);
    EXPECT_EQ(info->magic, "DLDFDA");
    EXPECT_FALSE(info->tagDInverted);
    EXPECT_TRUE(info->dataTypeName.empty());
    EXPECT_FALSE(info->headerChecksumMatches());
    EXPECT_FALSE(inspectBlock(std::span(plain).first(81)));
}

} // namespace
} // namespace corvane
