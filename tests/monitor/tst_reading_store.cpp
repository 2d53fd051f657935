// The reading store: parsing GetFastSampling replies into reading slots and block rows, and
// writing a stored run into the history file, down to a full-capacity round trip.
#include "HistoryFile.h"
#include "ReadingStore.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A reply as gathered from its prolog: readings W<first>..W<first+n-1>, then `tail` after the root.
QByteArray reply(const QList<QByteArray> &values, int first = 0, const QByteArray &tail = "\r\n\r\n")
{
    QByteArray r = "<?xml version='1.0' ?><GetFastSampling><ERROR_CODE>0</ERROR_CODE>";
    for (int c = 0; c < values.size(); ++c) {
        const QByteArray n = QByteArray::number(first + c);
        r += "<W" + n + ">" + values[c] + "</W" + n + ">";
    }
    return r + "</GetFastSampling>" + tail;
}

QList<QByteArray> numbered(int count, double base = 12.0)
{
    QList<QByteArray> v;
    for (int i = 0; i < count; ++i)
        v.append(QByteArray::number(base + i / 1000.0, 'f', 3));
    return v;
}

QByteArray texts(const ReadingStore &store, int first, int last)
{
    QByteArray out;
    for (int i = first; i <= last; ++i)
        out += store.arrReadingTexts(i).view().toByteArray() + "|";
    return out;
}

} // namespace

class ReadingStoreTest : public QObject {
    Q_OBJECT
private slots:
    void fullReplyFillsConsecutiveIndexes();
    void rejectedReplies_data();
    void rejectedReplies();
    void readingTexts_data();
    void readingTexts();
    void replyWithoutW0StillTakesItsIndexes();
    void missingClosingTagCopiesPreviousReading();
    void runBeyondCapacityIsRefusedWithOneMessage();
    void newRunClearsStaleSlots();
    void newRunClearsSlotsWrittenPastTheLastTag();
    void writerReplacesNonNumericReadings();
    void writerWithoutBlocksWritesOnlyFrame();
    void fullCapacityRoundTrip();
};

void ReadingStoreTest::fullReplyFillsConsecutiveIndexes()
{
    ReadingStore store;
    ParseEffects fx;
    std::int32_t end = -7;
    QVERIFY(store.GetVarSizeArray(reply(numbered(232)), 0, end, 254, 1023, 5000, 0, fx));
    QCOMPARE(end, 231);
    QVERIFY(store.GetVarSizeArray(reply(numbered(232, 20.0)), 232, end, 255, 1022, 5100, 1, fx));
    QCOMPARE(end, 463);
    QCOMPARE(store.arrReadingTexts(231).view(), QByteArrayView("12.231"));
    QCOMPARE(store.arrReadingTexts(232).view(), QByteArrayView("20.000"));
    QCOMPARE(store.arrSampleBlocks(1).endIndex, 463);
    QCOMPARE(store.arrSampleBlocks(1).inputs, 255);
    QCOMPARE(store.arrSampleBlocks(1).outputs, 1022);
    QCOMPARE(store.arrSampleBlocks(1).ticks, 5100);
    QCOMPARE(fx.xmlErrors, 0);
    QVERIFY(fx.messages.isEmpty());
}

void ReadingStoreTest::rejectedReplies_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("xmlErrors");
    const QList<QByteArray> six = numbered(6);
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("trailer_3_chars") << reply(six, 0, "\r\n\r") << 0;
    QTest::newRow("trailer_5_chars") << reply(six, 0, "\r\n\r\n ") << 0;
    QTest::newRow("last_tag_not_a_number") << QByteArray(reply(six)).replace("</W5>", "</Wx>") << 0;
    QTest::newRow("no_reading_tag_near_end")
        << QByteArray("<?xml version='1.0' ?><GetFastSampling><ERROR_CODE>0</ERROR_CODE><ERROR_DESCRIPTION>"
                      "nothing recorded yet</ERROR_DESCRIPTION></GetFastSampling>\r\n\r\n")
        << 1;
}

void ReadingStoreTest::rejectedReplies()
{
    QFETCH(QByteArray, text);
    QFETCH(int, xmlErrors);
    ReadingStore store;
    ParseEffects fx;
    std::int32_t end = -7;
    QVERIFY(!store.GetVarSizeArray(text, 0, end, 0, 0, 0, 0, fx));
    QCOMPARE(end, -7);
    QCOMPARE(fx.xmlErrors, xmlErrors);
}

