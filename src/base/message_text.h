#pragma once
// Building message texts by appending pieces. Used instead of chains of operator+ on a literal,
// which GCC 12 at -O3 misreads as overlapping copies (-Wrestrict) and our warnings are errors.
// Also: showing bytes that came from a file in a message, where a line feed or an escape byte
// must not split the line or reach the user's terminal.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {
namespace detail {

template <class... Parts> std::string joinText(const Parts&... parts) {
    std::string out;
    (out.append(std::string_view(parts)), ...);
    return out;
}

} // namespace detail

// `text` in double quotes, as messages name files and records.
inline std::string inQuotes(std::string_view text) {
    return detail::joinText("\"", text, "\"");
}

// A record name (8-bit bytes, shown as Latin-1) fit for a one-line message: control bytes
// (0x00 to 0x1F, 0x7F, 0x80 to 0x9F) become escapes ("\n", "\t", "\x1b") and a backslash
// becomes "\\", so the escapes cannot be forged; every other byte stays as it is.
std::string printableName(std::string_view bytes);

// Text that should be UTF-8 (a path, a JSON key, a parser's message) fit for a one-line message:
// control characters and bytes that are not UTF-8 become "\xHH" escapes (with "\n", "\r", "\t"),
// and text beyond `maxCharacters` characters is cut, ending in "...".
std::string printableText(std::string_view text, std::size_t maxCharacters = std::string::npos);

// The end of a program's output for a message: its last lines, each made printable as
// printableText does, a line longer than `width` characters wrapped, and at most `maxCharacters`
// characters in all; "..." stands first when lines were left out. Blank lines at the end go.
std::string outputTail(std::string_view output, std::size_t width = 80,
                       std::size_t maxCharacters = 480);

} // namespace corvane
