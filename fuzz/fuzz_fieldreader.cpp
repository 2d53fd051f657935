// Fuzz target: delimited-field input reading text, whole-number and line fields in an order taken from
// the input until it runs past the end.
//
// Input: byte 0 = number of field kinds - 1 (low 3 bits); then one byte per kind (0 text, 1 Long,
// 2 Integer, 3 line), used in turn; the rest is the data.
#include "FieldReader.h"
#include "FuzzInput.h"

#include <limits>
#include <vector>

namespace {

enum class Kind { Text, Long, Integer, Line };

bool hasLineEnd(const QString &s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

// The first character a text field looks at: after the blanks it skips.
QChar fieldStart(const QString &data, qsizetype pos)
{
    while (pos < data.size() && (data[pos] == u' ' || data[pos] == u'\t'))
        ++pos;
    return pos < data.size() ? data[pos] : QChar();
}

// Reads one field of `kind`; false once the data is used up.
bool readOne(FieldReader &reader, const QString &data, Kind kind)
{
    const qsizetype before = reader.position();
    FieldReader::Status status = FieldReader::Status::Ok;
    switch (kind) {
    case Kind::Text: {
        const bool quoted = fieldStart(data, before) == u'"';
        const auto f = reader.readText();
        status = f.status;
        FUZZ_CHECK(!hasLineEnd(f.value), "a text field holds no line end");
        FUZZ_CHECK(quoted || !f.value.contains(QLatin1Char(',')), "an unquoted text field holds no comma");
        break;
    }
    case Kind::Long:
        status = reader.readLong().status;
        break;
    case Kind::Integer: {
        FieldReader wide = reader;
        const auto l = wide.readLong();
        const auto i = reader.readInteger();
        status = i.status;
        FUZZ_CHECK(wide.position() == reader.position(), "Integer and Long fields end at the same place");
        const bool fits = l.ok() && l.value >= std::numeric_limits<qint16>::min() &&
                          l.value <= std::numeric_limits<qint16>::max();
        FUZZ_CHECK(i.ok() == fits && (!fits || i.value == l.value), "an Integer field is a Long that fits");
        break;
    }
    case Kind::Line: {
        const auto f = reader.readLine();
        status = f.status;
        FUZZ_CHECK(!hasLineEnd(f.value), "a line holds no line end");
        break;
    }
    }
    if (status == FieldReader::Status::PastEnd) {
        FUZZ_CHECK(reader.atEnd(), "past the end only at the end");
        return false;
    }
    FUZZ_CHECK(reader.position() > before, "every field read moves on");
    FUZZ_CHECK(reader.position() <= data.size(), "the position stays inside the data");
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Fuzz::Input in(data, size);
    std::vector<Kind> kinds(static_cast<std::size_t>((in.byte() & 7) + 1));
    for (Kind &k : kinds)
        k = static_cast<Kind>(in.byte() % 4);
    const QByteArray bytes = in.rest().toByteArray();
    const QString text = QString::fromLocal8Bit(bytes);
    FieldReader reader = FieldReader::fromBytes(bytes);
    // Each read moves on by at least one character, so the data bounds the number of reads.
    qsizetype reads = 0;
    for (std::size_t i = 0; readOne(reader, text, kinds[i % kinds.size()]); ++i)
        FUZZ_CHECK(++reads <= text.size(), "reading ends after at most one field per character");
    return 0;
}
