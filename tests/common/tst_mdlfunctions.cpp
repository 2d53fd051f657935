// The number-text routines: device texts under "." and "," locales, numeric tests, bit texts,
// the general date text, placing, range statistics with their messages, and header alignment.
#include "Controls.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "Seams.h"

#include <QtTest>

using namespace MdlFunctions;

namespace {

// Sets the default locale and the program's separator for one test, and puts both back.
class LocaleScope {
public:
    LocaleScope(const QLocale &locale, const QString &programSep) : m_sep(strDecimalSep())
    {
        QLocale::setDefault(locale);
        setStrDecimalSep(programSep);
    }
    ~LocaleScope()
    {
        QLocale::setDefault(m_locale);
        setStrDecimalSep(m_sep);
    }

private:
    QLocale m_locale;
    QString m_sep;
};

const QLocale English(QLocale::English, QLocale::UnitedStates);
const QLocale German(QLocale::German, QLocale::Germany);

struct Stats {
    bool ok = false;
    QString message;
    qint32 count = -7, average = -7, min = -7, max = -7;
    qint64 delta1 = -7, delta2 = -7;
    qint32 cntMin = -7, cntMax = -7;
};

Stats runStatistics(const QStringList &values, qint32 first, qint32 last)
{
    Stats s;
    const Status status = GetStatistics(values, first, last, s.count, s.average, s.min, s.max, s.delta1,
                                        s.delta2, s.cntMin, s.cntMax);
    s.ok = status.ok();
    s.message = status.message;
    return s;
}

// The same statistics over the numbers of the texts, as a loaded slot holds them: a text that is no
// number stands as 0 and is listed as such.
Stats runCountStatistics(const QStringList &values, qint32 first, qint32 last)
{
    std::vector<double> numbers;
    std::vector<qint32> notNumbers;
    for (const QString &text : values) {
        const auto v = NumberFormat::parseNumber(text, u".");
        if (!v)
            notNumbers.push_back(qint32(numbers.size()));
        numbers.push_back(v.value_or(0));
    }
    Stats s;
    CountStatistics c{-7, -7, -7, -7, -7, -7, -7, -7};
    const Status status = GetCountStatistics(numbers, first, last, c, notNumbers);
    s = {status.ok(), status.message, c.count,  c.average, c.min,
         c.max,       c.delta1,       c.delta2, c.cntMin,  c.cntMax};
    return s;
}

QStringList texts(std::initializer_list<int> values)
{
    QStringList list;
    for (const int v : values)
        list << QString::number(v);
    return list;
}

const QString Header = QStringLiteral("Average Minimum Maximum Delta1 Delta2 Cnt1 Cnt2");

} // namespace

class tst_MdlFunctions : public QObject {
    Q_OBJECT
private slots:
    void textToNumber_data();
    void textToNumber();
    void isNumberText_data();
    void isNumberText();
    void decimalSeparatorOfLocale();
    void digitTests_data();
    void digitTests();
    void bitTexts_data();
    void bitTexts();
    void generalDateText();
    void placeRightOfCopiesTopAndHeight();
    void statistics_data();
    void statistics();
    void statisticsParameterMessages_data();
    void statisticsParameterMessages();
    void statisticsSumsLongRangesIn64Bits();
    void statisticsRunsNoEventsAndKeepsItsValues();
    void rawToValue();
    void compactNonBlank();
    void alignToTemplate_data();
    void alignToTemplate();
    void alignStatisticsLineUnderHeader_data();
    void alignStatisticsLineUnderHeader();
};

