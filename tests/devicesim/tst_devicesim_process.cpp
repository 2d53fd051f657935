// The zelk-devicesim executable as scripts start it: port on the first line of standard output,
// a request answered on loopback, the JSON request log, and a clear refusal of bad options.
#include "SimClient.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_DeviceSimProcess : public QObject {
    Q_OBJECT

private slots:
    void printsItsPortAndAnswersOnLoopback()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("requests.jsonl"));
        QProcess sim;
        sim.start(QStringLiteral(ZELK_DEVICESIM_EXE),
                  {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--log"), log,
                   QStringLiteral("--fault"), QStringLiteral("trailer=5@ch1_switch")});
        QVERIFY2(sim.waitForStarted(), qPrintable(sim.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
        bool ok = false;
        const quint16 port = sim.readLine().trimmed().toUShort(&ok);
        QVERIFY(ok && port != 0);

        SimClient status(port, "GetRTStatus", "ID=4");
        QTRY_VERIFY_WITH_TIMEOUT(status.closed, 10000);
        QCOMPARE(grammarProblem(status.reply, "GetRTStatus"), QString());
        SimClient channel(port, "ch1_switch", "ID=4");
        QTRY_VERIFY_WITH_TIMEOUT(channel.closed, 10000);
        QCOMPARE(grammarProblem(channel.reply, "ch1_switch", 5), QString());

        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readLine(),
                 QByteArray(R"({"n":1,"raw":"POST /GetRTStatus\r\nContent-Length: 4\r\n\r\nID=4\r\n",)"
                            R"("command":"GetRTStatus","body":"ID=4"})"
                            "\n"));
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
        QVERIFY(sim.readAllStandardOutput().isEmpty());
    }

    void refusesBadOptionsWithAMessage()
    {
        QProcess sim;
        sim.start(QStringLiteral(ZELK_DEVICESIM_EXE), {QStringLiteral("--profile"), QStringLiteral("calm")});
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardOutput().isEmpty());
        QVERIFY(sim.readAllStandardError().contains("--profile must be steady, busy or overload"));
    }
};

QTEST_GUILESS_MAIN(tst_DeviceSimProcess)
#include "tst_devicesim_process.moc"
