// DeviceLink: the connection cycle to the device (a fresh socket per request, retired safely from inside
// its own events), the time-out, the gathering and recognising of a reply, and the communication log.
#include "DeviceLink.h"

#include "HostAddress.h"
#include "RequestFraming.h"
#include "Seams.h"

#include <QTcpSocket>
#include <QTimer>
#include <array>

// ---- Timers ----------------------------------------------------------------------------------------

void TimerSwitch::setEnabled(QTimer *timer, bool enabled)
{
    timer->setProperty("enabled", enabled);
    if (enabled && timer->interval() > 0 && !timer->isActive())
        timer->start();
    else if (!enabled || timer->interval() <= 0)
        timer->stop();
}

void TimerSwitch::setInterval(QTimer *timer, std::int32_t interval)
{
    timer->setInterval(interval);
    setEnabled(timer, enabled(timer));
}

bool TimerSwitch::enabled(const QTimer *timer)
{
    return timer->property("enabled").toBool();
}

// ---- Socket ----------------------------------------------------------------------------------------

DeviceLink::DeviceLink(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("TimerTimeOut"));
    connect(m_timer, &QTimer::timeout, this, &DeviceLink::tick);
    TimerSwitch::setInterval(m_timer, 5000);
    newSocket();
}

DeviceLink::~DeviceLink()
{
    m_socket->disconnect(this);
}

void DeviceLink::newSocket()
{
    m_socket = new QTcpSocket(this);
    m_socket->setObjectName(QStringLiteral("tcpClient"));
    connect(m_socket, &QTcpSocket::connected, this, &DeviceLink::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &DeviceLink::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &DeviceLink::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) { onError(int(error)); });
}

// Closing may happen inside the socket's own signal: the old socket is silenced, aborted and deleted
// later, and a fresh one takes its place.
void DeviceLink::retireSocket()
{
    QTcpSocket *old = m_socket;
    old->disconnect(this);
    old->abort();
    old->setObjectName(QString());
    old->deleteLater();
    newSocket();
}

bool DeviceLink::busy() const
{
    return m_socket->state() != QAbstractSocket::UnconnectedState;
}

// ---- Requests --------------------------------------------------------------------------------------

void DeviceLink::setCommand(const QString &command, const QString &body)
{
    m_command = command;
    m_body = body;
}

void DeviceLink::start()
{
    retireSocket();
    ++m_connectionSerial;
    m_quietConnection = m_startQuiet ? m_connectionSerial : 0;
    emit connecting();
    const HostAddress::Endpoint peer = HostAddress::parse(m_address ? m_address() : QString());
    m_socket->connectToHost(peer.host, peer.port);
    m_requestSent = false;
    m_replyHandled = false;
    m_connectTicks = Zelk::GetTickCount();
    // Every request is timed, polling or not; the timer stops once an exchange ends without a next.
    TimerSwitch::setEnabled(m_timer, true);
}

void DeviceLink::send(const QString &command, const QString &body)
{
    const std::array<QByteArray, 3> pieces = Framing::requestWrites(command, body);
    for (const QByteArray &piece : pieces)
        m_socket->write(piece);
    log([&pieces](CommLog::Writer &w) { return w.request(pieces[0] + pieces[1] + pieces[2]); });
}

void DeviceLink::silence()
{
    TimerSwitch::setEnabled(m_timer, false);
    retireSocket();
}

bool DeviceLink::quietExchange() const
{
    return m_quietConnection != 0 && m_quietConnection == m_connectionSerial;
}

// ---- Socket events ---------------------------------------------------------------------------------

void DeviceLink::onConnected()
{
    m_body = Framing::bodyAtSendTime(m_command, m_body);
    m_assembler.reset();
    m_replyHandled = false;
    m_replyBytes = 0;
    m_replyLogged = false;
    send(m_command, m_body);
    m_requestSent = true;
    emit connected();
}

void DeviceLink::onReadyRead()
{
    const QByteArray bytes = m_socket->readAll();
    m_replyBytes += bytes.size();
    const std::int32_t now = Zelk::GetTickCount();
    const Reply::Assembler::Step step = m_assembler.addChunk(QString::fromLatin1(bytes), now);
    if (step.prologFound)
        m_repliesStarted += 1;
    emit replyGrew(m_assembler.text());
    if (step.overflow) {
        logGivenUp(CommLog::GiveUp::TooLarge);
        emit replyGivenUp(CommLog::GiveUp::TooLarge);
        return;
    }
    if (step.kind == Reply::Kind::None) {
        unfinishedReply(now);
        return;
    }
    m_replyHandled = true;
    log([this](CommLog::Writer &w) { return w.reply(m_assembler.text().toLatin1()); });
    emit replyHandled(step.kind, m_assembler.text());
}