void tst_MdlFunctions::textToNumber_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("programSep");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("message");
    QTest::newRow("point_fraction") << English << "."
                                    << ".5" << 0.5 << false;
    QTest::newRow("negative_point_fraction") << English << "."
                                             << "-.5" << -0.5 << false;
    QTest::newRow("leading_blanks") << English << "."
                                    << "  12.25" << 12.25 << false;
    QTest::newRow("trailing_blanks") << English << "."
                                     << "12.25  " << 12.25 << false;
    QTest::newRow("exponent") << English << "."
                              << "1.5E3" << 1500.0 << false;
    QTest::newRow("letters") << English << "."
                             << "abc" << 0.0 << true;
    QTest::newRow("empty") << English << "."
                           << "" << 0.0 << true;
    QTest::newRow("letters_after_number") << English << "."
                                          << "12kg" << 0.0 << true;
    QTest::newRow("grouping_refused") << English << "."
                                      << "1,000" << 0.0 << true;
    QTest::newRow("monitor_comma_locale") << German << ","
                                          << "1,5" << 1.5 << false;
    QTest::newRow("monitor_comma_locale_device_point") << German << ","
                                                       << "12.345" << 12.345 << false;
    QTest::newRow("monitor_comma_locale_fraction") << German << ","
                                                   << "-,25" << -0.25 << false;
    QTest::newRow("viewer_comma_locale") << German << ""
                                         << "12.345" << 12.345 << false;
    QTest::newRow("viewer_comma_refused") << German << ""
                                          << "1,5" << 0.0 << true;
    QTest::newRow("viewer_point_locale") << English << ""
                                         << "-0.75" << -0.75 << false;
}

void tst_MdlFunctions::textToNumber()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, programSep);
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(bool, message);
    LocaleScope scope(locale, programSep);
    Zelk::MsgBoxRecorder boxes;
    Status status;
    QCOMPARE(TextToNumber(text, status), value);
    QCOMPARE(status.message, message ? QString("Not Number") : QString());
    QVERIFY(boxes.texts.isEmpty()); // the caller shows it
}

void tst_MdlFunctions::isNumberText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("point_locale_point") << English << "1.5" << true;
    QTest::newRow("point_locale_comma") << English << "1,5" << false;
    QTest::newRow("point_locale_grouping") << English << "1,000" << false;
    QTest::newRow("point_locale_negative") << English << " -12 " << true;
    QTest::newRow("comma_locale_comma") << German << "1,5" << true;
    QTest::newRow("comma_locale_point") << German << "1.5" << false;
    QTest::newRow("comma_locale_whole") << German << "12" << true;
    QTest::newRow("letters") << English << "12a" << false;
    QTest::newRow("empty") << German << "" << false;
}

void tst_MdlFunctions::isNumberText()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    LocaleScope scope(locale, QString());
    QString tested = text;
    QCOMPARE(IsNumberText(tested), numeric);
    QCOMPARE(tested, text); // put back after the test
}

void tst_MdlFunctions::decimalSeparatorOfLocale()
{
    {
        LocaleScope scope(German, QString());
        QCOMPARE(FindDecimalSeparator(), QStringLiteral(","));
    }
    LocaleScope scope(English, QString());
    QCOMPARE(FindDecimalSeparator(), QStringLiteral("."));
    QVERIFY(strDecimalSep().isEmpty());
}

void tst_MdlFunctions::digitTests_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asciiDigits");
    QTest::addColumn<bool>("digitString");
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("leading_zero") << "0123" << true << true;
    QTest::newRow("trailing_blank") << "12 " << false << true;
    QTest::newRow("blanks_around") << " 12 " << false << true;
    QTest::newRow("negative") << "-5" << false << false;
    QTest::newRow("fraction") << "1.5" << false << false;
    QTest::newRow("exponent") << "1e3" << false << false;
    QTest::newRow("letters") << "12a" << false << false;
    QTest::newRow("arabic_indic_digits") << QString::fromUtf8("\u0661\u0662") << false << false;
}

void tst_MdlFunctions::digitTests()
{
    QFETCH(QString, text);
    QFETCH(bool, asciiDigits);
    QFETCH(bool, digitString);
    LocaleScope scope(English, QString());
    QCOMPARE(IsAsciiDigits(text), asciiDigits);
    QCOMPARE(IsDigitString(text), digitString);
}

void tst_MdlFunctions::bitTexts_data()
{
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QString>("expected");
    QTest::newRow("byte_1") << ByteToBits(1) << "00000001";
    QTest::newRow("byte_5") << ByteToBits(5) << "00000101";
    QTest::newRow("byte_255") << ByteToBits(255) << "11111111";
    QTest::newRow("byte_low_bits_of_256") << ByteToBits(256) << "00000000";
    QTest::newRow("byte_low_bits_of_-1") << ByteToBits(-1) << "11111111";
    QTest::newRow("int_1023_10") << IntToBits(1023, 10) << "1111111111";
    QTest::newRow("int_5_4") << IntToBits(5, 4) << "0101";
    QTest::newRow("int_512_10") << IntToBits(512, 10) << "1000000000";
    QTest::newRow("int_0_bits") << IntToBits(7, 0) << "";
    QTest::newRow("int_more_than_16") << IntToBits(3, 18) << "000000000000000011";
}

