// The editor's toolkit sets the process locale from the user's environment; the text format keeps
// its decimal point whatever that locale says.

#include "formats/factory_data.h"
#include "formats/text_reader.h"

#include "factory_test_files.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>

#if !defined(_WIN32)

namespace corvane {
namespace {

bool useCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr &&
            std::localeconv()->decimal_point[0] == ',')
            return true;
    }
    return false;
}

// Switches the process's numeric locale to one with a decimal comma, as a GUI toolkit does for a
// German user. When no such locale is installed, one is built once from the system's locale
// sources.
class DecimalCommaLocale : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (useCommaLocale())
            return;
        dir_ = std::make_unique<testing::ScratchDir>("locale");
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + dir_->file("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0)
            ::setenv("LOCPATH", dir_->path().c_str(), 1);
    }
    static void TearDownTestSuite() {
        std::setlocale(LC_NUMERIC, "C");
        if (dir_) {
            ::unsetenv("LOCPATH");
            dir_.reset();
        }
    }
    void SetUp() override {
        if (!useCommaLocale())
            GTEST_SKIP() << "no locale with a decimal comma can be had here";
    }
    void TearDown() override { std::setlocale(LC_NUMERIC, "C"); }

private:
    static inline std::unique_ptr<testing::ScratchDir> dir_;
};

TEST_F(DecimalCommaLocale, TextReaderStillReadsAnglesWithAPoint) {
    ChannelDatabase db;
    readTextBytes(db, "s \"A\" 9750 10600 universal 19.2 east\r\n"
                      "s \"B\" 9750 10600 universal 30.5 west\r\n");
    ASSERT_EQ(db.satellites.size(), 2u);
    EXPECT_EQ(db.satellites.front().longitude, 192);
    EXPECT_EQ(db.satellites.back().longitude, 3295);
}

TEST_F(DecimalCommaLocale, FactoryTextWriterStillWritesAPoint) {
    testing::BinImage f(0x20 + 24);
    f.u32(12, 1).u32(24, 0xFFFFFFFF);
    f.u16(0x20, 9750).u16(0x22, 10600).u16(0x24, 0x8000 | 305).u32(0x28, 0x1).text(0x2C, "X");
    std::string text;
    ASSERT_TRUE(writeFactoryText(text, f.bytes()).ok());
    EXPECT_NE(text.find("\r\n  s       \"X\"             9750      10600     universal 30.5      "
                        "west      none      none      none      none\r\n"),
              std::string::npos)
        << text;
}

} // namespace
} // namespace corvane

#endif