void ReadingStoreTest::readingTexts_data()
{
    QTest::addColumn<QList<QByteArray>>("values");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("errorReadings");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("non_numeric_at_7") << QList<QByteArray>{"0", "1", "2", "3", "4", "5", "6.5", "x", "8"}
                                      << QByteArray("0|1|2|3|4|5|6.5|6.5|8|") << 1 << QStringList{};
    QTest::newRow("non_numeric_at_0") << QList<QByteArray>{"abc", "1", "2"} << QByteArray("|1|2|") << 1
                                      << QStringList{"Error_Case: Subscript out of range"};
    QTest::newRow("exactly_10_chars")
        << QList<QByteArray>{"1", "-12345.678"} << QByteArray("1|-12345.678|") << 0 << QStringList{};
    QTest::newRow("11_chars") << QList<QByteArray>{"1", "-123456.789"} << QByteArray("1||") << 0
                              << QStringList{"Big Weight !!! -123456.789"};
}

void ReadingStoreTest::readingTexts()
{
    QFETCH(QList<QByteArray>, values);
    QFETCH(QByteArray, stored);
    QFETCH(int, errorReadings);
    QFETCH(QStringList, messages);
    ReadingStore store;
    ParseEffects fx;
    std::int32_t end = 0;
    QVERIFY(store.GetVarSizeArray(reply(values), 0, end, 0, 0, 0, 0, fx));
    QCOMPARE(end, values.size() - 1);
    QCOMPARE(texts(store, 0, end), stored);
    QCOMPARE(fx.errorReadings, errorReadings);
    QCOMPARE(fx.messages, messages);
}

void ReadingStoreTest::replyWithoutW0StillTakesItsIndexes()
{
    ReadingStore store;
    ParseEffects fx;
    std::int32_t end = 0;
    QVERIFY(store.GetVarSizeArray(reply(numbered(5), 1), 10, end, 0, 0, 0, 3, fx));
    QCOMPARE(end, 15);
    QCOMPARE(store.arrSampleBlocks(3).endIndex, 15);
    QCOMPARE(texts(store, 10, 15), QByteArray("||||||"));
}

void ReadingStoreTest::missingClosingTagCopiesPreviousReading()
{
    ReadingStore store;
    ParseEffects fx;
    std::int32_t end = 0;
    const QByteArray text = QByteArray(reply({"1.5", "2.5", "3.5"})).replace("</W1>", "");
    QVERIFY(store.GetVarSizeArray(text, 0, end, 0, 0, 0, 0, fx));
    QCOMPARE(texts(store, 0, 2), QByteArray("1.5|1.5|3.5|"));
    QCOMPARE(fx.xmlErrors, 1);
}

void ReadingStoreTest::runBeyondCapacityIsRefusedWithOneMessage()
{
    ReadingStore store;
    ParseEffects fx;
    std::int32_t end = -7;
    QVERIFY(!store.GetVarSizeArray(reply(numbered(232)), ReadingStore::ReadingCapacity - 100, end, 0, 0, 0, 5,
                                   fx));
    QCOMPARE(fx.messages, QStringList{"Error_Case: Subscript out of range"});
    QVERIFY(!store.GetVarSizeArray(reply(numbered(2)), 0, end, 0, 0, 0, ReadingStore::BlockCapacity, fx));
    QCOMPARE(end, -7);
}

void ReadingStoreTest::newRunClearsStaleSlots()
{
    ReadingStore store;
    ParseEffects fx;
    std::int32_t end = 0;
    QVERIFY(store.GetVarSizeArray(reply({"1.5", "2.5", "3.5"}), 0, end, 0, 0, 0, 0, fx));
    store.clearRun();
    QVERIFY(store.GetVarSizeArray(reply({"7.5", "8.5", "9.5"}, 1), 0, end, 0, 0, 0, 0, fx));
    QCOMPARE(texts(store, 0, 3), QByteArray("||||"));
    QCOMPARE(store.arrAllReadings(2).view(), QByteArrayView());
}

