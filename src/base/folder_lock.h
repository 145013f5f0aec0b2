#pragma once
// An advisory lock on a folder, for work that must not interleave with the same work of another
// process in that folder: two Saves into one folder would otherwise leave a .cdd of one beside
// the receiver image of the other. Every Corvane process takes it the same way; the lock goes
// with its holder, also when the process dies.

#include "base/status.h"

#include <memory>
#include <string>

namespace corvane {

class FolderLock {
public:
    explicit FolderLock(int fd) : fd_(fd) {}
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // True when `folder` is the folder this lock holds, by whatever name.
    bool holds(const std::string& folder) const;

private:
    int fd_;
};

// Busy: another holder has the lock; Failed: the folder cannot be opened to lock it.
enum class LockOutcome { Ok, Busy, Failed };

// Takes the lock on `folder` without waiting.
Result<std::unique_ptr<FolderLock>, LockOutcome> tryLockFolder(const std::string& folder);

} // namespace corvane
