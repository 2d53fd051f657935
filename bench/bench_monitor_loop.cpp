// Monitor window benchmarks inside this process, against zelk-devicesim as a separate process: the
// longest gap of a 10 ms timer while a fast-sampling run at 1 ms per reading arrives and is stored
// (against the same timer with the window idle), and the CPU time of a WaitTrueFlag that never
// succeeds (against an idle event loop). Usage: bench_monitor_loop BIN_DIR [responsiveness|waitflag]
#include "BenchFigure.h"
#include "DeviceLink.h"
#include "Seams.h"
#include "frmClient.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <sys/resource.h>

namespace {

constexpr int RunMs = 5000;
constexpr int WaitMs = 10000;

// Runs the event loop, as the program's own loop does, until `done` holds or `ms` have passed.
template <typename F> bool runLoopUntil(F done, int ms)
{
    QEventLoop loop;
    QTimer check;
    QElapsedTimer limit;
    limit.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || limit.elapsed() > ms)
            loop.quit();
    });
    check.start(5);
    if (!done())
        loop.exec();
    return done();
}

// zelk-devicesim as a child process on a free loopback port.
class Device {
public:
    Device(const QString &binDir, const QStringList &extra)
    {
        proc.setStandardErrorFile(QProcess::nullDevice());
        proc.start(binDir + QStringLiteral("/zelk-devicesim"),
                   QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + extra);
        if (proc.waitForReadyRead(10000))
            port = quint16(proc.readLine().trimmed().toUInt());
    }
    ~Device()
    {
        proc.kill();
        proc.waitForFinished(3000);
    }
    QProcess proc;
    quint16 port = 0;
};

// The longest interval between two ticks of a 10 ms timer while it runs.
class GapRecorder {
public:
    GapRecorder()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            maxGapMs = std::max(maxGapMs, double(clock.nsecsElapsed()) / 1e6);
            clock.restart();
            ++ticks;
        });
    }
    void start()
    {
        maxGapMs = 0;
        ticks = 0;
        clock.start();
        timer.start();
    }
    void stop() { timer.stop(); }
    QTimer timer;
    QElapsedTimer clock;
    double maxGapMs = 0;
    int ticks = 0;
};

// A monitor window in a fresh folder, after its start-up status request was answered.
class Station {
public:
    explicit Station(quint16 port)
    {
        qputenv("ZELK_DEFAULT_ADDRESS", QByteArray("127.0.0.1:") + QByteArray::number(port));
        QDir::setCurrent(dir.path());
        w = std::make_unique<frmClient>();
        w->show();
        w->Form_Load();
        ready = runLoopUntil([this] { return w->lblTotalReadingsD->text() == "1" && idle(); }, 10000);
    }
    bool idle() const { return !w->link().busy(); }
    bool ended() const
    {
        return w->cmdStart_Sample->isEnabled() && !w->cmdStopSample->isEnabled() &&
               w->cmdWeight->isEnabled() && idle();
    }
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder messages;
    std::unique_ptr<frmClient> w;
    bool ready = false;
};

void responsiveness(const QString &binDir)
{
    Device device(binDir, {QStringLiteral("--integration"), QStringLiteral("1"), QStringLiteral("--run-ms"),
                           QString::number(RunMs)});
    QVector<double> idleGaps, runGaps;
    QStringList notes;
    for (int r = 0; r < 3; ++r) {
        Station s(device.port);
        GapRecorder gaps;
        gaps.start();
        runLoopUntil([] { return false; }, RunMs);
        idleGaps << gaps.maxGapMs;
        gaps.start();
        s.w->cmdStart_Sample->click();
        const bool ended = s.ready && runLoopUntil([&s] { return s.ended(); }, 60000);
        gaps.stop();
        runGaps << (ended ? gaps.maxGapMs : -1);
        notes << QStringLiteral("%1 readings stored in %2 batches")
                     .arg(s.w->lNextReadingIndex)
                     .arg(s.w->lBlockCount);
    }
    const double v = BenchFigure::median(runGaps), b = BenchFigure::median(idleGaps);
    BenchFigure::print(
        QStringLiteral("longest 10 ms timer gap, fast sampling at 1 ms"), v, b, QStringLiteral("ms"),
        QStringLiteral("< 50 ms"), v >= 0 && v < 50,
        QStringLiteral("%1 s runs incl. the history write; baseline: same timer, window idle; runs: "
                       "%2 / idle %3; %4")
            .arg(RunMs / 1000)
            .arg(BenchFigure::joined(runGaps), BenchFigure::joined(idleGaps), notes.join(", ")));
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Percent of one core used while `wait` runs.
template <typename F> double cpuPercent(F wait)
{
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    wait();
    return 100.0 * (cpuSeconds() - before) / (double(wall.elapsed()) / 1000.0);
}

void waitFlag(const QString &binDir)
{
    Device device(binDir, {});
    Station s(device.port);
    QVector<double> flag, loop;
    for (int r = 0; r < 2; ++r) {
        loop << cpuPercent([] {
            QEventLoop idle;
            QTimer::singleShot(WaitMs, &idle, &QEventLoop::quit);
            idle.exec();
        });
        flag << cpuPercent([&s] {
            bool never = false;
            std::int32_t limit = WaitMs;
            s.w->WaitTrueFlag(never, limit);
        });
    }
    const double v = BenchFigure::median(flag), b = BenchFigure::median(loop);
    BenchFigure::print(QStringLiteral("WaitTrueFlag never true, 10 s (CPU % of one core)"), v, b,
                       QStringLiteral("%"), QStringLiteral("< 1 %"), s.ready && v >= 0 && v < 1.0,
                       QStringLiteral("baseline: idle QEventLoop in the same process; runs: %1 / %2")
                           .arg(BenchFigure::joined(flag), BenchFigure::joined(loop)));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString binDir = args.value(1, QCoreApplication::applicationDirPath());
    const QString which = args.value(2, QStringLiteral("all"));
    const QString home = QDir::currentPath();
    if (which == QLatin1String("responsiveness") || which == QLatin1String("all"))
        responsiveness(binDir);
    if (which == QLatin1String("waitflag") || which == QLatin1String("all"))
        waitFlag(binDir);
    QDir::setCurrent(home);
    return 0;
}