void ReadingStoreTest::newRunClearsSlotsWrittenPastTheLastTag()
{
    ReadingStore store;
    ParseEffects fx;
    std::int32_t end = 0;
    // Readings numbered past the last closing tag still land in the program-wide slots.
    QVERIFY(store.GetVarSizeArray(reply({"1.5", "2.5", "3.5", "4.5", "5.5"})
                                      .replace("</GetFastSampling>", "<W2>6.5</W2></GetFastSampling>"),
                                  0, end, 0, 0, 0, 0, fx));
    QCOMPARE(end, 2);
    QCOMPARE(store.arrAllReadings(4).view(), QByteArrayView("5.5"));
    store.clearRun();
    // A refused reading leaves its slot as it was: empty, not the earlier run's text.
    QVERIFY(
        store.GetVarSizeArray(reply({"1.5", "2.5", "3.5", "4.5", "-123456.789"}), 0, end, 0, 0, 0, 0, fx));
    QCOMPARE(texts(store, 0, 4), QByteArray("1.5|2.5|3.5|4.5||"));
}

void ReadingStoreTest::writerReplacesNonNumericReadings()
{
    ReadingStore store;
    const QList<QByteArray> values{"x", "1.5", "2.5", "", "4.5"};
    for (int k = 0; k < values.size(); ++k)
        store.setReading(k, values[k]);
    store.setBlock(0, {0, 254, 1023, 777, 4});
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(
        store.writeHistory(out, 0, 1, QStringLiteral("1/2/2026 3:04:05 PM"), QStringLiteral("KG"), nullptr));
    QVERIFY(out.data().startsWith("Timer2Interval,  300 \r\n"
                                  "-999999  0  254  1023  777  4 \r\n"
                                  " 1  1.5\r\n"
                                  " 2  2.5\r\n"
                                  " 3  2.5\r\n"
                                  " 4  4.5\r\n"
                                  "-1, -1\r\n"
                                  "StartDateTime:1/2/2026 3:04:05 PM\r\n"));
    QVERIFY(out.data().endsWith("Samples: 4\r\n"));
    QCOMPARE(store.arrReadingTexts(3).view(), QByteArrayView("2.5"));
}

void ReadingStoreTest::writerWithoutBlocksWritesOnlyFrame()
{
    ReadingStore store;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(store.writeHistory(out, 0, 0, QString(), QStringLiteral("KG"), nullptr));
    QVERIFY(out.data().startsWith("Timer2Interval,  300 \r\n-1, -1\r\nStartDateTime:\r\n"));
    QVERIFY(out.data().endsWith("Samples: -1\r\n"));
}

void ReadingStoreTest::fullCapacityRoundTrip()
{
    ReadingStore store;
    const std::int32_t perBlock = 232;
    std::int32_t row = 0;
    for (std::int32_t k = 0; k < ReadingStore::ReadingCapacity; ++k) {
        store.setReading(k, QByteArray::number((k % 200000) / 1000.0 - 50.0, 'f', 3));
        if (k % perBlock == perBlock - 1 || k == ReadingStore::ReadingCapacity - 1)
            store.setBlock(row++, {0, row % 256, 1023, row * 464, k});
    }
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("All_data.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(store.writeHistory(file, 0, row, QStringLiteral("now"), QStringLiteral("KG"), nullptr));
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    const uchar *map = file.map(0, file.size());
    QVERIFY(map);
    std::int32_t mismatches = 0;
    std::int32_t blocks = 0;
    HistoryFile::LoadSink sink;
    sink.block = [&](std::int32_t r, const HistoryFile::BlockRow &b) {
        blocks +=
            b.endIndex == store.arrSampleBlocks(r).endIndex && b.inputs == store.arrSampleBlocks(r).inputs;
    };
    sink.reading = [&](std::int32_t k, QByteArrayView text) {
        mismatches += text != store.arrReadingTexts(k).view();
        return true;
    };
    const auto result =
        HistoryFile::load(QByteArrayView(reinterpret_cast<const char *>(map), file.size()), false, sink);
    QCOMPARE(result.status, HistoryFile::LoadStatus::Ok);
    QCOMPARE(result.readingCount, ReadingStore::ReadingCapacity);
    QCOMPARE(mismatches, 0);
    QCOMPARE(blocks, row);
    QCOMPARE(result.trailer.samplesText(), QStringLiteral(" 2000000"));
}

QTEST_MAIN(ReadingStoreTest)
#include "tst_reading_store.moc"
