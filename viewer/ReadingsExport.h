// The export of a reading range free of widgets: CSV rows (reading index, time, engineering value,
// A2D reading, the block's input bits), fast number texts for them, and the atomic CSV file writer.
#pragma once

#include "HistoryFile.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace GraphE {
class GraphSlot;
}

namespace ReadingsExport {

// What the export is asked to write: readings first..last of `slot` (cut to the slot), the value
// conversion of the window (value = the reading at full precision x gain + offset) and the captions'
// unit texts.
struct Request {
    const GraphE::GraphSlot *slot = nullptr;
    const std::vector<HistoryFile::BlockRow> *blocks = nullptr;
    qint32 first = 0, last = -1;
    float gain = 1.0f, offset = 0.0f;
    QString unit;          // the value column's unit
    bool timeInMs = false; // the time column holds milliseconds rather than reading numbers
};

// What the chosen file name asks for, by its extension (any case); a name without one gets ".csv".
enum class Kind { Csv, Png, Pdf, Unknown };
Kind kindOf(QString &path);

// The readings the request covers, after cutting to the slot (0 when none).
qint64 rowCount(const Request &request);

// "0.000" of a value, identical to the readings list's text, mostly without allocation: appends to
// `out`.
void appendValue000(QByteArray &out, double value);
// The shortest text that reads back as exactly `value`.
void appendShortest(QByteArray &out, double value);

// The CSV header line, fields quoted where they need it.
QByteArray headerLine(const Request &request);

// The input bits of the block holding each reading, walked in reading order: a block holds the
// readings after the previous block's last index up to its own (the first block from 0).
class BlockWalker {
public:
    explicit BlockWalker(const std::vector<HistoryFile::BlockRow> &blocks) : m_blocks(blocks) {}
    // The row of reading k (k never decreasing between calls), or -1 when no block holds it.
    qint32 rowOf(qint32 k);

private:
    const std::vector<HistoryFile::BlockRow> &m_blocks;
    qint32 m_row = 0;
};

// Appends the CSV rows of readings from..to (both within the request's cut range) to `out`.
void appendRows(QByteArray &out, const Request &request, BlockWalker &walker, qint32 from, qint32 to);

// Writes the whole CSV to `path` through a temporary file renamed at the end, so an existing file is
// replaced only by a complete one. `progress(done, total)` is asked between chunks of rows; false
// cancels (nothing is written). Returns false with `error` set when the file could not be written.
enum class WriteResult { Written, Cancelled, Failed };
WriteResult writeCsv(const QString &path, const Request &request,
                     const std::function<bool(qint64 done, qint64 total)> &progress, QString *error);

} // namespace ReadingsExport
