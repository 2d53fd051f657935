// Station benchmarks that run the programs as processes: the monitor's status polling rate against a
// bare client doing the same exchange, the idle CPU time of the monitor, and start-up times of the
// monitor and the viewer against a minimal Qt program, and a soak of many polling cycles with the
// monitor's resident memory at its start and end. Usage: bench_polling BIN_DIR [polling|idle|startup|soak
// [CYCLES]]
#include "BenchFigure.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString binDir;
constexpr int Cycles = 2000; // of the bare client
constexpr int PollMs = 8000; // of the monitor
constexpr int Repeats = 3;
constexpr int StartRepeats = 10;
constexpr int IdleMs = 10000;

// A program of the station as a child process whose output lines are read with a time limit.
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
    // Resident memory (VmRSS) in KiB from /proc, or -1.
    qint64 residentKiB() const
    {
        QFile f(QStringLiteral("/proc/%1/status").arg(proc.processId()));
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        return -1;
    }
    // CPU seconds (user + system) the process has used so far, from /proc.
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
    QProcess proc;
    QElapsedTimer clock;
    bool sawTimeout = false; // a `waitfor` of the script gave up
};

// zelk-devicesim on a free loopback port.
class Device {
public:
    explicit Device(const QStringList &extra = {})
    {
        child.start(binDir + QStringLiteral("/zelk-devicesim"),
                    QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + extra);
        if (const auto line = child.lineWith("", 10000))
            port = quint16(line->trimmed().toUInt());
    }
    Child child;
    quint16 port = 0;
};

QProcessEnvironment monitorEnv(quint16 port, const QString &script)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ZELK_AUTOMATION"), script);
    env.insert(QStringLiteral("ZELK_DEFAULT_ADDRESS"), QStringLiteral("127.0.0.1:%1").arg(port));
    return env;
}

QString writeScript(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
    return path;
}

// ---- 1. status polling ----

// The bare client: connect, the monitor's three writes, read until the device closes; exchanges per second.
double baselineRate(quint16 port, int cycles)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    static const char *const Writes[] = {"POST /GetRTStatus\r\n", "Content-Length: 4\r\n\r\n", "ID=4\r\n"};
    char buffer[4096];
    QElapsedTimer clock;
    clock.start();
    for (int c = 0; c < cycles; ++c) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&peer), sizeof peer) != 0) {
            ::close(fd);
            return -1;
        }
        for (const char *w : Writes)
            if (::write(fd, w, std::strlen(w)) < 0)
                break;
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        ::close(fd);
    }
    return cycles / (double(clock.nsecsElapsed()) / 1e9);
}

// The monitor polling under the driver: from the click (once the start-up status request is answered)
// to a dump of the counter PollMs later, the replies it counted per second. (A `waitfor` on an exact
// count is no use here: the driver compares every 10 ms, and the counter moves several times in that.)
double monitorRate(quint16 port)
{
    QTemporaryDir dir;
    const QString script = writeScript(
        dir, QStringLiteral("poll.txt"),
        QStringLiteral(
            "waitfor lblTotalReadingsD caption 1 20000\nwaitfor cmdWeight backcolor 0x8000000F 20000\n"
            "dump frmClient\nclick cmdWeight\nwait %1\ndump lblTotalReadingsD\nquit\n")
            .arg(PollMs)
            .toUtf8());
    Child monitor(dir.path());
    monitor.start(binDir + QStringLiteral("/ZELK-NET-MONITOR"), {}, monitorEnv(port, script));
    if (!monitor.lineWith("\"line\":3,", 60000) || monitor.sawTimeout)
        return -1;
    const qint64 clicked = monitor.clock.nsecsElapsed();
    const auto done = monitor.lineWith("\"line\":6,", PollMs + 30000);
    if (!done)
        return -1;
    const qint64 elapsed = monitor.clock.nsecsElapsed() - clicked;
    const QByteArray key = "\"caption\":\"";
    const qsizetype at = done->indexOf(key) + key.size();
    const double counted = done->mid(at, done->indexOf('"', at) - at).toDouble();
    return counted / (double(elapsed) / 1e9);
}

