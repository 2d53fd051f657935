// Killing the monitor (SIGKILL) while it writes its history file or its settings file: the file on disk
// is always either the previous one, byte for byte, or the complete new one, never a truncated file.
#include "E2eProcesses.h"
#include "HistoryCheck.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace E2e;

namespace {

constexpr int Patience = 30000;
constexpr int HistoryAttempts = 4;     // kills aimed at the history file ...
constexpr int MaxHistoryAttempts = 12; // ... and more while none landed in the middle of a write
constexpr int SettingsKills = 24;

// Files that process `pid` holds open inside `dir`, as their link targets (a file written through a
// temporary may show as "dir/#inode (deleted)").
QStringList openFilesIn(qint64 pid, const QByteArray &dir)
{
    QStringList found;
    const QByteArray fdDir = "/proc/" + QByteArray::number(pid) + "/fd";
    DIR *d = opendir(fdDir.constData());
    if (!d)
        return found;
    while (const dirent *e = readdir(d)) {
        char target[4096];
        const QByteArray link = fdDir + '/' + e->d_name;
        const ssize_t n = readlink(link.constData(), target, sizeof target);
        if (n > 0 && QByteArray(target, n).startsWith(dir + '/'))
            found << QString::fromLocal8Bit(target, n);
    }
    closedir(d);
    return found;
}

// A temporary file on its way to becoming `fileName`: named after it, or unnamed ("#inode (deleted)")
// and not the file `other` (an unnamed file still shows so for a moment after it was linked in place).
bool isTemporaryFor(const QString &target, const QString &fileName, const QString &other)
{
    const QString name = target.section(u'/', -1);
    if (name.startsWith(fileName))
        return name != fileName;
    if (!name.startsWith(u'#') || !name.endsWith(QLatin1String(" (deleted)")))
        return false;
    struct stat otherStat {};
    return ::stat(QFile::encodeName(other).constData(), &otherStat) != 0 ||
           name.mid(1).section(u' ', 0, 0).toULongLong() != quint64(otherStat.st_ino);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

const QByteArray PreviousHistory = "Timer2Interval,  300 \r\n-999999  0  5  3  1500  2 \r\n 0  12.345\r\n"
                                   " 1  12.350\r\n 2  12.348\r\n-1, -1\r\nStartDateTime:earlier\r\n"
                                   "ZELK-NET  Channel 1\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nSamples: 2\r\n";

QByteArray previousSettings(quint16 port)
{
    return "IPaddress,127.0.0.1:" + QByteArray::number(port) +
           "\r\nStartOutStatus, 0\r\nSetPointCheckBoxStart, 0\r\nStart_Sample_Time, \r\n"
           "Start_Sample_TimeOut, 4321\r\nX-mode:Samplings_or_Milisec:, 2\r\nVZT\r\n";
}

} // namespace

class DataSafety : public QObject {
    Q_OBJECT
private slots:
    void killWhileHistoryFileIsWritten();
    void killWhileSettingsFileIsWritten();

private:
    // A monitor in `dir` against `device`, past its start-up.
    bool startMonitor(Monitor &monitor, const QTemporaryDir &dir, const Sim &device);
};

bool DataSafety::startMonitor(Monitor &monitor, const QTemporaryDir &dir, const Sim &device)
{
    return dir.isValid() && monitor.start(dir.path(), QStringLiteral("127.0.0.1:%1").arg(device.port())) &&
           monitor.waitFor(QStringLiteral("lblChanNum"), QStringLiteral("caption"), QStringLiteral("1"),
                           Patience);
}

// A fast-sampling run ends and the monitor writes the run into All_data.txt, which holds an earlier run.
// The kill comes as soon as the monitor holds a temporary file open in its folder, other than the
// auto-save file (created once, then appended to in place): the history file on its way.
void DataSafety::killWhileHistoryFileIsWritten()
{
    Sim device;
    QVERIFY(device.start(0, {QStringLiteral("--run-ms"), QStringLiteral("4000"),
                             QStringLiteral("--integration"), QStringLiteral("1")}));
    int midWrite = 0, afterCommit = 0, missed = 0;
    for (int attempt = 0; attempt < MaxHistoryAttempts && (attempt < HistoryAttempts || midWrite == 0);
         ++attempt) {
        QTemporaryDir dir;
        const QString history = dir.filePath(QStringLiteral("All_data.txt"));
        const QString autoSave = dir.filePath(QStringLiteral("AutoSave.txt"));
        QVERIFY(writeFile(history, PreviousHistory));
        Monitor monitor;
        QVERIFY(startMonitor(monitor, dir, device));
        QVERIFY(monitor.run(QStringLiteral("click cmdStart_Sample")));
        const QByteArray folder = QFile::encodeName(QDir(dir.path()).canonicalPath());
        bool killed = false;
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; !killed && clock.elapsed() < Patience; ++round) {
            if (QFile::exists(autoSave)) {
                for (const QString &target : openFilesIn(monitor.pid(), folder)) {
                    if (!killed && isTemporaryFor(target, QStringLiteral("All_data.txt"), autoSave)) {
                        ::kill(pid_t(monitor.pid()), SIGKILL);
                        killed = true;
                        if (attempt == 0)
                            qInfo("killed while writing %s", qPrintable(target.section(u'/', -1)));
                    }
                }
            }
            if (!killed && round % 256 == 0 && contents(history) != PreviousHistory)
                break; // written before a kill could land
        }
        if (killed) {
            QVERIFY(monitor.process().waitForFinished(Patience));
            QCOMPARE(monitor.process().exitStatus(), QProcess::CrashExit);
        } else {
            ++missed;
            QCOMPARE(monitor.quit(), 0);
        }
        const QByteArray now = contents(history);
        if (now == PreviousHistory) {
            QVERIFY(killed);
            ++midWrite;
            continue;
        }
        const HistoryCheck::SavedRun run = HistoryCheck::read(now, HistoryCheck::Frame::Complete);
        QVERIFY2(run.wellFormed, qPrintable(run.fault));
        QVERIFY(run.readings > 0);
        afterCommit += killed;
    }
    qInfo("history file: %d kills in the middle of the write, %d after it, %d runs written before a kill",
          midWrite, afterCommit, missed);
    QVERIFY2(midWrite >= 1, "no kill landed while the history file was written");
}

