#include "framework/QImageDrawContext.h"
#include "shapes/ShapeKinds.h"
#include "tests/document/StillDocumentTestSupport.h"

#include <fstream>

namespace {

namespace M = MeasureMode;

constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kRed{255, 0, 0};

// How many pixels of the rectangle (picture coordinates, ends included)
// have the colour.
int CountColor(const CDib& picture, int x1, int y1, int x2, int y2, Rgb color) {
    int count = 0;
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            count += PixelAt(picture, x, y) == color ? 1 : 0;
        }
    }
    return count;
}

} // namespace

TEST_F(StillDocumentTest, OpensByExtensionWhateverItsCaseAndKeepsTheLoadedPicture) {
    const CDib picture = NoisePicture(37, 21, 5);

    // JPEG in capitals opens as JPEG.
    auto jpeg = NewDocument();
    ASSERT_TRUE(jpeg->Open(Write(picture, "PIC.JPEG", ImageType::Jpeg)));
    EXPECT_EQ(jpeg->LoadedType(), ImageType::Jpeg);
    EXPECT_EQ(jpeg->ImageWidth(), 37);
    EXPECT_EQ(jpeg->ImageHeight(), 21);
    EXPECT_EQ(jpeg->Path(), PathOf("PIC.JPEG"));
    EXPECT_FALSE(jpeg->IsModified());

    // An extension of another type opens when a decoder knows the data; the
    // backup is the picture as loaded.
    auto other = NewDocument();
    other->OnToolCommand(ID_AREA_SHARPEN);
    ASSERT_TRUE(other->Open(Write(picture, "picture.dat")));
    EXPECT_EQ(other->LoadedType(), ImageType::Bmp);
    EXPECT_EQ(other->Modes().areaMode, 0);
    EXPECT_TRUE(SameColors(other->Picture().Read().image(), picture));
    EXPECT_TRUE(SameColors(other->Picture().Backup(), picture));

    // No extension, a broken file and a missing one do not open.
    auto refused = NewDocument();
    EXPECT_FALSE(refused->Open(Write(picture, "noextension")));
    EXPECT_FALSE(refused->LastError().empty());
    {
        std::ofstream broken(PathOf("broken.bmp"), std::ios::binary);
        broken << "BM and then nothing useful";
    }
    EXPECT_FALSE(refused->Open(PathOf("broken.bmp")));
    EXPECT_FALSE(refused->Open(PathOf("missing.bmp")));
    EXPECT_FALSE(refused->HasPicture());
    EXPECT_TRUE(refused->Path().empty());
    EXPECT_EQ(refused->WriteTo(PathOf("out.bmp")), PictureWriteResult::NoPicture);
}

TEST_F(StillDocumentTest, SavingBurnsEveryShapeInAtThePicturesOwnSize) {
    const CDib picture = FlatPicture(120, 90, kGrey);
    auto document = Opened(picture);
    g_parameters.linewidth = 3;
    g_parameters.textsize = 12;
    document->AddShape(Completed(M::kHorizontalLine, {{10, 20}, {100, 20}, {20, 60}}, 120, 90));
    document->AddShape(Completed(M::kRectangle, {{30, 40}, {80, 70}, {85, 75}}, 120, 90));
    document->AddShape(Completed(M::kSquareMark, {{60, 30}}, 120, 90));
    EXPECT_TRUE(document->IsModified());
    // Neither the view's zoom nor an armed tool changes what is saved.
    document->ZoomIn();
    document->OnToolCommand(ID_MEASURE_LINE);

    ASSERT_EQ(document->WriteTo(PathOf("saved.bmp")), PictureWriteResult::Written);
    EXPECT_EQ(document->Modes().measureMode, 0);
    EXPECT_FALSE(document->IsModified());

    // Exactly the picture with the three shapes drawn on it at zoom 1 with
    // the current line width.
    QImage expected = ToQImage(picture);
    {
        CQImageDrawContext dc(expected);
        for (const auto& shape : document->Shapes().Shapes()) {
            shape->Draw(dc, {.penWidth = 3, .zoom = 1.0});
        }
    }
    CDib saved;
    ASSERT_TRUE(saved.Load(PathOf("saved.bmp"), ImageType::Bmp));
    EXPECT_EQ(saved.Width(), 120);
    EXPECT_EQ(saved.Height(), 90);
    EXPECT_TRUE(SameAs(saved, expected));
    EXPECT_EQ(CountColor(saved, 40, 19, 90, 21, kRed), 51 * 3); // the 3-pixel line
    EXPECT_EQ(PixelAt(saved, 115, 5), kGrey);

    // JPEG by its extension, in any case.
    ASSERT_EQ(document->WriteTo(PathOf("saved.JpG")), PictureWriteResult::Written);
    CDib jpeg;
    ASSERT_TRUE(jpeg.Load(PathOf("saved.JpG"), ImageType::Jpeg));
    EXPECT_EQ(jpeg.Type(), ImageType::Jpeg);
    EXPECT_EQ(jpeg.Width(), 120);
}

