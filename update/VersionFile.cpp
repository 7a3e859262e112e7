#include "VersionFile.h"

#include <QStringList>

#include "Checked.h"
#include "modLang.h"

namespace {

constexpr int16_t kMostLinesRead = 4049;

std::optional<QString> ValueAfter(const QString& line, QStringView key) {
    if (!line.startsWith(key)) return std::nullopt;
    return line.mid(key.size());
}

void ReadLine(VersionFileValues& values, const QString& line) {
    if (auto value = ValueAfter(line, u"Current Version=")) values.currentVersion = *value;
    if (auto value = ValueAfter(line, u"Download=")) values.download = *value;
    if (auto value = ValueAfter(line, u"Message=")) values.message = *value;
    if (auto value = ValueAfter(line, u"Error=")) {
        // The conversion would stop at a NUL character and read the digits before it.
        if (value->contains(QChar(u'\0'))) return;
        bool isNumber = false;
        const short code = value->trimmed().toShort(&isNumber, 10);
        if (isNumber) values.errorCode = code;
    }
    // "Description=" is part of the format, but nothing shows it.
}

bool IsWholeNumber(const QString& text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

}  // namespace

VersionFileValues ParseVersionFile(const QByteArray& bytes) {
    VersionFileValues values;
    int16_t linesRead = 0;
    // The language files' decoding: the same servers and editors write both.
    for (QString line : DecodeLanguageFile(bytes).split(u'\n')) {
        if (linesRead == kMostLinesRead) break;
        IncrementCounter(linesRead);
        if (line.endsWith(u'\r')) line.chop(1);
        ReadLine(values, line);
    }
    return values;
}

std::optional<VersionNumber> ParseVersion(const QString& value) {
    const QStringList parts = value.trimmed().split(u'.');
    if (parts.size() > 3) return std::nullopt;
    uint32_t numbers[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool fits = false;
        numbers[i] = parts[i].toUInt(&fits, 10);
        if (!IsWholeNumber(parts[i]) || !fits) return std::nullopt;
    }
    return VersionNumber{numbers[0], numbers[1], numbers[2]};
}

QString VersionText(const VersionNumber& version) {
    return QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.revision);
}
