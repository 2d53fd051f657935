// The monitor's live readout and control against an in-process zelk-devicesim on loopback: weight,
// overflow, tare and units; the lamp panel; output requests; the set point; channel switching.
#include "Controls.h"
#include "DeviceSim.h"
#include "LampGeometry.h"
#include "MonitorStation.h"
#include "Seams.h"
#include "frmClient.h"

#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

QByteArray request(const QByteArray &command, const QByteArray &body)
{
    return "POST /" + command + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body +
           "\r\n";
}

QByteArray setOutput(const QByteArray &body)
{
    return request("SetOutput", body);
}

const QByteArray StatusRequest = request("GetRTStatus", "ID=4");
const QString NotANumber = QStringLiteral("Set Point must be a number!!!");
const QString NoAnswer = QStringLiteral("Server does not answer! Possibly IP-address is incorrect.\n"
                                        "Be sure the Server is running and try again, please! ");

// One station: a device on a free loopback port, a fresh current directory, recorded messages.
class Station : public MonitorStation {
public:
    // Starts the window and waits for the answer to its start-up status request.
    frmClient &start()
    {
        startWindow();
        [&] { QTRY_COMPARE(readings(), 1); }();
        return *window;
    }
    // One more status request, answered.
    void refresh()
    {
        const int before = readings();
        window->RequestRTStatus();
        QTRY_COMPARE(readings(), before + 1);
    }
    void holdReplies(const QString &command, ZelkSim::Fault fault, int param = 0)
    {
        ZelkSim::FaultSpec faultSpec;
        faultSpec.fault = fault;
        faultSpec.param = param;
        faultSpec.command = command;
        device.setFault(faultSpec);
    }
};

double fontSize(const QWidget *w)
{
    return w->font().pointSizeF();
}

// Output n is on (lamp red, Off offered) when bit n - 1 of the word is 0.
void verifyOutputs(const frmClient &w, int word)
{
    for (int n = 1; n <= 10; ++n) {
        const bool off = (word >> (n - 1)) & 1;
        QCOMPARE(w.ShpOut[11 - n]->fillColor(), off ? Zelk::Ole::GrayText : Zelk::Ole::Red);
        QCOMPARE(w.cmdSetOutOn[n]->isVisible(), off);
        QCOMPARE(w.cmdSetOutOff[n]->isVisible(), !off);
    }
}

} // namespace