TEST_F(StillDocumentTest, AWriteThatCannotHappenLeavesTheFileThatWasThere) {
    auto document = Opened(FlatPicture(40, 30, kGrey));
    for (const char* name : {"out", "out.", "out.gif", "folder.bmp/"}) {
        EXPECT_EQ(document->WriteTo(PathOf(name)), PictureWriteResult::BadExtension) << name;
        EXPECT_EQ(document->WriteExportPicture(PathOf(name), {}), PictureWriteResult::BadExtension);
        EXPECT_FALSE(std::filesystem::exists(PathOf(name))) << name;
    }

    // Renaming over a folder fails: the folder and its file stay, and no
    // temporary file is left behind.
    std::filesystem::create_directory(PathOf("taken.bmp"));
    Write(FlatPicture(2, 2, kRed), "taken.bmp/inside.bmp");
    EXPECT_EQ(document->WriteTo(PathOf("taken.bmp")), PictureWriteResult::WriteFailed);
    EXPECT_FALSE(document->LastError().empty());
    EXPECT_TRUE(std::filesystem::exists(PathOf("taken.bmp/inside.bmp")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path().toStdString()),
                            std::filesystem::directory_iterator{}),
              2); // picture.bmp and the folder

    // No surface to draw on: nothing is written, an existing file stays.
    const std::filesystem::path existing = Write(FlatPicture(3, 3, kRed), "existing.bmp");
    const auto sizeBefore = std::filesystem::file_size(existing);
    CStillImageDocument noSurfaces([](int, int) { return std::unique_ptr<CDrawSurface>(); });
    ASSERT_TRUE(noSurfaces.Open(PathOf("picture.bmp")));
    EXPECT_EQ(noSurfaces.WriteTo(existing), PictureWriteResult::NoSurface);
    EXPECT_EQ(std::filesystem::file_size(existing), sizeBefore);
}

TEST_F(StillDocumentTest, ExportScalesThePictureAndImprintsOnlyMarkedShapes) {
    auto document = Opened(FlatPicture(300, 200, kGrey));
    g_parameters.textsize = 1; // labels out of the way
    document->AddShape(Completed(M::kHorizontalLine, {{30, 30}, {270, 30}, {40, 40}}, 300, 200));
    document->AddShape(Completed(M::kVerticalLine, {{150, 90}, {150, 180}, {160, 100}}, 300, 200));

    struct Size {
        int option;
        int width;
        int height;
    };
    for (const Size size : {Size{1, 300, 200}, Size{2, 150, 100}, Size{3, 99, 66}}) {
        CDib out;
        ASSERT_EQ(document->MakeExportPicture({size.option, true}, out),
                  PictureWriteResult::Written);
        EXPECT_EQ(out.Width(), size.width) << size.option;
        EXPECT_EQ(out.Height(), size.height) << size.option;
    }
    for (int i = 0; i < 5; ++i) {
        document->ZoomIn();
    }
    CDib zoomed;
    ASSERT_EQ(document->MakeExportPicture({4, false}, zoomed), PictureWriteResult::Written);
    EXPECT_EQ(zoomed.Width(), 450);
    EXPECT_EQ(zoomed.Height(), 300);

    // At half size the horizontal line runs along row 15, the vertical one
    // down column 75; only marked shapes are imprinted.
    const auto redOnLines = [&](const CPictureExportOptions& options) {
        CDib out;
        EXPECT_EQ(document->MakeExportPicture(options, out), PictureWriteResult::Written);
        return std::make_pair(CountColor(out, 30, 15, 120, 15, kRed) > 80,
                              CountColor(out, 75, 55, 75, 85, kRed) > 25);
    };
    EXPECT_EQ(redOnLines({2, true}), std::make_pair(false, false));
    document->Shapes().At(1).exportMark = 1;
    EXPECT_EQ(redOnLines({2, true}), std::make_pair(false, true));
    document->MarkAllShapesForExport();
    EXPECT_EQ(redOnLines({2, true}), std::make_pair(true, true));
    EXPECT_EQ(redOnLines({2, false}), std::make_pair(false, false));

    // Written by the extension's type; the picture alone stays the picture.
    ASSERT_EQ(document->WriteExportPicture(PathOf("third.jpg"), {3, false}),
              PictureWriteResult::Written);
    CDib written;
    ASSERT_TRUE(written.Load(PathOf("third.jpg"), ImageType::Jpeg));
    EXPECT_EQ(written.Width(), 99);
    EXPECT_EQ(CountColor(written, 0, 0, 98, 65, kRed), 0);
}

