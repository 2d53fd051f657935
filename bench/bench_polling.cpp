// Station benchmarks that run the programs as processes: the stand-in's rate for a serial client; the
// monitor polling a fast peer (replies per second and CPU per cycle against a bare client on the same
// peer) and a device answering 50 times a second (CPU share); the idle CPU time of the monitor;
// start-up times of the monitor and the viewer against a minimal Qt program; a soak of many polling
// cycles with the monitor's resident memory at its start and end; and the fast peer on its own for a
// profile; the monitor's CPU per polling cycle with its weight trend shown against it hidden; its
// polling rate while it publishes to a local broker against the same polling without publishing.
// Usage: bench_polling BIN_DIR [polling|trend|publish|polling50|idle|startup|soak [CYCLES]|peer]
#include "BenchChild.h"
#include "BenchFigure.h"
#include "FastPeer.h"

#include "../tests/support/MqttBroker.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

QString binDir;
constexpr int PeerCycles = 20000;   // of the bare client on the fast peer
constexpr int StandInCycles = 5000; // of the bare client on the stand-in
constexpr int SoakCycles = 2000;    // of the bare client before the soak
constexpr int PollMs = 8000;        // of the monitor on the fast peer
constexpr int SlowPollMs = 10000;   // of the monitor on the device answering 50 times a second
constexpr int Repeats = 3;
constexpr int PublishRepeats = 5; // the rate's spread on a shared machine is near the target's margin
constexpr int StartRepeats = 10;
constexpr int IdleMs = 10000;
constexpr int CapturedReplies = 64;

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

QProcessEnvironment monitorEnv(quint16 port, const QString &script, bool trendShown = true)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!trendShown)
        env.insert(QStringLiteral("ZELK_BENCH_TREND_HIDDEN"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), laptopScreenPlatform());
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

// Replies of the stand-in a few milliseconds apart, so that the weight changes from one to the next as
// a real device's does: the fast peer answers with them in turn.
std::vector<std::string> capturedReplies(quint16 port)
{
    std::vector<std::string> replies;
    for (int k = 0; k < CapturedReplies; ++k) {
        FastPeer::ClientRun one = FastPeer::bareClient(port, 1, true);
        if (one.replies.empty())
            return {};
        replies.push_back(std::move(one.replies.front()));
        QThread::msleep(3);
    }
    return replies;
}

struct MonitorRun {
    double perSecond = -1;     // status replies counted per second of polling
    double cpuUsPerCycle = -1; // the monitor's CPU (all threads) per counted reply
    double cpuPercent = -1;    // the monitor's CPU over the wall time, in % of one core
};

// The monitor polling under the driver: from the click (once the start-up status request is answered)
// to a dump of the counter `ms` later, the replies it counted and the CPU it used. (A `waitfor` on an
// exact count is no use here: the driver compares every 10 ms, and the counter moves many times in that.)
// `stationIni`, when given, is the station settings file of the monitor's folder.
MonitorRun monitorPolling(quint16 port, int ms, bool trendShown = true, const QByteArray &stationIni = {})
{
    QTemporaryDir dir;
    if (!stationIni.isEmpty())
        writeScript(dir, QStringLiteral("ZELK_NET_station.ini"), stationIni);
    const QString script = writeScript(
        dir, QStringLiteral("poll.txt"),
        QStringLiteral(
            "waitfor lblTotalReadingsD caption 1 20000\nwaitfor cmdWeight backcolor 0x8000000F 20000\n"
            "dump lblTotalReadingsD\nclick cmdWeight\nwait %1\ndump lblTotalReadingsD\nquit\n")
            .arg(ms)
            .toUtf8());
    Child monitor(dir.path());
    monitor.start(binDir + QStringLiteral("/ZELK-NET-MONITOR"), {}, monitorEnv(port, script, trendShown));
    const double before = Child::caption(monitor.lineWith("\"line\":3,", 60000));
    const double cpuBefore = monitor.cpuSeconds();
    const qint64 clicked = monitor.clock.nsecsElapsed();
    if (before < 0 || monitor.sawTimeout)
        return {};
    const double after = Child::caption(monitor.lineWith("\"line\":6,", ms + 30000));
    const double cpu = monitor.cpuSeconds() - cpuBefore;
    const double wall = double(monitor.clock.nsecsElapsed() - clicked) / 1e9;
    const double counted = after - before;
    if (after < 0 || counted <= 0)
        return {};
    return {counted / wall, 1e6 * cpu / counted, 100.0 * cpu / wall};
}

