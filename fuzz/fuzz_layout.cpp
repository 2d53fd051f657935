// Fuzz target: the layout-file reader on any bytes, the control-name rule on every name it returns,
// and the writer: what was read, written again and read back, writes the same bytes.
//
// Input: the file's bytes.
#include "FuzzInput.h"
#include "LayoutFile.h"

namespace {

qsizetype lineCount(const QByteArray &bytes)
{
    return bytes.count('\n') + bytes.count('\r') + 1;
}

void checkName(const QString &name)
{
    const LayoutFile::ControlName n = LayoutFile::parseName(name);
    FUZZ_CHECK(!n.base.contains(QLatin1Char('(')), "the base name ends before the first bracket");
    FUZZ_CHECK(n.indexed == name.contains(QLatin1Char('(')), "indexed exactly when a bracket opens");
    if (n.indexed && n.valid && n.index >= 0) {
        const LayoutFile::ControlName again =
            LayoutFile::parseName(LayoutFile::memberName(n.base, std::optional<int>(n.index)));
        FUZZ_CHECK(again.valid && again.base == n.base && again.index == n.index,
                   "a member's name as written reads back as the same member");
    }
}

void checkEntries(const LayoutFile::Contents &c, qsizetype lines)
{
    FUZZ_CHECK(!c.window || c.window->values.size() == size_t(LayoutFile::WindowValues),
               "the window line has its four numbers");
    FUZZ_CHECK(qsizetype(c.controls.size()) <= std::max<qsizetype>(0, lines - 2),
               "at most one control per line");
    for (const LayoutFile::Entry &e : c.controls) {
        FUZZ_CHECK(e.values.size() == size_t(LayoutFile::ControlValues),
                   "a control line has its five numbers");
        FUZZ_CHECK(!e.name.contains(QLatin1Char(',')) && !e.name.contains(QLatin1Char('\n')) &&
                       !e.name.contains(QLatin1Char('\r')),
                   "a name holds no comma and no line end");
        checkName(e.name);
    }
}

// Writing what was read and reading it back is stable from the first rewrite on: the print style may
// round a number once, never again.
void checkRewrite(const LayoutFile::Contents &c)
{
    if (!c.window)
        return;
    const QByteArray once = LayoutFile::compose(16200, *c.window, c.controls);
    const LayoutFile::Contents read = LayoutFile::parse(once);
    FUZZ_CHECK(read.window && read.controls.size() == c.controls.size(), "every written line reads back");
    FUZZ_CHECK(LayoutFile::savedOnScreen(read.firstLine, 16200), "the written screen height reads back");
    const QByteArray twice = LayoutFile::compose(16200, *read.window, read.controls);
    FUZZ_CHECK(twice == once, "a rewritten file is written the same again");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const LayoutFile::Contents c = LayoutFile::parse(input);
    checkEntries(c, lineCount(input));
    checkRewrite(c);
    return 0;
}
