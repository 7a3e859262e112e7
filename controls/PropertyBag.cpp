#include "PropertyBag.h"

#include <QBuffer>
#include <algorithm>
#include <cmath>

#include "Twips.h"

namespace {

// Characters written with a backslash in a quoted text, and the letter that follows it.
constexpr std::pair<char16_t, char16_t> kEscapes[] = {
    {u'"', u'"'}, {u'\\', u'\\'}, {u'\n', u'n'}, {u'\r', u'r'}, {u'\t', u't'}};

QString Quote(const QString& text) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : text) {
        const auto escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                         [c](const auto& e) { return e.first == c.unicode(); });
        if (escape != std::end(kEscapes)) quoted += QLatin1Char('\\');
        quoted += escape != std::end(kEscapes) ? QChar(escape->second) : c;
    }
    return quoted + QLatin1Char('"');
}

// Reads a quoted text starting at `pos`; moves `pos` past the closing quote.
std::optional<QString> Unquote(const QString& text, qsizetype& pos) {
    if (pos >= text.size() || text[pos] != QLatin1Char('"')) return std::nullopt;
    QString out;
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return out;
        }
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++pos >= text.size()) return std::nullopt;
        const char16_t letter = text[pos].unicode();
        const auto escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                         [letter](const auto& e) { return e.second == letter; });
        out += escape != std::end(kEscapes) ? QChar(escape->first) : text[pos];
    }
    return std::nullopt;
}

QString NumberText(double value) {
    QString text = QString::number(value, 'g', 17);
    // Shortest spelling that reads back to the same number keeps the text form tidy.
    for (int precision = 1; precision <= 17; ++precision) {
        const QString candidate = QString::number(value, 'g', precision);
        if (candidate.toDouble() == value) {
            text = candidate;
            break;
        }
    }
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

QString FontText(const QFont& font) {
    QStringList parts{Quote(font.family()), NumberText(font.pointSizeF())};
    if (font.bold()) parts << QStringLiteral("Bold");
    if (font.italic()) parts << QStringLiteral("Italic");
    if (font.underline()) parts << QStringLiteral("Underline");
    if (font.strikeOut()) parts << QStringLiteral("Strikeout");
    return QStringLiteral("Font(%1)").arg(parts.join(QStringLiteral(", ")));
}

std::optional<QFont> ParseFont(const QString& body) {
    qsizetype pos = 0;
    const auto family = Unquote(body, pos);
    if (!family) return std::nullopt;
    const QStringList rest = body.mid(pos).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (rest.isEmpty()) return std::nullopt;
    bool ok = false;
    const double size = rest.front().trimmed().toDouble(&ok);
    if (!ok || !(size > 0) || !std::isfinite(size)) return std::nullopt;
    QFont font(*family);
    font.setPointSizeF(size);
    for (qsizetype i = 1; i < rest.size(); ++i) {
        const QString flag = rest[i].trimmed();
        if (flag == QLatin1String("Bold"))
            font.setBold(true);
        else if (flag == QLatin1String("Italic"))
            font.setItalic(true);
        else if (flag == QLatin1String("Underline"))
            font.setUnderline(true);
        else if (flag == QLatin1String("Strikeout"))
            font.setStrikeOut(true);
        else
            return std::nullopt;
    }
    return font;
}

QString PictureText(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("Picture(%1)").arg(QString::fromLatin1(png.toBase64()));
}

bool SameFont(const QFont& a, const QFont& b) {
    return a.family() == b.family() && a.pointSizeF() == b.pointSizeF() && a.bold() == b.bold() &&
           a.italic() == b.italic() && a.underline() == b.underline() &&
           a.strikeOut() == b.strikeOut();
}

}  // namespace

std::vector<PropertyBag::Entry>::const_iterator PropertyBag::EntryOf(const QString& key) const {
    return std::find_if(entries_.begin(), entries_.end(), [&key](const Entry& entry) {
        return entry.key.compare(key, Qt::CaseInsensitive) == 0;
    });
}

void PropertyBag::Put(const QString& key, Kind kind, const QVariant& value) {
    const Entry entry{key, kind, value};
    if (const auto at = EntryOf(key); at != entries_.end())
        entries_[static_cast<size_t>(at - entries_.begin())] = entry;
    else
        entries_.push_back(entry);
}

