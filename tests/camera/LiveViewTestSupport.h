#pragma once

#include "core/CommandIds.h"
#include "core/Parameters.h"
#include "calibration/Calibration.h"
#include "camera/ui/CDeviceDoc.h"
#include "camera/ui/CDeviceView.h"
#include "capture/CaptureSession.h"
#include "camera/LiveOverlay.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/DocTemplate.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/StatusBar.h"
#include "tests/camera/CaptureTestSupport.h"
#include "tests/camera/FakeCaptureBackend.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

#include <QApplication>
#include <QTest>

// A bare main frame (with the three status panes of the real one) that opens
// the live window on a scripted camera ("usb-scope", slot 0) or the virtual
// microscope, driven by mouse and keyboard events on the view.
class LiveViewTest : public ::testing::Test {
protected:
    LiveViewTest() {
        g_parameters = CParameters{};
        g_calibration = CCurrentCalibration{};
        log = std::make_shared<FakeCaptureLog>();
        log->scripts["usb-scope"] = MakeFakeCamera("usb-scope", "Scope");
        std::vector<std::unique_ptr<ICaptureBackend>> backends;
        backends.push_back(std::make_unique<FakeCaptureBackend>(log));
        ResetCaptureState(std::move(backends));
        m_docs.AddDocTemplate(DocKind::LiveCamera,
                              CDocTemplate(
                                  QIcon(), [] { return std::make_unique<CDeviceDoc>(); },
                                  [](CDocument& document) -> std::unique_ptr<CView> {
                                      return std::make_unique<CDeviceView>(
                                          static_cast<CDeviceDoc&>(document));
                                  }));
        frame = std::make_unique<CMDIFrameWnd>(m_docs);
        frame->paneBar().AddPane(0, 200);
        frame->paneBar().AddPane(105, 600);
        frame->paneBar().AddPane(106, 400);
        frame->resize(900, 700);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    ~LiveViewTest() override {
        frame.reset();
        ResetCaptureState();
        g_parameters = CParameters{};
        g_calibration = CCurrentCalibration{};
    }

    // Lists the cameras, chooses `slot` and opens the live window on it.
    CDeviceView* Open(int slot = 0) {
        CreateDeviceEnumerator();
        EnumerateVideoDevices();
        ChooseVideoDevice(slot);
        CChildFrame* child = frame->OpenDocument(DocKind::LiveCamera);
        EXPECT_NE(child, nullptr);
        if (child == nullptr) {
            return nullptr;
        }
        child->showMaximized();
        view = static_cast<CDeviceView*>(&child->view());
        QApplication::processEvents();
        return view;
    }

    CDeviceDoc& Doc() const { return view->GetDocument(); }
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
    void Drag(QPoint from, QPoint to) {
        Move(from);
        Press(from);
        Move((from + to) / 2);
        Move(to);
        Release(to);
    }
    void Key(Qt::Key key) { QTest::keyClick(view, key); }

    ScopedProgramFolder home;
    std::shared_ptr<FakeCaptureLog> log;
    std::unique_ptr<CMDIFrameWnd> frame;
    CDeviceView* view = nullptr;

private:
    CDocManager m_docs;
};
