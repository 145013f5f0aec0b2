#include "base/atomic_file.h"

#include "support/test_file_system.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>

namespace corvane {
namespace {

using namespace corvane::testing;

unsigned modeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<unsigned>(info.st_mode & 07777) : 0u;
}

TEST(AtomicFile, ReplacesWholeOrNotAtAll) {
    ScratchDir dir;
    const std::string path = dir.file("out.bin");
    EXPECT_TRUE(writeFileAtomically(path, std::string_view("first version")).ok());
    EXPECT_TRUE(writeFileAtomically(path, std::string_view("v2")).ok());
    EXPECT_EQ(readAll(path), bytesOf("v2"));

    const std::string replacement(100000, 'x');
    TestFileSystem disk;
    for (std::size_t room : {std::size_t{0}, std::size_t{70000}, replacement.size() - 1}) {
        disk.roomPerFile = room;
        const Status<> status = writeFileAtomically(path, replacement, disk);
        ASSERT_FALSE(status.ok()) << room;
        EXPECT_EQ(status.detail, "Cannot write \"" + path + "\": No space left on device");
        EXPECT_EQ(readAll(path), bytesOf("v2"));
        EXPECT_EQ(dir.entryCount(), 1u) << "the temporary file is removed";
    }
    disk.roomPerFile = replacement.size(); // a file that just fits is written
    EXPECT_TRUE(writeFileAtomically(path, replacement, disk).ok());
    EXPECT_EQ(readAll(path), bytesOf(replacement));
}

// Only a regular file is replaced; the longest name a folder takes is written too, and the new
// file is never readable by others before its final bits are set.
TEST(AtomicFile, ReplacesOnlyRegularFilesUnderAnyLegalName) {
    ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.file("pipe"), dir.file("to-pipe"));
    std::filesystem::create_symlink("/dev/null", dir.file("to-null"));
    for (const char* name : {"pipe", "to-pipe", "to-null"}) {
        const Status<> refused = writeFileAtomically(dir.file(name), std::string_view("x"));
        EXPECT_EQ(refused.cause, "it is not a regular file") << name;
    }
    EXPECT_EQ(std::filesystem::status("/dev/null").type(), std::filesystem::file_type::character);
    EXPECT_EQ(dir.entryCount(), 3u);

    const std::string longest = dir.file(std::string(255, 'n'));
    EXPECT_TRUE(writeFileAtomically(longest, std::string_view("x")).ok());
    EXPECT_EQ(readAll(longest), bytesOf("x"));

    const mode_t previousUmask = ::umask(0);
    TestFileSystem disk;
    EXPECT_TRUE(writeFileAtomically(dir.file("open.bin"), std::string_view("x"), disk).ok());
    ::umask(previousUmask);
    ASSERT_GE(disk.calls.size(), 3u);
    EXPECT_EQ(disk.calls[1].substr(0, 6) + disk.calls[1].substr(disk.calls[1].size() - 4),
              "chmod  666");
    EXPECT_EQ(disk.calls[2].substr(0, 5), "write");
    EXPECT_EQ(modeOf(dir.file("open.bin")), 0666u);
}

TEST(AtomicFile, ReportsAFileThatCannotBeCreated) {
    ScratchDir dir;
    const auto noFolder = writeFileAtomically(dir.file("none/x.bin"), std::string_view("data"));
    ASSERT_FALSE(noFolder.ok());
    EXPECT_EQ(noFolder.detail,
              "Cannot create \"" + dir.file("none/x.bin") + "\": No such file or directory");

    std::filesystem::create_directory(dir.file("taken"));
    EXPECT_FALSE(writeFileAtomically(dir.file("taken"), std::string_view("data")).ok());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken")));
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(AtomicFile, KeepsThePermissionBitsOfTheFileItReplaces) {
    ScratchDir dir;
    const mode_t previousUmask = ::umask(022);
    const std::string fresh = dir.file("new.bin");
    EXPECT_TRUE(writeFileAtomically(fresh, std::string_view("new")).ok());
    EXPECT_EQ(modeOf(fresh), 0644u) << "a new file gets what the umask leaves";
    for (unsigned mode : {0600u, 0640u, 0755u, 02750u}) {
        const std::string path = dir.file("kept.bin");
        writeAll(path, bytesOf("old"));
        ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(mode)), 0);
        EXPECT_TRUE(writeFileAtomically(path, std::string_view("replaced")).ok()) << mode;
        EXPECT_EQ(modeOf(path), mode) << std::oct << mode;
        EXPECT_EQ(readAll(path), bytesOf("replaced"));
        ::chmod(path.c_str(), 0600);
    }
    ::umask(previousUmask);
}

