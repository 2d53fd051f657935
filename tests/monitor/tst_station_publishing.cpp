// Publishing without a broker: the station settings file and its problems, the payloads as a broker's
// subscriber reads them, the thinning of weights and the queue that drops the oldest weights first.
#include "StationPublishing.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class tst_station_publishing : public QObject {
    Q_OBJECT
private slots:
    void settings_data();
    void settings();
    void payloads();
    void thinning();
    void queueDropsOldestWeightsFirst();
};

void tst_station_publishing::settings_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("problem"); // a word of the one problem named, or empty

    QTest::newRow("missing: defaults, off") << ""
                                            << "zelk/plant-pc-10.0.0.5-5000"
                                            << "";
    QTest::newRow("own prefix") << "[Publish]\nEnabled=true\nTopicPrefix=hall2/scale7\n"
                                << "hall2/scale7"
                                << "";
    QTest::newRow("client id names the prefix") << "[Publish]\nClientId=line 4/+\n"
                                                << "zelk/line-4--"
                                                << "";
    QTest::newRow("port not a number") << "[Publish]\nPort=18a3\n"
                                       << "zelk/plant-pc-10.0.0.5-5000"
                                       << "Port";
    QTest::newRow("port out of range") << "[Publish]\nPort=70000\n"
                                       << "zelk/plant-pc-10.0.0.5-5000"
                                       << "Port";
    QTest::newRow("wildcard prefix") << "[Publish]\nTopicPrefix=zelk/#\n"
                                     << "zelk/#"
                                     << "TopicPrefix";
    QTest::newRow("enabled neither") << "[Publish]\nEnabled=yes please\n"
                                     << "zelk/plant-pc-10.0.0.5-5000"
                                     << "Enabled";
    QTest::newRow("password without user") << "[Publish]\nPasswordFile=/etc/x\n"
                                           << "zelk/plant-pc-10.0.0.5-5000"
                                           << "Username";
    QTest::newRow("tls without ca") << "[Publish]\nTls=true\n"
                                    << "zelk/plant-pc-10.0.0.5-5000"
                                    << "CaFile";
    QTest::newRow("rate zero") << "[Publish]\nWeightRate=0\n"
                               << "zelk/plant-pc-10.0.0.5-5000"
                               << "WeightRate";
}

void tst_station_publishing::settings()
{
    QFETCH(QString, file);
    QFETCH(QString, prefix);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ZELK_NET_station.ini"));
    if (!file.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.toUtf8());
    }
    QSettings ini(path, QSettings::IniFormat);
    const Publish::LoadedSettings loaded =
        Publish::loadSettings(ini, QStringLiteral("plant-pc"), "10.0.0.5:5000");
    QCOMPARE(loaded.settings.topicPrefix, prefix);
    QCOMPARE(loaded.problems.size(), problem.isEmpty() ? 0 : 1);
    if (!problem.isEmpty())
        QVERIFY2(loaded.problems.first().contains(problem), qPrintable(loaded.problems.first()));
    QCOMPARE(loaded.settings.enabled, file.contains(QLatin1String("Enabled=true")));
}

void tst_station_publishing::payloads()
{
    const QDateTime t(QDate(2026, 12, 8), QTime(18, 45, 36, 123), Qt::UTC);
    Publish::WeightSample sample{t, 23.906, QStringLiteral("kg"), 1.5, 27906, std::nullopt, false};
    const Publish::Message w = Publish::weight(QStringLiteral("zelk/s1"), sample);
    QCOMPARE(w.topic, QByteArray("zelk/s1/weight"));
    QVERIFY(w.droppable && w.qos == 0 && !w.retain);
    const QJsonObject o = QJsonDocument::fromJson(w.payload).object();
    QCOMPARE(o.value("schema").toInt(), Publish::SchemaVersion);
    QCOMPARE(o.value("time").toString(), QStringLiteral("2026-12-08T18:45:36.123Z"));
    QCOMPARE(o.value("weight").toDouble(), 23.906); // the number as shown, not rounded
    QVERIFY(o.value("channel").isNull());
    QVERIFY(w.payload.contains("\"weight\":23.906"));

    const Publish::Message io = Publish::io(QStringLiteral("zelk/s1"), 5, 1018, t);
    QVERIFY(io.retain && io.qos == 1 && !io.droppable);
    const Publish::Message end = Publish::runEnded(QStringLiteral("p"), {"/h/All_data.txt", 4640, 20, 9000},
                                                   QStringLiteral("No space left on device"), t);
    const QJsonObject e = QJsonDocument::fromJson(end.payload).object();
    QCOMPARE(e.value("event").toString(), QStringLiteral("end"));
    QCOMPARE(e.value("readings").toInt(), 4640);
    QCOMPARE(e.value("saved").toBool(), false);
}

void tst_station_publishing::thinning()
{
    Publish::Thinner thin(10);
    int taken = 0;
    for (int ms = 0; ms < 1000; ms += 20) // a device answering 50 times a second
        taken += thin.take(ms) ? 1 : 0;
    QCOMPARE(taken, 10);
}

void tst_station_publishing::queueDropsOldestWeightsFirst()
{
    Publish::MessageQueue queue(3);
    const auto message = [](const char *payload, bool weight) {
        return Publish::Message{"t", payload, weight ? 0 : 1, false, weight};
    };
    queue.push(message("io1", false));
    queue.push(message("w1", true));
    queue.push(message("w2", true));
    queue.push(message("run", false)); // w1 goes
    queue.push(message("io2", false)); // w2 goes
    queue.push(message("io3", false)); // no weight left: the oldest goes
    QCOMPARE(queue.dropped(), 3);
    QStringList left;
    while (const auto m = queue.pop())
        left << QString::fromLatin1(m->payload);
    QCOMPARE(left, (QStringList{"run", "io2", "io3"}));
}

QTEST_GUILESS_MAIN(tst_station_publishing)
#include "tst_station_publishing.moc"
