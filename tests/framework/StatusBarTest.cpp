#include "framework/ui/StatusBar.h"

#include "framework/ui/LockKeys.h"
#include "framework/ui/MDIFrameWnd.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QStatusTipEvent>

TEST(StatusBar, PanesAskForTheirWidthButMayShrink) {
    CStatusBar bar;
    bar.AddPane(0, 200);
    bar.AddPane(105, 600);
    ASSERT_EQ(bar.paneCount(), 2);
    EXPECT_EQ(bar.paneId(1), 105);
    EXPECT_EQ(bar.pane(0)->sizeHint().width(), 200);
    EXPECT_EQ(bar.pane(1)->sizeHint().width(), 600);
    EXPECT_EQ(bar.pane(1)->minimumSizeHint().width(), 0);
    // A narrow window is not forced wider by the panes.
    EXPECT_LT(bar.minimumSizeHint().width(), 800);

    bar.SetPaneText(1, QStringLiteral("hint"));
    EXPECT_EQ(bar.paneText(1), "hint");
    bar.SetPaneText(7, QStringLiteral("ignored"));
    EXPECT_EQ(bar.pane(7), nullptr);
    EXPECT_EQ(bar.paneText(7), "");
}

TEST(StatusBar, FrameShowsPromptsInRedAndHelpInPaneZero) {
    CDocManager docs;
    CMDIFrameWnd frame(docs);
    frame.paneBar().AddPane(0, 200);
    frame.paneBar().AddPane(105, 600);
    frame.paneBar().AddPane(106, 400);
    frame.paneBar().SetPaneText(2, QStringLiteral("kept"));

    frame.ShowPrompt(QStringLiteral("Distance: Click"));
    EXPECT_EQ(frame.paneBar().paneText(kPromptPane), "Distance: Click");
    EXPECT_EQ(frame.paneBar().pane(kPromptPane)->palette().color(QPalette::WindowText),
              QColor(255, 0, 0));

    // Hovering an item sends its status help up to the frame.
    QAction* action = frame.CommandAction(42);
    action->setStatusTip(QStringLiteral("Zoom In"));
    action->showStatusText(&frame);
    EXPECT_EQ(frame.paneBar().paneText(kMessagePane), "Zoom In");
    EXPECT_EQ(frame.paneBar().paneText(kPromptPane), "Distance: Click");
    EXPECT_EQ(frame.paneBar().paneText(2), "kept");
    EXPECT_TRUE(frame.paneBar().currentMessage().isEmpty());
}

TEST(LockKeys, ReadsTheKeyboardLeds) {
    ScopedProgramFolder home;
    const QString leds = home.filePath("leds");
    WriteFile(leds + "/input3::capslock/brightness", "1\n");
    WriteFile(leds + "/input3::numlock/brightness", "0\n");
    WriteFile(leds + "/input7::numlock/brightness", "1\n"); // a second keyboard
    WriteFile(leds + "/input3::scrolllock/brightness", "");
    WriteFile(leds + "/phy0-led/brightness", "1\n");
    const LockKeyStates states = ReadLockKeyStates(leds);
    EXPECT_TRUE(states.capsLock);
    EXPECT_TRUE(states.numLock);
    EXPECT_FALSE(states.scrollLock);

    const LockKeyStates none = ReadLockKeyStates(home.filePath("absent"));
    EXPECT_FALSE(none.capsLock || none.numLock || none.scrollLock);
}
