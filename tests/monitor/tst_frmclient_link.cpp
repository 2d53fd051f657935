// The monitor window against an in-process zelk-devicesim on loopback: start-up with and without a
// settings file, the polling chain, faults of the device, replies cut any way, and saving the settings.
#include "Controls.h"
#include "DeviceSim.h"
#include "MonitorStation.h"
#include "Seams.h"
#include "frmClient.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <limits>
#include <memory>

using ZelkSim::Fault;

Q_DECLARE_METATYPE(ZelkSim::Fault)

namespace {

QByteArray request(const QByteArray &command, const QByteArray &body)
{
    return "POST /" + command + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body +
           "\r\n";
}

const QByteArray StatusRequest = request("GetRTStatus", "ID=4");
const QString NoAnswer = QStringLiteral("Server does not answer! Possibly IP-address is incorrect.\n"
                                        "Be sure the Server is running and try again, please! ");
const QString InvalidXml = QStringLiteral(" Invalid XML data!  ");
const QString BadStructure = QStringLiteral("Ivalid structure of the file ZELK_NET.cfg");

// One monitor station: a device on a free loopback port, a fresh current directory, recorded messages.
class Station : public MonitorStation {
public:
    // A settings file; "%ADDR%" stands for the device's address.
    void writeSettings(QByteArray text) const
    {
        writeFile(QStringLiteral("ZELK_NET.cfg"), text.replace("%ADDR%", address.toLatin1()));
    }
    frmClient &start() { return startWindow(); }
};

QByteArray settings(const QByteArray &startOut, const QByteArray &timeout = "5000",
                    const QByteArray &xmode = "2")
{
    return "IPaddress,%ADDR%\r\nStartOutStatus, " + startOut +
           "\r\nSetPointCheckBoxStart, 0\r\n"
           "Start_Sample_Time, 10\r\nStart_Sample_TimeOut, " +
           timeout + "\r\nX-mode:Samplings_or_Milisec:, " + xmode + "\r\nVZT\r\n";
}

} // namespace

class TestFrmClientLink : public QObject {
    Q_OBJECT
private slots:
    void init() { Zelk::setTickStart(1000); }

    void startUpSendsAllOffOrOneStatusRequest_data();
    void startUpSendsAllOffOrOneStatusRequest();
    void weightButtonPollsAsChainOfConnectionsUntilStopped();
    void pollingSurvivesTickWrap();
    void deviceFaultShowsNoAnswerOnceAndWeightIsUsableAgain_data();
    void deviceFaultShowsNoAnswerOnceAndWeightIsUsableAgain();
    void failedStopSampleAfterNoAnswerShowsNoSecondMessage();
    void stalledStatusRequestIsTimedOnce_data();
    void stalledStatusRequestIsTimedOnce();
    void unfinishedReplyIsGivenUpAfterTimeLimit_data();
    void unfinishedReplyIsGivenUpAfterTimeLimit();
    void errorCodeShownInRedWhilePollingGoesOn();
    void statusElementsOutOfRangeAreSkipped_data();
    void statusElementsOutOfRangeAreSkipped();
    void replyHandledHoweverTcpCutsIt_data();
    void replyHandledHoweverTcpCutsIt();
    void settingsFileLoads_data();
    void settingsFileLoads();
    void saveConfigWritesSettingsAndReportsFailure();
    void timeOutBoxIsValidated_data();
    void timeOutBoxIsValidated();
    void waitsEndAfterTheirLimitAcrossTickWrap();
    void xmlViewSwapsWithLogo();
};

void TestFrmClientLink::startUpSendsAllOffOrOneStatusRequest_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::addColumn<Qt::CheckState>("startOut");
    QTest::newRow("no_settings_file") << QByteArray() << QList<QByteArray>{StatusRequest} << Qt::Unchecked;
    QTest::newRow("start_out_status_0") << settings("0") << QList<QByteArray>{StatusRequest} << Qt::Unchecked;
    QTest::newRow("start_out_status_2") << settings("2") << QList<QByteArray>{StatusRequest} << Qt::Unchecked;
    QTest::newRow("start_out_status_1")
        << settings("1")
        << QList<QByteArray>{request("SetOutput", "ID=4&OUT_STATUS=1023&SET_POINT=0"), StatusRequest}
        << Qt::Checked;
}

