// The command line: the one option it carries (the language file) and how its text is formed.
#pragma once

#include <QString>
#include <QStringList>

// The text of a command line: the arguments after the program's own path, joined with single
// spaces.
QString CommandLineText(const QStringList& arguments);

// Looks up an option on the command line. A switch (hasValue false) gives "1" when `name` occurs
// and the empty text otherwise. An option with a value is `name` followed by `separator`; its
// value runs to the end of the line or to the first blank that is followed by "/" (the next
// option), and is lower-cased unless caseSensitive. A missing option or an empty value gives
// defaultValue. An empty commandLine means the process's own command line.
QString GetCmdOption(const QString& name, const QString& commandLine, bool hasValue,
                     bool caseSensitive, const QString& defaultValue, const QString& separator);

// The language file that start-up loads for the command line: the "lang= " value, lower-cased,
// or as typed when no file has the lower-cased name, looked up in the current folder, beside the
// program and in the installed data folder. Empty when the name has 4 characters or fewer, which
// leaves the built-in texts.
QString LanguageFileToLoad(const QString& commandLine);
