// Delimited-field input: text fields cut at commas, whole-number fields cut at blanks, quoted fields,
// whole lines and reading past the end of the data.
#include "FieldReader.h"

#include <QtTest>

using Status = FieldReader::Status;
Q_DECLARE_METATYPE(FieldReader::Status)

class tst_FieldReader : public QObject {
    Q_OBJECT
private slots:
    void textFields_data();
    void textFields();
    void wholeNumberFields_data();
    void wholeNumberFields();
    void settingsFileLines();
    void historyFileSequence();
    void wholeLines();
    void readingPastTheEnd();
    void bytesInSystemCodePage();
};

// Reads text fields until the data ends; every field and the first failure status.
static QStringList allTextFields(const QString &data)
{
    FieldReader reader(data);
    QStringList fields;
    for (auto f = reader.readText(); f.ok(); f = reader.readText())
        fields << f.value;
    return fields;
}

void tst_FieldReader::textFields_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("comma_and_line_end") << "a,b\r\nc\r\n" << QStringList{"a", "b", "c"};
    QTest::newRow("leading_blanks_skipped") << "key,   value\r\n" << QStringList{"key", "value"};
    QTest::newRow("blanks_before_comma_kept") << "ab  ,c" << QStringList{"ab  ", "c"};
    QTest::newRow("comma_shifts_fields") << "Start_Sample_TimeOut, 5,000\r\nX-mode, 1\r\n"
                                         << QStringList{"Start_Sample_TimeOut", "5", "000", "X-mode", "1"};
    QTest::newRow("quoted_with_comma") << "\"a, b\" , c\r\n" << QStringList{"a, b", "c"};
    QTest::newRow("text_after_quote_skipped") << "\"ab\"xy,z" << QStringList{"ab", "z"};
    QTest::newRow("quote_not_closed") << "\"abc\r\nx" << QStringList{"abc", "x"};
    QTest::newRow("empty_line_is_empty_field") << "\r\nx" << QStringList{"", "x"};
    QTest::newRow("empty_between_commas") << "a,,b" << QStringList{"a", "", "b"};
    QTest::newRow("lf_and_cr_line_ends") << "a\nb\rc" << QStringList{"a", "b", "c"};
    QTest::newRow("last_line_without_end") << "a,b" << QStringList{"a", "b"};
}

void tst_FieldReader::textFields()
{
    QFETCH(QString, data);
    QFETCH(QStringList, fields);
    QCOMPARE(allTextFields(data), fields);
}

void tst_FieldReader::wholeNumberFields_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("value");
    QTest::addColumn<Status>("status16");
    QTest::newRow("plain") << " 300 " << Status::Ok << 300 << Status::Ok;
    QTest::newRow("marker") << "-999999  0" << Status::Ok << -999999 << Status::Overflow;
    QTest::newRow("ends_at_comma") << "-1, -1" << Status::Ok << -1 << Status::Ok;
    QTest::newRow("fraction_to_even") << "2.5 " << Status::Ok << 2 << Status::Ok;
    QTest::newRow("16bit_edge") << "-32768.5" << Status::Ok << -32768 << Status::Ok;
    QTest::newRow("16bit_overflow") << "40000" << Status::Ok << 40000 << Status::Overflow;
    QTest::newRow("32bit_overflow") << "3000000000" << Status::Overflow << 0 << Status::Overflow;
    QTest::newRow("not_a_number") << "abc" << Status::NotANumber << 0 << Status::NotANumber;
    QTest::newRow("letters_after_digits") << "12x 5" << Status::NotANumber << 0 << Status::NotANumber;
    QTest::newRow("empty_field") << ",5" << Status::Ok << 0 << Status::Ok;
    QTest::newRow("blank_lines_skipped") << "\r\n\r\n  7" << Status::Ok << 7 << Status::Ok;
    QTest::newRow("nothing_left") << "  \r\n" << Status::PastEnd << 0 << Status::PastEnd;
}

