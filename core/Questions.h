#pragma once

#include <QString>

// Questions a user can turn off with "Don't ask again". The choice is kept in
// the settings store (organisation "LOBRIN", application "Marnelo", group
// "Questions", a true value under the question's key) for every later run.
// GUI thread only.

// True once the user asked not to be asked `key` again.
bool IsQuestionSilenced(const QString& key);
void SilenceQuestion(const QString& key);

// The question before Save writes the measurements into the opened picture.
inline const QString kOverwriteQuestion = QStringLiteral("OverwriteOpenedPicture");
