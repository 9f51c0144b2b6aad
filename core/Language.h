#pragma once

#include <QString>

// Every user-visible text is looked up by key in the language file of the
// chosen language (section "ZeDUV" of an INI file in the program folder), with
// the English text of the call site as the default.

struct CLanguageState {
    QString file;              // full path of the current language file
    bool changedInRun = false; // a language command ran: discard the saved window layout at exit
};

extern CLanguageState g_language;

// The language file name for a pair of Windows language identifiers
// ("English1252.ini" for anything unknown).
QString LanguageFileName(int primaryId, int secondaryId);

// Points the current language file at the file for the pair, looked for in the
// program folder and then in the language folders. The file need not exist.
void SelectLanguageFile(int primaryId, int secondaryId);

// The text for `key` from the current language file, or `defaultText` when the
// file or the key is missing; cut to `limit` - 1 UTF-16 units (the limits of
// the call sites: 48, 64, 128, 256, 520). A key present with an empty value
// yields an empty text.
QString GetLanguageString(const QString& key, const QString& defaultText, int limit);

// Switches the language: sets the persisted identifiers, saves all settings,
// selects the new file and marks the run as changed. The caller relabels what
// it shows and asks for a restart.
void SetLanguage(int primaryId, int secondaryId);

// The combined Windows identifier (secondary * 1024 + primary).
constexpr int CombinedLanguageId(int primaryId, int secondaryId) {
    return secondaryId * 1024 + primaryId;
}
