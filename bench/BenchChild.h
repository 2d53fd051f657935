// A program of the station as a child process of a benchmark: its output lines read with a time limit,
// its CPU time and memory read from /proc while it runs, and the screen the windows run on.
#pragma once

#include "../tests/support/LaptopScreen.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <optional>
#include <unistd.h>

class Child {
public:
    explicit Child(const QString &workDir = {})
    {
        if (!workDir.isEmpty())
            proc.setWorkingDirectory(workDir);
        proc.setProcessChannelMode(QProcess::SeparateChannels);
        proc.setStandardErrorFile(QProcess::nullDevice());
    }
    ~Child()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.closeWriteChannel();
            if (!proc.waitForFinished(5000)) {
                proc.kill();
                proc.waitForFinished(2000);
            }
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    void start(const QString &program, const QStringList &args, const QProcessEnvironment &env = {})
    {
        if (!env.isEmpty())
            proc.setProcessEnvironment(env);
        clock.start();
        proc.start(program, args);
    }
    // The next line that contains `needle`, or nothing after `ms`.
    std::optional<QByteArray> lineWith(const QByteArray &needle, int ms = 60000)
    {
        QElapsedTimer limit;
        limit.start();
        for (;;) {
            while (proc.canReadLine()) {
                const QByteArray line = proc.readLine();
                sawTimeout = sawTimeout || line.contains("\"timeout\"");
                if (line.contains(needle))
                    return line;
            }
            if (limit.elapsed() > ms ||
                !proc.waitForReadyRead(int(std::max<qint64>(1, ms - limit.elapsed()))))
                if (!proc.canReadLine())
                    return std::nullopt;
        }
    }
    // A memory figure of /proc/PID/status in KiB ("VmRSS:" resident now, "VmHWM:" its peak), or -1.
    qint64 statusKiB(const QByteArray &key = "VmRSS:") const
    {
        QFile f(QStringLiteral("/proc/%1/status").arg(proc.processId()));
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith(key))
                return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
        return -1;
    }
    // CPU seconds (user + system, all threads) the process has used so far, from /proc.
    double cpuSeconds() const
    {
        QFile f(QStringLiteral("/proc/%1/stat").arg(proc.processId()));
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray stat = f.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        // after the name: state is field 3, utime field 14, stime field 15
        return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
               double(sysconf(_SC_CLK_TCK));
    }
    // The caption of a control in a driver's `dump` line, as a number (-1 when there is none or it is
    // not a number).
    static double caption(const std::optional<QByteArray> &line)
    {
        const QByteArray key = "\"caption\":\"";
        const qsizetype at = line ? line->indexOf(key) : -1;
        if (at < 0)
            return -1;
        const qsizetype from = at + key.size();
        bool ok = false;
        const double value = line->mid(from, line->indexOf('"', from) - from).toDouble(&ok);
        return ok ? value : -1;
    }

    QProcess proc;
    QElapsedTimer clock;
    bool sawTimeout = false; // a `waitfor` of the script gave up
};