void PropertyBag::WriteBool(const QString& key, bool value, bool defaultValue) {
    if (value != defaultValue) Put(key, Kind::Boolean, value);
}

void PropertyBag::WriteInt(const QString& key, qint64 value, qint64 defaultValue) {
    if (value != defaultValue) Put(key, Kind::Integer, value);
}

void PropertyBag::WriteNumber(const QString& key, double value, double defaultValue) {
    if (value != defaultValue && std::isfinite(value)) Put(key, Kind::Number, value);
}

void PropertyBag::WriteColor(const QString& key, OleColor value, OleColor defaultValue) {
    if (value != defaultValue) Put(key, Kind::Colour, static_cast<qint64>(value));
}

void PropertyBag::WriteString(const QString& key, const QString& value,
                              const QString& defaultValue) {
    if (value != defaultValue) Put(key, Kind::Text, value);
}

void PropertyBag::WriteFont(const QString& key, const QFont& value, const QFont& defaultValue) {
    if (!SameFont(value, defaultValue)) Put(key, Kind::Font, value);
}

void PropertyBag::WritePicture(const QString& key, const QImage& value) {
    if (!value.isNull()) Put(key, Kind::Picture, value);
}

void PropertyBag::Write(const QString& key, Kind kind, const QVariant& value,
                        const QVariant& byDefault) {
    switch (kind) {
        case Kind::Boolean:
            return WriteBool(key, value.toBool(), byDefault.toBool());
        case Kind::Integer:
            return WriteInt(key, value.toLongLong(), byDefault.toLongLong());
        case Kind::Number:
            return WriteNumber(key, value.toDouble(), byDefault.toDouble());
        case Kind::Colour:
            return WriteColor(key, static_cast<OleColor>(value.toLongLong()),
                              static_cast<OleColor>(byDefault.toLongLong()));
        case Kind::Text:
            return WriteString(key, value.toString(), byDefault.toString());
        case Kind::Font:
            return WriteFont(key, value.value<QFont>(), byDefault.value<QFont>());
        case Kind::Picture:
            return WritePicture(key, value.value<QImage>());
        case Kind::Any:
            if (value.typeId() == QMetaType::Double)
                return WriteNumber(key, value.toDouble(), byDefault.toDouble());
            return WriteString(key, value.toString(), byDefault.toString());
    }
}

QVariant PropertyBag::Read(const QString& key, Kind kind, const QVariant& byDefault) const {
    switch (kind) {
        case Kind::Boolean:
            return ReadBool(key, byDefault.toBool());
        case Kind::Integer:
            return ReadInt(key, byDefault.toLongLong());
        case Kind::Number:
            return ReadNumber(key, byDefault.toDouble());
        case Kind::Colour:
            return static_cast<qint64>(
                ReadColor(key, static_cast<OleColor>(byDefault.toLongLong())));
        case Kind::Text:
            return ReadString(key, byDefault.toString());
        case Kind::Font:
            return ReadFont(key, byDefault.value<QFont>());
        case Kind::Picture:
            return ReadPicture(key);
        case Kind::Any:
            if (const QVariant raw = ReadValue(key); raw.isValid()) return raw;
            return byDefault;
    }
    return {};
}

QVariant PropertyBag::ReadValue(const QString& key) const {
    readLog_ << key;
    const auto at = EntryOf(key);
    return at == entries_.end() ? QVariant() : at->value;
}

bool PropertyBag::ReadBool(const QString& key, bool defaultValue) const {
    const QVariant value = ReadValue(key);
    if (!value.isValid()) return defaultValue;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
        return text.toDouble() != 0;
    }
    return value.toDouble() != 0;
}

qint64 PropertyBag::ReadInt(const QString& key, qint64 defaultValue) const {
    const QVariant value = ReadValue(key);
    if (!value.isValid()) return defaultValue;
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? 1 : 0;
    bool ok = false;
    const double number = value.toDouble(&ok);
    // Beyond 2^62 the number is plainly not a stored setting; it must not overflow either.
    constexpr double kLargest = 4611686018427387904.0;
    if (!ok || !std::isfinite(number) || std::fabs(number) > kLargest) return defaultValue;
    return static_cast<qint64>(RoundHalfEven(number));
}

double PropertyBag::ReadNumber(const QString& key, double defaultValue) const {
    const QVariant value = ReadValue(key);
    if (!value.isValid()) return defaultValue;
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && std::isfinite(number) ? number : defaultValue;
}

