// The fast-sampling reading store and the parse of GetFastSampling replies into it, plus the
// writer that turns a stored run into the history file.
#include "ReadingStore.h"

#include "SafeWrite.h"

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

const QByteArrayView CloseRoot("</GetFastSampling>");
const QString OutOfRange = QStringLiteral("Error_Case: Subscript out of range");

bool allDigits(QByteArrayView t)
{
    for (char c : t) {
        if (c < '0' || c > '9')
            return false;
    }
    return !t.isEmpty();
}

// "</W" + c + ">" built in place (no allocation per reading); the opening tag is the same without "/".
class ReadingTags {
public:
    explicit ReadingTags(std::int32_t c)
    {
        std::memcpy(m_close, "</W", 3);
        char *end = std::to_chars(m_close + 3, m_close + sizeof m_close - 1, c).ptr;
        *end++ = '>';
        m_size = end - m_close;
        m_open[0] = '<';
        std::memcpy(m_open + 1, m_close + 2, static_cast<std::size_t>(m_size - 2));
    }
    QByteArrayView open() const { return {m_open, m_size - 1}; }
    QByteArrayView close() const { return {m_close, m_size}; }

private:
    char m_close[16];
    char m_open[16];
    qsizetype m_size = 0;
};

// The reading line of HistoryFile::appendReadingLine (" 5  12.345" + CRLF), written at `p`.
constexpr qsizetype MaxReadingLine = 1 + 11 + 2 + HistoryFile::MaxReadingTextLength + 2;
char *putReadingLine(char *p, std::int32_t k, QByteArrayView text)
{
    if (k >= 0)
        *p++ = ' ';
    p = std::to_chars(p, p + 11, k).ptr;
    *p++ = ' ';
    *p++ = ' ';
    std::memcpy(p, text.data(), static_cast<std::size_t>(text.size()));
    p += text.size();
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

void noteOnce(ParseEffects &fx, const QString &message)
{
    if (!fx.messages.contains(message))
        fx.messages.append(message);
}

} // namespace

void ReadingSlot::assign(QByteArrayView value)
{
    length = static_cast<std::uint8_t>(value.size());
    std::memcpy(text, value.data(), static_cast<std::size_t>(value.size()));
}

void ReadingStore::FreeDeleter::operator()(ReadingSlot *p) const
{
    std::free(p);
}

ReadingStore::ReadingStore()
    // calloc hands out zero pages lazily: the 22 MB table costs memory only where readings land.
    : m_all(static_cast<ReadingSlot *>(std::calloc(ReadingCapacity, sizeof(ReadingSlot)))),
      m_blocks(BlockCapacity)
{
    if (!m_all)
        throw std::bad_alloc();
    m_texts.reserve(ReadingCapacity + 1);
}

void ReadingStore::clearRun()
{
    std::memset(static_cast<void *>(m_all.get()), 0, m_allUsed * sizeof(ReadingSlot));
    m_allUsed = 0;
    m_untestedTexts = false;
    m_texts.clear();
}

bool ReadingStore::storeAll(std::int32_t i, QByteArrayView value, ParseEffects &fx)
{
    if (i < 0 || i >= ReadingCapacity) {
        noteOnce(fx, OutOfRange);
        return false;
    }
    m_all[static_cast<std::size_t>(i)].assign(value);
    m_allUsed = std::max(m_allUsed, static_cast<std::size_t>(i) + 1);
    return true;
}

bool ReadingStore::copyPrevious(std::int32_t i, ParseEffects &fx)
{
    if (i < 1 || i >= ReadingCapacity) {
        noteOnce(fx, OutOfRange);
        return false;
    }
    m_all[static_cast<std::size_t>(i)] = m_all[static_cast<std::size_t>(i) - 1];
    m_allUsed = std::max(m_allUsed, static_cast<std::size_t>(i) + 1);
    return true;
}

void ReadingStore::copyToRun(std::int32_t i, ParseEffects &fx)
{
    if (i < 0 || i >= ReadingCapacity || i >= readingTextsSize()) {
        noteOnce(fx, OutOfRange);
        return;
    }
    m_texts[static_cast<std::size_t>(i)] = m_all[static_cast<std::size_t>(i)];
}

