// frmClient: the socket's data event and the reply handlers: gathering, recognising which command a
// reply answers, reading its elements, the error display and the end of a fast-sampling run.
#include "frmClient.h"

#include "Controls.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "RequestFraming.h"
#include "Seams.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <cstdlib>
#include <utility>

namespace {
bool isGreen(const QWidget *w)
{
    return Zelk::backColor(w) == Zelk::Ole::Green;
}

std::optional<qint16> integer16(const QString &text)
{
    return NumberFormat::textToInt16(text, MdlFunctions::strDecimalSep());
}

constexpr std::int32_t A2DOverflowFrom = 130001;
} // namespace

// ---- Data event ------------------------------------------------------------------------------------

void frmClient::tcpClient_DataArrival(std::int32_t bytesTotal)
{
    Q_UNUSED(bytesTotal);
    const QByteArray bytes = tcpClient->readAll();
    m_replyBytes += bytes.size();
    const QString chunk = QString::fromLatin1(bytes);
    const std::int32_t now = Zelk::GetTickCount();
    const Reply::Assembler::Step step = m_assembler.addChunk(chunk, now);
    lReplyStartTicks = m_assembler.firstChunkTicks();
    if (step.prologFound)
        lReplyCount += 1;
    strReplyXML = m_assembler.text();
    strReplyCopy = strReplyXML;
    txtRealTimeInfo->setPlainText(Reply::xmlViewText(strReplyCopy));
    if (step.overflow) {
        commLogGivenUp(CommLog::GiveUp::TooLarge);
        GiveUpReply();
        return;
    }
    if (step.kind != Reply::Kind::None) {
        m_replyHandled = true;
        commLog([this](CommLog::Writer &log) { return log.reply(strReplyXML.toLatin1()); });
    }
    switch (step.kind) {
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
        HandleUnfinishedReply(now);
        break;
    }
}

void frmClient::HandleUnfinishedReply(std::int32_t now)
{
    const bool channelReply = strReplyCopy.contains(QLatin1String("</ch"));
    const bool endOfRun =
        !channelReply && strReplyCopy.contains(QLatin1String("<ERROR_CODE>200</ERROR_CODE>"));
    // These replies are recognised without their closing tag, again at every chunk: logged once, as
    // far as they had come.
    if ((channelReply || endOfRun) && !std::exchange(m_replyLogged, true))
        commLog([this](CommLog::Writer &log) { return log.reply(strReplyXML.toLatin1()); });
    m_replyHandled = m_replyHandled || channelReply || endOfRun;
    if (channelReply) {
        bChanReplyFlag = true;
    } else if (endOfRun) {
        EndOfRun(false);
        lblErrNumer->setText(QStringLiteral("200"));
        Zelk::setBackColor(lblErrNumer, Zelk::Ole::Red);
    }
    if (m_assembler.expired(now, lReplyTimeOutMS)) {
        commLogGivenUp(CommLog::GiveUp::Incomplete);
        GiveUpReply();
    }
}

void frmClient::GiveUpReply()
{
    txtRealTimeInfo->setPlainText(strReplyCopy);
    // A run whose batches are given up one after the other is reported at the first; the third ends
    // it by the no-answer path instead of asking for the same again and again.
    const int givenUp = strCurFunction == Framing::GetFastSampling ? ++m_batchesGivenUp : 0;
    if (givenUp >= MaxBatchesGivenUp) {
        m_faultLogged = true;
        noAnswerPath(true);
        return;
    }
    const bool quiet = quietExchange();
    silenceLink(); // before the message box: nothing more of this exchange can raise it again
    const QString text = QStringLiteral(" Invalid XML data!  ");
    if (givenUp > 1)
        messageRepeat(text);
    else if (!quiet)
        Zelk::MsgBox(text);
    // A run cut off here asks the device to stop; if that request fails too, the fault has been
    // reported already.
    m_inNoAnswer = true;
    cmdStopSample_Click();
    m_inNoAnswer = false;
    cmdStart_Sample->setEnabled(true);
    Zelk::setBackColor(cmdStart_Sample, Zelk::Ole::ButtonFace);
    cmdWeight->setEnabled(true);
    // No status request is in flight any more: a green Weight button would ignore the next click.
    Zelk::setBackColor(cmdWeight, Zelk::Ole::ButtonFace);
}

// ---- Element reader --------------------------------------------------------------------------------

