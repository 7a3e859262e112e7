// Numbers and dates by pattern, with the separators of the user's locale.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

#include "Format.h"

namespace {

// Runs a test under one locale and puts the previous default back afterwards.
class LocaleTest : public ::testing::Test {
  protected:
    void TearDown() override { QLocale::setDefault(previous_); }
    static void Use(QLocale::Language language, QLocale::Country country) {
        QLocale::setDefault(QLocale(language, country));
    }

  private:
    QLocale previous_;
};

class GermanFormat : public LocaleTest {
  protected:
    void SetUp() override { Use(QLocale::German, QLocale::Germany); }
};

class EnglishFormat : public LocaleTest {
  protected:
    void SetUp() override { Use(QLocale::English, QLocale::UnitedStates); }
};

class FinnishFormat : public LocaleTest {
  protected:
    void SetUp() override { Use(QLocale::Finnish, QLocale::Finland); }
};

const QDateTime kAfternoon(QDate(2026, 12, 6), QTime(14, 5, 59));
const QDateTime kEarlyMorning(QDate(2003, 1, 2), QTime(3, 4, 0));
const QDateTime kMidnight(QDate(2000, 10, 31), QTime(0, 0, 0));

}  // namespace

TEST_F(GermanFormat, UpToTwoDecimals) {
    EXPECT_EQ(FormatNumber(4.172, "#.##"), "4,17");
    EXPECT_EQ(FormatNumber(4.176, "#.##"), "4,18");
    EXPECT_EQ(FormatNumber(9.999, "#.##"), "10,");
    EXPECT_EQ(FormatNumber(4.1, "#.##"), "4,1");
    EXPECT_EQ(FormatNumber(4.004, "#.##"), "4,");
    EXPECT_EQ(FormatNumber(5, "#.##"), "5,");
    EXPECT_EQ(FormatNumber(0.5, "#.##"), ",5");
    EXPECT_EQ(FormatNumber(0.05, "#.##"), ",05");
    EXPECT_EQ(FormatNumber(0, "#.##"), ",");
    EXPECT_EQ(FormatNumber(123456.789, "#.##"), "123456,79");
    EXPECT_EQ(FormatNumber(-4.172, "#.##"), "-4,17");
    EXPECT_EQ(FormatNumber(-0.001, "#.##"), ",");
}

TEST_F(GermanFormat, GroupedWithTwoDecimals) {
    EXPECT_EQ(FormatNumber(1234.5, "#.##0.00"), "1.234,50");
    EXPECT_EQ(FormatNumber(0.123, "#.##0.00"), "0,12");
    EXPECT_EQ(FormatNumber(0, "#.##0.00"), "0,00");
    EXPECT_EQ(FormatNumber(12, "#.##0.00"), "12,00");
    EXPECT_EQ(FormatNumber(999.999, "#.##0.00"), "1.000,00");
    EXPECT_EQ(FormatNumber(1234567.891, "#.##0.00"), "1.234.567,89");
    EXPECT_EQ(FormatNumber(100000, "#.##0.00"), "100.000,00");
    EXPECT_EQ(FormatNumber(-1234.5, "#.##0.00"), "-1.234,50");
}

TEST_F(GermanFormat, RoundsTheDecimalValueHalfAwayFromZero) {
    // Stored as 2.67499999…, 1.00499999… and 1.01499999…: the decimal value is rounded, at 15
    // significant digits, not the binary one.
    EXPECT_EQ(FormatNumber(2.675, "#.##"), "2,68");
    EXPECT_EQ(FormatNumber(1.005, "#.##"), "1,01");
    EXPECT_EQ(FormatNumber(1.015, "#.##"), "1,02");
    EXPECT_EQ(FormatNumber(0.125, "#.##"), ",13");  // an exact half goes up, not to even
    EXPECT_EQ(FormatNumber(-2.675, "#.##"), "-2,68");
    EXPECT_EQ(FormatNumber(9.995, "#.##"), "10,");
    EXPECT_EQ(FormatNumber(1234.565, "#.##0.00"), "1.234,57");
    EXPECT_EQ(FormatNumber(0.004999999999999999, "#.##"), ",01");  // 15 digits: 0,005
    EXPECT_EQ(FormatNumber(1e20, "#.##"), "100000000000000000000,");
    EXPECT_EQ(FormatNumber(0.0001, "#.##"), ",");
}

