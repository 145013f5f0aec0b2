#include "base/child_process.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace corvane {
namespace {

using namespace std::chrono_literals;
using namespace corvane::testing;

std::string script(const ScratchDir& dir, const std::string& name, const std::string& body,
                   mode_t mode = 0755) {
    const std::string path = dir.file(name);
    writeText(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), mode);
    return path;
}

TEST(ChildProcess, RunsInTheGivenFolderAndReportsHowItEnded) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("work"));
    const auto here = std::filesystem::current_path();
    const ProgramRun ran =
        runProgram(script(dir, "p", "pwd >&2; echo out; exit 3"), dir.file("work"), 10s);
    EXPECT_EQ(ran.end, ProgramEnd::Exited);
    EXPECT_EQ(ran.exitStatus, 3);
    EXPECT_EQ(ran.errorOutput, dir.file("work") + "\n") << "standard output is discarded";
    EXPECT_EQ(std::filesystem::current_path(), here);

    const auto start = std::chrono::steady_clock::now();
    const ProgramRun slow =
        runProgram(script(dir, "s", "echo begun >&2; exec sleep 20"), dir.path(), 300ms);
    EXPECT_EQ(slow.end, ProgramEnd::TimedOut);
    EXPECT_EQ(slow.errorOutput, "begun\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "killed at its deadline";
}

