// Test client for the device stand-in: a raw QTcpSocket that writes one request as the monitor does
// (three writes) and gathers every reply chunk until the device closes. Event-driven, no waits.
#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

// "POST /cmd", the length header and the body, each write as the monitor makes it.
inline QList<QByteArray> requestWrites(const QByteArray &command, const QByteArray &body)
{
    return {"POST /" + command + "\r\n", "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n",
            body + "\r\n"};
}

inline QByteArray requestBytes(const QByteArray &command, const QByteArray &body)
{
    return requestWrites(command, body).join();
}

class SimClient : public QObject {
public:
    // Connects to 127.0.0.1:port and sends `writes` once connected.
    SimClient(quint16 port, const QList<QByteArray> &writes) : m_writes(writes)
    {
        connect(&socket, &QTcpSocket::connected, this, [this] {
            connected = true;
            for (const QByteArray &w : m_writes)
                socket.write(w);
        });
        connect(&socket, &QTcpSocket::readyRead, this, [this] {
            reply += socket.readAll();
            ++chunks;
        });
        connect(&socket, &QTcpSocket::disconnected, this, [this] { closed = true; });
        connect(&socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
            if (e != QAbstractSocket::RemoteHostClosedError || !connected)
                error = e;
            if (!connected)
                closed = true;
        });
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    SimClient(quint16 port, const QByteArray &command, const QByteArray &body)
        : SimClient(port, requestWrites(command, body))
    {
    }

    // Runs the event loop until the connection ended (or failed); false after `timeoutMs`.
    bool waitClosed(int timeoutMs)
    {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
        connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
        timer.start(timeoutMs);
        while (!closed && timer.isActive())
            loop.exec();
        return closed;
    }

    QTcpSocket socket;
    QByteArray reply;
    int chunks = 0;
    bool connected = false;
    bool closed = false;
    QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;

private:
    QList<QByteArray> m_writes;
};

// The first element's text, searched as the monitor searches it (first opening, first closing tag).
inline QByteArray elementText(const QByteArray &reply, const QByteArray &name)
{
    const QByteArray open = '<' + name + '>';
    const qsizetype from = reply.indexOf(open);
    const qsizetype to = reply.indexOf("</" + name + '>');
    if (from < 0 || to < from)
        return "<absent>";
    return reply.mid(from + open.size(), to - from - open.size());
}

// Why `reply` does not follow the grammar the monitor needs for `root`; empty when it does.
inline QString grammarProblem(const QByteArray &reply, const QByteArray &root, int trailer = 4)
{
    const QByteArray close = "</" + root + '>';
    if (!reply.startsWith("HTTP/1.0 "))
        return QStringLiteral("no status header");
    if (!reply.contains("\r\n\r\n<?xml version='1.0' ?><" + root + '>'))
        return QStringLiteral("header, prolog and root do not follow each other");
    if (reply.mid(reply.size() - trailer - close.size(), close.size()) != close)
        return QStringLiteral("closing root tag not followed by exactly %1 characters").arg(trailer);
    return {};
}
