// Numbers and dates as text, by pattern, with the user's separators (the default QLocale, which
// is the system's locale unless a caller chose another).
//
// Number patterns: "#" a digit shown only when significant, "0" a digit always shown, the point
// the decimal separator (it limits the decimals, rounding), a comma asks for digit grouping. In
// "#.##0.00" the first point groups and the second is the decimal separator.
// Date patterns: "hh" hour (24-hour clock), "mm" minutes right after "hh" and the month otherwise,
// "dd" day, "yy" two-digit year, ":" the user's time separator; anything else is literal.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

QString FormatNumber(double value, const QString& pattern);
QString FormatDateTime(const QDateTime& moment, const QString& pattern);

// General number form: up to 15 significant digits, no trailing zeros, no grouping, the user's
// decimal separator, and the exponent form ("1,5E+20") only for very large or very small values.
QString GeneralNumber(double value);

// Adds one to a string of decimal digits ("199" → "200", "99" → "100").
QString IncrementDigits(QString digits);

// A whole number with a leading blank when it is not negative (" 12", "-3").
QString SignedNumber(int64_t value);
