// frmClient: the socket's data event and the reply handlers: gathering, recognising which command a
// reply answers, reading its elements, the error display and the end of a fast-sampling run.
#include "frmClient.h"

#include "Controls.h"
#include "DeviceLink.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "RequestFraming.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <utility>

namespace {
std::optional<qint16> integer16(const QString &text)
{
    return NumberFormat::textToInt16(text, MdlFunctions::strDecimalSep());
}

constexpr std::int32_t A2DOverflowFrom = 130001;
} // namespace

// ---- Dispatch --------------------------------------------------------------------------------------

void frmClient::tcpClient_DataArrival(Reply::Kind kind)
{
    showLive();
    switch (kind) {
    case Reply::Kind::GetFastSampling:
        HandleFastSamplingReply();
        break;
    case Reply::Kind::GetRTStatus:
        HandleRTStatusReply();
        break;
    case Reply::Kind::SetOutput:
        HandleSetOutputReply();
        break;
    case Reply::Kind::StartSample:
        HandleStartSampleReply();
        break;
    case Reply::Kind::StopSample:
        HandleStopSampleReply();
        break;
    case Reply::Kind::None:
        break;
    }
}

void frmClient::GiveUpReply()
{
    txtRealTimeInfo->setHeldText(m_link->replyText());
    showStale();
    // A run whose batches are given up one after the other is reported at the first; the third ends
    // it by the no-answer path instead of asking for the same again and again.
    const int givenUp = m_link->command() == Framing::GetFastSampling ? ++m_batchesGivenUp : 0;
    if (givenUp >= MaxBatchesGivenUp) {
        m_link->markFaultLogged();
        noAnswerPath(true);
        return;
    }
    const bool quiet = m_link->quietExchange();
    m_link->silence(); // before the message box: nothing more of this exchange can raise it again
    const QString text = QStringLiteral(" Invalid XML data!  ");
    publishRunFault(text);
    if (givenUp > 1) {
        messageRepeat(text);
    } else if (!quiet) {
        publishFault(Publish::FaultKind::ReplyGivenUp, text);
        Zelk::MsgBox(text);
    }
    // A run cut off here asks the device to stop; if that request fails too, the fault has been
    // reported already.
    m_link->startQuietly([this] { cmdStopSample_Click(); });
    cmdStart_Sample->setEnabled(true);
    cmdWeight->setEnabled(true);
    // No status request is in flight any more: a lit Weight button would ignore the next click.
    setRunMode(RunMode::Idle);
}

// ---- Element reader --------------------------------------------------------------------------------

bool frmClient::Get_XML_Element_Data(const QString &strXML, const QString &strElementStart,
                                     QString &strElementData)
{
    if (!Reply::isElementTag(strElementStart)) {
        // Only a wrong literal in the program can get here. The program ends as closing the window
        // ends it (a run in progress is saved), with the failure code.
        Zelk::MsgBox(QStringLiteral("Invalid XML element:") + strElementStart +
                     QStringLiteral("\r\n At least one of '<','>' is absent "));
        unload(EXIT_FAILURE);
        return false;
    }
    return Reply::elementData(strXML, strElementStart, strElementData);
}

bool frmClient::element(const char *tag, QString &value)
{
    return Get_XML_Element_Data(m_link->replyText(), QLatin1String(tag), value);
}

void frmClient::CreateXMLErrMsg()
{
    iXMLErrCount = std::int16_t(iXMLErrCount + 1);
}

// ---- Shared display steps --------------------------------------------------------------------------

void frmClient::ShowErrorDisplay(bool fastSampling)
{
    QString code;
    if (element("<ERROR_CODE>", code)) {
        const std::uint32_t colour = code != QLatin1String("0") ? Zelk::Ole::Red : Zelk::Ole::GrayText;
        Zelk::setForeColor(lblErrNumer, colour);
        Zelk::setForeColor(lblErrDescr, colour);
        if (fastSampling && code == QLatin1String("200"))
            EndOfRun(true);
        lblErrNumer->setText(code);
    }
    QString description;
    if (element("<ERROR_DESCRIPTION>", description))
        lblErrDescr->setText(description);
}

void frmClient::EndOfRun(bool fastSampling)
{
    m_stopPending = false;
    setRunMode(RunModes::afterRun(m_runMode));
    SetOutPut_Disasable(true);
    // The run ends once: a reply that ends it again (a chunk after the end code, the device's next
    // answer) writes and reports nothing more.
    saveRunOnce(true);
    if (fastSampling)
        m_link->setReconnecting(false);
    cmdStart_Sample->setEnabled(true);
    cmdStopSample->setEnabled(false);
    cmdWeight->setEnabled(true);
    if (fastSampling) {
        cmdShowGraph->setEnabled(true);
        m_link->stopTiming();
    }
}

void frmClient::TakeOutputWord(const QString &text)
{
    const std::optional<qint16> word = integer16(text);
    if (!word)
        return;
    iOutStatus = *word;
    iOutStatusNew = *word;
    m_ioReported = true;
    if (iOutStatusNew != iOutStatusShown) {
        SetOutLampStatus(iOutStatus);
        iOutStatusShown = iOutStatusNew;
    }
}

void frmClient::TakeInputWord(const QString &text)
{
    const std::optional<qint16> word = integer16(text);
    if (!word)
        return;
    iInStatus = *word;
    iInStatusNew = *word;
    m_ioReported = true;
    if (iInStatusNew != iInStatusShown) {
        SetInpLampStatus(std::int16_t(*word & 0xFF)); // a word outside a byte: its low 8 bits
        iInStatusShown = iInStatusNew;
    }
}

