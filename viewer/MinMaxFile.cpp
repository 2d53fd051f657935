// The summary files of the "Add" button: the file name of a part and the parse of its lines into
// readings, the plot step and the texts shown on the window.
#include "MinMaxFile.h"

#include "FieldReader.h"
#include "GraphMath.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"

namespace MinMaxFile {

QString fileName(int part)
{
    if (part == 0)
        return QStringLiteral("MinMaxBig");
    return QStringLiteral("Part") + QString::number(part + 1000).right(3);
}

namespace {

const QString TotalTime = QStringLiteral("Total Time In s");

// A reading line: its first field is the time and its last field the value, both whole numbers.
std::optional<Reading> readingOf(const QString &line)
{
    const QStringList fields = line.split(u' ');
    if (!NumberFormat::isNumericText(fields.last(), u"."))
        return std::nullopt;
    const auto value = NumberFormat::textToInt32(fields.last());
    const auto time = NumberFormat::textToInt32(fields.first());
    if (!value || !time)
        return std::nullopt;
    return Reading{*time, *value};
}

// The number of a text, 0 and the message when it is none.
double number(const QString &text, QStringList &messages)
{
    MdlFunctions::Status status;
    const double value = MdlFunctions::TextToNumber(text, status);
    if (!status.ok())
        messages.append(status.message);
    return value;
}

} // namespace

Content parse(const QByteArray &bytes)
{
    Content c;
    FieldReader in = FieldReader::fromBytes(bytes);
    QString *heading[] = {&c.date, &c.time, nullptr, nullptr};
    for (QString *field : heading) {
        const auto f = in.readText();
        if (!f.ok())
            return c;
        if (field)
            *field = f.value;
    }
    while (!in.atEnd()) {
        const QString line = in.readLine().value;
        if (line.left(15) == TotalTime) {
            const double total = number(line.mid(15), c.messages);
            const auto next = in.readLine();
            if (!next.ok())
                break;
            const std::int32_t n = GraphMath::roundWhole(number(next.value.mid(15), c.messages));
            if (n != 0) // a count of 0 leaves the step as it is
                c.plotStep = total / (2.0 * n);
            continue;
        }
        if (const auto r = readingOf(line))
            c.readings.push_back(*r);
        else
            c.printed.append(line.split(u' ').last());
    }
    return c;
}

} // namespace MinMaxFile
