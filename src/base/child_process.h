#pragma once
// Running another program to its end, for the tools that hand work to a helper: started in a
// folder of its own choosing without changing ours, with no input, its output discarded and its
// error output kept, and stopped when it outlives its time. Finding a program by name, too.
//
// The program runs in a process group of its own, with the signal mask and dispositions reset
// and no descriptor of ours but standard error, and the group goes with it: whatever it started
// and left behind is killed when it ends, and everything is killed at the deadline. So nothing it
// starts outlives the run, and a background child that holds its standard error open cannot keep
// the caller waiting.

#include <sys/types.h>

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

// How much of a program's standard error a run keeps: the end, where the reason usually is.
inline constexpr std::size_t kErrorOutputLimit = std::size_t{64} << 10;

struct ProgramRun {
    ProgramEnd end = ProgramEnd::CannotStart;
    int exitStatus = -1;
    int signal = 0;
    std::error_code startError;
    // What it wrote to standard error: its last kErrorOutputLimit bytes at most, from the start of
    // a line when the beginning had to go.
    std::string errorOutput;
    bool errorOutputCut = false; // the beginning of its error output was dropped
};

// Runs `program` (a path) without arguments in `folder` and waits for it, at most `timeout`.
// Blocks the calling thread; the caller's current folder is never changed. Safe to call from any
// thread.
ProgramRun runProgram(const std::string& program, const std::string& folder,
                      std::chrono::milliseconds timeout);

// The folder of the running program's executable; empty when the system does not say.
std::string runningProgramFolder();

// The first executable regular file called `name` in `folders`, in order, then in the folders of
// the PATH variable.
std::optional<std::string> findProgram(const std::string& name,
                                       const std::vector<std::string>& folders);

} // namespace corvane
