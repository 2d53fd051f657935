// frmClient: the fast-sampling run (Fast Sample and Stop), the x-axis option and the parse of each
// batch into the reading store.
#include "frmClient.h"

#include "Controls.h"
#include "DeviceLink.h"
#include "MdlFunctions.h"
#include "RequestFraming.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace {

constexpr std::int32_t MinSampleTimeOutMs = 5000;
constexpr int StartEventRuns = 1 << 15;

} // namespace

void frmClient::cmdStart_Sample_Click()
{
    trendGap();
    // The run's requests are always timed, also when no Weight click came before it: a device that
    // stops answering in the middle of the run takes the no-answer path instead of a wait for ever.
    m_link->suspendTimeOut(false);
    ShowHideInputsLamp(false);
    lblA2D->setVisible(false);
    lblA2D_Data->setVisible(false);
    SetTimeOutValue(lTimeOutMS);
    if (lTimeOutMS < MinSampleTimeOutMs) {
        lTimeOutMS = MinSampleTimeOutMs; // the timer keeps the interval it was just given
        m_link->setAnswerLimit(lTimeOutMS);
        txtTimeout2->setText(QString::number(MinSampleTimeOutMs));
    }
    strSampleStartTime = MdlFunctions::NowText();
    if (m_runMode == RunMode::Polling) {
        cmdWeight_Click();
        std::int32_t slice = 5;
        while (m_runMode == RunMode::Polling)
            WaitMS(slice);
    }
    cmdWeight->setEnabled(false);
    bNewSampleRun = true;
    setRunMode(RunMode::Starting);
    cmdStart_Sample->setEnabled(false);
    SetOutPut_Disasable(false);
    lBlockCount = 0;
    lReadingCount = 0;
    lFastReadingsShown = 0;
    m_runUnsaved = true;
    m_batchesGivenUp = 0;
    m_bigWeightSpell = false;
    // The auto-save file of this run is created by its first save.
    lAutoSaveBegin = 0;
    lAutoSaveLast = 0;
    publishRunStarted();
    TimerSwitch::setEnabled(Timer3AutoSave, true);
    m_link->setCommand(Framing::StartSample);
    StartConnection(true);
    for (int i = 0; i < StartEventRuns; ++i)
        QCoreApplication::processEvents();
}

void frmClient::cmdStopSample_Click()
{
    trendGap();
    m_link->setReconnecting(false);
    if (m_link->command() == Framing::GetFastSampling && m_runMode != RunMode::Polling) {
        if (m_link->busy()) {
            // Closing this exchange would throw away the batch the device may be handing over on
            // it: the batch's reply sends StopSample instead of asking for the next one. The
            // time-out stays armed, so a batch that never comes still ends in the no-answer path.
            m_link->setReconnecting(true);
            m_stopPending = true;
            stopRunMode();
            cmdStopSample->setEnabled(false);
            ShowHideInputsLamp(false);
            return;
        }
        SendStopSample();
    } else {
        m_stopPending = false;
        cmdStopSample->setEnabled(false);
        cmdWeight->setEnabled(true);
    }
    // A request still on its way stays timed; the time-out stops by itself once it is answered.
    ShowHideInputsLamp(false);
}

// A run asked to stop keeps its Fast Sample button lit until the device confirms.
void frmClient::stopRunMode()
{
    if (RunModes::sampleLit(m_runMode))
        setRunMode(RunMode::Stopping);
}

void frmClient::setRunMode(RunMode mode)
{
    m_runMode = mode;
    Zelk::setBackColor(cmdWeight, RunModes::weightLit(mode) ? Zelk::Ole::Green : Zelk::Ole::ButtonFace);
    Zelk::setBackColor(cmdStart_Sample, RunModes::sampleLit(mode) ? Zelk::Ole::Green : Zelk::Ole::ButtonFace);
}

void frmClient::SendStopSample()
{
    m_stopPending = false;
    stopRunMode();
    m_link->setCommand(Framing::StopSample);
    m_link->setReconnecting(true);
    StartConnection(true);
    cmdStopSample->setEnabled(false);
}

void frmClient::OptX_mode_Click(std::int16_t Index)
{
    iXMode = Index;
}

bool frmClient::StoreFastSamplingReply(std::int32_t &blocks, std::int32_t &readings)
{
    if (bNewSampleRun) {
        lNextReadingIndex = 0;
        lBlockIndex = 0;
        bNewSampleRun = false;
        readingStore.clearRun(); // no reading of an earlier run reaches this run's file
    }
    std::int32_t e = 0;
    std::int16_t inputs = iInStatus;
    std::int16_t outputs = iOutStatus;
    if (!GetVarSizeArray(m_link->replyText(), lNextReadingIndex, e, inputs, outputs, lBlockTicks,
                         lBlockIndex))
        return false;
    lBlockIndex += 1;
    lNextReadingIndex = e + 1;
    blocks = lBlockIndex;
    readings = e + 1;
    return true;
}

bool frmClient::GetVarSizeArray(const QString &strCurXML2, std::int32_t &StartIndex, std::int32_t &EndIndex,
                                std::int16_t &MyInp, std::int16_t &MyOut, std::int32_t &MyTime,
                                std::int32_t &MyCounter)
{
    ParseEffects fx;
    const bool ok = readingStore.GetVarSizeArray(strCurXML2.toLatin1(), StartIndex, EndIndex, MyInp, MyOut,
                                                 MyTime, MyCounter, fx);
    for (int i = 0; i < fx.xmlErrors; ++i)
        CreateXMLErrMsg();
    if (fx.errorReadings > 0) {
        m_errorReadings += fx.errorReadings;
        lblErrorReadingsD[0]->setText(QString::number(m_errorReadings));
    }
    showParseMessages(fx.messages);
    return ok;
}

void frmClient::showParseMessages(const QStringList &messages)
{
    // One "Big Weight" box for a spell of batches holding readings too long for their slots: a device
    // sending such readings all the time would otherwise ask for a box per batch.
    const bool spell = std::exchange(m_bigWeightSpell, false);
    for (const QString &message : messages) {
        const bool big = message.startsWith(ParseEffects::BigWeight);
        if (big && (spell || m_bigWeightSpell))
            messageRepeat(message);
        else
            msgBoxAfterEvent(message);
        m_bigWeightSpell = m_bigWeightSpell || big;
    }
}