void frmClient::ShowOverflow(std::int32_t a2d)
{
    if (a2d >= A2DOverflowFrom) {
        lblWeight->setText(QStringLiteral("Error"));
        lblWT_BRUTTO->setText(QStringLiteral("OVERFLOW"));
        Zelk::setForeColor(lblWT_BRUTTO, Zelk::Ole::Red);
        QFont f = lblWT_BRUTTO->font();
        f.setPointSize(12);
        lblWT_BRUTTO->setFont(f);
    } else {
        lblWeight->setText(QStringLiteral("Weight:"));
        Zelk::setForeColor(lblWT_BRUTTO, std::uint32_t(lWeightForeColor));
    }
}

void frmClient::ReadUnitsOnce()
{
    if (bUnitsRead)
        return;
    QString value;
    if (element("<INTEGRATION>", value)) {
        txtIntegration->setText(value);
        if (const std::optional<qint16> integration = integer16(value)) {
            iIntegration = *integration;
            if (iIntegration != 0)
                cmdShowGraph->setEnabled(true);
        }
    }
    if (element("<UNIT>", value)) {
        m_unit = GetInterUnit(value);
        lblUnitNameWGT->setText(m_unit);
        lblUnitNameTare->setText(m_unit);
    }
    bUnitsRead = true;
}

// ---- Reply handlers --------------------------------------------------------------------------------

void frmClient::HandleRTStatusReply()
{
    setRunMode(RunModes::afterPoll(m_runMode));
    lRepliesHandled += 1;
    bSetPointFlag = true;
    StartConnection(m_link->reconnecting());
    ShowCounters();
    std::optional<std::int32_t> a2dRead;
    QString value;
    if (element("<A2D>", value)) {
        // A count that is not a whole number is taken as absent.
        a2dRead = NumberFormat::textToInt32(value, MdlFunctions::strDecimalSep());
        if (a2dRead)
            lblA2D_Data->setText(value);
    }
    const std::int32_t a2d = a2dRead.value_or(0);
    ShowErrorDisplay(false);
    if (element("<OUT_STATUS>", value))
        TakeOutputWord(value);
    if (element("<IN_STATUS>", value))
        TakeInputWord(value);
    const bool weighed = element("<WEIGHT>", value);
    std::optional<double> gross;
    if (weighed) {
        gross = DeviceWeight(value);
        ShowStatusWeight(*gross);
        if (m_weightNotNumber)
            gross.reset();
    }
    ShowOverflow(a2d);
    if (weighed)
        trendTakeShownWeight();
    ReadUnitsOnce();
    const bool channelFound = element("<CHANNEL>", value);
    ShowChannel(channelFound, channelFound ? value : QString());
    if (element("<SP_STATUS>", value))
        ShowSetPointStatus(value);
    publishStatusReply(gross, a2dRead, a2d >= A2DOverflowFrom);
}

void frmClient::HandleSetOutputReply()
{
    m_link->setCommand(Framing::GetRTStatus, QString());
    m_link->suspendTimeOut(false);
    StartConnection(true);
    ShowErrorDisplay(false);
    QString value;
    if (element("<OUT_STATUS_ECHO>", value))
        TakeOutputWord(value);
    publishIo();
    bSetPointFlag = true;
    if (RunModes::weightLit(m_runMode)) {
        m_link->setCommand(Framing::GetRTStatus);
        StartConnection(m_link->reconnecting());
    } else if (RunModes::sampleLit(m_runMode)) {
        m_link->setCommand(Framing::GetFastSampling);
        StartConnection(m_link->reconnecting());
    } else {
        cmdStopSample->setEnabled(bStopWasEnabled);
    }
}

void frmClient::HandleFastSamplingReply()
{
    if (!cmdStopSample->isEnabled())
        iStopState = std::int16_t(iStopState + 1);
    cmdStopSample->setEnabled(true);
    lRepliesHandled += 1;
    m_batchesGivenUp = 0;
    ShowErrorDisplay(true);
    QString value;
    if (element("<W1>", value))
        ShowFastWeight(value);
    if (element("<W10>", value))
        ShowFastWeight(value);
    m_link->setCommand(Framing::GetFastSampling, QString());
    lFastReplyCount += 1;
    if (lFastReplyCount > 1) {
        lPrevReadingCount = lReadingCount;
        lBlockTicks = Zelk::ticksBetween(lTicksBase, Zelk::GetTickCount());
        if (StoreFastSamplingReply(lBlockCount, lReadingCount)) {
            lFastReadingsShown += iReadingsPerReply;
            lblTotalReadingsD->setText(QString::number(lFastReadingsShown));
        } else {
            lReadingCount = lPrevReadingCount;
        }
    }
    if (m_stopPending && m_link->reconnecting()) {
        SendStopSample();
        return;
    }
    StartConnection(m_link->reconnecting());
}

void frmClient::HandleStartSampleReply()
{
    bSampleStartAcked = true;
    if (m_runMode == RunMode::Starting)
        setRunMode(RunMode::Sampling);
    m_link->setCommand(Framing::GetFastSampling);
    m_link->setReconnecting(true);
    StartConnection(true);
}

void frmClient::HandleStopSampleReply()
{
    setRunMode(RunModes::afterRun(m_runMode));
    m_link->setCommand(Framing::GetFastSampling);
    iStopState = 1;
    // A run ended by batches given up again and again asks for no more: they would come the same.
    if (m_batchesGivenUp >= MaxBatchesGivenUp)
        m_link->setReconnecting(false);
    StartConnection(m_link->reconnecting());
}

void frmClient::SaveHistoryToFile()
{
    SaveMemory2File(txtHistFileName->text(), 0, lBlockCount);
}
