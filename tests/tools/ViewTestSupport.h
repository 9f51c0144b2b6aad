#pragma once

#include "document/ui/CLOBRINDoc.h"
#include "framework/PostedEvents.h"
#include "shapes/ShapeList.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/BareFrameTest.h"
#include "tools/ui/CLOBRINView.h"

#include <array>
#include <vector>

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

// Pictures opened in the still picture window of a bare main frame.
class ViewTest : public BareFrameTest<CLOBRINDoc, CLOBRINView> {
protected:
    ViewTest()
        : BareFrameTest(DocKind::StillImage) {}
    ~ViewTest() override {
        frame.reset();
        ClearResultsList();
    }

    // Opens `picture` (written as a BMP) in a new window.
    CLOBRINView* Open(const CDib& picture, const QString& name = QStringLiteral("picture.bmp")) {
        const QString path = home.filePath(name);
        EXPECT_TRUE(picture.Save(path.toStdString(), ImageType::Bmp));
        return OpenWindow(path, false);
    }

    CLOBRINDoc& Doc() const { return view->GetDocument(); }
    CStillImageDocument& Model() const { return Doc().Model(); }
    std::size_t ShapeCount() const { return Model().Shapes().Count(); }
    CShape& ShapeAt(std::size_t i) const { return Model().Shapes().At(i); }
};
