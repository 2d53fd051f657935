// Device faults end to end: the monitor as built, under its automation driver, against zelk-devicesim
// processes that misbehave; each fault is shown once, the program stays usable, polling starts again.
#include "E2eProcesses.h"
#include "HistoryCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace E2e;

namespace {

constexpr int TimeOutMs = 600;  // the monitor's answer time-out for these tests (its time-out box)
constexpr int Patience = 20000; // upper bound of any wait for something that must happen
constexpr qint64 ReadingsPerBatch = 232;

struct Check {
    QString control, prop, value;
};

qsizetype requestsIn(const QString &logFile, const QString &command)
{
    QFile f(logFile);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readAll().count(QStringLiteral("\"command\":\"%1\"").arg(command).toLatin1());
}

} // namespace

Q_DECLARE_METATYPE(Check)

class DeviceFaults : public QObject {
    Q_OBJECT
private slots:
    void faultShownOnceThenPollingRestarts_data();
    void faultShownOnceThenPollingRestarts();
    void faultAtStartUpLeavesWeightUsable_data();
    void faultAtStartUpLeavesWeightUsable();
    void deviceLostInFastSamplingRun_data();
    void deviceLostInFastSamplingRun();

private:
    // A monitor started against a healthy device that answered its start-up request.
    bool startStation(QTemporaryDir &work, Sim &device, Monitor &monitor);
    // The device healthy again on its old port: a Weight click polls as usual.
    void weightPollsAgain(const QTemporaryDir &work, quint16 port, Monitor &monitor,
                          const QStringList &shown);
};

bool DeviceFaults::startStation(QTemporaryDir &work, Sim &device, Monitor &monitor)
{
    if (!work.isValid() || !device.start(0, {}))
        return false;
    if (!monitor.start(work.path(), QStringLiteral("127.0.0.1:%1").arg(device.port())))
        return false;
    return monitor.waitFor(QStringLiteral("lblChanNum"), QStringLiteral("caption"), QStringLiteral("1"),
                           Patience) &&
           monitor.run(QStringLiteral("type txtTimeout2 %1").arg(TimeOutMs));
}

void DeviceFaults::weightPollsAgain(const QTemporaryDir &work, quint16 port, Monitor &monitor,
                                    const QStringList &shown)
{
    Sim healthy;
    const QString log = work.filePath(QStringLiteral("healthy.log"));
    QVERIFY(healthy.start(port, {QStringLiteral("--log"), log}));
    QVERIFY(monitor.run(QStringLiteral("click cmdWeight")));
    QTRY_VERIFY_WITH_TIMEOUT(requestsIn(log, QStringLiteral("GetRTStatus")) >= 3, Patience);
    // The counter starts again at the click and counts the replies of this device, and goes on counting.
    const qint64 counted = monitor.count(QStringLiteral("lblTotalReadingsD"));
    QVERIFY(counted >= 1 && counted <= requestsIn(log, QStringLiteral("GetRTStatus")));
    QVERIFY(monitor.waitForCount(QStringLiteral("lblTotalReadingsD"), counted + 2, Patience));
    QCOMPARE(monitor.property(QStringLiteral("lblChanNum"), QStringLiteral("caption")), QStringLiteral("1"));
    QVERIFY(monitor.run(QStringLiteral("click cmdStopSample")));
    QVERIFY(monitor.waitFor(QStringLiteral("cmdWeight"), QStringLiteral("backcolor"),
                            QStringLiteral("0x8000000F"), Patience));
    QCOMPARE(monitor.messages(), shown);
    QCOMPARE(monitor.quit(), 0);
}

