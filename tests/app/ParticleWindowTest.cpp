#include "analysis/particles/ParticleShape.h"
#include "analysis/ui/CParticleDlg.h"
#include "analysis/ui/CParticlePane.h"
#include "analysis/ui/CParticlePreview.h"
#include "analysis/ui/ParticleSelection.h"
#include "tests/app/PictureWindowFixture.h"

#include <algorithm>
#include <cmath>

#include <QFile>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

// Analyze Particles in the real main frame: the dialog's live preview, the
// particle pane's table, summary and histogram, the pick shared by a row and
// an outline, and the removal of one particle.

namespace {

// Dark discs of the given radii on a light background, centred along the
// middle row 60 pixels apart.
CDib Discs(std::initializer_list<int> radii) {
    return MakePicture(240, 120, [radii](int x, int y) {
        int centreX = 40;
        for (const int r : radii) {
            const int dx = x - centreX;
            const int dy = y - 60;
            if (dx * dx + dy * dy <= r * r) {
                return Rgb{30, 30, 30};
            }
            centreX += 60;
        }
        return Rgb{220, 220, 220};
    });
}

// A particle of a square outline, its measures those of the square.
CParticle Square(int id, int x, int y, int side) {
    CParticle p;
    p.id = id;
    p.area = side * side;
    p.perimeter = 4 * side;
    p.circularity = 0.785;
    p.feret = side * 1.41421356;
    p.minFeret = side;
    p.feretAngle = 45;
    p.centroidX = x + side / 2.0;
    p.centroidY = y + side / 2.0;
    p.boxX = x;
    p.boxY = y;
    p.boxWidth = side;
    p.boxHeight = side;
    p.outline = {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}};
    return p;
}

int Tinted(const QImage& tint) {
    int count = 0;
    for (int y = 0; y < tint.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(tint.constScanLine(y));
        count += static_cast<int>(std::count(row, row + tint.width(), CParticlePreview::kTint));
    }
    return count;
}

} // namespace

class ParticleWindowTest : public PictureWindowTest {
protected:
    void SetUp() override {
        Build();
        LastParticleOptions() = CParticleOptions{};
        // One millimetre per pixel, so that the pane shows pixel measures.
        g_calibration.scale = 10.0;
    }

    CParticlePane* Pane() const { return frame->particlePane()->view(); }
    QTableWidget* Table() const { return Pane()->findChild<QTableWidget*>("particleTable"); }
    CStillImageDocument& Model() const { return view->GetDocument().Model(); }

    // Three squares of sides 10, 20 and 30 placed as an analysis places them.
    void PlaceSquares() {
        OpenPicture(FlatPicture(240, 120, {220, 220, 220}));
        std::vector<std::unique_ptr<CShape>> shapes;
        CShapeParams params;
        params.imgWidth = 240;
        params.imgHeight = 120;
        int id = 1;
        for (const int side : {10, 20, 30}) {
            auto shape = std::make_unique<CParticleShape>(Square(id, 60 * id, 40, side),
                                                          CParticleScale{}, params);
            CompleteShape(*shape, id++);
            shapes.push_back(std::move(shape));
        }
        Model().AddSavedShapes(std::move(shapes));
        view->OnActivateView(true);
        Settle();
    }

    // Runs Analyze Particles, handing the open dialog to `use`.
    void WithDialog(const std::function<void(CParticleDlg&)>& use) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CParticleDlg*>(QApplication::activeModalWidget());
            seen = dialog != nullptr;
            if (dialog != nullptr) {
                use(*dialog);
            }
        });
        frame->RouteCommand(ID_ANALYZE_PARTICLES);
        Settle();
        ASSERT_TRUE(seen);
    }
};

TEST_F(ParticleWindowTest, PreviewTintsTheObjectPixelsTheThresholdTakes) {
    // A left-to-right grey ramp: a higher level takes more of it as dark.
    OpenPicture(MakePicture(256, 64, [](int x, int) { return Rgb{x, x, x}; }));
    std::vector<int> tinted;
    WithDialog([&](CParticleDlg& dialog) {
        dialog.findChild<QComboBox*>("method")->setCurrentIndex(
            static_cast<int>(ThresholdMethod::Manual));
        for (const int level : {63, 191}) {
            dialog.findChild<QSlider*>("threshold")->setValue(level);
            QTRY_VERIFY(!dialog.Preview().Pending());
            tinted.push_back(Tinted(view->ParticleTint()));
        }
        dialog.reject();
    });
    // Dark objects are grey ≤ level: 64 and 192 columns of 64 rows.
    EXPECT_EQ(tinted, (std::vector<int>{64 * 64, 192 * 64}));
    EXPECT_TRUE(view->ParticleTint().isNull()) << "the tint goes with the dialog";
    EXPECT_EQ(Model().Shapes().Count(), 0u);
}

