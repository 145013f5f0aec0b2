#include "base/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace corvane {

FolderLock::~FolderLock() {
    ::close(fd_);
}

bool FolderLock::holds(const std::string& folder) const {
    struct stat held {
    }, other{};
    return ::fstat(fd_, &held) == 0 && ::stat(folder.c_str(), &other) == 0 &&
           held.st_dev == other.st_dev && held.st_ino == other.st_ino;
}

Result<std::unique_ptr<FolderLock>, LockOutcome> tryLockFolder(const std::string& folder) {
    Result<std::unique_ptr<FolderLock>, LockOutcome> result(folder);
    // Close-on-exec, so that a program the holder starts cannot keep the lock past its holder.
    int fd = -1;
    do {
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result.fail(LockOutcome::Failed, std::error_code(errno, std::generic_category()).message());
        return result;
    }
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            result.fail(LockOutcome::Busy, "another Save into this folder is running");
        else
            result.fail(LockOutcome::Failed,
                        std::error_code(error, std::generic_category()).message());
        return result;
    }
    result.value = std::make_unique<FolderLock>(fd);
    return result;
}

} // namespace corvane
