// Test entry point for window tests: one offscreen QApplication for all tests.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // The offscreen platform; a test may give it options (a screen of its own size).
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
