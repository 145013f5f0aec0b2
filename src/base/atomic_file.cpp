#include "base/atomic_file.h"

#include "base/bytes.h"
#include "base/file_reader.h"
#include "base/interrupt_cleanup.h"
#include "base/message_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The longest file name most file systems take; a temporary name must fit, however long its
// target's name is.
constexpr std::size_t kNameMax = 255;

// A name no other writer uses at the same moment: the process-wide counter separates writers in
// this process, the clock separates processes; the exclusive create catches the rest. The
// target's file name is cut where the suffix would make the name too long.
std::string temporaryName(const std::string& path, unsigned attempt, std::string_view ending) {
    static std::atomic<unsigned long> counter{0};
    const auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%llx-%lx-%u", ticks & 0xFFFFFFFFFFull,
                  counter.fetch_add(1), attempt);
    const std::string tail = detail::joinText(suffix, ending);
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = path;
    if (path.size() - nameStart + tail.size() > kNameMax)
        name.resize(nameStart + kNameMax - tail.size());
    return name + tail;
}

std::string folderOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// Why a write refuses to replace what is at `path`: the system's word for a folder, a plain one
// for a device, a pipe or a socket.
std::string notARegularFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return std::make_error_code(std::errc::is_a_directory).message();
    return "it is not a regular file";
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

struct StagedFile::State {
    FileSystem& fs;
    std::string requested;
    std::string target;
    std::optional<TemporaryFile> temporary;
};

StagedFile::StagedFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
StagedFile::~StagedFile() = default;

const std::string& StagedFile::target() const {
    return state_->target;
}

bool StagedFile::inPlace() const {
    return !state_->temporary;
}

Status<> StagedFile::commit() {
    Status<> status(state_->requested);
    const std::string target = inQuotes(state_->requested);
    if (!state_->temporary)
        return status.fail(Outcome::Failed, "already in place");
    if (const std::error_code error = state_->temporary->renameTo(state_->target)) {
        const std::string why = error.message();
        return status.fail(Outcome::Failed, why,
                           detail::joinText("Cannot write ", target, ": ", why));
    }
    state_->temporary.reset();
    // The rename lives in the folder; until the folder is on the disk, a power loss can bring the
    // old file back. A file system that cannot sync folders (EINVAL) has nothing to wait for.
    const std::error_code error = state_->fs.syncFolder(folderOf(state_->target));
    if (error && error != std::errc::invalid_argument) {
        const std::string why = detail::joinText("the file was replaced, but its folder could not "
                                                 "be synced: ",
                                                 error.message());
        return status.fail(Outcome::Failed, why,
                           detail::joinText("Cannot write ", target, ": ", why));
    }
    return status;
}