bool frmClient::Get_XML_Element_Data(const QString &strXML, const QString &strElementStart,
                                     QString &strElementData)
{
    if (!Reply::isElementTag(strElementStart)) {
        // Only a wrong literal in the program can get here.
        Zelk::MsgBox(QStringLiteral("Invalid XML element:") + strElementStart +
                     QStringLiteral("\r\n At least one of '<','>' is absent "));
        std::exit(EXIT_FAILURE);
    }
    return Reply::elementData(strXML, strElementStart, strElementData);
}

bool frmClient::element(const char *tag, QString &value)
{
    return Get_XML_Element_Data(strReplyXML, QLatin1String(tag), value);
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
    Zelk::setBackColor(cmdStart_Sample, Zelk::Ole::ButtonFace);
    SetOutPut_Disasable(true);
    // The run ends once: a reply that ends it again (a chunk after the end code, the device's next
    // answer) writes and reports nothing more.
    saveRunOnce(true);
    if (fastSampling)
        bAutoReconnect = false;
    cmdStart_Sample->setEnabled(true);
    cmdStopSample->setEnabled(false);
    cmdWeight->setEnabled(true);
    if (fastSampling) {
        cmdShowGraph->setEnabled(true);
        setTimerEnabled(TimerTimeOut, false);
    }
}

void frmClient::TakeOutputWord(const QString &text)
{
    const std::optional<qint16> word = integer16(text);
    if (!word)
        return;
    iOutStatus = *word;
    iOutStatusNew = *word;
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
        const QString unit = GetInterUnit(value);
        lblUnitNameWGT->setText(unit);
        lblUnitNameTare->setText(unit);
    }
    bUnitsRead = true;
}

// ---- Reply handlers --------------------------------------------------------------------------------

void frmClient::HandleRTStatusReply()
{
    Zelk::setBackColor(cmdWeight, Zelk::Ole::ButtonFace);
    lRepliesHandled += 1;
    bSetPointFlag = true;
    StartConnection(bAutoReconnect);
    ShowCounters();
    std::int32_t a2d = 0;
    QString value;
    if (element("<A2D>", value)) {
        // A count that is not a whole number is taken as absent.
        if (const std::optional<qint32> count =
                NumberFormat::textToInt32(value, MdlFunctions::strDecimalSep())) {
            lblA2D_Data->setText(value);
            a2d = *count;
        }
    }
    ShowErrorDisplay(false);
    if (element("<OUT_STATUS>", value))
        TakeOutputWord(value);
    if (element("<IN_STATUS>", value))
        TakeInputWord(value);
    if (element("<WEIGHT>", value))
        ShowStatusWeight(DeviceWeight(value));
    ShowOverflow(a2d);
    ReadUnitsOnce();
    const bool channelFound = element("<CHANNEL>", value);
    ShowChannel(channelFound, channelFound ? value : QString());
    if (element("<SP_STATUS>", value))
        ShowSetPointStatus(value);
}

void frmClient::HandleSetOutputReply()
{
    strCurFunction = Framing::GetRTStatus;
    strCurParameters.clear();
    bNoTimeOut = false;
    StartConnection(true);
    ShowErrorDisplay(false);
    QString value;
    if (element("<OUT_STATUS_ECHO>", value))
        TakeOutputWord(value);
    bSetPointFlag = true;
    if (isGreen(cmdWeight)) {
        strCurFunction = Framing::GetRTStatus;
        StartConnection(bAutoReconnect);
    } else if (isGreen(cmdStart_Sample)) {
        strCurFunction = Framing::GetFastSampling;
        StartConnection(bAutoReconnect);
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
    strCurFunction = Framing::GetFastSampling;
    strCurParameters.clear();
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
    if (m_stopPending && bAutoReconnect) {
        SendStopSample();
        return;
    }
    StartConnection(bAutoReconnect);
}

void frmClient::HandleStartSampleReply()
{
    bSampleStartAcked = true;
    strCurFunction = Framing::GetFastSampling;
    bAutoReconnect = true;
    StartConnection(true);
}

void frmClient::HandleStopSampleReply()
{
    Zelk::setBackColor(cmdStart_Sample, Zelk::Ole::ButtonFace);
    strCurFunction = Framing::GetFastSampling;
    iStopState = 1;
    // A run ended by batches given up again and again asks for no more: they would come the same.
    if (m_batchesGivenUp >= MaxBatchesGivenUp)
        bAutoReconnect = false;
    StartConnection(bAutoReconnect);
}

void frmClient::SaveHistoryToFile()
{
    SaveMemory2File(txtHistFileName->text(), 0, lBlockCount);
}
