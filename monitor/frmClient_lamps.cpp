// frmClient: the input/output lamp panel: drawing the input and output words, the On/Off button pairs,
// locking the output controls and showing or hiding the input lamps.
#include "frmClient.h"

#include "Controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
std::uint32_t lampColour(bool bitSet)
{
    return bitSet ? Zelk::Ole::GrayText : Zelk::Ole::Red;
}

const QChar Quote(34);
} // namespace

void frmClient::InitFraInpOut()
{
    aOutMask[0] = 0;
    for (int i = 1; i <= 10; ++i)
        aOutMask[i] = std::int16_t(1 << (i - 1));
    ShpInp[1]->setVisible(false);
    ShpInp[2]->setVisible(false);
    ShpOut[1]->setShape(Zelk::Shape::RoundedSquare);
    SetOutLampStatus(0);
    lblShowInpStatus->setText(QStringLiteral("To show current input status click ") + Quote +
                              QStringLiteral("Weight I/O") + Quote);
    ShowHideInputsLamp(false);
}

void frmClient::SetInpLampStatus(std::int16_t Mybyte2)
{
    for (int i = 1; i <= 8; ++i)
        ShpInp[i]->setFillColor(lampColour((Mybyte2 >> (8 - i)) & 1));
}

void frmClient::SetOutLampStatus(std::int16_t Mybyte2)
{
    const bool setPoint = ChkSetPoint->checkState() != Qt::Unchecked;
    for (int i = setPoint ? 2 : 1; i <= 10; ++i) {
        ShpOut[i]->setFillColor(lampColour((Mybyte2 >> (10 - i)) & 1));
        SetVisibleOnnOff(std::int16_t(i));
    }
    if (setPoint) {
        ShpOut[1]->setFillColor(iSPStatus == 1 ? Zelk::Ole::Red : Zelk::Ole::GrayText);
        SetVisibleOnnOff(1);
    }
}

void frmClient::SetVisibleOnnOff(std::int16_t Index)
{
    const int n = 11 - Index;
    const bool on = ShpOut[Index]->fillColor() == Zelk::Ole::Red;
    cmdSetOutOff[n]->setVisible(on);
    cmdSetOutOn[n]->setVisible(!on);
}

void frmClient::SetOutPut_Disasable(bool FT)
{
    for (int n = 1; n <= 10; ++n) {
        cmdSetOutOff[n]->setEnabled(FT);
        cmdSetOutOn[n]->setEnabled(FT);
    }
    ChkSetPoint->setEnabled(FT);
    cmdChanSwitch->setEnabled(FT);
    TxtIP->setEnabled(FT);
    txtSetPoint->setEnabled(FT);
}

void frmClient::ShowHideInputsLamp(bool FT)
{
    for (int i = 3; i <= 8; ++i) {
        ShpInp[i]->setVisible(FT);
        lblInpNum[i]->setVisible(FT);
    }
    lblShowInpStatus->setVisible(!FT);
    if (FT) {
        LblSwitch->setToolTip(QString());
        LblSwitch->setVisible(false);
    } else {
        LblSwitch->setVisible(true);
        LblSwitch->setToolTip(QStringLiteral("In order to switch to channel #2, first click ") + Quote +
                              QStringLiteral("Stop") + Quote + QStringLiteral("and wait."));
    }
}
