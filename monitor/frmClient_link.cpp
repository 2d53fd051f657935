// frmClient: requests and the connection cycle: one connection per request, the request written on
// Connect, the answer time-out with its tick of grace, the no-answer path, the Weight button and the log.
#include "frmClient.h"

#include "Controls.h"
#include "HostAddress.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "RequestFraming.h"
#include "Seams.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <array>
#include <cmath>
#include <utility>

namespace {
bool isGreen(const QWidget *w)
{
    return Zelk::backColor(w) == Zelk::Ole::Green;
}
} // namespace

// ---- Socket ----------------------------------------------------------------------------------------

void frmClient::newSocket()
{
    tcpClient = new QTcpSocket(this);
    tcpClient->setObjectName(QStringLiteral("tcpClient"));
    connect(tcpClient, &QTcpSocket::connected, this, &frmClient::tcpClient_Connect);
    connect(tcpClient, &QTcpSocket::readyRead, this,
            [this] { tcpClient_DataArrival(std::int32_t(tcpClient->bytesAvailable())); });
    connect(tcpClient, &QTcpSocket::disconnected, this, &frmClient::onSocketDisconnected);
    connect(tcpClient, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) { onSocketError(int(error)); });
}

// Closing may happen inside the socket's own signal: the old socket is silenced, aborted and deleted
// later, and a fresh one takes its place.
void frmClient::closeSocket()
{
    QTcpSocket *old = tcpClient;
    old->disconnect(this);
    old->abort();
    old->setObjectName(QString());
    old->deleteLater();
    newSocket();
}

void frmClient::onSocketDisconnected()
{
    const QTcpSocket *closing = tcpClient;
    if (tcpClient->bytesAvailable() > 0)
        tcpClient_DataArrival(std::int32_t(tcpClient->bytesAvailable()));
    if (tcpClient != closing)
        return; // the last bytes completed a reply whose handler already moved on to a new connection
    tcpClient_Close();
}

void frmClient::onSocketError(int error)
{
    // The peer closing the link is the Close event, not an error.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    commLog([this](CommLog::Writer &log) {
        return m_faultLogged = log.socketError(strCurFunction, tcpClient->errorString());
    });
    tcpClient_Error();
}

// ---- Requests --------------------------------------------------------------------------------------

void frmClient::Send2Server(const QString &strFunctionName, const QString &strParameters)
{
    const std::array<QByteArray, 3> pieces = Framing::requestWrites(strFunctionName, strParameters);
    for (const QByteArray &piece : pieces)
        tcpClient->write(piece);
    commLog([&pieces](CommLog::Writer &log) { return log.request(pieces[0] + pieces[1] + pieces[2]); });
}

void frmClient::StartConnection(bool bDoConnect)
{
    if (!bDoConnect)
        return;
    closeSocket();
    ++m_connectionSerial;
    m_quietConnection = m_inNoAnswer ? m_connectionSerial : 0;
    lblCommStatusData->setText(QStringLiteral("Disconnected"));
    const HostAddress::Endpoint peer = HostAddress::parse(TxtIP->text());
    tcpClient->connectToHost(peer.host, peer.port);
    bRequestSent = false;
    m_replyHandled = false;
    lConnectTicks = Zelk::GetTickCount();
    // Every request is timed, polling or not; the timer stops once an exchange ends without a next.
    setTimerEnabled(TimerTimeOut, true);
}

void frmClient::RequestRTStatus()
{
    strCurFunction = Framing::GetRTStatus;
    strCurParameters.clear();
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
    strCurParameters = Framing::bodyAtSendTime(strCurFunction, strCurParameters);
    strReplyCopy.clear();
    strReplyXML.clear();
    m_assembler.reset();
    m_replyHandled = false;
    m_replyBytes = 0;
    m_replyLogged = false;
    Send2Server(strCurFunction, strCurParameters);
    bRequestSent = true;
    Zelk::setBackColor(cmdWeight,
                       strCurFunction == Framing::GetRTStatus ? Zelk::Ole::Green : Zelk::Ole::ButtonFace);
}

void frmClient::tcpClient_Close()
{
    // The device closed the link before any reply on it could be handled: that reply can never
    // complete. It is reported once, as a reply given up (something came) or as no answer (nothing
    // came); reconnecting at once would ask the device again and again without ever telling anyone.
    // A channel reply and the end code of a run are recognised without a closing tag and go on as usual.
    if (!m_replyHandled) {
        commLogGivenUp(CommLog::GiveUp::Invalid);
        if (strReplyCopy.isEmpty()) {
            m_faultLogged = m_commLog.isOpen();
            HandleNoAnswer();
        } else {
            GiveUpReply();
        }
        return;
    }
    StartConnection(bAutoReconnect);
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
    lReplyTimeOutMS = L_TimeOutValue;
    setTimerInterval(TimerTimeOut, L_TimeOutValue);
}

