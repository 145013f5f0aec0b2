// One QApplication for all GUI tests, on the offscreen platform unless the caller chose another
// (QT_QPA_PLATFORM=xcb under Xvfb shows the same tests on a real display).

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
