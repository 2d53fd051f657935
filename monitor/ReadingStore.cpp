// The fast-sampling reading store and the parse of GetFastSampling replies into it, plus the
// writer that turns a stored run into the history file.
#include "ReadingStore.h"

#include <QByteArray>
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

// "<W" + c + ">" or "</W" + c + ">".
QByteArray readingTag(bool closing, std::int32_t c)
{
    QByteArray tag(closing ? "</W" : "<W");
    tag.append(QByteArray::number(c)).append('>');
    return tag;
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
    const std::size_t used = std::min<std::size_t>(m_texts.size(), ReadingCapacity);
    std::memset(static_cast<void *>(m_all.get()), 0, used * sizeof(ReadingSlot));
    m_texts.clear();
}

bool ReadingStore::storeAll(std::int32_t i, QByteArrayView value, ParseEffects &fx)
{
    if (i < 0 || i >= ReadingCapacity) {
        noteOnce(fx, OutOfRange);
        return false;
    }
    m_all[static_cast<std::size_t>(i)].assign(value);
    return true;
}

bool ReadingStore::copyPrevious(std::int32_t i, ParseEffects &fx)
{
    if (i < 1 || i >= ReadingCapacity) {
        noteOnce(fx, OutOfRange);
        return false;
    }
    m_all[static_cast<std::size_t>(i)] = m_all[static_cast<std::size_t>(i) - 1];
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
        const QByteArray open = readingTag(false, c);
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
        const qsizetype close = t.indexOf(readingTag(true, c), valueStart);
        if (close >= 0) {
            const QByteArrayView value = t.sliced(valueStart, close - valueStart);
            if (!HistoryFile::isNumericText(value)) {
                ++fx.errorReadings;
                copyPrevious(i, fx);
            } else if (value.size() <= HistoryFile::MaxReadingTextLength) {
                storeAll(i, value, fx);
            } else {
                fx.messages.append(QStringLiteral("Big Weight !!! ") + QString::fromLatin1(value));
            }
            s = close + open.size() + 1;
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
    m_texts[static_cast<std::size_t>(k)].assign(text);
    m_readingsReady = true;
}

void ReadingStore::setBlock(std::int32_t row, const HistoryFile::BlockRow &block)
{
    m_blocks[static_cast<std::size_t>(row)] = block;
}

// Reading lines first..last; a non-numeric text takes the one before it (reading 0 is then left out).
void ReadingStore::readingLines(QByteArray &buf, std::int32_t first, std::int32_t last)
{
    for (std::int32_t k = first; k <= last; ++k) {
        if (k < 0 || static_cast<std::size_t>(k) >= m_texts.size())
            continue;
        ReadingSlot &slot = m_texts[static_cast<std::size_t>(k)];
        if (!HistoryFile::isNumericText(slot.view())) {
            if (k == 0)
                continue;
            slot = m_texts[static_cast<std::size_t>(k) - 1];
        }
        HistoryFile::appendReadingLine(buf, k, slot.view());
    }
}

bool ReadingStore::writeHistory(QIODevice &out, std::int32_t beginBlock, std::int32_t lastBlock,
                                const QString &startTime, const QString &unitName, QString *error)
{
    constexpr qsizetype FlushAt = 1 << 20;
    QByteArray buf;
    buf.reserve(FlushAt + 4096);
    bool ok = true;
    auto flush = [&] {
        ok = ok && out.write(buf) == buf.size();
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
    HistoryFile::appendEndLine(buf);
    HistoryFile::appendTrailer(buf, startTime, unitName, e - 1);
    if (!flush()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}
