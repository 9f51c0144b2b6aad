#include "core/Parameters.h"

#include <limits>

#include <QSettings>

CParameters g_parameters;

namespace {

struct Field {
    const char* name;
    std::int32_t CParameters::*member;
};

// Storage order is the order of the settings table.
constexpr Field kFields[] = {
    {"videoformat", &CParameters::videoformat},
    {"imageformat", &CParameters::imageformat},
    {"languagemainid", &CParameters::languagemainid},
    {"languagesubid", &CParameters::languagesubid},
    {"saveoption1", &CParameters::saveoption1},
    {"saveoption2", &CParameters::saveoption2},
    {"addexportimage", &CParameters::addexportimage},
    {"snapshot", &CParameters::snapshot},
    {"linecolor", &CParameters::linecolor},
    {"textcolor", &CParameters::textcolor},
    {"linewidth", &CParameters::linewidth},
    {"textsize", &CParameters::textsize},
    {"measuredecimal", &CParameters::measuredecimal},
    {"compress", &CParameters::compress},
    {"scalebar", &CParameters::scalebar},
};

QSettings OpenStore() {
    return QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
}

void ReadInto(QSettings& store, const char* name, std::int32_t& value) {
    const QVariant stored = store.value(QLatin1String(name));
    if (!stored.isValid()) {
        return;
    }
    bool ok = false;
    const qlonglong number = stored.toLongLong(&ok);
    if (ok && number >= std::numeric_limits<std::int32_t>::min() &&
        number <= std::numeric_limits<std::int32_t>::max()) {
        value = static_cast<std::int32_t>(number);
    }
}

} // namespace

void LoadParameters() {
    QSettings store = OpenStore();
    store.beginGroup(QStringLiteral("Parameter"));
    for (const Field& field : kFields) {
        ReadInto(store, field.name, g_parameters.*field.member);
    }
}

bool SaveParameters() {
    QSettings store = OpenStore();
    store.beginGroup(QStringLiteral("Parameter"));
    for (const Field& field : kFields) {
        store.setValue(QLatin1String(field.name), g_parameters.*field.member);
    }
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

void ApplyResetValues(CParameters& parameters) {
    const std::int32_t decimals = parameters.measuredecimal;
    parameters = CParameters{};
    parameters.languagemainid = 4;
    parameters.languagesubid = 2;
    parameters.measuredecimal = decimals;
}

void LoadSaveOptions() {
    QSettings store = OpenStore();
    store.beginGroup(QStringLiteral("Parameter"));
    ReadInto(store, "saveoption1", g_parameters.saveoption1);
    ReadInto(store, "saveoption2", g_parameters.saveoption2);
}