class TestFrmClientReadout : public QObject {
    Q_OBJECT
private slots:
    void init() { Zelk::setTickStart(1000); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void weightOverflowAboveLimitShowsOverflowInRed_data();
    void weightOverflowAboveLimitShowsOverflowInRed();
    void overflowEndsWithSavedColourAtFontSize12();
    void tareIsSubtractedFromGrossWeight_data();
    void tareIsSubtractedFromGrossWeight();
    void unitAndIntegrationAreReadOncePerPolling_data();
    void unitAndIntegrationAreReadOncePerPolling();
    void deviceTextIsShownAsPlainText_data();
    void deviceTextIsShownAsPlainText();
    void weightThatIsNoNumberIsReportedOncePerSpell();

    void lampPanelStandsOnItsColumns();
    void outputWordDrawsLampsAndButtons_data();
    void outputWordDrawsLampsAndButtons();
    void outputsDrawnAllOffUntilDeviceReportsWord_data();
    void outputsDrawnAllOffUntilDeviceReportsWord();
    void sameWordTwiceIsNotRedrawn();
    void inputLampsShowWordAndAppearWithPolling();

    void outputRequestsComputedFromLastReportedWord_data();
    void outputRequestsComputedFromLastReportedWord();
    void twoOffClicksBeforeAnswerCarryOnlyTheirOwnChange();

    void setPointDrivesOutput10Column();
    void setPointTextFollowsLocaleSeparator_data();
    void setPointTextFollowsLocaleSeparator();
    void unansweredSetPointRequestIsReported_data();
    void unansweredSetPointRequestIsReported();

    void switchSendsChannelCommandThenStatusAfterPause();
    void switchDoesNothingWithoutValidChannelOrAnswer_data();
    void switchDoesNothingWithoutValidChannelOrAnswer();
};

// ---- Weight, overflow, tare, units -----------------------------------------------------------------

void TestFrmClientReadout::weightOverflowAboveLimitShowsOverflowInRed_data()
{
    QTest::addColumn<QString>("a2d");
    QTest::addColumn<bool>("withWeight");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("weight");
    QTest::newRow("a2d_130000_is_a_weight") << "130000" << true << "Weight:"
                                            << "005.200";
    QTest::newRow("a2d_130001_overflows") << "130001" << true << "Error"
                                          << "OVERFLOW";
    QTest::newRow("overflow_without_weight") << "200000" << false << "Error"
                                             << "OVERFLOW";
    QTest::newRow("a2d_not_a_number_no_overflow") << "1.5e9x" << true << "Weight:"
                                                  << "005.200";
}

void TestFrmClientReadout::weightOverflowAboveLimitShowsOverflowInRed()
{
    QFETCH(QString, a2d);
    QFETCH(bool, withWeight);
    QFETCH(QString, weight);
    Station s;
    QVERIFY(s.ready());
    s.device.state().forceWeight(5.2);
    s.device.setElement(QStringLiteral("A2D"), a2d);
    if (!withWeight)
        s.device.omitElement(QStringLiteral("WEIGHT"));
    frmClient &w = s.start();
    QTEST(w.lblWeight->text(), "caption");
    QCOMPARE(w.lblWT_BRUTTO->text(), weight);
    const bool overflow = weight == QLatin1String("OVERFLOW");
    QCOMPARE(Zelk::foreColor(w.lblWT_BRUTTO), overflow ? Zelk::Ole::Red : std::uint32_t(w.lWeightForeColor));
    QCOMPARE(fontSize(w.lblWT_BRUTTO) == 12.0, overflow);
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientReadout::overflowEndsWithSavedColourAtFontSize12()
{
    Station s;
    QVERIFY(s.ready());
    s.device.state().forceWeight(-1.5);
    s.device.setElement(QStringLiteral("A2D"), QStringLiteral("140000"));
    frmClient &w = s.start();
    QCOMPARE(w.lblWT_BRUTTO->text(), QStringLiteral("OVERFLOW"));
    s.device.setElement(QStringLiteral("A2D"), QStringLiteral("1000"));
    s.refresh();
    QCOMPARE(w.lblWeight->text(), QStringLiteral("Weight:"));
    QCOMPARE(w.lblWT_BRUTTO->text(), QStringLiteral("-001.500"));
    QCOMPARE(Zelk::foreColor(w.lblWT_BRUTTO), std::uint32_t(w.lWeightForeColor));
    QCOMPARE(fontSize(w.lblWT_BRUTTO), 12.0);
}

void TestFrmClientReadout::tareIsSubtractedFromGrossWeight_data()
{
    QTest::addColumn<QString>("tare");
    QTest::addColumn<double>("gross");
    QTest::addColumn<QString>("net");
    QTest::addColumn<QString>("grossText");
    QTest::newRow("tare_equals_gross") << "012.345" << 12.345 << "000.000"
                                       << "012.345";
    QTest::newRow("gross_below_tare") << "012.345" << 10.0 << "-002.345"
                                      << "010.000";
    QTest::newRow("large_gross") << "001.000" << 1234.5678 << "1233.568"
                                 << "1234.568";
    QTest::newRow("tare_taken_during_overflow_is_0") << "OVERFLOW" << 10.0 << "010.000"
                                                     << "010.000";
}

void TestFrmClientReadout::tareIsSubtractedFromGrossWeight()
{
    QFETCH(QString, tare);
    QFETCH(double, gross);
    Station s;
    QVERIFY(s.ready());
    s.device.state().forceWeight(gross);
    s.device.setElement(QStringLiteral("A2D"), QStringLiteral("1000"));
    frmClient &w = s.start();
    w.lblWT_BRUTTO->setText(tare);
    w.chkTare->setCheckState(Qt::Checked);
    QCOMPARE(w.lblTareData->text(), tare);
    QCOMPARE(w.lblWT_BRUTTO->text(), QStringLiteral("0"));
    s.refresh();
    QTEST(w.lblWT_BRUTTO->text(), "net");
    w.chkTare->setCheckState(Qt::Unchecked);
    QCOMPARE(w.lblTareData->text(), QStringLiteral("0"));
    s.refresh();
    QTEST(w.lblWT_BRUTTO->text(), "grossText");
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientReadout::unitAndIntegrationAreReadOncePerPolling_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("integration");
    QTest::addColumn<bool>("graph");
    QTest::newRow("kg_lower") << "kg"
                              << "kg"
                              << "16" << true;
    QTest::newRow("Kg_mixed") << "Kg"
                              << "kg"
                              << "0" << false;
    QTest::newRow("KG_upper") << "KG"
                              << "kg"
                              << "2" << true;
    QTest::newRow("lbs_unchanged") << "lbs"
                                   << "lbs"
                                   << "2" << true;
    QTest::newRow("Gram_is_g") << "Gram"
                               << "g"
                               << "2" << true;
    QTest::newRow("TON") << "TON"
                         << "ton"
                         << "2" << true;
    QTest::newRow("LB") << "LB"
                        << "lb"
                        << "2" << true;
    QTest::newRow("empty_unit") << ""
                                << ""
                                << "x" << false;
}

void TestFrmClientReadout::unitAndIntegrationAreReadOncePerPolling()
{
    QFETCH(QString, unit);
    QFETCH(QString, integration);
    Station s;
    QVERIFY(s.ready());
    s.device.setElement(QStringLiteral("UNIT"), unit);
    s.device.setElement(QStringLiteral("INTEGRATION"), integration);
    frmClient &w = s.start();
    QTEST(w.lblUnitNameWGT->text(), "shown");
    QTEST(w.lblUnitNameTare->text(), "shown");
    QCOMPARE(w.txtIntegration->text(), integration);
    QTEST(w.cmdShowGraph->isEnabled(), "graph");

    // A new unit shows only once the units are read again.
    s.device.setElement(QStringLiteral("UNIT"), QStringLiteral("GRAM"));
    s.refresh();
    QTEST(w.lblUnitNameWGT->text(), "shown");
    w.bUnitsRead = false;
    s.refresh();
    QCOMPARE(w.lblUnitNameWGT->text(), QStringLiteral("g"));
}

// Markup in the device's texts is shown as the characters it is, never rendered: every label of
// the window is plain text, and the texts arrive unchanged.
void TestFrmClientReadout::deviceTextIsShownAsPlainText_data()
{
    QTest::addColumn<QString>("markup");
    QTest::newRow("bold") << "<b>x</b>";
    QTest::newRow("image") << "<img src=x>";
    QTest::newRow("link") << "<a href=\"file:///etc/passwd\">click</a>";
    QTest::newRow("entity") << "&lt;&amp;&gt;";
}

void TestFrmClientReadout::deviceTextIsShownAsPlainText()
{
    QFETCH(QString, markup);
    Station s;
    QVERIFY(s.ready());
    s.device.setElement(QStringLiteral("UNIT"), markup);
    s.device.setElement(QStringLiteral("ERROR_DESCRIPTION"), markup);
    frmClient &w = s.start();
    QCOMPARE(w.lblUnitNameWGT->text(), markup.toLower());
    QCOMPARE(w.lblUnitNameTare->text(), markup.toLower());
    QCOMPARE(w.lblErrDescr->text(), markup);
    for (const QLabel *label : w.findChildren<QLabel *>())
        QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    QVERIFY(w.txtRealTimeInfo->text().contains(markup));
    QVERIFY(s.messages.texts.isEmpty());
}

// A device that keeps sending a weight that is no number: one "Not Number" for the whole spell, and
// one again only after a number has come in between (one box a reply would pile up without end).
void TestFrmClientReadout::weightThatIsNoNumberIsReportedOncePerSpell()
{
    Station s;
    QVERIFY(s.ready());
    s.device.setElement(QStringLiteral("WEIGHT"), QStringLiteral("#12.345"));
    frmClient &w = s.start();
    for (int i = 0; i < 3; ++i)
        s.refresh();
    QCOMPARE(s.messages.texts, QStringList{QStringLiteral("Not Number")});
    QCOMPARE(w.lblWT_BRUTTO->text(), QStringLiteral("000.000"));
    s.device.setElement(QStringLiteral("WEIGHT"), QStringLiteral("12.345"));
    s.refresh();
    QCOMPARE(w.lblWT_BRUTTO->text(), QStringLiteral("012.345"));
    s.device.setElement(QStringLiteral("WEIGHT"), QStringLiteral("x"));
    s.refresh();
    s.refresh();
    QCOMPARE(s.messages.texts, (QStringList{QStringLiteral("Not Number"), QStringLiteral("Not Number")}));
}

// ---- Lamp panel ------------------------------------------------------------------------------------

void TestFrmClientReadout::lampPanelStandsOnItsColumns()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    // Through whole pixels, as the window places its controls.
    const auto twips = [](int t) { return Zelk::pixelsToTwips(Zelk::twipsToPixels(t)); };
    const QRect out = Zelk::geometryTwips(w.FraOut);
    const LampGeometry::Panel p = LampGeometry::panel(out.width(), 730, out.height());
    QCOMPARE(Zelk::geometryTwips(w.FraInp).height(), twips(730));
    QCOMPARE(Zelk::geometryTwips(w.FraInp).left(), Zelk::geometryTwips(w.FraWeight).left());
    for (int n = 1; n <= 10; ++n) {
        const int column = 10 - n;
        QCOMPARE(Zelk::geometryTwips(w.ShpOut[11 - n]),
                 QRect(twips(p.lampLeft(column)), twips(p.outGap), twips(430), twips(430)));
        QCOMPARE(Zelk::geometryTwips(w.lblOutNum[11 - n]).top(), twips(p.outGap + 30));
        QCOMPARE(w.lblOutNum[11 - n]->text(), QString::number(n));
        QCOMPARE(Zelk::geometryTwips(w.cmdSetOutOn[n]),
                 QRect(twips(p.column(column)), twips(p.buttonTop), twips(602), twips(516)));
        QCOMPARE(Zelk::geometryTwips(w.cmdSetOutOff[n]), Zelk::geometryTwips(w.cmdSetOutOn[n]));
        QCOMPARE(w.cmdSetOutOn[n]->text(), QStringLiteral("On"));
        QCOMPARE(w.cmdSetOutOff[n]->text(), QStringLiteral("Off"));
        if (n <= 6) { // input n stands above output n
            QCOMPARE(Zelk::geometryTwips(w.ShpInp[9 - n]).left(),
                     Zelk::geometryTwips(w.ShpOut[11 - n]).left());
            QCOMPARE(Zelk::geometryTwips(w.ShpInp[9 - n]).top(), twips(p.inTop));
            QCOMPARE(w.lblInpNum[9 - n]->text(), QString::number(n));
        }
    }
    QCOMPARE(w.ShpOut[1]->shape(), int(Zelk::Shape::Circle)); // the set point starts disabled
    QVERIFY(!w.ShpInp[1]->isVisible() && !w.ShpInp[2]->isVisible());
    QCOMPARE(w.lblShowInpStatus->text(), QStringLiteral("To show current input status click \"Weight I/O\""));
    QCOMPARE(Zelk::geometryTwips(w.lblShowInpStatus).left(),
             Zelk::geometryTwips(w.lblInputs).left() + Zelk::geometryTwips(w.lblInputs).width() + twips(550));
}

void TestFrmClientReadout::outputWordDrawsLampsAndButtons_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("drawnAs");
    QTest::newRow("all_off_1023") << 1023 << 1023;
    QTest::newRow("all_on_0") << 0 << 0;
    QTest::newRow("output_1_off") << 1 << 1;
    QTest::newRow("bit_10_ignored_1536") << 1536 << 512;
    QTest::newRow("output_10_off_512") << 512 << 512;
}

