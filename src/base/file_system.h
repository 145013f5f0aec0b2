#pragma once
// The file operations a durable write is made of, behind an interface, so that a test can make
// any of them fail as a full or broken disk would and see the order they come in. The core uses
// systemFileSystem(), the real one, unless a caller hands it another.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>

namespace corvane {

// A file open for writing; the destructor closes it if close() was not called.
class WritableFile {
public:
    virtual ~WritableFile() = default;
    // Writes all of `bytes` or fails.
    virtual std::error_code write(std::span<const uint8_t> bytes) = 0;
    virtual std::error_code setPermissions(unsigned mode) = 0;
    // Returns once the content is on the storage device.
    virtual std::error_code sync() = 0;
    virtual std::error_code close() = 0;
};

// What a name in a folder is, without following a link.
enum class FileKind { Missing, Regular, Link, Other };

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Creates `path`, which must not exist yet, for writing, readable by its owner alone until
    // setPermissions() says otherwise: the bytes must never be readable by others under a name
    // that was briefly world-readable. On failure returns null with `error` set; EEXIST when the
    // name is taken.
    virtual std::unique_ptr<WritableFile> createNew(const std::string& path,
                                                    std::error_code& error) = 0;
    // The permission bits of the file at `path`, following links; nullopt when there is none.
    virtual std::optional<unsigned> permissions(const std::string& path) = 0;
    // True when a file exists at `path` (following links) that this process may not write. The
    // superuser may write any file, so for it a file is read-only when nobody has write
    // permission, as when a user has marked it so.
    virtual bool isReadOnly(const std::string& path) = 0;
    // The path a write to `path` lands on: `path` itself, or for a symbolic link the file it names,
    // followed through further links, even when that file does not exist yet. On failure (a loop
    // of links) returns `path` with `error` set.
    virtual std::string linkTarget(const std::string& path, std::error_code& error) = 0;
    // What `path` itself is: a link is a Link, whatever it names.
    virtual FileKind kind(const std::string& path) = 0;
    // Replaces `to` with `from` in one step.
    virtual std::error_code rename(const std::string& from, const std::string& to) = 0;
    // Returns once the folder's entries (a rename in it) are on the storage device.
    virtual std::error_code syncFolder(const std::string& folder) = 0;
    // Removes a file, ignoring any failure.
    virtual void remove(const std::string& path) = 0;
};

// The operating system's file system.
FileSystem& systemFileSystem();

// The permission bits a new file gets from this process: 0666 less the umask.
unsigned newFileMode();

} // namespace corvane
