#pragma once
// Reading a file's bytes, for every reader of the core: one way to open, read and report why it
// failed, in the system's own words ("No such file or directory", "Is a directory"). A folder or
// any other file that cannot be read is a failure, never an empty file.

#include "base/status.h"

#include <cstddef>
#include <string>
#include <system_error>

namespace corvane {

// An open file, read front to back; closed when the reader goes.
class FileReader {
public:
    explicit FileReader(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Why the open or the last read failed; empty while all is well.
    const std::error_code& error() const { return error_; }

    // Appends up to `limit` more bytes to `out`, fewer only at the end of the file. False (with
    // error() set) when the file is not open or a read fails.
    bool read(std::string& out, std::size_t limit);
    // Appends everything up to the end of the file.
    bool readToEnd(std::string& out);

private:
    int fd_ = -1;
    std::error_code error_;
};

// CannotOpen: the file could not be opened; CannotRead: it opened, but reading failed (a folder).
enum class FileRead { Ok, CannotOpen, CannotRead };

// The whole file. On failure the cause is the system's reason and the detail "path: reason".
Result<std::string, FileRead> readWholeFile(const std::string& path);

} // namespace corvane
