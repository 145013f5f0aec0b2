#include "base/child_process.h"

#include "base/interrupt_cleanup.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

extern char** environ;

namespace corvane {
namespace {

// Without a pidfd (an old kernel) the end of the program is looked for this often.
constexpr std::chrono::milliseconds kExitPollInterval{10};
// Once the program has ended, how much more of what is already in the pipe is read: enough for
// the last writes of the group's members, bounded against one that escaped the group and goes on.
constexpr std::size_t kDrainLimit = 2 * kErrorOutputLimit;

std::error_code errorOf(int code) {
    return {code, std::generic_category()};
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// The last `limit` bytes written to it, in a ring: a program that writes a gigabyte costs no more
// than one that writes the limit.
class TailBuffer {
public:
    explicit TailBuffer(std::size_t limit) : limit_(limit) { ring_.reserve(limit); }

    void append(const char* data, std::size_t size) {
        if (size >= limit_) {
            cut_ = cut_ || size > limit_ || !ring_.empty();
            ring_.assign(data + size - limit_, limit_);
            next_ = 0;
            return;
        }
        const std::size_t fill = std::min(size, limit_ - ring_.size());
        ring_.append(data, fill);
        data += fill;
        size -= fill;
        cut_ = cut_ || size > 0;
        while (size > 0) {
            const std::size_t part = std::min(size, limit_ - next_);
            std::memcpy(ring_.data() + next_, data, part);
            next_ = (next_ + part) % limit_;
            data += part;
            size -= part;
        }
    }
    bool cut() const { return cut_; }
    // The bytes in order; when the beginning went, from the first whole line on.
    std::string take() {
        std::rotate(ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(next_), ring_.end());
        next_ = 0;
        if (cut_) {
            const std::size_t lineEnd = ring_.find('\n');
            if (lineEnd != std::string::npos && lineEnd + 1 < ring_.size())
                ring_.erase(0, lineEnd + 1);
        }
        return std::move(ring_);
    }

private:
    std::size_t limit_;
    std::string ring_;
    std::size_t next_ = 0; // where the oldest byte is, once the ring is full
    bool cut_ = false;
};

// Reads what the pipe holds now, without waiting. False once every writer has closed it.
bool drain(int fd, TailBuffer& into, std::size_t limit = std::string::npos) {
    char chunk[16384];
    std::size_t taken = 0;
    while (taken < limit) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            into.append(chunk, static_cast<std::size_t>(got));
            taken += static_cast<std::size_t>(got);
        } else if (got == 0) {
            return false;
        } else if (errno != EINTR) {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
    }
    return true;
}

// Whether the child has ended, leaving it unreaped: while it is a zombie its pid cannot be
// reused, so its group can still be killed safely.
bool hasEnded(pid_t pid) {
    siginfo_t info{};
    int got = 0;
    do {
        got = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (got < 0 && errno == EINTR);
    return got == 0 && info.si_pid == pid;
}

// A descriptor that becomes readable when the child ends; -1 where the kernel has none.
int endingDescriptor(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

ProgramRun ended(int status) {
    ProgramRun run;
    if (WIFEXITED(status)) {
        run.end = ProgramEnd::Exited;
        run.exitStatus = WEXITSTATUS(status);
    } else {
        run.end = ProgramEnd::Killed;
        run.signal = WTERMSIG(status);
    }
    return run;
}

// Starts the program in a group of its own; its pid, or the error that kept it from starting.
// posix_spawn reports failures of the child's setup and of the exec itself as its result.
int spawn(pid_t& pid, const std::string& program, const std::string& folder, int errorOut) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (const int failed = ::posix_spawn_file_actions_init(&actions))
        return failed;
    if (const int failed = ::posix_spawnattr_init(&attributes)) {
        ::posix_spawn_file_actions_destroy(&actions);
        return failed;
    }
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    // Standard error first: the pipe may itself be descriptor 0 or 1 when ours were closed.
    int failed = ::posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    if (!failed)
        failed = ::posix_spawn_file_actions_adddup2(&actions, errorOut, STDERR_FILENO);
    if (!failed)
        failed =
            ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!failed)
        failed =
            ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!failed)
        failed = ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    if (!failed)
        failed = ::posix_spawnattr_setflags(
            &attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    if (!failed)
        failed = ::posix_spawnattr_setsigmask(&attributes, &none);
    if (!failed)
        failed = ::posix_spawnattr_setsigdefault(&attributes, &all);
    if (!failed)
        failed = ::posix_spawnattr_setpgroup(&attributes, 0);
    if (!failed) {
        char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
        failed = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
    }
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return failed;
}

} // namespace

ProgramRun runProgram(const std::string& program, const std::string& folder,
                      std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    ProgramRun run;
    Descriptor errorRead, errorWrite;
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            run.startError = errorOf(errno);
            return run;
        }
        errorRead.reset(fds[0]);
        errorWrite.reset(fds[1]);
    }
    ::fcntl(errorRead.get(), F_SETFL, O_NONBLOCK);
    pid_t pid = 0;
    std::optional<InterruptKillsGroup> killedOnInterrupt;
    {
        // An interrupt between the start and the mark would leave the group running.
        DeferInterrupts held;
        if (const int failed = spawn(pid, program, folder, errorWrite.get())) {
            run.startError = errorOf(failed);
            return run;
        }
        killedOnInterrupt.emplace(pid);
    }
    errorWrite.reset();
    const Descriptor ending(endingDescriptor(pid));

    // Standard error is read while waiting, or a program that fills the pipe would block. The
    // wait is for the program's own end, not for the pipe to close: what it started may hold it.
    TailBuffer errors(kErrorOutputLimit);
    bool pipeOpen = true;
    bool done = false;
    for (;;) {
        if ((done = hasEnded(pid)))
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - Clock::now() + std::chrono::microseconds(999));
        if (left.count() <= 0)
            break;
        pollfd watch[2] = {{pipeOpen ? errorRead.get() : -1, POLLIN, 0}, {ending.get(), POLLIN, 0}};
        const int wait = ending.get() < 0
                             ? static_cast<int>(std::min(left, kExitPollInterval).count())
                             : static_cast<int>(left.count());
        if (::poll(watch, 2, wait) < 0 && errno != EINTR)
            break;
        if (watch[0].revents != 0)
            pipeOpen = drain(errorRead.get(), errors);
    }
    if (!done)
        done = hasEnded(pid);
    // Whatever it left running goes with it; at the deadline everything goes.
    ::kill(-pid, SIGKILL);
    if (pipeOpen)
        drain(errorRead.get(), errors, kDrainLimit);
    killedOnInterrupt.reset();
    const int status = reap(pid);
    if (done) {
        run = ended(status);
    } else {
        run.end = ProgramEnd::TimedOut;
    }
    run.errorOutputCut = errors.cut();
    run.errorOutput = errors.take();
    return run;
}

std::string runningProgramFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

std::optional<std::string> findProgram(const std::string& name,
                                       const std::vector<std::string>& folders) {
    const auto runnable = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               ::access(path.c_str(), X_OK) == 0;
    };
    std::vector<std::string> candidates = folders;
    if (const char* path = std::getenv("PATH")) {
        const std::string_view list(path);
        std::size_t from = 0;
        while (from <= list.size()) {
            const std::size_t colon = std::min(list.find(':', from), list.size());
            // An empty entry means the current folder, which a caller names itself if it wants it.
            if (colon > from)
                candidates.emplace_back(list.substr(from, colon - from));
            from = colon + 1;
        }
    }
    for (const std::string& folder : candidates) {
        if (folder.empty())
            continue;
        std::string path = (std::filesystem::path(folder) / name).string();
        if (runnable(path))
            return path;
    }
    return std::nullopt;
}

} // namespace corvane
