// The history file: writer pieces (print-style numbers, block headers, reading lines, trailer)
// and the streaming reader with the delimited-field input the file is read with.
#include "HistoryFile.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace HistoryFile {

namespace {

constexpr char CrLf[] = "\r\n";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
// A comma or a line end: where an unquoted text field ends.
bool endsText(char c)
{
    return c <= ',' && (c == ',' || isLineEnd(c));
}
const char *skipBlanksIn(const char *p, const char *end)
{
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

// Skips digits from `i`; returns how many there were.
qsizetype skipDigits(QByteArrayView t, qsizetype &i)
{
    const qsizetype start = i;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    return i - start;
}

const char *const TrailerFixed[] = {
    "ZELK-NET  Channel 1",    "Card#: QN1234568TAVU   Delay: 3 ms.",    "Channel(s) Scanned:",
    "InegrationBufferSize: ", "Gain Bias Resol. Units LoLimit HiLimit",
};

} // namespace

bool isNumericText(QByteArrayView t)
{
    qsizetype i = 0;
    while (i < t.size() && isBlank(t[i]))
        ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    qsizetype digits = skipDigits(t, i);
    if (i < t.size() && t[i] == '.') {
        ++i;
        digits += skipDigits(t, i);
    }
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        if (skipDigits(t, i) == 0)
            return false;
    }
    while (i < t.size() && isBlank(t[i]))
        ++i;
    return i == t.size();
}

bool isNumericText(const QString &text)
{
    return isNumericText(QByteArrayView(text.toLatin1()));
}

bool isAutoSavePath(const QString &path)
{
    return path.endsWith(AutoSaveName, Qt::CaseSensitive);
}

// ---- Writing ---------------------------------------------------------------------------------------

void appendPrintNumber(QByteArray &out, std::int64_t value)
{
    char buf[24];
    char *p = buf;
    if (value >= 0)
        *p++ = ' ';
    p = std::to_chars(p, buf + sizeof buf - 1, value).ptr;
    *p++ = ' ';
    out.append(buf, p - buf);
}

void appendIntervalLine(QByteArray &out)
{
    out.append("Timer2Interval, ");
    appendPrintNumber(out, IntervalConstant);
    out.append(CrLf);
}

void appendBlockHeader(QByteArray &out, const BlockRow &row)
{
    out.append("-999999 ");
    appendPrintNumber(out, row.reserved);
    appendPrintNumber(out, static_cast<std::int16_t>(row.inputs));
    appendPrintNumber(out, static_cast<std::int16_t>(row.outputs));
    appendPrintNumber(out, row.ticks);
    appendPrintNumber(out, row.endIndex);
    out.append(CrLf);
}

void appendReadingLine(QByteArray &out, std::int32_t index, QByteArrayView text)
{
    appendPrintNumber(out, index);
    out.append(' ');
    out.append(text);
    out.append(CrLf);
}

void appendEndLine(QByteArray &out)
{
    out.append("-1, -1");
    out.append(CrLf);
}

void appendTrailer(QByteArray &out, const QString &startTime, const QString &unitName, std::int32_t lastIndex)
{
    out.append("StartDateTime:").append(startTime.toUtf8()).append(CrLf);
    for (const char *line : TrailerFixed)
        out.append(line).append(CrLf);
    out.append("  36   49 0.0002 ").append(unitName.toUtf8()).append("     0.234   4.321").append(CrLf);
    out.append("Average Minimum Maximum Delta1 Delta2 Cnt1 Cnt2").append(CrLf);
    out.append(" 1107  801  1398 -306  291  1  1").append(CrLf);
    out.append("Samples: ").append(QByteArray::number(lastIndex)).append(CrLf);
}

// ---- Delimited-field input -------------------------------------------------------------------------

