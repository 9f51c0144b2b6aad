#include "document/NewPicture.h"

#include "core/Language.h"

namespace {

std::optional<CNewPicture> g_pending;

} // namespace

void SetPendingNewPicture(CNewPicture picture) {
    g_pending = std::move(picture);
}

std::optional<CNewPicture> TakePendingNewPicture() {
    std::optional<CNewPicture> taken = std::move(g_pending);
    g_pending.reset();
    return taken;
}

QString HeightStatusText(const CHeightMap& map, int x, int y) {
    if (x < 0 || y < 0 || x >= map.width || y >= map.height) {
        return {};
    }
    const QString label =
        GetLanguageString(QStringLiteral("HeightAt"), QStringLiteral("Height at %1, %2: %3"), 128)
            .arg(x)
            .arg(y);
    const std::optional<double> height = HeightAt(map, x, y);
    if (!height) {
        return label.arg(
            GetLanguageString(QStringLiteral("HeightUnknown"), QStringLiteral("unknown"), 64));
    }
    const QString unit = map.unit.empty() ? GetLanguageString(QStringLiteral("HeightLegendSlices"),
                                                              QStringLiteral("slices"), 20)
                                          : QString::fromStdString(map.unit);
    return label.arg(QString::asprintf("%.2f ", *height) + unit);
}