void TestFrmClientReadout::outputWordDrawsLampsAndButtons()
{
    QFETCH(int, word);
    QFETCH(int, drawnAs);
    Station s;
    QVERIFY(s.ready());
    s.device.setElement(QStringLiteral("OUT_STATUS"), QString::number(word));
    frmClient &w = s.start();
    QCOMPARE(int(w.iOutStatus), word);
    verifyOutputs(w, drawnAs);
}

void TestFrmClientReadout::outputsDrawnAllOffUntilDeviceReportsWord_data()
{
    QTest::addColumn<bool>("reached"); // false: nothing listens on the port
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("device_never_reached") << false << QStringList{NoAnswer};
    QTest::newRow("status_without_output_word") << true << QStringList{};
}

void TestFrmClientReadout::outputsDrawnAllOffUntilDeviceReportsWord()
{
    QFETCH(bool, reached);
    QFETCH(QStringList, shown);
    Station s;
    QVERIFY(s.ready());
    if (reached)
        s.device.omitElement(QStringLiteral("OUT_STATUS"));
    else
        s.device.close();
    frmClient &w = s.startWindow();
    QTRY_VERIFY(s.messages.texts == shown && s.readings() == int(reached));
    verifyOutputs(w, 1023);
}

void TestFrmClientReadout::sameWordTwiceIsNotRedrawn()
{
    Station s;
    QVERIFY(s.ready());
    s.device.state().setOutputWord(1);
    frmClient &w = s.start();
    w.ShpOut[5]->setFillColor(Zelk::Ole::GrayText);
    s.refresh();
    QCOMPARE(w.ShpOut[5]->fillColor(), Zelk::Ole::GrayText);
    s.device.state().setOutputWord(3);
    s.refresh();
    verifyOutputs(w, 3);
}

