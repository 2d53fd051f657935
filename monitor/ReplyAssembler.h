// Gathering a device reply from the socket's data chunks: the prolog is searched in everything received
// since the connection opened, completion is the closing root tag followed by exactly four characters.
#pragma once

#include <QString>
#include <cstdint>

namespace Reply {

inline const QString Prolog = QStringLiteral("<?xml version='1.0' ?><");

// A reply is bounded; anything larger is given up like an incomplete one.
constexpr qsizetype MaxReplyChars = 1024 * 1024;

// Which reply a text completes, tested in this order; None when it completes none of them.
enum class Kind { None, GetFastSampling, GetRTStatus, SetOutput, StartSample, StopSample };
Kind completedKind(const QString &text);

// The raw-XML view: every "><" broken onto a new line.
QString xmlViewText(const QString &reply);

// A tag the element reader accepts: begins with "<" and ends with ">".
bool isElementTag(const QString &tag);

// The text between `openTag` and its closing tag ("</" + tag without its "<"), the closing tag searched
// after the opening one. False (and `data` untouched) when either is missing.
bool elementData(const QString &xml, const QString &openTag, QString &data);

// Collects one connection's chunks. reset() at each Connect event.
class Assembler {
public:
    struct Step {
        bool prologFound = false; // this chunk made the prolog appear (a new reply started)
        bool overflow = false;    // the reply outgrew MaxReplyChars and was dropped
        Kind kind = Kind::None;   // the reply this chunk completed
    };

    void reset();
    Step addChunk(const QString &chunk, std::int32_t nowTicks);

    // Text from the prolog on (everything since reset while no prolog arrived yet).
    const QString &text() const { return m_text; }
    bool started() const { return m_started; }
    // Tick count of the first chunk since reset; 0 before any chunk.
    std::int32_t firstChunkTicks() const { return m_firstChunkTicks; }
    // True once more than `limitMs` passed since the first chunk of this connection.
    bool expired(std::int32_t nowTicks, std::int32_t limitMs) const;

private:
    QString m_text;
    bool m_started = false;
    bool m_anyChunk = false;
    std::int32_t m_firstChunkTicks = 0;
};

} // namespace Reply
