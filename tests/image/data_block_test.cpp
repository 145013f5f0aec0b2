#include "image/atomic_file.h"
#include "image/checksum.h"
#include "image/data_block.h"

#include "image_test_support.h"

#include <sstream>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::bytesOf;
using testing::readAll;
using testing::ScratchDir;
using testing::writeAll;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes zeros(std::size_t n) {
    return Bytes(n, 0);
}

// The header of the example block up to its checksum, slot by slot, with `magic`, `tagD` as
// stored and the payload fields given.
Bytes exampleHeader(std::string_view magic, const Bytes& tagDSlot, const Bytes& lengthAndCrc) {
    return bytesOf(magic) + zeros(4) + bytesOf("BLANK_") + zeros(1) + bytesOf("BLANK_") +
           zeros(10) + bytesOf("00000000102") + zeros(1) + tagDSlot + bytesOf("001") + zeros(1) +
           Bytes{0x00} + lengthAndCrc + zeros(8);
}

const Bytes kPlainTagD = bytesOf("FA190000") + zeros(4);
const Bytes kInvertedTagD = {0xFF, 0xFF, 0xFF, 0xB9, 0xBE, 0xCE,
                             0xC6, 0xCF, 0xCF, 0xCF, 0xCF, 0xFF};
const Bytes kEmptyPayloadFields = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
const Bytes kAbcPayloadFields = {0, 0, 0, 3, 0x9B, 0x73, 0x44, 0x8C};

DataBlock exampleBlock(bool invertTagD = false) {
    DataBlock block(invertTagD);
    block.setHeader("BLANK_", "BLANK_", "00000000102", "FA190000", "001", "Extend", "");
    return block;
}

std::string asString(const Bytes& b) {
    return {b.begin(), b.end()};
}

TEST(BlockHeader, LengthLimits) {
    DataBlock block;
    EXPECT_NO_THROW(block.setHeader("123456", "123456789012345", "12345678901", "12345678901",
                                    "123", "APP", "1234567"));
    EXPECT_EQ(block.dataType, 2);
    const DataBlock before = block;
    const std::string_view tooLong[] = {
        "1234567", "1234567890123456", "123456789012", "123456789012", "1234", "12345678"};
    for (int which = 0; which < 6; ++which) {
        std::string_view tags[6] = {"a", "b", "c", "d", "e", "f"};
        tags[which] = tooLong[which];
        try {
            block.setHeader(tags[0], tags[1], tags[2], tags[3], tags[4], "Extend", tags[5]);
            ADD_FAILURE() << "tag " << which << " accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "error argument length");
        }
        EXPECT_EQ(block.tagA, before.tagA);
        EXPECT_EQ(block.tagF, before.tagF);
        EXPECT_EQ(block.dataType, before.dataType);
    }
}

TEST(BlockHeader, TypeNamesMatchExactly) {
    DataBlock block;
    block.setHeader("", "", "", "", "", "Extend", "");
    EXPECT_EQ(block.dataType, 0);
    block.setHeader("", "", "", "", "", "VELTRA CA", "");
    EXPECT_EQ(block.dataType, 15);
    for (std::size_t code = 0; code < dataTypeNames.size(); ++code) {
        block.setHeader("", "", "", "", "", dataTypeNames[code], "");
        EXPECT_EQ(block.dataType, code);
    }
    EXPECT_EQ(dataTypeNames[5], "PROGRAMPARAM");
    EXPECT_EQ(dataTypeNames[3], "DEBUGER");

    block.setHeader("old", "old", "old", "old", "old", "APP", "oldF");
    for (std::string_view bad : {"LOADER ", "loader", "", "VELTRA"}) {
        try {
            block.setHeader("A", "B", "C", "D", "E", bad, "F");
            ADD_FAILURE() << bad;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), "error argument DataType");
        }
        EXPECT_EQ(block.dataType, 255);
        EXPECT_EQ(block.tagA, "A");
        EXPECT_EQ(block.tagE, "E");
        EXPECT_EQ(block.tagF, "oldF");
    }
}

TEST(BlockEncode, ExampleHeaderWithEmptyPayload) {
    const Bytes expected =
        exampleHeader("KYINFO", kPlainTagD, kEmptyPayloadFields) + Bytes{0x2F, 0xA0, 0x6F, 0x1F};
    EXPECT_EQ(exampleBlock().encodeBlock(), asString(expected));
}

TEST(BlockEncode, PayloadFollowsTheHeader) {
    DataBlock block = exampleBlock();
    block.payload = "abc";
    const std::string encoded = block.encodeBlock();
    ASSERT_EQ(encoded.size(), 85u);
    EXPECT_EQ(encoded.substr(62, 8), asString(kAbcPayloadFields));
    EXPECT_EQ(encoded.substr(82), "abc");
}

