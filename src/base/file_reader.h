#pragma once
// Reading a file's bytes, for every reader of the core: one way to open, read and report why it
// failed, in the system's own words ("No such file or directory", "Is a directory"). A folder or
// any other file that cannot be read is a failure, never an empty file. No read takes more than
// kMaxFileBytes from one file, whatever it is: a regular file, a pipe or a device such as
// /dev/zero that never ends.

#include "base/status.h"

#include <cstddef>
#include <optional>
#include <string>

namespace corvane {

// The most any reader takes from one file: 256 MiB. The largest channel lists that exist are
// under 20 MB and the largest file any format allows is smaller still, so anything longer is not
// a channel list, and reading it whole could take all the memory there is.
inline constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

// Why a file is refused when it holds more than `maxBytes`: "larger than 256 MiB, the most
// Corvane reads".
std::string tooLargeCause(std::size_t maxBytes = kMaxFileBytes);
// Why a read is given up when the memory for it cannot be had.
inline constexpr const char* kOutOfMemory = "not enough memory to read it";

// What a reader accepts at a path. Opening never waits: a named pipe that nothing writes to is
// refused at once instead of blocking until something does.
enum class FileOrigin {
    // Named by the user: anything readable, links followed, pipes and devices included.
    Chosen,
    // A file Corvane picks itself by a fixed name in a folder ("config.txt"): only a regular
    // file, never through a link, which anyone who can write the folder could have planted.
    Own,
};

// CannotOpen: the file could not be opened; CannotRead: it opened, but reading failed (a folder,
// or no memory for it); TooLarge: it holds more than a read's bound.
enum class FileRead { Ok, CannotOpen, CannotRead, TooLarge };

// An open file, read front to back; closed when the reader goes.
class FileReader {
public:
    explicit FileReader(const std::string& path, FileOrigin origin = FileOrigin::Chosen);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // How the open went: CannotOpen with the cause in the system's words, or ours where it has
    // none ("not a regular file"), and the detail "path: cause".
    const Status<FileRead>& opened() const { return opened_; }
    // The size of a regular file; nullopt for a pipe, a device or a file that is not open.
    std::optional<std::size_t> regularFileSize() const;

    // Appends up to `limit` more bytes to `out`, fewer only at the end of the file. Fails as the
    // open did when the file is not open, CannotRead when a read fails. `out` never holds more
    // memory than its bytes so far and `limit` need.
    Status<FileRead> read(std::string& out, std::size_t limit);
    // True when a byte follows what was read (it is kept for the next read); false at the end of
    // the file or on a read error, which the next read then reports.
    bool hasMore();

private:
    bool firstPipeByte();
    void refuse(std::string why);

    int fd_ = -1;
    Status<FileRead> opened_;
    std::optional<char> pending_;
};

// The whole file. On failure the cause is the system's reason (or tooLargeCause(), kOutOfMemory)
// and the detail "path: reason". Never throws.
Result<std::string, FileRead> readWholeFile(const std::string& path,
                                            std::size_t maxBytes = kMaxFileBytes,
                                            FileOrigin origin = FileOrigin::Chosen);

} // namespace corvane
