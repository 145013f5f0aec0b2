#pragma once
// A durable write keeps a temporary file beside its target until the rename. A program stopped
// by Ctrl+C or a kill while one exists would leave it behind; after
// removeTemporaryFilesOnInterrupt() the temporary files of the writes under way are removed first
// and the program then ends as the signal would have ended it.

#include <signal.h>

namespace corvane {

// Installs handlers for SIGINT, SIGTERM and SIGHUP (a signal the process was started ignoring
// stays ignored). For a program's main, before any write; the editor does not need it.
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
