#pragma once
// A PDF of plain text pages, written by hand: lines in Courier, one of the standard Type 1 fonts
// every viewer has built in, so nothing is embedded and the columns of a table line up. Text is
// WinAnsi, the one 8-bit encoding those fonts take without a font program of their own.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

inline constexpr std::size_t kPdfColumns = 100; // characters on a line; longer lines wrap
inline constexpr std::size_t kPdfLinesPerPage = 70;

// UTF-8 text as WinAnsi bytes; '?' for each character WinAnsi has no place for, and for bytes
// that are not UTF-8.
std::string toWinAnsi(std::string_view utf8);

// A4 pages of `lines` (WinAnsi bytes), each page numbered at its foot; `title` goes into the
// document information. An empty list still gives one page.
std::string textPdf(const std::vector<std::string>& lines, std::string_view title);

} // namespace corvane