TEST(BlockEncode, InvertedTagD) {
    const std::string encoded = exampleBlock(true).encodeBlock();
    EXPECT_EQ(encoded.substr(0, 78),
              asString(exampleHeader("KYINFO", kInvertedTagD, kEmptyPayloadFields)));
    // Complementing the slot gives NULs, the text and a NUL.
    DataBlock empty(true);
    EXPECT_EQ(empty.encodeBlock().substr(45, 12), std::string(12, '\xFF'));
}

TEST(BlockEncode, RightAlignedSlots) {
    DataBlock block;
    block.setHeader("", "", "C", "", "EE", "SN", "FFF");
    const std::string encoded = block.encodeBlock();
    EXPECT_EQ(encoded.substr(33, 12), std::string(10, '\0') + "C" + '\0');
    EXPECT_EQ(encoded.substr(57, 5), std::string("\0EE\0\x0E", 5));
    EXPECT_EQ(encoded.substr(70, 8), std::string(5, '\0') + "FFF");
}

TEST(BlockEncode, OversizedTagSetDirectlyIsRefused) {
    DataBlock block;
    block.tagB = std::string(16, 'b');
    EXPECT_THROW((void)block.encodeBlock(), std::invalid_argument);
}

// A "DLDFDA" block made by hand: the example header with payload "abc" and its own checksum.
Bytes handMadeDefaultBlock(const Bytes& tagDSlot = kPlainTagD) {
    Bytes header = exampleHeader("DLDFDA", tagDSlot, kAbcPayloadFields);
    const uint32_t crc = tagDSlot == kPlainTagD ? 0xF37890ACu : crc32Mpeg2(header);
    for (int shift = 24; shift >= 0; shift -= 8)
        header.push_back(static_cast<uint8_t>(crc >> shift));
    return header + bytesOf("abc");
}

TEST(BlockDecode, HandMadeBlock) {
    DataBlock block;
    block.tagF = "keep";
    ASSERT_TRUE(block.decodeBlock(handMadeDefaultBlock()));
    EXPECT_EQ(block.tagA, "BLANK_");
    EXPECT_EQ(block.tagB, "BLANK_");
    EXPECT_EQ(block.tagC, "00000000102");
    EXPECT_EQ(block.tagD, "FA190000");
    EXPECT_EQ(block.tagE, "001");
    EXPECT_EQ(block.dataType, 0);
    EXPECT_EQ(block.payload, "abc");
    EXPECT_EQ(block.tagF, "keep"); // the header's tagF is not read back
}

TEST(BlockDecode, InvertedTagDComesBack) {
    DataBlock inverted(true);
    ASSERT_TRUE(inverted.decodeBlock(handMadeDefaultBlock(kInvertedTagD)));
    EXPECT_EQ(inverted.tagD, "FA190000");
    DataBlock plain(false);
    ASSERT_TRUE(plain.decodeBlock(handMadeDefaultBlock(kInvertedTagD)));
    EXPECT_NE(plain.tagD, "FA190000");
}

TEST(BlockDecode, OwnOutputNeedsTheOtherMagic) {
    DataBlock source = exampleBlock(true);
    source.payload = std::string("\0\x01\xFFpayload", 10);
    std::string encoded = source.encodeBlock();
    DataBlock target(true);
    EXPECT_FALSE(target.decodeBlock(bytesOf(encoded)));
    encoded.replace(0, 6, "DLDFDA");
    EXPECT_FALSE(target.decodeBlock(bytesOf(encoded))); // header checksum now wrong
    const uint32_t crc = crc32Mpeg2(std::string_view(encoded).substr(0, 78));
    for (int i = 0; i < 4; ++i)
        encoded[78 + static_cast<std::size_t>(i)] = static_cast<char>(crc >> (24 - 8 * i));
    ASSERT_TRUE(target.decodeBlock(bytesOf(encoded)));
    EXPECT_EQ(target.payload, source.payload);
    EXPECT_EQ(target.tagD, "FA190000");
}

TEST(BlockDecode, FailuresLeaveTheBlockAlone) {
    const Bytes good = handMadeDefaultBlock();
    DataBlock block;
    block.setHeader("a", "b", "c", "d", "e", "CA", "f");
    block.payload = "old";
    const auto unchanged = [&] {
        EXPECT_EQ(block.tagA, "a");
        EXPECT_EQ(block.tagD, "d");
        EXPECT_EQ(block.dataType, 10);
        EXPECT_EQ(block.payload, "old");
    };
    EXPECT_FALSE(block.decodeBlock(good + bytesOf("x"))); // trailing byte joins the payload
    unchanged();
    for (std::size_t size = 0; size < good.size(); ++size) {
        EXPECT_FALSE(block.decodeBlock(std::span(good).first(size))) << size;
        unchanged();
    }
    Bytes magic = good;
    magic[6] = ' '; // "DLDFDA" must be followed by a NUL
    EXPECT_FALSE(block.decodeBlock(magic));
    Bytes type = good;
    type[61] = 3; // covered by the header checksum
    EXPECT_FALSE(block.decodeBlock(type));
    unchanged();
}

