// Kurvex on a run of 2,000,001 readings: from the start of the process to the graph window shown, and
// its peak resident memory, against bench_load_baseline on the same file (map and from_chars), in
// interleaved runs. Usage: bench_kurvex_load BIN_DIR
#include "BenchChild.h"
#include "BenchFigure.h"
#include "BenchHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

constexpr int Repeats = 3;
constexpr int LoadLimitMs = 120000;

struct Run {
    double ms = -1;
    double peakKiB = -1;
};

// The baseline prints its own peak memory in its one line.
Run baseline(const QString &file)
{
    Child child;
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_load_baseline"), {file});
    const auto line = child.lineWith("\"converted\"", LoadLimitMs);
    if (!line)
        return {};
    const double ms = double(child.clock.nsecsElapsed()) / 1e6;
    const QByteArray key = "\"hwm_kib\":";
    const qsizetype at = line->indexOf(key) + key.size();
    return {ms, line->mid(at, line->indexOf('}', at) - at).toDouble()};
}

// Kurvex under the driver on standard input: the open-file dialog answered with the file, then a dump
// of the graph window, which the driver runs once the window is shown and the event loop runs. The
// peak memory is read while Kurvex waits for the next line.
Run kurvex(const QString &binDir, const QString &file, const QString &workDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), laptopScreenPlatform());
    env.insert(QStringLiteral("ZELK_AUTOMATION"), QStringLiteral("-"));
    env.remove(QStringLiteral("ZELK_AUTOMATION_VIEWER"));
    Child child(workDir);
    child.start(binDir + QStringLiteral("/Kurvex"), {}, env);
    child.proc.write(("dialog " + file + "\ndump frmHistory_Graph\n").toUtf8());
    const auto shown = child.lineWith("\"line\":2,", LoadLimitMs);
    const double ms = double(child.clock.nsecsElapsed()) / 1e6;
    const double peak = double(child.statusKiB("VmHWM:"));
    child.proc.write("quit\n");
    if (!shown || !shown->contains("\"event\":\"state\""))
        return {};
    return {ms, peak};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString binDir =
        QDir(app.arguments().value(1, QCoreApplication::applicationDirPath())).absolutePath();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("All_data.txt"));
    BenchHistory::writeHistory(file);
    QVector<Run> base, viewer;
    for (int r = 0; r < Repeats; ++r) {
        QTemporaryDir work;
        base << baseline(file);
        viewer << kurvex(binDir, file, work.path());
    }
    const QString notes = QStringLiteral("%1 readings (%2 MiB); baseline: bench_load_baseline maps the file "
                                         "and converts every reading with std::from_chars")
                              .arg(BenchHistory::Readings)
                              .arg(double(QFileInfo(file).size()) / (1 << 20), 0, 'f', 1);
    BenchFigure::printRuns(QStringLiteral("Kurvex, start to graph shown"),
                           BenchFigure::field(viewer, &Run::ms), BenchFigure::field(base, &Run::ms),
                           QStringLiteral("ms"), {false, 2}, notes);
    BenchFigure::printRuns(QStringLiteral("Kurvex, peak memory (VmHWM)"),
                           BenchFigure::field(viewer, &Run::peakKiB), BenchFigure::field(base, &Run::peakKiB),
                           QStringLiteral("KiB"), {false, 1.3}, notes);
    return 0;
}
