// The history file the viewer benchmarks load: a fast-sampling run of 2,000,001 readings as the monitor
// writes it, in blocks of 232 readings with an input switching every 100 blocks.
#pragma once

#include "HistoryFile.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace BenchHistory {

constexpr int Readings = 2000001;
constexpr int PerBlock = 232;

inline void writeHistory(const QString &path)
{
    QByteArray out;
    out.reserve(Readings * 16);
    HistoryFile::appendIntervalLine(out);
    char text[32];
    for (int k = 0, b = 0; k < Readings; ++b) {
        const int end = std::min(Readings - 1, k + PerBlock - 1);
        HistoryFile::appendBlockHeader(out, {0, (b / 100) % 2 ? 0xFE : 0xFF, 1023, 1000 + b * 280, end});
        for (; k <= end; ++k) {
            const double w = 1000 + 400 * std::sin(k / 5000.0) + (std::int64_t(k) * 7919 % 23);
            const auto r = std::to_chars(text, text + sizeof text, w, std::chars_format::fixed, 3);
            HistoryFile::appendReadingLine(out, k, QByteArrayView(text, r.ptr - text));
        }
    }
    HistoryFile::appendEndLine(out);
    HistoryFile::appendTrailer(out, QStringLiteral("2/19/2004 10:30:53 AM"), QStringLiteral("kg"),
                               Readings - 1);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(out);
}

} // namespace BenchHistory
