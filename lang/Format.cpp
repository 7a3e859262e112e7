#include "Format.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <utility>

namespace {

struct NumberPattern {
    bool grouping = false;
    int minIntegerDigits = 0;
    bool hasDecimalPoint = false;
    int maxDecimals = 0;
    int minDecimals = 0;
};

NumberPattern ParseNumberPattern(const QString& pattern) {
    NumberPattern parsed;
    QString integerPart = pattern;
    QString decimalPart;
    const qsizetype first = pattern.indexOf(u'.');
    const qsizetype last = pattern.lastIndexOf(u'.');
    if (first >= 0 && last != first) {
        parsed.grouping = true;  // "#.##0.00": the first point groups
        integerPart = pattern.left(last);
        decimalPart = pattern.mid(last + 1);
        parsed.hasDecimalPoint = true;
    } else if (first >= 0) {
        integerPart = pattern.left(first);
        decimalPart = pattern.mid(first + 1);
        parsed.hasDecimalPoint = true;
    }
    parsed.grouping = parsed.grouping || integerPart.contains(u',');
    parsed.minIntegerDigits = static_cast<int>(integerPart.count(u'0'));
    parsed.maxDecimals = static_cast<int>(decimalPart.count(u'#') + decimalPart.count(u'0'));
    parsed.minDecimals = static_cast<int>(decimalPart.count(u'0'));
    return parsed;
}

QString GroupDigits(const QString& digits, const QString& separator) {
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped.append(separator);
        grouped.append(digits[i]);
    }
    return grouped;
}

QString TimeSeparator(const QLocale& locale) {
    static const QRegularExpression separator(QStringLiteral("[hH]+([^hHmM]+)[m]"));
    const auto match = separator.match(locale.timeFormat(QLocale::ShortFormat));
    return match.hasMatch() ? match.captured(1) : QStringLiteral(":");
}

QString TwoDigits(int value) {
    return QString::number(value).rightJustified(2, u'0').right(2);
}

// The decimal value of a non-negative double as the classic formatter sees it, 15 significant
// digits, rounded to `decimals` places with halves away from zero: its integer digits and
// exactly `decimals` decimal digits. So 2.675, stored as 2.67499999…, gives "2" and "68".
std::pair<QString, QString> RoundedDecimal(double magnitude, int decimals) {
    QString integerDigits = QStringLiteral("0");
    QString fraction;
    if (magnitude != 0) {
        const QString scientific = QString::number(magnitude, 'e', 14);  // d.dddddddddddddde±x
        const QString digits = scientific.left(1) + scientific.mid(2, 14);
        const int integerCount = scientific.mid(scientific.indexOf(u'e') + 1).toInt() + 1;
        if (integerCount <= 0) {
            fraction = QString(-integerCount, u'0') + digits;
        } else if (integerCount >= digits.size()) {
            integerDigits = digits + QString(integerCount - digits.size(), u'0');
        } else {
            integerDigits = digits.left(integerCount);
            fraction = digits.mid(integerCount);
        }
    }
    if (fraction.size() > decimals) {
        const bool up = fraction[decimals] >= u'5';
        fraction.truncate(decimals);
        if (up) {
            const QString incremented = IncrementDigits(integerDigits + fraction);
            integerDigits = incremented.left(incremented.size() - decimals);
            fraction = incremented.right(decimals);
        }
    }
    return {integerDigits, fraction.leftJustified(decimals, u'0')};
}

}  // namespace

QString IncrementDigits(QString digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = u'0';
    }
    return u'1' + digits;
}

QString FormatNumber(double value, const QString& pattern) {
    if (!std::isfinite(value)) return QString::number(value);
    const NumberPattern parsed = ParseNumberPattern(pattern);
    const QLocale locale;
    auto [integerDigits, decimals] = RoundedDecimal(std::fabs(value), parsed.maxDecimals);
    while (decimals.size() > parsed.minDecimals && decimals.endsWith(u'0')) decimals.chop(1);

    const bool zero = integerDigits.count(u'0') == integerDigits.size() &&
                      decimals.count(u'0') == decimals.size();
    integerDigits.remove(QRegularExpression(QStringLiteral("^0+")));
    if (integerDigits.size() < parsed.minIntegerDigits)
        integerDigits = integerDigits.rightJustified(parsed.minIntegerDigits, u'0');
    if (parsed.grouping) integerDigits = GroupDigits(integerDigits, locale.groupSeparator());

    QString text = (value < 0 && !zero) ? QStringLiteral("-") : QString();
    text += integerDigits;
    if (parsed.hasDecimalPoint) text += locale.decimalPoint() + decimals;
    return text;
}

QString FormatDateTime(const QDateTime& moment, const QString& pattern) {
    const QString timeSeparator = TimeSeparator(QLocale());
    const QDate date = moment.date();
    const QTime time = moment.time();
    QString text;
    bool afterHour = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QStringView pair = QStringView(pattern).mid(i, 2);
        if (pair == u"hh") {
            text += TwoDigits(time.hour());
        } else if (pair == u"mm") {
            text += TwoDigits(afterHour ? time.minute() : date.month());
        } else if (pair == u"dd") {
            text += TwoDigits(date.day());
        } else if (pair == u"yy") {
            text += TwoDigits(date.year() % 100);
        } else {
            text += pattern[i] == u':' ? timeSeparator : QString(pattern[i]);
            ++i;
            continue;
        }
        afterHour = pair == u"hh";
        i += 2;
    }
    return text;
}

QString GeneralNumber(double value) {
    if (value == 0) return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    const qsizetype exponentAt = text.indexOf(u'e');
    QString mantissa = exponentAt < 0 ? text : text.left(exponentAt);
    QString exponent = exponentAt < 0 ? QString() : text.mid(exponentAt + 1);
    mantissa.replace(u'.', QLocale().decimalPoint());
    if (exponent.isEmpty()) return mantissa;
    // Two digits at least, as in 1E+15 and 1,5E-07.
    const QChar sign = exponent.at(0);
    QString digits = exponent.mid(1).rightJustified(2, u'0');
    return mantissa + u'E' + sign + digits;
}

QString SignedNumber(int64_t value) {
    return value < 0 ? QString::number(value) : u' ' + QString::number(value);
}
