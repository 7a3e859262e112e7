// Qt's own texts (the buttons of message boxes, the folder and file dialogs) in the language of
// the program's language file, from the translations Qt ships.
#pragma once

#include <QString>

// The language code of Qt's translation for a language file: the language its file name begins
// with (by its English or its own name, "deutsch.lng" is German), where Qt has a translation for
// it; empty for English, for a language Qt does not translate and without a file.
QString QtLanguageFor(const QString& languageFile);

// Replaces the Qt translation in use by the one for `languageFile` (or none).
void UseQtTranslationFor(const QString& languageFile);
