#pragma once

#include "app/CMainFrame.h"
#include "app/DocTemplates.h"
#include "calibration/Calibration.h"
#include "camera/VideoShape.h"
#include "camera/ui/CDeviceView.h"
#include "capture/ui/CSelectDeviceDlg.h"
#include "core/CommandIds.h"
#include "core/Folders.h"
#include "core/Parameters.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/PropertyGrid.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

// The application's main frame over the real documents in a fresh program
// folder, with the snapshot and video folders inside it, measure decimals 2,
// the initial calibration, and every message box answered Yes and recorded.
// For sessions with the camera (the virtual microscope) driven as a user
// drives them.
class MainFrameCameraTest : public ::testing::Test {
protected:
    MainFrameCameraTest() {
        g_calibration = CCurrentCalibration{};
        g_parameters.measuredecimal = 2;
        g_folders.snapshotFolder = home.filePath(QStringLiteral("SaveFile"));
        g_folders.videoFolder = home.filePath(QStringLiteral("SaveFile/Video"));
        QDir().mkpath(g_folders.videoFolder);
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return QMessageBox::Yes;
        });
        ResetCaptureState();
        RegisterDocTemplates(m_docs);
        frame = std::make_unique<CMainFrame>(m_docs);
        frame->resize(1280, 860);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    ~MainFrameCameraTest() override {
        frame.reset();
        ResetCaptureState();
        SetMessageBoxResponder({});
        g_liveShapes.shapes.clear();
        g_calibration = CCurrentCalibration{};
    }

    // Runs `command`, answering the modal dialog of type D it opens.
    template <typename D, typename Use>
    void WithDialog(int command, Use use) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            use(*dialog);
        });
        frame->RouteCommand(command);
        EXPECT_TRUE(seen);
    }

    // Open Camera on the virtual microscope (listed last) and its first
    // picture on the window; nullptr when it did not open.
    CDeviceView* OpenVirtualMicroscope() {
        WithDialog<CSelectDeviceDlg>(ID_OPEN_DEVICE, [](CSelectDeviceDlg& dialog) {
            dialog.CameraList()->setCurrentIndex(dialog.CameraList()->count() - 1);
            dialog.accept();
        });
        if (frame->childFrames().size() != 1) {
            ADD_FAILURE() << "no live window";
            return nullptr;
        }
        auto* view = dynamic_cast<CDeviceView*>(&frame->childFrames()[0]->view());
        if (view == nullptr || !view->CameraOpen()) {
            ADD_FAILURE() << "the camera did not open";
            return nullptr;
        }
        for (int waited = 0; view->Shown().isNull() && waited < 10000; waited += 20) {
            QTest::qWait(20);
        }
        return view;
    }

    // Lets the camera paint two more frames, so what the window shows
    // follows the last command.
    static void WaitForFreshFrames(const CDeviceView& view) {
        for (int fresh = 0, waited = 0; fresh < 2 && waited < 5000; waited += 10) {
            const qint64 shown = view.Shown().cacheKey();
            QTest::qWait(10);
            fresh += view.Shown().cacheKey() != shown;
        }
    }

    // The window as the user sees it, kept as an artefact of the build and
    // named by the display it ran on (offscreen, or a virtual X server).
    void KeepScreenshot(const QString& name) {
        QDir().mkpath(QStringLiteral(MARNELO_ARTEFACT_DIR));
        EXPECT_TRUE(frame->grab().toImage().save(
            QDir(QStringLiteral(MARNELO_ARTEFACT_DIR))
                .filePath(QStringLiteral("%1-%2.png").arg(name, QGuiApplication::platformName()))));
    }

    void Click(QWidget* on, QPoint at) {
        QTest::mouseMove(on, at);
        QTest::mousePress(on, Qt::LeftButton, {}, at);
        QTest::mouseRelease(on, Qt::LeftButton, {}, at);
    }

    // Draws `count` horizontal distances, one under the other.
    void DrawDistances(CDeviceView* view, int count) {
        frame->RouteCommand(ID_MEASURE_LINE);
        for (int i = 0; i < count; ++i) {
            const int y = 100 + 60 * i;
            Click(view->viewport(), QPoint(100, y));
            Click(view->viewport(), QPoint(300, y));
            Click(view->viewport(), QPoint(200, y + 20));
        }
    }

    CMeasureResultFormView* Pane() const { return frame->findChild<CMeasureResultFormView*>(); }
    QTreeWidget* ResultTree() const {
        return Pane()->findChild<QTreeWidget*>(QStringLiteral("measureResults"));
    }
    // The pane's "Image width" and "Image height" values.
    QString PaneImageSize() const {
        const auto* grid = Pane()->findChild<CPropertyGrid*>(QStringLiteral("documentProperties"));
        return grid->topLevelItem(0)->value() + QStringLiteral(" x ") +
               grid->topLevelItem(1)->value();
    }

    ScopedProgramFolder home;
    std::unique_ptr<CMainFrame> frame;
    QStringList boxes;

private:
    CDocManager m_docs;
};
