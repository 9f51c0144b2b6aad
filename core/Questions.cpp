#include "core/Questions.h"

#include <QSettings>

namespace {

QSettings OpenStore() {
    return QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
}

QString KeyOf(const QString& question) {
    return QStringLiteral("Questions/") + question;
}

} // namespace

bool IsQuestionSilenced(const QString& key) {
    return OpenStore().value(KeyOf(key), false).toBool();
}

void SilenceQuestion(const QString& key) {
    OpenStore().setValue(KeyOf(key), true);
}
