#pragma once
// Replacing a file so that neither a failure nor a power loss leaves it half written: the bytes go
// to a temporary file in the target's folder, which is synced to the disk and then renamed over
// the target; the folder is synced after the rename so that the new name survives too. On any
// failure before the rename the temporary is removed and an existing target keeps its old content
// byte for byte; so it is when the program is interrupted, once removeTemporaryFilesOnInterrupt()
// has been called. A replaced file keeps its permission bits. Only a regular file is ever
// replaced: a folder, a device or a pipe at the path (or named by its link) is refused.
//
// A write of several files that must land together (the Save) stages each one first, and puts
// them in place only when all are written: stageFile(), StagedFile::commit(), and KeptFile to put
// an earlier file back when a later step fails.

#include "base/file_system.h"
#include "base/status.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

// How a write treats what it replaces and what it wrote.
struct WriteOptions {
    // An existing file that may not be written (FileSystem::isReadOnly) is refused and left as it
    // was, unless this is set; then it is replaced by one its owner may write (the other bits
    // kept), as the receiver image is: a read-only image from an earlier save must not stop the
    // next.
    bool replaceReadOnly = false;
    // The temporary file is read back before the rename and must hold exactly `bytes`; otherwise
    // the write fails and the file at the path stays as it was.
    bool verify = false;
    // A symbolic link at the path is written through to the file it names, and stays a link.
    // Unset, the link itself is replaced by the new file and what it named is not touched: for a
    // work file in a shared folder, where anyone may have planted a link of that name.
    bool followLinks = true;
};

// Writes `bytes` to `path`, creating or replacing it. On failure the status names the file and
// the cause. Only when syncing the folder fails after the rename does the file already hold the
// new bytes; the cause says so. Never throws except on allocation failure.
Status<> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             FileSystem& fs = systemFileSystem(), WriteOptions options = {});
Status<> writeFileAtomically(const std::string& path, std::string_view bytes,
                             FileSystem& fs = systemFileSystem(), WriteOptions options = {});
Status<> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             const WriteOptions& options, FileSystem& fs = systemFileSystem());

// Hands the bytes of a file to `write` a piece at a time, so that a large file need not be held
// whole; stops and returns false when `write` does.
using PieceWriter = std::function<bool(std::span<const uint8_t> piece)>;
using PieceSource = std::function<bool(const PieceWriter& write)>;
// writeFileAtomically() of the bytes `source` gives; `verify` does not apply (there is nothing
// held to compare with). A source that returns false fails the write, and the file at the path
// stays as it was.
Status<> writeFileAtomically(const std::string& path, const PieceSource& source,
                             const WriteOptions& options = {}, FileSystem& fs = systemFileSystem());

// A file written in full (synced, and read back when asked) beside the file it is meant to
// replace, but not yet in its place. Removed when it goes without having been committed, so that
// the target stays as it was.
class StagedFile {
public:
    struct State;
    explicit StagedFile(std::unique_ptr<State> state);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // The file the commit replaces: the path, or with followLinks what its link names.
    const std::string& target() const;
    // Renames it over the target and syncs the folder. A failure to sync is reported, though the
    // target already holds the new bytes then.
    Status<> commit();
    // True once the rename has happened, even when syncing the folder then failed.
    bool inPlace() const;

private:
    std::unique_ptr<State> state_;
};

// Everything writeFileAtomically() does before the rename; the refusals and failures are the
// same.
Result<std::unique_ptr<StagedFile>> stageFile(const std::string& path,
                                              std::span<const uint8_t> bytes,
                                              const WriteOptions& options,
                                              FileSystem& fs = systemFileSystem());

// Keeps what is at `path` now (a file, or a link itself) under a second name, so that it can be
// put back after the path was replaced. Until release(), going out of scope puts it back: the
// kept file returns to its name, or when there was none the path is removed. After release()
// the kept copy is dropped and the path stays as it is.
class KeptFile {
public:
    struct State;
    explicit KeptFile(std::unique_ptr<State> state);
    ~KeptFile();
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

    void release();

private:
    std::unique_ptr<State> state_;
};

// How a file is kept: as a second name of the same file (nothing copied, every bit kept), or as a
// copy, for a file that another program may rewrite in place.
enum class KeepAs { SecondName, Copy };

// Fails, changing nothing, when what is at `path` cannot be kept.
Result<std::unique_ptr<KeptFile>> keepFile(const std::string& path,
                                           FileSystem& fs = systemFileSystem(),
                                           KeepAs how = KeepAs::SecondName);

// Gives the file at `path` the second name `copy` (a copy when the two cannot share the file),
// replacing what is there in one rename: `copy` holds either its old file or the new one. Keep
// `copy` first (keepFile) when what it held must come back after a later failure.
Status<> duplicateFile(const std::string& path, const std::string& copy,
                       FileSystem& fs = systemFileSystem());

} // namespace corvane