void TestFrmClientLink::startUpSendsAllOffOrOneStatusRequest()
{
    QFETCH(QByteArray, file);
    Station s;
    QVERIFY(s.ready());
    if (!file.isEmpty())
        s.writeSettings(file);
    frmClient &w = s.start();
    QCOMPARE(w.windowTitle(), QStringLiteral("ZELK-NET-MONITOR-V6.00"));
    QCOMPARE(w.TxtIP->text(), s.address);
    QTEST(w.ChkStartOutStatus->checkState(), "startOut");
    // Until the device reports a word, requests are computed from "all off" and the lamps show it.
    QCOMPARE(w.iOutStatus, std::int16_t(1023));
    QCOMPARE(w.iOutStatusShown, std::int16_t(1023));
    QCOMPARE(w.ShpOut[3]->fillColor(), Zelk::Ole::GrayText);
    QTRY_COMPARE(s.readings(), 1);
    QTRY_COMPARE(w.lblCommStatusData->text(), QStringLiteral("Not Connected"));
    QVERIFY(s.idle()); // answered once, not repeated before the Weight button
    QTEST(s.requests(), "sent");
    QVERIFY(s.messages.texts.isEmpty());
    QCOMPARE(Zelk::backColor(w.cmdWeight), Zelk::Ole::ButtonFace);
}

void TestFrmClientLink::weightButtonPollsAsChainOfConnectionsUntilStopped()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    // While the device holds a request, the Weight button is green.
    QList<bool> greenInFlight;
    connect(&s.device, &ZelkSim::DeviceSim::requestReceived, this,
            [&] { greenInFlight << (Zelk::backColor(w.cmdWeight) == Zelk::Ole::Green); });
    w.cmdWeight->click();
    QVERIFY(!w.cmdWeight->isEnabled());
    QVERIFY(w.cmdStopSample->isEnabled());
    QVERIFY(w.lblA2D_Data->isVisible());
    QTRY_VERIFY(s.readings() >= 5); // counted from 0 again
    w.cmdStopSample->click();       // polling stops
    QTRY_VERIFY(s.idle());
    QTRY_COMPARE(w.lblCommStatusData->text(), QStringLiteral("Not Connected"));
    const QList<QByteArray> sent = s.requests();
    QVERIFY(sent.size() >= 6);
    QCOMPARE(sent, QList<QByteArray>(sent.size(), StatusRequest));
    QVERIFY(greenInFlight.size() >= 5);
    QCOMPARE(greenInFlight, QList<bool>(greenInFlight.size(), true));
    QCOMPARE(s.readings(), sent.size() - 1);
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientLink::pollingSurvivesTickWrap()
{
    Zelk::setTickStart(std::numeric_limits<std::int32_t>::max() - 200);
    Station s;
    QVERIFY(s.ready());
    s.writeSettings(settings("0", "1000"));
    frmClient &w = s.start();
    w.cmdWeight->click();
    QTRY_VERIFY(Zelk::GetTickCount() < 0 && s.readings() >= 3); // polled on past the wrap
    const int before = s.readings();
    QTRY_VERIFY(s.readings() >= before + 3);
    QVERIFY2(s.messages.texts.isEmpty(), qPrintable(s.messages.texts.join(u'|')));
    w.cmdStopSample->click(); // polling stops
    QTRY_VERIFY(s.idle());
}

void TestFrmClientLink::deviceFaultShowsNoAnswerOnceAndWeightIsUsableAgain_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("tickStart");
    QTest::newRow("silent_device") << Fault::NeverAnswer << 1000;
    QTest::newRow("silent_device_across_tick_wrap")
        << Fault::NeverAnswer << std::numeric_limits<std::int32_t>::max() - 150;
    QTest::newRow("refused_connection") << Fault::RefuseConnections << 1000;
}

