// Figures of the station benchmarks: one tab-separated line per figure that bench/run.sh collects,
// plus the median used for every repeated measurement and the figure of repeated runs against a baseline.
#pragma once

#include <QString>
#include <QVector>
#include <algorithm>
#include <cstdio>

namespace BenchFigure {

// The median of the runs that succeeded (a failed run is reported as -1).
inline double median(QVector<double> v)
{
    v.removeIf([](double x) { return x < 0; });
    if (v.isEmpty())
        return 0;
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
    const QString ratio = baseline > 0 ? QString::number(value / baseline, 'f', 3) : QStringLiteral("n/a");
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

// Every run of one figure: the value's and the baseline's, and the figure printed from their medians
// with its target, the ratio at least `limit` (`higherIsBetter`) or at most `limit` times the baseline.
inline void printRuns(const QString &name, const QVector<double> &value, const QVector<double> &baseline,
                      const QString &unit, bool higherIsBetter, double limit, const QString &notes)
{
    const double v = median(value), b = median(baseline);
    const double ratio = b > 0 && v > 0 ? v / b : -1;
    const bool met = ratio >= 0 && (higherIsBetter ? ratio >= limit : ratio <= limit);
    const QString target = higherIsBetter ? QStringLiteral(">= %1 of baseline").arg(limit)
                                          : QStringLiteral("<= %1x baseline").arg(limit);
    print(name, v, b, unit, target, met,
          QStringLiteral("%1; runs %2; baseline runs %3").arg(notes, joined(value), joined(baseline)));
}

} // namespace BenchFigure