void tst_MdlFunctions::bitTexts()
{
    QFETCH(QString, bits);
    QFETCH(QString, expected);
    QCOMPARE(bits, expected);
}

void tst_MdlFunctions::generalDateText()
{
    const QDate date(2004, 2, 19);
    const QString text = GeneralDateText(QDateTime(date, QTime(10, 30, 53)), English);
    QCOMPARE(text, English.toString(date, QLocale::ShortFormat) + QStringLiteral(" 10:30:53 AM"));
    QCOMPARE(GeneralDateText(QDateTime(date, QTime(0, 0)), English),
             English.toString(date, QLocale::ShortFormat));
    QCOMPARE(GeneralDateText(QDateTime(date, QTime(22, 5, 1)), German),
             German.toString(date, QLocale::ShortFormat) + QStringLiteral(" 22:05:01"));
    QVERIFY(!NowText().isEmpty());
}

void tst_MdlFunctions::placeRightOfCopiesTopAndHeight()
{
    QWidget form;
    auto *a = new QWidget(&form);
    auto *b = new QWidget(&form);
    const int px = Zelk::pixelsToTwips(1);
    Zelk::setGeometryTwips(a, 100 * px, 20 * px, 50 * px, 30 * px);
    Zelk::setGeometryTwips(b, 0, 0, 40 * px, 10 * px);
    PlaceRightOf(a, b, 2 * px);
    QCOMPARE(Zelk::geometryTwips(b), QRect(152 * px, 20 * px, 40 * px, 30 * px));
    PlaceRightOf(nullptr, b, 0); // nothing to place against: nothing happens
    QCOMPARE(Zelk::geometryTwips(b), QRect(152 * px, 20 * px, 40 * px, 30 * px));
}

void tst_MdlFunctions::statistics_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QList<qint64>>("expected"); // count avg min max delta1 delta2 cntMin cntMax
    QTest::newRow("three_values") << texts({3, 1, 3}) << 0 << 2 << QList<qint64>{3, 2, 1, 3, -1, 1, 1, 2};
    QTest::newRow("all_equal_count_for_both")
        << texts({4, 4, 4}) << 0 << 2 << QList<qint64>{3, 4, 4, 4, 0, 0, 3, 3};
    QTest::newRow("maximum_repeated_before_minimum")
        << texts({3, 3, 1}) << 0 << 2 << QList<qint64>{3, 2, 1, 3, -1, 1, 1, 2};
    QTest::newRow("no_numbers_outside_range")
        << QStringList{"x", "5", ""} << 1 << 1 << QList<qint64>{1, 5, 5, 5, 0, 0, 1, 1};
    QTest::newRow("first_equals_last")
        << texts({9, 42, 9}) << 1 << 1 << QList<qint64>{1, 42, 42, 42, 0, 0, 1, 1};
    QTest::newRow("inner_range") << texts({100, 5, 7, 5, 100}) << 1 << 3
                                 << QList<qint64>{3, 6, 5, 7, -1, 1, 2, 1};
    QTest::newRow("average_half_to_even_up")
        << texts({1, 2}) << 0 << 1 << QList<qint64>{2, 2, 1, 2, -1, 0, 1, 1};
    QTest::newRow("average_half_to_even_down")
        << texts({2, 3}) << 0 << 1 << QList<qint64>{2, 2, 2, 3, 0, 1, 1, 1};
    QTest::newRow("average_negative_half")
        << texts({-1, -2}) << 0 << 1 << QList<qint64>{2, -2, -2, -1, 0, 1, 1, 1};
    QTest::newRow("average_zero_half") << texts({0, 1}) << 0 << 1 << QList<qint64>{2, 0, 0, 1, 0, 1, 1, 1};
    QTest::newRow("fraction_texts_rounded")
        << QStringList{"2.5", "3.5", " 801 "} << 0 << 2 << QList<qint64>{3, 269, 2, 801, -267, 532, 1, 1};
    QTest::newRow("extremes_of_long")
        << QStringList{"-2147483648", "2147483647"} << 0 << 1
        << QList<qint64>{2, 0, -2147483648LL, 2147483647LL, -2147483648LL, 2147483647LL, 1, 1};
}

