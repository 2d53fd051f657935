// Checks a history file as the monitor writes it: complete lines, whole blocks, readings numbered without
// a gap; a complete file also ends in its end line and ten trailer lines that count the readings.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

namespace HistoryCheck {

struct SavedRun {
    bool wellFormed = false;
    QString fault;
    qint64 blocks = 0, readings = 0;
};

enum class Frame { DataOnly, Complete };

inline SavedRun fail(SavedRun run, const QString &why)
{
    run.fault = why;
    return run;
}

inline SavedRun read(const QByteArray &bytes, Frame frame = Frame::DataOnly)
{
    SavedRun run;
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || !lines.takeLast().isEmpty())
        return fail(run, QStringLiteral("the last line is incomplete"));
    if (lines.isEmpty() || lines.takeFirst() != "Timer2Interval,  300 \r")
        return fail(run, QStringLiteral("no interval line"));
    static const QRegularExpression header(QStringLiteral(R"(^-999999 +0 +-?\d+ +-?\d+ +-?\d+ +(\d+) \r$)"));
    static const QRegularExpression reading(QStringLiteral(R"(^ (\d+)  (-?\d*\.?\d+)\r$)"));
    qint64 blockEnd = -1;
    qsizetype n = 0;
    for (; n < lines.size(); ++n) {
        const QString line = QString::fromLatin1(lines.at(n));
        if (frame == Frame::Complete && line == QLatin1String("-1, -1\r"))
            break;
        if (const QRegularExpressionMatch h = header.match(line); h.hasMatch()) {
            if (run.readings != blockEnd + 1)
                return fail(run, QStringLiteral("a block ends short of its header: ") + line);
            blockEnd = h.captured(1).toLongLong();
            ++run.blocks;
        } else if (const QRegularExpressionMatch r = reading.match(line); r.hasMatch()) {
            if (r.captured(1).toLongLong() != run.readings || run.readings > blockEnd)
                return fail(run, QStringLiteral("reading out of sequence: ") + line);
            ++run.readings;
        } else {
            return fail(run, QStringLiteral("not a history line: ") + line);
        }
    }
    if (run.readings != blockEnd + 1)
        return fail(run, QStringLiteral("the last block is incomplete"));
    if (frame == Frame::Complete) {
        if (n == lines.size())
            return fail(run, QStringLiteral("no end line"));
        if (lines.size() - n - 1 != 10)
            return fail(run, QStringLiteral("not ten trailer lines"));
        if (lines.last() != "Samples: " + QByteArray::number(run.readings - 1) + '\r')
            return fail(run, QStringLiteral("the last trailer line does not count the readings"));
    }
    run.wellFormed = true;
    return run;
}

} // namespace HistoryCheck
