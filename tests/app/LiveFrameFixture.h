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
#include "framework/ui/Document.h"
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

// The application's main frame over the real document kinds, with the
// virtual microscope as the last camera listed; message boxes are answered
// Yes and recorded.
class LiveFrameTest : public ::testing::Test {
protected:
    LiveFrameTest() {
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
    ~LiveFrameTest() override {
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

    void Click(QWidget* on, QPoint at) {
        QTest::mouseMove(on, at);
        QTest::mousePress(on, Qt::LeftButton, {}, at);
        QTest::mouseRelease(on, Qt::LeftButton, {}, at);
    }

    // Open Camera on the virtual microscope, waiting for its first picture.
    CDeviceView* OpenCamera() {
        WithDialog<CSelectDeviceDlg>(ID_OPEN_DEVICE, [](CSelectDeviceDlg& dialog) {
            dialog.CameraList()->setCurrentIndex(dialog.CameraList()->count() - 1);
            dialog.accept();
        });
        if (frame->childFrames().isEmpty()) {
            return nullptr;
        }
        auto* view = dynamic_cast<CDeviceView*>(&frame->childFrames()[0]->view());
        if (view != nullptr) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !view->Shown().isNull(); }, 10000));
        }
        return view;
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