QString FieldInput::errorDescription(int number)
{
    switch (number) {
    case 6:
        return QStringLiteral("Overflow");
    case 9:
        return QStringLiteral("Subscript out of range");
    case 13:
        return QStringLiteral("Type mismatch");
    case 62:
        return QStringLiteral("Input past end of file");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

// A scan stopped at the limit while the line goes on: the line is longer than any valid one.
bool FieldInput::lineTooLong()
{
    if (m_pos - m_lineStart < MaxLineLength || atEnd() || isLineEnd(m_data[m_pos]))
        return false;
    m_error = LineTooLong;
    return true;
}

void FieldInput::skipBlanks()
{
    const qsizetype end = scanEnd();
    while (m_pos < end && isBlank(m_data[m_pos]))
        ++m_pos;
}

// One line end: CR LF, LF or CR.
void FieldInput::skipLineEnd()
{
    if (m_pos < m_data.size() && m_data[m_pos] == '\r')
        ++m_pos;
    if (m_pos < m_data.size() && m_data[m_pos] == '\n')
        ++m_pos;
    m_lineStart = m_pos;
}

// After a field: blanks, then one comma or one line end.
void FieldInput::skipDelimiter()
{
    skipBlanks();
    if (m_pos >= m_data.size())
        return;
    if (m_data[m_pos] == ',')
        ++m_pos;
    else if (isLineEnd(m_data[m_pos]))
        skipLineEnd();
}

bool FieldInput::readWhole(std::int32_t &value)
{
    skipBlanks();
    if (atEnd()) {
        m_error = 62;
        return false;
    }
    const qsizetype start = m_pos;
    const qsizetype limit = scanEnd();
    while (m_pos < limit && !isBlank(m_data[m_pos]) && m_data[m_pos] != ',' && !isLineEnd(m_data[m_pos]))
        ++m_pos;
    if (lineTooLong())
        return false;
    const QByteArrayView field = m_data.sliced(start, m_pos - start);
    skipDelimiter();
    if (field.isEmpty()) {
        value = 0;
        return true;
    }
    std::int64_t whole = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), whole);
    if (ec == std::errc() && end == field.data() + field.size()) {
        if (whole < std::numeric_limits<std::int32_t>::min() ||
            whole > std::numeric_limits<std::int32_t>::max()) {
            m_error = 6;
            return false;
        }
        value = static_cast<std::int32_t>(whole);
        return true;
    }
    if (!isNumericText(field)) {
        m_error = 13;
        return false;
    }
    double d = 0;
    const char *b = field.data() + (field.front() == '+' ? 1 : 0);
    std::from_chars(b, field.data() + field.size(), d);
    d = std::nearbyint(d); // half to even in the default rounding mode
    if (!(d >= std::numeric_limits<std::int32_t>::min() && d <= std::numeric_limits<std::int32_t>::max())) {
        m_error = 6;
        return false;
    }
    value = static_cast<std::int32_t>(d);
    return true;
}

bool FieldInput::readText(QByteArrayView &text)
{
    skipBlanks();
    if (atEnd()) {
        m_error = 62;
        return false;
    }
    const qsizetype limit = scanEnd();
    const bool quoted = m_data[m_pos] == '"';
    if (quoted)
        ++m_pos;
    const qsizetype start = m_pos;
    while (m_pos < limit && m_data[m_pos] != (quoted ? '"' : ',') && !isLineEnd(m_data[m_pos]))
        ++m_pos;
    if (lineTooLong())
        return false;
    qsizetype end = m_pos;
    if (quoted && m_pos < m_data.size() && m_data[m_pos] == '"')
        ++m_pos;
    while (!quoted && end > start && isBlank(m_data[end - 1]))
        --end;
    text = m_data.sliced(start, end - start);
    skipDelimiter();
    return true;
}

bool FieldInput::readLine(QByteArrayView &line)
{
    if (atEnd()) {
        m_error = 62;
        return false;
    }
    const qsizetype start = m_pos;
    const qsizetype limit = scanEnd();
    while (m_pos < limit && !isLineEnd(m_data[m_pos]))
        ++m_pos;
    if (lineTooLong())
        return false;
    line = m_data.sliced(start, m_pos - start);
    skipLineEnd();
    return true;
}

bool FieldInput::readPlainReading(std::int32_t &index, QByteArrayView &text)
{
    // A line this short stays far from the length limit wherever it starts.
    constexpr qsizetype PlainLength = 64;
    if (m_pos - m_lineStart > MaxLineLength - PlainLength)
        return false;
    const char *const begin = m_data.data() + m_pos;
    const char *const end = begin + std::min(m_data.size() - m_pos, PlainLength);
    const char *p = skipBlanksIn(begin, end);
    const char *const digits = p;
    const char *const digitsEnd = std::min(end, digits + 9);
    std::int32_t value = 0;
    for (; p < digitsEnd && isDigit(*p); ++p)
        value = value * 10 + (*p - '0');
    if (p == digits || p == end || !isBlank(*p)) // a tenth digit is no blank either
        return false;
    const char *const textBegin = skipBlanksIn(p, end);
    p = textBegin;
    while (p < end && !endsText(*p))
        ++p;
    if (p == textBegin || p == end || *p == ',' || *textBegin == '"')
        return false;
    const char *textEnd = p;
    while (isBlank(textEnd[-1]))
        --textEnd;
    index = value;
    text = QByteArrayView(textBegin, textEnd);
    m_pos += p - begin;
    skipLineEnd();
    return true;
}

// ---- Loading ---------------------------------------------------------------------------------------

