// frmClient: the weight trend in the room right of the mode and message frames, and the stale style of
// the readouts from a missing answer until the next handled reply.
#include "frmClient.h"

#include "Controls.h"
#include "MdlFunctions.h"
#include "MonitorLayout.h"
#include "NumberFormat.h"
#include "StaleStyle.h"
#include "TrendPlot.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QTime>
#include <cmath>

namespace {
constexpr int SetPointOutput = 10; // the output the set point switches
constexpr int TrendMargin = 10;    // pixels between the trend and the frames or the window's edge
} // namespace

// ---- Weight trend ----------------------------------------------------------------------------------

void frmClient::createTrend()
{
    picWeightTrend = new TrendPlot(weightTrend, this);
    m_trendClock.start();
}

void frmClient::placeTrend()
{
    const QRect column = FraTimers->geometry() | FraHistory->geometry() | FraErrorStatus->geometry();
    std::vector<QRect> taken;
    for (const QWidget *c : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (c != picWeightTrend && !c->isWindow())
            taken.push_back(c->geometry());
    const QRect area =
        MonitorLayout::trendArea(column, width(), taken, TrendMargin, picWeightTrend->minimumSizeHint());
    // Hidden for the benchmark that measures what drawing the trend costs.
    picWeightTrend->setVisible(!area.isEmpty() && !qEnvironmentVariableIsSet("ZELK_BENCH_TREND_HIDDEN"));
    if (!area.isEmpty())
        picWeightTrend->setGeometry(area);
}

// The weight as the window shows it goes in; a weight that was no number breaks the curve instead.
void frmClient::trendTakeShownWeight()
{
    const std::optional<double> shown =
        NumberFormat::parseNumber(lblWT_BRUTTO->text(), MdlFunctions::strDecimalSep());
    if (m_weightNotNumber || !shown) {
        trendGap();
        return;
    }
    if (weightTrend.unit() != m_unit)
        weightTrend.setUnit(m_unit);
    weightTrend.add(m_trendClock.elapsed(), *shown);
    picWeightTrend->samplesChanged();
}

void frmClient::trendGap()
{
    weightTrend.gap(m_trendClock.elapsed());
    picWeightTrend->samplesChanged();
}

// The device holds a set point from an output word with the set point's output on and a value of 0 or
// more, with the set-point box ticked; any other word sent clears it.
void frmClient::showSetPointLine(std::int16_t sentWord)
{
    std::optional<double> armed;
    if (ChkSetPoint->checkState() == Qt::Checked && !(sentWord & aOutMask[SetPointOutput]))
        armed = NumberFormat::parseNumber(strSetPoint, MdlFunctions::strDecimalSep());
    if (armed && !(*armed >= 0))
        armed.reset();
    if (armed == m_setPointShown)
        return;
    m_setPointShown = armed;
    picWeightTrend->setSetPoint(armed);
}

// ---- Stale readouts --------------------------------------------------------------------------------

void frmClient::showStale()
{
    if (m_staleSince.isEmpty()) {
        m_staleSince =
            QStringLiteral("No answer since ") + QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        setReadoutsStale(true);
        trendGap();
    }
    lblCommStatusData->setText(m_staleSince);
}

void frmClient::showLive()
{
    if (!m_staleSince.isEmpty())
        setReadoutsStale(false);
    m_staleSince.clear();
}

void frmClient::setReadoutsStale(bool stale)
{
    for (QWidget *w : std::initializer_list<QWidget *>{lblWT_BRUTTO, lblTareData, lblA2D_Data})
        Zelk::setStale(w, stale);
    for (std::size_t i = 1; i < ShpInp.size(); ++i)
        Zelk::setStale(ShpInp[i], stale);
    for (std::size_t i = 1; i < ShpOut.size(); ++i)
        Zelk::setStale(ShpOut[i], stale);
}
