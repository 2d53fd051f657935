// The communication log: one line per request, reply, time-out, socket error, given-up reply and message
// not shown again, with a millisecond timestamp and bytes escaped, in a file rotated before it passes 10 MiB.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QFile>
#include <QString>

namespace CommLog {

inline const QString FileName = QStringLiteral("ZELK_NET_comm.log");
// The previous file after a rotation; an older one is replaced.
inline const QString RotatedSuffix = QStringLiteral(".1");
// A write that would take the file past this size starts a new file first.
constexpr qint64 RotateAtBytes = 10 * 1024 * 1024;

enum class Event { Request, Reply, TimeOut, SocketError, GivenUp, MessageRepeat };
// Why a reply was given up: the time limit passed, it outgrew the reply buffer, or the device closed
// the link on a reply that cannot complete (nothing at all included).
enum class GiveUp { Incomplete, TooLarge, Invalid };

// The word naming an event or a reason in a line: "REQUEST", "GIVEN-UP", "too-large", ...
QByteArray eventName(Event event);
QByteArray reasonName(GiveUp reason);

// Bytes as printable ASCII on one line: "\\" for a backslash, "\r", "\n", "\t", and "\xNN" (two
// upper-case hex digits) for every other byte below 0x20 or from 0x7F on.
QByteArray escaped(QByteArrayView bytes);

// "yyyy-MM-dd hh:mm:ss.zzz EVENT fields" + (" " + escaped payload when there is one) + "\n".
// `fields` are the program's own words and numbers (no control bytes); the payload is the device's.
QByteArray line(const QDateTime &when, Event event, QByteArrayView fields, QByteArrayView payload = {});

// The log file, kept open in append mode while logging; every line goes to the file at once (no
// buffering in the program, no sync to disk). A failed open, write or rotation returns false and leaves
// the reason in errorString(); a line that could not be written whole is taken back out of the file.
// The caller decides whether to go on.
class Writer {
public:
    explicit Writer(QString fileName = FileName, qint64 rotateAtBytes = RotateAtBytes);

    // Opens (or creates) the file in the current directory for appending.
    bool open();
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }
    // The size of the current file, as far as this writer knows it.
    qint64 size() const { return m_size; }
    QString filePath() const { return m_file.fileName(); }

    // The exact bytes written to the device.
    bool request(QByteArrayView bytes);
    // The reply text as the monitor handles it.
    bool reply(QByteArrayView bytes);
    // No complete reply to `command` within `elapsedMs` of starting its connection.
    bool timeOut(const QString &command, qint64 elapsedMs);
    // The socket reported an error while `command` was pending; `text` is the socket's description.
    bool socketError(const QString &command, const QString &text);
    // A reply given up after `bytesCome` bytes had come on its connection; `text` is what was gathered.
    bool givenUp(GiveUp reason, qint64 bytesCome, QByteArrayView text);
    // An operator message not shown, because its cause was shown already and has not gone away.
    bool messageRepeat(const QString &text);

    // Writes one line stamped with the current local time, rotating first when it would not fit.
    bool write(Event event, QByteArrayView fields, QByteArrayView payload = {});

private:
    bool openFile();
    bool rotate();
    bool fail(const QString &reason);

    QString m_fileName;
    qint64 m_rotateAt;
    QFile m_file;
    qint64 m_size = 0;
    QString m_error;
};

} // namespace CommLog
