// Monitor speed and size: parsing one 232-reading GetFastSampling reply into the reading store against
// a from_chars pass over its values, the memory of a full store, and writing the 2,000,001-reading
// history file against writing the same bytes from one prepared buffer.
#include "HistoryFile.h"
#include "ReadingStore.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int PerReply = 232;
constexpr std::int32_t Readings = ReadingStore::ReadingCapacity;

QByteArray readingText(std::int32_t k)
{
    return QByteArray::number(1000 + 400 * std::sin(k / 5000.0) + double(std::int64_t(k) * 7919 % 23), 'f',
                              3);
}

// A reply as gathered from its prolog, with readings W0..W<count - 1>.
QByteArray reply(int count, std::int32_t firstReading = 0)
{
    QByteArray r = "<?xml version='1.0' ?><GetFastSampling><ERROR_CODE>0</ERROR_CODE>"
                   "<ERROR_DESCRIPTION>OK</ERROR_DESCRIPTION>";
    for (int c = 0; c < count; ++c) {
        const QByteArray n = QByteArray::number(c);
        r += "<W" + n + ">" + readingText(firstReading + c) + "</W" + n + ">";
    }
    return r + "</GetFastSampling>\r\n\r\n";
}

// Resident memory of this process in bytes.
long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Baseline: find each of the 232 values between its tags and convert it with from_chars.
void BM_BaselineLocateFromChars(benchmark::State &state)
{
    static const char OpenTag[] = "<W";
    const QByteArray text = reply(PerReply);
    for (auto _ : state) {
        const char *p = text.constData(), *end = p + text.size();
        double sum = 0;
        for (int c = 0; c < PerReply; ++c) {
            p = std::search(p, end, OpenTag, OpenTag + 2);
            p = std::find(p, end, '>') + 1;
            double v = 0;
            p = std::from_chars(p, end, v).ptr;
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
}

void BM_ParseAndStore(benchmark::State &state)
{
    const QByteArray text = reply(PerReply);
    auto store = std::make_unique<ReadingStore>();
    for (auto _ : state) {
        ParseEffects fx;
        std::int32_t end = 0;
        if (!store->GetVarSizeArray(text, 0, end, 165, 1023, 1000, 0, fx))
            state.SkipWithError("reply refused");
        benchmark::DoNotOptimize(end);
    }
}

// A full run parsed reply by reply; the store's resident size per reading.
void BM_FullStoreMemory(benchmark::State &state)
{
    const QByteArray full = reply(PerReply);
    const QByteArray last = reply(Readings % PerReply);
    for (auto _ : state) {
        const long before = residentBytes();
        auto store = std::make_unique<ReadingStore>();
        std::int32_t next = 0;
        for (std::int32_t row = 0; next < Readings; ++row) {
            ParseEffects fx;
            std::int32_t end = 0;
            if (!store->GetVarSizeArray(Readings - next >= PerReply ? full : last, next, end, 165, 1023, row,
                                        row, fx)) {
                state.SkipWithError("reply refused");
                break;
            }
            next = end + 1;
        }
        state.counters["bytes_per_reading"] = double(residentBytes() - before) / Readings;
    }
}

struct FullRun {
    std::unique_ptr<ReadingStore> store = std::make_unique<ReadingStore>();
    std::int32_t blocks = 0;
    QByteArray bytes; // the file, prepared once
    QString path;
};
FullRun &fullRun()
{
    static FullRun run;
    return run;
}

void BM_BaselineWritePreparedBuffer(benchmark::State &state)
{
    for (auto _ : state) {
        QFile f(fullRun().path);
        if (!f.open(QIODevice::WriteOnly) || f.write(fullRun().bytes) != fullRun().bytes.size())
            state.SkipWithError("write failed");
    }
}

void BM_WriteHistoryFile(benchmark::State &state)
{
    FullRun &run = fullRun();
    for (auto _ : state) {
        QFile f(run.path);
        if (!f.open(QIODevice::WriteOnly) ||
            !run.store->writeHistory(f, 0, run.blocks, QStringLiteral("now"), QStringLiteral("kg"), nullptr))
            state.SkipWithError("write failed");
    }
}

BENCHMARK(BM_FullStoreMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineLocateFromChars)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseAndStore)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BaselineWritePreparedBuffer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteHistoryFile)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration and its counters for the ratio lines.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            times[r.benchmark_name()] = r.GetAdjustedRealTime();
            for (const auto &[name, counter] : r.counters)
                counters[name] = counter.value;
        }
    }
    std::map<std::string, double> times;
    std::map<std::string, double> counters;
};

void prepareFullRun(const QString &path)
{
    FullRun &run = fullRun();
    run.path = path;
    for (std::int32_t k = 0; k < Readings; ++k) {
        run.store->setReading(k, readingText(k));
        if (k % PerReply == PerReply - 1 || k == Readings - 1) {
            run.store->setBlock(run.blocks, {0, 165, 1023, 1000 + run.blocks * 232, k});
            ++run.blocks;
        }
    }
    QBuffer buffer(&run.bytes);
    buffer.open(QIODevice::WriteOnly);
    run.store->writeHistory(buffer, 0, run.blocks, QStringLiteral("now"), QStringLiteral("kg"), nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    prepareFullRun(dir.filePath(QStringLiteral("All_data.txt")));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char *what, const char *base, double limit) {
        const double r = reporter.times[what] / reporter.times[base];
        if (limit > 0)
            std::printf("%s / %s = %.2f (target at most %.0f)\n", what, base, r, limit);
        else
            std::printf("%s / %s = %.2f\n", what, base, r);
    };
    ratio("BM_ParseAndStore", "BM_BaselineLocateFromChars", 0);
    ratio("BM_WriteHistoryFile", "BM_BaselineWritePreparedBuffer", 3);
    std::printf("full store: %.1f bytes per reading (target at most 24)\n",
                reporter.counters["bytes_per_reading"]);
    benchmark::Shutdown();
    return 0;
}
