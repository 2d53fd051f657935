// Request framing: the body each command carries at send time, the three writes of a request and the
// address box's host[:port] form.
#include "HostAddress.h"
#include "RequestFraming.h"

#include <QTest>

class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void bodyRuleAtSendTime_data();
    void bodyRuleAtSendTime();
    void requestIsThreeWritesWithBodyLength_data();
    void requestIsThreeWritesWithBodyLength();
    void setOutputBodyCarriesWordAndSetPointAsTyped_data();
    void setOutputBodyCarriesWordAndSetPointAsTyped();
    void addressBoxTakesOptionalPort_data();
    void addressBoxTakesOptionalPort();
};

void TestFraming::bodyRuleAtSendTime_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("pending");
    QTest::addColumn<QString>("sent");
    QTest::newRow("status_forces_unit") << "GetRTStatus"
                                        << ""
                                        << "ID=4";
    QTest::newRow("batch_forces_unit") << "GetFastSampling"
                                       << "junk"
                                       << "ID=4";
    QTest::newRow("start_sample_empty") << "StartSample"
                                        << "ID=4"
                                        << "";
    QTest::newRow("stop_sample_empty") << "StopSample"
                                       << "ID=4"
                                       << "";
    QTest::newRow("set_output_unchanged") << "SetOutput"
                                          << "ID=4&OUT_STATUS=1022&SET_POINT="
                                          << "ID=4&OUT_STATUS=1022&SET_POINT=";
    QTest::newRow("channel_keeps_previous_body") << "ch2_switch"
                                                 << "ID=4"
                                                 << "ID=4";
    QTest::newRow("channel1_keeps_previous_body") << "ch1_switch"
                                                  << ""
                                                  << "";
    QTest::newRow("unknown_command_empty") << "ch3_switch"
                                           << "ID=4"
                                           << "";
    QTest::newRow("name_is_case_sensitive") << "getrtstatus"
                                            << "ID=4"
                                            << "";
}

void TestFraming::bodyRuleAtSendTime()
{
    QFETCH(QString, function);
    QFETCH(QString, pending);
    QFETCH(QString, sent);
    QCOMPARE(Framing::bodyAtSendTime(function, pending), sent);
}

void TestFraming::requestIsThreeWritesWithBodyLength_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QByteArray>("third");
    QTest::newRow("status") << "GetRTStatus"
                            << "ID=4" << QByteArray("POST /GetRTStatus\r\n")
                            << QByteArray("Content-Length: 4\r\n\r\n") << QByteArray("ID=4\r\n");
    QTest::newRow("empty_body_length_0") << "StartSample"
                                         << "" << QByteArray("POST /StartSample\r\n")
                                         << QByteArray("Content-Length: 0\r\n\r\n") << QByteArray("\r\n");
    QTest::newRow("all_off_body") << "SetOutput"
                                  << "ID=4&OUT_STATUS=1023&SET_POINT=0" << QByteArray("POST /SetOutput\r\n")
                                  << QByteArray("Content-Length: 32\r\n\r\n")
                                  << QByteArray("ID=4&OUT_STATUS=1023&SET_POINT=0\r\n");
}

void TestFraming::requestIsThreeWritesWithBodyLength()
{
    QFETCH(QString, function);
    QFETCH(QString, body);
    const auto writes = Framing::requestWrites(function, body);
    QTEST(writes[0], "first");
    QTEST(writes[1], "second");
    QTEST(writes[2], "third");
}

void TestFraming::setOutputBodyCarriesWordAndSetPointAsTyped_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("setPoint");
    QTest::addColumn<QString>("body");
    QTest::newRow("output3_off_sp250") << 4 << "250"
                                       << "ID=4&OUT_STATUS=4&SET_POINT=250";
    QTest::newRow("no_set_point_yet") << 1022 << ""
                                      << "ID=4&OUT_STATUS=1022&SET_POINT=";
    QTest::newRow("set_point_as_typed") << 512 << " 12,5"
                                        << "ID=4&OUT_STATUS=512&SET_POINT= 12,5";
}

void TestFraming::setOutputBodyCarriesWordAndSetPointAsTyped()
{
    QFETCH(int, word);
    QFETCH(QString, setPoint);
    QTEST(Framing::setOutputBody(std::int16_t(word), setPoint), "body");
}

void TestFraming::addressBoxTakesOptionalPort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("plain_address_port_80") << "192.168.1.100"
                                           << "192.168.1.100" << 80;
    QTest::newRow("host_and_port") << "127.0.0.1:8080"
                                   << "127.0.0.1" << 8080;
    QTest::newRow("blanks_trimmed") << " 127.0.0.1:81 "
                                    << "127.0.0.1" << 81;
    QTest::newRow("bad_port_whole_text_is_host") << "host:http"
                                                 << "host:http" << 80;
    QTest::newRow("port_out_of_range") << "host:70000"
                                       << "host:70000" << 80;
    QTest::newRow("port_zero") << "host:0"
                               << "host:0" << 80;
    QTest::newRow("ipv6_bracketed") << "[::1]:9000"
                                    << "::1" << 9000;
    QTest::newRow("ipv6_plain") << "::1"
                                << "::1" << 80;
}

void TestFraming::addressBoxTakesOptionalPort()
{
    QFETCH(QString, text);
    const HostAddress::Endpoint e = HostAddress::parse(text);
    QTEST(e.host, "host");
    QTEST(int(e.port), "port");
}

QTEST_APPLESS_MAIN(TestFraming)
#include "tst_framing.moc"
