#include "base/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>

namespace corvane {

std::string tooLargeCause(std::size_t maxBytes) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::string size = maxBytes % kMiB == 0 ? std::to_string(maxBytes / kMiB) + " MiB"
                                                  : std::to_string(maxBytes) + " bytes";
    return "larger than " + size + ", the most Corvane reads";
}

FileReader::FileReader(const std::string& path) {
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        error_ = std::error_code(errno, std::generic_category());
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

bool FileReader::read(std::string& out, std::size_t limit) {
    if (fd_ < 0)
        return false;
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
            error_ = std::error_code(errno, std::generic_category());
            return false;
        }
        out.resize(at + static_cast<std::size_t>(got));
        if (got == 0)
            break;
        limit -= static_cast<std::size_t>(got);
    }
    return true;
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
    if (got < 0)
        error_ = std::error_code(errno, std::generic_category());
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
    if (size)
        result.value.reserve(*size);
    if (!reader.read(result.value, maxBytes))
        result.fail(FileRead::CannotRead, reader.error().message());
    else if (result.value.size() == maxBytes && reader.hasMore())
        result.fail(FileRead::TooLarge, tooLargeCause(maxBytes));
}

} // namespace

Result<std::string, FileRead> readWholeFile(const std::string& path, std::size_t maxBytes) {
    Result<std::string, FileRead> result(path);
    FileReader reader(path);
    if (!reader.isOpen()) {
        result.fail(FileRead::CannotOpen, reader.error().message());
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
