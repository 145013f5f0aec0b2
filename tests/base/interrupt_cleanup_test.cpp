#include "base/atomic_file.h"
#include "base/interrupt_cleanup.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane {
namespace {

using namespace corvane::testing;

// The real file system, except that a write tells `ready` it has begun and then waits forever:
// the moment a user presses Ctrl+C in the middle of a save.
class StallingFileSystem final : public FileSystem {
public:
    explicit StallingFileSystem(int ready) : ready_(ready) {}
    std::unique_ptr<WritableFile> createNew(const std::string& path,
                                            std::error_code& error) override {
        auto file = systemFileSystem().createNew(path, error);
        return file ? std::make_unique<Stalling>(ready_) : nullptr;
    }
    std::optional<unsigned> permissions(const std::string& path) override {
        return systemFileSystem().permissions(path);
    }
    bool isReadOnly(const std::string& path) override {
        return systemFileSystem().isReadOnly(path);
    }
    std::string linkTarget(const std::string& path, std::error_code& error) override {
        return systemFileSystem().linkTarget(path, error);
    }
    FileKind kind(const std::string& path) override { return systemFileSystem().kind(path); }
    std::error_code rename(const std::string& from, const std::string& to) override {
        return systemFileSystem().rename(from, to);
    }
    std::error_code syncFolder(const std::string& folder) override {
        return systemFileSystem().syncFolder(folder);
    }
    void remove(const std::string& path) override { systemFileSystem().remove(path); }

private:
    class Stalling final : public WritableFile {
    public:
        explicit Stalling(int ready) : ready_(ready) {}
        std::error_code write(std::span<const uint8_t>) override {
            if (::write(ready_, "w", 1) != 1)
                ::_exit(3);
            for (;;)
                ::pause();
        }
        std::error_code setPermissions(unsigned) override { return {}; }
        std::error_code sync() override { return {}; }
        std::error_code close() override { return {}; }

    private:
        int ready_;
    };
    int ready_;
};

TEST(InterruptCleanup, AStoppedWriteLeavesNoTemporaryFileAndEndsByTheSignal) {
    for (const int signal : {SIGINT, SIGTERM}) {
        ScratchDir dir;
        const std::string path = dir.file("list.cdd");
        writeAll(path, bytesOf("old"));
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            removeTemporaryFilesOnInterrupt();
            StallingFileSystem stalling(pipeEnds[1]);
            (void)writeFileAtomically(path, std::string_view("new"), stalling);
            ::_exit(4);
        }
        ::close(pipeEnds[1]);
        char byte = 0;
        ASSERT_EQ(::read(pipeEnds[0], &byte, 1), 1) << "the write never began";
        ::close(pipeEnds[0]);
        EXPECT_EQ(dir.entryCount(), 2u) << "the temporary file is there while it writes";
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(dir.entryCount(), 1u) << "only the old file is left";
        EXPECT_EQ(readAll(path), bytesOf("old"));
    }
}

} // namespace
} // namespace corvane
