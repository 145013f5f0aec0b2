#pragma once
// A durable write keeps a temporary file beside its target until the rename. A program stopped
// by Ctrl+C or a kill while one exists would leave it behind; after
// removeTemporaryFilesOnInterrupt() the temporary files of the writes under way are removed first
// and the program then ends as the signal would have ended it.

#include <signal.h>
#include <sys/types.h>

namespace corvane {

// Installs handlers for SIGINT, SIGTERM and SIGHUP (a signal the process was started ignoring
// stays ignored). For a program's main, before any write and before any other thread starts.
void removeTemporaryFilesOnInterrupt();

// Marks the file at `path` to be removed if the process is interrupted, until the guard goes.
// `path` must outlive the guard. At most a few files are marked at once; beyond that the extra
// ones are not, which costs only a stray temporary file.
class InterruptCleanup {
public:
    explicit InterruptCleanup(const char* path);
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;

private:
    int slot_ = -1;
};

// Makes an interrupt kill the process group `group` (a helper program and what it started) as
// well, until the guard goes. The group must not be reaped while the guard lives.
class InterruptKillsGroup {
public:
    explicit InterruptKillsGroup(pid_t group);
    ~InterruptKillsGroup();
    InterruptKillsGroup(const InterruptKillsGroup&) = delete;
    InterruptKillsGroup& operator=(const InterruptKillsGroup&) = delete;

private:
    int slot_ = -1;
};

// Holds SIGINT, SIGTERM and SIGHUP back on this thread while it lives, so that a file created
// under it is marked before a signal can end the program; a held signal arrives when it goes.
class DeferInterrupts {
public:
    DeferInterrupts();
    ~DeferInterrupts();
    DeferInterrupts(const DeferInterrupts&) = delete;
    DeferInterrupts& operator=(const DeferInterrupts&) = delete;

private:
    sigset_t previous_;
};

} // namespace corvane
