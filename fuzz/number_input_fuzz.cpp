// The number boxes' conversion: a decimal number in the user's locale becomes a whole number
// rounded down (the run's inputs), or is refused. Numbers built from the input, and any text
// that is a plain decimal number, are checked against exact decimal arithmetic; blank text must
// be refused.
#include <QLocale>
#include <QString>
#include <cstdint>

#include "FuzzCheck.h"
#include "TestRuns.h"

namespace {

constexpr int kMostFractionDigits = 4;

struct DecimalNumber {
    bool negative = false;
    uint64_t whole = 0;     // up to 11 digits
    uint32_t fraction = 0;  // kMostFractionDigits digits, scaled
};

std::optional<int32_t> InRange(__int128 value) {
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<int32_t> RoundedDown(const DecimalNumber& n) {
    const __int128 whole = n.whole;
    if (!n.negative) return InRange(whole);
    return InRange(-whole - (n.fraction > 0 ? 1 : 0));
}

bool IsDigits(QStringView text, qsizetype most) {
    if (text.isEmpty() || text.size() > most) return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// A plain decimal number as Spell writes one (sign, up to 11 whole digits without leading zeros,
// up to kMostFractionDigits after the locale's separator, blanks around); nothing for any other
// text.
std::optional<DecimalNumber> ParsePlainDecimal(const QString& text, const QLocale& locale) {
    QStringView rest = QStringView(text).trimmed();
    DecimalNumber n;
    if (rest.startsWith(u'-') || rest.startsWith(u'+')) {
        n.negative = rest.front() == u'-';
        rest = rest.mid(1);
    }
    const qsizetype separator = rest.indexOf(locale.decimalPoint());
    const QStringView whole = separator < 0 ? rest : rest.left(separator);
    const QStringView fraction = separator < 0 ? QStringView() : rest.mid(separator + 1);
    if (!IsDigits(whole, 11) || (whole.size() > 1 && whole.front() == u'0') ||
        (separator >= 0 && !IsDigits(fraction, kMostFractionDigits)))
        return std::nullopt;
    n.whole = whole.toULongLong();
    n.fraction = fraction.isEmpty() ? 0 : fraction.toUInt();
    for (qsizetype i = fraction.size(); i < kMostFractionDigits; ++i) n.fraction *= 10;
    return n;
}

// The text a user could type for the number: the locale's decimal separator, blanks around.
QString Spell(const DecimalNumber& n, FuzzInput& input, const QLocale& locale) {
    QString text = QString(input.Pick(3), u' ');
    if (n.negative)
        text += u'-';
    else if (input.Pick(4) == 0)
        text += u'+';
    text += QString::number(n.whole);
    const unsigned digits = input.Pick(kMostFractionDigits + 1);
    uint32_t fraction = n.fraction;
    for (unsigned i = digits; i < kMostFractionDigits; ++i) fraction /= 10;
    if (digits > 0)
        text += locale.decimalPoint() +
                QStringLiteral("%1").arg(fraction, digits, 10, QLatin1Char('0'));
    return text + QString(input.Pick(3), u' ');
}

void CheckBuiltNumber(FuzzInput& input, const QLocale& locale) {
    DecimalNumber n;
    n.negative = input.Flag();
    for (int i = 0; i < 5; ++i) n.whole = n.whole << 8 | input.Byte();
    n.whole %= 100000000000ull;
    if (input.Flag()) n.whole %= 3000000000ull;  // near the 32-bit limits more often
    n.fraction = (input.Byte() << 8 | input.Byte()) % 10000;
    const QString text = Spell(n, input, locale);
    // Spell may have cut fraction digits: recompute the number from what was written.
    const qsizetype separator = text.indexOf(locale.decimalPoint());
    n.fraction = 0;
    if (separator >= 0) {
        const QString digits = text.mid(separator + 1).trimmed();
        n.fraction = digits.toUInt();
        for (qsizetype i = digits.size(); i < kMostFractionDigits; ++i) n.fraction *= 10;
    }
    FUZZ_CHECK(ReadWholeNumber(text) == RoundedDown(n));
}

void CheckAnyText(FuzzInput& input, const QLocale& locale) {
    const QString text = QString::fromUtf8(input.Rest(), static_cast<qsizetype>(input.RestSize()));
    const auto down = ReadWholeNumber(text);
    if (const auto n = ParsePlainDecimal(text, locale)) FUZZ_CHECK(down == RoundedDown(*n));
    if (text.trimmed().isEmpty()) FUZZ_CHECK(!down);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const QLocale locale = input.Flag() ? QLocale(QLocale::German, QLocale::Germany)
                                        : QLocale(QLocale::English, QLocale::UnitedStates);
    QLocale::setDefault(locale);
    if (input.Flag())
        CheckBuiltNumber(input, locale);
    else
        CheckAnyText(input, locale);
    return 0;
}
