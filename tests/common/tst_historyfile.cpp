// The history file format: the writer's exact bytes and the reader's rules, including the
// auto-save relaxation and every way a file can be refused.
#include "HistoryFile.h"

#include <QtTest>

using namespace HistoryFile;

namespace {

const QByteArray TrailerAfterUnit = "     0.234   4.321\r\n"
                                    "Average Minimum Maximum Delta1 Delta2 Cnt1 Cnt2\r\n"
                                    " 1107  801  1398 -306  291  1  1\r\n";

QByteArray trailer(const QByteArray &samples)
{
    return "StartDateTime:2/19/2004 10:30:53 AM\r\n"
           "ZELK-NET  Channel 1\r\n"
           "Card#: QN1234568TAVU   Delay: 3 ms.\r\n"
           "Channel(s) Scanned:\r\n"
           "InegrationBufferSize: \r\n"
           "Gain Bias Resol. Units LoLimit HiLimit\r\n"
           "  36   49 0.0002 kg" +
           TrailerAfterUnit + "Samples: " + samples + "\r\n";
}

const QByteArray TwoBlocks = "Timer2Interval,  300 \r\n"
                             "-999999  0  5  3  1500  2 \r\n"
                             " 0  12.345\r\n"
                             " 1  12.350\r\n"
                             " 2  12.348\r\n"
                             "-999999  0  5  3  1780  4 \r\n"
                             " 3  12.351\r\n"
                             " 4  12.349\r\n"
                             "-1, -1\r\n" +
                             trailer("4");

struct Loaded {
    LoadResult result;
    QList<QByteArray> values;
    QList<BlockRow> blocks;
};

Loaded loadBytes(const QByteArray &bytes, bool relaxed = false)
{
    Loaded l;
    LoadSink sink;
    sink.block = [&](std::int32_t, const BlockRow &b) { l.blocks.append(b); };
    sink.reading = [&](std::int32_t k, QByteArrayView v) {
        if (k != l.values.size())
            qFatal("readings out of order");
        l.values.append(v.toByteArray());
        return true;
    };
    l.result = load(bytes, relaxed, sink);
    return l;
}

} // namespace

class HistoryFileTest : public QObject {
    Q_OBJECT
private slots:
    void writerProducesTheDocumentedLayout();
    void printNumbers_data();
    void printNumbers();
    void statusWordsPrintAsSigned16Bit();
    void emptyRunWritesMinusOneSamples();
    void readerRoundTripsTheWriter();
    void loadOutcomes_data();
    void loadOutcomes();
    void blockMarkerLineYieldsOneRowAndOneReading();
    void tooManyBlocksIsARuntimeError();
    void numericTest_data();
    void numericTest();
    void plainReadingLinesReadAsByTheFieldRules_data();
    void plainReadingLinesReadAsByTheFieldRules();
    void autoSavePathIsCaseSensitive();
    void autoSaveCutAnywhereLoadsItsWholeBlocks_data();
    void autoSaveCutAnywhereLoadsItsWholeBlocks();
};

void HistoryFileTest::writerProducesTheDocumentedLayout()
{
    QByteArray out;
    appendIntervalLine(out);
    appendBlockHeader(out, {0, 5, 3, 1500, 2});
    const char *texts[] = {"12.345", "12.350", "12.348", "12.351", "12.349"};
    for (int k = 0; k < 3; ++k)
        appendReadingLine(out, k, texts[k]);
    appendBlockHeader(out, {0, 5, 3, 1780, 4});
    for (int k = 3; k < 5; ++k)
        appendReadingLine(out, k, texts[k]);
    appendEndLine(out);
    appendTrailer(out, QStringLiteral("2/19/2004 10:30:53 AM"), QStringLiteral("kg"), 4);
    QCOMPARE(out, TwoBlocks);
}

