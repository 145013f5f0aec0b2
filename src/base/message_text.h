#pragma once
// Building message texts by appending pieces. Used instead of chains of operator+ on a literal,
// which GCC 12 at -O3 misreads as overlapping copies (-Wrestrict) and our warnings are errors.

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

} // namespace corvane
