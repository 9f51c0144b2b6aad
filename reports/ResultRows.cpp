#include "reports/ResultRows.h"

#include "camera/VideoShape.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "shapes/Geometry.h"
#include "shapes/Shape.h"
#include "shapes/ShapeKinds.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr int kTextLimit = 128;

// The language texts of one listing, read once per list.
struct CListTexts {
    QString line = GetLanguageString("Line", QStringLiteral("Line"), kTextLimit);
    QString pointLine =
        GetLanguageString("Dotline", QStringLiteral("Distance of a point and a line"), kTextLimit);
    QString foldLine = GetLanguageString("Foldline", QStringLiteral("Fold-Lines"), kTextLimit);
    QString rectangle = GetLanguageString("Rectangle", QStringLiteral("Rectangle"), kTextLimit);
    QString ellipse = GetLanguageString("Ellipse", QStringLiteral("Ellipse"), kTextLimit);
    QString circle = GetLanguageString("Circle", QStringLiteral("Circle"), kTextLimit);
    QString arc = GetLanguageString("Arc", QStringLiteral("Arc"), kTextLimit);
    QString angle = GetLanguageString("Angle", QStringLiteral("Angle"), kTextLimit);
    QString twoCircles =
        GetLanguageString("Distance2circles", QStringLiteral("Distance of 2 circles"), kTextLimit);
    // Not "CircleLine": keys compare without regard to case, and that one is
    // the line-circle tool's prompt.
    QString circleLine = GetLanguageString(
        "DistanceCircleLine", QStringLiteral("Distance of a circle and a line"), kTextLimit);
    QString polygon = GetLanguageString("Polygon", QStringLiteral("Polygon"), kTextLimit);
    QString squareMark = GetLanguageString("SqureMark", QStringLiteral("Square mark"), kTextLimit);
    QString circleMark =
        GetLanguageString("CircleMark", QStringLiteral("Circular mark"), kTextLimit);
    QString text = GetLanguageString("AddText", QStringLiteral("Text"), kTextLimit);

    QString length = GetLanguageString("Length", QStringLiteral("Length"), kTextLimit);
    QString width = GetLanguageString("Width", QStringLiteral("Width"), kTextLimit);
    QString height = GetLanguageString("Height", QStringLiteral("Height"), kTextLimit);
    QString girth = GetLanguageString("Girth", QStringLiteral("Girth"), kTextLimit);
    QString area = GetLanguageString("Area", QStringLiteral("Area"), kTextLimit);
    QString longRadius = GetLanguageString("LongRadius", QStringLiteral("LongRadius"), kTextLimit);
    QString shortRadius =
        GetLanguageString("ShortRadius", QStringLiteral("ShortRadius"), kTextLimit);
    QString radius = GetLanguageString("Radius", QStringLiteral("Radius"), kTextLimit);
    QString diameter = GetLanguageString("Diameter", QStringLiteral("Diameter"), kTextLimit);
    QString degrees = GetLanguageString("Angle", QStringLiteral("Angle"), kTextLimit);
    QString radian = GetLanguageString("Radian", QStringLiteral("Radian"), kTextLimit);
    QString squareNumber = GetLanguageString("SMark", QStringLiteral("SqureMark"), kTextLimit);
    QString circleNumber = GetLanguageString("CMark", QStringLiteral("CircleMark"), kTextLimit);

    const QString& Name(ResultListing listing) const {
        switch (listing) {
        case ResultListing::Line:
            return line;
        case ResultListing::PointLine:
            return pointLine;
        case ResultListing::FoldLine:
            return foldLine;
        case ResultListing::Rectangle:
            return rectangle;
        case ResultListing::Ellipse:
            return ellipse;
        case ResultListing::DiameterCircle:
        case ResultListing::RadiusCircle:
            return circle;
        case ResultListing::Arc:
            return arc;
        case ResultListing::Angle:
            return angle;
        case ResultListing::TwoCircles:
            return twoCircles;
        case ResultListing::CircleLine:
            return circleLine;
        case ResultListing::Polygon:
            return polygon;
        case ResultListing::SquareMark:
            return squareMark;
        case ResultListing::CircleMark:
            return circleMark;
        case ResultListing::Text:
            break;
        }
        return text;
    }
};

// Collects the values of one measurement, converted to the format's unit.
class CValueWriter {
public:
    CValueWriter(const CResultFormat& format, std::vector<CResultValue>& values)
        : m_format(format)
        , m_values(values) {}

    double L(double pixels) const { return m_format.conversion.Length(pixels); }

    void Length(const QString& label, double value) { Add(label, value, ResultValueType::Length); }
    void Area(const QString& label, double value) { Add(label, value, ResultValueType::Area); }
    void Angle(const QString& label, double degrees) {
        Add(label, degrees, ResultValueType::Angle);
    }
    // An arc length, listed without a unit.
    void Plain(const QString& label, double value) { Add(label, value, ResultValueType::Plain); }
    void Mark(const QString& label, double number) { Add(label, number, ResultValueType::Mark); }
    void Text(const QString& text) { Add(text, 0.0, ResultValueType::Text); }

private:
    void Add(const QString& label, double value, ResultValueType type) {
        m_values.push_back(CResultValue{label, value, type});
    }