bool ReadingStore::GetVarSizeArray(QByteArrayView t, std::int32_t startIndex, std::int32_t &endIndex,
                                   std::int16_t inputs, std::int16_t outputs, std::int32_t ticks,
                                   std::int32_t row, ParseEffects &fx)
{
    if (t.isEmpty())
        return false;
    // Positions are 0-based here; endPos is the character just before "</GetFastSampling>" + 4.
    qsizetype endPos = t.size() - CloseRoot.size() - 4 - 1;
    if (endPos < 0 || t.indexOf(CloseRoot, endPos) < 0) {
        ++fx.xmlErrors;
        endPos = t.size() - 1;
    }
    // The last reading's closing tag must start within the 30 characters before endPos.
    qsizetype p = -1;
    for (qsizetype q = endPos - 1; q >= endPos - 30 && q >= 0; --q) {
        if (t.sliced(q).startsWith("</W")) {
            p = q;
            break;
        }
    }
    if (p < 0) {
        ++fx.xmlErrors;
        return false;
    }
    const QByteArrayView n = t.sliced(p + 3, endPos - p - 3);
    if (!allDigits(n))
        return false;
    std::int64_t last = 0;
    if (n.size() > 9 || std::from_chars(n.data(), n.data() + n.size(), last).ec != std::errc() ||
        startIndex + last > HistoryFile::MaxReadingIndex || row < 0 || row > HistoryFile::MaxBlockRow) {
        noteOnce(fx, OutOfRange);
        return false;
    }
    const std::int32_t end = startIndex + static_cast<std::int32_t>(last);
    m_texts.resize(static_cast<std::size_t>(end) + 2);
    m_readingsReady = true;

    qsizetype s = 0;
    for (std::int32_t c = 0;; ++c) {
        const ReadingTags tags(c);
        const QByteArrayView open = tags.open();
        const qsizetype o = t.indexOf(open, s);
        if (o < 0) {
            if (s > endPos + 1) {
                ++fx.xmlErrors;
                return false;
            }
            break;
        }
        const std::int32_t i = startIndex + c;
        const qsizetype valueStart = o + open.size();
        const qsizetype close = t.indexOf(tags.close(), valueStart);
        if (close >= 0) {
            const QByteArrayView value = t.sliced(valueStart, close - valueStart);
            if (!HistoryFile::isNumericText(value)) {
                ++fx.errorReadings;
                copyPrevious(i, fx);
            } else if (value.size() <= HistoryFile::MaxReadingTextLength) {
                storeAll(i, value, fx);
            } else {
                fx.messages.append(ParseEffects::BigWeight + QString::fromLatin1(value));
            }
            s = close + tags.close().size();
        } else {
            ++fx.xmlErrors;
            copyPrevious(i, fx);
        }
        copyToRun(i, fx);
    }
    m_blocks[static_cast<std::size_t>(row)] = {0, inputs, outputs, ticks, end};
    endIndex = end;
    return true;
}

void ReadingStore::setReading(std::int32_t k, QByteArrayView text)
{
    if (static_cast<std::size_t>(k) >= m_texts.size())
        m_texts.resize(static_cast<std::size_t>(k) + 2);
    m_all[static_cast<std::size_t>(k)].assign(text);
    m_untestedTexts = m_untestedTexts || (!text.isEmpty() && !HistoryFile::isNumericText(text));
    m_allUsed = std::max(m_allUsed, static_cast<std::size_t>(k) + 1);
    m_texts[static_cast<std::size_t>(k)] = m_all[static_cast<std::size_t>(k)];
    m_readingsReady = true;
}

void ReadingStore::setBlock(std::int32_t row, const HistoryFile::BlockRow &block)
{
    m_blocks[static_cast<std::size_t>(row)] = block;
}

// Reading lines first..last; a non-numeric text takes the one before it (reading 0 is then left out).
// The lines are written straight into the buffer, a piece of readings at a time.
void ReadingStore::readingLines(QByteArray &buf, std::int32_t first, std::int32_t last)
{
    constexpr std::int32_t Piece = 4096;
    first = std::max(first, 0);
    last = std::min(last, readingTextsSize() - 1);
    for (std::int32_t from = first; from <= last; from += Piece) {
        const std::int32_t to = std::min(last, from + Piece - 1);
        const qsizetype used = buf.size();
        buf.resize(used + qsizetype(to - from + 1) * MaxReadingLine);
        char *p = buf.data() + used;
        for (std::int32_t k = from; k <= to; ++k) {
            ReadingSlot &slot = m_texts[static_cast<std::size_t>(k)];
            const bool numeric = m_untestedTexts ? HistoryFile::isNumericText(slot.view()) : slot.length > 0;
            if (!numeric) {
                if (k == 0)
                    continue;
                slot = m_texts[static_cast<std::size_t>(k) - 1];
            }
            p = putReadingLine(p, k, slot.view());
        }
        buf.truncate(p - buf.constData());
    }
}

bool ReadingStore::writeHistory(QIODevice &out, std::int32_t beginBlock, std::int32_t lastBlock,
                                const QString &startTime, const QString &unitName, QString *error,
                                Frame frame)
{
    constexpr qsizetype FlushAt = 1 << 20;
    QByteArray buf;
    buf.reserve(FlushAt + 4096);
    bool ok = true;
    QString reason;
    auto flush = [&] {
        ok = ok && Zelk::writeAll(out, buf, &reason);
        buf.clear();
        return ok;
    };
    if (beginBlock == 0)
        HistoryFile::appendIntervalLine(buf);
    std::int32_t e = 0;
    for (std::int32_t i = std::max(beginBlock, 0); i < std::min(lastBlock, BlockCapacity); ++i) {
        const HistoryFile::BlockRow &row = m_blocks[static_cast<std::size_t>(i)];
        HistoryFile::appendBlockHeader(buf, row);
        const std::int32_t first = i == 0 ? 0 : m_blocks[static_cast<std::size_t>(i) - 1].endIndex + 1;
        if (m_readingsReady)
            readingLines(buf, first, row.endIndex);
        e = row.endIndex + 1;
        if (buf.size() >= FlushAt && !flush())
            break;
    }
    if (frame == Frame::Complete) {
        HistoryFile::appendEndLine(buf);
        HistoryFile::appendTrailer(buf, startTime, unitName, e - 1);
    }
    if (!flush()) {
        if (error)
            *error = reason;
        return false;
    }
    return true;
}
