// Publishing against a real broker: the monitor polls and runs against zelk-devicesim and publishes to a
// mosquitto broker on loopback, read back by a subscriber; the broker goes away, refuses, or wants TLS.
#include "../support/MqttBroker.h"
#include "E2eProcesses.h"

#include <QFile>
#include <QTemporaryDir>
#include <csignal>

using E2e::Monitor;

namespace {

const QString Failed = QStringLiteral("Publishing to the broker");

void writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// The station settings file for `broker`; `extra` lines complete the [Publish] group.
void writeStation(const QString &folder, const Mqtt::MqttBroker &broker, const QByteArray &extra = {})
{
    writeFile(folder + "/ZELK_NET_station.ini", "[Publish]\nEnabled=true\nClientId=st1\nPort=" +
                                                    QByteArray::number(broker.port()) + "\n" + extra);
}

// Polling from the Weight button, once the start-up request has been answered (a click while it is on
// its way finds the window polling already, and is not taken).
bool startPolling(Monitor &monitor)
{
    return monitor.waitFor("lblChanNum", "caption", "1", 60000) && monitor.run("click cmdWeight");
}

// The Publish box ticked: on and connected.
bool connected(Monitor &monitor, int ms)
{
    return monitor.waitFor("chkPublish", "value", "1", ms);
}

QList<QJsonObject> payloads(const QList<Mqtt::Message> &messages, const QString &topic)
{
    QList<QJsonObject> found;
    for (const Mqtt::Message &m : messages)
        if (m.topic == topic)
            found << m.json();
    return found;
}

bool has(const QString &topic, int least, const QList<Mqtt::Message> &messages)
{
    return payloads(messages, topic).size() >= least;
}

} // namespace

class TestPublishing : public QObject {
    Q_OBJECT
private slots:
    void pollingRunAndLastWill();
    void brokerAwayWhilePolling_data();
    void brokerAwayWhilePolling();
    void refusedOrUntrusted_data();
    void refusedOrUntrusted();
};