// "Save Config" writes ZELK_NET.cfg (then the layout file). A first monitor saves without a kill, to
// learn the complete new files and how long a click takes to reach them; then the kills come at moments
// spread from 0 to one and a half times that; every other one comes at once when the monitor
// is seen holding a file open in its folder.
void DataSafety::killWhileSettingsFileIsWritten()
{
    Sim device;
    QVERIFY(device.start(0, {}));
    const QByteArray previous = previousSettings(device.port());
    QByteArray complete, completeLayout;
    qint64 latencyNs = 0;
    int midWrite = 0, before = 0, after = 0;
    for (int i = -1; i < SettingsKills; ++i) {
        QTemporaryDir dir;
        const QString settings = dir.filePath(QStringLiteral("ZELK_NET.cfg"));
        const QString layout = dir.filePath(QStringLiteral("PLXW.cfg"));
        QVERIFY(writeFile(settings, previous));
        Monitor monitor;
        QVERIFY(startMonitor(monitor, dir, device));
        QVERIFY(monitor.run(QStringLiteral("type txtTimeout2 1234")));
        const QByteArray folder = QFile::encodeName(QDir(dir.path()).canonicalPath());
        QElapsedTimer clock;
        monitor.send(QStringLiteral("click cmdSaveConfig"));
        clock.start();
        if (i < 0) {
            // How long a click takes to reach the file: the kill moments spread around it.
            while (contents(settings) == previous && clock.elapsed() < Patience)
                QThread::yieldCurrentThread();
            latencyNs = clock.nsecsElapsed();
            QVERIFY2(contents(settings) != previous, "Save Config wrote nothing");
            qInfo("a click reaches the settings file after %lld us", latencyNs / 1000);
            QVERIFY(monitor.run(QStringLiteral("wait 0")));
            QCOMPARE(monitor.quit(), 0);
            complete = contents(settings);
            completeLayout = contents(layout);
            QVERIFY(complete.contains("\r\nStart_Sample_TimeOut, 1234\r\n") &&
                    complete.endsWith("\r\nVZT\r\n"));
            QVERIFY(!completeLayout.isEmpty());
            continue;
        }
        const qint64 killAtNs = (i / 2) * latencyNs * 3 / SettingsKills;
        const bool watch = i % 2 == 0; // every other kill comes at its moment, whatever is going on
        bool writing = false;
        while (!writing && clock.nsecsElapsed() < killAtNs)
            writing = watch && !openFilesIn(monitor.pid(), folder).isEmpty();
        ::kill(pid_t(monitor.pid()), SIGKILL);
        QVERIFY(monitor.process().waitForFinished(Patience));

        const QByteArray now = contents(settings);
        QVERIFY2(now == previous || now == complete, now.constData());
        const QByteArray nowLayout = contents(layout);
        QVERIFY2(!QFile::exists(layout) || nowLayout == completeLayout, "a truncated layout file");
        if (now == complete)
            ++after;
        else if (writing)
            ++midWrite;
        else
            ++before;
    }
    qInfo("settings file: %d kills while a file was open for writing, %d before the save, %d after it",
          midWrite, before, after);
}

QTEST_MAIN(DataSafety)
#include "tst_data_safety.moc"
