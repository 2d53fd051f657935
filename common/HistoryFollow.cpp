// Following a growing history file: the parser that splits appended bytes into whole blocks and loads
// them with the history file's own reader, and the follower that reads only the appended bytes.
#include "HistoryFollow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace HistoryFollow {

namespace {

constexpr qsizetype HeadBytes = 256; // compared again whenever the file grows
const QByteArray EndLine = "-1, -1\r\n";

// The end of the line that starts at `from` (past its line end), or -1 while the line may go on: a CR
// at the end of the bytes may still get its LF.
qsizetype lineEnd(QByteArrayView data, qsizetype from)
{
    for (qsizetype i = from; i < data.size(); ++i) {
        if (data[i] == '\n')
            return i + 1;
        if (data[i] == '\r')
            return i + 1 >= data.size() ? -1 : (data[i + 1] == '\n' ? i + 2 : i + 1);
    }
    return -1;
}

enum class LineKind { Header, End, Reading, BadHeader };
struct Line {
    LineKind kind = LineKind::Reading;
    std::optional<std::int32_t> first; // the first whole field (a header: its last reading index)
};

std::optional<std::int32_t> firstWhole(QByteArrayView line)
{
    HistoryFile::FieldInput in(line);
    std::int32_t first = 0;
    return in.readWhole(first) ? std::optional<std::int32_t>(first) : std::nullopt;
}

// A line as the reader takes it when no block header stands right before it.
Line classify(QByteArrayView line)
{
    HistoryFile::FieldInput in(line);
    std::int32_t first = 0;
    if (!in.readWhole(first))
        return {};
    if (first == -1)
        return {LineKind::End, first};
    if (first != HistoryFile::BlockMarker)
        return {LineKind::Reading, first};
    std::int32_t cols[5] = {};
    for (std::int32_t &c : cols) {
        if (!in.readWhole(c))
            return {LineKind::BadHeader, {}};
    }
    // Exactly five numbers: otherwise the reader would take fields of the next line into the header.
    return in.atEnd() ? Line{LineKind::Header, cols[4]} : Line{LineKind::BadHeader, {}};
}

} // namespace

// ---- Parser ----------------------------------------------------------------------------------------

Status Parser::status() const
{
    switch (m_phase) {
    case Phase::Done:
        return Status::Finished;
    case Phase::Failed:
        return Status::Invalid;
    default:
        return Status::Following;
    }
}

Poll Parser::feed(QByteArrayView bytes)
{
    Poll poll;
    poll.firstIndex = m_readings;
    if (m_phase != Phase::Done && m_phase != Phase::Failed) {
        m_pending.append(bytes);
        const bool ok = (m_phase != Phase::FirstLine || takeFirstLine()) &&
                        (m_phase != Phase::Blocks || takeBlocks(poll)) &&
                        (m_phase != Phase::Trailer || takeTrailer(poll));
        if (!ok)
            m_phase = Phase::Failed;
    }
    poll.status = status();
    return poll;
}

void Parser::consume(qsizetype bytes)
{
    m_pending.remove(0, bytes);
    m_consumed += bytes;
}

void Parser::dropBufferedFrom(qint64 fileSize)
{
    m_pending.truncate(static_cast<qsizetype>(std::max<qint64>(0, fileSize - m_consumed)));
}

// A line still open must not go on beyond what any history file holds.
bool Parser::openLineFits(qsizetype lineStart) const
{
    return m_pending.size() - lineStart <= HistoryFile::MaxLineLength;
}

// "Timer2Interval," and one whole number: the line the reader checks first.
bool Parser::takeFirstLine()
{
    const qsizetype end = lineEnd(m_pending, 0);
    if (end < 0)
        return openLineFits(0);
    HistoryFile::FieldInput in(QByteArrayView(m_pending).first(end));
    QByteArrayView word;
    std::int32_t interval = 0;
    if (!in.readText(word) || word != QByteArrayView("Timer2Interval") || !in.readWhole(interval) ||
        !in.atEnd())
        return false;
    m_firstLine = m_pending.first(end);
    consume(end);
    m_phase = Phase::Blocks;
    return true;
}

// Whole blocks: those whose last line carries their header's last reading index, and any block that
// another block or the end line follows. The line after a header is its first reading, whatever it holds.
bool Parser::takeBlocks(Poll &poll)
{
    qsizetype whole = 0, endLine = -1, start = 0, end = 0;
    std::optional<std::int32_t> blockEnd;
    bool afterHeader = false;
    for (; (end = lineEnd(m_pending, start)) >= 0; start = end) {
        const QByteArrayView text = QByteArrayView(m_pending).sliced(start, end - start);
        const Line line = afterHeader ? Line{LineKind::Reading, firstWhole(text)} : classify(text);
        if (line.kind == LineKind::BadHeader)
            return false;
        afterHeader = line.kind == LineKind::Header;
        if (line.kind == LineKind::End) {
            whole = start;
            endLine = end;
            break;
        }
        if (line.kind == LineKind::Header) {
            whole = start;
            blockEnd = line.first;
        } else if (line.first && line.first == blockEnd) {
            whole = end;
        }
    }
    if (endLine < 0 && !openLineFits(start))
        return false;
    if (whole > 0 && !handOver(whole, poll))
        return false;
    if (endLine >= 0) {
        consume(endLine - whole);
        m_phase = Phase::Trailer;
    }
    return true;
}

