#pragma once

#include "core/CommandIds.h"
#include "core/Parameters.h"
#include "calibration/Calibration.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/DocTemplate.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/PostedEvents.h"
#include "framework/ui/StatusBar.h"
#include "document/ui/CLOBRINDoc.h"
#include "shapes/ShapeList.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "tools/ui/CLOBRINView.h"

#include <array>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <vector>

#include <QApplication>
#include <QTest>

// Stands in for the results pane: records what it is posted.
class ResultsReceiver : public QObject {
public:
    ResultsReceiver()
        : m_registration(ReceiverRole::ResultsView, this) {}

    int Count(std::intptr_t wParam, std::intptr_t lParam) {
        QCoreApplication::sendPostedEvents(this);
        int count = 0;
        for (const auto& post : posts) {
            count += post[0] == UM_REFRESH_RESULTS && post[1] == wParam && post[2] == lParam;
        }
        return count;
    }

    std::vector<std::array<std::intptr_t, 3>> posts;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == CPostedEvent::Type()) {
            const auto* posted = static_cast<const CPostedEvent*>(event);
            posts.push_back({posted->message(), posted->wParam(), posted->lParam()});
        }
    }

private:
    CReceiverRegistration m_registration;
};

// Pictures opened in the still picture window of a bare main frame (with the
// three status panes of the real one), driven by mouse and keyboard events
// on the view.
class ViewTest : public ::testing::Test {
protected:
    ViewTest() {
        g_parameters = CParameters{};
        g_calibration = CCurrentCalibration{};
        m_docs.AddDocTemplate(DocKind::StillImage,
                              CDocTemplate(
                                  QIcon(), [] { return std::make_unique<CLOBRINDoc>(); },
                                  [](CDocument& document) -> std::unique_ptr<CView> {
                                      return std::make_unique<CLOBRINView>(
                                          static_cast<CLOBRINDoc&>(document));
                                  }));
        frame = std::make_unique<CMDIFrameWnd>(m_docs);
        frame->paneBar().AddPane(0, 200);
        frame->paneBar().AddPane(105, 600);
        frame->paneBar().AddPane(106, 400);
        frame->resize(900, 700);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    ~ViewTest() override {
        frame.reset();
        ClearResultsList();
        g_parameters = CParameters{};
        g_calibration = CCurrentCalibration{};
    }

    // Opens `picture` (written as a BMP) in a new window.
    CLOBRINView* Open(const CDib& picture, const QString& name = QStringLiteral("picture.bmp")) {
        const QString path = home.filePath(name);
        EXPECT_TRUE(picture.Save(path.toStdString(), ImageType::Bmp));
        CChildFrame* child = frame->OpenDocument(DocKind::StillImage, path);
        EXPECT_NE(child, nullptr);
        if (child == nullptr) {
            return nullptr;
        }
        view = static_cast<CLOBRINView*>(&child->view());
        QApplication::processEvents();
        return view;
    }

    CLOBRINDoc& Doc() const { return view->GetDocument(); }
    CStillImageDocument& Model() const { return Doc().Model(); }
    QWidget* Viewport() const { return view->viewport(); }
    std::size_t ShapeCount() const { return Model().Shapes().Count(); }
    CShape& ShapeAt(std::size_t i) const { return Model().Shapes().At(i); }

    void Command(int id) { frame->RouteCommand(id); }
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
    CLOBRINView* view = nullptr;

private:
    CDocManager m_docs;
};