    const CResultFormat& m_format;
    std::vector<CResultValue>& m_values;
};

// The values of one measurement from its raw measures m; `live` picks the
// live list's order for arcs and polygons.
std::vector<CResultValue> Values(ResultListing listing, const std::array<double, 3>& m,
                                 const QString& text, bool live, const CListTexts& texts,
                                 const CResultFormat& format) {
    std::vector<CResultValue> values;
    CValueWriter out(format, values);
    switch (listing) {
    case ResultListing::Line:
    case ResultListing::PointLine:
    case ResultListing::FoldLine:
        out.Length(texts.length, out.L(m[0]));
        break;
    case ResultListing::Rectangle: {
        const double w = out.L(m[0]);
        const double h = out.L(m[1]);
        out.Length(texts.width, w);
        out.Length(texts.height, h);
        out.Length(texts.girth, (h + w) * 2.0);
        out.Area(texts.area, h * w);
        break;
    }
    case ResultListing::Ellipse: {
        const double a = out.L(m[0]);
        const double b = out.L(m[1]);
        out.Length(texts.longRadius, a);
        out.Length(texts.shortRadius, b);
        out.Length(texts.girth, (a - b) * 4.0 + b * kShapeTwoPi);
        out.Area(texts.area, a * kShapePi * b);
        break;
    }
    case ResultListing::DiameterCircle: {
        const double d = out.L(m[0]) * 2.0;
        const double g = d * kShapePi;
        out.Length(texts.diameter, d);
        out.Length(texts.girth, g);
        out.Area(texts.area, g * d * 0.25);
        break;
    }
    case ResultListing::RadiusCircle: {
        const double r = out.L(m[0]);
        out.Length(texts.radius, r);
        out.Length(texts.girth, r * kShapeTwoPi);
        out.Area(texts.area, r * (r * kShapePi));
        break;
    }
    case ResultListing::Arc: {
        const double r = out.L(m[0]);
        const double area = m[1] / 360.0 * (r * (r * kShapePi));
        const double arcLength = r * kShapeTwoPi * (m[1] / 360.0);
        out.Length(texts.radius, r);
        out.Angle(texts.degrees, m[1]);
        out.Area(texts.area, area);
        out.Plain(texts.radian, arcLength);
        if (live) {
            std::swap(values[2], values[3]);
        }
        break;
    }
    case ResultListing::Angle:
        out.Angle(texts.degrees, m[0]);
        break;
    case ResultListing::TwoCircles:
        out.Length(texts.radius, out.L(m[0]));
        out.Length(texts.length, out.L(m[2]));
        out.Length(texts.radius, out.L(m[1]));
        break;
    case ResultListing::CircleLine:
        out.Length(texts.radius, out.L(m[0]));
        out.Length(texts.length, out.L(m[2]));
        break;
    case ResultListing::Polygon: {
        const double area = format.conversion.Area(m[1]);
        out.Area(texts.area, area);
        out.Length(texts.girth, out.L(m[0]));
        if (live) {
            std::swap(values[0], values[1]);
        }
        break;
    }
    case ResultListing::SquareMark:
        out.Mark(texts.squareNumber, m[0]);
        break;
    case ResultListing::CircleMark:
        out.Mark(texts.circleNumber, m[0]);
        break;
    case ResultListing::Text:
        out.Text(text);
        break;
    }
    return values;
}

// Lists the entries of a list in order; `read` gives an entry's listing (or
// none), raw measures, text and serial.
template <typename Entry, typename Read>
std::vector<CResultValues> ListValues(std::span<const Entry> entries, bool live,
                                      const CResultFormat& format, Read read) {
    const CListTexts texts;
    std::vector<CResultValues> listed;
    int number = -1;
    for (std::size_t position = 0; position < entries.size(); ++position) {
        const auto [listing, measures, text, serial] = read(entries[position]);
        if (!listing) {
            continue;
        }
        ++number;
        listed.push_back(CResultValues{texts.Name(*listing), number, serial,
                                       Values(*listing, measures, text, live, texts, format),
                                       position});
    }
    return listed;
}

struct CReadEntry {
    std::optional<ResultListing> listing;
    std::array<double, 3> measures;
    QString text;
    int serial = 0;
};

} // namespace

