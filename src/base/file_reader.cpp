#include "base/file_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace corvane {

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

bool FileReader::read(std::string& out, std::size_t limit) {
    if (fd_ < 0)
        return false;
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    while (limit > 0) {
        const std::size_t want = std::min(limit, kChunk);
        const std::size_t at = out.size();
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

bool FileReader::readToEnd(std::string& out) {
    return read(out, std::numeric_limits<std::size_t>::max());
}

Result<std::string, FileRead> readWholeFile(const std::string& path) {
    Result<std::string, FileRead> result(path);
    FileReader reader(path);
    if (!reader.isOpen())
        result.fail(FileRead::CannotOpen, reader.error().message());
    else if (!reader.readToEnd(result.value))
        result.fail(FileRead::CannotRead, reader.error().message());
    return result;
}

} // namespace corvane
