#include "base/atomic_file.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace corvane::testing;

TEST(AtomicFile, ReplacesWholeOrNotAtAll) {
    ScratchDir dir;
    const std::string path = dir.file("out.bin");
    EXPECT_TRUE(writeFileAtomically(path, std::string_view("first version")).ok());
    EXPECT_TRUE(writeFileAtomically(path, std::string_view("v2")).ok());
    EXPECT_EQ(readAll(path), bytesOf("v2"));

    const std::string replacement(100000, 'x');
    for (std::size_t failAfter : {std::size_t{0}, std::size_t{70000}, replacement.size() - 1}) {
        ScopedWriteFailure failure(failAfter);
        const Status<> status = writeFileAtomically(path, replacement);
        ASSERT_FALSE(status.ok()) << failAfter;
        EXPECT_NE(status.detail.find(path), std::string::npos) << status.detail;
        EXPECT_EQ(readAll(path), bytesOf("v2"));
        EXPECT_EQ(dir.entryCount(), 1u);
    }
    {
        ScopedWriteFailure roomForAll(replacement.size());
        EXPECT_TRUE(writeFileAtomically(path, std::string_view("v3")).ok());
    }
    EXPECT_EQ(readAll(path), bytesOf("v3"));
    EXPECT_TRUE(writeFileAtomically(path, replacement).ok()); // the seam ended with its scope
}

TEST(AtomicFile, ReportsAFileThatCannotBeCreated) {
    ScratchDir dir;
    const auto noFolder = writeFileAtomically(dir.file("none/x.bin"), std::string_view("data"));
    ASSERT_FALSE(noFolder.ok());
    EXPECT_NE(noFolder.detail.find("none/x.bin"), std::string::npos) << noFolder.detail;

    std::filesystem::create_directory(dir.file("taken"));
    EXPECT_FALSE(writeFileAtomically(dir.file("taken"), std::string_view("data")).ok());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken")));
    EXPECT_EQ(dir.entryCount(), 1u);
}

} // namespace
} // namespace corvane
