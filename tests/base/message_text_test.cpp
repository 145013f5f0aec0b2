#include "base/message_text.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(OutputTail, KeepsTheLastLinesWrappedAndPrintable) {
    const struct {
        std::string output;
        std::size_t width, limit;
        std::string shown;
    } cases[] = {
        {"", 10, 100, ""},
        {"one\r\ntwo\n\n \n", 10, 100, "one\ntwo"},
        {"abcdefghij"
         "klm\n",
         5, 100, "abcde\nfghij\nklm"},
        {"a\nbb\nccc\n", 10, 7, "...\nbb\nccc"},
        // Cut inside a wrapped line: its end stays.
        {"0123456789\n", 4, 7, "...\n4567\n89"},
        {"\x1b[2J\xe9\n", 80, 100, "\\x1b[2J\\xe9"},
        {"\xc3\xa9\xc3\xa9\xc3\xa9", 2, 100, "\xc3\xa9\xc3\xa9\n\xc3\xa9"},
        // Words stay whole where a space lies in the second half of a piece.
        {"Permission denied here", 12, 100, "Permission \ndenied here"},
        {"ab cdefghij", 6, 100, "ab cde\nfghij"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outputTail(c.output, c.width, c.limit), c.shown) << c.output;
}

} // namespace
} // namespace corvane
