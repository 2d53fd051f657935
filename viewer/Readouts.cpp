// The graph window's readouts free of widgets: range statistics in counts and in values, the value
// form of the file's statistics line, the readings count and the readings list rows.
#include "Readouts.h"

#include "GraphE.h"
#include "GraphMath.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"

#include <optional>

namespace Readouts {

namespace {

QString blankThen(const QString &text)
{
    return QStringLiteral(" ") + text;
}

// A count of the file's statistics line as an engineering value: the whole counts x gain + offset, as
// a single.
double wholeCountsToValue(double counts, float gain, float offset)
{
    float value = 0;
    MdlFunctions::RawToValue(GraphMath::roundWhole(counts), offset, gain, value);
    return value;
}

} // namespace

double countsToValue(double counts, float gain, float offset)
{
    return counts * double(gain) + double(offset);
}

QString countsText(double counts, quint8 valueType, float gain, float offset)
{
    if (valueType == 2)
        return NumberFormat::format0(counts);
    return NumberFormat::format0_000(countsToValue(counts, gain, offset));
}

namespace {

// The statistics in counts: the 32-bit routine over the readings, with its failures; a range whose
// readings go beyond a Long (the loader has said so) in whole counts of any size instead.
MdlFunctions::Status countStatistics(const GraphE::GraphSlot &slot, qint32 lo, qint32 hi,
                                     const std::optional<MdlFunctions::ValueStatistics> &values,
                                     MdlFunctions::ValueStatistics &counts)
{
    if (values && !(NumberFormat::toInt32(values->min) && NumberFormat::toInt32(values->max))) {
        counts = *MdlFunctions::GetValueStatistics(slot.values(), lo, hi, true);
        return {};
    }
    MdlFunctions::CountStatistics st;
    const MdlFunctions::Status status =
        MdlFunctions::GetCountStatistics(slot.values(), lo, hi, st, slot.notNumbers());
    counts = {double(st.average), double(st.min), double(st.max), st.cntMin, st.cntMax};
    return status;
}

// " average minimum maximum Delta1 Delta2 Cnt1 Cnt2": the first three through `shown`, the deltas
// between what is shown, all five as `format` writes them.
template <typename Shown, typename Format>
QString statisticsLine(const MdlFunctions::ValueStatistics &st, Shown shown, Format format)
{
    const double average = shown(st.average), min = shown(st.min), max = shown(st.max);
    QString line;
    for (double v : {average, min, max, min - average, max - average})
        line += blankThen(format(v));
    return line + blankThen(QString::number(st.cntMin)) + blankThen(QString::number(st.cntMax));
}

} // namespace

MdlFunctions::Status statisticsTexts(const GraphE::GraphSlot &slot, qint32 lo, qint32 hi, float gain,
                                     float offset, QString &strDataA2D, QString &strDataVAL)
{
    const auto values = MdlFunctions::GetValueStatistics(slot.values(), lo, hi);
    MdlFunctions::ValueStatistics counts;
    const MdlFunctions::Status status = countStatistics(slot, lo, hi, values, counts);
    if (!status.ok())
        return status;
    strDataA2D += statisticsLine(
        counts, [](double c) { return c; }, &NumberFormat::format0);
    strDataVAL += statisticsLine(
        *values, [&](double c) { return countsToValue(c, gain, offset); },
        [](double v) { return NumberFormat::format0_000(v); });
    return status;
}

QString GetAverageText(const QString &caption, const QString &st, quint8 opt, float gain, float offset)
{
    if (opt == 2)
        return st;
    const auto column = [&](int first) {
        return wholeCountsToValue(NumberFormat::valPrefix(st.mid(first - 1, 8)), gain, offset);
    };
    const double average = column(1), minimum = column(9), maximum = column(17);
    QString s;
    for (double v : {average, minimum, maximum, minimum - average, maximum - average})
        s += blankThen(NumberFormat::format0_000(v));
    s += blankThen(st.mid(37));
    QString result;
    MdlFunctions::AlignLineToTemplate(caption, QStringLiteral(" "), s, result);
    return result;
}

QString readingsNumberText(const QString &xminText, const QString &xmaxText, int xAxisMode,
                           int readingIntervalMs)
{
    const QString between = QStringLiteral("  Readings:   ");
    if (xAxisMode != 2 || readingIntervalMs == 0)
        return xminText + between + xmaxText;
    const auto reading = [readingIntervalMs](const QString &time) {
        return NumberFormat::standardText(NumberFormat::valPrefix(time) / readingIntervalMs);
    };
    return reading(xminText) + between + reading(xmaxText);
}

QStringList listRows(const GraphE::GraphSlot &slot, double xmin, double xmax, quint8 opt, float gain,
                     float offset)
{
    QStringList rows;
    const qint32 a = GraphMath::roundWhole(xmin);
    const qint32 b = std::min(GraphMath::roundWhole(xmax), slot.upperBound());
    if (b < a)
        return rows;
    rows.reserve(std::min<qint64>(qint64(b) - a + 1, ListRowCap));
    QString aligned;
    for (qint32 i = std::max(a, 0); i <= b && i - xmin < ListRowCap; ++i) {
        const double value = opt == 2 ? slot.value(i) : countsToValue(slot.value(i), gain, offset);
        const QString row =
            blankThen(QString::number(slot.time(i))) + blankThen(NumberFormat::format0_000(value));
        MdlFunctions::AlignLineToTemplate(ListTemplate, QStringLiteral(" "), row, aligned);
        rows.append(aligned);
    }
    return rows;
}

} // namespace Readouts