void HistoryFileTest::printNumbers_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QByteArray>("printed");
    QTest::newRow("zero") << qint64(0) << QByteArray(" 0 ");
    QTest::newRow("positive") << qint64(300) << QByteArray(" 300 ");
    QTest::newRow("negative") << qint64(-306) << QByteArray("-306 ");
    QTest::newRow("marker") << qint64(-999999) << QByteArray("-999999 ");
    QTest::newRow("long_min") << qint64(INT32_MIN) << QByteArray("-2147483648 ");
}

void HistoryFileTest::printNumbers()
{
    QFETCH(qint64, value);
    QFETCH(QByteArray, printed);
    QByteArray out;
    appendPrintNumber(out, value);
    QCOMPARE(out, printed);
}

void HistoryFileTest::statusWordsPrintAsSigned16Bit()
{
    QByteArray out;
    appendBlockHeader(out, {0, 0x8001, 1023, -5, 0});
    QCOMPARE(out, QByteArray("-999999  0 -32767  1023 -5  0 \r\n"));
}

void HistoryFileTest::emptyRunWritesMinusOneSamples()
{
    QByteArray out;
    appendIntervalLine(out);
    appendEndLine(out);
    appendTrailer(out, QString(), QStringLiteral("KG"), -1);
    QVERIFY(out.endsWith("Samples: -1\r\n"));
    const Loaded l = loadBytes(out);
    QCOMPARE(l.result.status, LoadStatus::NoReadings);
}

void HistoryFileTest::readerRoundTripsTheWriter()
{
    const Loaded l = loadBytes(TwoBlocks);
    QCOMPARE(l.result.status, LoadStatus::Ok);
    QCOMPARE(l.values, (QList<QByteArray>{"12.345", "12.350", "12.348", "12.351", "12.349"}));
    QCOMPARE(l.result.blockCount, 2);
    QCOMPARE(l.blocks[1].ticks, 1780);
    QCOMPARE(l.blocks[1].endIndex, 4);
    QCOMPARE(l.result.trailer.startDateTime(), QStringLiteral(":2/19/2004 10:30:53 AM"));
    QCOMPARE(l.result.trailer.samplesText(), QStringLiteral(" 4"));
    QCOMPARE(l.result.trailer.unitName(), QStringLiteral("kg"));
}

void HistoryFileTest::loadOutcomes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("relaxed");
    QTest::addColumn<LoadStatus>("status");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<int>("readings");
    QTest::addColumn<bool>("unexpectedEnd");

    const QByteArray head = "Timer2Interval,  300 \r\n-999999  0  5  3  1500  1 \r\n 0  1.5\r\n 1  2.5\r\n";
    QTest::newRow("lf_line_ends") << QByteArray(TwoBlocks).replace("\r\n", "\n") << false << LoadStatus::Ok
                                  << 0 << 5 << false;
    QTest::newRow("wrong_first_field")
        << QByteArray("Timer3Interval, 300\r\n") << false << LoadStatus::NotHistoryFile << 0 << 0 << false;
    QTest::newRow("empty_file") << QByteArray() << false << LoadStatus::InvalidStructure << 62 << 0 << false;
    QTest::newRow("no_reading") << QByteArray("Timer2Interval,  300 \r\n-1, -1\r\n" + trailer("-1")) << false
                                << LoadStatus::NoReadings << 0 << 0 << false;
    QTest::newRow("unexpected_end_then_no_trailer")
        << head << false << LoadStatus::InvalidStructure << 62 << 2 << true;
    QTest::newRow("unexpected_end_at_first_reading") << QByteArray("Timer2Interval,  300 \r\n 0  1.5\r\n")
                                                     << false << LoadStatus::NoReadings << 0 << 1 << true;
    QTest::newRow("autosave_without_end") << head << true << LoadStatus::Ok << 0 << 2 << false;
    QTest::newRow("short_trailer") << QByteArray(head + "-1, -1\r\nStartDateTime:x\r\n") << false
                                   << LoadStatus::InvalidStructure << 62 << 2 << false;
    QTest::newRow("samples_not_numeric") << QByteArray(head + "-1, -1\r\n" + trailer("four")) << false
                                         << LoadStatus::InvalidStructure << 0 << 2 << false;
    QTest::newRow("reading_index_not_numeric") << QByteArray("Timer2Interval,  300 \r\nabc  1.5\r\n") << false
                                               << LoadStatus::RuntimeError << 13 << 0 << false;
    QTest::newRow("interval_not_numeric")
        << QByteArray("Timer2Interval, x\r\n") << false << LoadStatus::RuntimeError << 13 << 0 << false;
    QTest::newRow("index_overflow") << QByteArray("Timer2Interval,  300 \r\n 99999999999  1.5\r\n") << false
                                    << LoadStatus::RuntimeError << 6 << 0 << false;
    QTest::newRow("binary_garbage") << QByteArray("\x00\x01\xff\xfe,\x80", 6) << false
                                    << LoadStatus::RuntimeError << 13 << 0 << false;
}

