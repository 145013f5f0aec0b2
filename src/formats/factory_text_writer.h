#pragma once
// Internal to the factory data conversion: the formatting step shared by the in-memory and the
// file-level forms, which also tells the caller which layout (and so which service columns) it saw.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace corvane::factory {

enum class Layout { A, B };

// The receiver's image is 64 KiB; bytes beyond that are not part of the factory data.
inline constexpr std::size_t kImageSize = 0x10000;

// Appends the text of `file` to `text`; empty when the bytes are not a usable factory data file,
// and then `whyNot` (when given) says why.
std::optional<Layout> formatText(std::string& text, std::span<const uint8_t> file,
                                 std::string* whyNot = nullptr);

} // namespace corvane::factory
