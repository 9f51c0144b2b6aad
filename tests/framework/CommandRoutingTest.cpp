#include "framework/ui/ChildFrame.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/MessageBox.h"
#include "tests/framework/TestDocuments.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QPointer>

namespace {

constexpr int kViewAndDocument = 1001; // the view answers first
constexpr int kDocumentOnly = 1002;
constexpr int kFrameOnly = 1003;
constexpr int kNobody = 1004;
constexpr int kStillOnly = 2001;
constexpr int kLiveOnly = 2002;

class CTestFrame : public CMDIFrameWnd {
public:
    using CMDIFrameWnd::CMDIFrameWnd;
    bool OnCommand(int id) override { return commands.Command(id); }
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override { return commands.Update(id, cmdUI); }
    void OnActiveChildChanged(CChildFrame* child) override { activeChanges.push_back(child); }

    TestCommandTable commands;
    std::vector<CChildFrame*> activeChanges;
};

CTestDocument& DocumentOf(CChildFrame* child) {
    return dynamic_cast<CTestDocument&>(child->document());
}

CTestView& ViewOf(CChildFrame* child) {
    return dynamic_cast<CTestView&>(child->view());
}

void ProcessDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

class CommandRoutingTest : public ::testing::Test {
protected:
    CommandRoutingTest() {
        docs.AddDocTemplate(
            DocKind::StillImage,
            MakeTestTemplate(
                {{kViewAndDocument, kDocumentOnly, kStillOnly}, {kViewAndDocument}, {}, false}));
        docs.AddDocTemplate(DocKind::LiveCamera,
                            MakeTestTemplate({{kLiveOnly}, {}, QStringLiteral("Live"), false}));
        frame = std::make_unique<CTestFrame>(docs);
        frame->commands.handled = {kViewAndDocument, kDocumentOnly, kFrameOnly};
        for (int id :
             {kViewAndDocument, kDocumentOnly, kFrameOnly, kNobody, kStillOnly, kLiveOnly}) {
            frame->CommandAction(id);
        }
        frame->show();
        QApplication::processEvents();
    }
    ~CommandRoutingTest() override { SetMessageBoxResponder({}); }

    ScopedProgramFolder home;
    CDocManager docs;
    std::unique_ptr<CTestFrame> frame;
};

} // namespace

TEST_F(CommandRoutingTest, RoutesViewThenDocumentThenFrame) {
    CChildFrame* child = frame->OpenDocument(DocKind::StillImage, QStringLiteral("/p/a.bmp"));
    ASSERT_NE(child, nullptr);

    frame->CommandAction(kViewAndDocument)->trigger();
    frame->CommandAction(kDocumentOnly)->trigger();
    frame->CommandAction(kFrameOnly)->trigger();
    EXPECT_EQ(ViewOf(child).commands.received, std::vector<int>{kViewAndDocument});
    EXPECT_EQ(DocumentOf(child).commands.received, std::vector<int>{kDocumentOnly});
    EXPECT_EQ(frame->commands.received, std::vector<int>{kFrameOnly});
    EXPECT_FALSE(frame->RouteCommand(kNobody));

    // Without a document the frame is the only target left.
    frame->commands.received.clear();
    EXPECT_TRUE(frame->RouteCommand(kViewAndDocument));
    EXPECT_EQ(frame->commands.received, std::vector<int>{}) << "the view still took it";
    SetMessageBoxResponder([](const MessageBoxRequest&) { return QMessageBox::Yes; });
    child->close();
    ProcessDeferredDeletes();
    EXPECT_TRUE(frame->RouteCommand(kViewAndDocument));
    EXPECT_EQ(frame->commands.received, std::vector<int>{kViewAndDocument});
}

