#include "image/atomic_file.h"

#include "image_test_support.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using testing::bytesOf;
using testing::readAll;
using testing::ScratchDir;
using testing::writeAll;

TEST(AtomicFile, CreatesAndReplacesWithoutLeavingTemporaries) {
    ScratchDir dir;
    const std::string path = dir.file("out.bin");
    EXPECT_EQ(writeFileAtomically(path, std::string_view("first version")), std::nullopt);
    EXPECT_EQ(readAll(path), bytesOf("first version"));
    EXPECT_EQ(writeFileAtomically(path, std::string_view("v2")), std::nullopt);
    EXPECT_EQ(readAll(path), bytesOf("v2"));
    EXPECT_EQ(writeFileAtomically(path, std::span<const uint8_t>()), std::nullopt);
    EXPECT_TRUE(readAll(path).empty());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.bin"});
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileByteForByte) {
    ScratchDir dir;
    const std::string path = dir.file("keep.bin");
    const std::vector<uint8_t> old{0x00, 0x01, 0xFE, 0xFF, 'o', 'l', 'd'};
    writeAll(path, old);
    const std::string replacement(100000, 'x');
    for (std::size_t failAfter :
         {std::size_t{0}, std::size_t{1}, std::size_t{65536}, replacement.size()}) {
        ScopedWriteFailure failure(failAfter);
        const auto error = writeFileAtomically(path, replacement);
        ASSERT_TRUE(error.has_value()) << failAfter;
        EXPECT_NE(error->find(path), std::string::npos) << *error;
        EXPECT_EQ(readAll(path), old);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.bin"});
    }
}

TEST(AtomicFile, FailureSeamNestsAndEnds) {
    ScratchDir dir;
    const std::string path = dir.file("f");
    {
        ScopedWriteFailure outer(5);
        {
            ScopedWriteFailure inner(2);
            EXPECT_TRUE(writeFileAtomically(path, std::string_view("abc")));
        }
        EXPECT_TRUE(writeFileAtomically(path, std::string_view("abc")));
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_EQ(writeFileAtomically(path, std::string_view("abc")), std::nullopt);
    EXPECT_EQ(readAll(path), bytesOf("abc"));
}

TEST(AtomicFile, ReportsAFileThatCannotBeCreated) {
    ScratchDir dir;
    const auto missingFolder =
        writeFileAtomically(dir.file("no/such/folder/x.bin"), std::string_view("data"));
    ASSERT_TRUE(missingFolder.has_value());
    EXPECT_NE(missingFolder->find("x.bin"), std::string::npos) << *missingFolder;

    // A folder standing where the file should go cannot be replaced by it.
    std::filesystem::create_directory(dir.file("taken"));
    const auto folderInTheWay = writeFileAtomically(dir.file("taken"), std::string_view("data"));
    ASSERT_TRUE(folderInTheWay.has_value());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken")));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"taken"});

    EXPECT_TRUE(writeFileAtomically("", std::string_view("data")).has_value());
}

} // namespace
} // namespace corvane
