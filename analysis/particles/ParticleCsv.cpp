#include "analysis/particles/ParticleCsv.h"

#include "analysis/particles/ParticleStats.h"
#include "core/FileWriting.h"
#include "core/Language.h"

#include <array>
#include <charconv>

namespace {

// The shortest text that reads back as the same double, with a dot.
std::string Number(double value) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    return std::string(text.data(), end);
}

std::string Field(const QString& text) {
    QString field = text;
    if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n')) {
        field = u'"' + field.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    }
    return field.toStdString();
}

// "Area (mm²)", "Circularity".
std::string Header(ParticleQuantity quantity, const std::string& unit) {
    const QString name = ParticleQuantityName(quantity);
    const QString suffix = ParticleQuantityUnit(quantity, unit);
    return Field(suffix.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, suffix));
}

constexpr std::array<ParticleQuantity, kParticleQuantityCount> kColumns = {
    ParticleQuantity::Area,  ParticleQuantity::Perimeter, ParticleQuantity::Circularity,
    ParticleQuantity::Feret, ParticleQuantity::MinFeret,  ParticleQuantity::FeretAngle,
};

} // namespace

std::string ParticleCsv(const CParticleResult& result) {
    std::string csv =
        Field(GetLanguageString(QStringLiteral("ParticleNumber"), QStringLiteral("Number"), 64));
    for (const ParticleQuantity quantity : kColumns) {
        csv += ',' + Header(quantity, result.unit);
    }
    const QString centroid =
        GetLanguageString(QStringLiteral("ParticleCentroid"), QStringLiteral("Centroid"), 64);
    const QString box =
        GetLanguageString(QStringLiteral("ParticleBox"), QStringLiteral("Bounding box"), 64);
    for (const QString& column :
         {centroid + QStringLiteral(" X (px)"), centroid + QStringLiteral(" Y (px)"),
          box + QStringLiteral(" X (px)"), box + QStringLiteral(" Y (px)"),
          box + QStringLiteral(" W (px)"), box + QStringLiteral(" H (px)"),
          GetLanguageString(QStringLiteral("ParticleTouchesEdge"), QStringLiteral("Touches edge"),
                            64)}) {
        csv += ',' + Field(column);
    }
    csv += "\r\n";
    for (const CParticle& p : result.particles) {
        csv += std::to_string(p.id);
        for (const ParticleQuantity quantity : kColumns) {
            csv += ',' + Number(ParticleValue(p, quantity));
        }
        csv += ',' + Number(p.centroidX) + ',' + Number(p.centroidY);
        for (const int value : {p.boxX, p.boxY, p.boxWidth, p.boxHeight}) {
            csv += ',' + std::to_string(value);
        }
        csv += p.touchesEdge ? ",1\r\n" : ",0\r\n";
    }
    const CParticleSummary summary = SummariseParticles(result);
    csv += "\r\n" +
           Field(GetLanguageString(QStringLiteral("StatQuantity"), QStringLiteral("Quantity"), 64));
    for (const QString& column :
         {GetLanguageString(QStringLiteral("StatMean"), QStringLiteral("Mean"), 64),
          GetLanguageString(QStringLiteral("StatDeviation"), QStringLiteral("Std. deviation"), 64),
          GetLanguageString(QStringLiteral("StatMinimum"), QStringLiteral("Minimum"), 64),
          GetLanguageString(QStringLiteral("StatMaximum"), QStringLiteral("Maximum"), 64)}) {
        csv += ',' + Field(column);
    }
    csv += "\r\n";
    for (const ParticleQuantity quantity : kColumns) {
        const CQuantityStats& stats = summary.Of(quantity);
        csv += Header(quantity, result.unit) + ',' + Number(stats.mean) + ',' + Number(stats.sd) +
               ',' + Number(stats.min) + ',' + Number(stats.max) + "\r\n";
    }
    csv += Field(GetLanguageString(QStringLiteral("StatCount"), QStringLiteral("Count"), 64)) +
           ',' + std::to_string(summary.count) + "\r\n";
    csv += Field(GetLanguageString(QStringLiteral("ParticleAreaFraction"),
                                   QStringLiteral("Area fraction"), 64)) +
           ',' + Number(summary.areaFraction) + "\r\n";
    return csv;
}

bool WriteParticleCsv(const QString& path, const CParticleResult& result) {
    return WriteFileWhole(path, QByteArray("\xEF\xBB\xBF") +
                                    QByteArray::fromStdString(ParticleCsv(result)));
}