namespace {

// stageFile() with the bytes coming from `source`; `verified`, when set, is what the file must
// read back as.
Result<std::unique_ptr<StagedFile>> stageFrom(const std::string& requested,
                                              const PieceSource& source,
                                              const std::span<const uint8_t>* verified,
                                              const WriteOptions& options, FileSystem& fs) {
    Result<std::unique_ptr<StagedFile>> status(requested);
    if (requested.empty()) {
        status.fail(Outcome::Failed, "Cannot write a file without a name");
        return status;
    }
    const std::string target = inQuotes(requested);
    const auto failed = [&](const char* verb, const std::string& why) {
        status.fail(Outcome::Failed, why, detail::joinText(verb, target, ": ", why));
        return std::move(status);
    };

    // The rename replaces whatever has the name; to write through a link, rename over the file
    // it names, in that file's folder.
    std::error_code error;
    const std::string resolved = fs.linkTarget(requested, error);
    if (error && options.followLinks)
        return failed("Cannot write ", error.message());
    const bool isLink = error || resolved != requested;
    const std::string path = options.followLinks ? resolved : requested;
    // A link replaced by a file of its own touches no existing file: nothing to refuse or keep.
    const bool replacesFile = options.followLinks || !isLink;
    error.clear();

    // A rename over a device node or a pipe would put a file where the system had something else.
    if (replacesFile && fs.kind(path) == FileKind::Other) {
        const std::string why = notARegularFile(path);
        status.fail(
            Outcome::Failed, why,
            detail::joinText("Cannot replace ", target, ": ", why, "; it is left as it was"));
        return status;
    }
    if (replacesFile && !options.replaceReadOnly && fs.isReadOnly(path)) {
        const std::string why = "the file is read-only";
        status.fail(
            Outcome::Failed, why,
            detail::joinText("Cannot replace ", target, ": ", why, "; it is left as it was"));
        return status;
    }
    // Taken before anything is written: the replacement must not widen or narrow who may read
    // the user's file.
    const std::optional<unsigned> existingPermissions =
        replacesFile ? fs.permissions(path) : std::nullopt;
    constexpr unsigned kOwnerWrite = 0200;
    const unsigned finalPermissions =
        existingPermissions.value_or(newFileMode()) | (options.replaceReadOnly ? kOwnerWrite : 0u);

    std::unique_ptr<StagedFile::State> state(new StagedFile::State{fs, requested, path, {}});
    {
        // A signal between creating the file and marking it would leave the file behind.
        const DeferInterrupts deferred;
        for (unsigned attempt = 0; attempt < 16; ++attempt) {
            std::string tmpPath = temporaryName(path, attempt, ".tmp");
            if (std::unique_ptr<WritableFile> created = fs.createNew(tmpPath, error)) {
                state->temporary.emplace(fs, std::move(tmpPath), std::move(created));
                break;
            }
            if (error != std::errc::file_exists)
                break;
        }
    }
    if (!state->temporary)
        return failed("Cannot create ", error.message());
    TemporaryFile& tmp = *state->temporary;

    // The final bits before the first byte: the data is never readable by more than it will be.
    if ((error = tmp.file().setPermissions(finalPermissions)))
        return failed("Cannot write ", error.message());
    const bool written = source([&](std::span<const uint8_t> piece) {
        error = tmp.file().write(piece);
        return !error;
    });
    if (!written)
        return failed("Cannot write ",
                      error ? error.message() : std::string("the data ended early"));
    // Without this a power loss soon after the rename can leave the new name on an empty file.
    if ((error = tmp.file().sync()) || (error = tmp.file().close()))
        return failed("Cannot write ", error.message());
    if (options.verify && verified != nullptr) {
        const std::span<const uint8_t> bytes = *verified;
        // Read through the system, not `fs`: what counts is what another program will read.
        const auto readBack = readWholeFile(tmp.path());
        const std::string why =
            !readBack.ok() ? detail::joinText("it could not be read back: ", readBack.cause)
            : !std::ranges::equal(asBytes(readBack.value), bytes)
                ? std::string("what was read back differs from what was written")
                : std::string();
        if (!why.empty())
            return failed("Cannot write ", why);
    }
    status.value = std::make_unique<StagedFile>(std::move(state));
    return status;
}

Status<> commitStaged(const std::string& path, Result<std::unique_ptr<StagedFile>> staged) {
    if (!staged.ok()) {
        Status<> status(path);
        status.code = staged.code;
        status.cause = std::move(staged.cause);
        status.detail = std::move(staged.detail);
        return status;
    }
    return staged.value->commit();
}

} // namespace

Result<std::unique_ptr<StagedFile>> stageFile(const std::string& path,
                                              std::span<const uint8_t> bytes,
                                              const WriteOptions& options, FileSystem& fs) {
    return stageFrom(
        path, [bytes](const PieceWriter& write) { return write(bytes); }, &bytes, options, fs);
}

Status<> writeFileAtomically(const std::string& path, const PieceSource& source,
                             const WriteOptions& options, FileSystem& fs) {
    return commitStaged(path, stageFrom(path, source, nullptr, options, fs));
}

Status<> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             FileSystem& fs, WriteOptions options) {
    return writeFileAtomically(path, bytes, options, fs);
}

Status<> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             const WriteOptions& options, FileSystem& fs) {
    return commitStaged(path, stageFile(path, bytes, options, fs));
}

Status<> writeFileAtomically(const std::string& path, std::string_view bytes, FileSystem& fs,
                             WriteOptions options) {
    return writeFileAtomically(path, asBytes(bytes), fs, options);
}

struct KeptFile::State {
    FileSystem& fs;
    std::string path;
    std::string kept; // empty when nothing was there
    bool released = false;
};

