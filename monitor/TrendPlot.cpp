// The live weight trend's plot: axes, set-point line and curve drawn from the trend's columns at most
// every RepaintMs, and the context menu with the span choice and the CSV save.
#include "TrendPlot.h"

#include "SafeWrite.h"
#include "Seams.h"

#include <QAction>
#include <QActionGroup>
#include <QPainter>
#include <cmath>

namespace {

constexpr int Gap = 4; // between labels and the plot area

// A value's row inside `area`, for a value axis from `range.low` (bottom) to `range.high` (top).
int rowOf(double value, const TrendScale::Range &range, const QRect &area)
{
    const double f = (value - range.low) / (range.high - range.low);
    // Far outside the range is just outside the area (and never beyond what an int holds).
    return area.bottom() - qRound((std::isnan(f) ? 0.5 : std::clamp(f, -1.0, 2.0)) * (area.height() - 1));
}

void drawValueAxis(QPainter &p, const QRect &area, const TrendScale::Range &range, const QString &unit)
{
    const int rowHeight = p.fontMetrics().height();
    const std::vector<double> ticks =
        TrendScale::roundTicks(range.low, range.high, area.height() / (2 * rowHeight));
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 0;
    for (const double v : ticks) {
        const int y = rowOf(v, range, area);
        p.setPen(QColor(224, 224, 224));
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(Qt::black);
        p.drawText(QRect(0, y - rowHeight / 2, area.left() - Gap, rowHeight),
                   Qt::AlignRight | Qt::AlignVCenter, TrendScale::tickText(v, step));
    }
    p.drawText(QRect(0, 0, area.left() - Gap, area.top()), Qt::AlignRight | Qt::AlignVCenter, unit);
}

// Seconds before now: "-60 s" at the left edge of a one-minute span, "0 s" at the right.
void drawTimeAxis(QPainter &p, const QRect &area, int spanSeconds, int widgetWidth)
{
    const QFontMetrics fm = p.fontMetrics();
    const std::vector<double> ticks = TrendScale::roundTicks(
        -spanSeconds, 0, area.width() / fm.horizontalAdvance(QStringLiteral("-0000 s  ")));
    for (const double s : ticks) {
        const int x = area.right() + qRound(s / spanSeconds * (area.width() - 1));
        const QString text = QString::number(s, 'f', 0) + QStringLiteral(" s");
        const int w = fm.horizontalAdvance(text);
        const int left = std::clamp(x - w / 2, 0, widgetWidth - w);
        p.setPen(QColor(224, 224, 224));
        p.drawLine(x, area.top(), x, area.bottom());
        p.setPen(Qt::black);
        p.drawText(QRect(left, area.bottom() + 2, w, fm.height()), Qt::AlignCenter, text);
    }
}

// Each column a stroke from its minimum to its maximum, a line from one column's last value to the
// next column's first, none after a column where a gap starts.
void drawCurve(QPainter &p, const QRect &area, const std::vector<WeightTrend::Column> &columns,
               const TrendScale::Range &range)
{
    p.setPen(QPen(TrendPlot::CurveColor, 1));
    const WeightTrend::Column *previous = nullptr;
    for (const WeightTrend::Column &c : columns) {
        const int x = area.left() + c.index;
        if (previous && !previous->gapAfter)
            p.drawLine(area.left() + previous->index, rowOf(previous->last, range, area), x,
                       rowOf(c.first, range, area));
        p.drawLine(x, rowOf(c.min, range, area), x, rowOf(c.max, range, area));
        previous = &c;
    }
}

} // namespace

TrendPlot::TrendPlot(const WeightTrend &trend, QWidget *parent, const QString &objectName)
    : QWidget(parent), m_trend(trend)
{
    setObjectName(objectName);
    m_repaint.setSingleShot(true);
    m_repaint.setInterval(RepaintMs);
    connect(&m_repaint, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *spans = new QActionGroup(this);
    for (const int minutes : {1, 10, 60})
        spans->addAction(addSpanAction(minutes));
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    auto *save = new QAction(QStringLiteral("Save trend as CSV..."), this);
    save->setObjectName(QStringLiteral("mnuTrendSaveCsv"));
    connect(save, &QAction::triggered, this, &TrendPlot::saveCsv);
    addAction(save);
}

QAction *TrendPlot::addSpanAction(int minutes)
{
    auto *action = new QAction(
        minutes == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(minutes), this);
    action->setObjectName(QStringLiteral("mnuTrendSpan%1").arg(minutes));
    action->setCheckable(true);
    action->setChecked(minutes == m_spanMinutes);
    connect(action, &QAction::triggered, this, [this, minutes] { setSpanMinutes(minutes); });
    addAction(action);
    return action;
}

void TrendPlot::samplesChanged()
{
    if (!m_repaint.isActive())
        m_repaint.start();
}

void TrendPlot::setSetPoint(std::optional<double> value)
{
    m_setPoint = value;
    update();
}

void TrendPlot::setSpanMinutes(int minutes)
{
    m_spanMinutes = std::clamp(minutes, 1, 60);
    if (QAction *action = findChild<QAction *>(QStringLiteral("mnuTrendSpan%1").arg(minutes)))
        action->setChecked(true);
    update();
}

QRect TrendPlot::plotArea() const
{
    const QFontMetrics fm = fontMetrics();
    const int left = fm.horizontalAdvance(QStringLiteral("-00000.00")) + Gap;
    const int top = fm.height();
    const int right = fm.horizontalAdvance(QStringLiteral("0 s")) / 2 + Gap;
    const int bottom = fm.height() + Gap;
    return QRect(left, top, width() - left - right, height() - top - bottom);
}

void TrendPlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect area = plotArea();
    if (area.width() < 2 || area.height() < 2)
        return;
    p.fillRect(area, Qt::white);
    const std::vector<WeightTrend::Column> columns = m_trend.columns(m_spanMinutes * 60000LL, area.width());
    const TrendScale::Range range = TrendScale::valueRange(columns);
    drawValueAxis(p, area, range, m_trend.unit());
    drawTimeAxis(p, area, m_spanMinutes * 60, width());
    p.setClipRect(area);
    if (m_setPoint && std::isfinite(*m_setPoint)) {
        p.setPen(QPen(SetPointColor, 1, Qt::DashLine));
        const int y = rowOf(*m_setPoint, range, area);
        p.drawLine(area.left(), y, area.right(), y);
    }
    drawCurve(p, area, columns, range);
    p.setClipping(false);
    p.setPen(Qt::gray);
    p.drawRect(area.adjusted(0, 0, -1, -1));
}

void TrendPlot::saveCsv()
{
    Zelk::FileDialogRequest request;
    request.title = QStringLiteral("Save trend as CSV");
    request.presetFile = QStringLiteral("trend.csv");
    request.filter = QStringLiteral("CSV files (*.csv)|*.csv|All files (*.*)|*.*");
    request.existingOnly = false;
    request.save = true;
    const std::optional<QString> path = Zelk::fileDialog().getOpenFileName(this, request);
    if (!path)
        return;
    QString error;
    if (!Zelk::saveWhole(*path, TrendCsv::text(m_trend), &error))
        Zelk::MsgBox(QStringLiteral("The trend could not be saved to %1: %2").arg(*path, error));
}
