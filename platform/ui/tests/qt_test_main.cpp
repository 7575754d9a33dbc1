// Test entry point for window tests: one offscreen QApplication for all tests,
// with Qt's own texts in French as the programs have them.

#include <gtest/gtest.h>

#include <QApplication>

#include "french_qt.h"

int main(int argc, char** argv) {
    // The offscreen platform; a test may give it options (a screen of its own size).
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    platform::install_qt_french(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
