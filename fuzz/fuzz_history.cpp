// Fuzz target: the history-file reader, strict and relaxed (auto-save), on the input as a file, and the
// writer pieces: a file written from values taken from the input must load back exactly.
//
// Input: the file's bytes. An input that starts with 0xFF 0xFE is amplified: the next byte is the head
// length, and the body after the head repeats until the file holds 1.6 MiB (room for more block markers
// than the table has rows).
#include "FuzzInput.h"
#include "HistoryFile.h"

#include <QString>
#include <algorithm>
#include <vector>

namespace {

using HistoryFile::LoadStatus;

struct Seen {
    std::vector<HistoryFile::BlockRow> blocks;
    std::vector<QByteArrayView> readings; // views into the file, which outlives them
};

HistoryFile::LoadResult loadRecording(QByteArrayView file, bool relaxed, Seen &seen,
                                      std::int32_t cancelAt = -1)
{
    HistoryFile::LoadSink sink;
    sink.block = [&seen](std::int32_t row, const HistoryFile::BlockRow &b) {
        FUZZ_CHECK(row == static_cast<std::int32_t>(seen.blocks.size()), "block rows come in order from 0");
        seen.blocks.push_back(b);
    };
    sink.reading = [&seen, cancelAt](std::int32_t k, QByteArrayView text) {
        FUZZ_CHECK(k == static_cast<std::int32_t>(seen.readings.size()), "readings come in order from 0");
        FUZZ_CHECK(!text.contains('\r') && !text.contains('\n'), "a reading text holds no line end");
        seen.readings.push_back(text);
        return k != cancelAt;
    };
    return HistoryFile::load(file, relaxed, sink);
}

void checkLoad(QByteArrayView file, bool relaxed)
{
    Seen seen;
    const HistoryFile::LoadResult r = loadRecording(file, relaxed, seen);
    const auto n = static_cast<std::int32_t>(seen.readings.size());
    FUZZ_CHECK(r.readingCount == n, "the reading count is the number of readings handed over");
    FUZZ_CHECK(r.blockCount == static_cast<std::int32_t>(seen.blocks.size()), "the block count is the rows");
    FUZZ_CHECK(r.blockCount <= HistoryFile::MaxBlockRow + 1, "at most the table's rows");
    FUZZ_CHECK(!(relaxed && r.unexpectedEnd), "an auto-save file may end anywhere");
    FUZZ_CHECK(r.status != LoadStatus::Cancelled, "nothing cancelled");
    if (r.status == LoadStatus::Ok) {
        FUZZ_CHECK(r.readingCount > 0, "a loaded file has readings");
        if (!relaxed)
            FUZZ_CHECK(HistoryFile::isNumericText(r.trailer.samplesText()),
                       "a loaded file has a sample count");
    }
    if (r.status == LoadStatus::RuntimeError || r.status == LoadStatus::InvalidStructure)
        FUZZ_CHECK(r.errorNumber == 0 || !r.errorDescription.isEmpty(), "an error number has its text");
    if (n > 1 && file.size() <= 64 * 1024) {
        // Cancelling at a reading stops the load there (small files: large ones take too long twice).
        Seen partial;
        const std::int32_t at = n / 2;
        const HistoryFile::LoadResult c = loadRecording(file, relaxed, partial, at);
        FUZZ_CHECK(c.status == LoadStatus::Cancelled && c.readingCount == at + 1, "a cancel stops at once");
        FUZZ_CHECK(partial.readings.size() == static_cast<std::size_t>(at) + 1, "no reading after a cancel");
    }
}

// ---- Round trip ------------------------------------------------------------------------------------

// A reading text the monitor could store: sign, digits, point, exponent, at most ten characters.
QByteArray readingText(Fuzz::Input &in)
{
    static const char Alphabet[] = "0123456789.-+eE";
    QByteArray t;
    const int length = 1 + in.byte() % HistoryFile::MaxReadingTextLength;
    for (int i = 0; i < length; ++i)
        t.append(Alphabet[in.byte() % (sizeof Alphabet - 1)]);
    return HistoryFile::isNumericText(QByteArrayView(t)) ? t : QByteArray::number(length * 37 % 1000);
}

QString lineText(QByteArrayView bytes)
{
    QString s = QString::fromUtf8(bytes);
    s.remove(QLatin1Char('\r'));
    s.remove(QLatin1Char('\n'));
    return s;
}

struct Written {
    QByteArray file;
    std::vector<HistoryFile::BlockRow> blocks;
    std::vector<QByteArray> readings;
    QString startTime, unitName;
};

Written writeFromInput(Fuzz::Input in, bool complete)
{
    Written w;
    HistoryFile::appendIntervalLine(w.file);
    const int blockCount = 1 + in.byte() % 6;
    for (int b = 0; b < blockCount; ++b) {
        HistoryFile::BlockRow row;
        row.inputs = static_cast<std::int16_t>(in.byte() << 8 | in.byte());
        row.outputs = static_cast<std::int16_t>(in.byte() << 8 | in.byte());
        row.ticks = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.byte()) << 24 | in.byte() << 8);
        const int count = 1 + in.byte() % 40;
        row.endIndex = static_cast<std::int32_t>(w.readings.size()) + count - 1;
        HistoryFile::appendBlockHeader(w.file, row);
        for (int i = 0; i < count; ++i) {
            w.readings.push_back(readingText(in));
            HistoryFile::appendReadingLine(w.file, static_cast<std::int32_t>(w.readings.size()) - 1,
                                           w.readings.back());
        }
        w.blocks.push_back(row);
    }
    if (complete) {
        const QByteArray rest = in.rest().toByteArray();
        w.startTime = lineText(rest.left(24));
        w.unitName = lineText(rest.mid(24, 5));
        HistoryFile::appendEndLine(w.file);
        HistoryFile::appendTrailer(w.file, w.startTime, w.unitName,
                                   static_cast<std::int32_t>(w.readings.size()) - 1);
    }
    return w;
}