void polling()
{
    Device device;
    const FastPeer::Peer peer(capturedReplies(device.port));
    QVector<FastPeer::ClientRun> onPeer, onStandIn;
    QVector<MonitorRun> monitor;
    for (int r = 0; r < Repeats && peer.port(); ++r) {
        onPeer << FastPeer::bareClient(peer.port(), PeerCycles);
        onStandIn << FastPeer::bareClient(device.port, StandInCycles);
        monitor << monitorPolling(peer.port(), PollMs);
    }
    const QVector<double> standInRate = BenchFigure::field(onStandIn, &FastPeer::ClientRun::perSecond);
    const double standIn = BenchFigure::median(standInRate);
    BenchFigure::print(
        QStringLiteral("stand-in, exchanges of a serial client"), standIn,
        BenchFigure::median(BenchFigure::field(onPeer, &FastPeer::ClientRun::perSecond)),
        QStringLiteral("exchanges/s"), QStringLiteral(">= 5000/s"), standIn >= 5000,
        QStringLiteral("bare client, %1 exchanges with zelk-devicesim as it starts by default; "
                       "baseline: the same client on the fast peer; runs %2")
            .arg(StandInCycles)
            .arg(BenchFigure::joined(standInRate)));
    const QString peerNotes = QStringLiteral("fast peer answering with %1 captured status replies in turn; "
                                             "monitor: %2 s of polling; bare client: %3 exchanges")
                                  .arg(CapturedReplies)
                                  .arg(PollMs / 1000)
                                  .arg(PeerCycles);
    BenchFigure::printRuns(QStringLiteral("status polling, fast peer"),
                           BenchFigure::field(monitor, &MonitorRun::perSecond),
                           BenchFigure::field(onPeer, &FastPeer::ClientRun::perSecond),
                           QStringLiteral("replies/s"), {true, 0.5}, peerNotes);
    BenchFigure::printRuns(
        QStringLiteral("CPU per polling cycle, fast peer"),
        BenchFigure::field(monitor, &MonitorRun::cpuUsPerCycle),
        BenchFigure::field(onPeer, &FastPeer::ClientRun::cpuUsPerExchange), QStringLiteral("us"), {false, 3},
        peerNotes + QStringLiteral("; monitor: utime+stime from /proc over the counted replies, bare "
                                   "client: its thread's getrusage per exchange"));
}

// The weight trend's drawing: the monitor's CPU per polling cycle on the fast peer with the trend shown,
// against the same polling with the trend hidden, runs interleaved.
void trend()
{
    Device device;
    const FastPeer::Peer peer(capturedReplies(device.port));
    QVector<MonitorRun> shown, hidden;
    for (int r = 0; r < Repeats && peer.port(); ++r) {
        shown << monitorPolling(peer.port(), PollMs, true);
        hidden << monitorPolling(peer.port(), PollMs, false);
    }
    BenchFigure::printRuns(
        QStringLiteral("monitor CPU per polling cycle, trend shown / hidden"),
        BenchFigure::field(shown, &MonitorRun::cpuUsPerCycle),
        BenchFigure::field(hidden, &MonitorRun::cpuUsPerCycle), QStringLiteral("us"), {false, 1.05},
        QStringLiteral(
            "fast peer, %1 s of polling each; baseline: ZELK_BENCH_TREND_HIDDEN=1; replies/s shown %2, "
            "hidden %3")
            .arg(PollMs / 1000)
            .arg(BenchFigure::joined(BenchFigure::field(shown, &MonitorRun::perSecond)),
                 BenchFigure::joined(BenchFigure::field(hidden, &MonitorRun::perSecond))));
}

// ---- 2. publishing ----

// What publishing costs polling: the monitor's replies per second on the fast peer while it publishes
// to a local broker (weight at most 10 times a second, as by default), against the same polling without
// a station settings file; runs interleaved. A run whose weights did not reach the subscriber counts as
// failed.
void publishing()
{
    Device device;
    const FastPeer::Peer peer(capturedReplies(device.port));
    Mqtt::MqttBroker broker;
    Mqtt::MqttSubscriber subscriber;
    const bool listening = broker.start({}) && subscriber.start(broker, QStringLiteral("bench/weight"));
    const QByteArray ini =
        "[Publish]\nEnabled=true\nHost=127.0.0.1\nPort=" + QByteArray::number(broker.port()) +
        "\nClientId=bench\nTopicPrefix=bench\n";
    QVector<MonitorRun> on, off;
    QVector<double> messages;
    for (int r = 0; r < PublishRepeats && peer.port() && listening; ++r) {
        const qsizetype before = subscriber.messages().size();
        on << monitorPolling(peer.port(), PollMs, true, ini);
        QThread::msleep(300); // the subscriber's last lines
        messages << double(subscriber.messages().size() - before);
        if (messages.back() <= 0)
            on.back().perSecond = -1;
        off << monitorPolling(peer.port(), PollMs);
    }
    BenchFigure::printRuns(
        QStringLiteral("polling with publishing on vs off"), BenchFigure::field(on, &MonitorRun::perSecond),
        BenchFigure::field(off, &MonitorRun::perSecond), QStringLiteral("replies/s"), {true, 0.9},
        QStringLiteral("fast peer, %1 s of polling each; publishing to mosquitto on loopback "
                       "(WeightRate 10/s), baseline: no station settings file; weight messages a run "
                       "at a subscriber %2; CPU us per reply on %3, off %4")
            .arg(PollMs / 1000)
            .arg(BenchFigure::joined(messages),
                 BenchFigure::joined(BenchFigure::field(on, &MonitorRun::cpuUsPerCycle)),
                 BenchFigure::joined(BenchFigure::field(off, &MonitorRun::cpuUsPerCycle))));
}