void TestFrmClientLink::deviceFaultShowsNoAnswerOnceAndWeightIsUsableAgain()
{
    QFETCH(Fault, fault);
    QFETCH(int, tickStart);
    Station s;
    QVERIFY(s.ready());
    s.writeSettings(settings("0", "200"));
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    Zelk::setTickStart(tickStart);
    s.device.setFault(fault);
    w.cmdWeight->click();
    QTRY_COMPARE(s.messages.texts, QStringList{NoAnswer});
    QVERIFY(s.idle());
    QVERIFY(!w.link().timing());
    QVERIFY(!w.link().reconnecting());
    QVERIFY(w.cmdWeight->isEnabled());
    QVERIFY(!w.cmdStopSample->isEnabled());
    QCOMPARE(Zelk::backColor(w.cmdWeight), Zelk::Ole::ButtonFace);
    QVERIFY(w.lblCommStatusData->text().startsWith(QStringLiteral("No answer since ")));

    // The next Weight click starts again.
    s.device.clearFault();
    QTRY_VERIFY(s.device.isListening());
    w.cmdWeight->click();
    QTRY_VERIFY(s.readings() >= 2);
    w.cmdStopSample->click(); // polling stops
    QTRY_VERIFY(s.idle());
    QCOMPARE(s.messages.texts.size(), 1);
}

void TestFrmClientLink::failedStopSampleAfterNoAnswerShowsNoSecondMessage()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    // A fast-sampling run in progress whose device stops accepting connections.
    w.cmdStart_Sample->click();
    QTRY_COMPARE(w.link().command(), QStringLiteral("GetFastSampling"));
    QCOMPARE(Zelk::backColor(w.cmdStart_Sample), Zelk::Ole::Green);
    s.device.setFault(Fault::RefuseConnections);
    QTRY_COMPARE(s.messages.texts, QStringList{NoAnswer});
    QCOMPARE(w.link().command(), QStringLiteral("StopSample")); // the no-answer path asked the device to stop
    QTRY_VERIFY(s.idle());
    QCOMPARE(s.messages.texts, QStringList{NoAnswer});
    QVERIFY(w.cmdWeight->isEnabled());
    QCOMPARE(Zelk::backColor(w.cmdStart_Sample), Zelk::Ole::ButtonFace);
}

enum class Before { AllOffAtStartUp, ChannelSwitch, SetPointTicked };
Q_DECLARE_METATYPE(Before)

void TestFrmClientLink::stalledStatusRequestIsTimedOnce_data()
{
    QTest::addColumn<Before>("before"); // what came before the status request that stalls
    QTest::newRow("all_off_at_start_up") << Before::AllOffAtStartUp;
    QTest::newRow("channel_switch_before_any_weight_click") << Before::ChannelSwitch;
    QTest::newRow("set_point_ticked_while_polling") << Before::SetPointTicked;
}

// A device that stops after a status reply's prolog: the no-answer message once after the time-out,
// however the request came about, and a Weight click polls again.
void TestFrmClientLink::stalledStatusRequestIsTimedOnce()
{
    QFETCH(Before, before);
    Station s;
    QVERIFY(s.ready());
    s.writeSettings(settings(before == Before::AllOffAtStartUp ? "1" : "0", "200"));
    frmClient &w = s.start();
    if (before != Before::AllOffAtStartUp)
        QTRY_COMPARE(s.readings(), 1);
    s.device.setFault({Fault::Stall, 60000, {}, QStringLiteral("GetRTStatus")});
    if (before == Before::ChannelSwitch)
        w.cmdChanSwitch->click();
    if (before == Before::SetPointTicked) {
        w.cmdWeight->click();
        w.ChkSetPoint->setCheckState(Qt::Checked);
    }
    QTRY_COMPARE(s.messages.texts, QStringList{NoAnswer});
    s.device.clearFault();
    w.cmdWeight->click();
    QTRY_VERIFY(s.readings() >= 2);
    QCOMPARE(s.messages.texts, QStringList{NoAnswer});
}

void TestFrmClientLink::unfinishedReplyIsGivenUpAfterTimeLimit_data()
{
    QTest::addColumn<int>("trailer");
    QTest::addColumn<int>("oversize");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("trailer_3_chars") << 3 << 0 << QStringList{InvalidXml};
    QTest::newRow("trailer_5_chars") << 5 << 0 << QStringList{InvalidXml};
    QTest::newRow("trailer_4_chars_handled") << 4 << 0 << QStringList{};
    QTest::newRow("reply_over_1_MiB") << 4 << 2 * 1024 * 1024 << QStringList{InvalidXml};
}

