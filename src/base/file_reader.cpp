#include "base/file_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>
#include <system_error>
#include <utility>

namespace corvane {

std::string tooLargeCause(std::size_t maxBytes) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::string size = maxBytes % kMiB == 0 ? std::to_string(maxBytes / kMiB) + " MiB"
                                                  : std::to_string(maxBytes) + " bytes";
    return "larger than " + size + ", the most Corvane reads";
}

namespace {

std::string systemCause(int error) {
    return std::error_code(error, std::generic_category()).message();
}

} // namespace

FileReader::FileReader(const std::string& path, FileOrigin origin) : opened_(path) {
    // Without O_NONBLOCK, opening a named pipe waits until something opens it for writing, which
    // may be never.
    const int noFollow = origin == FileOrigin::Own ? O_NOFOLLOW : 0;
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | noFollow);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        opened_.fail(FileRead::CannotOpen,
                     origin == FileOrigin::Own && errno == ELOOP
                         ? "it is a symbolic link, and Corvane reads its own files only as they are"
                         : systemCause(errno));
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        refuse(systemCause(errno));
        return;
    }
    if (origin == FileOrigin::Own && !S_ISREG(info.st_mode)) {
        refuse(S_ISDIR(info.st_mode) ? std::make_error_code(std::errc::is_a_directory).message()
                                     : std::string("not a regular file"));
        return;
    }
    if (S_ISFIFO(info.st_mode) && !firstPipeByte()) {
        refuse("a named pipe that nothing writes to");
        return;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

bool FileReader::firstPipeByte() {
    // Still non-blocking: a pipe that no writer holds reads as its end at once, one whose writer
    // has not written yet as "try again". A writer that opens it just after us (as a program
    // started beside us does) is given a moment before the pipe counts as one nothing writes to.
    constexpr int kWriterGraceMs = 500;
    for (int attempt = 0; attempt < 2; ++attempt) {
        char byte = 0;
        ssize_t got = 0;
        do {
            got = ::read(fd_, &byte, 1);
        } while (got < 0 && errno == EINTR);
        if (got == 1)
            pending_ = byte;
        if (got != 0)
            return true; // a byte, or a writer that has not written yet; errors show on reading
        if (attempt == 0) {
            pollfd watch{fd_, POLLIN, 0};
            ::poll(&watch, 1, kWriterGraceMs);
        }
    }
    return false;
}

void FileReader::refuse(std::string why) {
    ::close(fd_);
    fd_ = -1;
    opened_.fail(FileRead::CannotOpen, std::move(why));
}

FileReader::~FileReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<std::size_t> FileReader::regularFileSize() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return std::nullopt;
    return static_cast<std::size_t>(info.st_size);
}

Status<FileRead> FileReader::read(std::string& out, std::size_t limit) {
    if (fd_ < 0)
        return opened_;
    Status<FileRead> status(opened_.file);
    if (pending_ && limit > 0) {
        out.push_back(*pending_);
        pending_.reset();
        --limit;
    }
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    const std::size_t room = std::numeric_limits<std::size_t>::max() - out.size();
    const std::size_t most = out.size() + std::min(limit, room);
    while (limit > 0) {
        const std::size_t want = std::min(limit, kChunk);
        const std::size_t at = out.size();
        // Grown by doubling as usual, but never beyond what this call may read, so that reading a
        // bounded amount never costs much more memory than that amount.
        if (out.capacity() - at < want)
            out.reserve(std::min(most, std::max(at + want, out.capacity() * 2)));
        out.resize(at + want);
        const ssize_t got = ::read(fd_, out.data() + at, want);
        if (got < 0) {
            out.resize(at);
            if (errno == EINTR)
                continue;
            return status.fail(FileRead::CannotRead, systemCause(errno));
        }
        out.resize(at + static_cast<std::size_t>(got));
        if (got == 0)
            break;
        limit -= static_cast<std::size_t>(got);
    }
    return status;
}

bool FileReader::hasMore() {
    if (pending_)
        return true;
    if (fd_ < 0)
        return false;
    char byte = 0;
    ssize_t got = 0;
    do {
        got = ::read(fd_, &byte, 1);
    } while (got < 0 && errno == EINTR);
    if (got != 1)
        return false;
    pending_ = byte;
    return true;
}

namespace {

void readInto(Result<std::string, FileRead>& result, FileReader& reader, std::size_t maxBytes) {
    // A regular file says how long it is: refused before a byte is read, or read into a buffer
    // of exactly its size.
    const std::optional<std::size_t> size = reader.regularFileSize();
    if (size && *size > maxBytes) {
        result.fail(FileRead::TooLarge, tooLargeCause(maxBytes));
        return;
    }
    Status<FileRead> read;
    if (size) {
        // Read to the size first: asking for more would grow the buffer to twice the file just
        // to learn that it ends there. A file that grew meanwhile is read on, within the bound.
        result.value.reserve(*size);
        read = reader.read(result.value, *size);
        if (read.ok() && result.value.size() == *size && reader.hasMore())
            read = reader.read(result.value, maxBytes - *size);
    } else {
        read = reader.read(result.value, maxBytes);
    }
    if (!read.ok())
        result.fail(FileRead::CannotRead, std::move(read.cause));
    else if (result.value.size() == maxBytes && reader.hasMore())
        result.fail(FileRead::TooLarge, tooLargeCause(maxBytes));
}

} // namespace

Result<std::string, FileRead> readWholeFile(const std::string& path, std::size_t maxBytes,
                                            FileOrigin origin) {
    Result<std::string, FileRead> result(path);
    FileReader reader(path, origin);
    if (!reader.isOpen()) {
        result.fail(FileRead::CannotOpen, reader.opened().cause);
        return result;
    }
    try {
        readInto(result, reader, maxBytes);
    } catch (const std::bad_alloc&) {
        result.fail(FileRead::CannotRead, kOutOfMemory);
    }
    if (!result.ok())
        result.value = std::string();
    return result;
}

} // namespace corvane
