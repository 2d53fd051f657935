// Number texts: the numeric test, banker's rounding into 16/32-bit whole numbers, the prefix read,
// the print style of written numbers and the display patterns, under "." and "," locales.
#include "NumberFormat.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace NumberFormat;

class tst_NumberFormat : public QObject {
    Q_OBJECT
private slots:
    void numericTest_data();
    void numericTest();
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void textToWholeNumbers_data();
    void textToWholeNumbers();
    void prefixRead_data();
    void prefixRead();
    void printStyleOfNumbers_data();
    void printStyleOfNumbers();
    void standardTextOfDouble_data();
    void standardTextOfDouble();
    void displayPatterns_data();
    void displayPatterns();
    void patternsFollowDefaultLocale();
    void formatAt8RightAligns();
};

void tst_NumberFormat::numericTest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::newRow("digits") << "12"
                            << "." << true << 12.0;
    QTest::newRow("minus") << "-5"
                           << "." << true << -5.0;
    QTest::newRow("plus") << "+5"
                          << "." << true << 5.0;
    QTest::newRow("blanks_around") << " \t1.5  "
                                   << "." << true << 1.5;
    QTest::newRow("no_integer_digits") << ".5"
                                       << "." << true << 0.5;
    QTest::newRow("no_fraction_digits") << "5."
                                        << "." << true << 5.0;
    QTest::newRow("exponent") << "1E3"
                              << "." << true << 1000.0;
    QTest::newRow("negative_exponent") << "-2.5e-1"
                                       << "." << true << -0.25;
    QTest::newRow("comma_locale") << "1,5"
                                  << "," << true << 1.5;
    QTest::newRow("underflow_is_zero") << "1e-400"
                                       << "." << true << 0.0;
    QTest::newRow("empty") << ""
                           << "." << false << 0.0;
    QTest::newRow("blanks_only") << "   "
                                 << "." << false << 0.0;
    QTest::newRow("sign_only") << "-"
                               << "." << false << 0.0;
    QTest::newRow("point_only") << "."
                                << "." << false << 0.0;
    QTest::newRow("other_separator") << "1,5"
                                     << "." << false << 0.0;
    QTest::newRow("point_in_comma_locale") << "1.5"
                                           << "," << false << 0.0;
    QTest::newRow("grouping") << "1,000"
                              << "." << false << 0.0;
    QTest::newRow("question_mark") << "1?5"
                                   << "." << false << 0.0;
    QTest::newRow("bare_exponent") << "1e"
                                   << "." << false << 0.0;
    QTest::newRow("trailing_letters") << "12abc"
                                      << "." << false << 0.0;
    QTest::newRow("hex_prefix") << "0x10"
                                << "." << false << 0.0;
    QTest::newRow("currency") << "$5"
                              << "." << false << 0.0;
    QTest::newRow("trailing_sign") << "5-"
                                   << "." << false << 0.0;
    QTest::newRow("inner_blank") << "1 2"
                                 << "." << false << 0.0;
    QTest::newRow("two_signs") << "--1"
                               << "." << false << 0.0;
    QTest::newRow("infinity_word") << "inf"
                                   << "." << false << 0.0;
    QTest::newRow("overflow") << "1e999"
                              << "." << false << 0.0;
    QTest::newRow("no_separator_allowed") << "1.5"
                                          << "" << false << 0.0;
}

void tst_NumberFormat::numericTest()
{
    QFETCH(QString, text);
    QFETCH(QString, sep);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    QCOMPARE(isNumericText(text, sep), numeric);
    const auto parsed = parseNumber(text, sep);
    QCOMPARE(parsed.has_value(), numeric);
    if (parsed)
        QCOMPARE(*parsed, value);
}

void tst_NumberFormat::roundsHalfToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("3.5") << 3.5 << 4.0;
    QTest::newRow("-0.5") << -0.5 << 0.0;
    QTest::newRow("-1.5") << -1.5 << -2.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("2.4999") << 2.4999 << 2.0;
    QTest::newRow("2.5001") << 2.5001 << 3.0;
    QTest::newRow("-2.6") << -2.6 << -3.0;
}

void tst_NumberFormat::roundsHalfToEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(roundHalfEven(value), rounded);
}

