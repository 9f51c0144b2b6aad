#include "app/CLOBRINApp.h"
#include "app/CMainFrame.h"
#include "app/Folders.h"
#include "app/Language.h"
#include "app/MagnifierBuffer.h"
#include "app/Parameters.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QMdiArea>
#include <QSettings>

namespace {
CLOBRINApp* g_app = nullptr;
}

// One application object per process: the whole run is one test, in order.
TEST(Startup, RunsTheStartSequenceAndTearsDown) {
    {
        QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
        store.setValue("Parameter/languagemainid", 4);
        store.setValue("Parameter/languagesubid", 1);
        store.setValue("Parameter/linewidth", 3);
        store.setValue("Workspace/ApplicationLook", 210);
    }
    ASSERT_TRUE(g_app->InitInstance());

    const QString home = qEnvironmentVariable("MARNELO_HOME");
    EXPECT_EQ(g_folders.programFolder, home);
    EXPECT_EQ(g_parameters.linewidth, 3);
    EXPECT_EQ(g_language.file, home + "/Chinese950.ini");
    EXPECT_EQ(g_folders.saveFolder, home + "/SaveFile");
    EXPECT_TRUE(QFileInfo(home + "/SaveFile/Video").isDir());
    EXPECT_NE(MagnifierBuffer(), nullptr);

    CMainFrame* frame = g_app->mainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), "Marnelo");
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);
    // The picture named on the command line was not opened.
    for (QMdiArea* area : frame->findChildren<QMdiArea*>()) {
        EXPECT_TRUE(area->subWindowList().isEmpty());
    }

    SetLanguage(9, 1);
    g_app->ExitInstance();
    EXPECT_EQ(MagnifierBuffer(), nullptr);
    EXPECT_EQ(g_app->mainFrame(), nullptr);
    QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
    EXPECT_FALSE(store.contains("Workspace/ApplicationLook"));
    EXPECT_EQ(store.value("Parameter/languagemainid").toInt(), 9);
}

int main(int argc, char** argv) {
    SetUpIsolatedProcess();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QString picture = qEnvironmentVariable("MARNELO_HOME") + "/picture.bmp";
    WriteFile(picture, QByteArray("BM", 2));
    QByteArray pictureArg = picture.toLocal8Bit();
    std::vector<char*> args(argv, argv + argc);
    args.push_back(pictureArg.data());
    int appArgc = static_cast<int>(args.size());
    args.push_back(nullptr);
    CLOBRINApp app(appArgc, args.data());
    g_app = &app;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