void TestFrmClientLink::unfinishedReplyIsGivenUpAfterTimeLimit()
{
    QFETCH(int, trailer);
    QFETCH(int, oversize);
    Station s;
    QVERIFY(s.ready());
    // The rest of the reply comes after the limit, and before the time-out's second tick.
    s.writeSettings(settings("0", "400"));
    s.device.setFault(Fault::TrailerCount, trailer);
    if (oversize > 0)
        s.device.setFault(Fault::Oversized, oversize);
    else
        s.device.setFault(Fault::Stall, 600);
    frmClient &w = s.start();
    QTRY_COMPARE(s.messages.texts.size() + s.readings(), 1);
    QTEST(s.messages.texts, "shown");
    QVERIFY(w.cmdWeight->isEnabled());
    if (!s.messages.texts.isEmpty()) {
        QCOMPARE(s.readings(), 0);
        QVERIFY(w.cmdStart_Sample->isEnabled());
        QCOMPARE(Zelk::backColor(w.cmdStart_Sample), Zelk::Ole::ButtonFace);
    }
}

void TestFrmClientLink::errorCodeShownInRedWhilePollingGoesOn()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    QCOMPARE(w.lblErrNumer->text(), QStringLiteral("0"));
    QCOMPARE(Zelk::foreColor(w.lblErrNumer), Zelk::Ole::GrayText);
    s.device.setFault(Fault::ErrorCode, 7, QStringLiteral("Overload"));
    w.cmdWeight->click();
    QTRY_VERIFY(s.readings() >= 4);
    QCOMPARE(w.lblErrNumer->text(), QStringLiteral("7"));
    QCOMPARE(w.lblErrDescr->text(), QStringLiteral("Overload"));
    QCOMPARE(Zelk::foreColor(w.lblErrNumer), Zelk::Ole::Red);
    QCOMPARE(Zelk::foreColor(w.lblErrDescr), Zelk::Ole::Red);
    QVERIFY(s.messages.texts.isEmpty());
    w.cmdStopSample->click(); // polling stops
    QTRY_VERIFY(s.idle());
}

void TestFrmClientLink::statusElementsOutOfRangeAreSkipped_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("value"); // empty: the element is left out
    QTest::addColumn<QString>("weightCaption");
    QTest::addColumn<QString>("a2dCaption");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<int>("outWord");
    QTest::addColumn<int>("inWord");
    QTest::newRow("a2d_130000_normal") << "A2D"
                                       << "130000"
                                       << "Weight:"
                                       << "130000"
                                       << "1" << 5 << 254;
    QTest::newRow("a2d_130001_overflow") << "A2D"
                                         << "130001"
                                         << "Error"
                                         << "130001"
                                         << "1" << 5 << 254;
    QTest::newRow("a2d_not_a_number_skipped") << "A2D"
                                              << "12a"
                                              << "Weight:"
                                              << ""
                                              << "1" << 5 << 254;
    QTest::newRow("out_status_not_a_number_ignored") << "OUT_STATUS"
                                                     << "x"
                                                     << "Weight:"
                                                     << "100"
                                                     << "1" << 1023 << 254;
    QTest::newRow("out_status_beyond_16_bits_ignored") << "OUT_STATUS"
                                                       << "40000"
                                                       << "Weight:"
                                                       << "100"
                                                       << "1" << 1023 << 254;
    QTest::newRow("in_status_above_byte") << "IN_STATUS"
                                          << "300"
                                          << "Weight:"
                                          << "100"
                                          << "1" << 5 << 300;
    QTest::newRow("channel_missing_shows_err") << "CHANNEL"
                                               << ""
                                               << "Weight:"
                                               << "100"
                                               << "Err" << 5 << 254;
}