TEST(AtomicFile, OptionsReplaceAReadOnlyFileWritableAndVerifyBeforeTheRename) {
    ScratchDir dir;
    const std::string path = dir.file("image.rs232");
    writeAll(path, bytesOf("old"));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    WriteOptions options;
    options.replaceReadOnly = true;
    options.verify = true;
    EXPECT_TRUE(writeFileAtomically(path, bytesOf("new"), options).ok());
    EXPECT_EQ(readAll(path), bytesOf("new"));
    EXPECT_EQ(modeOf(path), 0644u);

    // What lands on the disk differs from what was meant: the old file stays.
    TestFileSystem disk;
    disk.corruptWrites = true;
    const Status<> status = writeFileAtomically(path, bytesOf("newer"), options, disk);
    EXPECT_EQ(status.detail,
              "Cannot write \"" + path + "\": what was read back differs from what was written");
    EXPECT_EQ(readAll(path), bytesOf("new"));
    EXPECT_EQ(dir.entryCount(), 1u);
    options.verify = false; // unverified, the damage goes unseen
    EXPECT_TRUE(writeFileAtomically(path, bytesOf("newer"), options, disk).ok());
    EXPECT_EQ(readAll(path), bytesOf("oewer"));
}

std::string linkedTo(const std::string& path) {
    return std::filesystem::read_symlink(path).string();
}

// The link stays a link and what it names gets the bytes, keeping its bits; a link that names
// nothing yet makes that file. Unfollowed (a work file), the link is replaced and its file kept.
TEST(AtomicFile, WritesThroughALinkOrReplacesItWhenAsked) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("real"));
    const std::string target = dir.file("real/list.cdd");
    writeAll(target, bytesOf("old"));
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("real/list.cdd", dir.file("hop"));
    std::filesystem::create_symlink("hop", dir.file("list.cdd"));
    TestFileSystem disk;
    ASSERT_TRUE(writeFileAtomically(dir.file("list.cdd"), std::string_view("new"), disk).ok());
    EXPECT_EQ(linkedTo(dir.file("list.cdd")), "hop");
    EXPECT_EQ(readAll(target), bytesOf("new"));
    EXPECT_EQ(modeOf(target), 0640u);
    EXPECT_EQ(disk.calls.back(), "sync folder " + dir.file("real"))
        << "the temporary file lives beside the file it replaces";

    std::filesystem::create_symlink("real/made.cdd", dir.file("dangling.cdd"));
    EXPECT_TRUE(writeFileAtomically(dir.file("dangling.cdd"), std::string_view("made")).ok());
    EXPECT_EQ(readAll(dir.file("real/made.cdd")), bytesOf("made"));

    std::filesystem::create_symlink("loop", dir.file("loop"));
    const auto loop = writeFileAtomically(dir.file("loop"), std::string_view("x"));
    EXPECT_EQ(loop.cause, "Too many levels of symbolic links");

    const auto unfollowed = writeFileAtomically(dir.file("list.cdd"), std::string_view("work"),
                                                systemFileSystem(), {.followLinks = false});
    ASSERT_TRUE(unfollowed.ok()) << unfollowed.detail;
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("list.cdd")));
    EXPECT_EQ(readAll(dir.file("list.cdd")), bytesOf("work"));
    EXPECT_EQ(readAll(target), bytesOf("new"));
}