void TestFrmClientReadout::inputLampsShowWordAndAppearWithPolling()
{
    Station s;
    QVERIFY(s.ready());
    s.device.state().forceInputWord(254);
    frmClient &w = s.start();
    QCOMPARE(w.ShpInp[8]->fillColor(), Zelk::Ole::Red); // input 1 active
    for (int lamp = 3; lamp <= 7; ++lamp)
        QCOMPARE(w.ShpInp[lamp]->fillColor(), Zelk::Ole::GrayText);
    QVERIFY(!w.ShpInp[8]->isVisible());
    QVERIFY(w.lblShowInpStatus->isVisible());
    QVERIFY(w.LblSwitch->isVisible());
    QCOMPARE(w.LblSwitch->toolTip(),
             QStringLiteral("In order to switch to channel #2, first click \"Stop\"and wait."));
    w.cmdWeight->click();
    QVERIFY(w.ShpInp[8]->isVisible() && w.lblInpNum[8]->isVisible());
    QVERIFY(!w.lblShowInpStatus->isVisible());
    QVERIFY(!w.LblSwitch->isVisible());
    QCOMPARE(w.LblSwitch->toolTip(), QString());
    w.cmdStopSample->click(); // polling stops
    QTRY_VERIFY(s.idle());
}

// ---- Output requests -------------------------------------------------------------------------------

