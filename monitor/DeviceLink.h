// DeviceLink: the monitor's link to the device, without widgets: one connection per request on a fresh
// socket, the reply gathered and recognised, the answer time-out with its tick of grace, and the log.
#pragma once

#include "CommLog.h"
#include "ReplyAssembler.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <utility>

class QTcpSocket;
class QTimer;

// Timers that keep their enabled state apart from their interval: an interval of 0 never ticks.
namespace TimerSwitch {
void setEnabled(QTimer *timer, bool enabled);
void setInterval(QTimer *timer, std::int32_t interval);
bool enabled(const QTimer *timer);
} // namespace TimerSwitch

class DeviceLink : public QObject {
    Q_OBJECT
public:
    explicit DeviceLink(QObject *parent = nullptr);
    ~DeviceLink() override;
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // The device's address ("host" or "host:port"), asked for at every connection start.
    void setAddressSource(std::function<QString()> source) { m_address = std::move(source); }

    // The command the next connection sends, and its body (completed when it is sent).
    void setCommand(const QString &command, const QString &body);
    void setCommand(const QString &command) { m_command = command; }
    const QString &command() const { return m_command; }
    const QString &body() const { return m_body; }

    // A new connection for the current command; the one before is closed first.
    void start();
    // Writes a command with its body on the current connection, and logs it.
    void send(const QString &command, const QString &body);
    // The current exchange ends here: its socket closed, its time-out off.
    void silence();
    // A connection is open or being opened.
    bool busy() const;

    // Reconnecting on: a handled reply or the device closing the link goes on with the next connection.
    void setReconnecting(bool on) { m_reconnecting = on; }
    bool reconnecting() const { return m_reconnecting; }

    // The answer limit, the limit of a reply that has begun to come, and the tick interval, all `ms`.
    void setTimeOut(std::int32_t ms);
    // The answer limit alone: the ticks keep their interval.
    void setAnswerLimit(std::int32_t ms) { m_answerLimitMs = ms; }
    std::int32_t replyLimit() const { return m_replyLimitMs; }
    // While suspended, only the caller's own wait can report a missing answer.
    void suspendTimeOut(bool on) { m_timeOutSuspended = on; }
    void stopTiming();
    bool timing() const;
    std::int32_t tickInterval() const;
    // One tick of the time-out: a request just written gets one tick of grace.
    void tick();

    // The reply of the current connection so far, from its prolog on.
    const QString &replyText() const { return m_assembler.text(); }
    std::int32_t repliesStarted() const { return m_repliesStarted; }
    // This connection is the StopSample sent by the no-answer path: it fails without a second message.
    bool quietExchange() const;
    // Runs `start` with every connection it opens marked quiet.
    template <class F> void startQuietly(F &&starts)
    {
        m_startQuiet = true;
        starts();
        m_startQuiet = false;
    }

    // The communication log. Switching it on returns false when the file cannot be opened.
    bool setLogging(bool on);
    QString logFailureText() const;
    // The time-out line, unless the cause of this no-answer path is in the log already.
    void logNoAnswer();
    void markFaultLogged() { m_faultLogged = true; }
    void logMessageRepeat(const QString &text);

signals:
    void connecting();
    void connected();
    // The reply gathered so far changed.
    void replyGrew(const QString &text);
    // A reply recognised by its closing tag.
    void replyHandled(Reply::Kind kind, const QString &text);
    // Replies recognised without their closing tag.
    void channelReply();
    void endOfRun();
    // The device closed the link after a handled reply.
    void closed();
    void socketFailed();
    void noAnswer();
    void replyGivenUp(CommLog::GiveUp reason);
    // The log could not be written: it is off now; `text` is the operator's message.
    void logFailed(const QString &text);

private:
    void newSocket();
    void retireSocket();
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onError(int error);
    void onClosed();
    void unfinishedReply(std::int32_t now);
    void logGivenUp(CommLog::GiveUp reason);
    template <class Write> void log(Write &&write)
    {
        if (m_log.isOpen() && !write(m_log))
            logWriteFailed();
    }
    void logWriteFailed();

    std::function<QString()> m_address;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_timer = nullptr;
    Reply::Assembler m_assembler;
    CommLog::Writer m_log;
    QString m_command;
    QString m_body;
    std::uint32_t m_connectionSerial = 0;
    std::uint32_t m_quietConnection = 0;
    bool m_startQuiet = false;
    bool m_reconnecting = false;
    bool m_requestSent = false;      // the tick of grace is still to come
    bool m_timeOutSuspended = false; // bNoTimeOut
    std::int32_t m_connectTicks = 0;
    std::int32_t m_answerLimitMs = 5000;
    std::int32_t m_replyLimitMs = 0;
    std::int32_t m_repliesStarted = 0;
    bool m_replyHandled = false; // a reply was recognised on the current connection: nothing awaited
    bool m_replyLogged = false;  // a reply recognised without its closing tag is in the log already
    bool m_faultLogged = false;  // the cause of the coming no-answer path is in the log already
    qint64 m_replyBytes = 0;     // bytes that came on the current connection
};
