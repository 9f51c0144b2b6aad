#include "core/Language.h"

#include "core/Folders.h"
#include "core/Parameters.h"
#include "core/ProfileFile.h"

CLanguageState g_language;

QString LanguageFileName(int primaryId, int secondaryId) {
    switch (primaryId) {
    case 1:
        return QStringLiteral("Arabic1256.ini");
    case 2:
        return QStringLiteral("Bulgarian442.ini");
    case 4:
        return secondaryId == 1 ? QStringLiteral("Chinese950.ini")
                                : QStringLiteral("Chinese936.ini");
    case 6:
        return QStringLiteral("Danish1252.ini");
    case 7:
        return QStringLiteral("German1252.ini");
    case 10:
        return QStringLiteral("Spanish1252.ini");
    case 11:
        return QStringLiteral("Finnish1252.ini");
    case 12:
        return QStringLiteral("French1252.ini");
    case 13:
        return QStringLiteral("Hebrew1255.ini");
    case 16:
        return QStringLiteral("Italian1252.ini");
    case 17:
        return QStringLiteral("Japanese932.ini");
    case 18:
        return QStringLiteral("Korean949.ini");
    case 19:
        return QStringLiteral("Dutch1252.ini");
    case 20:
        return QStringLiteral("Norwegian1252.ini");
    case 21:
        return QStringLiteral("Polish1250.ini");
    case 22:
        return QStringLiteral("Portuguese1252.ini");
    case 25:
        return QStringLiteral("Russian1251.ini");
    case 29:
        return QStringLiteral("Swedish1252.ini");
    case 30:
        return QStringLiteral("Thai874.ini");
    case 31:
        return QStringLiteral("Turkish1254.ini");
    case 42:
        return QStringLiteral("Vietnamese1258.ini");
    default:
        return QStringLiteral("English1252.ini");
    }
}

void SelectLanguageFile(int primaryId, int secondaryId) {
    g_language.file = LanguageFilePath(LanguageFileName(primaryId, secondaryId));
}

QString GetLanguageString(const QString& key, const QString& defaultText, int limit) {
    if (limit <= 1) {
        return {};
    }
    QString text = ReadProfileString(g_language.file, QStringLiteral("ZeDUV"), key, defaultText);
    if (text.size() > limit - 1) {
        text.truncate(limit - 1);
        // Never leave half of a surrogate pair at the end.
        if (text.back().isHighSurrogate()) {
            text.chop(1);
        }
    }
    return text;
}

void SetLanguage(int primaryId, int secondaryId) {
    g_parameters.languagemainid = primaryId;
    g_parameters.languagesubid = secondaryId;
    SaveParameters();
    SelectLanguageFile(primaryId, secondaryId);
    g_language.changedInRun = true;
}
