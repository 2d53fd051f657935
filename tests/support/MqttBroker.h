// A mosquitto broker on a free loopback port for end-to-end tests of the MQTT publishing, optionally
// with a password and TLS, and mosquitto_sub clients that collect what it passes on.
#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QUuid>

#include <algorithm>
#include <functional>
#include <optional>

namespace Mqtt {

inline void endProcess(QProcess &process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(10000);
    }
}

// Runs a helper program to its end in `dir`; true when it succeeded. Its output goes to `log`.
inline bool runTool(const QString &program, const QStringList &args, const QString &dir, QString &log)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    endProcess(p);
    log += QString::fromLocal8Bit(p.readAll());
    return ok;
}

class MqttBroker {
public:
    struct Options {
        bool passwords = false;
        bool tls = false;
    };

    ~MqttBroker() { stop(); }

    bool start(const Options &options)
    {
        stop();
        m_options = options;
        if (!m_dir.isValid() || (options.passwords && !makePasswordFile()) ||
            (options.tls && !makeCertificates()))
            return false;
        for (int attempt = 0; attempt < 20; ++attempt)
            if (launch(freePort()))
                return true;
        return false;
    }
    // Back on the same port with the same user and certificates, once the system lets go of the port.
    bool restart()
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (launch(m_port))
                return true;
            QTest::qWait(100);
        }
        return false;
    }
    void stop() { endProcess(m_process); }

    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }
    QString user() const { return QStringLiteral("zelk-station"); }
    QString password() const { return m_password; }
    QString caFile() const { return m_dir.filePath(QStringLiteral("ca.crt")); }
    QString otherCaFile() const { return m_dir.filePath(QStringLiteral("other-ca.crt")); }
    // What the fixture's tools and the broker wrote so far.
    QString log() const { return m_log + QString::fromLocal8Bit(brokerLog(0)); }
    // The options mosquitto_pub and mosquitto_sub need to reach this broker as its user.
    QStringList clientArguments() const
    {
        QStringList args{"-h", "127.0.0.1", "-p", QString::number(m_port)};
        if (m_options.passwords)
            args << "-u" << user() << "-P" << m_password;
        if (m_options.tls)
            args << "--cafile" << caFile();
        return args;
    }

private:
    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
    // Runs a tool in the broker's folder; `args` are separated by single spaces.
    bool tool(const QString &program, const QString &args)
    {
        return runTool(program, args.split(QLatin1Char(' ')), m_dir.path(), m_log);
    }
    bool makePasswordFile()
    {
        m_password =
            QStringLiteral("Zk%1q").arg(QRandomGenerator::global()->generate64(), 16, 16, QChar('0'));
        return tool("mosquitto_passwd", "-b -c passwords " + user() + ' ' + m_password);
    }
    // A P-256 key in <name>.key with, as `request` says, a self-signed certificate or a request.
    bool makeKey(const QString &name, const QString &request, const QString &out)
    {
        return tool("openssl", "req " + request +
                                   " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout " +
                                   name + ".key -out " + out + " -subj /CN=" + name);
    }
    bool makeCertificates()
    {
        const QString ca = QStringLiteral("-x509 -days 30");
        return makeKey("ca", ca, "ca.crt") && makeKey("other-ca", ca, "other-ca.crt") &&
               makeKey("server", "-new -addext subjectAltName=IP:127.0.0.1,DNS:localhost", "server.csr") &&
               tool("openssl", "x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 30 "
                               "-copy_extensions copy -out server.crt");
    }
    QByteArray config(quint16 port) const
    {
        const auto file = [this](const char *name) { return m_dir.filePath(QLatin1String(name)).toUtf8(); };
        // "user root" keeps a broker started by root from dropping to an account that cannot read the
        // files in the private temporary folder; it means nothing to any other user.
        QByteArray conf = "user root\npersistence false\nlog_dest stderr\nlog_type all\n";
        conf += "allow_anonymous " + QByteArray(m_options.passwords ? "false" : "true") + '\n';
        if (m_options.passwords)
            conf += "password_file " + file("passwords") + '\n';
        conf += "listener " + QByteArray::number(port) + " 127.0.0.1\n";
        if (m_options.tls)
            conf += "cafile " + file("ca.crt") + "\ncertfile " + file("server.crt") + "\nkeyfile " +
                    file("server.key") + '\n';
        return conf;
    }
    // Starts the broker on `port`; false when it ended before it took connections (the port was taken).
    bool launch(quint16 port)
    {
        stop();
        m_port = port;
        QFile conf(m_dir.filePath(QStringLiteral("mosquitto.conf")));
        if (port == 0 || !conf.open(QIODevice::WriteOnly) || conf.write(config(port)) < 0)
            return false;
        conf.close();
        // The broker writes to a file rather than a pipe that a test busy elsewhere might leave full.
        const qint64 from = QFileInfo(logFile()).size();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(logFile(), QIODevice::Append);
        m_process.start(QStringLiteral("/usr/sbin/mosquitto"), {"-c", conf.fileName()});
        if (!m_process.waitForStarted(10000))
            return false;
        // The broker reports running once its listener is bound: a connection before that may have
        // reached whoever held the port.
        const QDeadlineTimer deadline(10000);
        while (m_process.state() == QProcess::Running && !deadline.hasExpired()) {
            if (brokerLog(from).contains(" running\n") && accepts(port))
                return true;
            m_process.waitForFinished(50); // a short pause that ends early when the broker does
        }
        stop();
        return false;
    }
    static bool accepts(quint16 port)
    {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(1000);
    }
    QString logFile() const { return m_dir.filePath(QStringLiteral("mosquitto.log")); }
    QByteArray brokerLog(qint64 from) const
    {
        QFile file(logFile());
        return file.open(QIODevice::ReadOnly) && file.seek(from) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    Options m_options;
    QString m_password;
    QString m_log;
    quint16 m_port = 0;
};