void frmClient::TimerTimeOut_Timer()
{
    if (m_replyHandled) {
        setTimerEnabled(TimerTimeOut, false); // answered, and no request since: nothing to time
        return;
    }
    if (bRequestSent) {
        bRequestSent = false;
        return;
    }
    if (!bNoTimeOut && Zelk::ticksBetween(lConnectTicks, Zelk::GetTickCount()) > lTimeOutMS) {
        setTimerEnabled(TimerTimeOut, false);
        HandleNoAnswer();
    }
}

bool frmClient::quietExchange() const
{
    return m_quietConnection != 0 && m_quietConnection == m_connectionSerial;
}

void frmClient::silenceLink()
{
    setTimerEnabled(TimerTimeOut, false);
    closeSocket();
}

void frmClient::HandleNoAnswer()
{
    // A request sent by this path itself (the StopSample of a broken run) fails without a second message.
    noAnswerPath(quietExchange());
}

void frmClient::noAnswerPath(bool reported)
{
    // Reached by the time-out timer and the output buttons' wait; the socket error, the closed link and
    // the batches given up have logged their own cause.
    if (!std::exchange(m_faultLogged, false))
        commLog([this](CommLog::Writer &log) {
            return log.timeOut(strCurFunction, Zelk::ticksBetween(lConnectTicks, Zelk::GetTickCount()));
        });
    Zelk::setBackColor(cmdWeight, Zelk::Ole::ButtonFace);
    Zelk::setBackColor(cmdStart_Sample, Zelk::Ole::ButtonFace);
    lblCommStatusData->setText(QStringLiteral("Not Connected"));
    // The link is silenced before the message box, so no tick or socket event of this exchange can
    // raise a second message while the first one is open.
    silenceLink();
    if (!reported)
        Zelk::MsgBox(QStringLiteral("Server does not answer! Possibly IP-address is incorrect.\n"
                                    "Be sure the Server is running and try again, please! "));
    SetOutPut_Disasable(true);
    m_inNoAnswer = true; // a StopSample started from here is the quiet connection
    cmdStopSample_Click();
    m_inNoAnswer = false;
    if (lblChanNum->text() == QLatin1String("1"))
        cmdStart_Sample->setEnabled(true);
    // Polling can always be restarted after a fault.
    cmdWeight->setEnabled(true);
}

// ---- Weight button ---------------------------------------------------------------------------------

void frmClient::cmdWeight_Click()
{
    bNoTimeOut = false;
    if (!isGreen(cmdWeight)) {
        ShowHideInputsLamp(true);
        cmdWeight->setEnabled(false);
        cmdStopSample->setEnabled(true);
        SetTimeOutValue(lTimeOutMS);
        lTotalReadings = 0;
        lblA2D->setVisible(true);
        lblA2D_Data->setVisible(true);
        bAutoReconnect = true;
        strCurFunction = Framing::GetRTStatus;
        strCurParameters = Framing::UnitBody;
        StartConnection(bAutoReconnect);
    }
    bUnitsRead = false;
}

// ---- Communication log -----------------------------------------------------------------------------

void frmClient::chkCommLog_Click()
{
    if (chkCommLog->checkState() != Qt::Checked) {
        m_commLog.close();
        return;
    }
    if (!m_commLog.isOpen() && !m_commLog.open())
        commLogFailed(false);
}

void frmClient::commLogFailed(bool later)
{
    const QString text = QStringLiteral("Communication log: cannot write ") + CommLog::FileName +
                         QStringLiteral(": ") + m_commLog.errorString();
    m_commLog.close();
    chkCommLog->setCheckState(Qt::Unchecked);
    if (later)
        msgBoxAfterEvent(text);
    else
        Zelk::MsgBox(text);
}

void frmClient::commLogGivenUp(CommLog::GiveUp reason)
{
    commLog([this, reason](CommLog::Writer &log) {
        return log.givenUp(reason, m_replyBytes, strReplyCopy.toLatin1());
    });
}

void frmClient::messageRepeat(const QString &text)
{
    commLog([&text](CommLog::Writer &log) { return log.messageRepeat(text); });
}
