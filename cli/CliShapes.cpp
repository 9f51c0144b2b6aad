#include "cli/CliShapes.h"

#include "cli/CliInput.h"
#include "core/Parameters.h"
#include "framework/QImageDrawSurface.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"
#include "tools/ToolModes.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kMaxClick = 1 << 24;
constexpr int kMaxNumber = 1'000'000'000;

bool HasVertices(int kind) {
    return kind == ShapeKind::kPolygon || kind == ShapeKind::kFoldLine;
}

// The point indices a session entry fills: the stored points in order, except
// that the anchor of a polygon or fold line goes to P10 after its vertices.
std::vector<int> SlotsFor(const CShapeKindInfo& info, int given, const QString& where) {
    const bool vertices = HasVertices(info.kind);
    if (vertices) {
        if (given < 4 || given > kShapePointSlots) {
            Fail(QStringLiteral("%1: %2 needs 3 to 10 vertices and the label anchor, got %3 points")
                     .arg(where, QLatin1String(info.className))
                     .arg(given));
        }
    } else if (given != info.storedPoints) {
        Fail(QStringLiteral("%1: %2 needs %3 points (the label anchor last), got %4")
                 .arg(where, QLatin1String(info.className))
                 .arg(info.storedPoints)
                 .arg(given));
    }
    std::vector<int> pointSlots;
    for (int i = 0; i < given; ++i) {
        pointSlots.push_back(vertices && i == given - 1 ? kShapePointSlots - 1 : i);
    }
    return pointSlots;
}

// The indices a shape placed by clicks fills: its vertices and P10 for a
// polygon or fold line, its stored points otherwise.
std::vector<int> PlacedSlots(const CShape& shape) {
    const CShapeKindInfo* info = KindOfCode(shape.kind);
    std::vector<int> indices;
    if (info != nullptr && HasVertices(info->kind)) {
        for (int i = 0; i < kShapePointSlots - 1 && IsSet(shape.points[i]); ++i) {
            indices.push_back(i);
        }
        indices.push_back(kShapePointSlots - 1);
        return indices;
    }
    for (int i = 0; info != nullptr && i < info->storedPoints; ++i) {
        indices.push_back(i);
    }
    return indices;
}

// The factory's own words for a mode without a shape kind.
QString BadModeMessage(int mode) {
    QString message;
    g_shapeNotifications.showMessage = [&message](const QString& text) {
        message = text;
    };
    CreateShape(mode, CShapeParams{});
    g_shapeNotifications.showMessage = nullptr;
    return message;
}

QPoint ClickAt(const QJsonValue& value, const QString& where) {
    const ShapePoint p = PointAt(value, where);
    const auto whole = [&](double v) {
        if (v != static_cast<int>(v) || v < -kMaxClick || v > kMaxClick) {
            Fail(where + QStringLiteral(": a click is two whole numbers [x, y]"));
        }
        return static_cast<int>(v);
    };
    return {whole(p.x), whole(p.y)};
}

} // namespace

CSessionShapes::CSessionShapes()
    : m_document(QImageSurfaceFactory())
    , m_finder(m_document.Picture())
    , m_placement(&m_finder) {}

void CSessionShapes::SetImageSize(int width, int height) {
    m_width = width;
    m_height = height;
    m_placement.SetImageSize(width, height);
}