TEST_F(StillDocumentTest, ShapesThatCannotReachThePictureAreNeitherDrawnNorMeasured) {
    auto document = Opened(FlatPicture(100, 80, kGrey));
    g_parameters.textsize = 1;
    g_calibration.lastLineLength = 42.0;
    document->AddShape(Completed(M::kLine, {{300, 300}, {400, 300}, {350, 320}}, 100, 80));
    // Centre and every point outside, but the circle crosses the picture.
    document->AddShape(Completed(M::kRadiusCircle, {{150, 40}, {150, 110}, {160, 50}}, 100, 80));

    ASSERT_EQ(document->WriteTo(PathOf("saved.bmp")), PictureWriteResult::Written);
    EXPECT_EQ(g_calibration.lastLineLength, 42.0);
    CDib saved;
    ASSERT_TRUE(saved.Load(PathOf("saved.bmp"), ImageType::Bmp));
    EXPECT_GT(CountColor(saved, 75, 0, 99, 79, kRed), 40);
    EXPECT_EQ(CountColor(saved, 0, 0, 70, 79, kRed), 0);

    // A line on the picture is measured as it is drawn.
    document->AddShape(Completed(M::kLine, {{10, 70}, {40, 70}, {20, 75}}, 100, 80));
    ASSERT_EQ(document->WriteTo(PathOf("saved.bmp")), PictureWriteResult::Written);
    EXPECT_NE(g_calibration.lastLineLength, 42.0);
}

TEST_F(StillDocumentTest, ADrawnSurfaceBecomesA24BitPicture) {
    // An 8-bit picture drawn one to one onto a surface comes back in colour.
    CDib grey;
    ASSERT_TRUE(grey.Create(7, 5, 8));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            grey.Row(grey.StoredRow(y))[x] = static_cast<std::uint8_t>(30 * x + y);
        }
    }
    const auto surface = CQImageDrawSurface::Create(7, 5);
    ASSERT_TRUE(surface);
    grey.Draw(surface->Context(), 0, 0, 7, 5);
    CDib made;
    ASSERT_TRUE(made.CreateFromSurface(surface->Pixels()));
    EXPECT_EQ(made.BitsPerPixel(), 24);
    EXPECT_FALSE(made.HasSelection());
    EXPECT_TRUE(SameColors(made, grey));
    // Row padding is written as zeros, so equal pictures give equal files.
    EXPECT_EQ(made.Row(2)[21], 0);
    EXPECT_EQ(made.Row(2)[22], 0);
    EXPECT_EQ(made.Row(2)[23], 0);

    EXPECT_FALSE(made.CreateFromSurface(CSurfacePixels{}));
    EXPECT_FALSE(made.IsValid());
    const std::vector<std::uint8_t> pixels(16 * 4);
    EXPECT_FALSE(made.CreateFromSurface(CSurfacePixels{4, 4, pixels.data(), 16}, 32));
    EXPECT_FALSE(made.LastError().empty());
}

TEST(ProposedSaveName, KeepsThePathOrMakesANameFromTheTitle) {
    EXPECT_EQ(ProposedSaveName(QStringLiteral("/pictures/a.jpeg"), QStringLiteral("a.jpeg"),
                               ImageType::Jpeg),
              QStringLiteral("/pictures/a.jpeg"));
    EXPECT_EQ(ProposedSaveName({}, QStringLiteral("Sample 3"), ImageType::Jpeg),
              QStringLiteral("Sample 3.jpg"));
    EXPECT_EQ(ProposedSaveName({}, QStringLiteral("Sample"), ImageType::Bmp),
              QStringLiteral("Sample.bmp"));
    EXPECT_EQ(ProposedSaveName({}, QStringLiteral("Scan"), ImageType::Tiff),
              QStringLiteral("Scan.tif"));
    EXPECT_EQ(ProposedSaveName({}, QStringLiteral("Chart"), ImageType::Png),
              QStringLiteral("Chart.png"));
    for (const char* title : {"50%", "a#b", "x;y", "dir/name", "dir\\name"}) {
        EXPECT_EQ(ProposedSaveName({}, QString::fromUtf8(title), ImageType::Bmp),
                  QStringLiteral("UntitledImage.bmp"))
            << title;
    }
}
