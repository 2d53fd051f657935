// Kurvex speed: loading a 2,000,001-reading history file against a plain from_chars pass over the
// same file, redrawing the full range on a 1600-pixel plot against one line per pixel column, and
// exporting every reading as CSV against writing as many prepared bytes.
#include "BenchHistory.h"
#include "FromCharsBaseline.h"
#include "GraphE.h"
#include "HistoryFile.h"
#include "PlotCurve.h"
#include "ReadingsExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

namespace {

using BenchHistory::Readings;
using BenchHistory::writeHistory;

QString &historyPath()
{
    static QString path;
    return path;
}

// Baseline: every reading line's index and value converted with from_chars, the values kept.
void BM_BaselineFromChars(benchmark::State &state)
{
    for (auto _ : state) {
        QFile f(historyPath());
        if (!f.open(QIODevice::ReadOnly))
            state.SkipWithError("no file");
        const QByteArray data = f.readAll();
        const FromCharsBaseline::Converted c =
            FromCharsBaseline::convert(data.constData(), data.constData() + data.size());
        benchmark::DoNotOptimize(c.values.data());
    }
}

void BM_LoadHistoryFile(benchmark::State &state)
{
    GraphE::Viewer viewer;
    for (auto _ : state) {
        const GraphE::LoadReport r = GraphE::LoadHistoryFile(viewer, historyPath(), 0);
        if (r.outcome != GraphE::LoadOutcome::Loaded)
            state.SkipWithError("load failed");
    }
}

// Baseline: one line per pixel column of a 1600-pixel plot.
void BM_BaselineColumnLines(benchmark::State &state)
{
    QImage image(1600, 400, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        p.setPen(QPen(Qt::green, 0));
        for (int x = 1; x < 1600; ++x)
            p.drawLine(x - 1, (x * 37) % 400, x, (x * 53) % 400);
    }
}

void BM_RedrawFullRange(benchmark::State &state)
{
    GraphE::Viewer v;
    GraphE::LoadHistoryFile(v, historyPath(), 0);
    QImage image(1600, 400, QImage::Format_RGB32);
    PlotCurve::Input in;
    in.values = &v.slotData[0].values();
    in.summary = &v.slotData[0].summary();
    in.blocks = &v.BlockTable;
    in.widthTw = 1600 * 15;
    in.heightTw = 400 * 15;
    in.xmin = 0;
    in.xmax = Readings - 1;
    in.ymin = 500;
    in.ymax = 1500;
    for (auto _ : state) {
        image.fill(Qt::white);
        benchmark::DoNotOptimize(PlotCurve::draw(image, in, true).plotMax);
    }
}

// Baseline: writing as many bytes as the CSV of every reading holds, prepared in memory.
void BM_BaselineWriteBytes(benchmark::State &state)
{
    const QByteArray bytes(qsizetype(Readings) * 42, 'x');
    QTemporaryDir dir;
    for (auto _ : state) {
        QSaveFile f(dir.filePath(QStringLiteral("raw.bin")));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
            state.SkipWithError("write failed");
    }
}

void BM_ExportCsvAll(benchmark::State &state)
{
    GraphE::Viewer v;
    GraphE::LoadHistoryFile(v, historyPath(), 0);
    ReadingsExport::Request r;
    r.slot = &v.slotData[0];
    r.blocks = &v.BlockTable;
    r.first = 0;
    r.last = Readings - 1;
    r.unit = QStringLiteral("kg");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("all.csv"));
    for (auto _ : state) {
        if (ReadingsExport::writeCsv(path, r, {}, nullptr) != ReadingsExport::WriteResult::Written)
            state.SkipWithError("export failed");
    }
    state.counters["bytes"] = static_cast<double>(QFileInfo(path).size());
}

// The whole command `Kurvex --export all.csv FILE`: start, load, draw and export, without a display.
void BM_BatchExportCsv(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("all.csv"));
    for (auto _ : state) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZELK_VIEWER_EXE), {QStringLiteral("--export"), out, historyPath()});
        if (!p.waitForFinished(120000) || p.exitCode() != 0)
            state.SkipWithError("batch export failed");
    }
}

BENCHMARK(BM_BaselineFromChars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadHistoryFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineColumnLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineWriteBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCsvAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchExportCsv)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration for the ratio lines.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            times[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    historyPath() = dir.filePath(QStringLiteral("All_data.txt"));
    writeHistory(historyPath());
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char *what, const char *base, double limit) {
        const double r = reporter.times[what] / reporter.times[base];
        std::printf("%s / %s = %.2f (target at most %.0f)\n", what, base, r, limit);
    };
    ratio("BM_LoadHistoryFile", "BM_BaselineFromChars", 5);
    ratio("BM_RedrawFullRange", "BM_BaselineColumnLines", 3);
    ratio("BM_ExportCsvAll", "BM_BaselineWriteBytes", 10);
    std::printf("BM_ExportCsvAll: %.0f ms for %d readings (target under 2000 ms)\n",
                reporter.times["BM_ExportCsvAll"], Readings);
    ratio("BM_BatchExportCsv", "BM_ExportCsvAll", 5);
    std::printf("BM_BatchExportCsv: %.0f ms for %d readings, the whole command (target under 2000 ms)\n",
                reporter.times["BM_BatchExportCsv"], Readings);
    benchmark::Shutdown();
    return 0;
}
