#include "base/atomic_file.h"

#include "base/bytes.h"
#include "base/file_reader.h"
#include "base/interrupt_cleanup.h"
#include "base/message_text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

namespace corvane {
namespace {

// A name no other writer uses at the same moment: the process-wide counter separates writers in
// this process, the clock separates processes; the exclusive create catches the rest.
std::string temporaryName(const std::string& path, unsigned attempt) {
    static std::atomic<unsigned long> counter{0};
    const auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%llx-%lx-%u.tmp", ticks & 0xFFFFFFFFFFull,
                  counter.fetch_add(1), attempt);
    return path + suffix;
}

std::string folderOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    TemporaryFile(FileSystem& fs, std::string path, std::unique_ptr<WritableFile> file)
        : fs_(fs), path_(std::move(path)), file_(std::move(file)), cleanup_(path_.c_str()) {}
    ~TemporaryFile() {
        file_.reset();
        if (!renamed_)
            fs_.remove(path_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    WritableFile& file() { return *file_; }
    const std::string& path() const { return path_; }
    std::error_code renameTo(const std::string& target) {
        const std::error_code error = fs_.rename(path_, target);
        renamed_ = !error;
        return error;
    }

private:
    FileSystem& fs_;
    std::string path_;
    std::unique_ptr<WritableFile> file_;
    // Declared after path_, whose text it points to. After the rename the name is gone, so an
    // interrupt that still removes it removes nothing.
    InterruptCleanup cleanup_;
    bool renamed_ = false;
};

} // namespace

Status<> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             FileSystem& fs, WriteOptions options) {
    return writeFileAtomically(path, bytes, options, fs);
}

Status<> writeFileAtomically(const std::string& requested, std::span<const uint8_t> bytes,
                             const WriteOptions& options, FileSystem& fs) {
    Status<> status(requested);
    if (requested.empty())
        return status.fail(Outcome::Failed, "Cannot write a file without a name");
    const std::string target = inQuotes(requested);
    const auto failed = [&](const char* verb, const std::error_code& error) -> Status<>& {
        const std::string why = error.message();
        return status.fail(Outcome::Failed, why, detail::joinText(verb, target, ": ", why));
    };

    // The rename replaces whatever has the name; to write through a link, rename over the file
    // it names, in that file's folder.
    std::error_code error;
    const std::string resolved = fs.linkTarget(requested, error);
    if (error && options.followLinks)
        return failed("Cannot write ", error);
    const bool isLink = error || resolved != requested;
    const std::string path = options.followLinks ? resolved : requested;
    // A link replaced by a file of its own touches no existing file: nothing to refuse or keep.
    const bool replacesFile = options.followLinks || !isLink;
    error.clear();

    if (replacesFile && !options.replaceReadOnly && fs.isReadOnly(path)) {
        const std::string why = "the file is read-only";
        return status.fail(
            Outcome::Failed, why,
            detail::joinText("Cannot replace ", target, ": ", why, "; it is left as it was"));
    }
    // Taken before anything is written: the replacement must not widen or narrow who may read
    // the user's file.
    const std::optional<unsigned> existingPermissions =
        replacesFile ? fs.permissions(path) : std::nullopt;
    const bool keepPermissions = existingPermissions.has_value();
    constexpr unsigned kOwnerWrite = 0200;
    const unsigned keptPermissions =
        existingPermissions.value_or(0) | (options.replaceReadOnly ? kOwnerWrite : 0u);

    std::optional<TemporaryFile> temporary;
    {
        // A signal between creating the file and marking it would leave the file behind.
        const DeferInterrupts deferred;
        for (unsigned attempt = 0; attempt < 16; ++attempt) {
            std::string tmpPath = temporaryName(path, attempt);
            if (std::unique_ptr<WritableFile> created = fs.createNew(tmpPath, error)) {
                temporary.emplace(fs, std::move(tmpPath), std::move(created));
                break;
            }
            if (error != std::errc::file_exists)
                break;
        }
    }
    if (!temporary)
        return failed("Cannot create ", error);
    TemporaryFile& tmp = *temporary;

    if ((error = tmp.file().write(bytes)))
        return failed("Cannot write ", error);
    if (keepPermissions && (error = tmp.file().setPermissions(keptPermissions)))
        return failed("Cannot write ", error);
    // Without this a power loss soon after the rename can leave the new name on an empty file.
    if ((error = tmp.file().sync()) || (error = tmp.file().close()))
        return failed("Cannot write ", error);
    if (options.verify) {
        // Read through the system, not `fs`: what counts is what another program will read.
        const auto readBack = readWholeFile(tmp.path());
        const std::string why =
            !readBack.ok() ? detail::joinText("it could not be read back: ", readBack.cause)
            : !std::ranges::equal(asBytes(readBack.value), bytes)
                ? std::string("what was read back differs from what was written")
                : std::string();
        if (!why.empty())
            return status.fail(Outcome::Failed, why,
                               detail::joinText("Cannot write ", target, ": ", why));
    }
    if ((error = tmp.renameTo(path)))
        return failed("Cannot write ", error);
    // The rename lives in the folder; until the folder is on the disk, a power loss can bring the
    // old file back. A file system that cannot sync folders (EINVAL) has nothing to wait for.
    error = fs.syncFolder(folderOf(path));
    if (error && error != std::errc::invalid_argument) {
        const std::string why = detail::joinText("the file was replaced, but its folder could not "
                                                 "be synced: ",
                                                 error.message());
        return status.fail(Outcome::Failed, why,
                           detail::joinText("Cannot write ", target, ": ", why));
    }
    return status;
}

Status<> writeFileAtomically(const std::string& path, std::string_view bytes, FileSystem& fs,
                             WriteOptions options) {
    return writeFileAtomically(path, asBytes(bytes), fs, options);
}

} // namespace corvane