TEST_F(ParticleWindowTest, OkAddsOneParticlePerObjectAndUndoTakesTheLastBack) {
    OpenPicture(Discs({8, 12, 16}));
    WithDialog([](CParticleDlg& dialog) { dialog.accept(); });
    ASSERT_EQ(Model().Shapes().Count(), 3u);
    ASSERT_EQ(Table()->rowCount(), 3);
    // Each disc's area in the table, whatever the order of the rows.
    std::vector<double> areas;
    for (int row = 0; row < 3; ++row) {
        areas.push_back(Table()->item(row, 1)->text().toDouble());
    }
    std::sort(areas.begin(), areas.end());
    for (std::size_t i = 0; i < 3; ++i) {
        const double r = 8.0 + 4.0 * static_cast<double>(i);
        EXPECT_NEAR(areas[i], M_PI * r * r, 0.05 * M_PI * r * r) << r;
    }

    frame->RouteCommand(ID_UNDO);
    Settle();
    EXPECT_EQ(Model().Shapes().Count(), 2u);
    EXPECT_EQ(Table()->rowCount(), 2);
}

TEST_F(ParticleWindowTest, RowAndOutlinePickEachOther) {
    PlaceSquares();
    ASSERT_EQ(Table()->rowCount(), 3);
    const CShape* second = &Model().Shapes().At(1);

    // A row picks the outline, which the picture then draws highlighted.
    Table()->selectRow(1);
    Settle();
    EXPECT_EQ(ParticleSelection().Selected(), second);
    const QImage shown = view->viewport()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(130, 40), QColor(255, 216, 0));

    // A click inside another outline picks its row; a click outside none.
    ClickView(QPoint(190, 55));
    Settle();
    EXPECT_EQ(ParticleSelection().Selected(), &Model().Shapes().At(2));
    ASSERT_FALSE(Table()->selectedItems().isEmpty());
    EXPECT_EQ(Table()->selectedItems().front()->row(), 2);
    ClickView(QPoint(10, 10));
    Settle();
    EXPECT_EQ(ParticleSelection().Selected(), nullptr);
    EXPECT_TRUE(Table()->selectedItems().isEmpty());
}

TEST_F(ParticleWindowTest, RemovingAParticleUpdatesTableSummaryAndHistogram) {
    PlaceSquares();
    auto* histogram = Pane()->findChild<CParticleHistogram*>("particleHistogram");
    Pane()->findChild<QSpinBox*>("histogramBins")->setValue(3);
    // Areas 100, 400 and 900 fall in the first, second and last of three bins.
    EXPECT_EQ(histogram->Counts(), (std::vector<int>{1, 1, 1}));

    Table()->selectRow(0);
    ClickButton(Pane(), "deleteParticle");
    Settle();
    EXPECT_EQ(Model().Shapes().Count(), 2u);
    ASSERT_EQ(Table()->rowCount(), 2);
    EXPECT_EQ(Table()->item(0, 0)->text(), "2");
    EXPECT_TRUE(Pane()->findChild<QLabel*>("particleTotals")->text().contains("2"));
    // The summary's area row: mean of 400 and 900.
    EXPECT_EQ(Pane()->findChild<QTableWidget*>("particleSummary")->item(0, 1)->text(), "650.00");
    int counted = 0;
    for (const int count : histogram->Counts()) {
        counted += count;
    }
    EXPECT_EQ(counted, 2);
    // The perimeter's distribution instead, in two bins.
    Pane()->findChild<QComboBox*>("histogramQuantity")->setCurrentIndex(1);
    Pane()->findChild<QSpinBox*>("histogramBins")->setValue(2);
    EXPECT_EQ(histogram->Counts(), (std::vector<int>{1, 1}));
}

TEST_F(ParticleWindowTest, PaneExportsTheTableAndTheSummaryAsCsv) {
    PlaceSquares();
    const QString path = home.filePath("particles.csv");
    SetFileDialogResponder([path](const FileDialogRequest&) {
        return std::optional<FileDialogAnswer>(FileDialogAnswer{path, 0});
    });
    ClickButton(Pane(), "exportParticles");
    SetFileDialogResponder({});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const char* area : {"100", "400", "900"}) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(area))) << text.toStdString();
    }
}
