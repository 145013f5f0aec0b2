#include "base/user_report.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// The tool prints these lines and the editor shows the same texts and line: the system's texts
// stay exactly as they are, while the line under them is bytes from paths and files.
TEST(UserReport, TextsAsTheyStandThenOnePrintableLine) {
    const struct {
        Messages texts;
        std::string detail;
        std::string lines;
    } cases[] = {
        {{}, "", ""},
        {{"File Format error!"}, "", "File Format error!\n"},
        {{}, "a.cdd: bad", "a.cdd: bad\n"},
        {{"open file failed", "\n Factory data fie is invalid. "},
         "x.bin: No such file or directory",
         "open file failed\n\n Factory data fie is invalid. \nx.bin: No such file or directory\n"},
        {{"Save failed: writing the receiver image"},
         "new\nline\x1b[2J\xe9.rs232: full",
         "Save failed: writing the receiver image\nnew\\nline\\x1b[2J\\xe9.rs232: full\n"},
    };
    for (const auto& c : cases) {
        Status<> status;
        status.messages = c.texts;
        status.detail = c.detail;
        const UserReport told = userReport(status);
        EXPECT_EQ(told.texts, c.texts);
        EXPECT_EQ(told.lines(), c.lines) << c.detail;
    }
}

} // namespace
} // namespace corvane
