#pragma once
// Helpers shared by the test programs: a private scratch folder, a scoped change of the current
// folder, a small file system of its own, and whole-file reads and writes. Each undoes itself in
// its destructor, so a test that fails an assertion half-way leaves nothing behind.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::testing {

using Bytes = std::vector<uint8_t>;

// A fresh folder of its own under the system temp folder, removed with its contents at scope
// exit. The name is made unique by mkdtemp, so parallel test programs never share one.
class ScratchDir {
public:
    explicit ScratchDir(std::string_view purpose = "test") {
        std::string pattern = (std::filesystem::temp_directory_path() /
                               ("corvane-" + std::string(purpose) + "-XXXXXX"))
                                  .string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::filesystem::filesystem_error(
                "mkdtemp", pattern, std::error_code(errno, std::generic_category()));
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& root() const { return path_; }
    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // How many entries the folder holds: a failed write must leave no temporary behind.
    std::size_t entryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_),
                                                      std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path path_;
};

// Makes `folder` the current folder until the scope ends (the factory conversion writes its work
// file into the current folder).
class CurrentFolder {
public:
    explicit CurrentFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolder() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path previous_;
};

// A tmpfs of `size` ("64k") mounted on `where` until the scope ends, so a write can meet a really
// full or read-only disk. Needs root; mounted() is false where it cannot be had.
class ScopedTmpfs {
public:
    ScopedTmpfs(const std::filesystem::path& where, const std::string& size) : where_(where) {
        if (::geteuid() != 0)
            return;
        std::filesystem::create_directories(where);
        const std::string command =
            "mount -t tmpfs -o size=" + size + " corvane-test '" + where.string() + "' 2>/dev/null";
        mounted_ = std::system(command.c_str()) == 0;
    }
    ~ScopedTmpfs() {
        if (mounted_)
            unmount();
    }
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    bool remountReadOnly() const {
        return std::system(("mount -o remount,ro '" + where_.string() + "'").c_str()) == 0;
    }
    // Unmounts now, for a test that looks at the folder below afterwards.
    void unmount() {
        mounted_ = false;
        if (std::system(("umount '" + where_.string() + "' 2>/dev/null").c_str()) != 0)
            ADD_FAILURE() << "could not unmount " << where_;
    }

private:
    std::filesystem::path where_;
    bool mounted_ = false;
};

// The user and group "nobody", for tests that must see what a user who is not root sees.
inline constexpr uid_t kNobody = 65534;

// Runs `body` in a forked child that has given up root for `kNobody`, and returns the child's exit
// status (`body`'s result), or -1 when it could not drop its privileges or did not exit. Only for
// a test running as root.
inline int exitStatusAsNobody(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(255);
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

inline Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::filesystem::path& path, std::string_view text) {
    std::ofstream(path, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

inline Bytes bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace corvane::testing
