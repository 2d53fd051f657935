// Reply gathering: prolog search over the connection's whole text, the completion test, the element
// reader and the raw-XML view text. No widgets here; the window's data event drives the Assembler.
#include "ReplyAssembler.h"

#include "Seams.h"

#include <array>
#include <utility>

namespace Reply {

namespace {
constexpr qsizetype TrailerChars = 4;
} // namespace

Kind completedKind(const QString &text)
{
    static const std::array<std::pair<QString, Kind>, 5> closers{{
        {QStringLiteral("</GetFastSampling>"), Kind::GetFastSampling},
        {QStringLiteral("</GetRTStatus>"), Kind::GetRTStatus},
        {QStringLiteral("</SetOutput>"), Kind::SetOutput},
        {QStringLiteral("</StartSample>"), Kind::StartSample},
        {QStringLiteral("</StopSample>"), Kind::StopSample},
    }};
    for (const auto &[closer, kind] : closers) {
        const qsizetype at = text.size() - TrailerChars - closer.size();
        if (at >= 0 && QStringView(text).mid(at, closer.size()) == closer)
            return kind;
    }
    return Kind::None;
}

QString xmlViewText(const QString &reply)
{
    QString view = reply;
    return view.replace(QStringLiteral("><"), QStringLiteral(">\r\n<"));
}

bool isElementTag(const QString &tag)
{
    return tag.startsWith(QLatin1Char('<')) && tag.endsWith(QLatin1Char('>'));
}

bool elementData(const QString &xml, const QString &openTag, QString &data)
{
    if (!isElementTag(openTag))
        return false;
    const qsizetype open = xml.indexOf(openTag);
    if (open < 0)
        return false;
    const qsizetype valueStart = open + openTag.size();
    const qsizetype close = xml.indexOf(QStringLiteral("</") + openTag.mid(1), valueStart);
    if (close < 0)
        return false;
    data = xml.mid(valueStart, close - valueStart);
    return true;
}

void Assembler::reset()
{
    m_text.clear();
    m_started = false;
    m_anyChunk = false;
    m_firstChunkTicks = 0;
}

Assembler::Step Assembler::addChunk(const QString &chunk, std::int32_t nowTicks)
{
    Step step;
    if (!m_anyChunk) {
        m_anyChunk = true;
        m_firstChunkTicks = nowTicks;
    }
    const qsizetype before = m_text.size();
    m_text += chunk;
    if (!m_started) {
        // The prolog may straddle chunks: search the text gathered on this connection, from where a
        // prolog that the earlier text did not hold could begin.
        const qsizetype at = m_text.indexOf(Prolog, qMax<qsizetype>(0, before - Prolog.size() + 1));
        if (at >= 0) {
            m_text.remove(0, at);
            m_started = true;
            step.prologFound = true;
        }
    }
    if (m_text.size() > MaxReplyChars) {
        m_text.clear();
        step.overflow = true;
        return step;
    }
    step.kind = completedKind(m_text);
    return step;
}

bool Assembler::expired(std::int32_t nowTicks, std::int32_t limitMs) const
{
    return m_anyChunk && Zelk::ticksBetween(m_firstChunkTicks, nowTicks) > limitMs;
}

} // namespace Reply