void DeviceLink::unfinishedReply(std::int32_t now)
{
    const QString &text = m_assembler.text();
    const bool channel = text.contains(QLatin1String("</ch"));
    const bool runEnded = !channel && text.contains(QLatin1String("<ERROR_CODE>200</ERROR_CODE>"));
    // These replies are recognised without their closing tag, again at every chunk: logged once, as
    // far as they had come.
    if ((channel || runEnded) && !std::exchange(m_replyLogged, true))
        log([&text](CommLog::Writer &w) { return w.reply(text.toLatin1()); });
    m_replyHandled = m_replyHandled || channel || runEnded;
    if (channel)
        emit channelReply();
    else if (runEnded)
        emit endOfRun();
    if (m_assembler.expired(now, m_replyLimitMs)) {
        logGivenUp(CommLog::GiveUp::Incomplete);
        emit replyGivenUp(CommLog::GiveUp::Incomplete);
    }
}

void DeviceLink::logGivenUp(CommLog::GiveUp reason)
{
    log([this, reason](CommLog::Writer &w) {
        return w.givenUp(reason, m_replyBytes, m_assembler.text().toLatin1());
    });
}

void DeviceLink::onDisconnected()
{
    const QTcpSocket *closing = m_socket;
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
    if (m_socket != closing)
        return; // the last bytes completed a reply whose handler already moved on to a new connection
    onClosed();
}

void DeviceLink::onClosed()
{
    // The device closed the link before any reply on it could be handled: that reply can never
    // complete. It is reported once, as a reply given up (something came) or as no answer (nothing
    // came); reconnecting at once would ask the device again and again without ever telling anyone.
    // A channel reply and the end code of a run are recognised without a closing tag and go on as usual.
    if (m_replyHandled) {
        if (m_reconnecting)
            start();
        emit closed();
        return;
    }
    logGivenUp(CommLog::GiveUp::Invalid);
    if (!m_assembler.text().isEmpty()) {
        emit replyGivenUp(CommLog::GiveUp::Invalid);
        return;
    }
    m_faultLogged = m_log.isOpen();
    emit noAnswer();
}

void DeviceLink::onError(int error)
{
    // The peer closing the link is the Close event, not an error.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    log([this](CommLog::Writer &w) {
        return m_faultLogged = w.socketError(m_command, m_socket->errorString());
    });
    emit socketFailed();
}

// ---- Time-out --------------------------------------------------------------------------------------

void DeviceLink::setTimeOut(std::int32_t ms)
{
    m_answerLimitMs = ms;
    m_replyLimitMs = ms;
    TimerSwitch::setInterval(m_timer, ms);
}

void DeviceLink::stopTiming()
{
    TimerSwitch::setEnabled(m_timer, false);
}

bool DeviceLink::timing() const
{
    return m_timer->isActive();
}

std::int32_t DeviceLink::tickInterval() const
{
    return m_timer->interval();
}

void DeviceLink::tick()
{
    if (m_replyHandled) {
        stopTiming(); // answered, and no request since: nothing to time
        return;
    }
    if (std::exchange(m_requestSent, false))
        return;
    if (!m_timeOutSuspended && Zelk::ticksBetween(m_connectTicks, Zelk::GetTickCount()) > m_answerLimitMs) {
        stopTiming();
        emit noAnswer();
    }
}

// ---- Communication log -----------------------------------------------------------------------------

bool DeviceLink::setLogging(bool on)
{
    if (!on) {
        m_log.close();
        return true;
    }
    return m_log.isOpen() || m_log.open();
}

QString DeviceLink::logFailureText() const
{
    return QStringLiteral("Communication log: cannot write ") + CommLog::FileName + QStringLiteral(": ") +
           m_log.errorString();
}

void DeviceLink::logWriteFailed()
{
    const QString text = logFailureText();
    m_log.close();
    emit logFailed(text);
}

void DeviceLink::logNoAnswer()
{
    if (!std::exchange(m_faultLogged, false))
        log([this](CommLog::Writer &w) {
            return w.timeOut(m_command, Zelk::ticksBetween(m_connectTicks, Zelk::GetTickCount()));
        });
}

void DeviceLink::logMessageRepeat(const QString &text)
{
    log([&text](CommLog::Writer &w) { return w.messageRepeat(text); });
}
