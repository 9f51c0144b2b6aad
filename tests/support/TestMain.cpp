#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>

// Every test process runs in its own program folder with an offscreen
// QApplication, so GUI and non-GUI tests share one main.
int main(int argc, char** argv) {
    SetUpIsolatedProcess();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