void polling()
{
    Device device;
    QVector<double> bare, monitor;
    for (int r = 0; r < Repeats; ++r) {
        bare << baselineRate(device.port, Cycles);
        monitor << monitorRate(device.port);
    }
    const double m = BenchFigure::median(monitor), b = BenchFigure::median(bare);
    BenchFigure::print(
        QStringLiteral("status polling"), m, b, QStringLiteral("cycles/s"),
        QStringLiteral(">= 0.60 of baseline"), b > 0 && m / b >= 0.6,
        QStringLiteral(
            "monitor: replies counted over %3 s of polling, runs %1; bare client: %4 exchanges, runs %2")
            .arg(BenchFigure::joined(monitor), BenchFigure::joined(bare))
            .arg(PollMs / 1000)
            .arg(Cycles));
}

// ---- 3. idle cost ----

// CPU seconds a process uses between two of its output lines that lie IdleMs apart.
double idleCpu(Child &child, const QByteArray &first, const QByteArray &second)
{
    if (!child.lineWith(first))
        return -1;
    const double before = child.cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    if (!child.lineWith(second, IdleMs + 30000))
        return -1;
    const double used = child.cpuSeconds() - before;
    return 100.0 * used / (double(wall.elapsed()) / 1000.0); // percent of one core
}

void idle()
{
    Device device;
    QVector<double> monitor, bare;
    for (int r = 0; r < 2; ++r) {
        QTemporaryDir dir;
        const QString script =
            writeScript(dir, QStringLiteral("idle.txt"),
                        QStringLiteral("dump frmClient\nwait 2000\ndump frmClient\nwait %1\n"
                                       "dump frmClient\nwait 500\nquit\n")
                            .arg(IdleMs)
                            .toUtf8());
        Child m(dir.path());
        m.start(binDir + QStringLiteral("/ZELK-NET-MONITOR"), {}, monitorEnv(device.port, script));
        // the first two seconds let the start-up status request finish; then ten quiet seconds
        monitor << idleCpu(m, "\"line\":3,", "\"line\":5,");
        Child base;
        base.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup_baseline"),
                   {QStringLiteral("idle"), QString::number(IdleMs)}, monitorEnv(device.port, {}));
        bare << idleCpu(base, "shown", "idled");
    }
    const double m = BenchFigure::median(monitor), b = BenchFigure::median(bare);
    BenchFigure::print(QStringLiteral("idle monitor, 10 s `wait` (CPU % of one core)"), m, b,
                       QStringLiteral("%"), QStringLiteral("< 1 %"), m >= 0 && m < 1.0,
                       QStringLiteral("baseline: minimal Qt window idling; runs: %1 / %2; /proc tick = 10 ms")
                           .arg(BenchFigure::joined(monitor), BenchFigure::joined(bare)));
}

// ---- 4. start-up ----

// Milliseconds from starting the program until its first line containing `needle`.
double startupMs(const QString &program, const QStringList &args, const QProcessEnvironment &env,
                 const QByteArray &needle, const QString &workDir)
{
    Child child(workDir);
    child.start(program, args, env);
    if (!child.lineWith(needle, 30000))
        return -1;
    return double(child.clock.nsecsElapsed()) / 1e6;
}

void startup()
{
    Device device;
    QTemporaryDir dir;
    const QString monitorScript = writeScript(dir, QStringLiteral("start.txt"), "dump frmClient\nquit\n");
    const QString viewerScript = writeScript(dir, QStringLiteral("viewer.txt"), "dialog cancel\nquit\n");
    QVector<double> monitor, viewer, bare;
    for (int r = 0; r < StartRepeats; ++r) {
        QTemporaryDir work;
        bare << startupMs(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup_baseline"),
                          {}, monitorEnv(device.port, {}), "shown", work.path());
        monitor << startupMs(binDir + QStringLiteral("/ZELK-NET-MONITOR"), {},
                             monitorEnv(device.port, monitorScript), "\"line\":1,", work.path());
        viewer << startupMs(binDir + QStringLiteral("/Kurvex"), {}, monitorEnv(device.port, viewerScript),
                            "\"dialog\"", work.path());
    }
    const double b = BenchFigure::median(bare);
    const double m = BenchFigure::median(monitor), v = BenchFigure::median(viewer);
    BenchFigure::print(QStringLiteral("start-up, monitor window shown"), m, b, QStringLiteral("ms"),
                       QStringLiteral("<= 2x baseline"), m > 0 && m <= 2 * b,
                       QStringLiteral("median of %1; runs: %2; baseline runs: %3")
                           .arg(StartRepeats)
                           .arg(BenchFigure::joined(monitor), BenchFigure::joined(bare)));
    BenchFigure::print(
        QStringLiteral("start-up, viewer file dialog open"), v, b, QStringLiteral("ms"),
        QStringLiteral("<= 2x baseline"), v > 0 && v <= 2 * b,
        QStringLiteral("median of %1; runs: %2").arg(StartRepeats).arg(BenchFigure::joined(viewer)));
}

