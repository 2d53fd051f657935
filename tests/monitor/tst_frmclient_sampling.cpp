// Fast-sampling runs of the monitor window against an in-process zelk-devicesim: whole runs written into
// the history file byte for byte, malformed batches, Stop, auto-save while a run goes on, the viewer launch.
#include "CommLog.h"
#include "Controls.h"
#include "DeviceSim.h"
#include "HistoryFile.h"
#include "HistoryRun.h"
#include "MonitorStation.h"
#include "Seams.h"
#include "frmClient.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

constexpr int InputWord = 0xA5;
constexpr int OutputWord = 1008;
const QString NoAnswer = QStringLiteral("Server does not answer! Possibly IP-address is incorrect.\n"
                                        "Be sure the Server is running and try again, please! ");
const QString OutOfRange = QStringLiteral("Error_Case: Subscript out of range");
const QString InvalidXml = QStringLiteral(" Invalid XML data!  ");

QByteArray request(const QByteArray &command, const QByteArray &body)
{
    return "POST /" + command + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body +
           "\r\n";
}
const QByteArray StartRequest = request("StartSample", "");
const QByteArray BatchRequest = request("GetFastSampling", "ID=4");
const QByteArray StopRequest = request("StopSample", "");

// A reply written by hand, from its prolog on (the device puts its status header in front).
QByteArray document(const QByteArray &root, const QByteArray &code, const QByteArray &children = {})
{
    return "<?xml version='1.0' ?><" + root + "><ERROR_CODE>" + code + "</ERROR_CODE><ERROR_DESCRIPTION>" +
           (code == "0" ? "OK" : "Sampling finished") + "</ERROR_DESCRIPTION>" + children + "</" + root +
           ">\r\n\r\n";
}
// A batch of readings W<first>, W<first + 1>, ...
QByteArray batch(const QList<QByteArray> &values, int first = 0)
{
    QByteArray children;
    for (int c = 0; c < values.size(); ++c) {
        const QByteArray n = QByteArray::number(first + c);
        children += "<W" + n + ">" + values[c] + "</W" + n + ">";
    }
    return document("GetFastSampling", "0", children);
}
// The first batch after program start is never stored: its texts must not reach any file.
const QByteArray SkippedBatch = batch({"99.999", "99.998"});

// ---- The history layout, as the viewer relies on it ----
QByteArray printed(qint64 value)
{
    return (value >= 0 ? " " : "") + QByteArray::number(value) + " ";
}
QByteArray blockHeader(const HistoryFile::BlockRow &row)
{
    return "-999999 " + printed(0) + printed(InputWord) + printed(OutputWord) + printed(row.ticks) +
           printed(row.endIndex) + "\r\n";
}
QByteArray readingLine(int k, const QByteArray &text)
{
    return printed(k) + " " + text + "\r\n";
}
QByteArray trailer(const QString &startTime, int lastIndex)
{
    return "-1, -1\r\nStartDateTime:" + startTime.toUtf8() +
           "\r\nZELK-NET  Channel 1\r\n"
           "Card#: QN1234568TAVU   Delay: 3 ms.\r\n"
           "Channel(s) Scanned:\r\n"
           "InegrationBufferSize: \r\n"
           "Gain Bias Resol. Units LoLimit HiLimit\r\n"
           "  36   49 0.0002 kg     0.234   4.321\r\n"
           "Average Minimum Maximum Delta1 Delta2 Cnt1 Cnt2\r\n"
           " 1107  801  1398 -306  291  1  1\r\n"
           "Samples: " +
           QByteArray::number(lastIndex) + "\r\n";
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// One monitor station: a device on a free loopback port, a fresh current directory, recorded messages.
class Station : public MonitorStation {
public:
    Station()
    {
        device.state().forceInputWord(InputWord);
        device.state().setOutputWord(OutputWord);
    }

    // The window after its start-up status request was answered.
    bool start()
    {
        startWindow();
        const bool answered =
            QTest::qWaitFor([this] { return w->lblTotalReadingsD->text() == "1" && idle(); }) &&
            w->lblUnitNameTare->text() == QStringLiteral("kg");
        device.clearRequests();
        return answered;
    }
    bool ended() const
    {
        return w->cmdStart_Sample->isEnabled() && !w->cmdStopSample->isEnabled() &&
               w->cmdWeight->isEnabled() && idle();
    }
    // Fast Sample, then wait for the end of the run.
    bool run(int timeoutMs = 30000)
    {
        w->cmdStart_Sample->click();
        return QTest::qWaitFor([this] { return ended(); }, timeoutMs);
    }
    // A run driven entirely by replies written by hand; the device records nothing of its own.
    bool runReplies(const QList<QByteArray> &batches)
    {
        device.state().setRunMs(0);
        device.queueRawReply(document("StartSample", "0"));
        for (const QByteArray &b : batches)
            device.queueRawReply(b);
        device.queueRawReply(document("GetFastSampling", "200"));
        return run();
    }
    int blocks() const { return w->lBlockCount; }
    const HistoryFile::BlockRow &row(int b) const { return w->readingStore.arrSampleBlocks(b); }
    QString path(const QString &name) const { return dir.filePath(name); }

    // The file the run should have written: block rows as stored, reading texts given in order.
    QByteArray expectedFile(const std::function<QByteArray(int k)> &text) const
    {
        QByteArray out = "Timer2Interval,  300 \r\n";
        for (int b = 0, k = 0; b < blocks(); ++b) {
            out += blockHeader(row(b));
            for (; k <= row(b).endIndex; ++k)
                out += readingLine(k, text(k));
        }
        return out + trailer(w->strSampleStartTime, blocks() ? row(blocks() - 1).endIndex : -1);
    }

    std::unique_ptr<frmClient> &w = window;
};

// Loads a history file with the shared reader; the texts and block rows it holds.
struct Loaded {
    HistoryFile::LoadResult result;
    QList<QByteArray> texts;
    QList<HistoryFile::BlockRow> blocks;
};
Loaded loadFile(const QString &path)
{
    Loaded l;
    HistoryFile::LoadSink sink;
    sink.block = [&](std::int32_t, const HistoryFile::BlockRow &b) { l.blocks << b; };
    sink.reading = [&](std::int32_t, QByteArrayView text) {
        l.texts << text.toByteArray();
        return true;
    };
    l.result = HistoryFile::load(readFile(path), HistoryFile::isAutoSavePath(path), sink);
    return l;
}

} // namespace

