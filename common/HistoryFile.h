// The history file: the one contract between the monitor, which writes a fast-sampling run,
// and the viewer, which loads it. Writer pieces and a streaming reader over the file's bytes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

namespace HistoryFile {

constexpr std::int32_t BlockMarker = -999999;
constexpr std::int32_t MaxBlockRow = 100000;      // block rows 0..100000
constexpr std::int32_t MaxReadingIndex = 2000000; // reading indexes 0..2000000
constexpr std::int32_t IntervalConstant = 300;    // written on the interval line, read by nobody
constexpr int MaxReadingTextLength = 10;          // longer reading texts are refused by the monitor
// No line the monitor writes comes near this length (its longest, the unit name's trailer line, holds
// at most one device reply); a longer line is refused as soon as the reader has seen this much of it.
constexpr qsizetype MaxLineLength = 4 * 1024 * 1024;
inline const QString AutoSaveName = QStringLiteral("AutoSave.txt");

// One block header: reserved (0), input word, output word, tick count, last reading index.
struct BlockRow {
    std::int32_t reserved = 0;
    std::int32_t inputs = 0;  // printed as a signed 16-bit value
    std::int32_t outputs = 0; // printed as a signed 16-bit value
    std::int32_t ticks = 0;
    std::int32_t endIndex = 0;
};

// The numeric test applied to reading texts and to the sample count: surrounding blanks, a sign,
// digits with at most one decimal point and an optional exponent. "." is the only decimal point.
bool isNumericText(QByteArrayView text);
bool isNumericText(const QString &text);

// A path that ends in exactly "AutoSave.txt" (case-sensitive) may stop after any reading line.
bool isAutoSavePath(const QString &path);

// ---- Writing ---------------------------------------------------------------------------------------
// Whole numbers in print style: " 300 " for non-negative, "-306 " for negative.
void appendPrintNumber(QByteArray &out, std::int64_t value);
void appendIntervalLine(QByteArray &out);                     // "Timer2Interval,  300 "
void appendBlockHeader(QByteArray &out, const BlockRow &row); // "-999999  0  5  3  1500  2 "
void appendReadingLine(QByteArray &out, std::int32_t index, QByteArrayView text); // " 5  12.345"
void appendEndLine(QByteArray &out);                                              // "-1, -1"
// The ten trailer lines; `lastIndex` is the last reading index written (-1 when none).
void appendTrailer(QByteArray &out, const QString &startTime, const QString &unitName,
                   std::int32_t lastIndex);

// ---- Reading ---------------------------------------------------------------------------------------
enum class LoadStatus {
    Ok,
    NotHistoryFile,   // first field is not "Timer2Interval"
    NoReadings,       // no reading at all
    InvalidStructure, // trailer shorter than ten lines, a sample count that is not a number, a line
                      // longer than MaxLineLength
    RuntimeError,     // a whole-number field that is not a number, too many blocks, ...
    Cancelled,        // the reading callback asked to stop
};

struct Trailer {
    std::array<QString, 10> lines;                             // as read, whole
    QString startDateTime() const { return lines[0].mid(13); } // keeps the colon
    QString samplesText() const { return lines[9].mid(8); }
    QString unitName() const { return lines[6].mid(17, 5).trimmed(); }
};

struct LoadResult {
    LoadStatus status = LoadStatus::Ok;
    bool unexpectedEnd = false; // the data ended before the end line (reported before the status)
    int errorNumber = 0;        // RuntimeError, and the input-past-end error behind InvalidStructure
    QString errorDescription;
    std::int32_t readingCount = 0; // readings stored (the one at an unexpected end included)
    std::int32_t blockCount = 0;   // block rows written
    Trailer trailer;
};

struct LoadSink {
    // Block header r of this load, in file order.
    std::function<void(std::int32_t row, const BlockRow &block)> block;
    // Reading k and its value text as found in the file; return false to cancel the load.
    std::function<bool(std::int32_t k, QByteArrayView text)> reading;
};

// Reads a whole history file held in memory. `relaxed` is the auto-save rule (no end line, no trailer,
// and only what was saved whole: see savedWhole).
LoadResult load(QByteArrayView data, bool relaxed, const LoadSink &sink);

// The part of an auto-save file that was saved whole: up to its last line end, and without a last block
// whose last reading line does not carry its header's last reading index (an append cut short by a full
// disk, or a file read while it grows). A file that ends otherwise (an end line, a trailer, its first
// line) is left as it is.
QByteArrayView savedWhole(QByteArrayView data);

// Delimited-field input over bytes as the history file is read: a field ends at a comma or the line
// end, a whole-number field also at a blank; leading blanks are skipped. Errors carry the run time's
// numbers: 62 input past end of file, 13 type mismatch, 6 overflow; and LineTooLong for a line that
// goes on beyond MaxLineLength (nothing past that point of the line is looked at).
class FieldInput {
public:
    static constexpr int LineTooLong = -1;
    explicit FieldInput(QByteArrayView data) : m_data(data) {}
    bool atEnd() const { return m_pos >= m_data.size(); }
    // The last field ended its line: the next field stands on the next line.
    bool lineEnded() const { return m_pos > 0 && m_pos == m_lineStart; }
    bool readWhole(std::int32_t &value); // false on error (see error())
    bool readText(QByteArrayView &text);
    bool readLine(QByteArrayView &line);
    // The usual reading line ("  5  12.345" and its line end), read at once: a plain index of up to 9
    // digits, blanks, a text without comma or quote, a line end. Any other line reads nothing and
    // gives false; the fields above then read it by the general rules, to the same result.
    bool readPlainReading(std::int32_t &index, QByteArrayView &text);
    int error() const { return m_error; }
    static QString errorDescription(int number);

private:
    qsizetype scanEnd() const { return std::min(m_data.size(), m_lineStart + MaxLineLength); }
    bool lineTooLong(); // at the length limit inside a line: sets the error
    void skipBlanks();
    void skipDelimiter();
    void skipLineEnd();
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    qsizetype m_lineStart = 0;
    int m_error = 0;
};

} // namespace HistoryFile