void HistoryFileTest::loadOutcomes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, relaxed);
    QFETCH(LoadStatus, status);
    QFETCH(int, errorNumber);
    QFETCH(int, readings);
    QFETCH(bool, unexpectedEnd);
    const Loaded l = loadBytes(bytes, relaxed);
    QCOMPARE(l.result.status, status);
    QCOMPARE(l.result.errorNumber, errorNumber);
    QCOMPARE(l.result.readingCount, readings);
    QCOMPARE(l.values.size(), readings);
    QCOMPARE(l.result.unexpectedEnd, unexpectedEnd);
}

void HistoryFileTest::blockMarkerLineYieldsOneRowAndOneReading()
{
    const Loaded l = loadBytes(
        "Timer2Interval,  300 \r\n-999999  0  7  1023  99  0 \r\n 0  3.25\r\n-1, -1\r\n" + trailer("0"));
    QCOMPARE(l.result.status, LoadStatus::Ok);
    QCOMPARE(l.blocks.size(), 1);
    QCOMPARE(l.blocks[0].inputs, 7);
    QCOMPARE(l.blocks[0].outputs, 1023);
    QCOMPARE(l.values, QList<QByteArray>{"3.25"});
}

void HistoryFileTest::tooManyBlocksIsARuntimeError()
{
    QByteArray bytes = "Timer2Interval,  300 \r\n";
    for (int b = 0; b <= MaxBlockRow + 1; ++b) {
        appendBlockHeader(bytes, {0, 0, 0, b, b});
        appendReadingLine(bytes, b, "1");
    }
    const Loaded l = loadBytes(bytes);
    QCOMPARE(l.result.status, LoadStatus::RuntimeError);
    QCOMPARE(l.result.errorNumber, 9);
    QCOMPARE(l.blocks.size(), MaxBlockRow + 1);
}

void HistoryFileTest::numericTest_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("integer") << QByteArray("12") << true;
    QTest::newRow("decimal") << QByteArray("-12.345") << true;
    QTest::newRow("point_first") << QByteArray(".5") << true;
    QTest::newRow("surrounding_blanks") << QByteArray("  4 ") << true;
    QTest::newRow("exponent") << QByteArray("1E+20") << true;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("blank") << QByteArray("  ") << false;
    QTest::newRow("sign_only") << QByteArray("-") << false;
    QTest::newRow("point_only") << QByteArray(".") << false;
    QTest::newRow("comma_decimal") << QByteArray("1,5") << false;
    QTest::newRow("two_points") << QByteArray("1.2.3") << false;
    QTest::newRow("letters") << QByteArray("12a") << false;
    QTest::newRow("dangling_exponent") << QByteArray("1e") << false;
}

void HistoryFileTest::numericTest()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, numeric);
    QCOMPARE(isNumericText(QByteArrayView(text)), numeric);
}

