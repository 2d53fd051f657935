// frmClient: the weight readout (weight net of the tare, units, integration) and the channel display
// fed by the status replies.
#include "frmClient.h"

#include "MdlFunctions.h"
#include "NumberFormat.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// The tare is kept as the caption of its label; a caption that is no number leaves the weight as shown.
std::optional<double> tareValue(const QLabel *tare)
{
    return NumberFormat::parseNumber(tare->text(), MdlFunctions::strDecimalSep());
}
} // namespace

QString frmClient::GetInterUnit(const QString &strZELK_unit_Name)
{
    const QString upper = strZELK_unit_Name.toUpper();
    if (upper == QLatin1String("GRAM"))
        return QStringLiteral("g");
    if (upper == QLatin1String("KG"))
        return QStringLiteral("kg");
    if (upper == QLatin1String("TON"))
        return QStringLiteral("ton");
    if (upper == QLatin1String("LB"))
        return QStringLiteral("lb");
    return strZELK_unit_Name;
}

void frmClient::ShowStatusWeight(double gross)
{
    if (const std::optional<double> tare = tareValue(lblTareData))
        lblWT_BRUTTO->setText(NumberFormat::format000_000(gross - *tare, MdlFunctions::strDecimalSep()));
}

void frmClient::ShowFastWeight(const QString &text)
{
    ShowStatusWeight(MdlFunctions::TextToNumber(text));
}

void frmClient::ShowChannel(bool found, const QString &text)
{
    if (!found) {
        lblChanNum->setText(QStringLiteral("Err"));
        return;
    }
    lblChanNum->setText(text);
    const bool channel1 = text == QLatin1String("1");
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
    // Channel switching is added with the channel controls.
}

void frmClient::cmdChan_Click(std::int16_t Index)
{
    Q_UNUSED(Index);
}
