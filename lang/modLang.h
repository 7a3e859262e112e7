// Language files and text lookup. Every text the program shows is obtained by number from
// LangText; the numbers index one process-wide table filled from a language file at start-up.
#pragma once

#include <QString>
#include <cstdint>

// Replaces the language table with the entries of the file. Never reports a failure: a missing
// or unreadable file leaves a table of one unset entry, so every lookup falls back.
void LoadLanguage(const QString& path);

// Entry `index` of the table; a blank is put in front of (leadingSpace) and behind
// (trailingSpace) a text that comes from the file. Without an entry, defaultText comes back
// unchanged, or "Translation Error!" when it is empty.
QString LangText(int16_t index, bool leadingSpace, bool trailingSpace, const QString& defaultText);

// A language file's bytes as text: UTF-8 when they are valid UTF-8, otherwise Windows-1252, the
// code page in which the original language files were written.
QString DecodeLanguageFile(const QByteArray& bytes);

// Where a language file named on the command line is looked for: a path with a folder as given;
// a bare name in the current folder first, then beside the program, then in the installed data
// folder. Gives the first that exists, or the name unchanged.
QString FindLanguageFile(const QString& name);