void checkSame(const Written &w, const Seen &seen)
{
    FUZZ_CHECK(std::equal(seen.readings.begin(), seen.readings.end(), w.readings.begin(), w.readings.end()),
               "written readings load back as written");
    FUZZ_CHECK(seen.blocks.size() == w.blocks.size(), "written blocks load back");
    for (std::size_t i = 0; i < w.blocks.size(); ++i) {
        const HistoryFile::BlockRow &a = w.blocks[i], &b = seen.blocks[i];
        FUZZ_CHECK(a.reserved == b.reserved && a.inputs == b.inputs && a.outputs == b.outputs &&
                       a.ticks == b.ticks && a.endIndex == b.endIndex,
                   "a written block header loads back as written");
    }
}

void checkRoundTrip(const std::uint8_t *data, std::size_t size)
{
    const Written full = writeFromInput(Fuzz::Input(data, size), true);
    Seen seen;
    const HistoryFile::LoadResult r = loadRecording(full.file, false, seen);
    FUZZ_CHECK(r.status == LoadStatus::Ok && !r.unexpectedEnd, "a written file loads");
    checkSame(full, seen);
    FUZZ_CHECK(r.trailer.startDateTime() == QLatin1Char(':') + full.startTime, "the start time loads back");
    FUZZ_CHECK(r.trailer.unitName() == (full.unitName + QStringLiteral("     ")).left(5).trimmed(),
               "the unit name loads back");
    FUZZ_CHECK(r.trailer.samplesText().trimmed().toInt() == static_cast<int>(full.readings.size()) - 1,
               "the sample count is the last reading index");

    // The auto-save file: the same blocks without end line and trailer, read the relaxed way.
    const Written part = writeFromInput(Fuzz::Input(data, size), false);
    Seen partSeen;
    const HistoryFile::LoadResult p = loadRecording(part.file, true, partSeen);
    FUZZ_CHECK(p.status == LoadStatus::Ok, "an auto-save file loads");
    checkSame(part, partSeen);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray file(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (file.startsWith("\xFF\xFE") && Fuzz::amplifierOn()) {
        Fuzz::Input in(data + 2, size - 2);
        file = Fuzz::amplified(in, 1600 * 1024);
    }
    checkLoad(file, false);
    checkLoad(file, true);
    checkRoundTrip(data, size);
    return 0;
}
