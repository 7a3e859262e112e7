// The update server's version file and the version number in it, against a plain model: the
// last value of each key within the first 4049 lines, an error code only when it is a 16-bit
// number, and a version of one to three whole numbers that writes back to the same numbers.
#include <QString>
#include <QStringList>
#include <optional>

#include "FuzzCheck.h"
#include "VersionFile.h"
#include "modLang.h"

namespace {

constexpr int kMostLines = 4049;

// A whole decimal number of ASCII digits with an optional sign, within [least, most].
std::optional<long long> ModelNumber(const QString& text, bool sign, long long least,
                                     long long most) {
    qsizetype i = 0;
    bool negative = false;
    if (sign && i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == text.size()) return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > 10000000000LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < least || value > most) return std::nullopt;
    return value;
}

VersionFileValues ModelValues(const QString& text) {
    VersionFileValues values;
    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size() && n < kMostLines; ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r')) line.chop(1);
        const auto after = [&](const char* key) -> std::optional<QString> {
            const QString k = QString::fromLatin1(key);
            if (!line.startsWith(k)) return std::nullopt;
            return line.mid(k.size());
        };
        if (auto v = after("Current Version=")) values.currentVersion = *v;
        if (auto v = after("Download=")) values.download = *v;
        if (auto v = after("Message=")) values.message = *v;
        if (auto v = after("Error="))
            if (auto code = ModelNumber(v->trimmed(), true, -32768, 32767))
                values.errorCode = static_cast<int16_t>(*code);
    }
    return values;
}

std::optional<VersionNumber> ModelVersion(const QString& value) {
    const QStringList parts = value.trimmed().split(u'.');
    if (parts.size() > 3) return std::nullopt;
    uint32_t numbers[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const auto number = ModelNumber(parts[i], false, 0, UINT32_MAX);
        if (!number) return std::nullopt;
        numbers[i] = static_cast<uint32_t>(*number);
    }
    return VersionNumber{numbers[0], numbers[1], numbers[2]};
}

void CheckVersion(const QString& value) {
    const auto version = ParseVersion(value);
    FUZZ_CHECK(version == ModelVersion(value));
    if (version) FUZZ_CHECK(ParseVersion(VersionText(*version)) == version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const VersionFileValues values = ParseVersionFile(bytes);
    const VersionFileValues expected = ModelValues(DecodeLanguageFile(bytes));
    FUZZ_CHECK(values.currentVersion == expected.currentVersion);
    FUZZ_CHECK(values.download == expected.download);
    FUZZ_CHECK(values.message == expected.message);
    FUZZ_CHECK(values.errorCode == expected.errorCode);
    CheckVersion(values.currentVersion);
    if (size <= 64) CheckVersion(QString::fromUtf8(bytes));
    return 0;
}