// The monitor polling a device that answers each request 20 ms after it arrived (about 50 times a
// second): its share of a core, and that share at exactly 50 replies a second from its CPU per reply.
void polling50()
{
    Device device({QStringLiteral("--fault"), QStringLiteral("slow=20@GetRTStatus")});
    QVector<MonitorRun> runs;
    for (int r = 0; r < Repeats; ++r)
        runs << monitorPolling(device.port, SlowPollMs);
    const double share = BenchFigure::median(BenchFigure::field(runs, &MonitorRun::cpuPercent));
    const double at50 = BenchFigure::median(BenchFigure::field(runs, &MonitorRun::cpuUsPerCycle)) * 50 / 1e4;
    BenchFigure::print(QStringLiteral("monitor CPU polling a device answering 20 ms after each request"),
                       share, 0, QStringLiteral("% of a core"), QStringLiteral("< 2 %"),
                       share >= 0 && share < 2,
                       QStringLiteral("zelk-devicesim --fault slow=20@GetRTStatus, %1 s of polling each; "
                                      "runs %2; replies/s %3; at 50 replies/s: %4 %; /proc tick = 10 ms")
                           .arg(SlowPollMs / 1000)
                           .arg(BenchFigure::joined(BenchFigure::field(runs, &MonitorRun::cpuPercent)),
                                BenchFigure::joined(BenchFigure::field(runs, &MonitorRun::perSecond)))
                           .arg(at50, 0, 'f', 2));
}

// The fast peer on its own (for a profile): its port on the first line, then it serves until standard
// input closes.
void peerOnly()
{
    Device device;
    const FastPeer::Peer peer(capturedReplies(device.port));
    std::printf("%u\n", unsigned(peer.port()));
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
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
    const QString notes =
        QStringLiteral("median of %1 interleaved runs; baseline: bench_startup_baseline").arg(StartRepeats);
    BenchFigure::printRuns(QStringLiteral("start-up, monitor window shown"), monitor, bare,
                           QStringLiteral("ms"), {false, 1.5}, notes);
    BenchFigure::printRuns(QStringLiteral("start-up, viewer file dialog open"), viewer, bare,
                           QStringLiteral("ms"), {false, 2}, notes);
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
        return qint64(
            Child::caption(monitor.lineWith("\"line\":" + QByteArray::number(line) + ",", ms + 30000)));
    }
    Child monitor;
    int line = 0;
};

void soak(qint64 cycles)
{
    Device device;
    const double bare = FastPeer::bareClient(device.port, SoakCycles).perSecond;
    QTemporaryDir dir;
    Soak s(device.port, dir.path());
    s.send("waitfor lblTotalReadingsD caption 1 20000");
    s.send("waitfor cmdWeight backcolor 0x8000000F 20000");
    s.send("click cmdWeight");
    // the start: once a first thousand cycles have settled the caches and the socket's buffers
    qint64 count = 0;
    while (count >= 0 && count < 1000)
        count = s.counted(500);
    const qint64 startKiB = s.monitor.statusKiB(), simStartKiB = device.child.statusKiB();
    const qint64 startCount = count;
    QElapsedTimer clock;
    clock.start();
    qint64 peakKiB = startKiB;
    QStringList curve; // the resident memory every tenth of the cycles
    qint64 nextMark = startCount + cycles / 10;
    while (count >= 0 && count < startCount + cycles) {
        count = s.counted(2000);
        const qint64 kib = s.monitor.statusKiB();
        peakKiB = std::max(peakKiB, kib);
        if (count >= nextMark) {
            curve << QStringLiteral("%1:%2").arg(count - startCount).arg(kib);
            nextMark += cycles / 10;
        }
    }
    const double rate = double(count - startCount) / (double(clock.nsecsElapsed()) / 1e9);
    const qint64 endKiB = s.monitor.statusKiB();
    s.send("quit");
    const QString notes = QStringLiteral("%1 cycles; monitor VmRSS %2 KiB at the start, %3 KiB at the end, "
                                         "peak %4 KiB; stand-in %5 -> %6 KiB; cycles:KiB %7")
                              .arg(count - startCount)
                              .arg(startKiB)
                              .arg(endKiB)
                              .arg(peakKiB)
                              .arg(simStartKiB)
                              .arg(device.child.statusKiB())
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
    if (which == QLatin1String("trend") || which == QLatin1String("all"))
        trend();
    if (which == QLatin1String("publish") || which == QLatin1String("all"))
        publishing();
    if (which == QLatin1String("polling50") || which == QLatin1String("all"))
        polling50();
    if (which == QLatin1String("idle") || which == QLatin1String("all"))
        idle();
    if (which == QLatin1String("startup") || which == QLatin1String("all"))
        startup();
    if (which == QLatin1String("soak"))
        soak(args.value(3, QStringLiteral("100000")).toLongLong());
    if (which == QLatin1String("peer"))
        peerOnly();
    return 0;
}
