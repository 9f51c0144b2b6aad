#include "app/UserImages.h"

#include "app/CCustomizeDlg.h"
#include "app/CFrameCustomizer.h"
#include "image/BmpCodec.h"
#include "tests/app/FrameFixture.h"

#include <cstdio>
#include <unistd.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

namespace {

// A strip of `count` 16 × 16 images of width × 16 pixels: image i is filled
// with red 40 i, except that its top left pixel is the light grey background.
QByteArray Strip(int count, int height = kUserImageSize) {
    CDib dib;
    EXPECT_TRUE(dib.Create(count * kUserImageSize, height, 24));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = dib.Row(dib.StoredRow(y));
        for (int x = 0; x < dib.Width(); ++x) {
            const bool corner = x % kUserImageSize == 0 && y == 0;
            row[3 * x] = corner ? 192 : 0;
            row[3 * x + 1] = corner ? 192 : 0;
            row[3 * x + 2] = corner ? 192 : static_cast<std::uint8_t>(40 * (x / kUserImageSize));
        }
    }
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(EncodeBmp(dib, bytes));
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// Collects what the process writes to stderr while it lives.
class StderrCapture {
public:
    explicit StderrCapture(const QString& path)
        : m_path(path) {
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
        dup2(fileno(file), STDERR_FILENO);
        std::fclose(file);
    }
    ~StderrCapture() { Stop(); }
    // The captured lines that mention `word`.
    QStringList Lines(const QString& word) {
        Stop();
        QStringList found;
        for (const QString& line : QString::fromLocal8Bit(ReadFile(m_path)).split('\n')) {
            if (line.contains(word)) {
                found.append(line);
            }
        }
        return found;
    }

private:
    void Stop() {
        if (m_saved >= 0) {
            std::fflush(stderr);
            dup2(m_saved, STDERR_FILENO);
            close(m_saved);
            m_saved = -1;
        }
    }
    QString m_path;
    int m_saved = -1;
};

class UserImagesTest : public FrameFixture {
protected:
    QString StripPath() const { return home.filePath("UserImages.bmp"); }
    QStringList StartWith(const QByteArray& file) {
        WriteFile(StripPath(), file);
        StderrCapture capture(home.filePath("stderr.txt"));
        Build();
        return capture.Lines(QStringLiteral("UserImages.bmp"));
    }
};

} // namespace

TEST(UserImagesFile, OnlyAStripOfSixteenPixelImagesWithinTheSizeLimitIsRead) {
    QTemporaryDir dir;
    const auto read = [&](const QByteArray& bytes) {
        WriteFile(dir.filePath("UserImages.bmp"), bytes);
        return ReadUserImages(dir.filePath("UserImages.bmp").toStdString());
    };
    EXPECT_EQ(ReadUserImages(dir.filePath("none.bmp").toStdString()).status,
              UserImagesFile::Status::Missing);
    EXPECT_TRUE(ReadUserImages(dir.filePath("none.bmp").toStdString()).message.empty());

    // Trailing bytes up to the limit are harmless; one byte more is too much.
    QByteArray padded = Strip(3);
    padded.append(QByteArray(static_cast<qsizetype>(kMaxUserImagesFileBytes) - padded.size(), 0));
    UserImagesFile loaded = read(padded);
    ASSERT_EQ(loaded.status, UserImagesFile::Status::Loaded) << loaded.message;
    EXPECT_EQ(loaded.count, 3);
    padded.append('\0');
    UserImagesFile large = read(padded);
    EXPECT_EQ(large.status, UserImagesFile::Status::Ignored);
    EXPECT_EQ(large.message, "UserImages.bmp ignored: larger than 819200 bytes");

    // Not a picture, a damaged one, or not a strip of button images.
    for (const QByteArray& bad :
         {QByteArray("GIF89a, not a bitmap"), Strip(2).left(60), Strip(1, 32), QByteArray()}) {
        const UserImagesFile ignored = read(bad);
        EXPECT_EQ(ignored.status, UserImagesFile::Status::Ignored) << bad.size();
        EXPECT_TRUE(ignored.message.starts_with("UserImages.bmp ignored: ")) << ignored.message;
        EXPECT_EQ(ignored.message.find('\n'), std::string::npos);
    }
    // A strip with a partial image at the end keeps the whole ones.
    CDib odd;
    ASSERT_TRUE(odd.Create(40, kUserImageSize, 8));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(EncodeBmp(odd, bytes));
    EXPECT_EQ(read(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<qsizetype>(bytes.size())))
                  .count,
              2);
}

