// frmClient: channel switching: the Switch button, the channel command with its waits, and the
// channel display that allows fast sampling and the set point on channel 1 only.
#include "frmClient.h"

#include "DeviceLink.h"
#include "RequestFraming.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr std::int32_t ChannelReplyWaitMs = 2000;
constexpr std::int32_t ChannelSettleMs = 400; // pause after the reply before the status is asked again
} // namespace

void frmClient::ShowChannel(bool found, const QString &text)
{
    m_channel = found ? text : QStringLiteral("Err");
    lblChanNum->setText(m_channel);
    if (!found)
        return;
    const bool channel1 = m_channel == QLatin1String("1");
    cmdStart_Sample->setEnabled(channel1);
    ChkSetPoint->setEnabled(channel1);
    txtSetPoint->setEnabled(channel1);
    LbLFastSample->setVisible(!channel1);
    LbLSetPoint->setVisible(!channel1);
    if (channel1) {
        cmdSetOutOn[10]->setEnabled(true);
        cmdSetOutOff[10]->setEnabled(true);
    }
}

void frmClient::cmdChanSwitch_Click()
{
    // The switch waits for its reply itself: the answer time-out is off while it does, and on again
    // for every request after it.
    m_link->suspendTimeOut(true);
    if (m_channel == QLatin1String("1"))
        cmdChan_Click(2);
    else if (m_channel == QLatin1String("2"))
        cmdChan_Click(1);
    m_link->suspendTimeOut(false);
}

void frmClient::cmdChan_Click(std::int16_t Index)
{
    // The channel command goes out with the body of the previous command.
    m_link->setCommand(Framing::channelCommand(Index));
    StartConnection(true);
    bChanReplyFlag = false;
    std::int32_t limit = ChannelReplyWaitMs;
    if (!WaitTrueFlag(bChanReplyFlag, limit))
        return; // no answer: the old channel stays on screen
    std::int32_t pause = ChannelSettleMs;
    WaitMS(pause);
    bChanReplyFlag = false;
    bUnitsRead = false;
    RequestRTStatus();
}