TEST_F(CommandRoutingTest, UnhandledCommandsAreDisabledAndUpdatesSetState) {
    EXPECT_FALSE(frame->CommandAction(kNobody)->isEnabled());
    EXPECT_FALSE(frame->CommandAction(kStillOnly)->isEnabled());
    EXPECT_TRUE(frame->CommandAction(kFrameOnly)->isEnabled());

    CChildFrame* child = frame->OpenDocument(DocKind::StillImage, QStringLiteral("/p/a.bmp"));
    ASSERT_NE(child, nullptr);
    QAction* still = frame->CommandAction(kStillOnly);
    EXPECT_TRUE(still->isEnabled());
    EXPECT_FALSE(still->isCheckable());

    // A document that changes its state outside a command says so; the frame
    // brings the actions up to date when control returns to the loop.
    CTestDocument& document = DocumentOf(child);
    document.commands.checked = {kStillOnly};
    document.commands.disabled = {kDocumentOnly};
    document.CommandStateChanged();
    QApplication::processEvents();
    EXPECT_TRUE(still->isCheckable());
    EXPECT_TRUE(still->isChecked());
    EXPECT_FALSE(frame->CommandAction(kDocumentOnly)->isEnabled());

    // Triggering a checked item does not leave Qt's own toggled state behind.
    document.commands.checked.clear();
    still->trigger();
    EXPECT_FALSE(still->isChecked());
    EXPECT_EQ(document.commands.received, std::vector<int>{kStillOnly});
}

TEST_F(CommandRoutingTest, EnablingFollowsTheActiveWindow) {
    CChildFrame* still = frame->OpenDocument(DocKind::StillImage, QStringLiteral("/p/a.bmp"));
    CChildFrame* live = frame->OpenDocument(DocKind::LiveCamera);
    ASSERT_NE(still, nullptr);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(frame->activeChildFrame(), live);
    EXPECT_TRUE(frame->CommandAction(kLiveOnly)->isEnabled());
    EXPECT_FALSE(frame->CommandAction(kStillOnly)->isEnabled());

    frame->mdiArea()->setActiveSubWindow(still);
    EXPECT_EQ(frame->activeChildFrame(), still);
    EXPECT_EQ(frame->activeDocument(), &still->document());
    EXPECT_EQ(frame->activeView(), &still->view());
    EXPECT_FALSE(frame->CommandAction(kLiveOnly)->isEnabled());
    EXPECT_TRUE(frame->CommandAction(kStillOnly)->isEnabled());
    EXPECT_EQ(ViewOf(live).activations, (std::vector<bool>{true, false}));
    EXPECT_EQ(ViewOf(still).activations, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(frame->activeChanges.back(), still);

    // Closing the last windows disables what only they handled.
    SetMessageBoxResponder([](const MessageBoxRequest&) { return QMessageBox::Yes; });
    still->close();
    ProcessDeferredDeletes();
    EXPECT_EQ(frame->activeChildFrame(), live);
    EXPECT_TRUE(frame->CommandAction(kLiveOnly)->isEnabled());
    live->close();
    ProcessDeferredDeletes();
    EXPECT_EQ(frame->activeChildFrame(), nullptr);
    EXPECT_EQ(frame->activeChanges.back(), nullptr);
    EXPECT_FALSE(frame->CommandAction(kLiveOnly)->isEnabled());
    EXPECT_FALSE(frame->CommandAction(kStillOnly)->isEnabled());
}

TEST_F(CommandRoutingTest, OpensDocumentsThroughTheirTemplates) {
    CChildFrame* child = frame->OpenDocument(DocKind::StillImage, QStringLiteral("/p/shot 1.jpg"));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(DocumentOf(child).openedPath, "/p/shot 1.jpg");
    EXPECT_EQ(child->document().pathName(), "/p/shot 1.jpg");
    EXPECT_EQ(child->windowTitle(), "shot 1.jpg");
    EXPECT_EQ(child->document().views(), QList<CView*>{&child->view()});
    EXPECT_EQ(child->document().mainFrame(), frame.get());
    EXPECT_EQ(child->view().mainFrame(), frame.get());

    // A new document keeps the title it gave itself, and the tab follows it.
    CChildFrame* live = frame->OpenDocument(DocKind::LiveCamera);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->windowTitle(), "Live");
    live->document().SetTitle(QStringLiteral("Renamed"));
    EXPECT_EQ(live->windowTitle(), "Renamed");
    EXPECT_EQ(frame->mdiArea()->viewMode(), QMdiArea::TabbedView);
    EXPECT_TRUE(frame->mdiArea()->tabsClosable());
    EXPECT_EQ(frame->childFrames().size(), 2);
}