class TestFrmClientSampling : public QObject {
    Q_OBJECT
private slots:
    void init() { Zelk::setTickStart(1000); }

    void runOfHandWrittenBatchesWrittenByteForByte_data();
    void runOfHandWrittenBatchesWrittenByteForByte();
    void deviceRunWrittenByteForByte_data();
    void deviceRunWrittenByteForByte();
    void extremeReadingShownWholeAndWrittenAsSent_data();
    void extremeReadingShownWholeAndWrittenAsSent();
    void fastSampleClickRaisesTimeOut_data();
    void fastSampleClickRaisesTimeOut();
    void runGoesThroughStartingSamplingStoppingEnded();
    void stopWhilePollingSendsNoStopSample();
    void historyFileThatCannotBeWrittenIsReportedAndKeptInMemory_data();
    void historyFileThatCannotBeWrittenIsReportedAndKeptInMemory();
    void runIsWrittenAndEachWriteFailureShownOnce_data();
    void runIsWrittenAndEachWriteFailureShownOnce();
    void appendingWritesBlocksAfterExistingContent();
    void deviceKilledMidRunLeavesLoadableAutoSave_data();
    void deviceKilledMidRunLeavesLoadableAutoSave();
    void autoSaveStopsAtTenThousandBlocks();
    void causeRepeatingWhileItsBoxIsOpenShowsOneBox_data();
    void causeRepeatingWhileItsBoxIsOpenShowsOneBox();
    void showGraphStartsViewerWithOneArgument_data();
    void showGraphStartsViewerWithOneArgument();
    void viewerLookedForInCurrentDirectoryThenBesideMonitor_data();
    void viewerLookedForInCurrentDirectoryThenBesideMonitor();
};

