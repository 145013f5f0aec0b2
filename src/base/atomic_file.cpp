#include "base/atomic_file.h"

#include "base/message_text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace corvane {
namespace {

thread_local std::optional<std::size_t> tFailAfterBytes;

std::string quoted(const std::string& path) {
    return detail::joinText("\"", path, "\"");
}

std::string errnoText(int err) {
    return err != 0 ? std::strerror(err) : "unknown error";
}

// A name no other writer uses at the same moment: the process-wide counter separates writers in
// this process, the clock separates processes; the exclusive open below catches the rest.
std::string temporaryName(const std::string& path, unsigned attempt) {
    static std::atomic<unsigned long> counter{0};
    const auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%llx-%lx-%u.tmp", ticks & 0xFFFFFFFFFFull,
                  counter.fetch_add(1), attempt);
    return path + suffix;
}

} // namespace

ScopedWriteFailure::ScopedWriteFailure(std::size_t failAfterBytes) : previous_(tFailAfterBytes) {
    tFailAfterBytes = failAfterBytes;
}

ScopedWriteFailure::~ScopedWriteFailure() {
    tFailAfterBytes = previous_;
}

Status<> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    Status<> status(path);
    if (path.empty())
        return status.fail(Outcome::Failed, "Cannot write a file without a name");

    std::string tmp;
    std::FILE* file = nullptr;
    int openError = 0;
    for (unsigned attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
        tmp = temporaryName(path, attempt);
        errno = 0;
        file = std::fopen(tmp.c_str(), "wbx");
        openError = errno;
        if (file == nullptr && openError != EEXIST)
            break;
    }
    if (file == nullptr)
        return status.fail(
            Outcome::Failed, errnoText(openError),
            detail::joinText("Cannot create ", quoted(path), ": ", errnoText(openError)));

    auto fail = [&](const std::string& why) -> Status<> {
        if (file != nullptr)
            std::fclose(file);
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        return status.fail(Outcome::Failed, why,
                           detail::joinText("Cannot write ", quoted(path), ": ", why));
    };

    const std::size_t limit =
        tFailAfterBytes ? std::min(*tFailAfterBytes, bytes.size()) : bytes.size();
    std::size_t done = 0;
    while (done < limit) {
        const std::size_t chunk = std::min<std::size_t>(limit - done, 1u << 20);
        errno = 0;
        const std::size_t wrote = std::fwrite(bytes.data() + done, 1, chunk, file);
        done += wrote;
        if (wrote != chunk)
            return fail(errnoText(errno));
    }
    // Like a disk that fills up after N bytes: a file that fits is written.
    if (tFailAfterBytes && *tFailAfterBytes < bytes.size())
        return fail(
            detail::joinText("simulated write failure after ", std::to_string(done), " bytes"));

    errno = 0;
    if (std::fflush(file) != 0 || std::ferror(file) != 0)
        return fail(errnoText(errno));
    errno = 0;
    const int closed = std::fclose(file);
    file = nullptr;
    if (closed != 0)
        return fail(errnoText(errno));

    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec)
        return fail(ec.message());
    return status;
}

Status<> writeFileAtomically(const std::string& path, std::string_view bytes) {
    return writeFileAtomically(
        path,
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

} // namespace corvane
