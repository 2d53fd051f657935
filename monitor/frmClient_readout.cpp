// frmClient: the weight readout: the weight net of the tare from status and fast-sampling replies,
// the tare check box and the unit names.
#include "frmClient.h"

#include "Controls.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "Seams.h"

#include <QCheckBox>
#include <QLabel>
#include <cmath>
#include <utility>

namespace {
// The tare is kept as the caption of its label; a caption that is no number (a tare taken while
// "OVERFLOW" was shown) counts as no tare.
double tareValue(const QLabel *tare)
{
    return NumberFormat::parseNumber(tare->text(), MdlFunctions::strDecimalSep()).value_or(0.0);
}

// A weight as the display shows it: "000.000"; from 15 whole digits on, beyond which that form would
// pad with zeros a double never held, the standard form ("1E+308").
QString weightText(double weight)
{
    const QString sep = MdlFunctions::strDecimalSep();
    if (std::fabs(weight) >= 1e15)
        return NumberFormat::standardText(weight, sep);
    return NumberFormat::format000_000(weight, sep);
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
    lblWT_BRUTTO->setText(weightText(gross - tareValue(lblTareData)));
}

double frmClient::shownTare() const
{
    return tareValue(lblTareData);
}

void frmClient::ShowFastWeight(const QString &text)
{
    ShowStatusWeight(DeviceWeight(text));
}

// The device's weight text as a number; text that is no number counts as 0 and says "Not Number",
// once until a number comes again. Polling and fast sampling go on while the box is open, which opens
// after the reply's event: a box for every reply would pile up for as long as the device sends such text.
double frmClient::DeviceWeight(const QString &text)
{
    const std::optional<double> weight = MdlFunctions::NumberFromText(text);
    if (weight) {
        m_weightNotNumber = false;
        return *weight;
    }
    const QString message = QStringLiteral("Not Number");
    if (std::exchange(m_weightNotNumber, true))
        messageRepeat(message);
    else
        msgBoxAfterEvent(message);
    return 0.0;
}

void frmClient::chkTare_Click()
{
    if (chkTare->checkState() == Qt::Checked) {
        lblTareData->setText(lblWT_BRUTTO->text());
        lblWT_BRUTTO->setText(QStringLiteral("0"));
    } else {
        lblTareData->setText(QStringLiteral("0"));
    }
}