KeptFile::KeptFile(std::unique_ptr<State> state) : state_(std::move(state)) {}

KeptFile::~KeptFile() {
    if (state_->released)
        return;
    if (state_->kept.empty())
        state_->fs.remove(state_->path);
    else
        state_->fs.rename(state_->kept, state_->path);
}

void KeptFile::release() {
    if (state_->released)
        return;
    state_->released = true;
    if (!state_->kept.empty())
        state_->fs.remove(state_->kept);
}

namespace {

// A copy under `kept` for a file system without hard links: the bytes and the bits of a regular
// file, or a link naming the same.
std::error_code copyForKeeping(const std::string& path, FileKind kind, const std::string& kept,
                               FileSystem& fs) {
    if (kind == FileKind::Link) {
        std::error_code error;
        const auto named = std::filesystem::read_symlink(path, error);
        if (!error)
            std::filesystem::create_symlink(named, kept, error);
        return error;
    }
    const auto bytes = readWholeFile(path);
    if (!bytes.ok())
        return std::make_error_code(std::errc::io_error);
    std::error_code error;
    std::unique_ptr<WritableFile> copy = fs.createNew(kept, error);
    if (!copy)
        return error;
    if ((error = copy->setPermissions(fs.permissions(path).value_or(0600))) ||
        (error = copy->write(asBytes(bytes.value))) || (error = copy->sync()) ||
        (error = copy->close())) {
        copy.reset();
        fs.remove(kept);
    }
    return error;
}

} // namespace

Result<std::unique_ptr<KeptFile>> keepFile(const std::string& path, FileSystem& fs, KeepAs how) {
    Result<std::unique_ptr<KeptFile>> status(path);
    const FileKind kind = fs.kind(path);
    std::unique_ptr<KeptFile::State> state(new KeptFile::State{fs, path, {}, false});
    if (kind == FileKind::Other) {
        const std::string why = notARegularFile(path);
        status.fail(Outcome::Failed, why,
                    detail::joinText("Cannot replace ", inQuotes(path), ": ", why,
                                     "; it is left as it was"));
        return status;
    }
    if (kind != FileKind::Missing) {
        std::error_code error;
        for (unsigned attempt = 0; attempt < 16 && state->kept.empty(); ++attempt) {
            std::string kept = temporaryName(path, attempt, ".old");
            // A second name for the same file (for a link, the link itself) costs no copy and
            // keeps every byte and bit.
            if (how == KeepAs::SecondName) {
                if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, kept.c_str(), 0) == 0) {
                    state->kept = std::move(kept);
                    break;
                }
                error = std::error_code(errno, std::generic_category());
                if (error == std::errc::file_exists)
                    continue;
            }
            if (!(error = copyForKeeping(path, kind, kept, fs)))
                state->kept = std::move(kept);
            else if (error != std::errc::file_exists)
                break;
        }
        if (state->kept.empty()) {
            const std::string why =
                detail::joinText("the earlier file cannot be kept aside: ", error.message());
            status.fail(Outcome::Failed, why,
                        detail::joinText("Cannot replace ", inQuotes(path), ": ", why,
                                         "; it is left as it was"));
            return status;
        }
    }
    status.value = std::make_unique<KeptFile>(std::move(state));
    return status;
}

Status<> duplicateFile(const std::string& path, const std::string& copy, FileSystem& fs) {
    Status<> status(copy);
    const FileKind kind = fs.kind(path);
    if (kind != FileKind::Regular)
        return status.fail(Outcome::Failed, kind == FileKind::Missing
                                                ? std::string("nothing to copy")
                                                : notARegularFile(path));
    std::error_code error;
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        const std::string fresh = temporaryName(copy, attempt, ".tmp");
        if (::linkat(AT_FDCWD, path.c_str(), AT_FDCWD, fresh.c_str(), 0) == 0)
            error = {};
        else if (errno == EEXIST)
            continue;
        else
            error = copyForKeeping(path, kind, fresh, fs);
        if (error == std::errc::file_exists)
            continue;
        if (error)
            break;
        if ((error = fs.rename(fresh, copy)))
            fs.remove(fresh);
        break;
    }
    if (error)
        status.fail(Outcome::Failed, error.message());
    return status;
}

} // namespace corvane
