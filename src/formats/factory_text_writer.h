#pragma once
// Internal to the factory data conversion: the formatting step shared by the in-memory and the
// file-level forms, which also tells the caller which layout (and so which service columns) it saw.

#include "base/status.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane::factory {

enum class Layout { A, B };

// The receiver's image is 64 KiB; bytes beyond that are not part of the factory data.
inline constexpr std::size_t kImageSize = 0x10000;

// The names of the file in the order their lines are written, for a text that is read back: a name
// holding '"' or a line feed would end its line's name early or split the line, so such a text
// carries placeholders and the reader's records get their names from here.
struct StoredNames {
    std::vector<std::string> satellites;
    std::vector<std::string> programs;
};

// Appends the text of `file` to `text` and gives the layout; fails when the bytes are not a usable
// factory data file, with the cause saying why. With `names`, every name is written as a
// placeholder that reads back as one record per line, and the names as they are stored go to
// `names`.
Result<Layout> formatText(std::string& text, std::span<const uint8_t> file,
                          StoredNames* names = nullptr);

} // namespace corvane::factory
