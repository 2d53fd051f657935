// The device link without a window, against an in-process zelk-devicesim on loopback: what one
// exchange ends in for each way the device answers or fails, and the request bytes it sends.
#include "DeviceLink.h"
#include "DeviceSim.h"
#include "Protocol.h"
#include "Seams.h"

#include <QTest>

using ZelkSim::Fault;

Q_DECLARE_METATYPE(ZelkSim::Fault)

class TestDeviceLink : public QObject {
    Q_OBJECT
private slots:
    void init() { Zelk::setTickStart(1000); }
    void oneExchangeEndsInOneOutcome_data();
    void oneExchangeEndsInOneOutcome();
};

void TestDeviceLink::oneExchangeEndsInOneOutcome_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("param");
    QTest::addColumn<int>("trailer"); // characters after the closing root tag
    QTest::addColumn<QStringList>("outcomes");
    const QString status = QStringLiteral("GetRTStatus");
    QTest::newRow("answered") << status << Fault::OneWrite << 0 << 4 << QStringList{"handled 2", "closed"};
    QTest::newRow("channel_reply") << "ch1_switch" << Fault::OneWrite << 0 << 4
                                   << QStringList{"channel", "closed"};
    QTest::newRow("silent_device") << status << Fault::NeverAnswer << 0 << 4 << QStringList{"no answer"};
    QTest::newRow("closed_without_answer")
        << status << Fault::CloseWithoutAnswer << 0 << 4 << QStringList{"no answer"};
    QTest::newRow("refused") << status << Fault::RefuseConnections << 0 << 4 << QStringList{"socket failed"};
    QTest::newRow("reply_never_completes")
        << status << Fault::MalformedXml << int(ZelkSim::Malformed::NoRootClose) << 4
        << QStringList{"given up 2"};
    QTest::newRow("reply_too_large") << status << Fault::Oversized << 2 * 1024 * 1024 << 4
                                     << QStringList{"given up 1"};
    QTest::newRow("reply_rest_after_limit_completes")
        << status << Fault::Stall << 600 << 4 << QStringList{"handled 2", "closed"};
    QTest::newRow("reply_rest_after_limit_short")
        << status << Fault::Stall << 600 << 3 << QStringList{"given up 0"};
}

void TestDeviceLink::oneExchangeEndsInOneOutcome()
{
    QFETCH(QString, command);
    QFETCH(Fault, fault);
    QFETCH(int, param);
    QFETCH(int, trailer);
    ZelkSim::DeviceSim device;
    QVERIFY2(device.listen(), qPrintable(device.errorString()));
    device.setFault(fault, param);
    device.setFault(Fault::TrailerCount, trailer);
    DeviceLink link;
    const QString address = QStringLiteral("127.0.0.1:%1").arg(device.serverPort());
    link.setAddressSource([&address] { return address; });
    link.setTimeOut(400);
    link.setCommand(command, QString());
    QStringList outcomes;
    // The window silences the link after a failure, as here.
    const auto failed = [&](const QString &what) {
        outcomes << what;
        link.silence();
    };
    connect(&link, &DeviceLink::replyHandled, this,
            [&](Reply::Kind kind) { outcomes << QStringLiteral("handled %1").arg(int(kind)); });
    connect(&link, &DeviceLink::channelReply, this, [&] { outcomes << QStringLiteral("channel"); });
    connect(&link, &DeviceLink::closed, this, [&] { outcomes << QStringLiteral("closed"); });
    connect(&link, &DeviceLink::noAnswer, this, [&] { failed(QStringLiteral("no answer")); });
    connect(&link, &DeviceLink::socketFailed, this, [&] { failed(QStringLiteral("socket failed")); });
    connect(&link, &DeviceLink::replyGivenUp, this,
            [&](CommLog::GiveUp reason) { failed(QStringLiteral("given up %1").arg(int(reason))); });
    link.start();
    QTRY_VERIFY(!outcomes.isEmpty() && !link.busy());
    QTest::qWait(1000); // two more ticks: nothing more is reported
    QTEST(outcomes, "outcomes");
    QVERIFY(!link.busy());
    if (fault != Fault::RefuseConnections) {
        QCOMPARE(device.requests().size(), 1);
        const QByteArray body = command == QLatin1String("GetRTStatus") ? "ID=4" : "";
        QCOMPARE(device.requests().first().raw, "POST /" + command.toLatin1() +
                                                    "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                                    "\r\n\r\n" + body + "\r\n");
    }
}

QTEST_MAIN(TestDeviceLink)
#include "tst_device_link.moc"
