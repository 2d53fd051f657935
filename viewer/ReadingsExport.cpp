// The export of a reading range free of widgets: CSV rows with fast number texts, the block walk
// for the input bits, and the CSV file written whole or not at all.
#include "ReadingsExport.h"

#include "GraphE.h"
#include "NumberFormat.h"
#include "Readouts.h"
#include "SafeWrite.h"

#include <QFileInfo>
#include <QSaveFile>
#include <charconv>
#include <cmath>

namespace ReadingsExport {

namespace {

constexpr qint32 ChunkRows = 65536;

qint32 firstRow(const Request &r)
{
    return std::max(r.first, 0);
}

qint32 lastRow(const Request &r)
{
    return std::min(r.last, r.slot->upperBound());
}

template <typename N> void appendNumber(QByteArray &out, N n)
{
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, n).ptr;
    out.append(buf, end - buf);
}

// A header field as CSV: quoted, with doubled quotes, when it holds a comma, a quote or a line end.
QByteArray csvField(const QString &text)
{
    QByteArray f = text.toUtf8();
    if (!f.contains(',') && !f.contains('"') && !f.contains('\n') && !f.contains('\r'))
        return f;
    f.replace("\"", "\"\"");
    return '"' + f + '"';
}

void appendInputBits(QByteArray &out, std::int32_t inputs)
{
    for (int b = 0; b < 8; ++b)
        out.append((inputs >> b) & 1 ? '1' : '0'); // input 1 first, as on the plot's labels
}

} // namespace

Kind kindOf(QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    if (suffix.isEmpty() && !info.fileName().isEmpty()) {
        path += QStringLiteral(".csv");
        return Kind::Csv;
    }
    if (suffix == QLatin1String("csv"))
        return Kind::Csv;
    if (suffix == QLatin1String("png"))
        return Kind::Png;
    if (suffix == QLatin1String("pdf"))
        return Kind::Pdf;
    return Kind::Unknown;
}

qint64 rowCount(const Request &request)
{
    return std::max<qint64>(0, qint64(lastRow(request)) - firstRow(request) + 1);
}

void appendValue000(QByteArray &out, double value)
{
    const double t = std::fabs(value) * 1000.0;
    double whole = std::floor(t);
    // The readings list rounds the value's 15-digit form, halves away from zero. A fourth decimal this
    // close to a half, a value too large for the arithmetic and what is not finite go its way.
    const double toHalf = std::fabs(t - whole - 0.5);
    if (!std::isfinite(value) || t >= 1e14 || toHalf <= t * 1e-13) {
        out.append(NumberFormat::format0_000(value, QStringLiteral(".")).toLatin1());
        return;
    }
    if (t - whole > 0.5)
        whole += 1;
    const auto n = static_cast<std::uint64_t>(whole);
    if (value < 0 && n != 0)
        out.append('-');
    appendNumber(out, n / 1000);
    const auto fraction = static_cast<unsigned>(n % 1000);
    const char digits[3] = {char('0' + fraction / 100), char('0' + fraction / 10 % 10),
                            char('0' + fraction % 10)};
    out.append('.');
    out.append(digits, 3);
}

void appendShortest(QByteArray &out, double value)
{
    if (!std::isfinite(value)) {
        out.append(NumberFormat::standardText(value).toLatin1());
        return;
    }
    appendNumber(out, value);
}

QByteArray headerLine(const Request &request)
{
    const QString time = request.timeInMs ? QStringLiteral("Time (ms)") : QStringLiteral("Time");
    const QString value =
        request.unit.isEmpty() ? QStringLiteral("Value") : QStringLiteral("Value (%1)").arg(request.unit);
    return "Reading," + csvField(time) + ',' + csvField(value) + ",A2D,Inputs 1-8\r\n";
}

qint32 BlockWalker::rowOf(qint32 k)
{
    const auto rows = static_cast<qint32>(m_blocks.size());
    // Rows after the first that end at 0 were never loaded: the walk stops there.
    while (m_row < rows && m_blocks[size_t(m_row)].endIndex < k &&
           (m_row == 0 || m_blocks[size_t(m_row)].endIndex))
        ++m_row;
    if (m_row >= rows || m_blocks[size_t(m_row)].endIndex < k)
        return -1;
    return m_row;
}

void appendRows(QByteArray &out, const Request &request, BlockWalker &walker, qint32 from, qint32 to)
{
    const GraphE::GraphSlot &s = *request.slot;
    for (qint32 k = from; k <= to; ++k) {
        const double counts = s.value(k);
        const double value = Readouts::countsToValue(counts, request.gain, request.offset);
        appendNumber(out, k);
        out.append(',');
        appendNumber(out, s.time(k));
        out.append(',');
        appendValue000(out, value);
        out.append(',');
        appendShortest(out, counts);
        out.append(',');
        const qint32 row = walker.rowOf(k);
        if (row >= 0)
            appendInputBits(out, (*request.blocks)[size_t(row)].inputs);
        out.append("\r\n");
    }
}

WriteResult writeCsv(const QString &path, const Request &request,
                     const std::function<bool(qint64 done, qint64 total)> &progress, QString *error)
{
    QSaveFile file(path);
    QString reason;
    const auto fail = [&] {
        if (error)
            *error = reason;
        file.cancelWriting();
        return WriteResult::Failed;
    };
    if (!file.open(Zelk::DirectWrite)) {
        reason = file.errorString();
        return fail();
    }
    QByteArray chunk = headerLine(request);
    BlockWalker walker(*request.blocks);
    const qint32 first = firstRow(request), last = lastRow(request);
    const qint64 total = rowCount(request);
    for (qint64 from = first; from <= last; from += ChunkRows) {
        const auto to = static_cast<qint32>(std::min<qint64>(last, from + ChunkRows - 1));
        appendRows(chunk, request, walker, static_cast<qint32>(from), to);
        if (!Zelk::writeAll(file, chunk, &reason))
            return fail();
        chunk.clear();
        if (progress && !progress(to - first + 1, total)) {
            file.cancelWriting();
            return WriteResult::Cancelled;
        }
    }
    if (!Zelk::writeAll(file, chunk, &reason) || !Zelk::commitAll(file, &reason))
        return fail();
    return WriteResult::Written;
}

} // namespace ReadingsExport
