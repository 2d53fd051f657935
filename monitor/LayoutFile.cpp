// The layout file "PLXW.cfg": composing and reading its lines, the control-name rule and the font-size
// search. Pure functions; the window measures text and moves controls.
#include "LayoutFile.h"

#include "NumberFormat.h"

#include <QRegularExpression>
#include <cmath>

namespace LayoutFile {

namespace {

const QLatin1String LineEnd("\r\n");

std::optional<Entry> parseEntry(const QString &line, int count)
{
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    if (comma < 0)
        return std::nullopt;
    Entry entry;
    entry.name = line.left(comma);
    while (entry.name.startsWith(QLatin1Char(' ')) || entry.name.startsWith(QLatin1Char('\t')))
        entry.name.remove(0, 1);
    static const QRegularExpression separators(QStringLiteral("[ \t,]+"));
    const QStringList fields = line.mid(comma + 1).split(separators, Qt::SkipEmptyParts);
    if (fields.size() != count)
        return std::nullopt;
    for (const QString &field : fields) {
        // a number beyond a single's range makes the line unusable, like text that is no number
        const std::optional<double> value = NumberFormat::parseNumber(field, u".");
        if (!value || !std::isfinite(float(*value)))
            return std::nullopt;
        entry.values.push_back(float(*value));
    }
    return entry;
}

} // namespace

QString composeLine(const Entry &entry)
{
    QString line = entry.name + QLatin1Char(',');
    for (float value : entry.values)
        line += NumberFormat::printStyleSingle(value);
    return line;
}

QByteArray compose(float screenHeight, const Entry &window, const std::vector<Entry> &controls)
{
    QString text = ScreenKey + NumberFormat::printStyleSingle(screenHeight) + LineEnd;
    text += composeLine(window) + LineEnd;
    for (const Entry &control : controls)
        text += composeLine(control) + LineEnd;
    return text.toLocal8Bit();
}

Contents parse(const QByteArray &data)
{
    static const QRegularExpression lineEnds(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = QString::fromLocal8Bit(data).split(lineEnds);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line
    Contents contents;
    if (lines.isEmpty())
        return contents;
    contents.firstLine = lines.at(0);
    if (lines.size() > 1)
        contents.window = parseEntry(lines.at(1), WindowValues);
    for (qsizetype i = 2; i < lines.size(); ++i)
        if (std::optional<Entry> control = parseEntry(lines.at(i), ControlValues))
            contents.controls.push_back(*control);
    return contents;
}

bool savedOnScreen(const QString &firstLine, int screenHeight)
{
    if (!firstLine.startsWith(ScreenKey))
        return false;
    const std::optional<qint16> saved = NumberFormat::textToInt16(QStringView(firstLine).mid(13), u".");
    return saved && *saved == screenHeight;
}

ControlName parseName(const QString &name)
{
    ControlName result;
    const qsizetype open = name.indexOf(QLatin1Char('('));
    if (open < 0) {
        result.base = name;
        return result;
    }
    result.base = name.left(open);
    result.indexed = true;
    const qsizetype close = name.indexOf(QLatin1Char(')'), open + 1);
    if (close < 0) {
        result.valid = false;
        return result;
    }
    // An index no control can have (beyond the whole-number range) matches none.
    const std::optional<qint32> index =
        NumberFormat::toInt32(NumberFormat::valPrefix(QStringView(name).mid(open + 1, close - open - 1)));
    result.index = index ? *index : -1;
    return result;
}

QString memberName(const QString &base, std::optional<int> index)
{
    return index ? base + QLatin1Char('(') + QString::number(*index) + QLatin1Char(')') : base;
}

FontSearch searchFontSize(float wanted, int controlHeight, const std::function<int(double)> &textHeightAt)
{
    if (!(wanted > 0))
        return {};
    if (controlHeight <= 0)
        return {0, true};
    for (double size = 1; size <= MaxFontSize; size += 0.5) {
        const float reached = float(textHeightAt(size)) / float(controlHeight);
        if (reached >= wanted)
            return {size - 0.5, false};
    }
    return {MaxFontSize, false};
}

} // namespace LayoutFile
