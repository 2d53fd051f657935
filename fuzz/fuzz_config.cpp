// Fuzz target: the settings-file reader on the input as a file, and the writer: settings taken from
// the input, composed as the program saves them, must read back exactly.
//
// Input: the file's bytes (for the round trip, the same bytes cut at 0x00 bytes into the six values).
#include "ConfigFile.h"
#include "FuzzInput.h"

#include <array>

namespace {

const QString FileName = QStringLiteral("ZELK_NET.cfg");
// A start value no read can produce: values hold no line end.
const QString Unread = QStringLiteral("unread\n");

ConfigFile::Values unreadValues()
{
    return {Unread, Unread, Unread, Unread, Unread, Unread};
}

std::array<const QString *, 6> fields(const ConfigFile::Values &v)
{
    return {&v.ipAddress, &v.startOutStatus, &v.setPointCheck, &v.sampleTime, &v.sampleTimeOut, &v.xMode};
}

bool hasLineEnd(const QString &s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

void checkParse(const QByteArray &file)
{
    const ConfigFile::LoadResult r = ConfigFile::parse(file, FileName, unreadValues());
    const QString text = QString::fromLocal8Bit(file);
    int unread = 0;
    for (const QString *value : fields(r.values)) {
        if (*value == Unread) {
            ++unread;
            continue;
        }
        FUZZ_CHECK(!hasLineEnd(*value), "a value holds no line end");
        // A comma only inside a quoted field, which runs to its closing quote.
        FUZZ_CHECK(!value->contains(QLatin1Char(',')) || text.contains(QLatin1Char('"') + *value),
                   "a value holds a comma only when it was quoted");
    }
    FUZZ_CHECK(!hasLineEnd(r.marker), "the marker line holds no line end");
    FUZZ_CHECK(r.messages.size() <= 7, "at most one message per input step");
    FUZZ_CHECK(r.messages.size() == unread || r.messages.size() == unread + 1,
               "one message for each value left unread, and one for a missing marker line");
    for (const QString &m : r.messages)
        FUZZ_CHECK(m == ConfigFile::structureMessage(FileName), "only the structure message");
    FUZZ_CHECK(r.markerAccepted == (r.marker.toUpper() == ConfigFile::Marker),
               "the marker in any letter case");
}

// A value as the settings window can hold it and the file can carry it: no comma, no line end, and no
// leading blank or quote (the reader skips and interprets those).
QString storableValue(QByteArrayView bytes)
{
    QString s = QString::fromUtf8(bytes);
    s.remove(QLatin1Char(',')).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t' || s.front() == u'"'))
        s.remove(0, 1);
    return s;
}

void checkRoundTrip(const QByteArray &input)
{
    const QList<QByteArray> parts = input.split('\0');
    ConfigFile::Values v;
    QString *targets[] = {&v.ipAddress,  &v.startOutStatus, &v.setPointCheck,
                          &v.sampleTime, &v.sampleTimeOut,  &v.xMode};
    for (int i = 0; i < 6; ++i)
        *targets[i] = i < parts.size() ? storableValue(parts[i]) : QString();
    const ConfigFile::LoadResult r = ConfigFile::parse(ConfigFile::compose(v), FileName, unreadValues());
    FUZZ_CHECK(r.messages.isEmpty() && r.markerAccepted, "a saved file reads without a message");
    const auto written = fields(v);
    const auto read = fields(r.values);
    for (int i = 0; i < 6; ++i)
        FUZZ_CHECK(*read[i] == *written[i], "a saved value reads back as saved");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkParse(input);
    checkRoundTrip(input);
    return 0;
}