OleColor PropertyBag::ReadColor(const QString& key, OleColor defaultValue) const {
    const QVariant value = ReadValue(key);
    if (!value.isValid()) return defaultValue;
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? static_cast<OleColor>(number) : defaultValue;
}

QString PropertyBag::ReadString(const QString& key, const QString& defaultValue) const {
    const QVariant value = ReadValue(key);
    if (!value.isValid()) return defaultValue;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

QFont PropertyBag::ReadFont(const QString& key, const QFont& defaultValue) const {
    const QVariant value = ReadValue(key);
    return value.typeId() == QMetaType::QFont ? value.value<QFont>() : defaultValue;
}

QImage PropertyBag::ReadPicture(const QString& key) const {
    const QVariant value = ReadValue(key);
    return value.typeId() == QMetaType::QImage ? value.value<QImage>() : QImage();
}

bool PropertyBag::Contains(const QString& key) const {
    return EntryOf(key) != entries_.end();
}

QStringList PropertyBag::Keys() const {
    QStringList keys;
    for (const Entry& entry : entries_) keys << entry.key;
    return keys;
}

QString PropertyBag::ValueText(const Entry& entry) {
    switch (entry.kind) {
        case Kind::Boolean:
            return entry.value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case Kind::Integer:
            return QString::number(entry.value.toLongLong());
        case Kind::Number:
            return NumberText(entry.value.toDouble());
        case Kind::Colour:
            return QStringLiteral("&H%1")
                .arg(entry.value.toLongLong(), 8, 16, QLatin1Char('0'))
                .toUpper();
        case Kind::Text:
            return Quote(entry.value.toString());
        case Kind::Font:
            return FontText(entry.value.value<QFont>());
        case Kind::Picture:
            return PictureText(entry.value.value<QImage>());
        case Kind::Any:
            break;
    }
    return {};
}

QString PropertyBag::ToText() const {
    QString text;
    for (const Entry& entry : entries_)
        text += entry.key + QStringLiteral(" = ") + ValueText(entry) + QLatin1Char('\n');
    return text;
}

std::optional<PropertyBag::Entry> PropertyBag::ParseValue(const QString& key,
                                                          const QString& value) {
    if (value == QLatin1String("True") || value == QLatin1String("False"))
        return Entry{key, Kind::Boolean, value == QLatin1String("True")};
    if (value.startsWith(QLatin1String("&H"))) {
        bool ok = false;
        const qint64 colour = value.mid(2).toLongLong(&ok, 16);
        if (!ok || colour < 0 || colour > 0xFFFFFFFFLL) return std::nullopt;
        return Entry{key, Kind::Colour, colour};
    }
    if (value.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        const auto text = Unquote(value, pos);
        if (!text || pos != value.size()) return std::nullopt;
        return Entry{key, Kind::Text, *text};
    }
    if (value.startsWith(QLatin1String("Font(")) && value.endsWith(QLatin1Char(')'))) {
        const auto font = ParseFont(value.mid(5, value.size() - 6));
        if (!font) return std::nullopt;
        return Entry{key, Kind::Font, *font};
    }
    if (value.startsWith(QLatin1String("Picture(")) && value.endsWith(QLatin1Char(')'))) {
        const QByteArray png = QByteArray::fromBase64(value.mid(8, value.size() - 9).toLatin1());
        QImage image;
        if (!image.loadFromData(png, "PNG")) return std::nullopt;
        return Entry{key, Kind::Picture, image};
    }
    bool ok = false;
    if (value.contains(QLatin1Char('.')) || value.contains(QLatin1Char('e'))) {
        const double number = value.toDouble(&ok);
        if (ok && std::isfinite(number)) return Entry{key, Kind::Number, number};
        return std::nullopt;
    }
    const qint64 integer = value.toLongLong(&ok);
    if (ok) return Entry{key, Kind::Integer, integer};
    return std::nullopt;
}

std::optional<PropertyBag> PropertyBag::FromText(const QString& text) {
    PropertyBag bag;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) return std::nullopt;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key.isEmpty()) return std::nullopt;
        if (auto entry = ParseValue(key, value))
            bag.Put(entry->key, entry->kind, entry->value);
        else
            bag.skippedKeys_ << key;
    }
    return bag;
}
