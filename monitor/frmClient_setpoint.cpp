// frmClient: the set point and output switching: the set-point controls, the On/Off buttons and the
// start-up request that switches every output off.
#include "frmClient.h"

#include "Controls.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "RequestFraming.h"

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>

void frmClient::InitSetPoint(bool Enable, float Offset)
{
    Q_UNUSED(Offset);
    ShaSetPoint->setVisible(Enable);
    txtSetPoint->setVisible(Enable);
}

void frmClient::ChkSetPoint_Click()
{
    // The set-point behaviour is added with the set-point controls.
}

void frmClient::ShowSetPointStatus(const QString &text)
{
    // A status that is no whole number leaves the lamp as it is.
    const std::optional<qint16> status = NumberFormat::textToInt16(text, MdlFunctions::strDecimalSep());
    if (!status)
        return;
    iSPStatus = *status;
    if (ChkSetPoint->checkState() == Qt::Checked)
        ShpOut[1]->setFillColor(iSPStatus == 0 ? Zelk::Ole::GrayText : Zelk::Ole::Red);
    SetVisibleOnnOff(1);
}

void frmClient::InitON_OFF()
{
    strCurFunction = Framing::SetOutput;
    strCurParameters =
        QStringLiteral("ID=4&OUT_STATUS=") + QStringLiteral("1023") + QStringLiteral("&SET_POINT=0");
    StartConnection(true);
}

void frmClient::cmdSetOutOn_Click(std::int16_t Index)
{
    Q_UNUSED(Index);
}

void frmClient::cmdSetOutOff_Click(std::int16_t Index)
{
    Q_UNUSED(Index);
}
