#include "app/CMainFrame.h"
#include "app/DocTemplates.h"
#include "core/PendingPicture.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/Document.h"
#include "framework/ui/MessageBox.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMdiArea>
#include <QMimeData>
#include <QTest>
#include <QUrl>

namespace {

// Pictures that come from outside the program: named on the command line or
// dropped from a file manager, opened by the real picture documents.
class OpenFromOutsideTest : public ::testing::Test {
protected:
    OpenFromOutsideTest() {
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return QMessageBox::Ok;
        });
        RegisterDocTemplates(m_docs);
        frame = std::make_unique<CMainFrame>(m_docs);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    ~OpenFromOutsideTest() override {
        frame.reset();
        SetMessageBoxResponder({});
        g_pendingPicture = CPendingPicture{};
    }

    QString Picture(const QString& name, int width) {
        const QString path = home.filePath(name);
        EXPECT_TRUE(NoisePicture(width, 20).Save(path.toStdString(), ImageType::Bmp));
        return path;
    }

    QStringList OpenedPaths() const {
        QStringList paths;
        for (CChildFrame* child : frame->childFrames()) {
            paths.append(child->document().pathName());
        }
        return paths;
    }

    // Drags the files over the window and lets go, as a file manager does.
    bool Drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls.append(path.startsWith(u'/') ? QUrl::fromLocalFile(path) : QUrl(path));
        }
        data.setUrls(urls);
        const QPointF at(400, 300);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(frame.get(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(frame.get(), &drop);
        QApplication::processEvents();
        return drop.isAccepted();
    }

    ScopedProgramFolder home;
    CDocManager m_docs;
    std::unique_ptr<CMainFrame> frame;
    std::vector<MessageBoxRequest> boxes;
};

} // namespace

TEST_F(OpenFromOutsideTest, DroppingTwoPicturesOpensTwoWindows) {
    const QString a = Picture("a.bmp", 30);
    const QString b = Picture("b.bmp", 40);
    ASSERT_TRUE(Drop({a, b}));
    EXPECT_EQ(OpenedPaths(), (QStringList{a, b}));
    EXPECT_TRUE(boxes.empty());
    // Only files can be dropped; a web address is refused at the door.
    EXPECT_FALSE(Drop({"https://example.org/c.bmp"}));
    EXPECT_EQ(frame->childFrames().size(), 2);
}

TEST_F(OpenFromOutsideTest, UnreadableFilesSayWhyAndTheOthersStillOpen) {
    const QString good = Picture("good.bmp", 30);
    WriteFile(home.filePath("broken.bmp"), QByteArray("BM", 2));
    // A picture the browser handed over stays pending for Open Picture.
    g_pendingPicture.path = home.filePath("from-browser.bmp");

    frame->OpenPictures({home.filePath("missing.jpg"), home.filePath("broken.bmp"), good});

    EXPECT_EQ(OpenedPaths(), QStringList{good});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].text.contains("missing.jpg: ")) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[1].text.contains("broken.bmp: ")) << boxes[1].text.toStdString();
    EXPECT_GT(boxes[1].text.size(), QStringLiteral("Error\nbroken.bmp: ").size());
    EXPECT_EQ(boxes[1].icon, QMessageBox::Warning);
    EXPECT_EQ(g_pendingPicture.path, home.filePath("from-browser.bmp"));
}
