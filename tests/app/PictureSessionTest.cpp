#include "calibration/CalibrationFiles.h"
#include "camera/SnapshotSession.h"
#include "document/SessionFiles.h"
#include "framework/ui/StatusBar.h"
#include "shapes/ShapeKinds.h"
#include "tests/app/PictureWindowFixture.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/document/SessionTestSupport.h"

#include <set>

// Measurements saved beside a picture from its window: they come back as
// editable shapes, marnelo-cli replays them to the same results, and they
// stay away from a picture that changed.

namespace {

const Rgb kBackground{230, 230, 230};

struct SavedShape {
    CSessionShape record;
    std::array<double, 3> measure;
    std::array<double, 4> result;
};

class PictureSessionTest : public PictureWindowTest {
protected:
    QString Prompt() const { return frame->paneBar().paneText(kPromptPane); }

    // Open Picture on a file already there.
    void OpenExisting(const QString& path) {
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
    void Close() {
        ASSERT_TRUE(frame->activeChildFrame()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Settle();
    }
    const CShapeList& Shapes() const { return view->GetDocument().Model().Shapes(); }
    std::vector<SavedShape> Saved() const {
        std::vector<SavedShape> saved;
        for (const auto& shape : Shapes().Shapes()) {
            saved.push_back({*SessionShapeOf(*shape), shape->measure, shape->result});
        }
        return saved;
    }
    void UseCalibration(const QString& unit, double scale, int decimals) {
        g_calibration.unit = unit;
        UnitFactor();
        g_calibration.scale = scale;
        g_parameters.measuredecimal = decimals;
    }
    // A picture of every kind of shape, kept with its measurements.
    QString EveryKindPicture() {
        const QString path = home.filePath("grains.bmp");
        EXPECT_TRUE(FlatPicture(1200, 900, kBackground).Save(path.toStdString(), ImageType::Bmp));
        QString error;
        EXPECT_TRUE(SaveSessionBeside(path, 1200, 900, EveryKindShapes(), &error))
            << error.toStdString();
        return path;
    }
    bool Asked(const char* text) const {
        return std::any_of(boxes.begin(), boxes.end(), [text](const MessageBoxRequest& box) {
            return box.text.startsWith(QLatin1String(text));
        });
    }
};

} // namespace

TEST_F(PictureSessionTest, SavedMeasurementsComeBackEditableAtTwoCalibrations) {
    Build();
    g_calibrationStore.records.push_back({"Objective 40x", "um", "2500", "100"});
    ASSERT_TRUE(SaveCalibrations());
    const struct {
        const char* name;
        const char* unit;
        double scale;
        int decimals;
    } calibrations[] = {{"", "mm", 60.0, 2}, {"Objective 40x", "um", 2500.0, 3}};
    for (const auto& calibration : calibrations) {
        SCOPED_TRACE(calibration.unit);
        UseCalibration(QLatin1String(calibration.unit), calibration.scale, calibration.decimals);
        g_calibration.selectedName = QLatin1String(calibration.name);
        const QString picture = EveryKindPicture();
        OpenExisting(picture);
        const std::size_t kinds = EveryKindShapes().size();
        ASSERT_EQ(Shapes().Count(), kinds);
        EXPECT_EQ(
            Prompt(),
            QStringLiteral("%1 measurements restored from grains.bmp.marnelo.json").arg(kinds));
        // Restored shapes are shapes like any other: one more is drawn, the
        // first is removed, and the new one numbers on after the kept ones.
        DrawLine(50, 60);
        ASSERT_EQ(Shapes().Count(), kinds + 1);
        EXPECT_EQ(Shapes().Tail()->serial, static_cast<int>(kinds) - 1);
        PostToReceiver(ReceiverRole::ImageView, UM_REMOVE_SHAPES, 10, 0);
        Settle();
        ASSERT_EQ(Shapes().Count(), kinds);

        PressKey(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(Prompt(), "Measurements saved to grains.bmp.marnelo.json");
        const std::vector<SavedShape> saved = Saved();
        const QStringList results = ResultTexts();
        ASSERT_FALSE(results.isEmpty());
        boxes.clear();
        Close();
        EXPECT_FALSE(Asked("Save")) << "saved measurements need no question";

        // Elsewhere the calibration was changed meanwhile.
        g_calibration = CCurrentCalibration{};
        g_parameters.measuredecimal = 5;
        OpenExisting(picture);
        EXPECT_EQ(g_calibration.selectedName, QLatin1String(calibration.name));
        EXPECT_EQ(g_calibration.unit, QLatin1String(calibration.unit));
        EXPECT_EQ(g_calibration.scale, calibration.scale);
        EXPECT_EQ(g_parameters.measuredecimal, calibration.decimals);
        const std::vector<SavedShape> restored = Saved();
        ASSERT_EQ(restored.size(), saved.size());
        for (std::size_t i = 0; i < saved.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(restored[i].record, saved[i].record);
            EXPECT_EQ(restored[i].measure, saved[i].measure);
            EXPECT_EQ(restored[i].result, saved[i].result);
        }
        EXPECT_EQ(ResultTexts(), results);
        boxes.clear();
        Close();
        EXPECT_FALSE(Asked("Save"));
    }
}

TEST_F(PictureSessionTest, MarneloCliReplaysTheSavedMeasurementsToTheSameResults) {
    Build();
    UseCalibration(QStringLiteral("um"), 1234.5, 3);
    OpenExisting(EveryKindPicture());
    DrawLine(50, 60);
    PressKey(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    const QStringList results = ResultTexts();

    const CliRun run = RunCli({"measure", home.filePath("grains.bmp.marnelo.json")}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    QStringList cliResults;
    for (const QJsonValue& row : run.json["results"].toArray()) {
        cliResults << row.toString();
    }
    EXPECT_EQ(cliResults, results);
    const QJsonArray shapes = run.json["shapes"].toArray();
    ASSERT_EQ(shapes.size(), static_cast<qsizetype>(Shapes().Count()));
    std::set<int> kinds;
    for (std::size_t i = 0; i < Shapes().Count(); ++i) {
        const CShape& shape = Shapes().At(i);
        const QJsonObject cli = shapes[static_cast<qsizetype>(i)].toObject();
        SCOPED_TRACE(shape.ClassName());
        kinds.insert(shape.kind);
        EXPECT_EQ(cli["kind"].toInt(), shape.kind);
        EXPECT_EQ(cli["serial"].toInt(), shape.serial);
        for (std::size_t k = 0; k < shape.measure.size(); ++k) {
            EXPECT_EQ(cli["measure"][static_cast<qsizetype>(k)].toDouble(), shape.measure[k]);
        }
        for (std::size_t k = 0; k < shape.result.size(); ++k) {
            EXPECT_EQ(cli["result"][static_cast<qsizetype>(k)].toDouble(), shape.result[k]);
        }
        const std::vector<CShapeLabel> labels = shape.Labels(CDrawParams{});
        ASSERT_EQ(cli["labels"].toArray().size(), static_cast<qsizetype>(labels.size()));
        for (std::size_t k = 0; k < labels.size(); ++k) {
            EXPECT_EQ(cli["labels"][static_cast<qsizetype>(k)]["text"].toString(), labels[k].text);
        }
    }
    EXPECT_EQ(kinds.size(), 22u) << "every kind of shape";
    EXPECT_EQ(run.json["calibration"]["unit"].toString(), "um");
    EXPECT_EQ(run.json["decimals"].toInt(), 3);

    // Export to CSV from the window and --report from the session agree to
    // the byte.
    const QString exported = home.filePath("window.csv");
    SetFileDialogResponder([exported](const FileDialogRequest& request) {
        EXPECT_EQ(request.defaultSuffix, "csv");
        return std::optional<FileDialogAnswer>(FileDialogAnswer{exported, 0});
    });
    frame->RouteCommand(ID_EXPORT_CSV);
    SetFileDialogResponder({});
    const QByteArray csv = ReadFile(exported);
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBFNumber,Contents,Length (um),"))
        << csv.left(80).toStdString();
    EXPECT_EQ(csv.count("\r\n"), static_cast<qsizetype>(Shapes().Count()) + 1);
    const CliRun report = RunCli(
        {"measure", home.filePath("grains.bmp.marnelo.json"), "--report", home.filePath("cli.csv")},
        home.path());
    ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
    EXPECT_EQ(ReadFile(home.filePath("cli.csv")), csv);
}

TEST_F(PictureSessionTest, MeasurementsOfAChangedPictureOrABrokenFileAreNotShown) {
    Build();
    OpenPicture(FlatPicture(200, 100, kBackground));
    DrawLine(50, 60);
    PressKey(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QFile::exists(home.filePath("ruler.bmp.marnelo.json")));
    // Save burns the line into the picture: the kept line would lie twice.
    answer = [](const MessageBoxRequest& request) {
        return request.text.startsWith("The measurements") ? QMessageBox::Save : QMessageBox::Yes;
    };
    PressKey(Qt::Key_S, Qt::ControlModifier);
    Close();
    OpenExisting(home.filePath("ruler.bmp"));
    EXPECT_TRUE(Shapes().IsEmpty());
    EXPECT_EQ(Prompt(), "ruler.bmp.marnelo.json: the picture was changed after its measurements "
                        "were saved; they are not shown");
    Close();

    WriteFile(home.filePath("ruler.bmp.marnelo.json"),
              R"({"version": 1, "image": {"file": "ruler.bmp", "width": 200, "height": 100,
                  "sha256": "abc"}, "calibration": {"unit": "mm", "scale": 60},
                  "decimals": 2, "shapes": []})");
    OpenExisting(home.filePath("ruler.bmp"));
    EXPECT_TRUE(Shapes().IsEmpty());
    EXPECT_EQ(Prompt(), "Saved measurements not shown: ruler.bmp.marnelo.json: image.sha256: "
                        "expected 64 hexadecimal digits");
    boxes.clear();
    Close();
    EXPECT_FALSE(Asked("Save"));
}

TEST_F(PictureSessionTest, ClosingAsksForUnsavedMeasurements) {
    Build();
    OpenPicture(FlatPicture(200, 100, kBackground));
    DrawLine(50, 60);
    answer = [](const MessageBoxRequest& request) {
        return request.text.startsWith("Save the measurements") ? QMessageBox::Cancel
                                                                : QMessageBox::Yes;
    };
    EXPECT_FALSE(frame->activeChildFrame()->close());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Save the measurements of ruler.bmp?");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    EXPECT_FALSE(QFile::exists(home.filePath("ruler.bmp.marnelo.json")));

    // Save keeps them beside the picture, which stays as it was.
    const QByteArray untouched = ReadFile(home.filePath("ruler.bmp"));
    answer = [](const MessageBoxRequest& request) {
        return request.text.startsWith("Save the measurements") ? QMessageBox::Save
                                                                : QMessageBox::Yes;
    };
    boxes.clear();
    Close();
    EXPECT_EQ(boxes.size(), 1u) << "no question about the picture itself";
    EXPECT_EQ(ReadFile(home.filePath("ruler.bmp")), untouched);
    OpenExisting(home.filePath("ruler.bmp"));
    ASSERT_EQ(Shapes().Count(), 1u);

    // Removing the kept shape is a change to keep as well; a changed picture
    // is asked about after its measurements.
    frame->RouteCommand(ID_UNDO);
    frame->RouteCommand(ID_FLIP_VERTICAL);
    Settle();
    answer = [](const MessageBoxRequest& request) {
        return request.text.startsWith("Save") ? QMessageBox::Discard : QMessageBox::Yes;
    };
    boxes.clear();
    Close();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Save the measurements of ruler.bmp?");
    EXPECT_EQ(boxes[1].text, "Save changes to ruler.bmp?");
}

TEST_F(PictureSessionTest, MeasurementsOfATurnedPictureAreSavedAsOnTheFile) {
    Build();
    OpenPicture(FlatPicture(200, 100, kBackground));
    DrawLine(50, 60);
    // Upside down and mirrored: row 50 becomes 49, columns 20..80 become 179..119.
    frame->RouteCommand(ID_FLIP_HORIZONTAL);
    frame->RouteCommand(ID_FLIP_VERTICAL);
    Settle();
    ASSERT_EQ(Shapes().At(0).points[0], (ShapePoint{179, 49}));
    PressKey(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    const CSessionLoad load = ReadSessionBeside(home.filePath("ruler.bmp"), 200, 100);
    ASSERT_EQ(load.status, SessionLoadStatus::Loaded) << load.message.toStdString();
    ASSERT_EQ(load.session.shapes.size(), 1u);
    EXPECT_EQ(load.session.shapes[0].points[0], (ShapePoint{20, 50}));
    EXPECT_EQ(load.session.shapes[0].points[1], (ShapePoint{80, 50}));
}

TEST_F(PictureSessionTest, ASnapshotOpensWithItsLiveShapesEditable) {
    Build();
    const QString snapshot = home.filePath("20261209101500.bmp");
    ASSERT_TRUE(FlatPicture(320, 240, kBackground).Save(snapshot.toStdString(), ImageType::Bmp));
    CVideoShap line;
    line.kind = LiveKind::kLine;
    line.points = {{20, 30}, {120, 30}, {60, 45}};
    CVideoShap mark;
    mark.kind = LiveKind::kSquareMark;
    mark.points = {{200, 100}};
    mark.measured[0] = 0;
    QString error;
    ASSERT_TRUE(SaveSnapshotSession(snapshot, {line, mark}, nullptr, &error))
        << error.toStdString();

    OpenExisting(snapshot);
    ASSERT_EQ(Shapes().Count(), 2u);
    EXPECT_EQ(ResultTexts(),
              (QStringList{"Line 0", "Length 16.67 mm", "Square mark 1", "SqureMark 0"}));
    // The next mark takes the next number, and undo removes shapes as usual.
    frame->RouteCommand(ID_MARK_SQUARE);
    ClickView({250, 150});
    frame->RouteCommand(ID_MARK_SQUARE);
    Settle();
    ASSERT_EQ(Shapes().Count(), 3u);
    EXPECT_EQ(Shapes().Tail()->measure[0], 1.0);
    frame->RouteCommand(ID_UNDO);
    frame->RouteCommand(ID_UNDO);
    Settle();
    EXPECT_EQ(Shapes().Count(), 1u);
}
