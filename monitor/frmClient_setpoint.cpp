// frmClient: the set point and output switching: the set-point controls and box events, the On/Off
// buttons with their waits for output 10, and the start-up request that switches every output off.
#include "frmClient.h"

#include "Controls.h"
#include "DeviceLink.h"
#include "LampGeometry.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "RequestFraming.h"
#include "Seams.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr std::int16_t SetPointOutput = 10;
constexpr std::int32_t SetPointReplyWaitMs = 2000;
const QChar Quote(34);

// Hands the set-point box's focus and key events to the window's handlers; keys are not consumed.
class SetPointBoxEvents : public QObject {
public:
    SetPointBoxEvents(frmClient *window, QLineEdit *box) : QObject(box), m_window(window)
    {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            // The line edit selects on its own after focus-in; the selection is made once it has.
            QTimer::singleShot(0, m_window, [w = m_window] { w->txtSetPoint_GotFocus(); });
        } else if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            const QString text = key->text();
            std::int16_t ascii = enter ? 13 : std::int16_t(text.isEmpty() ? 0 : text.at(0).unicode());
            if (ascii != 0)
                m_window->txtSetPoint_KeyPress(ascii);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    frmClient *m_window;
};
} // namespace

void frmClient::connectSetPointAndTare()
{
    connect(chkTare, &QCheckBox::stateChanged, this, &frmClient::chkTare_Click);
    connect(txtSetPoint, &QLineEdit::textChanged, this, &frmClient::txtSetPoint_Change);
    new SetPointBoxEvents(this, txtSetPoint);
}

// ---- Set-point controls ----------------------------------------------------------------------------

void frmClient::InitSetPoint(bool Enable, float Offset)
{
    ShaSetPoint->setVisible(Enable);
    txtSetPoint->setVisible(Enable);
    const QRect on1 = Zelk::geometryTwips(cmdSetOutOn[1]);
    const QRect on9 = Zelk::geometryTwips(cmdSetOutOn[9]);
    const QRect on10 = Zelk::geometryTwips(cmdSetOutOn[10]);
    const QRect check = Zelk::geometryTwips(ChkSetPoint);
    const QRect box = Zelk::geometryTwips(txtSetPoint);
    const LampGeometry::SetPointLayout l =
        LampGeometry::setPoint({on1.top(), on9.left(), on10.left(), on10.width(), check.top(), check.height(),
                                box.top(), box.height(), double(Offset)});
    Zelk::setGeometryTwips(ShaSetPoint, l.frameLeft, l.frameTop, l.frameWidth, l.frameHeight);
    Zelk::setGeometryTwips(ChkSetPoint, l.checkLeft, l.checkTop, check.width(), check.height());
    Zelk::setGeometryTwips(txtSetPoint, l.boxLeft, l.boxTop, box.width(), box.height());
    const QRect startOut = Zelk::geometryTwips(ChkStartOutStatus);
    Zelk::setGeometryTwips(ChkStartOutStatus, l.checkLeft, startOut.top(), startOut.width(),
                           startOut.height());
    if (Enable) {
        cmdSetOutOff_Click(SetPointOutput);
        cmdSetOutOn[10]->setText(QStringLiteral("Enter"));
        Zelk::setFontPoints(cmdSetOutOn[10], 8, false);
        ShpOut[1]->setShape(Zelk::Shape::RoundedSquare);
        txtSetPoint->setText(QStringLiteral("Type SP value"));
    } else {
        Zelk::setFontPoints(cmdSetOutOn[10], 12, true);
        cmdSetOutOn[10]->setText(QStringLiteral("On"));
        Zelk::setBackColor(cmdSetOutOn[10], Zelk::Ole::ButtonFace);
        ShpOut[1]->setShape(Zelk::Shape::Circle);
        txtSetPoint->setText(QStringLiteral("-1"));
    }
    cmdSetOutOff[10]->setText(QStringLiteral("Off"));
}

void frmClient::ChkSetPoint_Click()
{
    bSetPointFlag = false;
    LblSwitch->setToolTip(QString());
    LblSwitch->setVisible(false);
    // A request on its way stays timed: the set point's own wait keeps the time-out out of itself.
    if (ChkSetPoint->checkState() == Qt::Checked) {
        cmdChanSwitch->setEnabled(false);
        InitSetPoint(true, 100);
        LblSwitch->setToolTip(QStringLiteral("In order to switch to channel #2, first uncheck ") + Quote +
                              QStringLiteral("Set Point") + Quote + QStringLiteral("."));
        LblSwitch->setVisible(true);
    } else {
        InitSetPoint(false, 100);
        showSetPointLine(iOutStatus);
        cmdChanSwitch->setEnabled(true);
        cmdSetOutOff_Click(SetPointOutput);
    }
}