void HistoryFileTest::plainReadingLinesReadAsByTheFieldRules_data()
{
    QTest::addColumn<QByteArray>("line"); // after its index
    QTest::addColumn<QByteArrayList>("values");
    QTest::newRow("tab_blanks_lf") << QByteArray("\t-1.5 \t \n") << QByteArrayList{"-1.5"};
    QTest::newRow("lone_cr") << QByteArray("  1 2\r") << QByteArrayList{"1 2"};
    QTest::newRow("quotes") << QByteArray("  \"1,5\" \r\n 1  1\"2\r\n") << QByteArrayList{"1,5", "1\"2"};
    // A comma ends the text; what follows it is read as the next reading's index.
    QTest::newRow("comma") << QByteArray("  12,345\r\n") << QByteArrayList{"12", ""};
    QTest::newRow("comma_after_index") << QByteArray(" , 4\r\n") << QByteArrayList{"4"};
}

// The quick way through the usual reading line gives what the general field rules give (an index with
// a sign or of ten digits takes the general rules).
void HistoryFileTest::plainReadingLinesReadAsByTheFieldRules()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArrayList, values);
    values << "7.5";
    for (const QByteArray index : {"0", "+0", "000000001", "1234567890"}) {
        const Loaded l = loadBytes("Timer2Interval,  300 \r\n-999999  0  5  3  1500  1 \r\n " + index + line +
                                   " 1  7.5\r\n-1, -1\r\n" + trailer("1"));
        QCOMPARE(l.result.status, LoadStatus::Ok);
        QCOMPARE(l.values, values);
    }
}

void HistoryFileTest::autoSavePathIsCaseSensitive()
{
    QVERIFY(isAutoSavePath(QStringLiteral("/runs/AutoSave.txt")));
    QVERIFY(!isAutoSavePath(QStringLiteral("/runs/autosave.txt")));
    QVERIFY(!isAutoSavePath(QStringLiteral("AutoSave.txt.bak")));
}

void HistoryFileTest::autoSaveCutAnywhereLoadsItsWholeBlocks_data()
{
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("crlf") << QByteArray("\r\n");
    QTest::newRow("lf") << QByteArray("\n");
}

// An auto-save file as the monitor appends it, cut at every byte after its first line (a full disk in
// the middle of an append, a reader that came while the file grew): the blocks saved whole load, and
// nothing of a block cut short does, not even a reading cut to fewer digits.
void HistoryFileTest::autoSaveCutAnywhereLoadsItsWholeBlocks()
{
    QFETCH(QByteArray, lineEnd);
    const QList<QByteArray> texts = {"12.345", "12.350", "12.351", "12.349", "12.347", "-0.5"};
    QByteArray file = "Timer2Interval,  300 " + lineEnd;
    const qsizetype firstLine = file.size();
    QList<qsizetype> blockEnds;
    for (int b = 0; b < 3; ++b) {
        QByteArray block;
        appendBlockHeader(block, {0, 5, 3, 1500 + 280 * b, 2 * b + 1});
        appendReadingLine(block, 2 * b, texts[2 * b]);
        appendReadingLine(block, 2 * b + 1, texts[2 * b + 1]);
        file += block.replace("\r\n", lineEnd);
        blockEnds << file.size();
    }
    for (qsizetype cut = firstLine; cut <= file.size(); ++cut) {
        // A block is whole once its last line has ended: a carriage return ends a line too.
        const auto whole = std::count_if(blockEnds.begin(), blockEnds.end(), [&](qsizetype blockEnd) {
            return cut >= blockEnd - (lineEnd.size() - 1);
        });
        const Loaded l = loadBytes(file.first(cut), true);
        const QString where =
            QStringLiteral("cut at byte %1: ").arg(cut) + QString::fromLatin1(l.values.join(' '));
        QVERIFY2(l.result.status == (whole ? LoadStatus::Ok : LoadStatus::NoReadings), qPrintable(where));
        QVERIFY2(l.blocks.size() == whole && l.values == texts.first(2 * whole), qPrintable(where));
    }
}

QTEST_MAIN(HistoryFileTest)
#include "tst_historyfile.moc"
