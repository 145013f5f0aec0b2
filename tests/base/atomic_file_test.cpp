#include "base/atomic_file.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace corvane::testing;

TEST(AtomicFile, ReplacesWholeOrNotAtAll) {
    ScratchDir dir;
    const std::string path = dir.file("out.bin");
    EXPECT_EQ(writeFileAtomically(path, std::string_view("first version")), std::nullopt);
    EXPECT_EQ(writeFileAtomically(path, std::string_view("v2")), std::nullopt);
    EXPECT_EQ(readAll(path), bytesOf("v2"));

    const std::string replacement(100000, 'x');
    for (std::size_t failAfter : {std::size_t{0}, std::size_t{70000}, replacement.size() - 1}) {
        ScopedWriteFailure failure(failAfter);
        const auto error = writeFileAtomically(path, replacement);
        ASSERT_TRUE(error.has_value()) << failAfter;
        EXPECT_NE(error->find(path), std::string::npos) << *error;
        EXPECT_EQ(readAll(path), bytesOf("v2"));
        EXPECT_EQ(dir.entryCount(), 1u);
    }
    {
        ScopedWriteFailure roomForAll(replacement.size());
        EXPECT_EQ(writeFileAtomically(path, std::string_view("v3")), std::nullopt);
    }
    EXPECT_EQ(readAll(path), bytesOf("v3"));
    EXPECT_EQ(writeFileAtomically(path, replacement),
              std::nullopt); // the seam ended with its scope
}

TEST(AtomicFile, ReportsAFileThatCannotBeCreated) {
    ScratchDir dir;
    const auto noFolder = writeFileAtomically(dir.file("none/x.bin"), std::string_view("data"));
    ASSERT_TRUE(noFolder.has_value());
    EXPECT_NE(noFolder->find("none/x.bin"), std::string::npos) << *noFolder;

    std::filesystem::create_directory(dir.file("taken"));
    EXPECT_TRUE(writeFileAtomically(dir.file("taken"), std::string_view("data")).has_value());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken")));
    EXPECT_EQ(dir.entryCount(), 1u);
}

} // namespace
} // namespace corvane
