// frmClient: the fast-sampling run (Fast Sample and Stop), the x-axis option, the reading store, the
// history file and the viewer launch.
#include "frmClient.h"

#include "Controls.h"
#include "RequestFraming.h"

#include <QPushButton>
#include <QTimer>

void frmClient::cmdStart_Sample_Click()
{
    // The fast-sampling run is added with the reading store.
}

void frmClient::cmdStopSample_Click()
{
    bAutoReconnect = false;
    if (strCurFunction == Framing::GetFastSampling && Zelk::backColor(cmdWeight) != Zelk::Ole::Green) {
        strCurFunction = Framing::StopSample;
        bAutoReconnect = true;
        StartConnection(bAutoReconnect);
        cmdStopSample->setEnabled(false);
    } else {
        cmdStopSample->setEnabled(false);
        cmdWeight->setEnabled(true);
    }
    ShowHideInputsLamp(false);
    setTimerEnabled(TimerTimeOut, false);
}

void frmClient::OptX_mode_Click(std::int16_t Index)
{
    iXMode = Index;
}

bool frmClient::StoreFastSamplingReply(std::int32_t &blocks, std::int32_t &readings)
{
    Q_UNUSED(blocks);
    Q_UNUSED(readings);
    return false;
}

bool frmClient::SaveMemory2File(const QString &fileName, std::int32_t BeginInd, std::int32_t LastInd)
{
    Q_UNUSED(fileName);
    Q_UNUSED(BeginInd);
    Q_UNUSED(LastInd);
    return true;
}

void frmClient::cmdShowGraph_Click()
{
    // The viewer launch is added with the history file.
}