// A read-only file is left alone unless the caller asks to replace it (the receiver image).
// As root, who may write anything, read-only means nobody has write permission.
TEST(AtomicFile, RefusesAReadOnlyFileUnlessAskedToReplaceIt) {
    ScratchDir dir;
    const std::string path = dir.file("kept.cdd");
    writeAll(path, bytesOf("old"));
    TestFileSystem disk;
    disk.readOnly = true;
    const auto refused = writeFileAtomically(path, std::string_view("new"), disk);
    EXPECT_EQ(refused.detail,
              "Cannot replace \"" + path + "\": the file is read-only; it is left as it was");
    EXPECT_TRUE(disk.calls.empty()) << "nothing is created";
    EXPECT_TRUE(writeFileAtomically(dir.file("fresh.cdd"), std::string_view("new"), disk).ok());

    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(writeFileAtomically(path, std::string_view("new")).ok());
    EXPECT_EQ(readAll(path), bytesOf("old"));
    EXPECT_TRUE(writeFileAtomically(path, std::string_view("new"), systemFileSystem(),
                                    {.replaceReadOnly = true})
                    .ok());
    EXPECT_EQ(readAll(path), bytesOf("new"));
    EXPECT_EQ(modeOf(path), 0644u) << "replaced by a file its owner may write";

    if (::geteuid() != 0)
        return;
    // A user who may change the folder but not the file: the rename would replace it anyway.
    ::chmod(dir.path().c_str(), 0777);
    ::chmod(path.c_str(), 0644); // root's, so read-only to anyone else
    const std::string own = dir.file("own.cdd");
    writeAll(own, bytesOf("old"));
    ASSERT_EQ(::chown(own.c_str(), kNobody, kNobody), 0);
    ::chmod(own.c_str(), 0444);
    EXPECT_EQ(exitStatusAsNobody([&] {
                  const bool othersRefused = !writeFileAtomically(path, std::string_view("x")).ok();
                  const bool ownRefused = !writeFileAtomically(own, std::string_view("x")).ok();
                  const bool ownReplaced =
                      writeFileAtomically(own, std::string_view("y"), systemFileSystem(),
                                          {.replaceReadOnly = true})
                          .ok();
                  return othersRefused && ownRefused && ownReplaced ? 0 : 1;
              }),
              0);
    EXPECT_EQ(readAll(path), bytesOf("new"));
    EXPECT_EQ(readAll(own), bytesOf("y"));
}

TEST(AtomicFile, SyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
    ScratchDir dir;
    const std::string path = dir.file("out.bin");
    writeAll(path, bytesOf("old"));
    ::chmod(path.c_str(), 0640);
    TestFileSystem disk;
    ASSERT_TRUE(writeFileAtomically(path, std::string_view("new"), disk).ok());
    ASSERT_EQ(disk.calls.size(), 7u);
    const std::string tmp = disk.calls[0].substr(std::string("create ").size());
    EXPECT_TRUE(std::regex_match(
        tmp,
        std::regex(std::regex_replace(path, std::regex("[.]"), "\\.") + "\\.[0-9a-f-]+\\.tmp")))
        << tmp;
    EXPECT_EQ(disk.calls,
              (std::vector<std::string>{"create " + tmp, "chmod " + tmp + " 640", "write " + tmp,
                                        "sync " + tmp, "close " + tmp, "rename " + tmp + " " + path,
                                        "sync folder " + dir.path()}));

    // A path without a folder is in the current one.
    disk.calls.clear();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_TRUE(writeFileAtomically("here.bin", std::string_view("x"), disk).ok());
    std::filesystem::current_path(previous);
    ASSERT_FALSE(disk.calls.empty());
    EXPECT_EQ(disk.calls.back(), "sync folder .");
}

TEST(AtomicFile, AFolderThatCannotBeSyncedIsReportedButNotAsAnOldFile) {
    ScratchDir dir;
    const std::string path = dir.file("out.bin");
    TestFileSystem disk;
    disk.syncFolderError = std::make_error_code(std::errc::io_error);
    const Status<> status = writeFileAtomically(path, std::string_view("new"), disk);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.detail, "Cannot write \"" + path +
                                 "\": the file was replaced, but its folder could not be synced: "
                                 "Input/output error");
    EXPECT_EQ(readAll(path), bytesOf("new"));

    // A file system that has no folder sync at all is no failure.
    disk.syncFolderError = std::make_error_code(std::errc::invalid_argument);
    EXPECT_TRUE(writeFileAtomically(path, std::string_view("newer"), disk).ok());
}

} // namespace
} // namespace corvane