void DeviceFaults::faultShownOnceThenPollingRestarts_data()
{
    QTest::addColumn<QStringList>("faults"); // the faulty device's options; none: no device at all
    QTest::addColumn<bool>("deviceRuns");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QList<Check>>("display");
    QTest::addColumn<bool>("pollsOn"); // polling goes on in spite of the fault

    const QList<Check> stopped{{"lblWT_BRUTTO", "stale", "true"},
                               {"cmdWeight", "enabled", "true"},
                               {"cmdWeight", "backcolor", "0x8000000F"}};
    const QList<Check> givenUp{{"cmdWeight", "enabled", "true"},
                               {"cmdWeight", "backcolor", "0x8000000F"},
                               {"cmdStart_Sample", "enabled", "true"}};
    const QList<Check> normal{{"lblChanNum", "caption", "1"}, {"lblErrNumer", "caption", "0"}};
    const auto fault = [](const QString &f) { return QStringList{QStringLiteral("--fault"), f}; };

    QTest::newRow("never_answers") << fault("never-answer") << true << QStringList{NoAnswer} << stopped
                                   << false;
    QTest::newRow("closes_without_answer")
        << fault("close") << true << QStringList{NoAnswer} << stopped << false;
    QTest::newRow("refuses_device_ended")
        << QStringList{} << false << QStringList{NoAnswer} << stopped << false;
    QTest::newRow("refuses_connections")
        << fault("refuse") << true << QStringList{NoAnswer} << stopped << false;
    QTest::newRow("reply_in_1_byte_chunks") << fault("chunk=1") << true << QStringList{} << normal << true;
    QTest::newRow("reply_in_one_write") << fault("one-write") << true << QStringList{} << normal << true;
    QTest::newRow("trailer_3_chars") << fault("trailer=3") << true << QStringList{InvalidXml} << givenUp
                                     << false;
    QTest::newRow("trailer_5_chars") << fault("trailer=5") << true << QStringList{InvalidXml} << givenUp
                                     << false;
    QTest::newRow("slow_reply_under_timeout")
        << fault(QStringLiteral("slow=%1").arg(TimeOutMs / 2)) << true << QStringList{} << normal << true;
    // The time-out is reported at the second tick of the time-out timer after the request, so a reply
    // later than two periods always comes too late.
    QTest::newRow("slow_reply_over_timeout") << fault(QStringLiteral("slow=%1").arg(TimeOutMs * 5 / 2))
                                             << true << QStringList{NoAnswer} << stopped << false;
    QTest::newRow("error_code_7") << fault("error=7:Overload") << true << QStringList{}
                                  << QList<Check>{{"lblErrNumer", "caption", "7"},
                                                  {"lblErrNumer", "forecolor", "0x0000FF"},
                                                  {"lblErrDescr", "caption", "Overload"},
                                                  {"lblErrDescr", "forecolor", "0x0000FF"}}
                                  << true;
    QTest::newRow("malformed_unclosed") << fault("malformed=unclosed") << true << QStringList{}
                                        << QList<Check>{{"lblChanNum", "caption", "Err"}} << true;
    QTest::newRow("malformed_no_prolog")
        << fault("malformed=no-prolog") << true << QStringList{} << normal << true;
    QTest::newRow("malformed_wrong_prolog")
        << fault("malformed=wrong-prolog") << true << QStringList{} << normal << true;
    // "#" before every value: the weight is no number, said once for the whole spell
    QTest::newRow("malformed_bad_values")
        << fault("malformed=bad-values") << true << QStringList{QStringLiteral("Not Number")}
        << QList<Check>{{"lblWT_BRUTTO", "caption", "000.000"}} << true;
    QTest::newRow("malformed_no_root_close")
        << fault("malformed=no-root-close") << true << QStringList{InvalidXml} << givenUp << false;
    QTest::newRow("oversize_2_MiB") << fault(QStringLiteral("oversize=%1").arg(2 * 1024 * 1024)) << true
                                    << QStringList{InvalidXml} << givenUp << false;
}

void DeviceFaults::faultShownOnceThenPollingRestarts()
{
    QFETCH(QStringList, faults);
    QFETCH(bool, deviceRuns);
    QFETCH(QStringList, shown);
    QFETCH(QList<Check>, display);
    QFETCH(bool, pollsOn);
    QTemporaryDir work;
    Sim healthy;
    Monitor monitor;
    QVERIFY(startStation(work, healthy, monitor));
    const quint16 port = healthy.port();
    healthy.stop();

    // The device comes back faulty on its port, and the operator starts polling.
    Sim faulty;
    if (deviceRuns)
        QVERIFY(faulty.start(port, faults));
    QVERIFY(monitor.run(QStringLiteral("click cmdWeight")));
    if (pollsOn)
        QVERIFY(monitor.waitForCount(QStringLiteral("lblTotalReadingsD"), 3, Patience));
    else
        QVERIFY2(monitor.awaitMessages(1, Patience), "the fault was not reported");
    // No second message over two more time-out periods, and the program answers.
    QVERIFY(monitor.run(QStringLiteral("wait %1").arg(2 * TimeOutMs)));
    QCOMPARE(monitor.messages(), shown);
    for (const Check &c : std::as_const(display))
        QCOMPARE(monitor.property(c.control, c.prop), c.value);
    if (pollsOn) {
        const qint64 before = monitor.count(QStringLiteral("lblTotalReadingsD"));
        QVERIFY(monitor.waitForCount(QStringLiteral("lblTotalReadingsD"), before + 2, Patience));
        QVERIFY(monitor.run(QStringLiteral("click cmdStopSample")));
        QVERIFY(monitor.waitFor(QStringLiteral("cmdWeight"), QStringLiteral("backcolor"),
                                QStringLiteral("0x8000000F"), Patience));
    }
    faulty.stop();
    weightPollsAgain(work, port, monitor, shown);
}

void DeviceFaults::faultAtStartUpLeavesWeightUsable_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("shown");
    QTest::newRow("closes_without_answer") << "close" << NoAnswer;
    QTest::newRow("trailer_3_chars") << "trailer=3" << InvalidXml;
    QTest::newRow("stops_after_prolog") << "stall=60000" << NoAnswer;
}