void TestFrmClientLink::statusElementsOutOfRangeAreSkipped()
{
    QFETCH(QString, element);
    QFETCH(QString, value);
    QFETCH(int, inWord);
    Station s;
    QVERIFY(s.ready());
    s.device.state().setOutputWord(5);
    s.device.setElement(QStringLiteral("A2D"), QStringLiteral("100"));
    s.device.setElement(QStringLiteral("IN_STATUS"), QStringLiteral("254"));
    if (value.isEmpty())
        s.device.omitElement(element);
    else
        s.device.setElement(element, value);
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    QTEST(w.lblWeight->text(), "weightCaption");
    QTEST(w.lblA2D_Data->text(), "a2dCaption");
    QTEST(w.lblChanNum->text(), "channel");
    QTEST(int(w.iOutStatus), "outWord");
    QCOMPARE(int(w.iInStatus), inWord);
    // Input n is drawn on lamp 9 - n from bit n - 1 of the low byte: red when the bit is 0.
    for (int lamp = 3; lamp <= 8; ++lamp)
        QCOMPARE(w.ShpInp[lamp]->fillColor(),
                 (inWord >> (8 - lamp)) & 1 ? Zelk::Ole::GrayText : Zelk::Ole::Red);
    const bool overflow = w.lblWeight->text() == QLatin1String("Error");
    QCOMPARE(w.lblWT_BRUTTO->text() == QLatin1String("OVERFLOW"), overflow);
    QCOMPARE(Zelk::foreColor(w.lblWT_BRUTTO) == Zelk::Ole::Red, overflow);
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientLink::replyHandledHoweverTcpCutsIt_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("param");
    QTest::newRow("single_byte_chunks") << Fault::Chunked << 1;
    QTest::newRow("thirteen_byte_chunks") << Fault::Chunked << 13;
    QTest::newRow("one_write_with_prolog") << Fault::OneWrite << 0;
    QTest::newRow("header_then_rest") << Fault::Stall << 2; // a slow link's pause between the two
}

void TestFrmClientLink::replyHandledHoweverTcpCutsIt()
{
    QFETCH(Fault, fault);
    QFETCH(int, param);
    Station s;
    QVERIFY(s.ready());
    s.device.setFault(fault, param);
    s.device.setElement(QStringLiteral("A2D"), QStringLiteral("12345"));
    s.device.setElement(QStringLiteral("UNIT"), QStringLiteral("Gram"));
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    QCOMPARE(w.lblA2D_Data->text(), QStringLiteral("12345"));
    QCOMPARE(w.lblUnitNameWGT->text(), QStringLiteral("g"));
    QVERIFY(w.link().replyText().startsWith(QStringLiteral("<?xml version='1.0' ?><GetRTStatus>")));
    QVERIFY(w.link().replyText().endsWith(QStringLiteral("</GetRTStatus>\r\n\r\n")));
    QVERIFY(w.bUnitsRead);
    QCOMPARE(w.link().repliesStarted(), 1);
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientLink::settingsFileLoads_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<int>("xOption");
    QTest::addColumn<int>("xMode");
    QTest::newRow("missing") << QByteArray() << QStringList{} << "5000" << 2 << 0;
    QTest::newRow("full") << settings("0", "3000", "2") << QStringList{} << "3000" << 2 << 2;
    QTest::newRow("marker_lower_case")
        << settings("0", "3000", "1").replace("VZT", "vzt") << QStringList{} << "3000" << 1 << 1;
    QTest::newRow("x_mode_0_loads_as_1") << settings("0", "3000", "0") << QStringList{} << "3000" << 1 << 1;
    QTest::newRow("x_mode_3_loads_as_1") << settings("0", "3000", "3") << QStringList{} << "3000" << 1 << 1;
    QTest::newRow("comma_shifts_fields")
        << settings("0", "2500,5", "2") << QStringList{BadStructure} << "2500" << 1 << 1;
    QTest::newRow("short_file")
        << QByteArray("IPaddress,%ADDR%\r\nStartOutStatus, 0\r\nSetPointCheckBoxStart, 0\r\n")
        << QStringList(5, BadStructure) << "5000" << 1 << 1;
}

void TestFrmClientLink::settingsFileLoads()
{
    QFETCH(QByteArray, file);
    Station s;
    QVERIFY(s.ready());
    if (!file.isEmpty())
        s.writeSettings(file);
    frmClient &w = s.start();
    QTEST(s.messages.texts, "shown");
    QCOMPARE(w.TxtIP->text(), s.address);
    QTEST(w.txtTimeout2->text(), "timeout");
    QFETCH(int, xOption);
    QVERIFY(w.OptX_mode[xOption]->isChecked());
    QTEST(int(w.iXMode), "xMode");
    QTRY_COMPARE(s.readings(), 1);
}