// The reader loads the whole blocks after the interval line, up to an end line put after them.
bool Parser::handOver(qsizetype bytes, Poll &poll)
{
    const QByteArray data = m_firstLine + m_pending.first(bytes) + EndLine;
    HistoryFile::LoadSink sink;
    sink.block = [&poll](std::int32_t, const HistoryFile::BlockRow &b) { poll.blocks.push_back(b); };
    sink.reading = [&poll](std::int32_t, QByteArrayView text) {
        poll.texts.push_back(text.toByteArray());
        return true;
    };
    const HistoryFile::LoadResult r = HistoryFile::load(data, true, sink);
    if (r.status != HistoryFile::LoadStatus::Ok && r.status != HistoryFile::LoadStatus::NoReadings)
        return false;
    m_blocks += r.blockCount;
    m_readings += r.readingCount;
    consume(bytes);
    return m_blocks <= HistoryFile::MaxBlockRow + 1;
}

// The ten trailer lines, whole, and a sample count that is a number.
bool Parser::takeTrailer(Poll &poll)
{
    qsizetype end = 0;
    for (int i = 0; i < 10; ++i) {
        const qsizetype next = lineEnd(m_pending, end);
        if (next < 0)
            return openLineFits(end);
        end = next;
    }
    HistoryFile::FieldInput in(QByteArrayView(m_pending).first(end));
    for (QString &text : poll.trailer.lines) {
        QByteArrayView line;
        in.readLine(line);
        text = QString::fromUtf8(line);
    }
    if (!HistoryFile::isNumericText(poll.trailer.samplesText()))
        return false;
    consume(end);
    m_phase = Phase::Done;
    return true;
}

// ---- Follower --------------------------------------------------------------------------------------

Poll Follower::stop(Poll poll, Status status, const QString &message)
{
    m_stopped = true;
    poll.status = status;
    poll.message = message;
    return poll;
}

Poll Follower::poll()
{
    Poll poll;
    poll.firstIndex = m_parser.readings();
    if (m_stopped) {
        poll.status = Status::Stopped;
        return poll;
    }
    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile())
        return stop(poll, Status::Unreadable,
                    message("The file %1 is not a regular file; following stopped."));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(poll, file);
    const qint64 size = file.size();
    if (size < m_parser.consumed())
        return stop(poll, Status::Changed,
                    message("The file %1 changed while it was followed; following stopped."));
    if (size < m_parser.consumed() + m_parser.buffered()) {
        m_parser.dropBufferedFrom(size); // an append taken back: the whole blocks read stay
        m_head.truncate(static_cast<qsizetype>(size));
    }
    if (size > m_parser.consumed() + m_parser.buffered() && !readAppended(file, poll))
        return poll;
    poll.status = m_parser.status();
    m_stopped = poll.status == Status::Finished;
    if (poll.status == Status::Invalid)
        return stop(poll, Status::Invalid,
                    message("The file %1 is not a valid history file; following stopped."));
    return poll;
}

// The file's start, which must not have changed, then the bytes after those known, fed to the parser.
bool Follower::readAppended(QFile &file, Poll &poll)
{
    const qint64 known = m_parser.consumed() + m_parser.buffered();
    const QByteArray head = file.read(m_head.size());
    if (head != m_head) {
        poll = stop(poll, Status::Changed,
                    message("The file %1 changed while it was followed; following stopped."));
        poll.bytesRead = head.size();
        return false;
    }
    const QByteArray bytes =
        file.seek(known) ? file.read(std::min(file.size() - known, MaxReadPerPoll)) : QByteArray();
    if (bytes.isEmpty()) {
        poll = unreadable(poll, file);
        return false;
    }
    m_head.append(bytes.first(std::min<qsizetype>(bytes.size(), HeadBytes - m_head.size())));
    poll = m_parser.feed(bytes);
    poll.bytesRead = head.size() + bytes.size();
    return true;
}

Poll Follower::unreadable(Poll poll, const QFile &file)
{
    return stop(poll, Status::Unreadable,
                message("The file %1 could not be read (%2); following stopped.", file.errorString()));
}

// `text` with the file's path for %1 and `reason` for %2, both put in at once.
QString Follower::message(const char *text, const QString &reason) const
{
    const QString path = QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
    return reason.isNull() ? QString::fromLatin1(text).arg(path)
                           : QString::fromLatin1(text).arg(path, reason);
}

std::int32_t Follower::resumeAfter(QByteArrayView loaded)
{
    m_parser = Parser();
    m_stopped = false;
    m_parser.feed(loaded);
    m_head = loaded.first(std::min<qsizetype>(loaded.size(), HeadBytes)).toByteArray();
    return m_parser.readings();
}

} // namespace HistoryFollow
