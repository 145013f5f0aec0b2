#include "base/child_process.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

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
