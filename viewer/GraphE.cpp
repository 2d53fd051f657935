// The viewer's state and the history loader: slotData, block table, header texts, and the turning of
// every load outcome into the operator's messages.
#include "GraphE.h"

#include "AutomationDriver.h"
#include "NumberFormat.h"
#include "ProgressPacer.h"
#include "Seams.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <sys/mman.h>

namespace GraphE {

// ---- Slots -----------------------------------------------------------------------------------------

QString GraphSlot::valueText(qint32 k) const
{
    if (m_normalised)
        return NumberFormat::standardText(value(k));
    const quint32 begin = k == 0 ? 0 : m_textEnds[static_cast<size_t>(k - 1)];
    const quint32 end = m_textEnds[static_cast<size_t>(k)];
    return QString::fromLatin1(m_texts.constData() + begin, end - begin);
}

void GraphSlot::clear()
{
    *this = GraphSlot();
}

void GraphSlot::reserve(qint32 n)
{
    m_values.reserve(static_cast<size_t>(n));
}

void GraphSlot::keepTimes()
{
    if (!m_evenTimes)
        return;
    m_evenTimes = false;
    m_times.resize(m_values.size());
    for (qint32 k = 0; k < count(); ++k)
        m_times[static_cast<size_t>(k)] = static_cast<qint32>(qint64(k) * m_timeStep);
}

void GraphSlot::resize(qint32 n)
{
    n = std::max(n, 0);
    if (!m_normalised) {
        if (n < count())
            m_texts.truncate(n == 0 ? 0 : m_textEnds[static_cast<size_t>(n - 1)]);
        m_textEnds.resize(static_cast<size_t>(n), static_cast<quint32>(m_texts.size()));
        std::erase_if(m_notNumbers, [n](qint32 k) { return k >= n; });
        for (qint32 k = count(); k < n; ++k) // an empty text is no number
            m_notNumbers.push_back(k);
    }
    if (n > count()) // the added readings stand at time 0
        keepTimes();
    m_values.resize(static_cast<size_t>(n), 0.0);
    if (!m_evenTimes)
        m_times.resize(static_cast<size_t>(n), 0);
}

void GraphSlot::append(QByteArrayView text, double v, qint32 t, bool normalised, bool number)
{
    m_normalised = normalised;
    if (!normalised) {
        if (!number)
            m_notNumbers.push_back(count());
        m_texts.append(text.data(), text.size());
        m_textEnds.push_back(static_cast<quint32>(m_texts.size()));
    }
    if (m_evenTimes && count() == 1)
        m_timeStep = t;
    if (m_evenTimes && qint64(count()) * m_timeStep != t)
        keepTimes();
    m_values.push_back(v);
    if (!m_evenTimes)
        m_times.push_back(t);
}

void Viewer::unloadSlot(quint8 slot)
{
    slotData[slot].clear();
    if (slot == 0)
        std::fill(BlockTable.begin(), BlockTable.end(), HistoryFile::BlockRow{});
}

// ---- Ending the program ----------------------------------------------------------------------------

namespace {

EndProgramHandler &endHandler()
{
    static EndProgramHandler handler;
    return handler;
}

// A reading text as the loader takes it, "." the decimal point: a count, a number beyond what a count
// (a Long) holds, or no number at all. A number beyond the double range leaves no value to keep and
// reads as 0, as a text that is no number does.
struct ReadingValue {
    enum Kind { Count, BeyondCount, NotNumber } kind = NotNumber;
    double value = 0;
};

ReadingValue readingValue(QByteArrayView text)
{
    // The usual text, "-12.345", of a value well inside a Long
    if (const std::optional<double> plain = NumberFormat::plainDecimal(text);
        plain && std::fabs(*plain) < std::numeric_limits<qint32>::max())
        return {ReadingValue::Count, *plain};
    if (!HistoryFile::isNumericText(text))
        return {};
    QByteArrayView t = text.trimmed();
    if (t.front() == '+')
        t = t.sliced(1);
    double d = 0;
    // Out of range is a number too small for a double (0 then) or too large for one.
    if (std::from_chars(t.data(), t.data() + t.size(), d).ec == std::errc::result_out_of_range &&
        std::isinf(NumberFormat::valPrefix(QString::fromLatin1(t))))
        return {ReadingValue::BeyondCount, 0};
    return {NumberFormat::toInt32(d) ? ReadingValue::Count : ReadingValue::BeyondCount, d};
}

// A message of the load, shown once a load (`said`): a damaged file may hold millions of such readings.
void sayOnce(bool &said, const QString &text)
{
    if (!said)
        Zelk::MsgBox(text);
    said = true;
}

} // namespace

void takeReading(GraphSlot &s, QByteArrayView text, qint32 time, bool normalised, ReadingNotes &notes)
{
    const ReadingValue reading = readingValue(text);
    if (reading.kind == ReadingValue::NotNumber && normalised)
        sayOnce(notes.notNumber, QStringLiteral("Not Number"));
    if (reading.kind == ReadingValue::BeyondCount)
        sayOnce(notes.beyondCount, runtimeErrorText(6, HistoryFile::FieldInput::errorDescription(6)));
    const bool number = reading.kind == ReadingValue::Count || reading.value != 0; // 0: beyond a double
    s.append(text, reading.value, time, normalised, number);
}

QString runtimeErrorText(int number, const QString &description)
{
    return QStringLiteral("Unaccepting Error (frmGraph cmdLoad) ") + QString::number(number) +
           QStringLiteral(" ") + description;
}

QString invalidStructureText(const QString &path)
{
    return QStringLiteral("The selected file ") + path +
           QStringLiteral(" has invalid structure.\nTo get good structure file press <Save> button, please");
}

namespace {

// A history file's bytes: mapped where the system allows, else read whole. The pages of the mapping
// that the reader has passed are handed back as it goes: a long file is never resident all at once.
class FileBytes {
public:
    explicit FileBytes(QFile &file)
        : m_mapped(file.size() > 0 ? file.map(0, file.size()) : nullptr), m_size(file.size())
    {
        if (!m_mapped)
            m_copy = file.readAll();
    }
    QByteArrayView data() const
    {
        return m_mapped ? QByteArrayView(m_mapped, m_size) : QByteArrayView(m_copy);
    }
    // The reader stands at `at`; the pages before it are not read again. Should they be, the system
    // reads them in again from the file, so handing them back never changes what is read.
    void passed(const char *at)
    {
        const auto *base = reinterpret_cast<const char *>(m_mapped);
        if (!m_mapped || at < base || at > base + m_size)
            return;
        const qsizetype upTo = (at - base) / ReleaseStep * ReleaseStep;
        if (upTo <= m_released)
            return;
        ::madvise(const_cast<uchar *>(m_mapped) + m_released, static_cast<size_t>(upTo - m_released),
                  MADV_DONTNEED);
        m_released = upTo;
    }

private:
    static constexpr qsizetype ReleaseStep = qsizetype(4) << 20; // a multiple of any page size
    QByteArray m_copy;
    const uchar *m_mapped;
    qsizetype m_size;
    qsizetype m_released = 0;
};

} // namespace

void storeTrailer(Viewer &v, GraphSlot &s, const HistoryFile::Trailer &trailer)
{
    for (int i = 0; i < HeaderTextCount; ++i)
        s.header[static_cast<size_t>(i)] = trailer.lines[static_cast<size_t>(i)];
    s.header[StartDateTimeText] = trailer.startDateTime();
    s.header[ChannelsText] += trailer.lines[9].left(8);
    v.SamplesText = trailer.samplesText();
}

void setEndProgramHandler(EndProgramHandler handler)
{
    endHandler() = std::move(handler);
}

void EndProgram(int code)
{
    if (endHandler()) {
        endHandler()(code);
        return;
    }
    Zelk::finishAutomation(code);
    std::fflush(stdout);
    std::exit(code);
}

bool ReportPrinterError(Zelk::PrintResult result, const QString &description)
{
    switch (result) {
    case Zelk::PrintResult::Printed:
        return true;
    case Zelk::PrintResult::NotReady:
        Zelk::MsgBox(QStringLiteral("Printer is not ready!"));
        return true;
    case Zelk::PrintResult::Cancelled:
        Zelk::MsgBox(QStringLiteral("Printing cancelled by user."));
        return true;
    case Zelk::PrintResult::Failed:
        break;
    }
    Zelk::MsgBox(QStringLiteral("Unexpected error! in sub.frmHistoryGraph ") + description);
    EndProgram(0);
    return false;
}

QString inputBitsText(std::int32_t inputWord)
{
    QString bits;
    for (int b = 0; b < 8; ++b)
        bits += (inputWord >> b) & 1 ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

// ---- Loading ---------------------------------------------------------------------------------------

LoadReport LoadHistoryFile(Viewer &v, const QString &path, quint8 slot, QWidget *progressParent)
{
    GraphSlot &s = v.slotData[slot];
    s.clear();
    // A device or a pipe is no file: it may never end (or never start), so it is not opened at all.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return {LoadOutcome::RuntimeError, 75, QStringLiteral("Path/File access error")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {LoadOutcome::RuntimeError, 53, QStringLiteral("File not found")};
    FileBytes bytes(file);
    const QByteArrayView data = bytes.data();

    const bool relaxed = HistoryFile::isAutoSavePath(path);
    const bool normalised = slot == 0;
    const qint32 step = v.XAxisMode == 2 ? v.ReadingIntervalMs : 1;
    s.reserve(static_cast<qint32>(std::min<qsizetype>(data.size() / 8, HistoryFile::MaxReadingIndex + 1)));
    ProgressPacer pacer(progressParent, data.size(), QStringLiteral("Loading..."),
                        QStringLiteral("LoadProgress"));
    HistoryFile::LoadSink sink;
    sink.block = [&v](std::int32_t row, const HistoryFile::BlockRow &b) {
        v.BlockTable[static_cast<size_t>(row)] = b;
    };
    bool overflow = false; // a reading's time does not fit the Long time array
    ReadingNotes notes;
    qsizetype position = 0; // of the last reading text in the file
    sink.reading = [&](std::int32_t k, QByteArrayView text) {
        const qint64 time = qint64(k) * step;
        if (time > std::numeric_limits<qint32>::max()) {
            overflow = true;
            return false;
        }
        takeReading(s, text, static_cast<qint32>(time), normalised, notes);
        if ((k & 1023) != 0)
            return true;
        if (!text.isNull()) { // an empty text stands nowhere in the file
            bytes.passed(text.data());
            position = text.data() - data.data();
        }
        return pacer.keepGoing(position);
    };
    const HistoryFile::LoadResult r = HistoryFile::load(data, relaxed, sink);

    s.summarise();
    if (overflow)
        return {LoadOutcome::RuntimeError, 6, QStringLiteral("Overflow")};
    if (r.unexpectedEnd)
        Zelk::MsgBox(QStringLiteral("Unexpected end of file ") + path);
    switch (r.status) {
    case HistoryFile::LoadStatus::Ok:
        if (!relaxed)
            storeTrailer(v, s, r.trailer);
        return {LoadOutcome::Loaded, 0, {}, data.size()};
    case HistoryFile::LoadStatus::NotHistoryFile:
        Zelk::MsgBox(QStringLiteral("Invalid file structure!!! \r\nSelect another file, please."));
        return {LoadOutcome::Failed, 0, {}};
    case HistoryFile::LoadStatus::NoReadings:
        Zelk::MsgBox(QStringLiteral("No enough data in file: ") + path, Zelk::MsgButtons::OkCancel);
        return {LoadOutcome::Failed, 0, {}};
    case HistoryFile::LoadStatus::InvalidStructure:
        if (r.errorNumber == 62)
            return {LoadOutcome::InputPastEnd, 62, r.errorDescription};
        storeTrailer(v, s, r.trailer);
        Zelk::MsgBox(invalidStructureText(path));
        return {LoadOutcome::Failed, 0, {}};
    case HistoryFile::LoadStatus::RuntimeError:
        return {LoadOutcome::RuntimeError, r.errorNumber, r.errorDescription};
    case HistoryFile::LoadStatus::Cancelled:
        s.clear();
        return {LoadOutcome::Cancelled, 0, {}};
    }
    return {LoadOutcome::Failed, 0, {}};
}

} // namespace GraphE