void tst_NumberFormat::textToWholeNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<bool>("fits16");
    QTest::addColumn<int>("value16");
    QTest::addColumn<bool>("fits32");
    QTest::addColumn<qint64>("value32");
    QTest::newRow("2.5_to_even") << "2.5"
                                 << "." << true << 2 << true << qint64(2);
    QTest::newRow("3.5_to_even") << "3.5"
                                 << "." << true << 4 << true << qint64(4);
    QTest::newRow("minus_2.5") << "-2.5"
                               << "." << true << -2 << true << qint64(-2);
    QTest::newRow("32767.4") << "32767.4"
                             << "." << true << 32767 << true << qint64(32767);
    QTest::newRow("32767.5_overflows") << "32767.5"
                                       << "." << false << 0 << true << qint64(32768);
    QTest::newRow("-32768.5_to_even") << "-32768.5"
                                      << "." << true << -32768 << true << qint64(-32768);
    QTest::newRow("-32768.6_overflows") << "-32768.6"
                                        << "." << false << 0 << true << qint64(-32769);
    QTest::newRow("40000") << "40000"
                           << "." << false << 0 << true << qint64(40000);
    QTest::newRow("long_max_half") << "2147483647.5"
                                   << "." << false << 0 << false << qint64(0);
    QTest::newRow("long_min_half") << "-2147483648.5"
                                   << "." << false << 0 << true << qint64(std::numeric_limits<qint32>::min());
    QTest::newRow("3e9") << "3e9"
                         << "." << false << 0 << false << qint64(0);
    QTest::newRow("comma_locale") << " 1,5 "
                                  << "," << true << 2 << true << qint64(2);
    QTest::newRow("not_a_number") << "abc"
                                  << "." << false << 0 << false << qint64(0);
    QTest::newRow("empty") << ""
                           << "." << false << 0 << false << qint64(0);
}

void tst_NumberFormat::textToWholeNumbers()
{
    QFETCH(QString, text);
    QFETCH(QString, sep);
    QFETCH(bool, fits16);
    QFETCH(int, value16);
    QFETCH(bool, fits32);
    QFETCH(qint64, value32);
    const auto v16 = textToInt16(text, sep);
    QCOMPARE(v16.has_value(), fits16);
    if (v16)
        QCOMPARE(int(*v16), value16);
    const auto v32 = textToInt32(text, sep);
    QCOMPARE(v32.has_value(), fits32);
    if (v32)
        QCOMPARE(qint64(*v32), value32);
}

void tst_NumberFormat::prefixRead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("letters_after") << "12abc" << 12.0;
    QTest::newRow("bare_exponent") << "  -3.5e" << -3.5;
    QTest::newRow("letters_only") << "abc" << 0.0;
    QTest::newRow("exponent") << "1e3x" << 1000.0;
    QTest::newRow("fraction") << ".5" << 0.5;
    QTest::newRow("negative_fraction") << "-.5" << -0.5;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign_only") << "-" << 0.0;
    QTest::newRow("second_point") << "1.2.3" << 1.2;
    QTest::newRow("comma_stops") << "1,5" << 1.0;
    QTest::newRow("blank_stops") << "1 2" << 1.0;
    QTest::newRow("no_inf_word") << "inf" << 0.0;
    QTest::newRow("no_nan_word") << "nan" << 0.0;
    QTest::newRow("no_hex") << "0x1A" << 0.0;
    QTest::newRow("underflow") << "1e-999" << 0.0;
    QTest::newRow("overflow") << "1e999" << std::numeric_limits<double>::infinity();
    QTest::newRow("negative_overflow") << "-1e999" << -std::numeric_limits<double>::infinity();
    QTest::newRow("long_digits_overflow") << QString(400, u'9') << std::numeric_limits<double>::infinity();
}

void tst_NumberFormat::prefixRead()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(valPrefix(text), value);
}