void TestFrmClientLink::saveConfigWritesSettingsAndReportsFailure()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    w.cmdSaveConfig->click();
    QFile f(s.dir.filePath(QStringLiteral("ZELK_NET.cfg")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), ("IPaddress," + s.address.toLatin1() +
                           "\r\nStartOutStatus, 0\r\nSetPointCheckBoxStart, 0\r\nStart_Sample_Time, \r\n"
                           "Start_Sample_TimeOut, 5000\r\nX-mode:Samplings_or_Milisec:, 0\r\nVZT\r\n"));
    f.close();
    QVERIFY(s.messages.texts.isEmpty());

    // A settings file that cannot be replaced is reported and the window carries on.
    QVERIFY(f.remove());
    QVERIFY(QDir(s.dir.path()).mkpath(QStringLiteral("ZELK_NET.cfg/blocker")));
    w.cmdSaveConfig->click();
    QCOMPARE(s.messages.texts.size(), 1);
    QVERIFY(s.messages.texts.first().contains(QStringLiteral("ZELK_NET.cfg")));
    w.cmdWeight->click();
    QTRY_VERIFY(s.readings() >= 2);
    w.cmdStopSample->click(); // polling stops
    QTRY_VERIFY(s.idle());
}

void TestFrmClientLink::timeOutBoxIsValidated_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("ms");
    QTest::newRow("number") << "3000"
                            << "3000" << 3000;
    QTest::newRow("negative_taken_absolute") << "-3000"
                                             << "-3000" << 3000;
    QTest::newRow("fraction_rounds_half_even") << "2500.5"
                                               << "2500.5" << 2500;
    QTest::newRow("largest_timer_interval") << "65535"
                                            << "65535" << 65535;
    QTest::newRow("above_65535_refused") << "70000"
                                         << "5000" << 5000;
    QTest::newRow("empty") << ""
                           << "5000" << 5000;
    QTest::newRow("not_a_number") << "abc"
                                  << "5000" << 5000;
    QTest::newRow("grouping_comma_refused") << "5,000"
                                            << "5000" << 5000;
}

void TestFrmClientLink::timeOutBoxIsValidated()
{
    QFETCH(QString, text);
    QFETCH(int, ms);
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    w.txtTimeout2->setText(text);
    w.SetTimeOutValue(w.lTimeOutMS);
    QTEST(w.txtTimeout2->text(), "shown");
    QCOMPARE(w.lTimeOutMS, ms);
    QCOMPARE(w.link().replyLimit(), ms);
    QCOMPARE(w.link().tickInterval(), ms);
}

void TestFrmClientLink::waitsEndAfterTheirLimitAcrossTickWrap()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    Zelk::setTickStart(std::numeric_limits<std::int32_t>::max() - 30);
    bool flag = false;
    std::int32_t limit = 120;
    QVERIFY(!w.WaitTrueFlag(flag, limit));
    QVERIFY(Zelk::GetTickCount() < 0);
    QTimer::singleShot(20, &w, [&] { flag = true; });
    limit = 60000;
    QVERIFY(w.WaitTrueFlag(flag, limit));
    std::int32_t none = 0, negative = -5;
    const std::int32_t before = Zelk::GetTickCount();
    w.WaitMS(none);
    w.WaitMS(negative);
    QVERIFY(Zelk::ticksBetween(before, Zelk::GetTickCount()) < 1000);
    std::int32_t pause = 50;
    w.WaitMS(pause);
    QVERIFY(Zelk::ticksBetween(before, Zelk::GetTickCount()) >= 50);
}

void TestFrmClientLink::xmlViewSwapsWithLogo()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    QVERIFY(!w.txtRealTimeInfo->isVisible());
    w.cmdShowXMLData->click();
    QVERIFY(w.txtRealTimeInfo->isVisible() && w.lblXML_Data->isVisible() && w.cmdQuitXML->isVisible());
    QVERIFY(!w.ImaVZT_Logo->isVisible() && !w.cmdShowXMLData->isVisible());
    QVERIFY(w.txtRealTimeInfo->toPlainText().contains(QStringLiteral("<GetRTStatus>\n<ERROR_CODE>")));
    w.cmdQuitXML->click();
    QVERIFY(!w.txtRealTimeInfo->isVisible());
    QVERIFY(w.ImaVZT_Logo->isVisible() && w.cmdShowXMLData->isVisible());
}

QTEST_MAIN(TestFrmClientLink)
#include "tst_frmclient_link.moc"