// One message as mosquitto_sub passed it on.
struct Message {
    QString topic;
    bool retained = false;
    int qos = 0;
    QByteArray payload;

    QJsonObject json() const { return QJsonDocument::fromJson(payload).object(); }
};

// One mosquitto_sub output line: retained flag, QoS, payload in hex (so that any payload stays on its
// line) and the topic to the end of the line. Nothing for other lines, such as complaints.
inline std::optional<Message> parseMessage(QByteArray line)
{
    static const QRegularExpression format(QStringLiteral("^([01]) ([0-2]) ([0-9a-f]*) (.+)$"));
    line.chop(line.endsWith('\n') ? 1 : 0);
    const QRegularExpressionMatch m = format.match(QString::fromUtf8(line));
    if (!m.hasMatch())
        return std::nullopt;
    return Message{m.captured(4), m.captured(1) == QLatin1String("1"), m.captured(2).toInt(),
                   QByteArray::fromHex(m.captured(3).toLatin1())};
}

// mosquitto_sub's options for the filters, at QoS 2 so that each message keeps the QoS it was
// published with.
inline QStringList subscribeArguments(const MqttBroker &broker, const QStringList &filters)
{
    QStringList args = broker.clientArguments() + QStringList{"-q", "2", "-F", "%r %q %x %t"};
    for (const QString &filter : filters)
        args << "-t" << filter;
    return args;
}

// The retained message on `topic`, or nothing when the broker holds none within `timeoutMs`.
inline std::optional<Message> retainedMessage(const MqttBroker &broker, const QString &topic, int timeoutMs)
{
    QProcess sub;
    sub.start(QStringLiteral("mosquitto_sub"),
              subscribeArguments(broker, {topic}) +
                  QStringList{"-C", "1", "--retained-only", "-W",
                              QString::number(std::max(1, (timeoutMs + 999) / 1000))});
    sub.waitForFinished(timeoutMs + 10000);
    endProcess(sub);
    return parseMessage(sub.readAllStandardOutput());
}

// A mosquitto_sub client on the broker. It also subscribes to a private marker topic: the marker
// coming back shows the subscription is in place, since both filters go in the same SUBSCRIBE.
class MqttSubscriber {
public:
    ~MqttSubscriber() { stop(); }

    bool start(const MqttBroker &broker, const QString &filter = QStringLiteral("#"), int timeoutMs = 20000)
    {
        stop();
        m_messages.clear();
        m_markerSeen = false;
        m_marker = "zelk-fixture/marker/" + QUuid::createUuid().toString(QUuid::WithoutBraces);
        if (!m_output.isOpen() && !m_output.open())
            return false;
        m_read = 0;
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(m_output.fileName());
        m_process.start(QStringLiteral("mosquitto_sub"), subscribeArguments(broker, {filter, m_marker}));
        const QStringList marker = broker.clientArguments() + QStringList{"-t", m_marker, "-m", "1"};
        const QDeadlineTimer deadline(timeoutMs);
        m_process.waitForStarted(10000);
        while (m_process.state() == QProcess::Running && !deadline.hasExpired()) {
            runTool(QStringLiteral("mosquitto_pub"), marker, QDir::tempPath(), m_log);
            m_process.waitForFinished(200);
            readLines();
            if (m_markerSeen)
                return true;
        }
        return false;
    }
    void stop() { endProcess(m_process); }
    QList<Message> messages()
    {
        readLines();
        return m_messages;
    }
    // Runs the event loop until the messages so far satisfy `pred`.
    bool waitFor(const std::function<bool(const QList<Message> &)> &pred, int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!pred(messages())) {
            if (deadline.hasExpired())
                return false;
            QTest::qWait(20);
        }
        return true;
    }
    // What mosquitto_sub and the marker's publisher wrote that was not a message.
    QString log()
    {
        readLines();
        return m_log;
    }

private:
    // Takes in the complete lines mosquitto_sub added to its output file.
    void readLines()
    {
        m_output.seek(m_read);
        for (QByteArray line = m_output.readLine(); line.endsWith('\n'); line = m_output.readLine()) {
            m_read += line.size();
            const std::optional<Message> message = parseMessage(line);
            if (!message)
                m_log += QString::fromLocal8Bit(line);
            else if (message->topic != m_marker)
                m_messages << *message;
            else
                m_markerSeen = true;
        }
    }

    QTemporaryFile m_output;
    qint64 m_read = 0;
    QProcess m_process;
    QString m_marker;
    QList<Message> m_messages;
    QString m_log;
    bool m_markerSeen = false;
};

} // namespace Mqtt
