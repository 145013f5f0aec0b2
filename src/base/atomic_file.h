#pragma once
// Replacing a file so that neither a failure nor a power loss leaves it half written: the bytes go
// to a temporary file in the target's folder, which is synced to the disk and then renamed over
// the target; the folder is synced after the rename so that the new name survives too. On any
// failure before the rename the temporary is removed and an existing target keeps its old content
// byte for byte; so it is when the program is interrupted, once removeTemporaryFilesOnInterrupt()
// has been called. A replaced file keeps its permission bits.

#include "base/file_system.h"
#include "base/status.h"

#include <cstdint>
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

} // namespace corvane