void TestFrmClientReadout::outputRequestsComputedFromLastReportedWord_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("output");
    QTest::addColumn<QByteArray>("body"); // empty: nothing is sent
    QTest::newRow("on_1_from_1023") << 1023 << true << 1 << QByteArray("ID=4&OUT_STATUS=1022&SET_POINT=");
    QTest::newRow("off_1_already_off_sends_nothing") << 1023 << false << 1 << QByteArray();
    QTest::newRow("off_3_from_0_no_set_point_yet")
        << 0 << false << 3 << QByteArray("ID=4&OUT_STATUS=4&SET_POINT=");
    // Output 10 takes the box's text ("-1" while the set point is disabled) and does not wait.
    QTest::newRow("off_10_from_0_no_wait")
        << 0 << false << 10 << QByteArray("ID=4&OUT_STATUS=512&SET_POINT=-1");
    QTest::newRow("on_4_already_on_still_sent")
        << 0 << true << 4 << QByteArray("ID=4&OUT_STATUS=0&SET_POINT=");
}

void TestFrmClientReadout::outputRequestsComputedFromLastReportedWord()
{
    QFETCH(int, word);
    QFETCH(bool, on);
    QFETCH(int, output);
    QFETCH(QByteArray, body);
    Station s;
    QVERIFY(s.ready());
    s.device.state().setOutputWord(word);
    frmClient &w = s.start();
    on ? w.cmdSetOutOn_Click(std::int16_t(output)) : w.cmdSetOutOff_Click(std::int16_t(output));
    QCOMPARE(int(w.iOutStatus), word); // changes only with the device's report
    if (body.isEmpty()) {
        QVERIFY(s.idle());
        QCOMPARE(w.link().command(), QStringLiteral("GetRTStatus"));
        return;
    }
    QTRY_COMPARE(s.requests(QStringLiteral("SetOutput")), QList<QByteArray>{setOutput(body)});
    QTRY_COMPARE(s.requests().size(), 3); // the reply starts a status request
    QCOMPARE(s.requests().last(), StatusRequest);
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientReadout::twoOffClicksBeforeAnswerCarryOnlyTheirOwnChange()
{
    Station s;
    QVERIFY(s.ready());
    s.device.state().setOutputWord(0);
    s.holdReplies(QStringLiteral("SetOutput"), ZelkSim::Fault::SlowReply, 1000);
    frmClient &w = s.start();
    w.cmdSetOutOff[1]->click();
    QTRY_COMPARE(s.requests(QStringLiteral("SetOutput")).size(), 1);
    w.cmdSetOutOff[2]->click();
    QTRY_COMPARE(s.requests(QStringLiteral("SetOutput")),
                 (QList<QByteArray>{setOutput("ID=4&OUT_STATUS=1&SET_POINT="),
                                    setOutput("ID=4&OUT_STATUS=2&SET_POINT=")}));
    QTRY_COMPARE(int(w.iOutStatus), 2);
}

// ---- Set point -------------------------------------------------------------------------------------

void TestFrmClientReadout::setPointDrivesOutput10Column()
{
    Station s;
    QVERIFY(s.ready());
    s.device.state().setOutputWord(0);
    s.device.state().forceWeight(200);
    frmClient &w = s.start();

    // Enabling sends Off for output 10 with the box's text and waits for the answer.
    w.ChkSetPoint->setCheckState(Qt::Checked);
    QCOMPARE(s.requests(QStringLiteral("SetOutput")),
             QList<QByteArray>{setOutput("ID=4&OUT_STATUS=512&SET_POINT=-1")});
    QCOMPARE(w.txtSetPoint->text(), QStringLiteral("Type SP value"));
    QVERIFY(w.txtSetPoint->isVisible() && w.ShaSetPoint->isVisible());
    QCOMPARE(w.cmdSetOutOn[10]->text(), QStringLiteral("Enter"));
    QCOMPARE(fontSize(w.cmdSetOutOn[10]), 8.0);
    QCOMPARE(w.ShpOut[1]->shape(), int(Zelk::Shape::RoundedSquare));
    QCOMPARE(Zelk::backColor(w.txtSetPoint), Zelk::Ole::CaptionText);
    QVERIFY(!w.cmdChanSwitch->isEnabled());
    QVERIFY(w.LblSwitch->isVisible());
    QCOMPARE(w.LblSwitch->toolTip(),
             QStringLiteral("In order to switch to channel #2, first uncheck \"Set Point\"."));
    QVERIFY(s.messages.texts.isEmpty());
    QTest::keyClick(w.txtSetPoint, Qt::Key_Return);
    QCOMPARE(s.messages.texts, QStringList{NotANumber});

    // The lamp of output 10 follows the device's set-point status.
    s.device.state().forceSpStatus(1);
    s.refresh();
    QCOMPARE(w.ShpOut[1]->fillColor(), Zelk::Ole::Red);
    QVERIFY(w.cmdSetOutOff[10]->isVisible() && !w.cmdSetOutOn[10]->isVisible());
    s.device.state().forceSpStatus(0);
    s.refresh();
    QCOMPARE(w.ShpOut[1]->fillColor(), Zelk::Ole::GrayText);
    QVERIFY(w.cmdSetOutOn[10]->isVisible());

    // Typing 150 and Enter switches output 10 on with that set point.
    s.device.state().forceSpStatus(std::nullopt);
    w.txtSetPoint->clear();
    QTest::keyClicks(w.txtSetPoint, QStringLiteral("150"));
    QTest::keyClick(w.txtSetPoint, Qt::Key_Enter);
    QCOMPARE(s.requests(QStringLiteral("SetOutput")).last(), setOutput("ID=4&OUT_STATUS=0&SET_POINT=150"));
    QCOMPARE(Zelk::backColor(w.txtSetPoint), Zelk::Ole::InactiveCaptionText);
    QCOMPARE(w.strSetPoint, QStringLiteral("150"));
    QTRY_COMPARE(w.ShpOut[1]->fillColor(), Zelk::Ole::Red); // the device weighs above 150
    QCOMPARE(s.messages.texts, QStringList{NotANumber});

    // Disabling restores On/Off and switches output 10 off.
    w.ChkSetPoint->setCheckState(Qt::Unchecked);
    QCOMPARE(w.txtSetPoint->text(), QStringLiteral("-1"));
    QVERIFY(!w.txtSetPoint->isVisible() && !w.ShaSetPoint->isVisible());
    QCOMPARE(w.cmdSetOutOn[10]->text(), QStringLiteral("On"));
    QCOMPARE(fontSize(w.cmdSetOutOn[10]), 12.0);
    QVERIFY(w.cmdSetOutOn[10]->font().bold());
    QCOMPARE(w.ShpOut[1]->shape(), int(Zelk::Shape::Circle));
    QVERIFY(w.cmdChanSwitch->isEnabled() && !w.LblSwitch->isVisible());
    QTRY_COMPARE(s.requests(QStringLiteral("SetOutput")).last(),
                 setOutput("ID=4&OUT_STATUS=512&SET_POINT=-1"));
    QTRY_COMPARE(int(w.iOutStatus), 512);
    // Unchecked, the set-point status no longer colours the lamp.
    s.device.state().forceSpStatus(1);
    s.refresh();
    QCOMPARE(w.ShpOut[1]->fillColor(), Zelk::Ole::GrayText);
    QCOMPARE(s.messages.texts, QStringList{NotANumber});
}

void TestFrmClientReadout::setPointTextFollowsLocaleSeparator_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    const QLocale comma(QLocale::German, QLocale::Germany);
    QTest::newRow("comma_locale_12,5") << comma << "12,5" << true;
    QTest::newRow("comma_locale_12.5_refused") << comma << "12.5" << false;
    QTest::newRow("point_locale_12.5") << QLocale::c() << "12.5" << true;
    QTest::newRow("point_locale_12,5_refused") << QLocale::c() << "12,5" << false;
    QTest::newRow("lone_minus_refused") << QLocale::c() << "-" << false;
    QTest::newRow("empty_refused") << QLocale::c() << "" << false;
}

