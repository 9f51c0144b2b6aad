#include "reports/ResultRows.h"

#include "core/Language.h"
#include "core/Parameters.h"
#include "camera/VideoShape.h"
#include "shapes/Geometry.h"
#include "shapes/Shape.h"
#include "shapes/ShapeKinds.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr int kMaxDecimals = 15;
constexpr int kTextLimit = 128;

// What a measurement lists; several shape kinds list alike.
enum class Listing {
    Line,
    PointLine,
    FoldLine,
    Rectangle,
    Ellipse,
    DiameterCircle,
    RadiusCircle,
    Arc,
    Angle,
    TwoCircles,
    CircleLine,
    Polygon,
    SquareMark,
    CircleMark,
    Text,
};

std::optional<Listing> StillListing(int kind) {
    switch (kind) {
    case ShapeKind::kLine:
    case ShapeKind::kAutoLine:
    case ShapeKind::kHorizontalLine:
    case ShapeKind::kVerticalLine:
    case ShapeKind::kParallel:
        return Listing::Line;
    case ShapeKind::kPointLine:
        return Listing::PointLine;
    case ShapeKind::kFoldLine:
        return Listing::FoldLine;
    case ShapeKind::kRectangle:
        return Listing::Rectangle;
    case ShapeKind::kEllipse:
        return Listing::Ellipse;
    case ShapeKind::kCircle:
        return Listing::DiameterCircle;
    case ShapeKind::kAutoCircle:
    case ShapeKind::kRadiusCircle:
    case ShapeKind::kThreePointCircle:
        return Listing::RadiusCircle;
    case ShapeKind::kArc:
        return Listing::Arc;
    case ShapeKind::kThreePointAngle:
    case ShapeKind::kFourPointAngle:
        return Listing::Angle;
    case ShapeKind::kTwoCircles:
        return Listing::TwoCircles;
    case ShapeKind::kLineCircle:
        return Listing::CircleLine;
    case ShapeKind::kPolygon:
        return Listing::Polygon;
    case ShapeKind::kSquareMark:
        return Listing::SquareMark;
    case ShapeKind::kCircleMark:
        return Listing::CircleMark;
    case ShapeKind::kText:
        return Listing::Text;
    default:
        return std::nullopt;
    }
}