void CSessionShapes::AddDirect(const QJsonObject& entry, const QString& where) {
    CheckKeys(entry, where, {"mode", "points", "text", "mark", "serial", "number"});
    if (!entry.contains("mode")) {
        Fail(where + QStringLiteral(": the mode is missing"));
    }
    const int mode = IntegerAt(entry["mode"], where + QStringLiteral(".mode"),
                               std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    const CShapeKindInfo* info = KindOfMode(mode);
    if (info == nullptr) {
        Fail(QStringLiteral("%1.mode: %2: %3").arg(where).arg(mode).arg(BadModeMessage(mode)));
    }
    if (!entry["points"].isArray()) {
        Fail(where + QStringLiteral(".points: expected an array of points"));
    }
    const QJsonArray points = entry["points"].toArray();
    CShapeParams params;
    params.lineColor = static_cast<COLORREF>(g_parameters.linecolor);
    params.textColor = static_cast<COLORREF>(g_parameters.textcolor);
    params.imgWidth = m_width;
    params.imgHeight = m_height;
    std::vector<int> pointSlots = SlotsFor(*info, static_cast<int>(points.size()), where);
    for (std::size_t i = 0; i < pointSlots.size(); ++i) {
        params.points[pointSlots[i]] = PointAt(points[static_cast<qsizetype>(i)],
                                               QStringLiteral("%1.points[%2]").arg(where).arg(i));
    }
    // The horizontal and vertical distance tools keep the second point on the
    // first point's row or column.
    if (mode == MeasureMode::kHorizontalLine) {
        params.points[1].y = params.points[0].y;
    } else if (mode == MeasureMode::kVerticalLine) {
        params.points[1].x = params.points[0].x;
    }
    if (entry.contains("text")) {
        params.text = StringAt(entry["text"], where + QStringLiteral(".text"));
        if (mode != MeasureMode::kText) {
            Fail(where + QStringLiteral(".text: only text notes (mode 121) have a text"));
        }
    }
    if (mode == MeasureMode::kText && params.text.isEmpty()) {
        Fail(where + QStringLiteral(".text: a text note needs a text"));
    }
    const int exportMark = entry.contains("mark")
                               ? IntegerAt(entry["mark"], where + QStringLiteral(".mark"), 0, 1)
                               : 0;
    // Saved measurements bring their serial and mark number along; later
    // shapes number on from them.
    CShapeCounters& counters = m_placement.Counters();
    if (entry.contains("number")) {
        if (mode != MeasureMode::kSquareMark && mode != MeasureMode::kCircleMark) {
            Fail(where + QStringLiteral(".number: only marks (modes 120, 130) have a number"));
        }
        params.markNumber =
            IntegerAt(entry["number"], where + QStringLiteral(".number"), 0, kMaxNumber);
        int& next =
            mode == MeasureMode::kSquareMark ? counters.nextSquareMark : counters.nextCircleMark;
        next = std::max(next, params.markNumber + 1);
    } else {
        params.markNumber = counters.TakeMarkNumber(mode);
    }
    int serial = 0;
    if (entry.contains("serial")) {
        serial =
            IntegerAt(entry["serial"], where + QStringLiteral(".serial"), -kMaxNumber, kMaxNumber);
        counters.nextSerial = std::max(counters.nextSerial, serial + 1);
    } else {
        serial = counters.TakeSerial();
    }
    std::unique_ptr<CShape> shape = CreateShape(mode, params);
    CompleteShape(*shape, serial);
    shape->exportMark = exportMark;
    Store(std::move(shape), std::move(pointSlots));
}

void CSessionShapes::RunActions(const QJsonArray& actions, double zoom, QStringList& warnings) {
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const QString where = QStringLiteral("actions[%1]").arg(i);
        const QJsonObject action = ObjectAt(actions[i], where);
        if (action.contains("undo")) {
            CheckKeys(action, where, {"undo"});
            if (action["undo"] != QJsonValue(true)) {
                Fail(where + QStringLiteral(".undo: expected true"));
            }
            Undo();
        } else if (action.contains("points")) {
            AddDirect(action, where);
        } else {
            RunClicks(action, where, zoom, warnings);
        }
    }
}

void CSessionShapes::RunClicks(const QJsonObject& action, const QString& where, double zoom,
                               QStringList& warnings) {
    CheckKeys(action, where, {"mode", "clicks", "right_click_after", "text"});
    if (!action.contains("mode")) {
        Fail(where + QStringLiteral(": the mode is missing"));
    }
    const int mode = IntegerAt(action["mode"], where + QStringLiteral(".mode"),
                               std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    if (!IsPlacementMode(mode)) {
        Fail(QStringLiteral("%1.mode: %2 is not the mode of a tool that places with clicks")
                 .arg(where)
                 .arg(mode));
    }
    if (!action["clicks"].isArray()) {
        Fail(where + QStringLiteral(".clicks: expected an array of clicks"));
    }
    const QJsonArray clicks = action["clicks"].toArray();
    const int rightClickAfter =
        action.contains("right_click_after")
            ? IntegerAt(action["right_click_after"], where + QStringLiteral(".right_click_after"),
                        1, static_cast<int>(clicks.size()))
            : 0;
    QString text;
    if (action.contains("text")) {
        text = StringAt(action["text"], where + QStringLiteral(".text"));
        if (mode != MeasureMode::kText) {
            Fail(where + QStringLiteral(".text: only text notes (mode 121) have a text"));
        }
    }
    if (mode == MeasureMode::kText && text.isEmpty()) {
        Fail(where + QStringLiteral(".text: a text note needs a text"));
    }

    for (qsizetype k = 0; k < clicks.size(); ++k) {
        const CPlacementInput input{
            mode, ClickAt(clicks[k], QStringLiteral("%1.clicks[%2]").arg(where).arg(k)), zoom};
        // As with the mouse: it comes to the point, presses and releases.
        m_placement.Move(input);
        if (m_placement.Press(input) == CPressOutcome::TextRequested) {
            if (std::unique_ptr<CShape> note = m_placement.PlaceText(text)) {
                Store(std::move(note), {0});
            }
        }
        if (std::unique_ptr<CShape> shape = m_placement.Release(input)) {
            std::vector<int> indices = PlacedSlots(*shape);
            Store(std::move(shape), std::move(indices));
        }
        if (k + 1 == rightClickAfter) {
            m_placement.RightClick(input);
        }
    }
    if (m_placement.IsPlacing()) {
        warnings.append(where + QStringLiteral(": the clicks leave a shape unfinished"));
    }
}

void CSessionShapes::Undo() {
    if (m_document.Undo()) {
        m_slots.pop_back();
    }
}

void CSessionShapes::Store(std::unique_ptr<CShape> shape, std::vector<int> indices) {
    m_document.AddShape(std::move(shape));
    m_slots.push_back(std::move(indices));
}
