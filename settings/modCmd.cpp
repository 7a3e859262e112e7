#include "modCmd.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <optional>

#include "modLang.h"

namespace {

// Where an option's value lies in the command line: its first character and its length.
struct ValueSpan {
    qsizetype start = 0;
    qsizetype length = 0;
};

// Lower case one character at a time, so that every position still names the same character of
// the original text (a full lower-casing can change the length).
QString LowerKeepingPositions(const QString& text) {
    QString lower = text;
    for (QChar& c : lower) {
        if (!c.isSurrogate()) c = c.toLower();
    }
    return lower;
}

QString ProcessCommandLine() {
    return QCoreApplication::instance() ? CommandLineText(QCoreApplication::arguments())
                                        : QString();
}

// The value after `pattern`: up to the first blank that is followed by "/", since paths on this
// system hold "/" themselves and only a blank before one marks the next option.
std::optional<ValueSpan> FindValue(const QString& line, const QString& pattern) {
    const qsizetype found = line.indexOf(pattern);
    if (found < 0) return std::nullopt;
    const qsizetype start = found + pattern.size();
    const qsizetype nextOption = line.indexOf(QStringLiteral(" /"), start);
    const qsizetype end = nextOption < 0 ? line.size() : nextOption;
    return ValueSpan{start, end - start};
}

// The command line to search: the given one, or the process's own when it is empty.
QString EffectiveCommandLine(const QString& commandLine) {
    return commandLine.isEmpty() ? ProcessCommandLine() : commandLine;
}

bool LanguageFileExists(const QString& name) {
    return QFileInfo::exists(FindLanguageFile(name));
}

}  // namespace

QString CommandLineText(const QStringList& arguments) {
    return arguments.mid(1).join(u' ');
}

QString GetCmdOption(const QString& name, const QString& commandLine, bool hasValue,
                     bool caseSensitive, const QString& defaultValue, const QString& separator) {
    QString line = EffectiveCommandLine(commandLine);
    if (line.isEmpty()) return hasValue ? defaultValue : QString();
    QString wanted = name;
    if (!caseSensitive) {
        line = LowerKeepingPositions(line);
        wanted = LowerKeepingPositions(wanted);
    }
    if (!hasValue) return line.contains(wanted) ? QStringLiteral("1") : QString();
    const auto span = FindValue(line, wanted + separator);
    if (!span || span->length == 0) return defaultValue;
    return line.mid(span->start, span->length);
}

QString LanguageFileToLoad(const QString& commandLine) {
    static const QString kOption = QStringLiteral("lang=");
    static const QString kSeparator = QStringLiteral(" ");
    static const QString kDefault = QStringLiteral("deutsch.lng");
    const QString line = EffectiveCommandLine(commandLine);
    const QString lowered = GetCmdOption(kOption, line, true, false, kDefault, kSeparator);
    // Names this short cannot be a language file; the texts stay built in.
    if (lowered.size() <= 4) return QString();
    if (LanguageFileExists(lowered)) return FindLanguageFile(lowered);
    // File names here are case-sensitive: the name as typed, at the same place of the line, may
    // exist where its lower case does not.
    const auto span = FindValue(LowerKeepingPositions(line), kOption + kSeparator);
    if (span && span->length > 0) {
        const QString asTyped = line.mid(span->start, span->length);
        if (LanguageFileExists(asTyped)) return FindLanguageFile(asTyped);
    }
    return FindLanguageFile(lowered);
}