void tst_MdlFunctions::statistics()
{
    QFETCH(QStringList, values);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QList<qint64>, expected);
    Zelk::MsgBoxRecorder boxes;
    for (const Stats &s : {runStatistics(values, first, last), runCountStatistics(values, first, last)}) {
        QVERIFY(s.ok);
        QCOMPARE((QList<qint64>{s.count, s.average, s.min, s.max, s.delta1, s.delta2, s.cntMin, s.cntMax}),
                 expected);
    }
    QVERIFY(boxes.texts.isEmpty());
}

void tst_MdlFunctions::statisticsParameterMessages_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("message");
    const QString prefix = QStringLiteral("Invalid parameters in function GetStatistics ");
    QTest::newRow("first_after_last") << texts({1, 2, 3}) << 2 << 1 << prefix + " MinIndex > MaxIndex ";
    QTest::newRow("last_beyond_array") << texts({1, 2, 3}) << 0 << 3 << prefix + "L_HiIndex > MaxIndex ";
    QTest::newRow("empty_array") << QStringList{} << 0 << 0 << prefix + "L_HiIndex > MaxIndex ";
    QTest::newRow("negative_first") << texts({1, 2, 3}) << -1 << 2 << prefix + "L_LoIndex < 0 ";
    QTest::newRow("element_not_a_number")
        << QStringList{"1", "x", "3"} << 0 << 2 << prefix + "Not a whole number at index 1 ";
    QTest::newRow("first_of_two_elements_not_a_number")
        << QStringList{"1", "2", "", "x"} << 1 << 3 << prefix + "Not a whole number at index 2 ";
    QTest::newRow("element_beyond_long")
        << QStringList{"1", "3000000000"} << 0 << 1 << prefix + "Not a whole number at index 1 ";
}

void tst_MdlFunctions::statisticsParameterMessages()
{
    QFETCH(QStringList, values);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, message);
    Zelk::MsgBoxRecorder boxes;
    for (const Stats &s : {runStatistics(values, first, last), runCountStatistics(values, first, last)}) {
        QVERIFY(!s.ok);
        QCOMPARE(s.message, message);
        // outputs untouched
        QCOMPARE((QList<qint64>{s.count, s.average, s.min, s.max, s.delta1, s.delta2, s.cntMin, s.cntMax}),
                 QList<qint64>(8, -7));
    }
    QVERIFY(boxes.texts.isEmpty()); // the caller shows it
}

