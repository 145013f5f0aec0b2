#include "ui/editor_settings.h"

#include "support/test_files.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;

QString iniPath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

TEST(EditorSettings, RecentFilesComeLastFirstTenAtMostOnceEachWithTheirBytes) {
    testing::ScratchDir dir("settings");
    const QString ini = iniPath(dir.root() / "corvane.conf");
    const std::string latin1Name = "/lists/t\xfcrk\xe7\x65.cdd"; // not valid UTF-8
    {
        QSettings store(ini, QSettings::IniFormat);
        EditorSettings settings(store);
        for (int i = 0; i < 12; ++i)
            settings.addRecentFile("/lists/" + std::to_string(i) + ".cdd");
        settings.addRecentFile("/lists/5.cdd");
        settings.addRecentFile(latin1Name);
        settings.removeRecentFile("/lists/11.cdd");
    }
    QSettings reopened(ini, QSettings::IniFormat);
    EditorSettings settings(reopened);
    EXPECT_EQ(settings.recentFiles(),
              (std::vector<std::string>{latin1Name, "/lists/5.cdd", "/lists/10.cdd", "/lists/9.cdd",
                                        "/lists/8.cdd", "/lists/7.cdd", "/lists/6.cdd",
                                        "/lists/4.cdd", "/lists/3.cdd"}));
    settings.setColumnWidths(QStringLiteral("services"), {40});
    EXPECT_EQ(settings.columnWidths(QStringLiteral("services")), QList<int>{40});
}

// Settings are a convenience: a damaged, foreign or unreadable store gives the defaults.
TEST(EditorSettings, ValuesThatCannotBeReadAreAbsent) {
    testing::ScratchDir dir("settings");
    const std::vector<std::string> stores = {
        "\x00\xff garbage \x01\n[[[\n=\n",
        "[General]\nrecentFiles\\size=abc\nrecentFiles\\1\\path=plain text\n"
        "window\\geometry=not bytes\ncolumns\\services=80,x,20\nfileDialog\\lastFolder=3\n"
        "view\\nameEncoding=@ByteArray(x)\n",
        "[General]\nrecentFiles\\size=99999999\ncolumns\\services=0,-5\n",
    };
    for (std::size_t i = 0; i < stores.size(); ++i) {
        const fs::path file = dir.root() / ("store" + std::to_string(i) + ".conf");
        std::ofstream(file, std::ios::binary) << stores[i];
        QSettings store(iniPath(file), QSettings::IniFormat);
        EditorSettings settings(store);
        SCOPED_TRACE(i);
        EXPECT_TRUE(settings.recentFiles().empty());
        EXPECT_TRUE(settings.windowGeometry().isEmpty());
        EXPECT_TRUE(settings.columnWidths(QStringLiteral("services")).isEmpty());
        EXPECT_FALSE(settings.lastFolder());
        EXPECT_TRUE(settings.nameEncoding().isEmpty());
    }
    // A folder where the file should be: nothing read, and writing fails quietly.
    fs::create_directory(dir.root() / "folder.conf");
    QSettings store(iniPath(dir.root() / "folder.conf"), QSettings::IniFormat);
    EditorSettings settings(store);
    settings.addRecentFile("/a.cdd");
    store.sync();
    EXPECT_NE(store.status(), QSettings::NoError);
}

} // namespace
} // namespace corvane
