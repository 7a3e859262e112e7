// The settings file's numbers ("NrFiles", "NrMBytes", "NrPrevPath", "PrevPathSelected"): a stored
// text read as a number and rounded down. Numbers built from the input, in every spelling a file
// may hold (signs, blanks, a fraction, an exponent), are checked against exact decimal
// arithmetic; any other text gives the same with blanks around it and nothing with a letter
// after it.
#include <QString>
#include <cstdint>
#include <optional>

#include "AppSettings.h"
#include "FuzzCheck.h"

namespace {

constexpr int kFractionDigits = 4;

struct Spelled {
    QString text;
    std::optional<qint64> rounded;
};

uint64_t Digits(FuzzInput& input, int most) {
    uint64_t value = 0;
    for (int i = input.Pick(most + 1); i > 0; --i) value = value * 10 + input.Pick(10);
    return value;
}

// Up to 11 whole and 4 fraction digits and an exponent of up to 3: few enough digits that the
// nearest double never crosses a whole number.
Spelled Number(FuzzInput& input) {
    const bool negative = input.Flag();
    const uint64_t whole = Digits(input, 11);
    const uint64_t fraction = Digits(input, kFractionDigits);  // in 1/10000
    const int exponent = static_cast<int>(input.Pick(4));
    QString text = QString(input.Pick(3), u' ');
    text += negative ? QStringLiteral("-") : (input.Flag() ? QStringLiteral("+") : QString());
    text += QString::number(whole) + u'.' +
            QString::number(fraction).rightJustified(kFractionDigits, u'0');
    if (exponent > 0 || input.Flag()) text += u'e' + QString::number(exponent);
    text += QString(input.Pick(3), u'\t');

    __int128 tenThousandths = static_cast<__int128>(whole) * 10000 + fraction;
    for (int i = 0; i < exponent; ++i) tenThousandths *= 10;
    __int128 down = tenThousandths / 10000;
    if (negative) down = -down - (tenThousandths % 10000 != 0 ? 1 : 0);
    return {text, static_cast<qint64>(down)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    if (input.Flag()) {
        const Spelled number = Number(input);
        FUZZ_CHECK(StoredWholeNumber(number.text) == number.rounded);
        return 0;
    }
    const QString text = QString::fromUtf8(input.Rest(), static_cast<qsizetype>(input.RestSize()));
    const auto rounded = StoredWholeNumber(text);
    FUZZ_CHECK(StoredWholeNumber(u' ' + text + u'\t') == rounded);
    FUZZ_CHECK(!StoredWholeNumber(text + u'x'));
    for (const char* word : {"inf", "-inf", "nan", "1e19", "-1e19"})
        FUZZ_CHECK(!StoredWholeNumber(QString::fromLatin1(word)));
    return 0;
}
