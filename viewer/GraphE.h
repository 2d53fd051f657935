// The viewer's state, free of windows: start-up settings, the four graph slots with their readings and
// header texts, the shared block table, and LoadHistoryFile that fills a slot from a history file.
#pragma once

#include "HistoryFile.h"
#include "PlotCurve.h"
#include "Seams.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace GraphE {

constexpr int SlotCount = 4;
constexpr int BlockRows = HistoryFile::MaxBlockRow + 1;

// Header texts 1 to 9 of a slot, in trailer order.
enum HeaderText {
    StartDateTimeText,
    TitleText,
    CardText,
    ChannelsText,
    IntegrationText,
    GainBiasCaptionText,
    GainBiasText,
    AverageCaptionText,
    AverageText,
    HeaderTextCount
};

// The readings of one slot: ArrTempForHistoryFileN (value texts) and ArrTimeForHistoryFileN (times).
// Values are also kept as numbers, converted once while loading, for plotting.
class GraphSlot {
public:
    qint32 count() const { return static_cast<qint32>(m_values.size()); }
    qint32 upperBound() const { return count() - 1; }
    QString valueText(qint32 k) const;
    double value(qint32 k) const { return m_values[static_cast<size_t>(k)]; }
    qint32 time(qint32 k) const
    {
        return m_evenTimes ? static_cast<qint32>(qint64(k) * m_timeStep) : m_times[static_cast<size_t>(k)];
    }
    const std::vector<double> &values() const { return m_values; }
    const PlotCurve::ValueSummary &summary() const { return m_summary; }
    void summarise() { m_summary.build(m_values); }
    std::array<QString, HeaderTextCount> header;
    // The unit of the readings' engineering values, as the gain line names it ("kg").
    QString unit() const { return header[GainBiasText].mid(17, 5).trimmed(); }

    void clear();
    void reserve(qint32 n);
    // Keeps readings 0..n-1; a longer slot is cut, a shorter one grows with readings of value 0, time 0.
    void resize(qint32 n);
    // Slot 0 keeps the standard text of the number; the others keep the text as read, and which texts
    // stood for no whole count at all (`number` false: no number, or one beyond a double).
    void append(QByteArrayView text, double value, qint32 time, bool normalised, bool number = true);
    const std::vector<qint32> &notNumbers() const { return m_notNumbers; } // ascending

private:
    void keepTimes(); // the times leave k * m_timeStep: each is kept from now on

    std::vector<double> m_values;
    PlotCurve::ValueSummary m_summary;
    // Loaded readings stand at k times the reading interval: their times are kept only when they do not.
    bool m_evenTimes = true;
    qint32 m_timeStep = 0;
    std::vector<qint32> m_times;
    QByteArray m_texts;              // texts as read, back to back (not used when normalised)
    std::vector<quint32> m_textEnds; // end offset of text k in m_texts
    std::vector<qint32> m_notNumbers;
    bool m_normalised = false;
};

// What the viewer holds while it runs: the start-up settings, the slots and their readings, the block
// table and the range of readings each slot shows. The windows are given it; it knows no window.
struct Viewer {
    qint16 XAxisMode = 1;
    qint16 ReadingIntervalMs = 8;
    std::array<GraphSlot, SlotCount> slotData;
    QString SamplesText;
    std::vector<HistoryFile::BlockRow> BlockTable = std::vector<HistoryFile::BlockRow>(BlockRows);
    std::array<qint32, SlotCount> LoIndex{}, HiIndex{};
    double PlotMax = 0, PlotMin = 0, PlotStep = 1.0;
    QString FileDateText, FileTimeText; // from the last summary file added

    // Empties `slot`; slot 0 takes the block table with it.
    void unloadSlot(quint8 slot);
};

// How a load ended. The loader itself reports the outcomes with a message; InputPastEnd and
// RuntimeError are the run-time errors that the caller's error handler reports.
enum class LoadOutcome { Loaded, Failed, Cancelled, InputPastEnd, RuntimeError };
struct LoadReport {
    LoadOutcome outcome = LoadOutcome::Failed;
    int errorNumber = 0;
    QString errorDescription;
    qint64 bytes = 0; // Loaded: the file's bytes the load read
};

// Reads the history file at `path` into slot `slot` (0..3). Shows a progress bar with Cancel when the
// load takes longer than about half a second; `progressParent` owns that bar. A reading whose whole
// count is beyond a Long (or that is beyond a double) shows the overflow message once; the load goes on.
LoadReport LoadHistoryFile(Viewer &viewer, const QString &path, quint8 slot,
                           QWidget *progressParent = nullptr);

// The messages a load shows once, whatever number of readings they concern.
struct ReadingNotes {
    bool notNumber = false;   // "Not Number" has been shown (slot 0 only)
    bool beyondCount = false; // the overflow of a reading has been shown
};
// Appends reading `text` at `time` to `s` as the load takes it: its value, its text, its messages.
void takeReading(GraphSlot &s, QByteArrayView text, qint32 time, bool normalised, ReadingNotes &notes);
// The header texts and sample count of a trailer, as the load of a complete file puts them in `s`.
void storeTrailer(Viewer &v, GraphSlot &s, const HistoryFile::Trailer &trailer);

// The message of a run-time error of the load: "Unaccepting Error (frmGraph cmdLoad) 6 Overflow".
QString runtimeErrorText(int number, const QString &description);

// "The selected file <path> has invalid structure." and its second line.
QString invalidStructureText(const QString &path);

// Ends the viewer process at once ("the program ends"). Tests replace it to observe the end.
using EndProgramHandler = std::function<void(int code)>;
void setEndProgramHandler(EndProgramHandler handler); // nullptr restores the real end
void EndProgram(int code = 0);

// Reports a failed print: "Printer is not ready!" (no default printer, or one that would not start or
// take the page) and "Printing cancelled by user." (the image could not be printed) let the print go
// on and return true; any other failure shows
// "Unexpected error! in sub.frmHistoryGraph " + description, ends the program and returns false.
bool ReportPrinterError(Zelk::PrintResult result, const QString &description);

// The 8 bits of an input byte as shown on the input-state labels: least significant bit first.
QString inputBitsText(std::int32_t inputWord);

} // namespace GraphE