// ---- 5. soak ----

// The monitor polling under a driver fed line by line on standard input; `counted` asks it for the
// replies it has counted so far.
class Soak {
public:
    Soak(quint16 port, const QString &workDir) : monitor(workDir)
    {
        monitor.start(binDir + QStringLiteral("/ZELK-NET-MONITOR"), {},
                      monitorEnv(port, QStringLiteral("-")));
    }
    bool send(const QByteArray &command)
    {
        ++line;
        return monitor.proc.write(command + '\n') > 0;
    }
    // The counter after a pause of `ms`, or -1.
    qint64 counted(int ms)
    {
        send("wait " + QByteArray::number(ms));
        send("dump lblTotalReadingsD");
        const auto dump = monitor.lineWith("\"line\":" + QByteArray::number(line) + ",", ms + 30000);
        if (!dump)
            return -1;
        const QByteArray key = "\"caption\":\"";
        const qsizetype at = dump->indexOf(key) + key.size();
        return dump->mid(at, dump->indexOf('"', at) - at).toLongLong();
    }
    Child monitor;
    int line = 0;
};

void soak(qint64 cycles)
{
    Device device;
    const double bare = baselineRate(device.port, Cycles);
    QTemporaryDir dir;
    Soak s(device.port, dir.path());
    s.send("waitfor lblTotalReadingsD caption 1 20000");
    s.send("waitfor cmdWeight backcolor 0x8000000F 20000");
    s.send("click cmdWeight");
    // the start: once a first thousand cycles have settled the caches and the socket's buffers
    qint64 count = 0;
    while (count >= 0 && count < 1000)
        count = s.counted(500);
    const qint64 startKiB = s.monitor.residentKiB(), simStartKiB = device.child.residentKiB();
    const qint64 startCount = count;
    QElapsedTimer clock;
    clock.start();
    qint64 peakKiB = startKiB;
    QStringList curve; // the resident memory every tenth of the cycles
    qint64 nextMark = startCount + cycles / 10;
    while (count >= 0 && count < startCount + cycles) {
        count = s.counted(2000);
        const qint64 kib = s.monitor.residentKiB();
        peakKiB = std::max(peakKiB, kib);
        if (count >= nextMark) {
            curve << QStringLiteral("%1:%2").arg(count - startCount).arg(kib);
            nextMark += cycles / 10;
        }
    }
    const double rate = double(count - startCount) / (double(clock.nsecsElapsed()) / 1e9);
    const qint64 endKiB = s.monitor.residentKiB();
    s.send("quit");
    const QString notes = QStringLiteral("%1 cycles; monitor VmRSS %2 KiB at the start, %3 KiB at the end, "
                                         "peak %4 KiB; stand-in %5 -> %6 KiB; cycles:KiB %7")
                              .arg(count - startCount)
                              .arg(startKiB)
                              .arg(endKiB)
                              .arg(peakKiB)
                              .arg(simStartKiB)
                              .arg(device.child.residentKiB())
                              .arg(curve.join(QLatin1Char(' ')));
    BenchFigure::print(QStringLiteral("soak, status polling"), count < 0 ? -1 : rate, bare,
                       QStringLiteral("cycles/s"), QStringLiteral(">= 0.60 of baseline"),
                       count >= 0 && rate / bare >= 0.6, notes);
    const double growth = double(endKiB - startKiB);
    BenchFigure::print(QStringLiteral("soak, monitor memory growth"), growth, 0, QStringLiteral("KiB"),
                       QStringLiteral("< 2048 KiB"), count >= 0 && growth < 2048, notes);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    // absolute: the children start in folders of their own
    binDir = QDir(args.value(1, QCoreApplication::applicationDirPath())).absolutePath();
    const QString which = args.value(2, QStringLiteral("all"));
    if (which == QLatin1String("polling") || which == QLatin1String("all"))
        polling();
    if (which == QLatin1String("idle") || which == QLatin1String("all"))
        idle();
    if (which == QLatin1String("startup") || which == QLatin1String("all"))
        startup();
    if (which == QLatin1String("soak"))
        soak(args.value(3, QStringLiteral("100000")).toLongLong());
    return 0;
}