// Whether the process `pidFile` names still runs (a zombie waiting for its reaper does not),
// given a moment for a kill to take effect.
bool stillRuns(const std::string& pidFile) {
    const std::string pid = readText(pidFile);
    if (pid.empty()) {
        ADD_FAILURE() << "no pid in " << pidFile;
        return true;
    }
    for (int i = 0; i < 200; ++i) {
        const std::string stat = readText("/proc/" + pid.substr(0, pid.find('\n')) + "/stat");
        const std::size_t state = stat.rfind(')') + 2;
        if (state >= stat.size() || stat[state] == 'Z' || stat[state] == 'X')
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST(ChildProcess, NothingTheProgramStartsOutlivesTheRun) {
    ScratchDir dir;
    const auto start = std::chrono::steady_clock::now();
    // Done at once, but its background child holds standard error for half a minute.
    const ProgramRun done =
        runProgram(script(dir, "bg", "sleep 30 & echo $! > bg.pid; echo finished >&2; exit 0"),
                   dir.path(), 20s);
    EXPECT_EQ(done.end, ProgramEnd::Exited);
    EXPECT_EQ(done.errorOutput, "finished\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "waited for the background child";
    EXPECT_FALSE(stillRuns(dir.file("bg.pid")));

    const ProgramRun slow = runProgram(
        script(dir, "slow", "sleep 30 & echo $! > slow.pid; exec sleep 30"), dir.path(), 300ms);
    EXPECT_EQ(slow.end, ProgramEnd::TimedOut);
    EXPECT_FALSE(stillRuns(dir.file("slow.pid"))) << "the timeout killed only the program";
}

TEST(ChildProcess, KeepsTheLastLinesOfALongErrorOutput) {
    ScratchDir dir;
    // About 1.3 MB in lines of 65 bytes; the first and the last line are told apart.
    const ProgramRun ran =
        runProgram(script(dir, "talk",
                          "echo first >&2; i=0; while [ $i -lt 20000 ]; do "
                          "printf '%060d\\n' $i; i=$((i+1)); done >&2; echo last >&2; exit 1"),
                   dir.path(), 60s);
    EXPECT_EQ(ran.end, ProgramEnd::Exited);
    EXPECT_TRUE(ran.errorOutputCut);
    EXPECT_LE(ran.errorOutput.size(), kErrorOutputLimit);
    EXPECT_GT(ran.errorOutput.size(), kErrorOutputLimit - 70);
    EXPECT_EQ(ran.errorOutput.substr(ran.errorOutput.size() - 66),
              std::string(55, '0') + "19999\nlast\n");
    EXPECT_EQ(ran.errorOutput.size() % 61, 5u) << "starts at a whole line";

    const ProgramRun shortOne = runProgram(script(dir, "short", "echo one >&2"), dir.path(), 10s);
    EXPECT_FALSE(shortOne.errorOutputCut);
}

TEST(ChildProcess, TheProgramGetsDefaultSignalsAndNoDescriptorsOfOurs) {
    ScratchDir dir;
    // What the caller has set for itself must not reach the program.
    const int leaked = ::fcntl(STDERR_FILENO, F_DUPFD, 40);
    ASSERT_GE(leaked, 40);
    sigset_t blocked, previousMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);
    struct sigaction ignore {
    }, previousInt{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGINT, &ignore, &previousInt);

    const struct {
        const char* body;
        ProgramEnd end;
        int signal;
        const char* errorOutput;
    } cases[] = {
        {"kill -TERM $$; sleep 5", ProgramEnd::Killed, SIGTERM, ""},
        {"kill -INT $$; sleep 5", ProgramEnd::Killed, SIGINT, ""},
        {"[ -e /proc/$$/fd/40 ] && echo leaked >&2; read x; echo \"[$x]\" >&2", ProgramEnd::Exited,
         0, "[]\n"},
        {"cut -d' ' -f5 /proc/$$/stat >&2; echo $$ >&2", ProgramEnd::Exited, 0, nullptr},
    };
    for (const auto& c : cases) {
        const ProgramRun ran = runProgram(script(dir, "p", c.body), dir.path(), 10s);
        EXPECT_EQ(ran.end, c.end) << c.body;
        EXPECT_EQ(ran.signal, c.signal) << c.body;
        if (c.errorOutput) {
            EXPECT_EQ(ran.errorOutput, c.errorOutput) << c.body;
        } else {
            const std::size_t line = ran.errorOutput.find('\n');
            ASSERT_NE(line, std::string::npos) << ran.errorOutput;
            EXPECT_EQ(ran.errorOutput.substr(0, line + 1), ran.errorOutput.substr(line + 1))
                << "a process group of its own";
        }
    }
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ::close(leaked);
}

TEST(ChildProcess, SaysWhyAProgramCannotStart) {
    ScratchDir dir;
    const std::string noFormat = dir.file("junk");
    writeText(noFormat, "\x7f"
                        "ELF? not really");
    ::chmod(noFormat.c_str(), 0755);
    const struct {
        std::string program, folder;
        std::errc error;
    } cases[] = {
        {dir.file("missing"), dir.path(), std::errc::no_such_file_or_directory},
        {noFormat, dir.path(), std::errc::executable_format_error},
        {script(dir, "ok", "exit 0"), dir.file("no-folder"), std::errc::no_such_file_or_directory},
    };
    for (const auto& c : cases) {
        const ProgramRun ran = runProgram(c.program, c.folder, 10s);
        EXPECT_EQ(ran.end, ProgramEnd::CannotStart) << c.program;
        EXPECT_EQ(ran.startError, std::make_error_code(c.error)) << c.program;
    }
}

TEST(ChildProcess, FindsAProgramInTheFoldersFirstThenOnThePath) {
    ScratchDir dir;
    for (const char* folder : {"first", "second", "onpath", "plain"})
        std::filesystem::create_directory(dir.file(folder));
    script(dir, "second/tool", "");
    script(dir, "onpath/tool", "");
    script(dir, "plain/tool", "", 0644);                       // not executable: passed over
    std::filesystem::create_directory(dir.file("first/tool")); // a folder: passed over
    const char* previous = std::getenv("PATH");
    const std::string kept = previous ? previous : "";
    ::setenv("PATH", ("::" + dir.file("plain") + ":" + dir.file("onpath")).c_str(), 1);
    EXPECT_EQ(findProgram("tool", {dir.file("first"), dir.file("second")}),
              dir.file("second/tool"));
    EXPECT_EQ(findProgram("tool", {dir.file("first")}), dir.file("onpath/tool"));
    EXPECT_EQ(findProgram("other", {dir.file("second")}), std::nullopt);
    ::setenv("PATH", kept.c_str(), 1);
    EXPECT_FALSE(runningProgramFolder().empty());
}

} // namespace
} // namespace corvane
