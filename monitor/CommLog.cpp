// The communication log: line composition (timestamp, event word, escaped device bytes) and the
// writer that keeps the file open, appends one line per event and rotates the file at its size limit.
#include "CommLog.h"

#include "SafeWrite.h"

#include <QFileInfo>
#include <utility>

namespace CommLog {

namespace {

constexpr char Hex[] = "0123456789ABCDEF";

void appendEscaped(QByteArray &out, QByteArrayView bytes)
{
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '\\':
            out.append("\\\\", 2);
            break;
        case '\r':
            out.append("\\r", 2);
            break;
        case '\n':
            out.append("\\n", 2);
            break;
        case '\t':
            out.append("\\t", 2);
            break;
        default:
            if (b < 0x20 || b >= 0x7F) {
                const char code[] = {'\\', 'x', Hex[b >> 4], Hex[b & 0xF]};
                out.append(code, 4);
            } else {
                out.append(c);
            }
        }
    }
}

} // namespace

QByteArray eventName(Event event)
{
    switch (event) {
    case Event::Request:
        return QByteArrayLiteral("REQUEST");
    case Event::Reply:
        return QByteArrayLiteral("REPLY");
    case Event::TimeOut:
        return QByteArrayLiteral("TIMEOUT");
    case Event::SocketError:
        return QByteArrayLiteral("SOCKET-ERROR");
    case Event::GivenUp:
        return QByteArrayLiteral("GIVEN-UP");
    case Event::MessageRepeat:
        return QByteArrayLiteral("MESSAGE-REPEAT");
    }
    return {};
}

QByteArray reasonName(GiveUp reason)
{
    switch (reason) {
    case GiveUp::Incomplete:
        return QByteArrayLiteral("incomplete");
    case GiveUp::TooLarge:
        return QByteArrayLiteral("too-large");
    case GiveUp::Invalid:
        return QByteArrayLiteral("invalid");
    }
    return {};
}

QByteArray escaped(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    appendEscaped(out, bytes);
    return out;
}

QByteArray line(const QDateTime &when, Event event, QByteArrayView fields, QByteArrayView payload)
{
    QByteArray out = when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")).toLatin1();
    out.reserve(40 + fields.size() + payload.size() + payload.size() / 4);
    out.append(eventName(event));
    if (!fields.isEmpty()) {
        out.append(' ');
        appendEscaped(out, fields);
    }
    if (!payload.isEmpty()) {
        out.append(' ');
        appendEscaped(out, payload);
    }
    out.append('\n');
    return out;
}

// ---- Writer ----------------------------------------------------------------------------------------

Writer::Writer(QString fileName, qint64 rotateAtBytes)
    : m_fileName(std::move(fileName)), m_rotateAt(rotateAtBytes)
{
}

bool Writer::open()
{
    close();
    // Fixed when logging starts: a rotation later renames within the same folder.
    m_file.setFileName(QFileInfo(m_fileName).absoluteFilePath());
    return openFile();
}

bool Writer::openFile()
{
    if (!m_file.open(Zelk::DirectWrite | QIODevice::Append))
        return fail(m_file.errorString());
    m_size = m_file.size();
    m_error.clear();
    return true;
}

void Writer::close()
{
    m_file.close();
}

bool Writer::fail(const QString &reason)
{
    m_error = reason;
    m_file.close();
    return false;
}

bool Writer::rotate()
{
    const QString path = m_file.fileName();
    const QString older = path + RotatedSuffix;
    m_file.close();
    if (QFileInfo::exists(older) && !QFile::remove(older))
        return fail(QStringLiteral("cannot remove ") + QFileInfo(older).fileName());
    if (!QFile::rename(path, older))
        return fail(QStringLiteral("cannot rename it to ") + QFileInfo(older).fileName());
    return openFile();
}

bool Writer::write(Event event, QByteArrayView fields, QByteArrayView payload)
{
    if (!isOpen())
        return false;
    const QByteArray text = line(QDateTime::currentDateTime(), event, fields, payload);
    if (m_size > 0 && m_size + text.size() > m_rotateAt && !rotate())
        return false;
    QString reason;
    if (!Zelk::writeAll(m_file, text, &reason)) {
        m_file.resize(m_size); // no line cut short stays behind
        return fail(reason);
    }
    m_size += text.size();
    return true;
}

bool Writer::request(QByteArrayView bytes)
{
    return write(Event::Request, QByteArray::number(bytes.size()), bytes);
}

bool Writer::reply(QByteArrayView bytes)
{
    return write(Event::Reply, QByteArray::number(bytes.size()), bytes);
}

bool Writer::timeOut(const QString &command, qint64 elapsedMs)
{
    return write(Event::TimeOut, command.toLatin1() + ' ' + QByteArray::number(elapsedMs) + " ms");
}

bool Writer::socketError(const QString &command, const QString &text)
{
    return write(Event::SocketError, command.toLatin1(), text.toUtf8());
}

bool Writer::givenUp(GiveUp reason, qint64 bytesCome, QByteArrayView text)
{
    return write(Event::GivenUp, reasonName(reason) + ' ' + QByteArray::number(bytesCome), text);
}

bool Writer::messageRepeat(const QString &text)
{
    return write(Event::MessageRepeat, {}, text.toUtf8());
}

} // namespace CommLog