void TestFrmClientSampling::runOfHandWrittenBatchesWrittenByteForByte_data()
{
    QTest::addColumn<QList<QByteArray>>("batches");
    QTest::addColumn<QByteArray>("data"); // the data section; %T stands for the block's tick count
    QTest::addColumn<int>("lastIndex");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("errorReadings");
    QTest::addColumn<int>("storedReplies");

    QTest::newRow("two_batches") << QList<QByteArray>{batch({"12.345", "12.350", "12.348"}),
                                                      batch({"12.351", "12.349"})}
                                 << QByteArray("-999999  0  165  1008  %T  2 \r\n"
                                               " 0  12.345\r\n 1  12.350\r\n 2  12.348\r\n"
                                               "-999999  0  165  1008  %T  4 \r\n"
                                               " 3  12.351\r\n 4  12.349\r\n")
                                 << 4 << QStringList{} << "0" << 2;
    QTest::newRow("one_block_of_one_reading")
        << QList<QByteArray>{batch({"12.345"})}
        << QByteArray("-999999  0  165  1008  %T  0 \r\n 0  12.345\r\n") << 0 << QStringList{} << "0" << 1;
    // The block still takes the indexes up to its last tag; the writer fills them from the reading before.
    QTest::newRow("reply_without_W0")
        << QList<QByteArray>{batch({"1.5", "2.5"}), batch({"7.5", "8.5"}, 1), batch({"3.5"})}
        << QByteArray("-999999  0  165  1008  %T  1 \r\n 0  1.5\r\n 1  2.5\r\n"
                      "-999999  0  165  1008  %T  4 \r\n 2  2.5\r\n 3  2.5\r\n 4  2.5\r\n"
                      "-999999  0  165  1008  %T  5 \r\n 5  3.5\r\n")
        << 5 << QStringList{} << "0" << 3;
    // A last tag that is not a number: the reply is dropped and the next one takes its indexes.
    QTest::newRow("bad_last_tag") << QList<QByteArray>{batch({"1.5", "2.5"}),
                                                       batch({"7.5", "8.5"}).replace("</W1>", "</W1x>"),
                                                       batch({"3.5"})}
                                  << QByteArray("-999999  0  165  1008  %T  1 \r\n 0  1.5\r\n 1  2.5\r\n"
                                                "-999999  0  165  1008  %T  2 \r\n 2  3.5\r\n")
                                  << 2 << QStringList{} << "0" << 2;
    // Reading 0 has no reading before it: the copy fails, and the file leaves the reading out.
    QTest::newRow("non_numeric_at_0") << QList<QByteArray>{batch({"abc", "1.5", "2.5"})}
                                      << QByteArray("-999999  0  165  1008  %T  2 \r\n 1  1.5\r\n 2  2.5\r\n")
                                      << 2 << QStringList{OutOfRange} << "1" << 1;
    QTest::newRow("non_numeric_at_7")
        << QList<QByteArray>{batch({"0.5", "1.5", "2.5", "3.5", "4.5", "5.5", "6.5", "x", "8.5"})}
        << QByteArray("-999999  0  165  1008  %T  8 \r\n 0  0.5\r\n 1  1.5\r\n 2  2.5\r\n 3  3.5\r\n"
                      " 4  4.5\r\n 5  5.5\r\n 6  6.5\r\n 7  6.5\r\n 8  8.5\r\n")
        << 8 << QStringList{} << "1" << 1;
    QTest::newRow("reading_of_10_chars")
        << QList<QByteArray>{batch({"1.5", "-12345.678"})}
        << QByteArray("-999999  0  165  1008  %T  1 \r\n 0  1.5\r\n 1  -12345.678\r\n") << 1 << QStringList{}
        << "0" << 1;
    // Refused; the slot keeps nothing from an earlier run, so the file repeats the reading before.
    QTest::newRow("reading_of_11_chars")
        << QList<QByteArray>{batch({"1.5", "-123456.789"})}
        << QByteArray("-999999  0  165  1008  %T  1 \r\n 0  1.5\r\n 1  1.5\r\n") << 1
        << QStringList{"Big Weight !!! -123456.789"} << "0" << 1;
}

void TestFrmClientSampling::runOfHandWrittenBatchesWrittenByteForByte()
{
    QFETCH(QList<QByteArray>, batches);
    QFETCH(QByteArray, data);
    QFETCH(int, lastIndex);
    QFETCH(int, storedReplies);
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    const std::int32_t before = Zelk::GetTickCount();
    QVERIFY(s.runReplies(QList<QByteArray>{SkippedBatch} + batches));
    const std::int32_t after = Zelk::GetTickCount();

    QCOMPARE(s.blocks(), storedReplies);
    for (int b = 0; b < s.blocks(); ++b) {
        QVERIFY(Zelk::ticksBetween(before, s.row(b).ticks) >= 0 &&
                Zelk::ticksBetween(s.row(b).ticks, after) >= 0);
        data.replace(data.indexOf("%T"), 2, QByteArray::number(s.row(b).ticks));
    }
    const QByteArray expected =
        "Timer2Interval,  300 \r\n" + data + trailer(s.w->strSampleStartTime, lastIndex);
    QCOMPARE(readFile(s.path("All_data.txt")), expected);
    QVERIFY(!s.w->strSampleStartTime.isEmpty());
    QTEST(s.messages.texts, "shown");
    QTEST(s.w->lblErrorReadingsD[0]->text(), "errorReadings");
    QCOMPARE(s.w->lblTotalReadingsD->text(), QString::number(232 * storedReplies));

    // StartSample, one GetFastSampling per reply up to the end code, then nothing more.
    QCOMPARE(s.requests(),
             QList<QByteArray>{StartRequest} + QList<QByteArray>(batches.size() + 2, BatchRequest));
    QCOMPARE(s.w->lblErrNumer->text(), QStringLiteral("200"));
    QVERIFY(s.w->cmdShowGraph->isEnabled());
    QCOMPARE(Zelk::backColor(s.w->cmdStart_Sample), Zelk::Ole::ButtonFace);
    QVERIFY(!s.w->link().timing());
}

void TestFrmClientSampling::deviceRunWrittenByteForByte_data()
{
    QTest::addColumn<int>("runMs");
    QTest::addColumn<int>("stopAfterBlocks"); // 0: the run goes to its end
    QTest::newRow("several_thousand_readings") << 3000 << 0;
    QTest::newRow("stopped_early") << 60000 << 3;
}

