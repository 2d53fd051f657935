// Fuzz target: reply gathering as the socket hands it over (chunks of any size), completion, the element
// reader and the raw-XML view, then every completed GetFastSampling reply parsed into one reading store.
//
// Input: byte 0 = chunk-size count - 1 in its low 3 bits (amplify the payload past the reply bound when
// its high 4 bits are set, the next byte giving the head length); byte 1 = where the batch lands (below
// 0xF0: after the previous one; 0xF0..0xFD: near the last reading index; 0xFE: the last block row;
// 0xFF: one row past the table); then the chunk sizes - 1; the rest are the bytes off the wire. Each
// completed reply ends its connection: the next bytes start a new one.
#include "FuzzInput.h"
#include "ReadingStore.h"
#include "ReplyAssembler.h"

#include <QStringList>
#include <cctype>
#include <vector>

namespace {

const QString Closers[] = {{},
                           QStringLiteral("</GetFastSampling>"),
                           QStringLiteral("</GetRTStatus>"),
                           QStringLiteral("</SetOutput>"),
                           QStringLiteral("</StartSample>"),
                           QStringLiteral("</StopSample>")};

// The reading store lives across inputs, as it lives across the replies of a run.
struct Run {
    ReadingStore store;
    std::int32_t nextIndex = 0;
    std::int32_t nextRow = 0;
};

Run &run()
{
    static Run r;
    return r;
}

bool numericOrEmpty(const ReadingSlot &slot)
{
    return slot.length == 0 ||
           (slot.length <= HistoryFile::MaxReadingTextLength && HistoryFile::isNumericText(slot.view()));
}

void checkElement(const QString &xml, const QString &openTag)
{
    QString data = QStringLiteral("\x01untouched");
    if (!Reply::elementData(xml, openTag, data)) {
        FUZZ_CHECK(data == QStringLiteral("\x01untouched"), "a failed element read leaves data alone");
        return;
    }
    const QString closeTag = QStringLiteral("</") + openTag.mid(1);
    const qsizetype open = xml.indexOf(openTag);
    FUZZ_CHECK(open >= 0, "a found element has its opening tag");
    const qsizetype valueStart = open + openTag.size();
    FUZZ_CHECK(QStringView(xml).mid(valueStart, data.size()) == data, "element data follows its opening tag");
    FUZZ_CHECK(QStringView(xml).mid(valueStart + data.size(), closeTag.size()) == closeTag,
               "element data is followed by its closing tag");
    FUZZ_CHECK(!data.contains(closeTag), "element data never holds its own closing tag");
}

void checkElements(const QString &xml)
{
    static const QStringList tags = {QStringLiteral("<ERROR_CODE>"),
                                     QStringLiteral("<ERROR_DESCRIPTION>"),
                                     QStringLiteral("<A2D>"),
                                     QStringLiteral("<WEIGHT>"),
                                     QStringLiteral("<UNIT>"),
                                     QStringLiteral("<W0>"),
                                     QStringLiteral("<>")};
    for (const QString &tag : tags)
        checkElement(xml, tag);
    // A tag taken from the reply itself: the text from its first "<" to the next ">".
    const qsizetype lt = xml.indexOf(QLatin1Char('<'), 1);
    const qsizetype gt = lt < 0 ? -1 : xml.indexOf(QLatin1Char('>'), lt);
    if (gt > lt)
        checkElement(xml, xml.mid(lt, gt - lt + 1));
}

void checkView(const QString &text)
{
    const QString view = Reply::xmlViewText(text);
    FUZZ_CHECK(view.size() == text.size() + 2 * text.count(QStringLiteral("><")),
               "the XML view adds one line end per \"><\"");
    FUZZ_CHECK(!view.contains(QStringLiteral("><")), "the XML view breaks every \"><\"");
}

struct Landing {
    std::int32_t start;
    std::int32_t row;
};

Landing landing(std::uint8_t where)
{
    Run &r = run();
    if (where >= 0xF0 && where <= 0xFD)
        return {HistoryFile::MaxReadingIndex - (where - 0xF0) * 40, r.nextRow};
    if (where == 0xFE)
        return {r.nextIndex, HistoryFile::MaxBlockRow};
    if (where == 0xFF)
        return {r.nextIndex, HistoryFile::MaxBlockRow + 1};
    return {r.nextIndex, r.nextRow};
}

// Whether a reading's closing tag carries the number n: "</W" and digits ("</W7>", also "</W07>").
// The character just before the root's closing tag is not looked at, so "</W356</GetFastSampling>"
// carries 35: the digit run, or the run without its last digit, is n.
bool hasReadingClosedAs(const QByteArray &bytes, std::int32_t n)
{
    const auto is = [n](const QByteArray &digits) {
        bool ok = false;
        return !digits.isEmpty() && digits.toLongLong(&ok) == n && ok;
    };
    for (qsizetype at = bytes.indexOf("</W"); at >= 0; at = bytes.indexOf("</W", at + 1)) {
        qsizetype end = at + 3;
        while (end < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[end])))
            ++end;
        const QByteArray digits = bytes.mid(at + 3, end - at - 3);
        if (is(digits) || is(digits.chopped(std::min<qsizetype>(1, digits.size()))))
            return true;
    }
    return false;
}

