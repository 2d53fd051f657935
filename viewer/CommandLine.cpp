// The viewer's command line: splitting the argument text into the preset file name, the x-axis mode
// and the reading interval, with the defaults kept for every text that does not fit.
#include "CommandLine.h"

#include <QRegularExpression>

namespace {

// Mode text "/1" or "/2" followed by an interval field: sets both, or puts both back to defaults.
void applySettings(ViewerCommandLine &cl, QChar mode, const QString &interval)
{
    bool ok = false;
    const int ms = interval.trimmed().toInt(&ok);
    // An interval beyond the 16-bit range is refused like a non-numeric one.
    if (isDigitString(interval) && ok && ms <= 32767) {
        cl.xAxisMode = static_cast<qint16>(mode.digitValue());
        cl.readingIntervalMs = static_cast<qint16>(ms);
    } else {
        cl.xAxisMode = 1;
        cl.readingIntervalMs = 8;
    }
}

} // namespace

QString joinArguments(const QStringList &arguments)
{
    return arguments.join(QLatin1Char(' '));
}

bool isDigitString(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

ViewerCommandLine parseCommandLine(const QString &text,
                                   const std::function<bool(const QString &)> &fileExists)
{
    ViewerCommandLine cl;
    if (text.isEmpty()) {
        cl.presetFile = QStringLiteral("ALL_Data");
        return cl;
    }
    static const QRegularExpression suffix(QStringLiteral("^(.*)/([12])/([^/]*)$"),
                                           QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = suffix.match(text);
    if (m.hasMatch()) {
        cl.presetFile = m.captured(1);
        applySettings(cl, m.captured(2).at(0), m.captured(3));
        return cl;
    }
    if (fileExists && fileExists(text)) {
        cl.presetFile = text;
        return cl;
    }
    const qsizetype p = text.indexOf(QLatin1Char('/'));
    if (p < 0) {
        cl.presetFile = text;
        return cl;
    }
    cl.presetFile = text.left(p);
    const QString t = text.mid(p);
    const qsizetype q = t.indexOf(QLatin1Char('/'), 1);
    if (q < 0)
        return cl;
    const QString mode = t.left(q);
    if (mode == QLatin1String("/1") || mode == QLatin1String("/2"))
        applySettings(cl, t.at(1), t.mid(q + 1));
    return cl;
}
