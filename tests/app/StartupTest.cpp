#include "app/CLOBRINApp.h"
#include "app/CMainFrame.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/MagnifierBuffer.h"
#include "core/Parameters.h"
#include "framework/ui/MessageBox.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
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
    const QString home = qEnvironmentVariable("MARNELO_HOME");
    QImage picture(8, 6, QImage::Format_RGB888);
    picture.fill(Qt::green);
    ASSERT_TRUE(picture.save(home + "/good.bmp"));
    WriteFile(home + "/broken.bmp", QByteArray("BM", 2));
    std::vector<MessageBoxRequest> boxes;
    SetMessageBoxResponder([&boxes](const MessageBoxRequest& request) {
        boxes.push_back(request);
        return QMessageBox::Ok;
    });
    g_app->SetStartupPictures({home + "/broken.bmp", home + "/good.bmp"});
    ASSERT_TRUE(g_app->InitInstance());
    SetMessageBoxResponder({});

    EXPECT_EQ(g_folders.programFolder, home);
    // Language files missing from the home are looked for beside the program.
    const QString exe = QCoreApplication::applicationDirPath();
    EXPECT_EQ(g_folders.languageFolders,
              (QStringList{exe, QDir::cleanPath(exe + "/../share/marnelo")}));
    EXPECT_EQ(g_parameters.linewidth, 3);
    EXPECT_EQ(g_language.file, home + "/Chinese950.ini");
    EXPECT_EQ(g_folders.saveFolder, home + "/SaveFile");
    EXPECT_TRUE(QFileInfo(home + "/SaveFile/Video").isDir());
    EXPECT_NE(MagnifierBuffer(), nullptr);

    CMainFrame* frame = g_app->mainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);
    // The pictures named on the command line: the broken one says why, the
    // good one opens, and the program runs on.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("broken.bmp: "));
    ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(frame->windowTitle(), "good.bmp - Marnelo");

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
    CLOBRINApp app(argc, argv);
    g_app = &app;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
