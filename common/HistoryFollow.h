// Following a history file while it grows: each poll reads only the bytes appended since the last one
// and hands over the readings of the whole blocks among them, as the full load of the file gives them.
#pragma once

#include "HistoryFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class QFile;

namespace HistoryFollow {

enum class Status {
    Following,  // still growing (or not yet): poll again
    Finished,   // the end line and the trailer arrived: the file is complete
    Changed,    // the file shrank below the whole blocks read, or its first bytes are no longer those read
    Unreadable, // the file could not be opened or read
    Invalid,    // the bytes are not history data the reader takes
    Stopped,    // a status above was reported by an earlier poll: nothing more is read
};

struct Poll {
    Status status = Status::Following;
    QString message; // for the operator, once, when following stops for a fault; empty otherwise
    std::vector<HistoryFile::BlockRow> blocks; // new block rows, numbered on from the earlier ones
    // New readings' texts, reading firstIndex + i: value and time follow from text and index exactly as
    // in the full load of the file.
    std::vector<QByteArray> texts;
    std::int32_t firstIndex = 0;
    HistoryFile::Trailer trailer; // Finished only
    qint64 bytesRead = 0;         // bytes this poll read from the file
};

// The appended bytes taken apart, without any file: whole blocks are handed over, the rest waits.
class Parser {
public:
    // Takes the next bytes of the file; what they complete is in the poll (status Following, Finished
    // or Invalid; blocks, texts, firstIndex, trailer).
    Poll feed(QByteArrayView bytes);
    qint64 consumed() const { return m_consumed; } // bytes handed over (whole blocks and lines)
    qint64 buffered() const { return m_pending.size(); }
    std::int32_t readings() const { return m_readings; }
    std::int32_t blocks() const { return m_blocks; } // block rows handed over
    Status status() const;                           // Following, Finished or Invalid
    void dropBufferedFrom(qint64 fileSize);          // the file was cut back to `fileSize` >= consumed()

private:
    enum class Phase { FirstLine, Blocks, Trailer, Done, Failed };
    bool openLineFits(qsizetype lineStart) const;
    bool takeFirstLine();
    bool takeBlocks(Poll &poll);
    bool handOver(qsizetype bytes, Poll &poll);
    bool takeTrailer(Poll &poll);
    void consume(qsizetype bytes);
    Phase m_phase = Phase::FirstLine;
    QByteArray m_firstLine; // the interval line, put before every part handed to the loader
    QByteArray m_pending;   // bytes after the consumed ones
    qint64 m_consumed = 0;
    std::int32_t m_readings = 0;
    std::int32_t m_blocks = 0;
};

class Follower {
public:
    static constexpr qint64 MaxReadPerPoll = 16 * 1024 * 1024;
    explicit Follower(const QString &path) : m_path(path) {}

    // Reads what was appended since the last poll (and the file's first 256 bytes again, to see that they
    // are still the same): nothing at all when the file's size is unchanged. An append that is taken
    // back before its block was whole is no change.
    Poll poll();
    // For a viewer that loaded `loaded` (the file's bytes) itself: the next poll starts after them.
    // Returns how many readings of them are handed over as whole (the rest come with later polls).
    std::int32_t resumeAfter(QByteArrayView loaded);
    const QString &path() const { return m_path; }
    std::int32_t blocks() const { return m_parser.blocks(); } // block rows handed over so far

private:
    Poll stop(Poll poll, Status status, const QString &message);
    bool readAppended(QFile &file, Poll &poll);
    Poll unreadable(Poll poll, const QFile &file);
    QString message(const char *text, const QString &reason = {}) const;
    QString m_path;
    Parser m_parser;
    QByteArray m_head; // the file's first bytes as read
    bool m_stopped = false;
};

} // namespace HistoryFollow
