#include "modLang.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <optional>
#include <vector>

#ifndef DRAVELO_DATA_DIR
#define DRAVELO_DATA_DIR ""
#endif

namespace {

// The highest upper bound a 16-bit index allows: an entry for 32767 would need one more slot.
constexpr int kHighestUpperBound = 32767;

// A slot holding only this character was written with nothing after "=": an empty text that
// does not fall back.
const QChar kExplicitlyEmpty(u'\0');

struct LanguageTable {
    bool loaded = false;
    std::vector<QString> entries;  // index 0 to upper bound; an empty string is unset
};

LanguageTable& Table() {
    static LanguageTable table;
    return table;
}

// The index part of an entry line: a 16-bit signed decimal number with blanks around it.
std::optional<int> ParseIndex(const QString& text) {
    // The conversion would stop at a NUL character and read the digits before it as the index.
    if (text.contains(QChar(u'\0'))) return std::nullopt;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < -32768 || value > 32767) return std::nullopt;
    return value;
}

void StoreEntry(LanguageTable& table, int index, const QString& text) {
    if (index < 0 || index >= kHighestUpperBound) return;
    const int upperBound = static_cast<int>(table.entries.size()) - 1;
    if (index > upperBound) table.entries.resize(index + 2);  // the new upper bound is index + 1
    if (text.isEmpty())
        table.entries[index] = QString(kExplicitlyEmpty);
    else
        table.entries[index] = QString(text).replace(u'|', QStringLiteral("\r\n"));
}

void ReadLine(LanguageTable& table, const QString& line) {
    if (line.startsWith(u'#')) return;  // a comment, even with "=" in it
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) return;  // translator header, empty line, anything else
    // An index that cannot be read makes the line worthless; it must not overwrite another entry.
    if (auto index = ParseIndex(line.left(equals))) StoreEntry(table, *index, line.mid(equals + 1));
}

QStringList SplitLines(const QString& text) {
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return unified.split(u'\n');
}

QString DecodeWindows1252(const QByteArray& bytes) {
    // 0x80 to 0x9F are the only bytes where Windows-1252 differs from Latin-1; 0 marks the
    // five bytes the code page leaves undefined, which are kept as their Latin-1 characters.
    static const char16_t kHighControls[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        const bool mapped = code >= 0x80 && code <= 0x9F && kHighControls[code - 0x80] != 0;
        text.append(QChar(mapped ? kHighControls[code - 0x80] : char16_t(code)));
    }
    return text;
}

}  // namespace

QString DecodeLanguageFile(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return DecodeWindows1252(bytes);
}

void LoadLanguage(const QString& path) {
    LanguageTable& table = Table();
    table.loaded = true;
    table.entries.assign(1, QString());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    for (const QString& line : SplitLines(DecodeLanguageFile(file.readAll())))
        ReadLine(table, line);
}

QString LangText(int16_t index, bool leadingSpace, bool trailingSpace, const QString& defaultText) {
    const LanguageTable& table = Table();
    const bool inTable =
        table.loaded && index >= 0 && index < static_cast<int>(table.entries.size());
    if (inTable && !table.entries[index].isEmpty()) {
        QString text = table.entries[index] == kExplicitlyEmpty ? QString() : table.entries[index];
        if (leadingSpace) text.prepend(u' ');
        if (trailingSpace) text.append(u' ');
        return text;
    }
    return defaultText.isEmpty() ? QStringLiteral("Translation Error!") : defaultText;
}

QString FindLanguageFile(const QString& name) {
    if (name.contains(u'/') || QFileInfo::exists(name)) return name;
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath()
                << QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' +
                                   DRAVELO_DATA_DIR);
    for (const QString& folder : folders) {
        const QString candidate = QDir(folder).filePath(name);
        if (QFileInfo::exists(candidate)) return candidate;
    }
    return name;
}
