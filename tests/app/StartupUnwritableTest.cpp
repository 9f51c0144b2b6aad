#include "app/CLOBRINApp.h"
#include "app/CMainFrame.h"
#include "framework/ui/StatusBar.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {
CLOBRINApp* g_app = nullptr;
}

// Nothing the program saves would be kept: it must say so, and still start.
TEST(StartupUnwritable, TheProgramFolderProblemIsReportedOnce) {
    const QString blocked = qEnvironmentVariable("MARNELO_HOME");
    ASSERT_TRUE(g_app->InitInstance());
    ASSERT_NE(g_app->mainFrame(), nullptr);
    const QString shown = g_app->mainFrame()->paneBar().paneText(kMessagePane);
    EXPECT_TRUE(shown.startsWith(blocked + " cannot be written")) << shown.toStdString();
    g_app->ExitInstance();
}

int main(int argc, char** argv) {
    SetUpIsolatedProcess();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // No folder can be made below a plain file, whoever runs the test.
    const QString file = qEnvironmentVariable("MARNELO_HOME") + "/plainfile";
    WriteFile(file, "x");
    qputenv("MARNELO_HOME", QFile::encodeName(file + "/home"));
    CLOBRINApp app(argc, argv);
    g_app = &app;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