TEST(BlockDecode, ReadsTheRestOfAStream) {
    std::istringstream in(asString(handMadeDefaultBlock()));
    DataBlock block;
    EXPECT_TRUE(block.decodeBlock(in));
    EXPECT_EQ(block.payload, "abc");
    std::istringstream empty;
    EXPECT_FALSE(block.decodeBlock(empty));
}

TEST(BlockFile, LoadDefaultBlock) {
    ScratchDir dir;
    DataBlock block;
    block.payload = "untouched";
    try {
        block.loadDefaultBlock(dir.file("default_data.bin"));
        ADD_FAILURE() << "missing file accepted";
    } catch (const BlockFileError& e) {
        EXPECT_STREQ(e.what(), "\xE5\x87\xBA\xE9\x94\x99\xEF\xBC\x9A\xE6\x97\xA0\xE6\xB3\x95\xE6"
                               "\x89\x93\xE5\xBC\x80\xE8\xBE\x93\xE5\x85\xA5\xE6\x96\x87\xE4\xBB"
                               "\xB6");
    }
    EXPECT_EQ(block.payload, "untouched");

    writeAll(dir.file("good.bin"), handMadeDefaultBlock());
    EXPECT_TRUE(block.loadDefaultBlock(dir.file("good.bin")));
    EXPECT_EQ(block.payload, "abc");

    const Bytes bad = bytesOf("not a block at all");
    writeAll(dir.file("bad.bin"), bad);
    EXPECT_FALSE(block.loadDefaultBlock(dir.file("bad.bin")));
    EXPECT_EQ(block.payload, asString(bad));
}

TEST(BlockFile, SaveBlock) {
    ScratchDir dir;
    DataBlock block = exampleBlock();
    block.payload = "abc";
    block.saveBlock(dir.file("image.rs232"));
    EXPECT_EQ(asString(readAll(dir.file("image.rs232"))), block.encodeBlock());

    EXPECT_THROW(block.saveBlock(dir.file("missing/image.rs232")), BlockFileError);
    writeAll(dir.file("old.rs232"), bytesOf("old"));
    {
        ScopedWriteFailure failure(10);
        try {
            block.saveBlock(dir.file("old.rs232"));
            ADD_FAILURE() << "failed write not reported";
        } catch (const BlockFileError& e) {
            EXPECT_EQ(std::string_view(e.what()), kBlockFileErrorText);
        }
    }
    EXPECT_EQ(readAll(dir.file("old.rs232")), bytesOf("old"));
}

TEST(BlockInspect, ReportsAnyMagic) {
    DataBlock block = exampleBlock(true);
    block.tagF = "tail";
    block.dataType = 15;
    block.payload = "abc";
    const std::string encoded = block.encodeBlock();
    auto info = inspectBlock(bytesOf(encoded));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->magic, "KYINFO");
    EXPECT_EQ(info->tagA, "BLANK_");
    EXPECT_EQ(info->tagC, "00000000102");
    EXPECT_EQ(info->tagD, "FA190000");
    EXPECT_TRUE(info->tagDInverted);
    EXPECT_EQ(info->tagE, "001");
    EXPECT_EQ(info->tagF, "tail");
    EXPECT_EQ(info->dataTypeName, "VELTRA CA");
    EXPECT_EQ(info->storedPayloadLength, 3u);
    EXPECT_TRUE(info->payloadLengthMatches());
    EXPECT_EQ(info->storedPayloadChecksum, 0x9B73448Cu);
    EXPECT_TRUE(info->headerChecksumMatches());
    EXPECT_TRUE(info->payloadChecksumMatches());

    info = inspectBlock(bytesOf(encoded + "!"));
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->payloadChecksumMatches());
    EXPECT_FALSE(info->payloadLengthMatches());
    EXPECT_TRUE(info->headerChecksumMatches());

    Bytes plain = handMadeDefaultBlock();
    plain[61] = 200;
    info = inspectBlock(plain);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->magic, "DLDFDA");
    EXPECT_FALSE(info->tagDInverted);
    EXPECT_TRUE(info->dataTypeName.empty());
    EXPECT_FALSE(info->headerChecksumMatches());

    EXPECT_FALSE(inspectBlock(std::span(plain).first(81)));
}

} // namespace
} // namespace corvane