// The start-up status request meets a faulty device: the fault is shown once and the Weight button is
// not left green (a green button ignores the click).
void DeviceFaults::faultAtStartUpLeavesWeightUsable()
{
    QFETCH(QString, fault);
    QFETCH(QString, shown);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    Sim faulty;
    QVERIFY(faulty.start(0, {QStringLiteral("--fault"), fault}));
    Monitor monitor;
    QVERIFY(monitor.start(work.path(), QStringLiteral("127.0.0.1:%1").arg(faulty.port())));
    QVERIFY(monitor.awaitMessages(1, Patience));
    QVERIFY(monitor.run(QStringLiteral("wait %1").arg(2 * TimeOutMs)));
    QCOMPARE(monitor.messages(), QStringList{shown});
    QCOMPARE(monitor.property(QStringLiteral("cmdWeight"), QStringLiteral("backcolor")),
             QStringLiteral("0x8000000F"));
    QCOMPARE(monitor.property(QStringLiteral("cmdWeight"), QStringLiteral("enabled")),
             QStringLiteral("true"));
    const quint16 port = faulty.port();
    faulty.stop();
    weightPollsAgain(work, port, monitor, {shown});
}

void DeviceFaults::deviceLostInFastSamplingRun_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("between_batches") << QStringList{};
    // Each batch's rest follows its prolog late, so the device mostly vanishes in the middle of one.
    QTest::newRow("in_the_middle_of_a_batch")
        << QStringList{QStringLiteral("--fault"), QStringLiteral("stall=300@GetFastSampling")};
}

// The device disappears in the middle of a fast-sampling run: one message (no answer, or the reply
// cut off given up), the run kept in the auto-save file up to the last block stored, and the station
// usable again.
void DeviceFaults::deviceLostInFastSamplingRun()
{
    QFETCH(QStringList, options);
    QTemporaryDir work;
    Sim first;
    Monitor monitor;
    QVERIFY(startStation(work, first, monitor));
    const quint16 port = first.port();
    first.stop();
    Sim device;
    const QString log = work.filePath(QStringLiteral("device.log"));
    QVERIFY(device.start(port, QStringList{QStringLiteral("--run-ms"), QStringLiteral("600000"),
                                           QStringLiteral("--log"), log} +
                                   options));

    QVERIFY(monitor.run(QStringLiteral("click cmdStart_Sample")));
    QVERIFY(monitor.waitForCount(QStringLiteral("lblTotalReadingsD"), 4 * ReadingsPerBatch, Patience));
    const QString autoSave = work.filePath(QStringLiteral("AutoSave.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(autoSave).size() > 0, Patience); // a tick saved part of the run
    device.stop();

    QVERIFY2(monitor.awaitMessages(1, Patience), "the lost device was not reported");
    QVERIFY(monitor.run(QStringLiteral("wait %1").arg(2 * TimeOutMs)));
    const QStringList shown = monitor.messages();
    QVERIFY2(shown == QStringList{NoAnswer} || shown == QStringList{InvalidXml},
             qPrintable(shown.join(u'|')));
    qInfo("the device vanished %s", shown == QStringList{NoAnswer} ? "between replies" : "in a reply");
    QCOMPARE(monitor.property(QStringLiteral("cmdStart_Sample"), QStringLiteral("enabled")),
             QStringLiteral("true"));
    QCOMPARE(monitor.property(QStringLiteral("cmdStart_Sample"), QStringLiteral("backcolor")),
             QStringLiteral("0x8000000F"));
    QCOMPARE(monitor.property(QStringLiteral("cmdWeight"), QStringLiteral("enabled")),
             QStringLiteral("true"));

    // Every block stored before the loss reaches the auto-save file: the next tick after the fault
    // writes what the previous ticks had not.
    const qint64 storedBlocks = monitor.count(QStringLiteral("lblTotalReadingsD")) / ReadingsPerBatch;
    QVERIFY(storedBlocks >= 4);
    HistoryCheck::SavedRun saved;
    QTRY_VERIFY_WITH_TIMEOUT((saved = HistoryCheck::read([&] {
                                  QFile f(autoSave);
                                  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
                              }()))
                                     .blocks == storedBlocks,
                             Patience);
    QVERIFY2(saved.wellFormed, qPrintable(saved.fault));
    QVERIFY(saved.readings >= saved.blocks); // every block holds at least one reading
    // The device handed over one batch per request but the last (cut off) and the monitor keeps all
    // but the very first batch of its life.
    const qsizetype batches = requestsIn(log, QStringLiteral("GetFastSampling"));
    QVERIFY2(saved.blocks >= batches - 2 && saved.blocks <= batches - 1,
             qPrintable(QStringLiteral("%1 blocks saved of %2 requests").arg(saved.blocks).arg(batches)));

    weightPollsAgain(work, port, monitor, shown);
}

QTEST_MAIN(DeviceFaults)
#include "tst_device_faults.moc"