void TestFrmClientSampling::deviceRunWrittenByteForByte()
{
    QFETCH(int, runMs);
    QFETCH(int, stopAfterBlocks);
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    ZelkSim::DeviceState &device = s.device.state();
    device.setIntegrationMs(1);
    // A short first run takes the one batch after program start that is never stored.
    device.setRunMs(20);
    QVERIFY(s.run());
    s.device.clearRequests();

    device.setRunMs(runMs);
    s.w->cmdStart_Sample->click();
    if (stopAfterBlocks > 0) {
        QTRY_VERIFY(s.blocks() >= stopAfterBlocks && s.w->cmdStopSample->isEnabled());
        s.w->cmdStopSample->click();
        QVERIFY(!s.w->cmdStopSample->isEnabled());
    }
    QTRY_VERIFY_WITH_TIMEOUT(s.ended(), 30000);

    const int readings = s.w->lReadingCount;
    QCOMPARE(readings, s.row(s.blocks() - 1).endIndex + 1);
    if (stopAfterBlocks > 0)
        QVERIFY(readings < runMs);
    else
        QCOMPARE(readings, runMs);
    QVERIFY(s.blocks() > 1);
    for (int b = 0, first = 0; b < s.blocks(); first = s.row(b++).endIndex + 1)
        QVERIFY(s.row(b).endIndex >= first && s.row(b).endIndex - first < ZelkSim::MaxReadingsPerBatch);
    // Stop waits for the batch on its way, so the file holds every reading the device recorded.
    const auto text = [&](int k) { return device.readingText(k).toLatin1(); };
    QCOMPARE(readFile(s.path("All_data.txt")), s.expectedFile(text));
    QVERIFY2(s.messages.texts.isEmpty(), qPrintable(s.messages.texts.join(u'|')));

    const QList<QByteArray> sent = s.requests();
    QCOMPARE(sent.first(), StartRequest);
    QCOMPARE(sent.count(StopRequest), stopAfterBlocks > 0 ? 1 : 0);
    QCOMPARE(sent.count(BatchRequest), sent.size() - 1 - sent.count(StopRequest));
}

void TestFrmClientSampling::extremeReadingShownWholeAndWrittenAsSent_data()
{
    QTest::addColumn<QByteArray>("reading"); // the device's W1
    QTest::addColumn<QString>("weight");     // the weight display, then the tare taken from it
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("normal") << QByteArray("12.345") << "012.345" << QStringList();
    QTest::newRow("1e308") << QByteArray("1e308") << "1E+308" << QStringList();
    QTest::newRow("minus_1e308") << QByteArray("-1e308") << "-1E+308" << QStringList();
    QTest::newRow("9999999999") << QByteArray("9999999999") << "9999999999.000" << QStringList();
    // Beyond a double: no number to show; the viewer reports it when it loads the file.
    QTest::newRow("1e309") << QByteArray("1e309") << "000.000" << QStringList{"Not Number"};
}

// The weight and the tare show the whole weight, never a cut tail that reads as another number; the
// history file keeps the device's text as sent.
void TestFrmClientSampling::extremeReadingShownWholeAndWrittenAsSent()
{
    QFETCH(QByteArray, reading);
    QFETCH(QString, weight);
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    QVERIFY(s.runReplies({SkippedBatch, batch({"12.345", reading})}));
    for (Zelk::FitLabel *shown : {s.w->lblWT_BRUTTO, s.w->lblTareData}) {
        s.w->chkTare->setChecked(shown == s.w->lblTareData);
        QCOMPARE(shown->text(), weight);
        QVERIFY(QFontMetricsF(shown->drawnFont()).horizontalAdvance(weight) <= shown->contentsRect().width());
    }
    QCOMPARE(readFile(s.path("All_data.txt")), s.expectedFile([&](int k) { return k ? reading : "12.345"; }));
    QTEST(s.messages.texts, "messages");
}

void TestFrmClientSampling::fastSampleClickRaisesTimeOut_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("timeOut");
    QTest::addColumn<int>("tickInterval");
    // The tick interval keeps what the time-out box gave it; only the time-out value is raised.
    QTest::newRow("2000_raised_to_5000") << "2000"
                                         << "5000" << 5000 << 2000;
    QTest::newRow("7000_kept") << "7000"
                               << "7000" << 7000 << 7000;
    QTest::newRow("not_a_number") << "abc"
                                  << "5000" << 5000 << 5000;
}

void TestFrmClientSampling::fastSampleClickRaisesTimeOut()
{
    QFETCH(QString, typed);
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    s.w->txtTimeout2->setText(typed);
    QVERIFY(s.runReplies({batch({"1.5"})}));
    QTEST(s.w->txtTimeout2->text(), "shown");
    QTEST(int(s.w->lTimeOutMS), "timeOut");
    QTEST(s.w->link().tickInterval(), "tickInterval");
}