std::optional<ResultListing> ListingOfShapeKind(int kind) {
    switch (kind) {
    case ShapeKind::kLine:
    case ShapeKind::kAutoLine:
    case ShapeKind::kHorizontalLine:
    case ShapeKind::kVerticalLine:
    case ShapeKind::kParallel:
        return ResultListing::Line;
    case ShapeKind::kPointLine:
        return ResultListing::PointLine;
    case ShapeKind::kFoldLine:
        return ResultListing::FoldLine;
    case ShapeKind::kRectangle:
        return ResultListing::Rectangle;
    case ShapeKind::kEllipse:
        return ResultListing::Ellipse;
    case ShapeKind::kCircle:
        return ResultListing::DiameterCircle;
    case ShapeKind::kAutoCircle:
    case ShapeKind::kRadiusCircle:
    case ShapeKind::kThreePointCircle:
        return ResultListing::RadiusCircle;
    case ShapeKind::kArc:
        return ResultListing::Arc;
    case ShapeKind::kThreePointAngle:
    case ShapeKind::kFourPointAngle:
        return ResultListing::Angle;
    case ShapeKind::kTwoCircles:
        return ResultListing::TwoCircles;
    case ShapeKind::kLineCircle:
        return ResultListing::CircleLine;
    case ShapeKind::kPolygon:
        return ResultListing::Polygon;
    case ShapeKind::kSquareMark:
        return ResultListing::SquareMark;
    case ShapeKind::kCircleMark:
        return ResultListing::CircleMark;
    case ShapeKind::kText:
        return ResultListing::Text;
    default:
        return std::nullopt;
    }
}

std::vector<CResultEntry> ResultRowsOf(const std::vector<CResultValues>& listed,
                                       const CResultFormat& format) {
    std::vector<CResultEntry> rows;
    rows.reserve(listed.size());
    for (const CResultValues& entry : listed) {
        QStringList values;
        for (const CResultValue& value : entry.values) {
            values.append(FormatResultValue(value, format));
        }
        rows.push_back(CResultEntry{entry.kind + QString::asprintf(" %d", entry.number), values,
                                    entry.position});
    }
    return rows;
}

CResultFormat CurrentResultFormat() {
    return CResultFormat{
        CurrentConversion(), g_calibration.unit,
        std::clamp(static_cast<int>(g_parameters.measuredecimal), 0, kMaxDecimals)};
}

std::vector<CResultValues> StillResultValues(std::span<const CShape* const> shapes,
                                             const CResultFormat& format) {
    return ListValues(shapes, false, format, [](const CShape* shape) {
        if (shape == nullptr) {
            return CReadEntry{};
        }
        return CReadEntry{ListingOfShapeKind(shape->kind), shape->measure, shape->text,
                          shape->serial};
    });
}

std::vector<CResultValues> LiveResultValues(std::span<const std::unique_ptr<CVideoShap>> shapes,
                                            const CResultFormat& format) {
    return ListValues(shapes, true, format, [](const std::unique_ptr<CVideoShap>& shape) {
        if (!shape) {
            return CReadEntry{};
        }
        return CReadEntry{ListingOfShapeKind(ShapeKindOfLiveKind(shape->kind)), shape->measured,
                          shape->labelText, shape->ordinal};
    });
}

std::optional<CResultValues> ResultValuesOf(int kind, bool live, const std::array<double, 3>& m,
                                            const QString& text, const CResultFormat& format) {
    const std::optional<ResultListing> listing =
        ListingOfShapeKind(live ? ShapeKindOfLiveKind(kind) : kind);
    if (!listing) {
        return std::nullopt;
    }
    const CListTexts texts;
    return CResultValues{texts.Name(*listing), 0, 0, Values(*listing, m, text, live, texts, format),
                         0};
}

QString FormatResultNumber(double value, const CResultFormat& format) {
    return QString::asprintf("%.*f", format.decimals, value);
}

QString ResultUnitText(ResultValueType type, const CResultFormat& format) {
    switch (type) {
    case ResultValueType::Length:
        return format.unit;
    case ResultValueType::Area:
        return format.unit + u'²';
    case ResultValueType::Angle:
        return QStringLiteral("°");
    default:
        return QString();
    }
}

QString FormatResultValue(const CResultValue& value, const CResultFormat& format) {
    switch (value.type) {
    case ResultValueType::Length:
    case ResultValueType::Area:
        return value.label + u' ' + FormatResultNumber(value.value, format) + u' ' +
               ResultUnitText(value.type, format);
    case ResultValueType::Angle:
        return value.label + u' ' + FormatResultNumber(value.value, format) + u'°';
    case ResultValueType::Plain:
        return value.label + u' ' + FormatResultNumber(value.value, format) + u' ';
    case ResultValueType::Mark:
        return value.label + u' ' + QString::asprintf("%.0f", value.value);
    case ResultValueType::Text:
        break;
    }
    return value.label;
}

std::vector<CResultEntry> StillResultRows(std::span<const CShape* const> shapes,
                                          const CResultFormat& format) {
    return ResultRowsOf(StillResultValues(shapes, format), format);
}

std::vector<CResultEntry> LiveResultRows(std::span<const std::unique_ptr<CVideoShap>> shapes,
                                         const CResultFormat& format) {
    return ResultRowsOf(LiveResultValues(shapes, format), format);
}

QStringList FlattenResultRows(const std::vector<CResultEntry>& entries) {
    QStringList lines;
    for (const CResultEntry& entry : entries) {
        lines.append(entry.title);
        lines.append(entry.values);
    }
    return lines;
}
