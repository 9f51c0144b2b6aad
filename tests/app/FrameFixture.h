#pragma once

#include "app/CMainFrame.h"
#include "core/CommandIds.h"
#include "core/Folders.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/MessageBox.h"
#include "tests/framework/TestDocuments.h"
#include "tests/support/TestEnvironment.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTimer>

// A main frame over test documents in a fresh program folder, which is also
// the current folder. Pictures handle zoom, the two-point distance and Save;
// the live window ("Marnelo") takes pictures.
class FrameFixture : public ::testing::Test {
protected:
    FrameFixture()
        : m_previousFolder(QDir::currentPath()) {
        QDir::setCurrent(home.path());
        g_folders.snapshotFolder = home.filePath("SaveFile");
        docs.AddDocTemplate(
            DocKind::StillImage,
            MakeTestTemplate(
                {{ID_ZOOM_IN, ID_ZOOM_OUT, ID_MEASURE_LINE, ID_FILE_SAVE}, {}, {}, false}));
        docs.AddDocTemplate(
            DocKind::LiveCamera,
            MakeTestTemplate({{ID_TAKE_PICTURE}, {}, QStringLiteral("Marnelo"), false}));
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return answer;
        });
    }
    ~FrameFixture() override {
        frame.reset();
        SetMessageBoxResponder({});
        QDir::setCurrent(m_previousFolder);
    }

    CMainFrame& Build() {
        frame = std::make_unique<CMainFrame>(docs);
        frame->show();
        QApplication::processEvents();
        return *frame;
    }
    // Closes the frame as the user does (the layout is kept) and starts anew.
    CMainFrame& Restart() {
        answer = QMessageBox::Yes;
        EXPECT_TRUE(frame->close());
        frame.reset();
        return Build();
    }
    QAction* Action(int id) { return frame->CommandAction(id); }
    CTestDocument& DocumentOf(CChildFrame* child) {
        return dynamic_cast<CTestDocument&>(child->document());
    }

    // Triggers `command`, which opens a modal dialog of type D, and lets
    // `use` work that dialog; `use` must end it.
    template <typename D>
    void RunDialog(int command, const std::function<void(D&)>& use) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            use(*dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        Action(command)->trigger();
        EXPECT_TRUE(seen);
    }

    static void ProcessDeferredDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }

    ScopedProgramFolder home;
    CDocManager docs;
    std::unique_ptr<CMainFrame> frame;
    std::vector<MessageBoxRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Yes;

private:
    QString m_previousFolder;
};
