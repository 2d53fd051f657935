// Fuzz target: the summary-file reader of the graph window's "Add" button, on any bytes; and the same
// bytes with a reading line appended, which must arrive as one more reading.
//
// Input: the file's bytes.
#include "FuzzInput.h"
#include "MinMaxFile.h"

#include "Seams.h"

namespace {

qsizetype lineCount(const QByteArray &bytes)
{
    return bytes.count('\n') + bytes.count('\r') + 1;
}

void checkParse(const QByteArray &file)
{
    const MinMaxFile::Content c = MinMaxFile::parse(file);
    FUZZ_CHECK(qsizetype(c.readings.size()) + c.printed.size() <= lineCount(file),
               "each line gives at most one reading or one printed text");
    FUZZ_CHECK(!c.plotStep || file.contains("Total Time In s"), "a plot step only from a total-time line");
    for (const QString &printed : c.printed)
        FUZZ_CHECK(!printed.contains(QLatin1Char('\n')) && !printed.contains(QLatin1Char(' ')),
                   "a printed text is the last field of one line");
}

// A heading of its own, then the input's lines with every "Total Time In s" made harmless: a reading
// line after them is read as the last reading, whatever came before.
void checkAppendedReading(const QByteArray &file)
{
    QByteArray body = file;
    body.replace("Total", "total").replace('"', '\'');
    const QByteArray heading = "\"d\",\"t\",\"x\",\"y\"\r\n";
    const QByteArray withReading = heading + body + "\r\n-12 x 345\r\n";
    const MinMaxFile::Content c = MinMaxFile::parse(withReading);
    FUZZ_CHECK(c.date == QStringLiteral("d") && c.time == QStringLiteral("t"), "the heading's date and time");
    FUZZ_CHECK(!c.readings.empty() && c.readings.back().time == -12 && c.readings.back().value == 345,
               "the appended line is the last reading");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // a total time that is not a number says "Not Number": answered quietly
    Zelk::setMsgBoxHandler(
        [](const QString &, Zelk::MsgButtons, const QString &) { return Zelk::MsgAnswer::Ok; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkParse(input);
    checkAppendedReading(input);
    return 0;
}