void tst_NumberFormat::printStyleOfNumbers_data()
{
    QTest::addColumn<QString>("printed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("long_300") << printStyle(qint64(300)) << " 300 ";
    QTest::newRow("long_-306") << printStyle(qint64(-306)) << "-306 ";
    QTest::newRow("long_0") << printStyle(qint64(0)) << " 0 ";
    QTest::newRow("long_marker") << printStyle(qint64(-999999)) << "-999999 ";
    QTest::newRow("double_half") << printStyle(0.5) << " .5 ";
    QTest::newRow("double_-quarter") << printStyle(-0.25) << "-.25 ";
    QTest::newRow("double_0") << printStyle(0.0) << " 0 ";
    QTest::newRow("double_-0") << printStyle(-0.0) << " 0 ";
    QTest::newRow("double_123456") << printStyle(123456.0) << " 123456 ";
    QTest::newRow("double_sum_noise") << printStyle(0.1 + 0.2) << " .3 ";
    QTest::newRow("double_1E+20") << printStyle(1e20) << " 1E+20 ";
    QTest::newRow("double_15_digits") << printStyle(123456789012345.0) << " 123456789012345 ";
    QTest::newRow("double_1E+15") << printStyle(1e15) << " 1E+15 ";
    QTest::newRow("double_small_fixed") << printStyle(0.0001) << " .0001 ";
    QTest::newRow("double_small_exponent") << printStyle(1.5e-5) << " 1.5E-05 ";
    QTest::newRow("double_fraction_of_height") << printStyle(0.013) << " .013 ";
    QTest::newRow("single_third") << printStyleSingle(1.0f / 3.0f) << " .3333333 ";
    QTest::newRow("single_tenth") << printStyleSingle(0.1f) << " .1 ";
    QTest::newRow("single_7_digits") << printStyleSingle(1234567.0f) << " 1234567 ";
    QTest::newRow("single_8_digits") << printStyleSingle(12345678.0f) << " 1.234568E+07 ";
    QTest::newRow("single_1E+20") << printStyleSingle(1e20f) << " 1E+20 ";
    QTest::newRow("single_negative") << printStyleSingle(-2.75f) << "-2.75 ";
    QTest::newRow("general_leading_zero") << generalText(0.5, 15, true) << "0.5";
}

void tst_NumberFormat::printStyleOfNumbers()
{
    QFETCH(QString, printed);
    QFETCH(QString, expected);
    QCOMPARE(printed, expected);
}

void tst_NumberFormat::standardTextOfDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<QString>("expected");
    QTest::newRow("half") << 0.5 << "."
                          << "0.5";
    QTest::newRow("negative_quarter") << -0.25 << "."
                                      << "-0.25";
    QTest::newRow("reading") << 12.345 << "."
                             << "12.345";
    QTest::newRow("whole") << 1398.0 << "."
                           << "1398";
    QTest::newRow("large") << 1e20 << "."
                           << "1E+20";
    QTest::newRow("comma_locale") << 1.5 << ","
                                  << "1,5";
}

void tst_NumberFormat::standardTextOfDouble()
{
    QFETCH(double, value);
    QFETCH(QString, sep);
    QFETCH(QString, expected);
    QCOMPARE(standardText(value, sep), expected);
}

void tst_NumberFormat::displayPatterns_data()
{
    QTest::addColumn<QString>("formatted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("000.000_5.2") << format000_000(5.2, ".") << "005.200";
    QTest::newRow("000.000_-1.5") << format000_000(-1.5, ".") << "-001.500";
    QTest::newRow("000.000_wide") << format000_000(1234.5678, ".") << "1234.568";
    QTest::newRow("000.000_zero") << format000_000(0.0, ".") << "000.000";
    QTest::newRow("000.000_tiny_negative") << format000_000(-0.0001, ".") << "000.000";
    QTest::newRow("000.000_decimal_half_up") << format000_000(1.2345, ".") << "001.235";
    QTest::newRow("000.000_carry") << format000_000(999.9996, ".") << "1000.000";
    QTest::newRow("000.000_comma") << format000_000(5.2, ",") << "005,200";
    QTest::newRow("0.000_half") << format0_000(0.5, ".") << "0.500";
    QTest::newRow("0.000_negative") << format0_000(-0.25, ".") << "-0.250";
    QTest::newRow("0.000_comma") << format0_000(12.3456, ",") << "12,346";
    QTest::newRow("0_half_away") << format0(2.5) << "3";
    QTest::newRow("0_negative_half_away") << format0(-2.5) << "-3";
    QTest::newRow("0_below_half") << format0(0.4) << "0";
    QTest::newRow("0_large") << format0(1e20) << "100000000000000000000";
    QTest::newRow("#####0.0_round") << format0_0(12.34, ".") << "12.3";
    QTest::newRow("#####0.0_small") << format0_0(0.05, ".") << "0.1";
    QTest::newRow("#####0.0_carry") << format0_0(99.96, ".") << "100.0";
    QTest::newRow("#####0.0_comma") << format0_0(1500.0, ",") << "1500,0";
}

void tst_NumberFormat::displayPatterns()
{
    QFETCH(QString, formatted);
    QFETCH(QString, expected);
    QCOMPARE(formatted, expected);
}

void tst_NumberFormat::patternsFollowDefaultLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    QCOMPARE(localeDecimalSep(), QStringLiteral(","));
    QCOMPARE(format000_000(-1.5), QStringLiteral("-001,500"));
    QCOMPARE(format0_000(2.0), QStringLiteral("2,000"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(format000_000(-1.5), QStringLiteral("-001.500"));
    QLocale::setDefault(saved);
}

void tst_NumberFormat::formatAt8RightAligns()
{
    QCOMPARE(formatAt8(QStringLiteral("1.5")), QStringLiteral("     1.5"));
    QCOMPARE(formatAt8(QStringLiteral("-1234.567")), QStringLiteral("-1234.567"));
    QCOMPARE(formatAt8(QString()), QString(8, u' '));
}

QTEST_GUILESS_MAIN(tst_NumberFormat)
#include "tst_numberformat.moc"