// What a dashboard reads of a station: online, its weights thinned, the io words retained, a run's start
// and end; and, once the station is killed, "offline" from its last will with the last io state kept.
void TestPublishing::pollingRunAndLastWill()
{
    Mqtt::MqttBroker broker;
    QVERIFY(broker.start({}));
    E2e::Sim device;
    QVERIFY(device.start(0, {"--run-ms", "3000", "--integration", "2"}));
    Mqtt::MqttSubscriber sub;
    QVERIFY(sub.start(broker));
    QTemporaryDir dir;
    writeStation(dir.path(), broker);
    Monitor monitor;
    QVERIFY(monitor.start(dir.path(), QStringLiteral("127.0.0.1:%1").arg(device.port())));
    QVERIFY2(connected(monitor, 30000), qPrintable(monitor.property("chkPublish", "tooltip")));
    QVERIFY(startPolling(monitor));
    QVERIFY(sub.waitFor([](const auto &m) { return has("zelk/st1/weight", 20, m); }, 30000));
    QVERIFY(monitor.run("click cmdSetOutOn(2)"));
    QVERIFY(sub.waitFor([](const auto &m) { return has("zelk/st1/io", 2, m); }, 30000));
    QVERIFY(monitor.run("click cmdStopSample"));
    QVERIFY(monitor.waitFor("cmdWeight", "enabled", "true", 30000));
    QVERIFY(monitor.run("click cmdStart_Sample"));
    QVERIFY(sub.waitFor([](const auto &m) { return has("zelk/st1/run", 2, m); }, 60000));

    const QList<Mqtt::Message> seen = sub.messages();
    QCOMPARE(payloads(seen, "zelk/st1/status").value(0).value("state").toString(), QStringLiteral("online"));
    const QList<QJsonObject> weights = payloads(seen, "zelk/st1/weight");
    for (const QJsonObject &w : weights) {
        QCOMPARE(w.value("schema").toInt(), 1);
        QCOMPARE(w.value("unit").toString(), QStringLiteral("kg"));
        QVERIFY(w.value("weight").isDouble() && w.value("a2d").isDouble() && !w.value("overflow").toBool());
    }
    // At most ten a second, by the replies' own times.
    for (qsizetype i = 1; i < weights.size(); ++i) {
        const auto at = [&](qsizetype k) {
            return QDateTime::fromString(weights[k].value("time").toString(), Qt::ISODateWithMs);
        };
        QVERIFY2(at(i - 1).msecsTo(at(i)) >= 95, qPrintable(weights[i].value("time").toString()));
    }
    const QList<QJsonObject> io = payloads(seen, "zelk/st1/io");
    QCOMPARE(io.last().value("outputs").toInt() & 2, 0); // output 2 on: its bit cleared
    const QList<QJsonObject> run = payloads(seen, "zelk/st1/run");
    QCOMPARE(run[0].value("event").toString(), QStringLiteral("start"));
    QCOMPARE(run[1].value("event").toString(), QStringLiteral("end"));
    QVERIFY(run[1].value("readings").toInt() > 0 && run[1].value("saved").toBool());
    QCOMPARE(run[1].value("file").toString(), dir.filePath("All_data.txt"));

    // The device falls silent while polled: the operator's message is the broker's fault too.
    QVERIFY(monitor.waitFor("cmdWeight", "enabled", "true", 30000));
    QVERIFY(monitor.run("click cmdWeight"));
    device.stop();
    QVERIFY(sub.waitFor([](const auto &m) { return has("zelk/st1/fault", 1, m); }, 60000));
    const QJsonObject fault = payloads(sub.messages(), "zelk/st1/fault").first();
    QCOMPARE(fault.value("kind").toString(), QStringLiteral("no-answer"));
    QCOMPARE(QStringList{fault.value("message").toString()}, monitor.messages());

    monitor.process().kill();
    monitor.process().waitForFinished(10000);
    QVERIFY(sub.waitFor([](const auto &m) { return has("zelk/st1/status", 2, m); }, 30000));
    const std::optional<Mqtt::Message> status = Mqtt::retainedMessage(broker, "zelk/st1/status", 10000);
    QVERIFY(status && status->retained);
    QCOMPARE(status->json().value("state").toString(), QStringLiteral("offline"));
    const std::optional<Mqtt::Message> lastIo = Mqtt::retainedMessage(broker, "zelk/st1/io", 10000);
    QVERIFY(lastIo);
    QCOMPARE(lastIo->json(), payloads(sub.messages(), "zelk/st1/io").last()); // inputs change meanwhile
}

void TestPublishing::brokerAwayWhilePolling_data()
{
    QTest::addColumn<bool>("frozen");
    QTest::newRow("stopped and restarted") << false;
    QTest::newRow("frozen and thawed") << true;
}

// The broker stops in the middle of polling and comes back: polling goes on as before, one message,
// the box half ticked, weights beyond the queue dropped and counted, and publishing resumes by itself.
// A frozen broker (it holds the connection and reads nothing) slows polling no more.
void TestPublishing::brokerAwayWhilePolling()
{
    QFETCH(bool, frozen);
    Mqtt::MqttBroker broker;
    QVERIFY(broker.start({}));
    E2e::Sim device;
    QVERIFY(device.start(0, {}));
    QTemporaryDir dir;
    writeStation(dir.path(), broker, "QueueLimit=10\nWeightRate=50\n");
    Monitor monitor;
    QVERIFY(monitor.start(dir.path(), QStringLiteral("127.0.0.1:%1").arg(device.port())));
    QVERIFY2(connected(monitor, 30000), qPrintable(monitor.property("chkPublish", "tooltip")));
    QVERIFY(startPolling(monitor));
    const auto replies = [&] { return monitor.count("lblTotalReadingsD"); };
    QVERIFY(monitor.waitForCount("lblTotalReadingsD", 20, 30000));
    const auto rate = [&] {
        const qint64 from = replies();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(2000);
        return double(replies() - from) / double(clock.elapsed());
    };
    const double before = rate();
    if (frozen)
        ::kill(pid_t(broker.pid()), SIGSTOP);
    else
        broker.stop();
    QVERIFY(frozen || monitor.waitFor("chkPublish", "value", "2", 30000));
    const double away = rate();
    qInfo("replies per second: %.1f with the broker, %.1f without", before * 1000, away * 1000);
    QVERIFY2(away > before * 0.5, "polling slowed down while the broker was away");
    if (frozen)
        ::kill(pid_t(broker.pid()), SIGCONT);
    else
        QVERIFY(broker.restart());
    Mqtt::MqttSubscriber sub;
    QVERIFY(sub.start(broker));
    QVERIFY2(connected(monitor, 60000), qPrintable(monitor.property("chkPublish", "tooltip")));
    QVERIFY(sub.waitFor([](const auto &m) { return has("zelk/st1/weight", 5, m); }, 30000));
    const QStringList messages = monitor.messages();
    QCOMPARE(messages.size(), frozen ? 0 : 1);
    if (!frozen) {
        QVERIFY2(messages[0].startsWith(Failed), qPrintable(messages[0]));
        QVERIFY(monitor.property("chkPublish", "tooltip").contains("dropped"));
    }
    QCOMPARE(monitor.quit(), 0);
}

