// The language file loader and the text lookup against a plain model of the file format: the
// decoding picks UTF-8 exactly for valid UTF-8, and after a load every index the file holds,
// and a few it does not, answers as the file's last entry for it says.
#include <sys/mman.h>
#include <unistd.h>

#include <QString>
#include <map>
#include <optional>

#include "FuzzCheck.h"
#include "modLang.h"

namespace {

// The input becomes a real file without touching the disk: an in-memory file under its
// /proc path.
QString WriteLanguageFile(const char* data, size_t size) {
    static const int fd = ::memfd_create("language-file", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::ftruncate(fd, 0) == 0);
    FUZZ_CHECK(::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsUtf8(const unsigned char* s, size_t n) {
    for (size_t i = 0; i < n;) {
        const unsigned c = s[i];
        size_t length = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        if (length == 0 || i + length > n) return false;
        uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            code = code << 6 | (s[i + k] & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

void CheckDecoding(const QByteArray& bytes, const QString& text) {
    if (IsUtf8(reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size())) {
        // One byte-order mark at the start is no text; QString drops it as the decoder does.
        FUZZ_CHECK(text == QString::fromUtf8(bytes));
        return;
    }
    // Windows-1252: one character per byte, ASCII and Latin-1's upper half unchanged.
    FUZZ_CHECK(text.size() == bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80 || byte >= 0xA0) FUZZ_CHECK(text[i].unicode() == byte);
    }
}

// The index of an entry line: a 16-bit decimal number, blanks around it, an optional sign.
std::optional<int> ModelIndex(const QString& part) {
    qsizetype first = 0, last = part.size();
    while (first < last && part[first].isSpace()) ++first;
    while (last > first && part[last - 1].isSpace()) --last;
    bool negative = false;
    if (first < last && (part[first] == u'+' || part[first] == u'-'))
        negative = part[first++] == u'-';
    if (first == last) return std::nullopt;
    long value = 0;
    for (qsizetype i = first; i < last; ++i) {
        if (part[i] < u'0' || part[i] > u'9') return std::nullopt;
        value = value * 10 + (part[i].unicode() - u'0');
        if (value > 40000) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < -32768 || value > 32767) return std::nullopt;
    return static_cast<int>(value);
}

// Index to the text as the file wrote it, the last entry winning; only what can be stored.
std::map<int, QString> ModelEntries(const QString& text) {
    std::map<int, QString> entries;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        const QString line = text.mid(start, end - start);
        start =
            end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || equals < 0) continue;
        const auto index = ModelIndex(line.left(equals));
        if (index && *index >= 0 && *index < 32767) entries[*index] = line.mid(equals + 1);
    }
    return entries;
}

QString Expected(const std::map<int, QString>& entries, int index, bool leading, bool trailing,
                 const QString& builtIn) {
    const auto found = entries.find(index);
    if (found == entries.end())
        return builtIn.isEmpty() ? QStringLiteral("Translation Error!") : builtIn;
    QString text = found->second;
    text.replace(u'|', QStringLiteral("\r\n"));
    if (text == QString(QChar(u'\0'))) text.clear();  // the marker of an empty entry
    return (leading ? QStringLiteral(" ") : QString()) + text +
           (trailing ? QStringLiteral(" ") : QString());
}

void CheckLookup(const std::map<int, QString>& entries, int index) {
    for (int flags = 0; flags < 4; ++flags) {
        for (const QString& builtIn : {QString(), QStringLiteral("Kann auf ")}) {
            const bool leading = flags & 1, trailing = flags & 2;
            const QString got = LangText(static_cast<int16_t>(index), leading, trailing, builtIn);
            const QString expected = Expected(entries, index, leading, trailing, builtIn);
            if (got != expected)
                std::fprintf(stderr, "index %d: got \"%s\", expected \"%s\"\n", index,
                             got.toUtf8().toHex(' ').constData(),
                             expected.toUtf8().toHex(' ').constData());
            FUZZ_CHECK(got == expected);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = DecodeLanguageFile(bytes);
    CheckDecoding(bytes, text);

    LoadLanguage(WriteLanguageFile(bytes.constData(), size));
    const auto entries = ModelEntries(text);
    for (const auto& [index, entry] : entries) CheckLookup(entries, index);
    const int highest = entries.empty() ? 0 : entries.rbegin()->first;
    for (int index : {-32768, -1, 0, 1, 12, 41, 65, highest + 1, highest + 2, 32766, 32767})
        if (index <= 32767) CheckLookup(entries, index);
    return 0;
}
