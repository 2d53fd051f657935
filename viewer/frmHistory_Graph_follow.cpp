// frmHistory_Graph: "Follow", the graph of a file that grows while a run is in progress: every second
// the readings appended since the last poll join the slot, the plot and its readouts.
#include "GraphE.h"
#include "HistoryFile.h"
#include "HistoryFollow.h"
#include "Readouts.h"
#include "Seams.h"
#include "frmHistory_Graph.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QScopedValueRollback>
#include <QTimer>
#include <limits>

namespace {

constexpr int FollowIntervalMs = 1000;

} // namespace

void frmHistory_Graph::createFollowControls()
{
    chkFollow = new QCheckBox(QStringLiteral("Follow"), this);
    chkFollow->setObjectName(QStringLiteral("chkFollow"));
    chkFollow->setToolTip(QStringLiteral("Show the readings a run in progress adds to this file"));
    chkFollow->setEnabled(false);
    connect(chkFollow, &QCheckBox::toggled, this, &frmHistory_Graph::chkFollow_Click);
    tmrFollow = new QTimer(this);
    tmrFollow->setObjectName(QStringLiteral("tmrFollow"));
    tmrFollow->setInterval(FollowIntervalMs);
    connect(tmrFollow, &QTimer::timeout, this, &frmHistory_Graph::followTick);
}

// Only an auto-save file loads without its end line: any other file that may still grow is refused.
void frmHistory_Graph::setFollowSource(const QString &path, qint64 loadedBytes)
{
    stopFollow();
    m_followPath = path;
    m_followLoaded = loadedBytes;
    chkFollow->setEnabled(HistoryFile::isAutoSavePath(path));
}

// Ticked: the part of the file that was loaded is taken apart once more in memory, to know where its
// whole blocks end; every poll after that reads only what the file gained.
void frmHistory_Graph::chkFollow_Click(bool on)
{
    if (!on) {
        stopFollow();
        return;
    }
    QFile file(m_followPath);
    const QByteArray loaded = file.open(QIODevice::ReadOnly) ? file.read(m_followLoaded) : QByteArray();
    m_follower = std::make_unique<HistoryFollow::Follower>(m_followPath);
    m_follower->resumeAfter(loaded);
    m_followNotes = {};
    tmrFollow->start();
    followTick();
}

void frmHistory_Graph::stopFollow()
{
    tmrFollow->stop();
    m_follower.reset();
    const QSignalBlocker quiet(chkFollow);
    chkFollow->setChecked(false);
}

void frmHistory_Graph::followTick()
{
    if (!m_follower || m_followBusy)
        return; // a message box of the last tick lets the timer run on
    const QScopedValueRollback busy(m_followBusy, true);
    const std::int32_t firstRow = m_follower->blocks();
    const HistoryFollow::Poll poll = m_follower->poll();
    QString fault = poll.message;
    if (!poll.texts.empty()) {
        fault = takeFollowed(poll, firstRow);
        if (!showFollowed() && fault.isEmpty()) {
            stopFollow(); // its message was shown: not again every second
            return;
        }
    }
    if (poll.status == HistoryFollow::Status::Finished && fault.isEmpty()) {
        finishFollow(poll);
    } else if (!fault.isEmpty()) {
        stopFollow(); // what is shown stays; the file as it now is needs a load of its own
        chkFollow->setEnabled(false);
        Zelk::MsgBox(fault);
    }
}

// The poll's block rows (numbered on from `firstRow`) and readings into the slot, as the load takes
// them; the message of a reading whose time is beyond the time array, which ends following.
QString frmHistory_Graph::takeFollowed(const HistoryFollow::Poll &poll, std::int32_t firstRow)
{
    GraphE::Viewer &v = m_viewer;
    GraphE::GraphSlot &sd = v.slotData[slot()];
    for (size_t i = 0, row = static_cast<size_t>(firstRow); i < poll.blocks.size(); ++i, ++row)
        if (row < v.BlockTable.size())
            v.BlockTable[row] = poll.blocks[i];
    const qint64 step = v.XAxisMode == 2 ? v.ReadingIntervalMs : 1;
    QString fault;
    sd.resize(poll.firstIndex); // no reading the load took of a block not yet whole stays
    for (size_t i = 0; i < poll.texts.size() && fault.isEmpty(); ++i) {
        const qint64 time = (poll.firstIndex + static_cast<qint64>(i)) * step;
        if (time > std::numeric_limits<qint32>::max())
            fault = GraphE::runtimeErrorText(6, QStringLiteral("Overflow"));
        else
            GraphE::takeReading(sd, poll.texts[i], static_cast<qint32>(time), slot() == 0, m_followNotes);
    }
    sd.summarise();
    return fault;
}

// The readings count, the statistics and the plot reach the newest reading; a view the operator
// zoomed into stays where it is. False when the statistics of the whole run failed (with a message).
bool frmHistory_Graph::showFollowed()
{
    const GraphE::GraphSlot &sd = m_viewer.slotData[slot()];
    if (ZoomLevel > 0 || !lblTaget->isHidden() || sd.count() < 1)
        return true;
    QString a2d, values;
    const bool counted =
        Readouts::statisticsTexts(sd, 0, sd.upperBound(), A2DGain, A2DOffset, a2d, values).ok();
    applyRange({0, sd.upperBound()});
    cmd1MinMax_Click();
    SetZoomButtons(false);
    return counted;
}

// The end line and the trailer came: the file is complete and shown as a finished run's file, with
// the trailer's header texts.
void frmHistory_Graph::finishFollow(const HistoryFollow::Poll &poll)
{
    stopFollow();
    chkFollow->setEnabled(false);
    GraphE::storeTrailer(m_viewer, m_viewer.slotData[slot()], poll.trailer);
    showHeaderTexts();
}