bool frmClient::DoSetPointTest(std::int16_t Index)
{
    if (Index != SetPointOutput)
        return true;
    QString text = txtSetPoint->text();
    if (MdlFunctions::IsNumberText(text)) {
        strSetPoint = text;
        return true;
    }
    Zelk::MsgBox(QStringLiteral("Set Point must be a number!!!"));
    if (txtSetPoint->isEnabled())
        txtSetPoint->setFocus();
    return false;
}

void frmClient::txtSetPoint_Change()
{
    cmdSetOutOff_Click(SetPointOutput);
}

void frmClient::txtSetPoint_GotFocus()
{
    txtSetPoint->setSelection(0, int(txtSetPoint->text().size()));
}

void frmClient::txtSetPoint_KeyPress(std::int16_t &KeyAscii)
{
    if (KeyAscii == 13)
        cmdSetOutOn_Click(SetPointOutput);
}

void frmClient::ShowSetPointStatus(const QString &text)
{
    // A status that is no whole number leaves the lamp as it is. An active set point keeps the lamp
    // steadily red from reply to reply.
    const std::optional<qint16> status = NumberFormat::textToInt16(text, MdlFunctions::strDecimalSep());
    if (!status)
        return;
    iSPStatus = *status;
    if (ChkSetPoint->checkState() == Qt::Checked)
        ShpOut[1]->setFillColor(iSPStatus == 0 ? Zelk::Ole::GrayText : Zelk::Ole::Red);
    SetVisibleOnnOff(1);
}

// ---- Output switching ------------------------------------------------------------------------------

void frmClient::InitON_OFF()
{
    m_link->setCommand(Framing::SetOutput, QStringLiteral("ID=4&OUT_STATUS=") + QStringLiteral("1023") +
                                               QStringLiteral("&SET_POINT=0"));
    StartConnection(true);
}

// The new word is sent with the set point last accepted; the word itself changes only when the
// device reports it.
void frmClient::SendOutputWord(std::int16_t word)
{
    m_link->setCommand(Framing::SetOutput, Framing::setOutputBody(word, strSetPoint));
    StartConnection(true);
    showSetPointLine(word);
}

// Output 10 with the set point enabled: the box shows `boxColour` and the device's answer is awaited.
bool frmClient::AwaitSetPointReply(std::uint32_t boxColour)
{
    bSetPointFlag = false;
    Zelk::setBackColor(txtSetPoint, boxColour);
    std::int32_t limit = SetPointReplyWaitMs;
    // This wait reports a missing answer itself; the answer time-out stays out of it, so it is said once.
    m_link->suspendTimeOut(true);
    const bool answered = WaitTrueFlag(bSetPointFlag, limit);
    m_link->suspendTimeOut(false);
    return answered;
}

void frmClient::cmdSetOutOff_Click(std::int16_t Index)
{
    if (Index < 1 || Index > 10)
        return;
    bStopWasEnabled = cmdStopSample->isEnabled();
    m_link->suspendTimeOut(false);
    if (iOutStatus & aOutMask[Index])
        return; // already off: nothing to send
    if (!DoSetPointTest(Index))
        return;
    SendOutputWord(std::int16_t(iOutStatus | aOutMask[Index]));
    if (Index != SetPointOutput || ChkSetPoint->checkState() != Qt::Checked)
        return;
    if (!AwaitSetPointReply(Zelk::Ole::CaptionText)) {
        HandleNoAnswer();
        return;
    }
    RestartRTStatus();
}

void frmClient::cmdSetOutOn_Click(std::int16_t Index)
{
    if (Index < 1 || Index > 10)
        return;
    bStopWasEnabled = cmdStopSample->isEnabled();
    m_link->suspendTimeOut(false);
    if (!DoSetPointTest(Index))
        return;
    SendOutputWord(std::int16_t(iOutStatus & ~aOutMask[Index]));
    if (Index != SetPointOutput || ChkSetPoint->checkState() != Qt::Checked)
        return;
    if (!AwaitSetPointReply(Zelk::Ole::InactiveCaptionText)) {
        Zelk::MsgBox(QStringLiteral("SetPoint_Flag=False "));
        return;
    }
    RestartRTStatus();
}