TEST_F(EnglishFormat, NumberPatternsUseTheEnglishSeparators) {
    EXPECT_EQ(FormatNumber(4.172, "#.##"), "4.17");
    EXPECT_EQ(FormatNumber(5, "#.##"), "5.");
    EXPECT_EQ(FormatNumber(0.5, "#.##"), ".5");
    EXPECT_EQ(FormatNumber(1234.5, "#.##"), "1234.5");
    EXPECT_EQ(FormatNumber(1234.5, "#.##0.00"), "1,234.50");
    EXPECT_EQ(FormatNumber(0.123, "#.##0.00"), "0.12");
    EXPECT_EQ(FormatNumber(1234567.891, "#.##0.00"), "1,234,567.89");
}

TEST_F(GermanFormat, DatePatterns) {
    EXPECT_EQ(FormatDateTime(kAfternoon, "hh:mm dd.mm.yy"), "14:05 06.12.26");
    EXPECT_EQ(FormatDateTime(kAfternoon, "mm_dd_yy_hh_mm"), "12_06_26_14_05");
    EXPECT_EQ(FormatDateTime(kEarlyMorning, "hh:mm dd.mm.yy"), "03:04 02.01.03");
    EXPECT_EQ(FormatDateTime(kEarlyMorning, "mm_dd_yy_hh_mm"), "01_02_03_03_04");
    EXPECT_EQ(FormatDateTime(kMidnight, "hh:mm dd.mm.yy"), "00:00 31.10.00");
    EXPECT_EQ(FormatDateTime(kMidnight, "mm_dd_yy_hh_mm"), "10_31_00_00_00");
}

TEST_F(EnglishFormat, DatePatternsKeepTheirOrderAndTwentyFourHours) {
    EXPECT_EQ(FormatDateTime(kAfternoon, "hh:mm dd.mm.yy"), "14:05 06.12.26");
    EXPECT_EQ(FormatDateTime(kAfternoon, "mm_dd_yy_hh_mm"), "12_06_26_14_05");
}

TEST_F(FinnishFormat, ColonIsTheUsersTimeSeparator) {
    EXPECT_EQ(FormatDateTime(kAfternoon, "hh:mm dd.mm.yy"), "14.05 06.12.26");
    EXPECT_EQ(FormatDateTime(kAfternoon, "mm_dd_yy_hh_mm"), "12_06_26_14_05");
}

TEST_F(GermanFormat, GeneralNumber) {
    EXPECT_EQ(GeneralNumber(0), "0");
    EXPECT_EQ(GeneralNumber(100), "100");
    EXPECT_EQ(GeneralNumber(2.5), "2,5");
    EXPECT_EQ(GeneralNumber(-2.5), "-2,5");
    EXPECT_EQ(GeneralNumber(1234567.5), "1234567,5");
    EXPECT_EQ(GeneralNumber(0.1 + 0.2), "0,3");
    EXPECT_EQ(GeneralNumber(1.0 / 3), "0,333333333333333");
    EXPECT_EQ(GeneralNumber(2.0 / 3), "0,666666666666667");
    EXPECT_EQ(GeneralNumber(4.172 / 3), "1,39066666666667");
    EXPECT_EQ(GeneralNumber(100 / (4.172 / 3)), "71,9079578139981");
    EXPECT_EQ(GeneralNumber(123456789012345.0), "123456789012345");
    EXPECT_EQ(GeneralNumber(1e20), "1E+20");
    EXPECT_EQ(GeneralNumber(1.5e20), "1,5E+20");
    EXPECT_EQ(GeneralNumber(123456789012345678.0), "1,23456789012346E+17");
    EXPECT_EQ(GeneralNumber(1e-7), "1E-07");
    EXPECT_EQ(GeneralNumber(-2.5e-7), "-2,5E-07");
    EXPECT_EQ(GeneralNumber(1e100), "1E+100");
}

TEST_F(EnglishFormat, GeneralNumber) {
    EXPECT_EQ(GeneralNumber(2.5), "2.5");
    EXPECT_EQ(GeneralNumber(1234567.5), "1234567.5");
    EXPECT_EQ(GeneralNumber(4.172 / 3), "1.39066666666667");
    EXPECT_EQ(GeneralNumber(1.5e20), "1.5E+20");
    EXPECT_EQ(GeneralNumber(1e-7), "1E-07");
}

TEST(SignedNumber, BlankForNonNegativeNumbers) {
    EXPECT_EQ(SignedNumber(1), " 1");
    EXPECT_EQ(SignedNumber(0), " 0");
    EXPECT_EQ(SignedNumber(-3), "-3");
    EXPECT_EQ(SignedNumber(2147483647), " 2147483647");
    EXPECT_EQ(SignedNumber(-2147483648LL), "-2147483648");
}
