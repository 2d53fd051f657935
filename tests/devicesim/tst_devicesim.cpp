// The device stand-in on loopback, driven with raw sockets: reply grammar of every command, fast
// sampling to the end code, set point and channels, every fault, malformed requests and the log.
#include "DeviceSim.h"
#include "SimClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace ZelkSim;

namespace {

constexpr int ReplyTimeoutMs = 10000;

// Runs one exchange to its end (the device closed the connection) and returns the client.
std::unique_ptr<SimClient> exchange(const DeviceSim &sim, const QByteArray &command, const QByteArray &body)
{
    auto client = std::make_unique<SimClient>(sim.serverPort(), command, body);
    if (!client->waitClosed(ReplyTimeoutMs))
        qWarning("no complete exchange within %d ms", ReplyTimeoutMs);
    return client;
}

QByteArray replyTo(const DeviceSim &sim, const QByteArray &command, const QByteArray &body = "ID=4")
{
    return exchange(sim, command, body)->reply;
}

} // namespace

class tst_DeviceSim : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DeviceSim> sim;

    void startSim(const ModelConfig &config = {})
    {
        sim = std::make_unique<DeviceSim>(config);
        QVERIFY2(sim->listen(), qPrintable(sim->errorString()));
    }

private slots:
    void init() { startSim(); }
    void cleanup() { sim.reset(); }

    void everyCommandAnswersWithTheGrammarTheMonitorReads_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArrayList>("elements");
        const QByteArrayList status = {"ERROR_CODE", "ERROR_DESCRIPTION", "A2D",  "OUT_STATUS", "IN_STATUS",
                                       "WEIGHT",     "INTEGRATION",       "UNIT", "CHANNEL",    "SP_STATUS"};
        QTest::newRow("GetRTStatus") << QByteArray("GetRTStatus") << QByteArray("ID=4") << status;
        QTest::newRow("SetOutput") << QByteArray("SetOutput")
                                   << QByteArray("ID=4&OUT_STATUS=1023&SET_POINT=0")
                                   << QByteArrayList{"ERROR_CODE", "OUT_STATUS_ECHO"};
        QTest::newRow("StartSample") << QByteArray("StartSample") << QByteArray()
                                     << QByteArrayList{"ERROR_CODE"};
        QTest::newRow("GetFastSampling_no_run")
            << QByteArray("GetFastSampling") << QByteArray("ID=4") << QByteArrayList{"ERROR_CODE"};
        QTest::newRow("StopSample") << QByteArray("StopSample") << QByteArray()
                                    << QByteArrayList{"ERROR_CODE"};
        QTest::newRow("ch1_switch") << QByteArray("ch1_switch") << QByteArray("ID=4")
                                    << QByteArrayList{"ERROR_CODE", "CHANNEL"};
        QTest::newRow("ch2_switch") << QByteArray("ch2_switch") << QByteArray()
                                    << QByteArrayList{"ERROR_CODE", "CHANNEL"};
    }
    void everyCommandAnswersWithTheGrammarTheMonitorReads()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, body);
        QFETCH(QByteArrayList, elements);
        QSignalSpy sent(sim.get(), &DeviceSim::replySent);
        const auto client = exchange(*sim, command, body);
        QVERIFY(client->closed);
        QCOMPARE(grammarProblem(client->reply, command), QString());
        for (const QByteArray &name : elements)
            QVERIFY2(elementText(client->reply, name) != "<absent>", name.constData());
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sim->requests().size(), 1);
        QCOMPARE(sim->requests().first().raw, requestBytes(command, body));
        QCOMPARE(sim->requests().first().command, QString::fromLatin1(command));
        QCOMPARE(sim->requests().first().body, body);
        QVERIFY(sim->requests().first().error.isEmpty());
    }

    void statusReplyIsABelievableReading()
    {
        const QByteArray reply = replyTo(*sim, "GetRTStatus");
        const QByteArray weight = elementText(reply, "WEIGHT");
        QVERIFY2(weight.size() <= 10 && weight.indexOf('.') == weight.size() - 4, weight.constData());
        QCOMPARE(elementText(reply, "A2D").toLongLong(), a2dForWeight(weight.toDouble()));
        QVERIFY(elementText(reply, "A2D").toLongLong() <= 130000);
        QCOMPARE(elementText(reply, "OUT_STATUS"), QByteArray("1023"));
        QCOMPARE(elementText(reply, "INTEGRATION"), QByteArray("2"));
        QCOMPARE(elementText(reply, "UNIT"), QByteArray("KG"));
        QCOMPARE(elementText(reply, "CHANNEL"), QByteArray("1"));
        QCOMPARE(elementText(reply, "ERROR_CODE"), QByteArray("0"));
    }

    void fastSamplingHandsOverEveryReadingThenEndCode200()
    {
        startSim({7, Profile::Busy, 1, 1000});
        QCOMPARE(elementText(replyTo(*sim, "StartSample", ""), "ERROR_CODE"), QByteArray("0"));
        QTRY_VERIFY_WITH_TIMEOUT(!sim->state().samplingActive(sim->deviceTimeMs()), ReplyTimeoutMs);
        DeviceState expected({7, Profile::Busy, 1, 1000});
        expected.startSampling(0);
        QList<int> sizes;
        int next = 0;
        for (QByteArray reply = replyTo(*sim, "GetFastSampling"); elementText(reply, "ERROR_CODE") == "0";
             reply = replyTo(*sim, "GetFastSampling")) {
            QCOMPARE(grammarProblem(reply, "GetFastSampling"), QString());
            int n = 0;
            for (; elementText(reply, 'W' + QByteArray::number(n)) != "<absent>"; ++n)
                QCOMPARE(elementText(reply, 'W' + QByteArray::number(n)),
                         expected.readingText(next + n).toLatin1());
            QVERIFY(reply.contains("</W" + QByteArray::number(n - 1) + "></GetFastSampling>\r\n\r\n"));
            sizes << n;
            next += n;
        }
        QCOMPARE(sizes, (QList<int>{232, 232, 232, 232, 72}));
        const QByteArray end = replyTo(*sim, "GetFastSampling");
        QCOMPARE(elementText(end, "ERROR_CODE"), QByteArray("200"));
        QCOMPARE(grammarProblem(end, "GetFastSampling"), QString());
        QVERIFY(!end.contains("<W0>"));
    }

    void stopSampleHandsOverTheRestThenEndCode200()
    {
        startSim({1, Profile::Steady, 5, 600000});
        replyTo(*sim, "StartSample", "");
        const QByteArray first = replyTo(*sim, "GetFastSampling");
        QVERIFY2(first.contains("<W0>"), "a batch waits for its first reading instead of coming empty");
        QCOMPARE(elementText(replyTo(*sim, "StopSample", ""), "ERROR_CODE"), QByteArray("0"));
        QByteArray reply;
        int batches = 0;
        do {
            reply = replyTo(*sim, "GetFastSampling");
            QVERIFY(++batches < 1000);
        } while (elementText(reply, "ERROR_CODE") == "0");
        QCOMPARE(elementText(reply, "ERROR_CODE"), QByteArray("200"));
    }

    void setPointDrivesOutput10AndSpStatus_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<double>("weight");
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<QByteArray>("spStatus");
        QTest::newRow("armed_reached")
            << QByteArray("ID=4&OUT_STATUS=511&SET_POINT=40") << 50.0 << QByteArray("511") << QByteArray("1");
        QTest::newRow("armed_below") << QByteArray("ID=4&OUT_STATUS=511&SET_POINT=40") << 30.0
                                     << QByteArray("1023") << QByteArray("0");
        QTest::newRow("comma_set_point")
            << QByteArray("ID=4&OUT_STATUS=0&SET_POINT=12,5") << 12.5 << QByteArray("0") << QByteArray("1");
        QTest::newRow("output10_off_disarms") << QByteArray("ID=4&OUT_STATUS=1023&SET_POINT=40") << 50.0
                                              << QByteArray("1023") << QByteArray("0");
        QTest::newRow("no_set_point_plain_output")
            << QByteArray("ID=4&OUT_STATUS=510&SET_POINT=") << 50.0 << QByteArray("510") << QByteArray("0");
        QTest::newRow("minus_one_disarms")
            << QByteArray("ID=4&OUT_STATUS=511&SET_POINT=-1") << 0.0 << QByteArray("511") << QByteArray("0");
    }
    void setPointDrivesOutput10AndSpStatus()
    {
        QFETCH(QByteArray, body);
        QFETCH(double, weight);
        QFETCH(QByteArray, echo);
        QFETCH(QByteArray, spStatus);
        sim->state().forceWeight(weight);
        QCOMPARE(elementText(replyTo(*sim, "SetOutput", body), "OUT_STATUS_ECHO"), echo);
        const QByteArray status = replyTo(*sim, "GetRTStatus");
        QCOMPARE(elementText(status, "SP_STATUS"), spStatus);
        QCOMPARE(elementText(status, "OUT_STATUS"), echo);
    }

    void setOutputWithoutUsableWordIsRefused()
    {
        const QByteArray reply = replyTo(*sim, "SetOutput", "ID=4&OUT_STATUS=abc&SET_POINT=1");
        QCOMPARE(elementText(reply, "ERROR_CODE"), QByteArray("4"));
        QCOMPARE(elementText(replyTo(*sim, "GetRTStatus"), "OUT_STATUS"), QByteArray("1023"));
    }

    void channelSwitchChangesTheChannelExceptWhileSampling()
    {
        QCOMPARE(elementText(replyTo(*sim, "ch2_switch"), "CHANNEL"), QByteArray("2"));
        QCOMPARE(elementText(replyTo(*sim, "GetRTStatus"), "CHANNEL"), QByteArray("2"));
        QCOMPARE(elementText(replyTo(*sim, "ch1_switch"), "CHANNEL"), QByteArray("1"));
        sim->state().setRunMs(600000);
        replyTo(*sim, "StartSample", "");
        const QByteArray busy = replyTo(*sim, "ch2_switch");
        QCOMPARE(elementText(busy, "ERROR_CODE"), QByteArray("5"));
        QVERIFY(busy.contains("</ch"));
        QCOMPARE(elementText(replyTo(*sim, "GetRTStatus"), "CHANNEL"), QByteArray("1"));
    }

    void malformedRequestGetsAnErrorReplyAndTheDeviceGoesOn_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("root");
        QTest::addColumn<QByteArray>("code");
        QTest::newRow("get_request_line")
            << QByteArray("GET / HTTP/1.0\r\n\r\n") << QByteArray("Error") << QByteArray("1");
        QTest::newRow("no_length_header") << QByteArray("POST /GetRTStatus\r\n\r\nID=4\r\n")
                                          << QByteArray("GetRTStatus") << QByteArray("1");
        QTest::newRow("second_header")
            << QByteArray("POST /GetRTStatus\r\nHost: x\r\nContent-Length: 4\r\n\r\nID=4\r\n")
            << QByteArray("GetRTStatus") << QByteArray("1");
        QTest::newRow("length_counts_crlf")
            << QByteArray("POST /GetRTStatus\r\nContent-Length: 6\r\n\r\nID=4\r\n")
            << QByteArray("GetRTStatus") << QByteArray("3");
        QTest::newRow("body_longer_than_announced")
            << QByteArray("POST /GetRTStatus\r\nContent-Length: 2\r\n\r\nID=4\r\n")
            << QByteArray("GetRTStatus") << QByteArray("1");
        QTest::newRow("unknown_command")
            << requestBytes("GetEverything", "ID=4") << QByteArray("GetEverything") << QByteArray("2");
        QTest::newRow("binary_garbage")
            << QByteArray("\x00\xff\r\n\r\n", 6) << QByteArray("Error") << QByteArray("1");
        QTest::newRow("header_never_ends")
            << QByteArray("POST /GetRTStatus\r\n") << QByteArray("Error") << QByteArray("3");
    }
    void malformedRequestGetsAnErrorReplyAndTheDeviceGoesOn()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, root);
        QFETCH(QByteArray, code);
        sim->setRequestTimeoutMs(200);
        SimClient client(sim->serverPort(), QByteArrayList{request});
        QVERIFY(client.waitClosed(ReplyTimeoutMs));
        QCOMPARE(grammarProblem(client.reply, root), QString());
        QCOMPARE(elementText(client.reply, "ERROR_CODE"), code);
        QVERIFY(elementText(client.reply, "ERROR_DESCRIPTION").startsWith("Bad request: "));
        QCOMPARE(sim->requests().size(), 1);
        QCOMPARE(sim->requests().first().raw, request);
        QVERIFY(!sim->requests().first().error.isEmpty());
        QCOMPARE(grammarProblem(replyTo(*sim, "GetRTStatus"), "GetRTStatus"), QString());
    }

    void replyShapingFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("trailer"); // -1: no closing root tag to count from
        QTest::addColumn<QByteArray>("present");
        QTest::addColumn<QByteArray>("absent");
        QTest::addColumn<int>("size"); // 0: not checked
        QTest::newRow("chunk_1") << "chunk=1" << 4 << QByteArray("<A2D>") << QByteArray("#") << 0;
        QTest::newRow("one_write") << "one-write" << 4 << QByteArray("<A2D>") << QByteArray("#") << 0;
        QTest::newRow("trailer_3_chars") << "trailer=3" << 3 << QByteArray("<A2D>") << QByteArray("#") << 0;
        QTest::newRow("trailer_5_chars") << "trailer=5" << 5 << QByteArray("<A2D>") << QByteArray("#") << 0;
        QTest::newRow("error_code_7")
            << "error=7:Scale busy" << 4
            << QByteArray("<ERROR_CODE>7</ERROR_CODE><ERROR_DESCRIPTION>Scale busy<") << QByteArray("#") << 0;
        QTest::newRow("malformed_unclosed")
            << "malformed=unclosed" << 4 << QByteArray("<A2D>") << QByteArray("</A2D>") << 0;
        QTest::newRow("malformed_no_prolog")
            << "malformed=no-prolog" << -1 << QByteArray("<GetRTStatus>") << QByteArray("<?xml") << 0;
        QTest::newRow("malformed_wrong_prolog")
            << "malformed=wrong-prolog" << -1 << QByteArray("<?xml version=\"1.0\"?><GetRTStatus>")
            << QByteArray("<?xml version='1.0' ?>") << 0;
        QTest::newRow("malformed_no_root_close")
            << "malformed=no-root-close" << -1 << QByteArray("<SP_STATUS>") << QByteArray("</GetRTStatus>")
            << 0;
        QTest::newRow("malformed_bad_values")
            << "malformed=bad-values" << 4 << QByteArray("<A2D>#") << QByteArray("<ERROR_CODE>#") << 0;
        QTest::newRow("oversize_2MiB")
            << "oversize=2097152" << 4 << QByteArray("<PAD>xxx") << QByteArray("#") << 2097152;
    }
    void replyShapingFaults()
    {
        QFETCH(QString, fault);
        QFETCH(int, trailer);
        QFETCH(QByteArray, present);
        QFETCH(QByteArray, absent);
        QFETCH(int, size);
        QString error;
        const std::optional<FaultSpec> faultSpec = parseFaultSpec(fault, &error);
        QVERIFY2(faultSpec, qPrintable(error));
        sim->setFault(*faultSpec);
        const auto client = exchange(*sim, "GetRTStatus", "ID=4");
        QVERIFY(client->closed);
        if (trailer >= 0)
            QCOMPARE(grammarProblem(client->reply, "GetRTStatus", trailer), QString());
        QVERIFY2(client->reply.contains(present), client->reply.left(400).constData());
        QVERIFY2(!client->reply.contains(absent), client->reply.left(400).constData());
        if (size > 0)
            QCOMPARE(client->reply.size(), size);
        if (fault == QLatin1String("chunk=1"))
            QVERIFY(client->chunks > 1);
    }

    // The reply's writes follow each other as each has gone: many exchanges in a row all end whole.
    void exchangesInARowEachGetTheirWholeReply_data()
    {
        QTest::addColumn<QString>("fault"); // empty: the device as it starts
        QTest::newRow("default_two_writes") << QString();
        QTest::newRow("stall_2_ms") << "stall=2";
        QTest::newRow("chunk_7") << "chunk=7";
        QTest::newRow("one_write") << "one-write";
    }
    void exchangesInARowEachGetTheirWholeReply()
    {
        QFETCH(QString, fault);
        QString error;
        if (!fault.isEmpty())
            sim->setFault(*parseFaultSpec(fault, &error));
        QSignalSpy sent(sim.get(), &DeviceSim::replySent);
        constexpr int Exchanges = 40;
        for (int k = 0; k < Exchanges; ++k) {
            const auto client = exchange(*sim, "GetRTStatus", "ID=4");
            QVERIFY(client->closed);
            QCOMPARE(grammarProblem(client->reply, "GetRTStatus"), QString());
        }
        QCOMPARE(sent.size(), Exchanges);
        QCOMPARE(sim->requests().size(), Exchanges);
        QTRY_COMPARE(sim->openConnections(), 0);
    }

    // A reply held back (never, or slowly) is proved by a later exchange that completes first.
    void neverAnswerKeepsTheConnectionOpenWithoutAReply()
    {
        sim->setFault({Fault::NeverAnswer, 0, {}, QStringLiteral("GetRTStatus"), -1});
        SimClient held(sim->serverPort(), "GetRTStatus", "ID=4");
        QTRY_COMPARE(sim->requests().size(), 1);
        QCOMPARE(grammarProblem(replyTo(*sim, "StartSample", ""), "StartSample"), QString());
        QVERIFY(held.reply.isEmpty());
        QVERIFY(!held.closed);
        QTRY_COMPARE(sim->openConnections(), 1);
    }

    void slowReplyComesAfterALaterFastOne()
    {
        sim->setFault({Fault::SlowReply, 400, {}, QStringLiteral("GetRTStatus"), -1});
        SimClient slow(sim->serverPort(), "GetRTStatus", "ID=4");
        QTRY_COMPARE(sim->requests().size(), 1);
        QCOMPARE(grammarProblem(replyTo(*sim, "StopSample", ""), "StopSample"), QString());
        QVERIFY(slow.reply.isEmpty());
        QVERIFY(slow.waitClosed(ReplyTimeoutMs));
        QCOMPARE(grammarProblem(slow.reply, "GetRTStatus"), QString());
    }

    void stallSendsHeaderAndPrologThenPausesBeforeTheRest()
    {
        sim->setFault(Fault::Stall, 60000);
        SimClient client(sim->serverPort(), "GetRTStatus", "ID=4");
        QTRY_VERIFY_WITH_TIMEOUT(client.reply.endsWith("<?xml version='1.0' ?>"), ReplyTimeoutMs);
        QVERIFY(!client.closed);
    }

    void closeWithoutAnswerClosesAnEmptyConnection()
    {
        sim->setFault(Fault::CloseWithoutAnswer);
        const auto client = exchange(*sim, "GetRTStatus", "ID=4");
        QVERIFY(client->closed);
        QVERIFY(client->reply.isEmpty());
        QCOMPARE(sim->requests().size(), 1);
    }

    void refusedConnectionsSeeASocketErrorUntilCleared()
    {
        sim->setFault(Fault::RefuseConnections);
        const quint16 port = sim->serverPort();
        const auto client = exchange(*sim, "GetRTStatus", "ID=4");
        QVERIFY(client->closed);
        QVERIFY(client->reply.isEmpty());
        QCOMPARE(client->error, QAbstractSocket::ConnectionRefusedError);
        sim->clearFault();
        QCOMPARE(sim->serverPort(), port);
        QCOMPARE(grammarProblem(replyTo(*sim, "GetRTStatus"), "GetRTStatus"), QString());
    }

    void faultsSwitchAtRunTimeAndCountedFaultsEndByThemselves()
    {
        sim->setFault({Fault::TrailerCount, 3, {}, {}, 1});
        QCOMPARE(grammarProblem(replyTo(*sim, "GetRTStatus"), "GetRTStatus", 3), QString());
        QCOMPARE(grammarProblem(replyTo(*sim, "GetRTStatus"), "GetRTStatus"), QString());
        sim->setFault(Fault::ErrorCode, 9, QStringLiteral("Overheated"));
        sim->setFault({Fault::CloseWithoutAnswer, 0, {}, QStringLiteral("SetOutput"), -1});
        QCOMPARE(elementText(replyTo(*sim, "GetRTStatus"), "ERROR_CODE"), QByteArray("9"));
        QVERIFY(replyTo(*sim, "SetOutput", "ID=4&OUT_STATUS=1&SET_POINT=").isEmpty());
        sim->clearFault(Fault::ErrorCode);
        QCOMPARE(elementText(replyTo(*sim, "GetRTStatus"), "ERROR_CODE"), QByteArray("0"));
        sim->clearFault();
        QVERIFY(sim->faults().isEmpty());
        QVERIFY(!replyTo(*sim, "SetOutput", "ID=4&OUT_STATUS=1&SET_POINT=").isEmpty());
    }

    void elementOverridesAndRawRepliesShowExactValues()
    {
        sim->setElement(QStringLiteral("A2D"), QStringLiteral("130001"));
        sim->setElement(QStringLiteral("UNIT"), QStringLiteral("<b>KG</b>"));
        sim->omitElement(QStringLiteral("CHANNEL"));
        sim->setElement(QStringLiteral("EXTRA"), QStringLiteral("1"), QStringLiteral("GetFastSampling"));
        const QByteArray reply = replyTo(*sim, "GetRTStatus");
        QCOMPARE(elementText(reply, "A2D"), QByteArray("130001"));
        QCOMPARE(elementText(reply, "UNIT"), QByteArray("<b>KG</b>"));
        QCOMPARE(elementText(reply, "CHANNEL"), QByteArray("<absent>"));

        sim->state().forceReadingTexts({QStringLiteral("12345678901")});
        replyTo(*sim, "StartSample", "");
        const QByteArray batch = replyTo(*sim, "GetFastSampling");
        QVERIFY(batch.contains("<EXTRA>1</EXTRA><W0>12345678901</W0>"));

        sim->clearElementOverrides();
        sim->queueRawReply("<?xml version='1.0' ?><GetRTStatus><A2D>5</A2D></GetRTStatus>abc");
        QCOMPARE(replyTo(*sim, "GetRTStatus"),
                 statusHeader(200) + "<?xml version='1.0' ?><GetRTStatus><A2D>5</A2D></GetRTStatus>abc");
        QCOMPARE(elementText(replyTo(*sim, "GetRTStatus"), "CHANNEL"), QByteArray("1"));
    }

    void requestLogWritesOneJsonLinePerRequest()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("requests.jsonl"));
        QVERIFY(sim->setLogFile(path));
        replyTo(*sim, "GetRTStatus");
        replyTo(*sim, "SetOutput", "ID=4&OUT_STATUS=1022&SET_POINT=\"x\\");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArrayList lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.last().isEmpty());
        for (int i = 0; i < 2; ++i) {
            QJsonParseError err;
            const QJsonObject o = QJsonDocument::fromJson(lines.at(i), &err).object();
            QVERIFY2(err.error == QJsonParseError::NoError, lines.at(i).constData());
            QCOMPARE(o.value(QStringLiteral("n")).toInt(), i + 1);
            QCOMPARE(o.value(QStringLiteral("raw")).toString().toLatin1(), sim->requests().at(i).raw);
            QCOMPARE(o.value(QStringLiteral("command")).toString(), sim->requests().at(i).command);
            QCOMPARE(o.value(QStringLiteral("body")).toString().toLatin1(), sim->requests().at(i).body);
        }
        sim->clearRequests();
        QVERIFY(sim->requests().isEmpty());
    }

    void twoInstancesListenOnLoopbackSideBySide()
    {
        DeviceSim other;
        QVERIFY(other.listen());
        QCOMPARE(other.serverAddress(), QHostAddress(QHostAddress::LocalHost));
        QVERIFY(other.serverPort() != sim->serverPort());
        replyTo(other, "ch2_switch");
        QCOMPARE(elementText(replyTo(*sim, "GetRTStatus"), "CHANNEL"), QByteArray("1"));
        QCOMPARE(other.requests().size(), 1);
        QCOMPARE(sim->requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_DeviceSim)
#include "tst_devicesim.moc"