TEST_F(UserImagesTest, PresentStripOffersItsImagesForUserToolbarButtons) {
    EXPECT_TRUE(StartWith(Strip(3)).isEmpty());
    const QList<QPixmap>& images = frame->customizer()->userImages();
    ASSERT_EQ(images.size(), 3);
    const QImage second = images[1].toImage();
    EXPECT_EQ(second.pixelColor(5, 5), QColor(40, 0, 0));
    EXPECT_EQ(second.pixelColor(0, 0).alpha(), 0); // the grey background

    CChildFrame* picture = frame->OpenDocument(DocKind::StillImage, home.filePath("a.bmp"));
    RunDialog<CCustomizeDlg>(ID_VIEW_CUSTOMIZE, [&](CCustomizeDlg& dialog) {
        auto* images = dialog.findChild<QComboBox*>("ImageBox");
        ASSERT_EQ(images->count(), 4); // the command's own picture, then the strip
        QTest::mouseClick(dialog.findChild<QPushButton*>("NewToolbar"), Qt::LeftButton);
        images->setCurrentIndex(2);
        auto* commands = dialog.findChild<QListWidget*>("CommandList");
        for (int row = 0; row < commands->count(); ++row) {
            if (commands->item(row)->data(Qt::UserRole).toInt() == ID_ZOOM_IN) {
                commands->setCurrentRow(row);
            }
        }
        QTest::mouseClick(dialog.findChild<QPushButton*>("AddButton"), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    QToolBar* mine = frame->customizer()->toolBar(1);
    ASSERT_NE(mine, nullptr);
    ASSERT_EQ(mine->actions().size(), 1);
    QAction* button = mine->actions()[0];
    EXPECT_EQ(button->icon().pixmap(16, 16).toImage().pixelColor(5, 5), QColor(40, 0, 0));
    EXPECT_EQ(button->toolTip(), Action(ID_ZOOM_IN)->toolTip());
    EXPECT_TRUE(button->isEnabled());
    QTest::mouseClick(mine->widgetForAction(button), Qt::LeftButton);
    EXPECT_EQ(DocumentOf(picture).commands.received, std::vector<int>{ID_ZOOM_IN});

    // Without the strip at the next start the button shows the command's own picture.
    QFile::remove(StripPath());
    Restart();
    EXPECT_EQ(frame->customizer()->toolBar(1)->actions(), QList<QAction*>{Action(ID_ZOOM_IN)});
}

TEST_F(UserImagesTest, MissingStripIsNoError) {
    StderrCapture capture(home.filePath("stderr.txt"));
    Build();
    EXPECT_TRUE(capture.Lines(QStringLiteral("UserImages")).isEmpty());
    EXPECT_TRUE(frame->customizer()->userImages().isEmpty());
}

TEST_F(UserImagesTest, TooLargeOrCorruptStripIsIgnoredWithOneLine) {
    QByteArray large = Strip(1);
    large.append(QByteArray(static_cast<qsizetype>(kMaxUserImagesFileBytes), 0));
    EXPECT_EQ(StartWith(large), QStringList{"UserImages.bmp ignored: larger than 819200 bytes"});
    EXPECT_TRUE(frame->customizer()->userImages().isEmpty());
    frame.reset();

    QByteArray corrupt = Strip(2);
    corrupt[20] = '\x7f'; // an absurd width
    EXPECT_EQ(StartWith(corrupt).size(), 1);
    EXPECT_TRUE(frame->customizer()->userImages().isEmpty());
}
