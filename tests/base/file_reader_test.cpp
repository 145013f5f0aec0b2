#include "base/file_reader.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace corvane {
namespace {

using namespace corvane::testing;

TEST(FileReader, ReadsInPiecesUpToTheLimitAndStopsAtTheEnd) {
    ScratchDir dir;
    const std::string path = dir.file("data.bin");
    const std::string content(200000, 'x');
    writeAll(path, bytesOf(content));
    FileReader in(path);
    std::string got = "kept";
    ASSERT_TRUE(in.read(got, 16));
    EXPECT_EQ(got.size(), 20u);
    ASSERT_TRUE(in.read(got, 1u << 30));
    EXPECT_EQ(got, "kept" + content);
    EXPECT_TRUE(in.read(got, 10)) << "the end of the file is not an error";
    EXPECT_EQ(got.size(), content.size() + 4);
}

TEST(FileReader, TellsAFileThatCannotBeOpenedFromOneThatCannotBeRead) {
    ScratchDir dir;
    const auto missing = readWholeFile(dir.file("missing"));
    EXPECT_EQ(missing.code, FileRead::CannotOpen);
    EXPECT_EQ(missing.cause, "No such file or directory");
    EXPECT_EQ(missing.detail, dir.file("missing") + ": No such file or directory");

    const auto folder = readWholeFile(dir.path());
    EXPECT_EQ(folder.code, FileRead::CannotRead);
    EXPECT_EQ(folder.cause, "Is a directory");

    writeAll(dir.file("empty"), {});
    const auto empty = readWholeFile(dir.file("empty"));
    EXPECT_TRUE(empty.ok());
    EXPECT_EQ(empty.value, "");
}

TEST(FileReader, ReadsANamedPipe) {
    ScratchDir dir;
    const std::string path = dir.file("pipe");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&] { writeAll(path, bytesOf("through a pipe")); });
    const auto read = readWholeFile(path);
    writer.join();
    EXPECT_TRUE(read.ok()) << read.detail;
    EXPECT_EQ(read.value, "through a pipe");
}

} // namespace
} // namespace corvane
