#pragma once

#include "calibration/Calibration.h"
#include "core/CommandIds.h"
#include "core/Parameters.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/DocTemplate.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/StatusBar.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

#include <QApplication>
#include <QTest>

// A bare main frame (with the three status panes of the real one) that opens
// windows of one document kind, Doc with View, and drives the view with the
// mouse and keyboard events a user gives it. The drawing style and the
// calibration start from their defaults and are put back after the test.
template <typename Doc, typename View>
class BareFrameTest : public ::testing::Test {
protected:
    explicit BareFrameTest(DocKind kind)
        : m_kind(kind) {
        g_parameters = CParameters{};
        g_calibration = CCurrentCalibration{};
        m_docs.AddDocTemplate(kind,
                              CDocTemplate(
                                  QIcon(), [] { return std::make_unique<Doc>(); },
                                  [](CDocument& document) -> std::unique_ptr<CView> {
                                      return std::make_unique<View>(static_cast<Doc&>(document));
                                  }));
        frame = std::make_unique<CMDIFrameWnd>(m_docs);
        frame->paneBar().AddPane(0, 200);
        frame->paneBar().AddPane(105, 600);
        frame->paneBar().AddPane(106, 400);
        frame->resize(900, 700);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    ~BareFrameTest() override {
        frame.reset();
        g_parameters = CParameters{};
        g_calibration = CCurrentCalibration{};
    }

    // Opens a window (on `path` when given), maximised when asked, and takes
    // its view; nullptr when none opened.
    View* OpenWindow(const QString& path, bool maximized) {
        CChildFrame* child = frame->OpenDocument(m_kind, path);
        EXPECT_NE(child, nullptr);
        if (child == nullptr) {
            return nullptr;
        }
        if (maximized) {
            child->showMaximized();
        }
        view = static_cast<View*>(&child->view());
        QApplication::processEvents();
        return view;
    }

    QWidget* Viewport() const { return view->viewport(); }

    void Command(int id) { frame->RouteCommand(id); }
    bool Enabled(int id) const { return frame->QueryCommandState(id).enabled(); }
    QString Prompt() const { return frame->paneBar().paneText(kPromptPane); }

    void Move(QPoint client) { QTest::mouseMove(Viewport(), client); }
    void Press(QPoint client, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(Viewport(), button, {}, client);
    }
    void Release(QPoint client, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(Viewport(), button, {}, client);
    }
    // A user's click: the mouse comes to the point, presses and releases.
    void Click(QPoint client, Qt::MouseButton button = Qt::LeftButton) {
        Move(client);
        Press(client, button);
        Release(client, button);
    }
    void Clicks(std::initializer_list<QPoint> points) {
        for (const QPoint& p : points) {
            Click(p);
        }
    }
    void Drag(QPoint from, QPoint to) {
        Move(from);
        Press(from);
        Move((from + to) / 2);
        Move(to);
        Release(to);
    }
    void Key(Qt::Key key) { QTest::keyClick(view, key); }

    ScopedProgramFolder home;
    std::unique_ptr<CMDIFrameWnd> frame;
    View* view = nullptr;

private:
    DocKind m_kind;
    CDocManager m_docs;
};
