// frmClient: the window's side of the device link: requests started from the window, the socket events
// shown on it, the no-answer path, the Weight button and the communication log box.
#include "frmClient.h"

#include "Controls.h"
#include "DeviceLink.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "RequestFraming.h"
#include "Seams.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cmath>

// ---- Link ------------------------------------------------------------------------------------------

void frmClient::createLink()
{
    m_link = new DeviceLink(this);
    m_link->setAddressSource([this] { return TxtIP->text(); });
    connect(m_link, &DeviceLink::connecting, this,
            [this] { lblCommStatusData->setText(QStringLiteral("Disconnected")); });
    connect(m_link, &DeviceLink::connected, this, &frmClient::tcpClient_Connect);
    connect(m_link, &DeviceLink::replyGrew, this,
            [this](const QString &text) { txtRealTimeInfo->setHeldText(Reply::xmlViewText(text)); });
    connect(m_link, &DeviceLink::replyHandled, this, &frmClient::tcpClient_DataArrival);
    connect(m_link, &DeviceLink::channelReply, this, [this] { bChanReplyFlag = true; });
    connect(m_link, &DeviceLink::endOfRun, this, [this] {
        EndOfRun(false);
        lblErrNumer->setText(QStringLiteral("200"));
        Zelk::setBackColor(lblErrNumer, Zelk::Ole::Red);
    });
    connect(m_link, &DeviceLink::closed, this, &frmClient::tcpClient_Close);
    connect(m_link, &DeviceLink::socketFailed, this, &frmClient::tcpClient_Error);
    connect(m_link, &DeviceLink::noAnswer, this, &frmClient::HandleNoAnswer);
    connect(m_link, &DeviceLink::replyGivenUp, this, [this] { GiveUpReply(); });
    connect(m_link, &DeviceLink::logFailed, this, [this](const QString &text) { commLogFailed(text, true); });
}

// ---- Requests --------------------------------------------------------------------------------------

void frmClient::Send2Server(const QString &strFunctionName, const QString &strParameters)
{
    m_link->send(strFunctionName, strParameters);
}

void frmClient::StartConnection(bool bDoConnect)
{
    // Once the window unloads, nothing more is asked of the device.
    if (bDoConnect && !m_unloading)
        m_link->start();
}

void frmClient::RequestRTStatus()
{
    m_link->setCommand(Framing::GetRTStatus, QString());
    StartConnection(true);
}

void frmClient::RestartRTStatus()
{
    RequestRTStatus();
    bUnitsRead = false;
}

// ---- Socket events ---------------------------------------------------------------------------------

void frmClient::tcpClient_Connect()
{
    lblCommStatusData->setText(QStringLiteral("Connected"));
    setRunMode(RunModes::onConnect(m_runMode, m_link->command() == Framing::GetRTStatus));
}

// The device closed the link after a handled reply; the link has started the next one if reconnecting.
void frmClient::tcpClient_Close()
{
    lblCommStatusData->setText(QStringLiteral("Not Connected"));
}

void frmClient::tcpClient_Error()
{
    HandleNoAnswer();
}

void frmClient::tcpClient_ConnectionRequest()
{
    // The monitor never listens; the event only leaves a note on the window surface.
    m_surfaceNote = QStringLiteral("ConnectionRequest");
    update();
}

// ---- Time-out --------------------------------------------------------------------------------------

void frmClient::SetTimeOutValue(std::int32_t &L_TimeOutValue)
{
    // The timer takes at most 65535 ms: a larger value is refused like text that is not a number.
    std::optional<double> value;
    QString text = txtTimeout2->text();
    if (MdlFunctions::IsNumberText(text))
        value = NumberFormat::parseNumber(text, MdlFunctions::strDecimalSep());
    if (!value || !(std::fabs(*value) <= 65535.0)) {
        txtTimeout2->setText(QStringLiteral("5000"));
        value = 5000.0;
    }
    L_TimeOutValue = std::int32_t(std::fabs(NumberFormat::roundHalfEven(*value)));
    m_link->setTimeOut(L_TimeOutValue);
}

void frmClient::TimerTimeOut_Timer()
{
    m_link->tick();
}

void frmClient::HandleNoAnswer()
{
    // A request sent by this path itself (the StopSample of a broken run) fails without a second message.
    noAnswerPath(m_link->quietExchange());
}

void frmClient::noAnswerPath(bool reported)
{
    // Reached by the time-out timer and the output buttons' wait; the socket error, the closed link and
    // the batches given up have logged their own cause.
    m_link->logNoAnswer();
    setRunMode(RunMode::Idle);
    showStale();
    // The link is silenced before the message box, so no tick or socket event of this exchange can
    // raise a second message while the first one is open.
    m_link->silence();
    const QString text = QStringLiteral("Server does not answer! Possibly IP-address is incorrect.\n"
                                        "Be sure the Server is running and try again, please! ");
    publishRunFault(text);
    if (!reported) {
        publishFault(Publish::FaultKind::NoAnswer, text);
        Zelk::MsgBox(text);
    }
    SetOutPut_Disasable(true);
    // A StopSample started from here is the quiet connection.
    m_link->startQuietly([this] { cmdStopSample_Click(); });
    if (m_channel == QLatin1String("1"))
        cmdStart_Sample->setEnabled(true);
    // Polling can always be restarted after a fault.
    cmdWeight->setEnabled(true);
}

// ---- Weight button ---------------------------------------------------------------------------------

void frmClient::cmdWeight_Click()
{
    m_link->suspendTimeOut(false);
    if (m_runMode != RunMode::Polling) {
        ShowHideInputsLamp(true);
        cmdWeight->setEnabled(false);
        cmdStopSample->setEnabled(true);
        SetTimeOutValue(lTimeOutMS);
        lTotalReadings = 0;
        lblA2D->setVisible(true);
        lblA2D_Data->setVisible(true);
        m_link->setReconnecting(true);
        m_link->setCommand(Framing::GetRTStatus, Framing::UnitBody);
        StartConnection(true);
    }
    bUnitsRead = false;
}

// ---- Communication log -----------------------------------------------------------------------------

void frmClient::chkCommLog_Click()
{
    const bool on = chkCommLog->checkState() == Qt::Checked;
    if (!m_link->setLogging(on))
        commLogFailed(m_link->logFailureText(), false);
}

void frmClient::commLogFailed(const QString &text, bool later)
{
    m_link->setLogging(false);
    chkCommLog->setCheckState(Qt::Unchecked);
    showWriteFailure(text, later);
}

void frmClient::messageRepeat(const QString &text)
{
    m_link->logMessageRepeat(text);
}
