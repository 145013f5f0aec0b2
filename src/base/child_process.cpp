#include "base/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace corvane {
namespace {

constexpr std::size_t kErrorOutputLimit = std::size_t{64} << 10;

std::error_code lastError() {
    return {errno, std::generic_category()};
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

bool makePipe(Descriptor& readEnd, Descriptor& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return true;
}

// Tells the parent why the child could not become the program, and ends the child.
[[noreturn]] void failChild(int report) {
    const int code = errno;
    while (::write(report, &code, sizeof code) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

// Only async-signal-safe calls between fork and exec: the parent may have other threads.
[[noreturn]] void execChild(const char* program, const char* folder, int errorOut, int report) {
    const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nothing < 0 || ::dup2(nothing, 0) < 0 || ::dup2(nothing, 1) < 0 || ::dup2(errorOut, 2) < 0)
        failChild(report);
    if (::chdir(folder) != 0)
        failChild(report);
    char* const argv[] = {const_cast<char*>(program), nullptr};
    ::execv(program, argv);
    failChild(report);
}

// What the child told through the report pipe before its exec: nothing once exec succeeded.
std::error_code startFailure(int report) {
    int code = 0;
    ssize_t got = 0;
    do {
        got = ::read(report, &code, sizeof code);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof code) ? std::error_code(code, std::generic_category())
                                                    : std::error_code();
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

pid_t waitFor(pid_t pid, int& status, int flags) {
    pid_t got = 0;
    do {
        got = ::waitpid(pid, &status, flags);
    } while (got < 0 && errno == EINTR);
    return got;
}

} // namespace

ProgramRun runProgram(const std::string& program, const std::string& folder,
                      std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    ProgramRun run;
    Descriptor errorRead, errorWrite, reportRead, reportWrite;
    if (!makePipe(errorRead, errorWrite) || !makePipe(reportRead, reportWrite)) {
        run.startError = lastError();
        return run;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        run.startError = lastError();
        return run;
    }
    if (pid == 0)
        execChild(program.c_str(), folder.c_str(), errorWrite.get(), reportWrite.get());

    errorWrite.reset();
    reportWrite.reset();
    int status = 0;
    if (const std::error_code failure = startFailure(reportRead.get())) {
        waitFor(pid, status, 0);
        run.startError = failure;
        return run;
    }

    // The error output is read while waiting: a child that fills the pipe would otherwise block.
    std::string errors;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd watch{errorRead.get(), POLLIN, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        char chunk[4096];
        const ssize_t got = ::read(errorRead.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        const std::size_t room = kErrorOutputLimit - std::min(kErrorOutputLimit, errors.size());
        errors.append(chunk, std::min(room, static_cast<std::size_t>(got)));
    }
    // Standard error closed, which is nearly always the end; a child that closed it early still
    // gets the rest of its time.
    while (Clock::now() < deadline) {
        if (waitFor(pid, status, WNOHANG) == pid) {
            run = ended(status);
            run.errorOutput = std::move(errors);
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (waitFor(pid, status, WNOHANG) == pid) {
        run = ended(status);
    } else {
        ::kill(pid, SIGKILL);
        waitFor(pid, status, 0);
        run.end = ProgramEnd::TimedOut;
    }
    run.errorOutput = std::move(errors);
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
