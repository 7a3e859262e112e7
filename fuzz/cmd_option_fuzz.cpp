// The command-line option lookup: a switch is found exactly when its name occurs; an option's
// value is what follows the first "name" + separator up to the next " /" or the end, or the
// default when there is none; the language file chosen from a line follows that value.
#include <QString>

#include "FuzzCheck.h"
#include "modCmd.h"

namespace {

QString Lower(const QString& text) {
    QString lower;
    for (const QChar c : text) lower += c.isSurrogate() ? c : c.toLower();
    return lower;
}

QList<QByteArray> Fields(FuzzInput& input, int count) {
    QList<QByteArray> fields =
        QByteArray(input.Rest(), static_cast<qsizetype>(input.RestSize())).split('\0');
    while (fields.size() < count) fields << QByteArray();
    return fields;
}

void CheckSwitch(const QString& name, const QString& line, bool caseSensitive) {
    const QString found = GetCmdOption(name, line, false, caseSensitive, QString(), QString());
    const bool occurs = caseSensitive ? line.contains(name) : Lower(line).contains(Lower(name));
    FUZZ_CHECK(found == (occurs && !line.isEmpty() ? QStringLiteral("1") : QString()));
}

void CheckValue(const QString& name, const QString& line, bool caseSensitive,
                const QString& separator, const QString& defaultValue) {
    const QString value = GetCmdOption(name, line, true, caseSensitive, defaultValue, separator);
    const QString searched = caseSensitive ? line : Lower(line);
    const QString key = (caseSensitive ? name : Lower(name)) + separator;
    const qsizetype at = line.isEmpty() ? -1 : searched.indexOf(key);
    if (at < 0) {
        FUZZ_CHECK(value == defaultValue);
        return;
    }
    const QString rest = searched.mid(at + key.size());
    const QString nextOption = QStringLiteral(" /");
    const bool valueAtKey =
        !value.isEmpty() && rest.startsWith(value) && !value.contains(nextOption) &&
        (rest.size() == value.size() || rest.mid(value.size()).startsWith(nextOption));
    // Only an empty value falls back to the default.
    const bool noValue = rest.isEmpty() || rest.startsWith(nextOption);
    FUZZ_CHECK(valueAtKey || (value == defaultValue && noValue));
}

void CheckLanguageFile(const QString& line) {
    if (line.isEmpty()) return;  // the process's own command line
    const QString value = GetCmdOption(QStringLiteral("lang="), line, true, false,
                                       QStringLiteral("deutsch.lng"), QStringLiteral(" "));
    FUZZ_CHECK(LanguageFileToLoad(line).isEmpty() == (value.size() <= 4));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const bool caseSensitive = input.Flag();
    const QList<QByteArray> fields = Fields(input, 4);
    const QString line = QString::fromUtf8(fields[0]);
    const QString name = QString::fromUtf8(fields[1]);
    const QString separator = QString::fromUtf8(fields[2]);
    const QString defaultValue = QString::fromUtf8(fields[3]);
    CheckSwitch(name, line, caseSensitive);
    CheckValue(name, line, caseSensitive, separator, defaultValue);
    CheckLanguageFile(line);
    return 0;
}
