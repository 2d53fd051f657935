// Fuzz target: the viewer's loader filling graph slot 0 from a history file on disk, with the message
// box and the program's end replaced by recorders.
//
// Input: byte 0 = options (bit 0: the file is named "AutoSave.txt"; bit 1: x axis in milliseconds;
// high 4 bits all set: amplify, the next byte giving the head length); byte 1 = milliseconds per
// reading (0xFF stands for 32767); the rest is the file.
#include "FuzzInput.h"
#include "GraphE.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct Harness {
    QTemporaryDir dir;
    QStringList messages;
    int endCalls = 0;
};

Harness &harness()
{
    static Harness h;
    return h;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void checkSlot(const GraphE::GraphSlot &s, qint32 step)
{
    FUZZ_CHECK(s.values().size() == static_cast<std::size_t>(s.count()),
               "the time array is as long as the value array");
    for (qint32 k = 0; k < s.count(); ++k)
        FUZZ_CHECK(static_cast<std::int64_t>(s.time(k)) == static_cast<std::int64_t>(k) * step,
                   "reading k has time k, or k times the interval in milliseconds");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_viewer_load";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv); // no widgets: the loader never shows its progress bar
    Harness &h = harness();
    if (!h.dir.isValid()) {
        std::fprintf(stderr, "fuzz_viewer_load: no temporary folder\n");
        std::abort();
    }
    Zelk::setMsgBoxHandler([](const QString &text, Zelk::MsgButtons, const QString &) {
        harness().messages << text;
        return Zelk::MsgAnswer::Ok;
    });
    GraphE::setEndProgramHandler([](int) { ++harness().endCalls; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Harness &h = harness();
    Fuzz::Input in(data, size);
    const std::uint8_t options = in.byte();
    const std::uint8_t interval = in.byte();
    const QByteArray file =
        Fuzz::wantsAmplify(options) ? Fuzz::amplified(in, 1600 * 1024) : in.rest().toByteArray();
    const QString path =
        h.dir.filePath(options & 1 ? QStringLiteral("AutoSave.txt") : QStringLiteral("run.txt"));
    if (!writeFile(path, file)) {
        std::fprintf(stderr, "fuzz_viewer_load: cannot write %s\n", qPrintable(path));
        std::abort();
    }

    GraphE::Viewer v;
    v.XAxisMode = options & 2 ? 2 : 1;
    v.ReadingIntervalMs = interval == 0xFF ? 32767 : interval;
    h.messages.clear();
    h.endCalls = 0;
    const GraphE::LoadReport report = GraphE::LoadHistoryFile(v, path, 0);

    const GraphE::GraphSlot &s = v.slotData[0];
    checkSlot(s, v.XAxisMode == 2 ? v.ReadingIntervalMs : 1);
    FUZZ_CHECK(h.endCalls == 0, "loading never ends the program by itself");
    FUZZ_CHECK(report.outcome != GraphE::LoadOutcome::Cancelled, "nobody cancelled");
    FUZZ_CHECK(h.messages.count(QStringLiteral("Not Number")) <= 1, "\"Not Number\" once a load at most");
    FUZZ_CHECK(h.messages.size() <= 3,
               "at most three messages: a reading, the end of the file and the outcome");
    if (report.outcome == GraphE::LoadOutcome::Loaded) {
        FUZZ_CHECK(s.count() > 0, "a loaded slot has readings");
        FUZZ_CHECK((options & 1) || HistoryFile::isNumericText(v.SamplesText),
                   "a loaded file has a sample count");
    }
    if (report.outcome == GraphE::LoadOutcome::RuntimeError ||
        report.outcome == GraphE::LoadOutcome::InputPastEnd)
        FUZZ_CHECK(report.errorNumber != 0 && !report.errorDescription.isEmpty(),
                   "a run-time error has its text");
    return 0;
}
