#pragma once
// A record name: raw 8-bit bytes in a fixed 64-byte field, NUL-terminated, at most 63 bytes of
// text. Every format stores names as bytes without conversion, so no encoding is assumed here.

#include <array>
#include <cstddef>
#include <string_view>

namespace corvane {

using RecordName = std::array<char, 64>;
inline constexpr std::size_t kMaxNameLength = 63;

// Stores the first 63 bytes of `text` (or up to an embedded NUL) and NUL-fills the rest.
void setName(RecordName& name, std::string_view text);
// The bytes of `name` up to its NUL (never past the 64-byte field).
std::string_view nameView(const RecordName& name);

} // namespace corvane