TEST_F(CommandRoutingTest, RefusedOrMissingTemplatesOpenNothing) {
    CDocManager refusing;
    refusing.AddDocTemplate(DocKind::StillImage, MakeTestTemplate({{}, {}, {}, true}));
    CTestFrame other(refusing);
    EXPECT_EQ(other.OpenDocument(DocKind::StillImage, QStringLiteral("/p/bad.bmp")), nullptr);
    EXPECT_EQ(other.OpenDocument(DocKind::LiveCamera), nullptr);
    EXPECT_TRUE(other.mdiArea()->subWindowList().isEmpty());

    CDocManager empty;
    empty.AddDocTemplate(DocKind::StillImage, CDocTemplate(QIcon(), {}, {}));
    CTestFrame bare(empty);
    EXPECT_EQ(bare.OpenDocument(DocKind::StillImage, QStringLiteral("/p/a.bmp")), nullptr);
}

TEST_F(CommandRoutingTest, ChildCloseQuestionNoKeepsTheDocument) {
    CChildFrame* child = frame->OpenDocument(DocKind::StillImage, QStringLiteral("/p/a.bmp"));
    ASSERT_NE(child, nullptr);
    QPointer<CDocument> document(&child->document());
    QPointer<CView> view(&child->view());
    std::vector<MessageBoxRequest> asked;
    QMessageBox::StandardButton answer = QMessageBox::No;
    SetMessageBoxResponder([&](const MessageBoxRequest& request) {
        asked.push_back(request);
        return answer;
    });

    EXPECT_FALSE(child->close());
    ProcessDeferredDeletes();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Are you sure close?");
    EXPECT_EQ(asked[0].caption, "");
    EXPECT_EQ(asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(document);
    EXPECT_EQ(frame->childFrames().size(), 1);

    answer = QMessageBox::Yes;
    EXPECT_TRUE(child->close());
    ProcessDeferredDeletes();
    EXPECT_FALSE(document);
    EXPECT_FALSE(view);
    EXPECT_TRUE(frame->childFrames().isEmpty());
}

TEST_F(CommandRoutingTest, UpdateAllViewsSkipsTheSender) {
    CChildFrame* child = frame->OpenDocument(DocKind::StillImage, QStringLiteral("/p/a.bmp"));
    ASSERT_NE(child, nullptr);
    CTestView& view = ViewOf(child);
    const int before = view.updates;
    child->document().UpdateAllViews(&view);
    EXPECT_EQ(view.updates, before);
    child->document().UpdateAllViews();
    EXPECT_EQ(view.updates, before + 1);
}

TEST(ViewScrolling, ScrollBarsFollowTheContentSize) {
    CTestDocument document;
    CTestView view(document);
    view.resize(200, 150);
    view.show();
    view.SetScrollSizes(QSize(1000, 100));
    view.ScrollToPosition(QPoint(5000, 40));
    const int maxX = 1000 - view.viewport()->width();
    EXPECT_EQ(view.scrollPosition(), QPoint(maxX, 0));
    EXPECT_EQ(view.ViewportToContent(QPoint(3, 4)), QPoint(maxX + 3, 4));
    view.SetScrollSizes(QSize(10, 10));
    EXPECT_EQ(view.scrollPosition(), QPoint(0, 0));
}