std::optional<Listing> LiveListing(int kind) {
    switch (kind) {
    case LiveKind::kLine:
    case LiveKind::kParallel:
    case LiveKind::kAutoLine:
    case LiveKind::kHorizontalLine:
    case LiveKind::kVerticalLine:
        return Listing::Line;
    case LiveKind::kRectangle:
        return Listing::Rectangle;
    case LiveKind::kEllipse:
        return Listing::Ellipse;
    case LiveKind::kCircle:
        return Listing::DiameterCircle;
    case LiveKind::kAutoCircle:
    case LiveKind::kRadiusCircle:
    case LiveKind::kThreePointCircle:
        return Listing::RadiusCircle;
    case LiveKind::kArc:
        return Listing::Arc;
    case LiveKind::kThreePointAngle:
    case LiveKind::kFourPointAngle:
        return Listing::Angle;
    case LiveKind::kPolygon:
        return Listing::Polygon;
    case LiveKind::kFoldLine:
        return Listing::FoldLine;
    case LiveKind::kPointLine:
        return Listing::PointLine;
    case LiveKind::kTwoCircles:
        return Listing::TwoCircles;
    case LiveKind::kLineCircle:
        return Listing::CircleLine;
    case LiveKind::kSquareMark:
        return Listing::SquareMark;
    case LiveKind::kCircleMark:
        return Listing::CircleMark;
    case LiveKind::kText:
        return Listing::Text;
    default:
        return std::nullopt;
    }
}

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

    const QString& Name(Listing listing) const {
        switch (listing) {
        case Listing::Line:
            return line;
        case Listing::PointLine:
            return pointLine;
        case Listing::FoldLine:
            return foldLine;
        case Listing::Rectangle:
            return rectangle;
        case Listing::Ellipse:
            return ellipse;
        case Listing::DiameterCircle:
        case Listing::RadiusCircle:
            return circle;
        case Listing::Arc:
            return arc;
        case Listing::Angle:
            return angle;
        case Listing::TwoCircles:
            return twoCircles;
        case Listing::CircleLine:
            return circleLine;
        case Listing::Polygon:
            return polygon;
        case Listing::SquareMark:
            return squareMark;
        case Listing::CircleMark:
            return circleMark;
        case Listing::Text:
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
std::vector<CResultValue> Values(Listing listing, const std::array<double, 3>& m,
                                 const QString& text, bool live, const CListTexts& texts,
                                 const CResultFormat& format) {
    std::vector<CResultValue> values;
    CValueWriter out(format, values);
    switch (listing) {
    case Listing::Line:
    case Listing::PointLine:
    case Listing::FoldLine:
        out.Length(texts.length, out.L(m[0]));
        break;
    case Listing::Rectangle: {
        const double w = out.L(m[0]);
        const double h = out.L(m[1]);
        out.Length(texts.width, w);
        out.Length(texts.height, h);
        out.Length(texts.girth, (h + w) * 2.0);
        out.Area(texts.area, h * w);
        break;
    }
    case Listing::Ellipse: {
        const double a = out.L(m[0]);
        const double b = out.L(m[1]);
        out.Length(texts.longRadius, a);
        out.Length(texts.shortRadius, b);
        out.Length(texts.girth, (a - b) * 4.0 + b * kShapeTwoPi);
        out.Area(texts.area, a * kShapePi * b);
        break;
    }
    case Listing::DiameterCircle: {
        const double d = out.L(m[0]) * 2.0;
        const double g = d * kShapePi;
        out.Length(texts.diameter, d);
        out.Length(texts.girth, g);
        out.Area(texts.area, g * d * 0.25);
        break;
    }
    case Listing::RadiusCircle: {
        const double r = out.L(m[0]);
        out.Length(texts.radius, r);
        out.Length(texts.girth, r * kShapeTwoPi);
        out.Area(texts.area, r * (r * kShapePi));
        break;
    }
    case Listing::Arc: {
        const double r = out.L(m[0]);
        const double area = m[1] / 360.0 * (r * (r * kShapePi));
        const double arcLength = r * kShapeTwoPi * (m[1] / 360.0);
        out.Length(texts.radius, r);
        out.Angle(texts.degrees, m[1]);
        if (live) {
            out.Plain(texts.radian, arcLength);
            out.Area(texts.area, area);
        } else {
            out.Area(texts.area, area);
            out.Plain(texts.radian, arcLength);
        }
        break;
    }
    case Listing::Angle:
        out.Angle(texts.degrees, m[0]);
        break;
    case Listing::TwoCircles:
        out.Length(texts.radius, out.L(m[0]));
        out.Length(texts.length, out.L(m[2]));
        out.Length(texts.radius, out.L(m[1]));
        break;
    case Listing::CircleLine:
        out.Length(texts.radius, out.L(m[0]));
        out.Length(texts.length, out.L(m[2]));
        break;
    case Listing::Polygon: {
        const double area = format.conversion.Area(m[1]);
        const double girth = out.L(m[0]);
        if (live) {
            out.Length(texts.girth, girth);
            out.Area(texts.area, area);
        } else {
            out.Area(texts.area, area);
            out.Length(texts.girth, girth);
        }
        break;
    }
    case Listing::SquareMark:
        out.Mark(texts.squareNumber, m[0]);
        break;
    case Listing::CircleMark:
        out.Mark(texts.circleNumber, m[0]);
        break;
    case Listing::Text:
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
    std::optional<Listing> listing;
    std::array<double, 3> measures;
    QString text;
    int serial = 0;
};

} // namespace

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
        return CReadEntry{StillListing(shape->kind), shape->measure, shape->text, shape->serial};
    });
}

std::vector<CResultValues> LiveResultValues(std::span<const std::unique_ptr<CVideoShap>> shapes,
                                            const CResultFormat& format) {
    return ListValues(shapes, true, format, [](const std::unique_ptr<CVideoShap>& shape) {
        if (!shape) {
            return CReadEntry{};
        }
        return CReadEntry{LiveListing(shape->kind), shape->measured, shape->labelText,
                          shape->ordinal};
    });
}

std::optional<CResultValues> ResultValuesOf(int kind, bool live, const std::array<double, 3>& m,
                                            const QString& text, const CResultFormat& format) {
    const std::optional<Listing> listing = live ? LiveListing(kind) : StillListing(kind);
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
