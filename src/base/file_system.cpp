#include "base/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace corvane {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

class PosixFile final : public WritableFile {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    std::error_code write(std::span<const uint8_t> bytes) override {
        while (!bytes.empty()) {
            const std::size_t chunk = std::min<std::size_t>(bytes.size(), std::size_t{1} << 20);
            const ssize_t wrote = ::write(fd_, bytes.data(), chunk);
            if (wrote < 0) {
                if (errno == EINTR)
                    continue;
                return lastError();
            }
            bytes = bytes.subspan(static_cast<std::size_t>(wrote));
        }
        return {};
    }
    std::error_code setPermissions(unsigned mode) override {
        return ::fchmod(fd_, static_cast<mode_t>(mode)) == 0 ? std::error_code() : lastError();
    }
    std::error_code sync() override { return ::fsync(fd_) == 0 ? std::error_code() : lastError(); }
    std::error_code close() override {
        const int fd = fd_;
        fd_ = -1;
        // The descriptor is gone after close() even when it reports an error: never retried.
        return ::close(fd) == 0 ? std::error_code() : lastError();
    }

private:
    int fd_;
};

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<WritableFile> createNew(const std::string& path,
                                            std::error_code& error) override {
        int fd = -1;
        do {
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            error = lastError();
            return nullptr;
        }
        error.clear();
        return std::make_unique<PosixFile>(fd);
    }
    std::optional<unsigned> permissions(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        return static_cast<unsigned>(info.st_mode & 07777);
    }
    bool isReadOnly(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return false;
        if (::geteuid() == 0)
            return (info.st_mode & 0222) == 0;
        return ::access(path.c_str(), W_OK) != 0 && errno == EACCES;
    }
    std::string linkTarget(const std::string& path, std::error_code& error) override {
        error.clear();
        std::filesystem::path at = path;
        // As many links as the kernel itself follows before it calls it a loop.
        for (int hop = 0; hop < 40; ++hop) {
            struct stat info {};
            if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
                return at.string();
            std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
            const ssize_t length = ::readlink(at.c_str(), target.data(), target.size());
            if (length < 0 || static_cast<std::size_t>(length) >= target.size())
                return at.string(); // changed under us: write to the name as it stands
            target.resize(static_cast<std::size_t>(length));
            // A relative link is relative to the folder that holds it.
            at = std::filesystem::path(target).is_absolute() ? std::filesystem::path(target)
                                                             : at.parent_path() / target;
        }
        error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
        return path;
    }
    FileKind kind(const std::string& path) override {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0)
            return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Other;
        if (S_ISLNK(info.st_mode))
            return FileKind::Link;
        return S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
    }
    std::error_code rename(const std::string& from, const std::string& to) override {
        return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : lastError();
    }
    std::error_code syncFolder(const std::string& folder) override {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return lastError();
        const int synced = ::fsync(fd);
        const std::error_code error = synced == 0 ? std::error_code() : lastError();
        ::close(fd);
        return error;
    }
    void remove(const std::string& path) override { ::unlink(path.c_str()); }
};

} // namespace

unsigned newFileMode() {
    // The kernel tells the umask without changing it; reading it by setting it would race with
    // any other thread that creates a file meanwhile.
    unsigned mask = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
                break;
        std::fclose(status);
    } else {
        const mode_t current = ::umask(022);
        ::umask(current);
        mask = static_cast<unsigned>(current);
    }
    return 0666u & ~mask;
}

FileSystem& systemFileSystem() {
    static PosixFileSystem system;
    return system;
}

} // namespace corvane