void parseBatch(const QString &text, std::uint8_t where)
{
    Run &r = run();
    const Landing at = landing(where);
    const QByteArray bytes = text.toLatin1();
    constexpr std::int16_t inputs = -2, outputs = 513;
    constexpr std::int32_t ticks = 123456;
    std::int32_t end = -7;
    ParseEffects fx;
    const bool ok = r.store.GetVarSizeArray(bytes, at.start, end, inputs, outputs, ticks, at.row, fx);
    for (const QString &m : std::as_const(fx.messages))
        FUZZ_CHECK(m.startsWith(QStringLiteral("Big Weight !!! ")) ||
                       m == QStringLiteral("Error_Case: Subscript out of range"),
                   "only the two parse messages");
    if (!ok) {
        FUZZ_CHECK(end == -7, "a failed parse leaves the end index alone");
        return;
    }
    FUZZ_CHECK(at.row >= 0 && at.row <= HistoryFile::MaxBlockRow, "a stored block row is inside the table");
    FUZZ_CHECK(end >= at.start && end <= HistoryFile::MaxReadingIndex, "the end index is inside the store");
    const HistoryFile::BlockRow &row = r.store.arrSampleBlocks(at.row);
    FUZZ_CHECK(row.endIndex == end, "the block row ends at the returned end index");
    FUZZ_CHECK(row.inputs == inputs && row.outputs == outputs && row.ticks == ticks,
               "the block row holds the words and ticks it was given");
    FUZZ_CHECK(hasReadingClosedAs(bytes, end - at.start),
               "the reading count is the number of the reply's last reading + 1");
    FUZZ_CHECK(r.store.readingTextsSize() == end + 2, "the run copy ends after the block");
    for (std::int32_t i = at.start; i <= end; ++i) {
        FUZZ_CHECK(numericOrEmpty(r.store.arrAllReadings(i)), "a stored reading is numeric or empty");
        FUZZ_CHECK(numericOrEmpty(r.store.arrReadingTexts(i)), "a run reading is numeric or empty");
    }
    r.nextIndex = end + 1;
    r.nextRow = at.row + 1;
    if (r.nextIndex > HistoryFile::MaxReadingIndex - 1000 || r.nextRow > HistoryFile::MaxBlockRow) {
        r.store.clearRun();
        r.nextIndex = 0;
        r.nextRow = 0;
    }
}

// One chunk into the assembler, with the properties of what it gathered. False when the connection ended.
bool addChunk(Reply::Assembler &a, const QString &chunk, std::int32_t now, std::uint8_t where)
{
    const bool startedBefore = a.started();
    const qsizetype sizeBefore = a.text().size();
    const Reply::Assembler::Step step = a.addChunk(chunk, now);
    const QString &text = a.text();
    FUZZ_CHECK(text.size() <= Reply::MaxReplyChars, "the gathered reply stays within its bound");
    FUZZ_CHECK(!(step.prologFound && startedBefore), "a reply starts once per connection");
    // The text before this chunk held no prolog (checked chunk by chunk): look where one could end now.
    const qsizetype from = qMax<qsizetype>(0, sizeBefore - Reply::Prolog.size() + 1);
    FUZZ_CHECK(a.started() || text.size() < from || !QStringView(text).sliced(from).contains(Reply::Prolog),
               "text without a start holds no prolog");
    if (step.overflow) {
        FUZZ_CHECK(text.isEmpty() && step.kind == Reply::Kind::None, "an overflowing reply is dropped");
        a.reset();
        return false;
    }
    if (a.started())
        FUZZ_CHECK(text.startsWith(Reply::Prolog), "a started reply begins with the prolog");
    if (step.kind == Reply::Kind::None)
        return true;
    const QString &closer = Closers[static_cast<int>(step.kind)];
    FUZZ_CHECK(text.size() >= closer.size() + 4 &&
                   QStringView(text).mid(text.size() - 4 - closer.size(), closer.size()) == closer,
               "a completed reply ends with its closing tag and four characters");
    FUZZ_CHECK(Reply::completedKind(text) == step.kind, "completion is a property of the text");
    checkElements(text);
    checkView(text);
    if (step.kind == Reply::Kind::GetFastSampling)
        parseBatch(text, where);
    a.reset(); // the device closes the connection after its reply
    return false;
}

// The time-out of an open connection counts from its first chunk, across the tick wrap.
void checkExpiry(const Reply::Assembler &a)
{
    const std::int32_t first = a.firstChunkTicks();
    const auto after = [first](std::int32_t ms) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(first) + static_cast<std::uint32_t>(ms));
    };
    FUZZ_CHECK(!a.expired(after(5000), 5000), "no time-out at the limit, across the tick wrap too");
    FUZZ_CHECK(a.expired(after(5001), 5000), "a time-out just past the limit, across the tick wrap too");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    run();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Fuzz::Input in(data, size);
    const std::uint8_t control = in.byte();
    const std::uint8_t where = in.byte();
    std::vector<qsizetype> sizes(static_cast<std::size_t>((control & 7) + 1));
    for (qsizetype &s : sizes)
        s = in.byte() + 1;
    QByteArray wire;
    if (Fuzz::wantsAmplify(control)) {
        wire = Fuzz::amplified(in, Reply::MaxReplyChars + 16);
        sizes.assign(1, 4096); // a large reply arrives in large chunks
    } else {
        wire = in.rest().toByteArray();
    }

    Reply::Assembler a;
    a.reset();
    std::int32_t now = 2147483647 - 300; // the tick count wraps during the input
    std::size_t c = 0;
    bool open = false;
    for (qsizetype pos = 0; pos < wire.size(); pos += sizes[c], c = (c + 1) % sizes.size()) {
        now = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + 7u);
        open = addChunk(a, QString::fromLatin1(wire.mid(pos, sizes[c])), now, where);
    }
    if (open)
        checkExpiry(a);
    return 0;
}
