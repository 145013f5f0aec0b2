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
    ASSERT_TRUE(in.read(got, 16).ok());
    EXPECT_EQ(got.size(), 20u);
    ASSERT_TRUE(in.read(got, 1u << 30).ok());
    EXPECT_EQ(got, "kept" + content);
    EXPECT_TRUE(in.read(got, 10).ok()) << "the end of the file is not an error";
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

    // A read from a reader that did not open tells why it did not; one that opened, why the read
    // failed.
    std::string got;
    FileReader none(dir.file("missing"));
    const auto unopened = none.read(got, 10);
    EXPECT_EQ(unopened.code, FileRead::CannotOpen);
    EXPECT_EQ(unopened.detail, missing.detail);
    FileReader own(dir.path(), FileOrigin::Own);
    EXPECT_EQ(own.read(got, 10).detail, dir.path() + ": Is a directory");
    FileReader chosen(dir.path());
    const auto unread = chosen.read(got, 10);
    EXPECT_EQ(unread.code, FileRead::CannotRead);
    EXPECT_EQ(unread.detail, dir.path() + ": Is a directory");

    writeAll(dir.file("empty"), {});
    const auto empty = readWholeFile(dir.file("empty"));
    EXPECT_TRUE(empty.ok());
    EXPECT_EQ(empty.value, "");
}

// Nothing that is not a channel list may take all the memory: a file past the bound is refused by
// its size, a pipe or a device that never ends once the bound is read.
TEST(FileReader, RefusesWhatHoldsMoreThanTheBoundWhateverItIs) {
    ScratchDir dir;
    constexpr std::size_t kBound = 100000;
    writeAll(dir.file("fits"), Bytes(kBound, 'x'));
    writeAll(dir.file("over"), Bytes(kBound + 1, 'x'));
    EXPECT_TRUE(readWholeFile(dir.file("fits"), kBound).ok());
    const auto over = readWholeFile(dir.file("over"), kBound);
    EXPECT_EQ(over.code, FileRead::TooLarge);
    EXPECT_EQ(over.detail, dir.file("over") + ": larger than 100000 bytes, the most Corvane reads");
    EXPECT_TRUE(over.value.empty());

    const auto zeros = readWholeFile("/dev/zero", kBound);
    EXPECT_EQ(zeros.code, FileRead::TooLarge);
    EXPECT_EQ(zeros.cause, "larger than 100000 bytes, the most Corvane reads");

    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::size_t length : {kBound, kBound + 1}) {
        std::thread writer([&] { writeAll(pipe, Bytes(length, 'p')); });
        const auto read = readWholeFile(pipe, kBound);
        writer.join();
        EXPECT_EQ(read.code, length > kBound ? FileRead::TooLarge : FileRead::Ok) << length;
        EXPECT_EQ(read.value.size(), length > kBound ? 0 : length);
    }
    EXPECT_EQ(tooLargeCause(), "larger than 256 MiB, the most Corvane reads");
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
