#pragma once
// Running another program to its end, for the tools that hand work to a helper: started in a
// folder of its own choosing without changing ours, with no input, its output discarded and its
// error output kept, and stopped when it outlives its time. Finding a program by name, too.

#include <chrono>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace corvane {

enum class ProgramEnd {
    Exited,      // exitStatus holds its status
    Killed,      // ended by a signal, `signal`
    CannotStart, // startError says why; it never ran
    TimedOut,    // still running at the deadline; it has been killed
};

struct ProgramRun {
    ProgramEnd end = ProgramEnd::CannotStart;
    int exitStatus = -1;
    int signal = 0;
    std::error_code startError;
    std::string errorOutput; // what it wrote to standard error, its first 64 KiB
};

// Runs `program` (a path) without arguments in `folder` and waits for it, at most `timeout`.
// Blocks the calling thread; the caller's current folder is never changed.
ProgramRun runProgram(const std::string& program, const std::string& folder,
                      std::chrono::milliseconds timeout);

// The folder of the running program's executable; empty when the system does not say.
std::string runningProgramFolder();

// The first executable regular file called `name` in `folders`, in order, then in the folders of
// the PATH variable.
std::optional<std::string> findProgram(const std::string& name,
                                       const std::vector<std::string>& folders);

} // namespace corvane