namespace {

LoadResult failed(LoadResult r, LoadStatus status, int number)
{
    r.status = status;
    r.errorNumber = number;
    r.errorDescription = number ? FieldInput::errorDescription(number) : QString();
    return r;
}

// An input error: input past the end is the invalid structure of a file that ends too early, a line
// too long for any history file is `tooLong`, and the rest are run-time errors.
LoadResult inputFailed(const LoadResult &r, int number, LoadStatus tooLong)
{
    if (number == FieldInput::LineTooLong)
        return failed(r, tooLong, 0);
    return failed(r, number == 62 ? LoadStatus::InvalidStructure : LoadStatus::RuntimeError, number);
}

// A block marker: five header numbers, then the index of the block's first reading.
bool readBlock(FieldInput &in, LoadResult &r, const LoadSink &sink)
{
    std::int32_t cols[5];
    for (std::int32_t &c : cols) {
        if (!in.readWhole(c))
            return false;
    }
    if (r.blockCount > MaxBlockRow)
        return false;
    if (sink.block)
        sink.block(r.blockCount, BlockRow{cols[0], cols[1], cols[2], cols[3], cols[4]});
    ++r.blockCount;
    std::int32_t firstIndex = 0;
    return in.readWhole(firstIndex);
}

// A reading's text: the rest of its index's line. A line that ends after the index holds an empty
// text; the next line is the next reading.
bool readReadingText(FieldInput &in, QByteArrayView &text)
{
    text = {};
    return in.lineEnded() || in.readText(text);
}

bool readTrailer(FieldInput &in, Trailer &trailer)
{
    for (QString &line : trailer.lines) {
        QByteArrayView bytes;
        if (!in.readLine(bytes))
            return false;
        line = QString::fromUtf8(bytes);
    }
    return true;
}

} // namespace

LoadResult load(QByteArrayView data, bool relaxed, const LoadSink &sink)
{
    LoadResult r;
    FieldInput in(relaxed ? savedWhole(data) : data);
    QByteArrayView word;
    std::int32_t interval = 0;
    if (!in.readText(word))
        return inputFailed(r, in.error(), LoadStatus::NotHistoryFile);
    const bool historyFile = word == QByteArrayView("Timer2Interval");
    if (!in.readWhole(interval))
        return inputFailed(r, in.error(),
                           historyFile ? LoadStatus::InvalidStructure : LoadStatus::NotHistoryFile);
    if (!historyFile)
        return failed(r, LoadStatus::NotHistoryFile, 0);

    std::int32_t k = 0;
    while (!in.atEnd()) {
        std::int32_t m = 0;
        QByteArrayView value;
        if (!in.readPlainReading(m, value) &&
            (!in.readWhole(m) || (m == BlockMarker && !readBlock(in, r, sink)) ||
             !readReadingText(in, value))) {
            const int number = in.error() ? in.error() : 9; // no input error: the block table is full
            return inputFailed(r, number, LoadStatus::InvalidStructure);
        }
        if (m == -1)
            break;
        r.readingCount = k + 1;
        if (sink.reading && !sink.reading(k, value))
            return failed(r, LoadStatus::Cancelled, 0);
        if (!relaxed && in.atEnd()) {
            r.unexpectedEnd = true;
            break;
        }
        ++k;
    }
    if (k == 0)
        return failed(r, LoadStatus::NoReadings, 0);
    if (relaxed)
        return r;
    if (!readTrailer(in, r.trailer))
        return inputFailed(r, in.error(), LoadStatus::InvalidStructure);
    if (!isNumericText(r.trailer.samplesText()))
        return failed(r, LoadStatus::InvalidStructure, 0);
    return r;
}

// ---- The whole part of an auto-save file ------------------------------------------------------------

QByteArrayView savedWhole(QByteArrayView data)
{
    // A last line without its line end may stop anywhere: "12.347" cut to "12.3".
    qsizetype end = data.size();
    while (end > 0 && !isLineEnd(data[end - 1]))
        --end;
    if (end == 0)
        return data; // the first line: the usual rules
    // Back over the reading lines to the last block header.
    std::optional<std::int32_t> lastIndex;
    for (qsizetype lineEnd = end; lineEnd > 0;) {
        qsizetype stop = lineEnd - 1;
        if (data[stop] == '\n' && stop > 0 && data[stop - 1] == '\r')
            --stop;
        qsizetype start = stop;
        while (start > 0 && !isLineEnd(data[start - 1]))
            --start;
        FieldInput line(data.sliced(start, stop - start));
        std::int32_t first = 0;
        if (!line.readWhole(first) || first == -1)
            break; // the end line, a trailer line, the interval line
        if (first == BlockMarker) {
            std::int32_t cols[5] = {};
            for (std::int32_t &c : cols) {
                if (!line.readWhole(c))
                    return data.first(end);
            }
            return lastIndex == cols[4] ? data.first(end) : data.first(start);
        }
        if (!lastIndex)
            lastIndex = first;
        lineEnd = start;
    }
    return data.first(end);
}

} // namespace HistoryFile
