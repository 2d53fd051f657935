// frmClient: the input/output lamp panel: drawing the input and output words, the On/Off button pairs,
// locking the output controls and showing or hiding the input lamps.
#include "frmClient.h"

#include "Controls.h"
#include "LampGeometry.h"
#include "MdlFunctions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
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
    using namespace LampGeometry;
    const QRect inp = Zelk::geometryTwips(FraInp);
    const QRect out = Zelk::geometryTwips(FraOut);
    const QRect weight = Zelk::geometryTwips(FraWeight);
    const Panel p = panel(inp.width(), InpFrameHeight, out.height());
    Zelk::setGeometryTwips(FraInp, weight.left(), inp.top(), out.width(), InpFrameHeight);
    Zelk::setGeometryTwips(FraOut, weight.left(), out.top(), out.width(), out.height());
    const QRect view = Zelk::geometryTwips(txtRealTimeInfo);
    Zelk::setGeometryTwips(txtRealTimeInfo, weight.left(), view.top(), view.width(), view.height());

    aOutMask[0] = 0;
    for (int i = 1; i <= 10; ++i) {
        aOutMask[i] = std::int16_t(1 << (i - 1));
        if (i >= 3 && i <= 8)
            placeLamp(ShpInp[i], lblInpNum[i], p.lampLeft(inputLampColumn(i)), p.inTop, 9 - i);
        placeLamp(ShpOut[i], lblOutNum[i], p.lampLeft(outputLampColumn(i)), p.outGap, 11 - i);
        for (QPushButton *b : {cmdSetOutOn[11 - i], cmdSetOutOff[11 - i]})
            Zelk::setGeometryTwips(b, p.column(outputLampColumn(i)), p.buttonTop, ButtonWidth, ButtonHeight);
    }
    ShpInp[1]->setVisible(false);
    ShpInp[2]->setVisible(false);
    ShpOut[1]->setShape(Zelk::Shape::RoundedSquare);
    for (int n = 1; n <= 10; ++n) {
        cmdSetOutOn[n]->setText(QStringLiteral("On"));
        cmdSetOutOff[n]->setText(QStringLiteral("Off"));
        Zelk::setFontPoints(cmdSetOutOn[n], 12, true);
        Zelk::setFontPoints(cmdSetOutOff[n], 12, true);
    }
    // The "Inputs:" caption stands on the row of the input numbers.
    const QRect inputs = Zelk::geometryTwips(lblInputs);
    Zelk::setGeometryTwips(lblInputs, inputs.left(), p.inTop + LabelDrop, inputs.width(), inputs.height());
    // Until the device reports an output word, the lamps and On/Off buttons show the word that requests
    // are computed from (all off): a monitor that never reached its device shows no output on.
    SetOutLampStatus(iOutStatus);
    iOutStatusShown = iOutStatus;
    lblShowInpStatus->setText(QStringLiteral("To show current input status click ") + Quote +
                              QStringLiteral("Weight I/O") + Quote);
    MdlFunctions::PlaceRightOf(lblInputs, lblShowInpStatus, 550);
    ShowHideInputsLamp(false);
}

// A lamp with its number drawn over it: both at the same spot, the label a little lower.
void frmClient::placeLamp(Zelk::Shape *lamp, QLabel *number, int left, int top, int caption)
{
    using namespace LampGeometry;
    Zelk::setGeometryTwips(number, left, top + LabelDrop, LampSize, LampSize);
    number->setVisible(true);
    number->setFrameShape(QFrame::NoFrame);
    number->setText(QString::number(caption));
    QFont f = number->font();
    f.setPointSize(14);
    number->setFont(f);
    Zelk::setGeometryTwips(lamp, left, top, LampSize, LampSize);
    // The label is transparent: it keeps the lamp's colour as its back colour without painting it.
    Zelk::setBackColor(number, lamp->fillColor());
    number->setAutoFillBackground(false);
    number->raise();
}

void frmClient::SetInpLampStatus(std::int16_t Mybyte2)
{
    for (int i = 1; i <= 8; ++i)
        ShpInp[i]->setFillColor(lampColour(LampGeometry::inputLampBit(Mybyte2, i)));
}

void frmClient::SetOutLampStatus(std::int16_t Mybyte2)
{
    // While the set point is enabled, the lamp of output 10 shows the set-point status instead.
    for (int i = ChkSetPoint->checkState() == Qt::Unchecked ? 1 : 2; i <= 10; ++i) {
        ShpOut[i]->setFillColor(lampColour(LampGeometry::outputLampBit(Mybyte2, i)));
        SetVisibleOnnOff(std::int16_t(i));
    }
    if (ChkSetPoint->checkState() == Qt::Checked) {
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