void tst_FieldReader::wholeNumberFields()
{
    QFETCH(QString, data);
    QFETCH(Status, status);
    QFETCH(int, value);
    QFETCH(Status, status16);
    FieldReader reader(data);
    const auto wide = reader.readLong();
    QCOMPARE(wide.status, status);
    QCOMPARE(wide.value, value);
    FieldReader again(data);
    const auto narrow = again.readInteger();
    QCOMPARE(narrow.status, status16);
    if (narrow.ok())
        QCOMPARE(int(narrow.value), value);
}

void tst_FieldReader::settingsFileLines()
{
    FieldReader reader(
        QStringLiteral("IPaddress,127.0.0.1:8080\r\nStartOutStatus, 1\r\n"
                       "SetPointCheckBoxStart, 0\r\nStart_Sample_Time, \r\n"
                       "Start_Sample_TimeOut, 5000\r\nX-mode:Samplings_or_Milisec:, 2\r\nvzt\r\n"));
    QStringList values;
    for (int i = 0; i < 6; ++i) {
        QVERIFY(reader.readText().ok());
        const auto value = reader.readText();
        QVERIFY(value.ok());
        values << value.value;
    }
    QCOMPARE(values, (QStringList{"127.0.0.1:8080", "1", "0", "", "5000", "2"}));
    QCOMPARE(reader.readLine().value, QStringLiteral("vzt"));
    QVERIFY(reader.atEnd());
}

void tst_FieldReader::historyFileSequence()
{
    FieldReader reader(QStringLiteral("Timer2Interval,  300 \r\n"
                                      "-999999  0  5  3  1500  2 \r\n"
                                      " 0  12.345\r\n"
                                      " 1  12.350\r\n"
                                      "-1, -1\r\n"
                                      "StartDateTime:2/19/2004 10:30:53 AM\r\n"));
    QCOMPARE(reader.readText().value, QStringLiteral("Timer2Interval"));
    QCOMPARE(reader.readLong().value, 300);
    QCOMPARE(reader.readLong().value, -999999);
    QList<qint32> block;
    for (int i = 0; i < 5; ++i)
        block << reader.readLong().value;
    QCOMPARE(block, (QList<qint32>{0, 5, 3, 1500, 2}));
    QCOMPARE(reader.readLong().value, 0);
    QCOMPARE(reader.readText().value, QStringLiteral("12.345"));
    QCOMPARE(reader.readLong().value, 1);
    QCOMPARE(reader.readText().value, QStringLiteral("12.350"));
    QCOMPARE(reader.readLong().value, -1);
    QCOMPARE(reader.readText().value, QStringLiteral("-1"));
    QCOMPARE(reader.readLine().value, QStringLiteral("StartDateTime:2/19/2004 10:30:53 AM"));
    QVERIFY(reader.atEnd());
}

void tst_FieldReader::wholeLines()
{
    FieldReader reader(QStringLiteral("  36   49 0.0002 kg\r\n\r\nlf only\nlast"));
    QCOMPARE(reader.readLine().value, QStringLiteral("  36   49 0.0002 kg"));
    QCOMPARE(reader.readLine().value, QString());
    QCOMPARE(reader.readLine().value, QStringLiteral("lf only"));
    QVERIFY(!reader.atEnd());
    QCOMPARE(reader.readLine().value, QStringLiteral("last"));
    QVERIFY(reader.atEnd());
}

void tst_FieldReader::readingPastTheEnd()
{
    FieldReader reader(QStringLiteral("IPaddress,10.1.1.1\r\n"));
    QVERIFY(reader.readText().ok());
    QVERIFY(reader.readText().ok());
    QVERIFY(reader.atEnd());
    QCOMPARE(reader.readText().status, Status::PastEnd);
    QCOMPARE(reader.readLong().status, Status::PastEnd);
    QCOMPARE(reader.readLine().status, Status::PastEnd);
    FieldReader empty(QString{});
    QCOMPARE(empty.readText().status, Status::PastEnd);
}

void tst_FieldReader::bytesInSystemCodePage()
{
    auto reader = FieldReader::fromBytes(QByteArray("unit,kg\r\n"));
    QCOMPARE(reader.readText().value, QStringLiteral("unit"));
    QCOMPARE(reader.readText().value, QStringLiteral("kg"));
}

QTEST_GUILESS_MAIN(tst_FieldReader)
#include "tst_fieldreader.moc"
