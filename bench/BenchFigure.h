// Figures of the station benchmarks: one tab-separated line per figure that bench/run.sh collects,
// plus the median used for every repeated measurement and the figure of repeated runs against a baseline.
#pragma once

#include <QString>
#include <QVector>
#include <algorithm>
#include <cstdio>

namespace BenchFigure {

// The median of the runs that succeeded (a failed run is reported as -1); -1 when none did, so that
// a figure no run measured never meets an "under" target.
inline double median(QVector<double> v)
{
    v.removeIf([](double x) { return x < 0; });
    if (v.isEmpty())
        return -1;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline QString joined(const QVector<double> &v)
{
    QStringList parts;
    for (double x : v)
        parts << QString::number(x, 'g', 4);
    return parts.join(QLatin1Char(' '));
}

// FIGURE <name> <value> <baseline> <unit> <ratio value/baseline, n/a for a zero baseline> <target>
// <met|MISSED> <notes>
inline void print(const QString &name, double value, double baseline, const QString &unit,
                  const QString &target, bool met, const QString &notes)
{
    const QString ratio =
        baseline > 0 && value >= 0 ? QString::number(value / baseline, 'f', 3) : QStringLiteral("n/a");
    std::printf("FIGURE\t%s\t%.3f\t%.3f\t%s\t%s\t%s\t%s\t%s\n", qPrintable(name), value, baseline,
                qPrintable(unit), qPrintable(ratio), qPrintable(target), met ? "met" : "MISSED",
                qPrintable(notes));
    std::fflush(stdout);
}

// One member of every run, in run order.
template <typename Run> QVector<double> field(const QVector<Run> &runs, double Run::*member)
{
    QVector<double> values;
    for (const Run &r : runs)
        values << r.*member;
    return values;
}

// A ratio target: the value at least `limit` times the baseline (`higherIsBetter`) or at most.
struct RatioTarget {
    bool higherIsBetter = false;
    double limit = 1;
};

// The medians of the runs that succeeded, and whether they meet the target; no run or a baseline of
// zero meets nothing.
struct Verdict {
    double value = 0, baseline = 0;
    QString target;
    bool met = false;
};

inline Verdict judge(const QVector<double> &value, const QVector<double> &baseline, RatioTarget t)
{
    Verdict v{median(value), median(baseline), {}, false};
    v.target = t.higherIsBetter ? QStringLiteral(">= %1 of baseline").arg(t.limit)
                                : QStringLiteral("<= %1x baseline").arg(t.limit);
    const double ratio = v.baseline > 0 && v.value > 0 ? v.value / v.baseline : -1;
    v.met = ratio >= 0 && (t.higherIsBetter ? ratio >= t.limit : ratio <= t.limit);
    return v;
}

// Every run of one figure, the value's and the baseline's, and the figure printed from their medians.
inline void printRuns(const QString &name, const QVector<double> &value, const QVector<double> &baseline,
                      const QString &unit, RatioTarget target, const QString &notes)
{
    const Verdict v = judge(value, baseline, target);
    print(name, v.value, v.baseline, unit, v.target, v.met,
          QStringLiteral("%1; runs %2; baseline runs %3").arg(notes, joined(value), joined(baseline)));
}

} // namespace BenchFigure
