// frmClient: the history file of a run (written whole at its end, grown every second as AutoSave.txt
// while it runs) and the launch of the viewer on it.
#include "frmClient.h"

#include "Controls.h"
#include "DeviceLink.h"
#include "HistoryRun.h"
#include "SafeWrite.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTimer>
#include <utility>

namespace {

QString shownPath(const QString &fileName)
{
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
}

// Blocks [begin, last) into `fileName`: a file that is created is written beside it and renamed into
// place, so no failure leaves a truncated file; any other save appends whole blocks, and an append that
// fails is taken back to where the file ended before it. Returns the failure's reason, if any.
QString writeHistoryFile(ReadingStore &store, const QString &fileName, std::int32_t begin, std::int32_t last,
                         ReadingStore::Frame frame, const QString &startTime, const QString &unit)
{
    QString error;
    if (begin == 0) {
        QSaveFile file(fileName);
        if (!file.open(Zelk::DirectWrite))
            return file.errorString();
        if (store.writeHistory(file, begin, last, startTime, unit, &error, frame) &&
            Zelk::commitAll(file, &error))
            return {};
        file.cancelWriting();
        return error;
    }
    QFile file(fileName);
    if (!file.open(Zelk::DirectWrite | QIODevice::Append))
        return file.errorString();
    const qint64 end = file.size();
    if (store.writeHistory(file, begin, last, startTime, unit, &error, frame))
        return {};
    file.resize(end);
    return error;
}

} // namespace

QString frmClient::historyWriteFailure(const QString &fileName, std::int32_t begin, std::int32_t last,
                                       ReadingStore::Frame frame)
{
    const QString error =
        writeHistoryFile(readingStore, fileName, begin, last, frame, strSampleStartTime, m_unit);
    if (error.isEmpty())
        return {};
    return QStringLiteral("The history file %1 could not be written: %2").arg(shownPath(fileName), error);
}

bool frmClient::SaveMemory2File(const QString &fileName, std::int32_t BeginInd, std::int32_t LastInd)
{
    const QString failure = historyWriteFailure(fileName, BeginInd, LastInd, ReadingStore::Frame::Complete);
    if (failure.isEmpty())
        return true;
    // The readings stay in memory: the run can be saved again under another name.
    showWriteFailure(failure, false);
    return false;
}

void frmClient::saveRunOnce(bool later)
{
    if (!std::exchange(m_runUnsaved, false))
        return;
    const QString failure =
        historyWriteFailure(txtHistFileName->text(), 0, lBlockCount, ReadingStore::Frame::Complete);
    publishRunEnded(failure);
    if (!failure.isEmpty())
        showWriteFailure(failure, later);
}

// While a run is in progress both mode buttons are disabled; the end of the run, a fault of the
// device and a reply given up enable at least one of them again.
void frmClient::Timer3AutoSave_Timer()
{
    const bool running = !cmdWeight->isEnabled() && !cmdStart_Sample->isEnabled();
    const HistoryRun::AutoSaveStep step = HistoryRun::autoSaveStep(lAutoSaveBegin, lBlockCount);
    lAutoSaveLast = lBlockCount;
    if (step.writes()) {
        const QString failure =
            historyWriteFailure(HistoryRun::AutoSaveFile, step.from, step.to, ReadingStore::Frame::DataOnly);
        if (!failure.isEmpty()) {
            // Reported once: the auto-save stops for the rest of the run, which goes on in memory.
            TimerSwitch::setEnabled(Timer3AutoSave, false);
            showWriteFailure(failure, false);
            return;
        }
        lAutoSaveBegin = step.to;
    }
    if (step.tooBig) {
        TimerSwitch::setEnabled(Timer3AutoSave, false);
        Zelk::MsgBox(HistoryRun::TooBigMessage);
    } else if (!running) {
        TimerSwitch::setEnabled(Timer3AutoSave, false); // the last blocks of the run are in the file now
    }
}

void frmClient::cmdShowGraph_Click()
{
    const QString argument = HistoryRun::viewerArgument(txtHistFileName->text(), OptX_mode[1]->isChecked(),
                                                        txtIntegration->text());
    QString program = HistoryRun::locateProgram(
        HistoryRun::ViewerProgram, {QDir::currentPath(), QCoreApplication::applicationDirPath()});
    if (!program.isEmpty() && Zelk::processStarter().startDetached(program, {argument}))
        return;
    if (program.isEmpty())
        program = QDir::current().filePath(HistoryRun::ViewerProgram);
    Zelk::MsgBox(
        QStringLiteral("The viewer %1 could not be started.").arg(QDir::toNativeSeparators(program)));
}
