#include "reports/ParticleResults.h"

#include "analysis/particles/ParticleShape.h"
#include "analysis/particles/ParticleStats.h"
#include "core/Language.h"

namespace {

QString Text(const char* key, const char* english) {
    return GetLanguageString(QString::fromLatin1(key), QString::fromUtf8(english), 128);
}

QString Number(double value, int decimals) {
    return QString::asprintf("%.*f", decimals, value);
}

} // namespace

std::vector<const CParticleShape*> ParticleShapesOf(std::span<const CShape* const> shapes) {
    std::vector<const CParticleShape*> particles;
    for (const CShape* shape : shapes) {
        if (const auto* particle = dynamic_cast<const CParticleShape*>(shape)) {
            particles.push_back(particle);
        }
    }
    return particles;
}

CParticleResult ParticleResultOf(std::span<const CShape* const> shapes,
                                 const CUnitConversion& conversion, const std::string& unit) {
    CParticleResult result;
    result.unit = unit;
    double pixelArea = 0;
    double pictureArea = 0;
    for (const CParticleShape* shape : ParticleShapesOf(shapes)) {
        result.particles.push_back(shape->Converted(conversion));
        pixelArea += shape->Pixels().area;
        pictureArea = static_cast<double>(shape->imgWidth) * shape->imgHeight;
    }
    result.areaFraction = pictureArea > 0 ? pixelArea / pictureArea : 0.0;
    return result;
}

QStringList ParticleTableTitles(const std::string& unit) {
    QStringList titles{Text("ParticleNumber", "Number")};
    for (int q = 0; q < kParticleQuantityCount; ++q) {
        const auto quantity = static_cast<ParticleQuantity>(q);
        const QString name = ParticleQuantityName(quantity);
        const QString unitText = ParticleQuantityUnit(quantity, unit);
        titles << (unitText.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, unitText));
    }
    titles << Text("CentroidX", "X (px)") << Text("CentroidY", "Y (px)") << Text("BoxX", "Box X")
           << Text("BoxY", "Box Y") << Text("BoxWidth", "Box width")
           << Text("BoxHeight", "Box height");
    return titles;
}

QStringList ParticleTableRow(const CParticle& p, int decimals) {
    return {QString::asprintf("%d", p.id),       Number(p.area, decimals),
            Number(p.perimeter, decimals),       Number(p.feret, decimals),
            Number(p.minFeret, decimals),        Number(p.feretAngle, decimals),
            Number(p.circularity, decimals),     Number(p.centroidX, decimals),
            Number(p.centroidY, decimals),       QString::asprintf("%d", p.boxX),
            QString::asprintf("%d", p.boxY),     QString::asprintf("%d", p.boxWidth),
            QString::asprintf("%d", p.boxHeight)};
}

std::vector<QStringList> ParticleReportRows(const CParticleResult& result, int decimals) {
    if (result.particles.empty()) {
        return {};
    }
    QStringList names;
    QStringList units;
    for (int q = 0; q < kParticleQuantityCount; ++q) {
        names << ParticleQuantityName(static_cast<ParticleQuantity>(q));
        units << ParticleQuantityUnit(static_cast<ParticleQuantity>(q), result.unit);
    }
    std::vector<QStringList> rows;
    rows.push_back(ParticleTableTitles(result.unit));
    for (const CParticle& p : result.particles) {
        rows.push_back(ParticleTableRow(p, decimals));
    }
    rows.push_back({});
    const CParticleSummary summary = SummariseParticles(result);
    rows.push_back({Text("StatQuantity", "Quantity"), Text("StatMean", "Mean"),
                    Text("StatDeviationShort", "SD"), Text("StatMinimumShort", "Min"),
                    Text("StatMaximumShort", "Max"), Text("Unit", "Unit")});
    for (int q = 0; q < kParticleQuantityCount; ++q) {
        const CQuantityStats& stats = summary.stats[static_cast<std::size_t>(q)];
        rows.push_back({names[q], Number(stats.mean, decimals), Number(stats.sd, decimals),
                        Number(stats.min, decimals), Number(stats.max, decimals), units[q]});
    }
    rows.push_back({Text("StatCount", "Count"), QString::asprintf("%d", summary.count)});
    rows.push_back({Text("AreaFraction", "Area fraction:"),
                    Number(100.0 * result.areaFraction, decimals), QStringLiteral("%")});
    return rows;
}
