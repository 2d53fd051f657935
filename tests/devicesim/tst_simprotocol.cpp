// The device's wire format without a network: request framing, reply text and its writes, and the
// command line with its fault options.
#include "Protocol.h"
#include "SimOptions.h"

#include <QTest>

using namespace ZelkSim;

class tst_SimProtocol : public QObject {
    Q_OBJECT

private slots:
    void requestFraming_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("body");
        const int inc = ParsedRequest::Incomplete, ok = ParsedRequest::Complete, bad = ParsedRequest::Invalid;
        QTest::newRow("status_request")
            << QByteArray("POST /GetRTStatus\r\nContent-Length: 4\r\n\r\nID=4\r\n") << ok << "GetRTStatus"
            << QByteArray("ID=4");
        QTest::newRow("empty_body") << QByteArray("POST /StartSample\r\nContent-Length: 0\r\n\r\n\r\n") << ok
                                    << "StartSample" << QByteArray();
        QTest::newRow("first_write_only") << QByteArray("POST /GetRTStatus\r\n") << inc << "" << QByteArray();
        QTest::newRow("body_not_yet_in") << QByteArray("POST /GetRTStatus\r\nContent-Length: 4\r\n\r\n")
                                         << inc << "GetRTStatus" << QByteArray();
        QTest::newRow("crlf_after_body_missing")
            << QByteArray("POST /GetRTStatus\r\nContent-Length: 4\r\n\r\nID=4") << inc << "GetRTStatus"
            << QByteArray();
        QTest::newRow("partial_prefix") << QByteArray("POS") << inc << "" << QByteArray();
        QTest::newRow("lowercase_post") << QByteArray("post /GetRTStatus\r\n") << bad << "" << QByteArray();
        QTest::newRow("http_version")
            << QByteArray("POST /GetRTStatus HTTP/1.0\r\nContent-Length: 0\r\n\r\n\r\n") << bad << ""
            << QByteArray();
        QTest::newRow("length_leading_zero")
            << QByteArray("POST /X\r\nContent-Length: 04\r\n\r\nID=4\r\n") << bad << "X" << QByteArray();
        QTest::newRow("length_too_big")
            << QByteArray("POST /X\r\nContent-Length: 999999\r\n\r\n") << bad << "X" << QByteArray();
        QTest::newRow("data_after_request")
            << QByteArray("POST /X\r\nContent-Length: 0\r\n\r\n\r\nPOST") << bad << "X" << QByteArray();
        QTest::newRow("header_too_long")
            << QByteArray("POST /") + QByteArray(2000, 'A') << bad << "" << QByteArray();
    }
    void requestFraming()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, state);
        QFETCH(QString, command);
        QFETCH(QByteArray, body);
        const ParsedRequest r = parseRequest(data);
        QCOMPARE(int(r.state), state);
        QCOMPARE(r.command, command);
        QCOMPARE(r.body, body);
        QCOMPARE(r.error.isEmpty(), state != ParsedRequest::Invalid);
    }

    void replyTextAndItsTwoWrites()
    {
        const Elements elements = {{QStringLiteral("ERROR_CODE"), QStringLiteral("0")},
                                   {QStringLiteral("W0"), QStringLiteral("1.000")}};
        const QByteArray reply = replyBytes(QStringLiteral("GetFastSampling"), elements, {});
        const QByteArray header = "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n<?xml version='1.0' ?>";
        QCOMPARE(reply,
                 header +
                     "<GetFastSampling><ERROR_CODE>0</ERROR_CODE><W0>1.000</W0></GetFastSampling>\r\n\r\n");
        QCOMPARE(splitAfterProlog(reply), (QByteArrayList{header, reply.mid(header.size())}));
        QCOMPARE(splitInChunks(reply, 50).join(), reply);
        QCOMPARE(splitInChunks(reply, 50).size(), int((reply.size() + 49) / 50));
    }

    void faultSpecifications_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("param");
        QTest::addColumn<QString>("command");
        QTest::newRow("never_answer") << "never-answer" << true << int(Fault::NeverAnswer) << 0 << "";
        QTest::newRow("close_only_fast_sampling")
            << "close@GetFastSampling" << true << int(Fault::CloseWithoutAnswer) << 0 << "GetFastSampling";
        QTest::newRow("chunk_7") << "chunk=7" << true << int(Fault::Chunked) << 7 << "";
        QTest::newRow("error_with_text") << "error=7:Scale busy" << true << int(Fault::ErrorCode) << 7 << "";
        QTest::newRow("malformed_unknown") << "malformed=ugly" << false << 0 << 0 << "";
        QTest::newRow("oversize_2MiB")
            << "oversize=2097152" << true << int(Fault::Oversized) << 2097152 << "";
        QTest::newRow("refuse") << "refuse" << true << int(Fault::RefuseConnections) << 0 << "";
        QTest::newRow("unknown_command") << "close@GetAll" << false << 0 << 0 << "";
        QTest::newRow("unknown_fault") << "explode" << false << 0 << 0 << "";
    }
    void faultSpecifications()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, fault);
        QFETCH(int, param);
        QFETCH(QString, command);
        QString error;
        const std::optional<FaultSpec> faultSpec = parseFaultSpec(text, &error);
        QCOMPARE(faultSpec.has_value(), valid);
        QCOMPARE(error.isEmpty(), valid);
        if (!faultSpec)
            return;
        QCOMPARE(int(faultSpec->fault), fault);
        QCOMPARE(faultSpec->param, param);
        QCOMPARE(faultSpec->command, command);
        if (faultSpec->fault == Fault::ErrorCode)
            QCOMPARE(faultSpec->text, QStringLiteral("Scale busy"));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error"); // empty: accepted
        QTest::newRow("defaults_loopback") << QStringList{} << "";
        QTest::newRow("everything") << QStringList{"--listen",      "127.0.0.1:8080",
                                                   "--run-ms",      "500",
                                                   "--seed",        "9",
                                                   "--profile",     "overload",
                                                   "--integration", "4",
                                                   "--log",         "r.jsonl",
                                                   "--fault",       "chunk=3",
                                                   "--fault",       "trailer=5@GetRTStatus"}
                                    << "";
        QTest::newRow("listen_without_port") << QStringList{"--listen", "127.0.0.1"} << "--listen";
        QTest::newRow("listen_host_name") << QStringList{"--listen", "device.plant:80"} << "--listen";
        QTest::newRow("integration_zero") << QStringList{"--integration", "0"} << "--integration";
        QTest::newRow("unknown_profile") << QStringList{"--profile", "calm"} << "--profile";
        QTest::newRow("bad_fault") << QStringList{"--fault", "trailer"} << "trailer";
        QTest::newRow("stray_argument") << QStringList{"extra"} << "extra";
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        const ParsedOptions parsed = parseOptions(QStringList{QStringLiteral("zelk-devicesim")} + args);
        QCOMPARE(parsed.options.has_value(), error.isEmpty());
        QVERIFY2(parsed.error.contains(error), qPrintable(parsed.error));
        if (QTest::currentDataTag() == QLatin1String("defaults_loopback")) {
            QCOMPARE(parsed.options->address, QHostAddress(QHostAddress::LocalHost));
            QCOMPARE(parsed.options->port, quint16(0));
            QCOMPARE(parsed.options->model.runMs, 3000);
            QCOMPARE(parsed.options->model.integrationMs, 2);
        } else if (QTest::currentDataTag() == QLatin1String("everything")) {
            const SimOptions &o = *parsed.options;
            QCOMPARE(o.port, quint16(8080));
            QCOMPARE(o.model.seed, 9u);
            QCOMPARE(o.model.profile, Profile::Overload);
            QCOMPARE(o.model.integrationMs, 4);
            QCOMPARE(o.logFile, QStringLiteral("r.jsonl"));
            QCOMPARE(o.faults.size(), 2);
            QCOMPARE(o.faults.at(1).command, QStringLiteral("GetRTStatus"));
        }
    }

    void listenAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::newRow("ipv4") << "127.0.0.1:0"
                              << "127.0.0.1" << 0;
        QTest::newRow("localhost") << "localhost:80"
                                   << "127.0.0.1" << 80;
        QTest::newRow("ipv6") << "[::1]:81"
                              << "::1" << 81;
        QTest::newRow("port_too_big") << "127.0.0.1:65536"
                                      << "" << 0;
    }
    void listenAddresses()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        QFETCH(int, port);
        const auto parsed = parseListenAddress(text);
        QCOMPARE(parsed.has_value(), !address.isEmpty());
        if (parsed) {
            QCOMPARE(parsed->first, QHostAddress(address));
            QCOMPARE(int(parsed->second), port);
        }
    }
};

QTEST_GUILESS_MAIN(tst_SimProtocol)
#include "tst_simprotocol.moc"
