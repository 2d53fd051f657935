// The programs as processes for end-to-end tests: zelk-devicesim on a loopback port, and the monitor
// driven line by line through its automation driver on standard input, its JSON lines read back.
#pragma once

#include "../support/LaptopScreen.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryFile>
#include <QTest>

namespace E2e {

inline const QString NoAnswer = QStringLiteral("Server does not answer! Possibly IP-address is incorrect.\n"
                                               "Be sure the Server is running and try again, please! ");
inline const QString InvalidXml = QStringLiteral(" Invalid XML data!  ");

inline QProcessEnvironment offscreenEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), laptopScreenPlatform());
    env.remove(QStringLiteral("ZELK_AUTOMATION_VIEWER"));
    env.remove(QStringLiteral("ZELK_TICK_START"));
    return env;
}

// One zelk-devicesim process on 127.0.0.1. Port 0 picks a free port; a given port is taken again
// (a device restarted on its old port), retried while the system still holds it.
class Sim {
public:
    ~Sim() { stop(); }

    bool start(quint16 port, const QStringList &options)
    {
        for (int attempt = 0; attempt < 50; ++attempt) {
            stop();
            m_process.setProcessEnvironment(offscreenEnvironment());
            m_process.start(
                QStringLiteral(ZELK_DEVICESIM_EXE),
                QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port)} + options);
            if (!m_process.waitForStarted(10000))
                return false;
            while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
                m_process.waitForReadyRead(100);
            if (m_process.canReadLine()) {
                m_port = quint16(m_process.readLine().trimmed().toUInt());
                return m_port != 0;
            }
            QTest::qWait(100); // the port is not free yet
        }
        return false;
    }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

// The monitor under its automation driver. Every command sent is one script line; commands that
// print nothing are followed by a `dump` whose line tells that they were carried out.
class Monitor {
public:
    ~Monitor()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    // Offscreen unless `env` says otherwise (a real X server's DISPLAY, say). `program` may be the
    // viewer, driven the same way.
    bool start(const QString &workDir, const QString &address,
               QProcessEnvironment env = offscreenEnvironment(),
               const QString &program = QStringLiteral(ZELK_MONITOR_EXE))
    {
        env.insert(QStringLiteral("ZELK_AUTOMATION"), QStringLiteral("-"));
        env.insert(QStringLiteral("ZELK_DEFAULT_ADDRESS"), address);
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(workDir);
        if (m_errorFile.isEmpty())
            m_process.setProcessChannelMode(
                QProcess::ForwardedErrorChannel); // its complaints in the test log
        else
            m_process.setStandardErrorFile(m_errorFile);
        m_process.start(program, {});
        return m_process.waitForStarted(10000);
    }
    // Its standard error into `path` instead of the test log (set before start).
    void keepErrorsIn(const QString &path) { m_errorFile = path; }
    qint64 pid() const { return m_process.processId(); }
    QProcess &process() { return m_process; }

    // Sends a command; its script line number.
    int send(const QString &command)
    {
        m_process.write(command.toUtf8() + '\n');
        m_process.waitForBytesWritten(10000); // on its way now, not at the next event loop run
        return ++m_line;
    }
    // A command carried out, followed by a dump to learn that it was.
    bool run(const QString &command, int ms = 20000)
    {
        send(command);
        return !dump(QStringLiteral("frmClient"), ms).isEmpty();
    }
    // The state line of one control (empty when the program did not answer within `ms`).
    QJsonObject dump(const QString &name, int ms = 20000)
    {
        const int line = send(QStringLiteral("dump ") + name);
        return awaitEvent(ms, [&](const QJsonObject &e) {
            return e.value(QStringLiteral("line")).toInt() == line &&
                   e.value(QStringLiteral("event")) == QStringLiteral("state");
        });
    }
    // A property as `dump` prints it: true/false, numbers in decimal, texts as they are.
    QString property(const QString &name, const QString &prop)
    {
        const QJsonValue v = dump(name).value(prop);
        if (v.isBool())
            return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        if (v.isDouble())
            return QString::number(v.toDouble());
        return v.toString();
    }
    // The driver's `waitfor`: true when the property reached the value before `ms` passed.
    bool waitFor(const QString &name, const QString &prop, const QString &value, int ms)
    {
        const int line = send(QStringLiteral("waitfor %1 %2 %3 %4").arg(name, prop, value).arg(ms));
        if (dump(QStringLiteral("frmClient"), ms + 20000).isEmpty())
            return false;
        for (const QJsonObject &e : std::as_const(m_events))
            if (e.value(QStringLiteral("line")).toInt() == line &&
                e.value(QStringLiteral("event")) == QStringLiteral("timeout"))
                return false;
        return true;
    }
    // Polls a numeric caption until it is at least `least`.
    bool waitForCount(const QString &name, qint64 least, int ms)
    {
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (count(name) >= least)
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    qint64 count(const QString &name)
    {
        return dump(name).value(QStringLiteral("caption")).toString().toLongLong();
    }

    // The texts of the message boxes shown so far (reading what is waiting on the output first).
    QStringList messages()
    {
        readLines();
        QStringList texts;
        for (const QJsonObject &e : std::as_const(m_events))
            if (e.value(QStringLiteral("event")) == QStringLiteral("msgbox"))
                texts << e.value(QStringLiteral("text")).toString();
        return texts;
    }
    bool awaitMessages(qsizetype n, int ms)
    {
        const QDeadlineTimer deadline(ms);
        while (messages().size() < n && !deadline.hasExpired())
            m_process.waitForReadyRead(50);
        return messages().size() >= n;
    }
    // Quits as the user would; the exit code, or -1 when the program did not end.
    int quit()
    {
        send(QStringLiteral("quit"));
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(30000))
            return -1;
        readLines();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    template <typename Pred> QJsonObject awaitEvent(int ms, Pred pred)
    {
        const QDeadlineTimer deadline(ms);
        qsizetype seen = 0;
        for (;;) {
            readLines();
            for (; seen < m_events.size(); ++seen)
                if (pred(m_events.at(seen)))
                    return m_events.at(seen);
            if (m_process.state() != QProcess::Running || deadline.hasExpired())
                return {};
            m_process.waitForReadyRead(50);
        }
    }
    void readLines()
    {
        while (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine();
            const QJsonDocument json = QJsonDocument::fromJson(line);
            if (json.isObject())
                m_events << json.object();
        }
    }

    QProcess m_process;
    QList<QJsonObject> m_events;
    int m_line = 0;
    QString m_errorFile;
};

} // namespace E2e
