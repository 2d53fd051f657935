// Fuzz target: the viewer's command-line parse, with a file-exists test that says yes to names ending
// in ".txt".
//
// Input: the program's arguments, separated by 0x00 bytes (UTF-8).
#include "CommandLine.h"
#include "FuzzInput.h"

namespace {

struct Expected {
    bool suffix = false; // the text ends in "/1/<text>" or "/2/<text>": the settings part
    bool valid = false;  // ... and that text is a usable interval
    QString preset;
    qint16 mode = 1;
    qint16 interval = 8;
};

// What the command line asks for, worked out from its last two "/" on.
Expected expectedSettings(const QString &text)
{
    Expected e;
    const qsizetype last = text.lastIndexOf(QLatin1Char('/'));
    if (last < 2 || text[last - 2] != u'/' || (text[last - 1] != u'1' && text[last - 1] != u'2'))
        return e;
    e.suffix = true;
    e.preset = text.left(last - 2);
    const QString interval = text.mid(last + 1).trimmed();
    qint64 value = 0;
    for (const QChar c : interval) {
        if (c < u'0' || c > u'9')
            return e;
        value = qMin<qint64>(value * 10 + (c.unicode() - u'0'), 1 << 20);
    }
    if (interval.isEmpty() || value > 32767)
        return e;
    e.valid = true;
    e.mode = static_cast<qint16>(text[last - 1].digitValue());
    e.interval = static_cast<qint16>(value);
    return e;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringList arguments;
    for (const QByteArray &a : input.split('\0'))
        arguments << QString::fromUtf8(a);
    const QString text = joinArguments(arguments);
    const auto fileExists = [](const QString &name) { return name.endsWith(QStringLiteral(".txt")); };
    const ViewerCommandLine cl = parseCommandLine(text, fileExists);

    FUZZ_CHECK(cl.xAxisMode == 1 || cl.xAxisMode == 2, "the x-axis mode is 1 or 2");
    FUZZ_CHECK(cl.readingIntervalMs >= 0, "the interval is a whole number of milliseconds");
    FUZZ_CHECK(text.isEmpty() ? cl.presetFile == QStringLiteral("ALL_Data") : text.startsWith(cl.presetFile),
               "the preset file is the front of the command line");
    const Expected e = expectedSettings(text);
    FUZZ_CHECK(cl.xAxisMode == e.mode && cl.readingIntervalMs == e.interval,
               "valid settings are taken, settings not both valid are 1 and 8");
    if (e.suffix)
        FUZZ_CHECK(cl.presetFile == e.preset, "the preset is the text before the settings part");
    else if (fileExists(text))
        FUZZ_CHECK(cl.presetFile == text, "an existing file is the preset as a whole");
    return 0;
}
