#pragma once

#include "app/CMainFrame.h"
#include "app/DocTemplates.h"
#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "calibration/ui/CCalManageFormView.h"
#include "calibration/ui/CCalManageFormWnd.h"
#include "core/CommandIds.h"
#include "core/Parameters.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/PropertyGrid.h"
#include "image/ImagePath.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "reports/ui/CMeasureResultFormWnd.h"
#include "shapes/ShapeList.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/reports/PaneTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "tools/ui/CLOBRINView.h"

#include <functional>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

// The application's main frame with its real document templates and panes:
// a picture is opened with Open Picture and measured with the mouse, and the
// panes are used as a user uses them.
class PictureWindowTest : public ::testing::Test {
protected:
    PictureWindowTest() {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
        g_parameters.measuredecimal = 2;
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return answer ? answer(request) : QMessageBox::Yes;
        });
        RegisterDocTemplates(m_docs);
    }
    ~PictureWindowTest() override {
        frame.reset();
        SetMessageBoxResponder({});
        SetFileDialogResponder({});
        ClearResultsList();
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
    }

    void Build() {
        frame = std::make_unique<CMainFrame>(m_docs);
        frame->resize(1280, 800);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        Settle();
    }

    // Open Picture, answering the file dialog with a picture written first,
    // of the kind its name asks for.
    void OpenPicture(const CDib& picture, const QString& name = QStringLiteral("ruler.bmp")) {
        const QString path = home.filePath(name);
        const ImageType type = ImageTypeForPath(path.toStdString()).value_or(ImageType::Bmp);
        ASSERT_TRUE(
            picture.Save(path.toStdString(), type == ImageType::Unknown ? ImageType::Bmp : type));
        SetFileDialogResponder([path](const FileDialogRequest&) {
            return std::optional<FileDialogAnswer>(FileDialogAnswer{path, 0});
        });
        frame->RouteCommand(ID_FILE_OPEN);
        SetFileDialogResponder({});
        auto* child = frame->activeChildFrame();
        ASSERT_NE(child, nullptr);
        view = static_cast<CLOBRINView*>(&child->view());
        Settle();
    }

    void ClickView(QPoint at) {
        QTest::mouseMove(view->viewport(), at);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    }
    // A distance line of `length` pixels along row y, its label below it.
    void DrawLine(int y, int length) {
        frame->RouteCommand(ID_MEASURE_LINE);
        ClickView({20, y});
        ClickView({20 + length, y});
        ClickView({40, y + 15});
        frame->RouteCommand(ID_MEASURE_LINE); // the tool off again
        Settle();
    }

    // A key pressed in the active window, as shortcuts see it.
    void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {}, QWidget* target = nullptr) {
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        QTest::keyClick(target != nullptr ? target : frame.get(), key, modifiers);
        Settle();
    }

    QWidget* Manager() const { return frame->calibrationPane()->view(); }
    QWidget* Results() const { return frame->resultsPane()->view(); }
    QStringList ResultTexts() const {
        return TreeTexts(Results()->findChild<QTreeWidget*>("measureResults"));
    }
    void ClickButton(QWidget* pane, const char* name) {
        QTest::mouseClick(pane->findChild<QPushButton*>(name), Qt::LeftButton);
        Settle();
    }
    // Types into a field of the manual calibration as a user does.
    void TypeInto(int row, const QString& text) {
        auto* grid = Manager()->findChild<CPropertyGrid*>("manualCalibration");
        auto* tree = grid->findChild<QTreeWidget*>();
        CPropertyGridItem* item = grid->topLevelItem(row);
        const QRect cell = tree->visualItemRect(item);
        QTest::mouseClick(
            tree->viewport(), Qt::LeftButton, {},
            QPoint(tree->header()->sectionViewportPosition(1) + 10, cell.center().y()));
        QWidget* editor = tree->indexWidget(tree->indexFromItem(item, 1));
        ASSERT_NE(editor, nullptr);
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            combo->lineEdit()->selectAll();
        } else {
            qobject_cast<QLineEdit*>(editor)->selectAll();
        }
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        Settle();
    }

    ScopedProgramFolder home;
    std::unique_ptr<CMainFrame> frame;
    CLOBRINView* view = nullptr;
    std::vector<MessageBoxRequest> boxes;
    // Answers the message boxes; Yes to every box while empty.
    std::function<QMessageBox::StandardButton(const MessageBoxRequest&)> answer;

private:
    CDocManager m_docs;
};
