#pragma once
// Replacing a file without ever leaving it half written: the bytes go to a temporary file in the
// target's folder, which is renamed over the target only once it is complete. On any failure the
// temporary is removed and an existing target keeps its old content byte for byte.

#include "base/status.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

// Writes `bytes` to `path`, creating or replacing it. On failure the status names the file and
// the cause. Never throws except on allocation failure.
Status<> writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
Status<> writeFileAtomically(const std::string& path, std::string_view bytes);

// Test seam: while an object of this class lives, every writeFileAtomically on this thread stores
// at most `failAfterBytes` bytes in its temporary file and, when the file is larger, fails as a
// full disk would. Code that writes through writeFileAtomically (.cdd files, data blocks, JSON) can
// so be tested for a failed write without a real full disk. Scopes nest; the innermost one applies.
class ScopedWriteFailure {
public:
    explicit ScopedWriteFailure(std::size_t failAfterBytes);
    ~ScopedWriteFailure();
    ScopedWriteFailure(const ScopedWriteFailure&) = delete;
    ScopedWriteFailure& operator=(const ScopedWriteFailure&) = delete;

private:
    std::optional<std::size_t> previous_;
};

} // namespace corvane