void TestFrmClientSampling::runGoesThroughStartingSamplingStoppingEnded()
{
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    s.w->cmdWeight->click();
    QTRY_VERIFY(s.w->lTotalReadings >= 2);
    s.device.state().setRunMs(60000);
    ZelkSim::FaultSpec slowStart;
    slowStart.fault = ZelkSim::Fault::SlowReply;
    slowStart.param = 300;
    slowStart.command = QStringLiteral("StartSample");
    s.device.setFault(slowStart);

    // Starting: the status polling was stopped first.
    s.w->cmdStart_Sample->click();
    QCOMPARE(Zelk::backColor(s.w->cmdStart_Sample), Zelk::Ole::Green);
    QVERIFY(!s.w->cmdStart_Sample->isEnabled());
    QVERIFY(!s.w->cmdWeight->isEnabled());
    QVERIFY(s.w->Timer3AutoSave->isActive());
    // Sampling: every batch enables Stop.
    QTRY_VERIFY(s.w->lFastReplyCount >= 2 && s.w->cmdStopSample->isEnabled());
    // Stopping: Stop is disabled until the next batch; the run is fetched to its end.
    s.w->cmdStopSample->click();
    QVERIFY(!s.w->cmdStopSample->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(s.ended(), 10000);
    // Ended.
    QCOMPARE(Zelk::backColor(s.w->cmdStart_Sample), Zelk::Ole::ButtonFace);
    QVERIFY(s.w->cmdShowGraph->isEnabled());
    QVERIFY(!s.w->link().timing());
    QVERIFY(!s.w->link().reconnecting());

    const QList<QByteArray> sent = s.requests();
    const qsizetype started = sent.indexOf(StartRequest);
    QVERIFY(started > 0);
    QCOMPARE(sent.mid(started).count(request("GetRTStatus", "ID=4")), 0);
    QCOMPARE(sent.count(StopRequest), 1);
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientSampling::stopWhilePollingSendsNoStopSample()
{
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    s.w->cmdWeight->click();
    QTRY_VERIFY(s.w->lTotalReadings >= 2);
    s.w->cmdStopSample->click();
    QVERIFY(!s.w->link().reconnecting());
    QVERIFY(!s.w->cmdStopSample->isEnabled());
    QVERIFY(s.w->cmdWeight->isEnabled());
    QTRY_VERIFY(s.idle());
    QCOMPARE(s.requests().count(StopRequest), 0);
}

void TestFrmClientSampling::historyFileThatCannotBeWrittenIsReportedAndKeptInMemory_data()
{
    QTest::addColumn<QList<QByteArray>>("ends"); // replies that end the run before the device's end code
    QTest::newRow("end_code_in_batch") << QList<QByteArray>{};
    // A reply cut short after its end code ends the run; the device's next answer ends it again.
    QTest::newRow("end_code_in_unfinished_reply")
        << QList<QByteArray>{document("GetFastSampling", "200").replace("</GetFastSampling>", "")};
}

void TestFrmClientSampling::historyFileThatCannotBeWrittenIsReportedAndKeptInMemory()
{
    QFETCH(QList<QByteArray>, ends);
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    s.w->txtHistFileName->setText(QStringLiteral("no_such_folder/All_data.txt"));
    QVERIFY(s.runReplies(QList<QByteArray>{SkippedBatch, batch({"1.5", "2.5"})} + ends));
    QTRY_COMPARE(s.messages.texts.size(), 1); // shown once the reply that ended the run is handled
    const QString named = QDir::toNativeSeparators(s.path("no_such_folder/All_data.txt"));
    QVERIFY2(s.messages.texts[0].startsWith("The history file " + named + " could not be written"),
             qPrintable(s.messages.texts[0]));
    QVERIFY(s.w->cmdStart_Sample->isEnabled());

    // The readings are still there: saving under another name writes them all, replacing the old file.
    QFile old(s.path("All_data.txt"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x'));
    old.close();
    s.w->txtHistFileName->setText(QStringLiteral("All_data.txt"));
    s.w->SaveHistoryToFile();
    QCOMPARE(readFile(s.path("All_data.txt")), s.expectedFile([](int k) { return k ? "2.5" : "1.5"; }));
    QCOMPARE(QDir(s.dir.path()).entryList({"All_data*"}, QDir::Files),
             QStringList{"All_data.txt"}); // no temporary
}

void TestFrmClientSampling::runIsWrittenAndEachWriteFailureShownOnce_data()
{
    QTest::addColumn<QString>("historyFile");
    QTest::addColumn<bool>("autoSaveBlocked"); // a folder has taken the name AutoSave.txt
    // How the run ends: "" by itself, "close" the window closed while it goes on, "fault" a program
    // fault that ends the monitor while it goes on.
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QStringList>("failed"); // the files reported, in the order their boxes open
    const QString missing = QStringLiteral("no/such/dir/run.txt");
    const QString autoSave = HistoryRun::AutoSaveFile;
    QTest::newRow("history_folder_missing") << missing << false << "" << QStringList{missing};
    QTest::newRow("auto_save_blocked") << "All_data.txt" << true << "" << QStringList{autoSave};
    QTest::newRow("both") << missing << true << "" << QStringList{autoSave, missing};
    QTest::newRow("closed_mid_run") << "All_data.txt" << false << "close" << QStringList{};
    QTest::newRow("closed_mid_run_folder_missing") << missing << false << "close" << QStringList{missing};
    QTest::newRow("program_fault_mid_run") << "All_data.txt" << false << "fault" << QStringList{};
    QTest::newRow("program_fault_mid_run_folder_missing")
        << missing << false << "fault" << QStringList{missing};
}

void TestFrmClientSampling::runIsWrittenAndEachWriteFailureShownOnce()
{
    QFETCH(QString, historyFile);
    QFETCH(bool, autoSaveBlocked);
    QFETCH(QString, ending);
    QFETCH(QStringList, failed);
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    if (autoSaveBlocked)
        QVERIFY(QDir(s.dir.path()).mkdir(HistoryRun::AutoSaveFile));
    s.w->txtHistFileName->setText(historyFile);
    s.device.state().setRunMs(ending.isEmpty() ? 2000 : 60000);
    HeldBoxes boxes;
    QStringList shown;
    if (ending.isEmpty()) {
        QVERIFY(s.run());
    } else {
        s.w->cmdStart_Sample->click();
        QTRY_VERIFY(s.blocks() >= 3);
        QString value;
        if (ending == "close")
            QVERIFY(s.w->close());
        else
            QVERIFY(!s.w->Get_XML_Element_Data(QString(), QStringLiteral("WEIGHT>"), value));
        if (ending == "fault")
            shown << "Invalid XML element:WEIGHT>\r\n At least one of '<','>' is absent ";
        const int blocks = s.blocks();
        QTest::qWait(300); // nothing more is asked of the device once the monitor ends
        QCOMPARE(s.blocks(), blocks);
    }

    for (const QString &file : std::as_const(failed))
        shown << "The history file " + QDir::toNativeSeparators(s.path(file)) + " could not be written: " +
                     (file == HistoryRun::AutoSaveFile ? "Filename refers to a directory"
                                                       : "No such file or directory");
    QTRY_COMPARE(boxes.texts, shown); // no box is open while this looks
    // The run went on in memory; every file that could be written holds all of it.
    QVERIFY(s.blocks() > 1);
    for (const QString &file : {historyFile, HistoryRun::AutoSaveFile}) {
        if (failed.contains(file))
            continue;
        const Loaded l = loadFile(s.path(file));
        QCOMPARE(l.result.status, HistoryFile::LoadStatus::Ok);
        QCOMPARE(int(l.blocks.size()), s.blocks());
    }
}

void TestFrmClientSampling::appendingWritesBlocksAfterExistingContent()
{
    Station s;
    QVERIFY(s.ready());
    frmClient w;
    w.strSampleStartTime = QStringLiteral("now");
    ReadingStore &store = w.readingStore;
    for (int k = 0; k < 3; ++k)
        store.setReading(k, QByteArray::number(k + 0.5));
    store.setBlock(0, {0, InputWord, OutputWord, 10, 1});
    store.setBlock(1, {0, InputWord, OutputWord, 20, 2});
    QFile f(s.path("h.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old content\r\n");
    f.close();
    QVERIFY(w.SaveMemory2File(s.path("h.txt"), 1, 2));
    QCOMPARE(readFile(s.path("h.txt")), "old content\r\n" + blockHeader({0, InputWord, OutputWord, 20, 2}) +
                                            readingLine(2, "2.5") + trailer("now", 2));
}

void TestFrmClientSampling::deviceKilledMidRunLeavesLoadableAutoSave_data()
{
    QTest::addColumn<bool>("silent"); // the device keeps taking requests and stops answering them
    QTest::newRow("killed") << false;
    // No Weight click before the run: its requests are timed all the same.
    QTest::newRow("falls_silent") << true;
}

void TestFrmClientSampling::deviceKilledMidRunLeavesLoadableAutoSave()
{
    QFETCH(bool, silent);
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    s.w->txtTimeout2->setText(QStringLiteral("200")); // ticks every 200 ms; the run waits 5000 ms
    s.device.state().setRunMs(60000);
    s.w->cmdStart_Sample->click();
    const QString autoSave = s.path(QStringLiteral("AutoSave.txt"));

    // After each tick the file holds exactly the blocks stored so far, loadable at any moment.
    for (int tick = 0; tick < 2; ++tick) {
        const int saved = s.w->lAutoSaveBegin;
        QTRY_VERIFY_WITH_TIMEOUT(s.w->lAutoSaveBegin > saved, 5000);
        const Loaded l = loadFile(autoSave);
        QCOMPARE(l.result.status, HistoryFile::LoadStatus::Ok);
        QCOMPARE(int(l.blocks.size()), s.w->lAutoSaveBegin);
        QCOMPARE(int(l.texts.size()), s.row(s.w->lAutoSaveBegin - 1).endIndex + 1);
    }
    QVERIFY(!readFile(autoSave).contains("-1, -1"));

    if (silent)
        s.device.setFault(ZelkSim::Fault::NeverAnswer);
    else
        s.device.close();
    QTRY_COMPARE_WITH_TIMEOUT(s.messages.texts, QStringList{NoAnswer}, 15000);
    QTRY_VERIFY(!s.w->Timer3AutoSave->isActive());
    // The StopSample sent after the fault fails too, without a second message.
    QTRY_VERIFY_WITH_TIMEOUT(!s.w->link().timing(), 15000);
    QCOMPARE(s.messages.texts, QStringList{NoAnswer});
    QVERIFY(s.w->cmdWeight->isEnabled() && s.w->cmdStart_Sample->isEnabled());
    const Loaded l = loadFile(autoSave);
    QCOMPARE(l.result.status, HistoryFile::LoadStatus::Ok);
    QCOMPARE(int(l.blocks.size()), s.blocks());
    QCOMPARE(int(l.texts.size()), s.w->lReadingCount);
    for (int b = 0; b < s.blocks(); ++b) {
        QCOMPARE(l.blocks[b].endIndex, s.row(b).endIndex);
        QCOMPARE(l.blocks[b].ticks, s.row(b).ticks);
    }
    for (int k = 0; k < l.texts.size(); ++k)
        QCOMPARE(QByteArrayView(l.texts[k]), s.w->readingStore.arrReadingTexts(k).view());
}

void TestFrmClientSampling::autoSaveStopsAtTenThousandBlocks()
{
    Station s;
    QVERIFY(s.ready());
    frmClient w;
    for (int b = 0; b <= HistoryRun::MaxBlocks; ++b) {
        w.readingStore.setReading(b, "1.5");
        w.readingStore.setBlock(b, {0, InputWord, OutputWord, b, b});
    }
    w.lBlockCount = HistoryRun::MaxBlocks + 1;
    w.cmdWeight->setEnabled(false);
    w.cmdStart_Sample->setEnabled(false);
    w.Timer3AutoSave_Timer();
    QCOMPARE(s.messages.texts, QStringList{"Sorry!... The file is too big!"});
    QVERIFY(!w.Timer3AutoSave->isActive());
    const Loaded l = loadFile(s.path(QStringLiteral("AutoSave.txt")));
    QCOMPARE(l.result.status, HistoryFile::LoadStatus::Ok);
    QCOMPARE(int(l.blocks.size()), HistoryRun::MaxBlocks);
}

void TestFrmClientSampling::showGraphStartsViewerWithOneArgument_data()
{
    QTest::addColumn<bool>("readingMode");
    QTest::addColumn<QString>("integration");
    QTest::addColumn<bool>("viewerPresent");
    QTest::addColumn<bool>("startSucceeds");
    QTest::addColumn<QString>("argument"); // empty: not started, reported
    QTest::newRow("reading_mode") << true << "16" << true << true << "All_data.txt/1/16";
    QTest::newRow("time_mode") << false << "16" << true << true << "All_data.txt/2/16";
    QTest::newRow("empty_integration") << true << "" << true << true << "All_data.txt/1/";
    QTest::newRow("viewer_missing") << true << "16" << false << true << "";
    QTest::newRow("viewer_fails_to_start") << true << "16" << true << false << "All_data.txt/1/16";
}

void TestFrmClientSampling::showGraphStartsViewerWithOneArgument()
{
    QFETCH(bool, readingMode);
    QFETCH(QString, integration);
    QFETCH(bool, viewerPresent);
    QFETCH(bool, startSucceeds);
    QFETCH(QString, argument);
    Station s;
    QVERIFY(s.ready());
    const QString program = s.path(QStringLiteral("Kurvex"));
    if (viewerPresent) {
        QFile viewer(program);
        QVERIFY(viewer.open(QIODevice::WriteOnly));
        viewer.setPermissions(viewer.permissions() | QFileDevice::ExeOwner);
    }
    Zelk::RecordingProcessStarter starter;
    starter.succeed = startSucceeds;
    Zelk::setProcessStarter(&starter);
    frmClient w;
    w.OptX_mode[readingMode ? 1 : 2]->setChecked(true);
    w.txtIntegration->setText(integration);
    w.cmdShowGraph_Click();
    Zelk::setProcessStarter(nullptr);

    QCOMPARE(starter.calls.size(), argument.isEmpty() ? 0 : 1);
    if (!argument.isEmpty()) {
        QCOMPARE(starter.calls[0].program, program);
        QCOMPARE(starter.calls[0].arguments, QStringList{argument});
    }
    const QStringList reported{"The viewer " + QDir::toNativeSeparators(program) + " could not be started."};
    QCOMPARE(s.messages.texts, viewerPresent && startSucceeds ? QStringList{} : reported);
}

void TestFrmClientSampling::viewerLookedForInCurrentDirectoryThenBesideMonitor_data()
{
    QTest::addColumn<QList<int>>("present"); // 1: executable, 2: not executable, per directory
    QTest::addColumn<int>("found");          // directory index, -1: none
    QTest::newRow("current_directory_first") << QList<int>{1, 1} << 0;
    QTest::newRow("beside_monitor") << QList<int>{0, 1} << 1;
    QTest::newRow("not_executable_skipped") << QList<int>{2, 1} << 1;
    QTest::newRow("nowhere") << QList<int>{0, 0} << -1;
}

void TestFrmClientSampling::viewerLookedForInCurrentDirectoryThenBesideMonitor()
{
    QFETCH(QList<int>, present);
    QFETCH(int, found);
    QTemporaryDir dirs[2];
    for (int d = 0; d < 2; ++d) {
        if (present[d] == 0)
            continue;
        QFile f(dirs[d].filePath(QStringLiteral("Kurvex")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.setPermissions(present[d] == 1 ? QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                         : QFileDevice::ReadOwner);
    }
    const QString located =
        HistoryRun::locateProgram(QStringLiteral("Kurvex"), {dirs[0].path(), dirs[1].path()});
    QCOMPARE(located, found < 0 ? QString() : dirs[found].filePath(QStringLiteral("Kurvex")));
}

enum class Flood { PolledWeight, RunReadings, OversizedBatch };
Q_DECLARE_METATYPE(Flood)

void TestFrmClientSampling::causeRepeatingWhileItsBoxIsOpenShowsOneBox_data()
{
    QTest::addColumn<Flood>("flood");
    QTest::addColumn<QString>("text");      // the weight polled, or every reading of the run
    QTest::addColumn<QStringList>("shown"); // in alphabetical order; the last one's repeats are logged
    QTest::newRow("weight_not_a_number_in_every_reply")
        << Flood::PolledWeight << "#1" << QStringList{"Not Number"};
    // Reading 0 of the run has no reading before it to stand in for it.
    QTest::newRow("weight_not_a_number_in_every_batch")
        << Flood::RunReadings << "#1" << QStringList{OutOfRange, "Not Number"};
    QTest::newRow("big_weight_in_every_batch")
        << Flood::RunReadings << "12345678901" << QStringList{"Big Weight !!! 12345678901"};
    QTest::newRow("batch_over_1_MiB_again_and_again")
        << Flood::OversizedBatch << "1" << QStringList{InvalidXml};
}

// The same cause again and again, faster than a person answers its box: one box, while the polling or
// the run goes on. Batches given up three times in a row end the run by the no-answer path.
void TestFrmClientSampling::causeRepeatingWhileItsBoxIsOpenShowsOneBox()
{
    QFETCH(Flood, flood);
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    Station s;
    QVERIFY(s.ready());
    QVERIFY(s.start());
    s.w->chkCommLog->setCheckState(Qt::Checked);
    HeldBoxes boxes;
    if (flood == Flood::PolledWeight) {
        s.device.setElement(QStringLiteral("WEIGHT"), text);
        s.w->cmdWeight->click();
        QTRY_VERIFY(s.readings() >= 20);
        s.w->cmdStopSample->click();
    } else {
        s.device.state().forceReadingTexts({text});
        if (flood == Flood::OversizedBatch)
            s.device.setFault({ZelkSim::Fault::Oversized, 2 << 20, {}, QStringLiteral("GetFastSampling")});
        QVERIFY(s.run());
        QVERIFY(s.requests(QStringLiteral("GetFastSampling")).size() >= 3);
    }
    QTRY_VERIFY(s.idle());
    if (flood == Flood::OversizedBatch) { // nothing more asked after the third give-up's StopSample
        QCOMPARE(s.requests(QStringLiteral("GetFastSampling")).size(), 3);
        QCOMPARE(s.requests().last(), StopRequest);
    }
    boxes.texts.sort();
    QCOMPARE(boxes.texts, shown);
    const QByteArray log = readFile(s.path(CommLog::FileName));
    QVERIFY(log.contains(" MESSAGE-REPEAT " + CommLog::escaped(shown.last().toLatin1()) + '\n'));
}

QTEST_MAIN(TestFrmClientSampling)
#include "tst_frmclient_sampling.moc"
