// frmClient: the fast-sampling run (Fast Sample and Stop), the x-axis option and the parse of each
// batch into the reading store.
#include "frmClient.h"

#include "Controls.h"
#include "MdlFunctions.h"
#include "RequestFraming.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <utility>

namespace {

constexpr std::int32_t MinSampleTimeOutMs = 5000;
constexpr int StartEventRuns = 1 << 15;

bool isGreen(const QWidget *w)
{
    return Zelk::backColor(w) == Zelk::Ole::Green;
}

} // namespace

void frmClient::cmdStart_Sample_Click()
{
    // The run's requests are always timed, also when no Weight click came before it: a device that
    // stops answering in the middle of the run takes the no-answer path instead of a wait for ever.
    bNoTimeOut = false;
    ShowHideInputsLamp(false);
    lblA2D->setVisible(false);
    lblA2D_Data->setVisible(false);
    SetTimeOutValue(lTimeOutMS);
    if (lTimeOutMS < MinSampleTimeOutMs) {
        lTimeOutMS = MinSampleTimeOutMs; // the timer keeps the interval it was just given
        txtTimeout2->setText(QString::number(MinSampleTimeOutMs));
    }
    strSampleStartTime = MdlFunctions::NowText();
    if (isGreen(cmdWeight)) {
        cmdWeight_Click();
        std::int32_t slice = 5;
        while (isGreen(cmdWeight))
            WaitMS(slice);
    }
    cmdWeight->setEnabled(false);
    bNewSampleRun = true;
    Zelk::setBackColor(cmdStart_Sample, Zelk::Ole::Green);
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
    setTimerEnabled(Timer3AutoSave, true);
    strCurFunction = Framing::StartSample;
    StartConnection(true);
    for (int i = 0; i < StartEventRuns; ++i)
        QCoreApplication::processEvents();
}

void frmClient::cmdStopSample_Click()
{
    bAutoReconnect = false;
    if (strCurFunction == Framing::GetFastSampling && !isGreen(cmdWeight)) {
        if (tcpClient && tcpClient->state() != QAbstractSocket::UnconnectedState) {
            // Closing this exchange would throw away the batch the device may be handing over on
            // it: the batch's reply sends StopSample instead of asking for the next one. The
            // time-out stays armed, so a batch that never comes still ends in the no-answer path.
            bAutoReconnect = true;
            m_stopPending = true;
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

void frmClient::SendStopSample()
{
    m_stopPending = false;
    strCurFunction = Framing::StopSample;
    bAutoReconnect = true;
    StartConnection(bAutoReconnect);
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
    if (!GetVarSizeArray(strReplyCopy, lNextReadingIndex, e, inputs, outputs, lBlockTicks, lBlockIndex))
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
        QLabel *counter = lblErrorReadingsD[0];
        counter->setText(QString::number(counter->text().toLongLong() + fx.errorReadings));
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