void TestPublishing::refusedOrUntrusted_data()
{
    QTest::addColumn<bool>("tls");
    QTest::addColumn<bool>("rightCa");
    QTest::addColumn<bool>("rightPassword");
    QTest::addColumn<QString>("reason"); // a word of the one message; empty: connects

    QTest::newRow("wrong password") << false << true << false << "not authorised";
    QTest::newRow("ca that did not sign the broker") << true << false << true << "TLS";
    QTest::newRow("tls with the right ca and password") << true << true << true << "";
}

// A broker that refuses or cannot be trusted: one message, the box half ticked; never a secret in the
// monitor's output, its communication log or its settings.
void TestPublishing::refusedOrUntrusted()
{
    QFETCH(bool, tls);
    QFETCH(bool, rightCa);
    QFETCH(bool, rightPassword);
    QFETCH(QString, reason);
    Mqtt::MqttBroker broker;
    QVERIFY(broker.start({true, tls}));
    E2e::Sim device;
    QVERIFY(device.start(0, {}));
    QTemporaryDir dir;
    const QByteArray secret =
        rightPassword ? broker.password().toUtf8() : "Wr0ng-" + broker.password().toUtf8();
    writeFile(dir.filePath("broker.pass"), secret + "\n");
    QByteArray extra =
        "Username=" + broker.user().toUtf8() + "\nPasswordFile=" + dir.filePath("broker.pass").toUtf8();
    if (tls)
        extra += "\nTls=true\nCaFile=" + (rightCa ? broker.caFile() : broker.otherCaFile()).toUtf8();
    writeStation(dir.path(), broker, extra + "\n");
    Monitor monitor;
    monitor.keepErrorsIn(dir.filePath("stderr.txt"));
    QVERIFY(monitor.start(dir.path(), QStringLiteral("127.0.0.1:%1").arg(device.port())));
    QVERIFY(monitor.run("check chkCommLog 1"));
    QVERIFY(monitor.run("click cmdWeight"));
    if (reason.isEmpty()) {
        QVERIFY2(connected(monitor, 30000), qPrintable(monitor.property("chkPublish", "tooltip")));
        QVERIFY(Mqtt::retainedMessage(broker, "zelk/st1/status", 10000));
    } else {
        QVERIFY(monitor.awaitMessages(1, 30000));
        QTest::qWait(3000); // the station tries again meanwhile, without another message
        const QStringList messages = monitor.messages();
        QCOMPARE(messages.size(), 1);
        qInfo("%s", qPrintable(messages[0]));
        QVERIFY2(messages[0].startsWith(Failed) && messages[0].contains(reason), qPrintable(messages[0]));
        QCOMPARE(monitor.property("chkPublish", "value"), QStringLiteral("2"));
    }
    const QString tip = monitor.property("chkPublish", "tooltip");
    QCOMPARE(monitor.quit(), 0);
    QVERIFY(!tip.contains(secret) && !monitor.messages().join(' ').contains(secret));
    for (const char *name : {"stderr.txt", "ZELK_NET_comm.log", "ZELK_NET_station.ini"}) {
        QFile file(dir.filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), name);
        QVERIFY2(!file.readAll().contains(secret), name);
    }
    QVERIFY(!broker.log().contains(QString::fromUtf8(secret)));
}

QTEST_MAIN(TestPublishing)
#include "tst_publishing.moc"
