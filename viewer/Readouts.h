// The graph window's readouts free of widgets: the statistics lines of a reading range, the value
// form of a statistics line, the readings count and the rows of the readings list.
#pragma once

#include "MdlFunctions.h"

#include <QString>
#include <QStringList>

namespace GraphE {
class GraphSlot;
}

namespace Readouts {

// The caption of the readings list's rows: the time column, then the value column.
inline const QString ListTemplate = QStringLiteral("    Time(ms)    __A2D____ ");
// At most this many rows in a readings list.
constexpr int ListRowCap = 30000;

// A reading as an engineering value: the reading as stored, at full precision, x gain + offset.
double countsToValue(double counts, float gain, float offset);
// A reading as the window shows it: "0" of the counts for value type 2, "0.000" of the value otherwise.
QString countsText(double counts, quint8 valueType, float gain, float offset);

// The statistics of readings lo..hi of `slot`, appended to the two texts: in whole counts (" " before
// each of average, minimum, maximum, Delta1, Delta2, Cnt1, Cnt2) and in values (the readings at full
// precision x gain + offset, "0.000", then how often the minimum and the maximum occur). A bad range or
// a reading that is not a whole number leaves both texts as they were and returns the statistics
// message for the caller to show.
MdlFunctions::Status statisticsTexts(const GraphE::GraphSlot &slot, qint32 lo, qint32 hi, float gain,
                                     float offset, QString &strDataA2D, QString &strDataVAL);

// GetAverageText: `st` as it is for opt 2; otherwise the average, minimum and maximum of the counts line
// `st` (8-character columns) in values, with their deltas and the two counts from character 38 on, lined
// up under `caption`.
QString GetAverageText(const QString &caption, const QString &st, quint8 opt, float gain, float offset);

// The readings box: the first and last reading of the range around "  Readings:   ". With the x axis in
// milliseconds the two times are divided by the interval (an interval of 0 keeps the times).
QString readingsNumberText(const QString &xminText, const QString &xmaxText, int xAxisMode,
                           int readingIntervalMs);

// The rows of the readings list for readings xmin..xmax (rounded; cut to the last reading and to
// ListRowCap rows): time and value ("0.000": the reading for opt 2, its engineering value otherwise)
// lined up under ListTemplate.
QStringList listRows(const GraphE::GraphSlot &slot, double xmin, double xmax, quint8 opt, float gain,
                     float offset);

} // namespace Readouts