void tst_MdlFunctions::statisticsSumsLongRangesIn64Bits()
{
    QStringList values(3'000'000, QStringLiteral("2000000000"));
    values[1'000'000] = QStringLiteral("1999999999");
    const Stats s = runStatistics(values, 0, 2'999'999);
    QVERIFY(s.ok);
    QCOMPARE(s.count, 3'000'000);
    QCOMPARE(s.average, 2'000'000'000); // 2e9 - 1/3e6, rounded
    QCOMPARE(s.min, 1'999'999'999);
    QCOMPARE(s.max, 2'000'000'000);
    QCOMPARE(s.delta1, qint64(-1));
    QCOMPARE(s.delta2, qint64(0));
    QCOMPARE(s.cntMin, 1);
    QCOMPARE(s.cntMax, 2'999'999);
}

void tst_MdlFunctions::statisticsRunsNoEventsAndKeepsItsValues()
{
    QStringList values(100'000, QStringLiteral("10"));
    values.last() = QStringLiteral("20");
    bool eventRan = false;
    QTimer::singleShot(0, this, [&] {
        eventRan = true;
        values.fill(QStringLiteral("999")); // the caller's list changes mid-pass
    });
    const Stats s = runStatistics(values, 0, 99'999);
    QVERIFY(!eventRan); // a long pass stays responsive only if its caller lets events run
    QVERIFY(s.ok);
    QCOMPARE(s.max, 20);
    QCOMPARE(s.min, 10);
    QCOMPARE(s.cntMin, 99'999);
}

void tst_MdlFunctions::rawToValue()
{
    float value = 0;
    QVERIFY(RawToValue(100, 1.5f, 0.5f, value));
    QCOMPARE(value, 51.5f);
    QVERIFY(RawToValue(-801, 0.234f, 0.0002f, value));
    QCOMPARE(value, float(-801 * double(0.0002f) + double(0.234f)));
    QVERIFY(!RawToValue(2'000'000'000, 0.0f, 3e38f, value));
    QVERIFY(std::isinf(value));
}

void tst_MdlFunctions::compactNonBlank()
{
    QStringList out{"old"};
    CompactNonBlank(QStringList{"a", "", "  ", "b"}, out);
    QCOMPARE(out, (QStringList{"", "a", "b", "", ""}));
    CompactNonBlank(QStringList{}, out);
    QCOMPARE(out, QStringList{""});
}

void tst_MdlFunctions::alignToTemplate_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QStringList>("values"); // from index 1
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("each_value_ends_under_its_word") << "Abc Def " << QStringList{"", "7", "12"} << ""
                                                    << "  7  12";
    QTest::newRow("last_word_without_blank") << "Abc Def" << QStringList{"", "7", "12"} << ""
                                             << "  7";
    QTest::newRow("leading_blanks_dropped") << "   Abc Def " << QStringList{"", "7", "12"} << ""
                                            << "  7  12";
    QTest::newRow("appends") << "Abc " << QStringList{"", "7"} << "x:"
                             << "x:  7";
    QTest::newRow("wider_gap_kept") << "Ab   Cd " << QStringList{"", "1", "2"} << ""
                                    << " 1    2";
    QTest::newRow("long_value_whole") << "Ab " << QStringList{"", "12345"} << ""
                                      << "12345";
    QTest::newRow("fewer_values_than_words") << "Ab Cd Ef " << QStringList{"", "1"} << ""
                                             << " 1";
    QTest::newRow("no_values") << "Ab Cd " << QStringList{""} << ""
                               << "";
    QTest::newRow("blank_template") << "   " << QStringList{"", "1"} << ""
                                    << "";
}

void tst_MdlFunctions::alignToTemplate()
{
    QFETCH(QString, templ);
    QFETCH(QStringList, values);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QString result = before;
    AlignToTemplate(templ, QStringLiteral(" "), values, result);
    QCOMPARE(result, after);
}

void tst_MdlFunctions::alignStatisticsLineUnderHeader_data()
{
    QTest::addColumn<QString>("templ");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("line");
    QTest::newRow("header_with_trailing_blank") << Header + u' ' << " 1107  801  1398 -306  291  1  1"
                                                << "   1107     801    1398   -306    291    1    1";
    QTest::newRow("header_as_written_drops_cnt2") << Header << "1107 801 1398 -306 291 1 2"
                                                  << "   1107     801    1398   -306    291    1";
    QTest::newRow("engineering_values") << Header + u' ' << " 0.456 0.394 0.514 -0.062 0.058 12 3"
                                        << "  0.456   0.394   0.514 -0.062  0.058   12    3";
}

void tst_MdlFunctions::alignStatisticsLineUnderHeader()
{
    QFETCH(QString, templ);
    QFETCH(QString, values);
    QFETCH(QString, line);
    QString result = QStringLiteral("stale");
    AlignLineToTemplate(templ, QStringLiteral("ignored"), values, result);
    QCOMPARE(result, line);
    // every value ends where its word ends
    const QStringList words = templ.split(u' ', Qt::SkipEmptyParts);
    qsizetype wordEnd = -1;
    for (qsizetype k = 0; k + 1 < words.size() || (templ.endsWith(u' ') && k < words.size()); ++k) {
        wordEnd = templ.indexOf(words[k], wordEnd + 1) + words[k].size();
        QVERIFY2(result.size() >= wordEnd && result[wordEnd - 1] != u' ', qPrintable(words[k]));
    }
}

QTEST_MAIN(tst_MdlFunctions)
#include "tst_mdlfunctions.moc"