void TestFrmClientReadout::setPointTextFollowsLocaleSeparator()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QLocale::setDefault(locale);
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    w.txtSetPoint->setText(text); // output 10 is off: the edit sends nothing
    QVERIFY(s.idle());
    w.cmdSetOutOn_Click(10);
    if (!accepted) {
        QCOMPARE(s.messages.texts, QStringList{NotANumber});
        QVERIFY(s.idle());
        QCOMPARE(w.strSetPoint, QString());
        return;
    }
    QVERIFY(s.messages.texts.isEmpty());
    QTRY_COMPARE(s.requests(QStringLiteral("SetOutput")),
                 QList<QByteArray>{setOutput("ID=4&OUT_STATUS=511&SET_POINT=" + text.toLatin1())});
}

void TestFrmClientReadout::unansweredSetPointRequestIsReported_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<QStringList>("shown");
    // The box then reads "Type SP value" while output 10 still counts as on: its Off is refused.
    QTest::newRow("off_10_unanswered_is_no_answer") << 0 << QStringList{NoAnswer, NotANumber};
    QTest::newRow("enter_unanswered") << 1023 << QStringList{QStringLiteral("SetPoint_Flag=False ")};
}

void TestFrmClientReadout::unansweredSetPointRequestIsReported()
{
    QFETCH(int, word);
    Station s;
    QVERIFY(s.ready());
    s.device.state().setOutputWord(word);
    s.holdReplies(QStringLiteral("SetOutput"), ZelkSim::Fault::NeverAnswer);
    frmClient &w = s.start();
    w.ChkSetPoint->setCheckState(Qt::Checked); // output 10 on: Off is sent and waited for
    if (word == 1023) {
        w.txtSetPoint->setText(QStringLiteral("150"));
        QTest::keyClick(w.txtSetPoint, Qt::Key_Return);
    }
    QTEST(s.messages.texts, "shown");
    QCOMPARE(s.requests(QStringLiteral("SetOutput")).size(), 1);
    QVERIFY(w.cmdWeight->isEnabled());
}

