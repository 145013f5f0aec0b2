#include "base/interrupt_cleanup.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>

namespace corvane {
namespace {

// The handler may only touch lock-free atomics and call async-signal-safe functions: the paths
// are published as plain pointers into strings their writers keep alive.
constexpr int kSlots = 8;
std::atomic<const char*> marked[kSlots];
static_assert(std::atomic<const char*>::is_always_lock_free);
std::atomic<pid_t> groups[kSlots];
static_assert(std::atomic<pid_t>::is_always_lock_free);

extern "C" void removeMarkedAndStop(int signal) {
    for (auto& slot : marked)
        if (const char* path = slot.load())
            ::unlink(path);
    for (auto& slot : groups)
        if (const pid_t group = slot.load(); group > 0)
            ::kill(-group, SIGKILL);
    // SA_RESETHAND has put the default action back; it takes effect when the handler returns.
    ::raise(signal);
}

} // namespace

void removeTemporaryFilesOnInterrupt() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeMarkedAndStop;
        action.sa_flags = static_cast<int>(SA_RESETHAND);
        sigemptyset(&action.sa_mask);
        for (const int other : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&action.sa_mask, other);
        ::sigaction(signal, &action, nullptr);
    }
}

InterruptCleanup::InterruptCleanup(const char* path) {
    for (int i = 0; i < kSlots; ++i) {
        const char* expected = nullptr;
        if (marked[i].compare_exchange_strong(expected, path)) {
            slot_ = i;
            return;
        }
    }
}

InterruptCleanup::~InterruptCleanup() {
    if (slot_ >= 0)
        marked[slot_].store(nullptr);
}

InterruptKillsGroup::InterruptKillsGroup(pid_t group) {
    for (int i = 0; i < kSlots; ++i) {
        pid_t expected = 0;
        if (groups[i].compare_exchange_strong(expected, group)) {
            slot_ = i;
            return;
        }
    }
}

InterruptKillsGroup::~InterruptKillsGroup() {
    if (slot_ >= 0)
        groups[slot_].store(0);
}

DeferInterrupts::DeferInterrupts() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

DeferInterrupts::~DeferInterrupts() {
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

} // namespace corvane
