#pragma once
// Replacing a file so that neither a failure nor a power loss leaves it half written: the bytes go
// to a temporary file in the target's folder, which is synced to the disk and then renamed over
// the target; the folder is synced after the rename so that the new name survives too. On any
// failure before the rename the temporary is removed and an existing target keeps its old content
// byte for byte. A replaced file keeps its permission bits.

#include "base/file_system.h"
#include "base/status.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

// Writes `bytes` to `path`, creating or replacing it. On failure the status names the file and
// the cause. Only when syncing the folder fails after the rename does the file already hold the
// new bytes; the cause says so. Never throws except on allocation failure.
Status<> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             FileSystem& fs = systemFileSystem());
Status<> writeFileAtomically(const std::string& path, std::string_view bytes,
                             FileSystem& fs = systemFileSystem());

} // namespace corvane