// ---- Channels --------------------------------------------------------------------------------------

void TestFrmClientReadout::switchSendsChannelCommandThenStatusAfterPause()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    QCOMPARE(w.lblChanNum->text(), QStringLiteral("1"));
    std::int32_t replied = 0, asked = 0;
    connect(&s.device, &ZelkSim::DeviceSim::replySent, this, [&](const QString &command) {
        if (command == QLatin1String("ch2_switch"))
            replied = Zelk::GetTickCount();
    });
    connect(&s.device, &ZelkSim::DeviceSim::requestReceived, this, [&](const ZelkSim::RequestRecord &r) {
        if (replied != 0 && r.command == QLatin1String("GetRTStatus"))
            asked = Zelk::GetTickCount();
    });
    s.device.state().setUnit(QStringLiteral("LB"));
    w.cmdSetOutOn[10]->setEnabled(false);
    w.cmdChanSwitch->click();
    QCOMPARE(w.link().command(), QStringLiteral("GetRTStatus"));
    QCOMPARE(w.link().body(), QString());
    QTRY_COMPARE(s.readings(), 2);
    // The channel command carries the previous command's body; the status follows the pause.
    QCOMPARE(s.requests(), (QList<QByteArray>{StatusRequest, request("ch2_switch", "ID=4"), StatusRequest}));
    QVERIFY2(Zelk::ticksBetween(replied, asked) >= 400, qPrintable(QString::number(asked - replied)));
    QCOMPARE(w.lblChanNum->text(), QStringLiteral("2"));
    QCOMPARE(w.lblUnitNameWGT->text(), QStringLiteral("lb"));
    QVERIFY(!w.cmdStart_Sample->isEnabled() && !w.ChkSetPoint->isEnabled() && !w.txtSetPoint->isEnabled());
    QVERIFY(w.LbLFastSample->isVisible() && w.LbLSetPoint->isVisible());
    QCOMPARE(w.LbLFastSample->toolTip(), QStringLiteral("Fast Sample is enabled only with channel #1."));
    QCOMPARE(w.LbLSetPoint->toolTip(), QStringLiteral("Set Point is enabled only with channel #1"));
    QVERIFY(!w.cmdSetOutOn[10]->isEnabled()); // output 10 keeps its state on channel 2

    w.cmdChanSwitch->click();
    QTRY_COMPARE(s.readings(), 3);
    QCOMPARE(s.requests().at(3), request("ch1_switch", "ID=4"));
    QCOMPARE(w.lblChanNum->text(), QStringLiteral("1"));
    QVERIFY(w.cmdStart_Sample->isEnabled() && w.ChkSetPoint->isEnabled() && w.txtSetPoint->isEnabled());
    QVERIFY(!w.LbLFastSample->isVisible() && !w.LbLSetPoint->isVisible());
    QVERIFY(w.cmdSetOutOn[10]->isEnabled() && w.cmdSetOutOff[10]->isEnabled());
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientReadout::switchDoesNothingWithoutValidChannelOrAnswer_data()
{
    QTest::addColumn<bool>("channelMissing");
    QTest::newRow("channel_missing_shows_err") << true;
    QTest::newRow("channel_reply_never_comes") << false;
}

void TestFrmClientReadout::switchDoesNothingWithoutValidChannelOrAnswer()
{
    QFETCH(bool, channelMissing);
    Station s;
    QVERIFY(s.ready());
    if (channelMissing)
        s.device.omitElement(QStringLiteral("CHANNEL"));
    s.holdReplies(QStringLiteral("ch2_switch"), ZelkSim::Fault::NeverAnswer);
    frmClient &w = s.start();
    QCOMPARE(w.lblChanNum->text(), channelMissing ? QStringLiteral("Err") : QStringLiteral("1"));
    w.cmdChanSwitch->click(); // returns after the 2000 ms wait when the device stays silent
    QCOMPARE(w.link().command(),
             channelMissing ? QStringLiteral("GetRTStatus") : QStringLiteral("ch2_switch"));
    QCOMPARE(s.requests().size(), channelMissing ? 1 : 2);
    QCOMPARE(s.readings(), 1);
    QCOMPARE(w.lblChanNum->text(), channelMissing ? QStringLiteral("Err") : QStringLiteral("1"));
    QVERIFY(s.messages.texts.isEmpty());
}

QTEST_MAIN(TestFrmClientReadout)
#include "tst_frmclient_readout.moc"
