// Figures of the station benchmarks: one tab-separated line per figure that bench/run.sh collects,
// plus the median used for every repeated measurement.
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

} // namespace BenchFigure
