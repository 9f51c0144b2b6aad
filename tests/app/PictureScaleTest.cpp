#include "framework/ui/StatusBar.h"
#include "tests/app/PictureWindowFixture.h"
#include "tests/image/PictureFixtures.h"

#include <algorithm>

// A picture file that carries its own scale: the offer to measure with it,
// and Save writing the opened kind back with the calibration in force.

namespace {

const Rgb kBackground{230, 230, 230};
const Rgb kLineRed{255, 0, 0};

bool IsScaleOffer(const MessageBoxRequest& request) {
    return request.text.startsWith(QLatin1String("This picture carries its own scale"));
}

CDib ScaledPicture(const std::optional<CPictureScale>& scale) {
    CDib picture = FlatPicture(160, 90, kBackground);
    picture.SetScale(scale);
    return picture;
}

} // namespace

TEST_F(PictureWindowTest, APictureWithItsOwnScaleOffersToMeasureWithIt) {
    Build();
    const CPictureScale own{500.0, "um", "Lens 10x"};
    const struct {
        QMessageBox::StandardButton button;
        double scale;
        const char* unit;
        const char* applied; // the name the manager shows applied
        std::size_t stored;
    } cases[] = {{QMessageBox::No, 60.0, "mm", "", 0},
                 {QMessageBox::Yes, 500.0, "um", "", 0},
                 {QMessageBox::Save, 500.0, "um", "Lens 10x", 1}};
    int opened = 0;
    for (const auto& c : cases) {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
        boxes.clear();
        answer = [&c](const MessageBoxRequest& request) {
            return IsScaleOffer(request) ? c.button : QMessageBox::Yes;
        };
        OpenPicture(ScaledPicture(own), QString::asprintf("cells-%d.tif", ++opened));
        ASSERT_EQ(std::count_if(boxes.begin(), boxes.end(), IsScaleOffer), 1) << c.button;
        EXPECT_TRUE(boxes.back().text.contains(QLatin1String("one pixel is 20 um")))
            << boxes.back().text.toStdString();
        EXPECT_EQ(g_calibration.scale, c.scale) << c.button;
        EXPECT_EQ(g_calibration.unit, QLatin1String(c.unit)) << c.button;
        EXPECT_EQ(g_calibrationStore.records.size(), c.stored) << c.button;
        EXPECT_EQ(static_cast<CCalManageFormView*>(Manager())->appliedName(),
                  QLatin1String(c.applied));
    }
    // Stored, the calibration is there for the next start.
    EXPECT_TRUE(ReadFile(home.filePath("data.xml")).contains("Lens 10x"));

    // A picture already measured at its own scale, and one without a scale,
    // offer nothing.
    boxes.clear();
    OpenPicture(ScaledPicture(CPictureScale{500.0, "um", ""}), QStringLiteral("same.png"));
    OpenPicture(ScaledPicture(std::nullopt), QStringLiteral("none.png"));
    EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(), IsScaleOffer), 0);
}

TEST_F(PictureWindowTest, SaveWritesTheOpenedKindBackWithTheCalibrationInForce) {
    Build();
    g_calibrationStore.records.push_back({"Lens", "um", "250.000000", "100"});
    ASSERT_TRUE(ApplyCalibration("Lens"));
    g_calibration.selectedName = QStringLiteral("Lens");
    // Save over the opened file (not Save As).
    answer = [](const MessageBoxRequest&) {
        return QMessageBox::Save;
    };
    const struct {
        const char* name;
        ImageType type;
    } cases[] = {{"plate.tif", ImageType::Tiff},
                 {"plate.png", ImageType::Png},
                 {"plate.bmp", ImageType::Bmp}};
    for (const auto& c : cases) {
        OpenPicture(ScaledPicture(std::nullopt), QLatin1String(c.name));
        DrawLine(40, 50);
        frame->RouteCommand(ID_FILE_SAVE);
        Settle();
        CDib saved;
        ASSERT_TRUE(saved.Load(home.filePath(c.name).toStdString(), ImageType::Unknown))
            << c.name << saved.LastError();
        EXPECT_EQ(saved.Type(), c.type) << c.name;
        EXPECT_TRUE(PixelAt(saved, 45, 40) == kLineRed || PixelAt(saved, 45, 39) == kLineRed)
            << c.name << ": the line is drawn in";
        // BMP has no place for a scale.
        const std::optional<CPictureScale> expected =
            c.type == ImageType::Bmp ? std::nullopt
                                     : std::optional(CPictureScale{250.0, "um", "Lens"});
        EXPECT_EQ(saved.Scale(), expected) << c.name;
    }
}

TEST_F(PictureWindowTest, AFileOfSeveralPagesSaysSoAndIsNotSavedOver) {
    Build();
    const QString path = home.filePath("stack.tif");
    WriteTiffFixture(path.toStdString(), TiffFixture{"stack", SampleKind{3, 8}, 1, false, "w", 3},
                     64, 48);
    const QByteArray before = ReadFile(path);
    std::vector<FileDialogRequest> requests;
    SetFileDialogResponder([&](const FileDialogRequest& request) {
        requests.push_back(request);
        // Open answers with the stack; Save is sent to Save As, which is cancelled.
        return requests.size() == 1 ? std::optional<FileDialogAnswer>(FileDialogAnswer{path, 0})
                                    : std::nullopt;
    });
    frame->RouteCommand(ID_FILE_OPEN);
    Settle();
    EXPECT_EQ(frame->paneBar().paneText(kPromptPane),
              QStringLiteral("This file has 3 pages; the first is shown"));

    answer = [](const MessageBoxRequest&) {
        return QMessageBox::Save;
    };
    frame->RouteCommand(ID_FILE_SAVE);
    Settle();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].mode, FileDialogRequest::Mode::Save);
    EXPECT_EQ(requests[1].defaultSuffix, QStringLiteral("tif"));
    EXPECT_EQ(ReadFile(path), before);
    SetFileDialogResponder({});
}
