// frmHistory_Graph: the two measuring cursors: vertical lines on the plot that the operator drags,
// kept on their readings through zoom and redraw, and the readout of both with their differences.
#include "Controls.h"
#include "GraphE.h"
#include "NumberFormat.h"
#include "Readouts.h"
#include "frmHistory_Graph.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <functional>

namespace {

constexpr int GripPx = 7; // the width a line can be grabbed by; the line is its middle pixel
constexpr std::array<QRgb, 3> LineColours{0, qRgb(204, 0, 204), qRgb(0, 128, 160)}; // magenta, dark cyan

// One measuring line: a thin strip of the plot that paints its middle pixel column, with a tab at each
// end, and reports where a left-button drag takes it (pixels of its parent). Other buttons and
// double-clicks pass on to the plot, so zooming works over a line as anywhere else.
class MeasureLine : public QWidget {
public:
    MeasureLine(QWidget *plot, QRgb colour, std::function<void(int)> dragged)
        : QWidget(plot), m_colour(colour), m_dragged(std::move(dragged))
    {
        setCursor(Qt::SizeHorCursor);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(GripPx / 2, 0, 1, height(), QColor(m_colour));
        p.fillRect(0, 0, GripPx, GripPx, QColor(m_colour)); // a tab to take hold of
        p.fillRect(0, height() - GripPx, GripPx, GripPx, QColor(m_colour));
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() != Qt::LeftButton) {
            e->ignore();
            return;
        }
        m_drag = true;
        m_dragged(x() + static_cast<int>(e->position().x()));
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (m_drag)
            m_dragged(x() + static_cast<int>(e->position().x()));
        else
            e->ignore(); // the plot follows the pointer over a line too
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton)
            m_drag = false;
        else
            e->ignore();
    }
    void mouseDoubleClickEvent(QMouseEvent *e) override
    {
        m_drag = false;
        e->ignore();
    }

private:
    QRgb m_colour;
    std::function<void(int)> m_dragged;
    bool m_drag = false;
};

// The value of `counts` as the readouts show it: whole counts, or the engineering value.
double shownValue(double counts, quint8 valueType, float gain, float offset)
{
    if (valueType == 2)
        return NumberFormat::roundHalfEven(counts); // whole counts of any size
    return Readouts::countsToValue(counts, gain, offset);
}

QString valueText(double value, quint8 valueType)
{
    return valueType == 2 ? NumberFormat::format0(value) : NumberFormat::format0_000(value);
}

} // namespace

void frmHistory_Graph::createMeasureCursors()
{
    for (int i : {1, 2}) {
        auto *line = new MeasureLine(pctGraphH, LineColours[static_cast<size_t>(i)],
                                     [this, i](int px) { moveMeasureCursor(i, px); });
        line->setObjectName(QStringLiteral("linCursor(%1)").arg(i));
        linCursor[static_cast<size_t>(i)] = line;
    }
}

// Ticked: both lines at a third and two thirds of the range in view. Unticked: lines and readout go.
void frmHistory_Graph::chkCursors_Click()
{
    if (chkCursors->isChecked()) {
        const quint8 s = slot();
        CursorReading[1] = GraphMath::ReadingInView(-1, LoIndex[s], HiIndex[s], 1);
        CursorReading[2] = GraphMath::ReadingInView(-1, LoIndex[s], HiIndex[s], 2);
    }
    placeMeasureCursors();
}

void frmHistory_Graph::placeMeasureCursors()
{
    const quint8 s = slot();
    const bool on = chkCursors->isChecked() && m_viewer.slotData[s].count() > 0;
    for (int i : {1, 2}) {
        QWidget *line = linCursor[static_cast<size_t>(i)];
        if (!on) {
            line->hide();
            continue;
        }
        qint32 &reading = CursorReading[static_cast<size_t>(i)];
        reading = GraphMath::ReadingInView(reading, LoIndex[s], HiIndex[s], i);
        standMeasureLine(i);
        line->show();
        line->raise(); // over the input labels
    }
    lblTaget->raise(); // a placed zoom rectangle stays on top to be dragged
    showCursorReadout();
}

void frmHistory_Graph::standMeasureLine(int index)
{
    const quint8 s = slot();
    const double x = GraphMath::ReadingToX(pctGraphH->widthTw(), LoIndex[s], HiIndex[s],
                                           CursorReading[static_cast<size_t>(index)]);
    const int last = std::max(0, pctGraphH->width() - 1); // the range's end stands on the last column
    const int px = std::min(static_cast<int>(std::floor(x / Zelk::twipsPerPixel())), last);
    linCursor[static_cast<size_t>(index)]->setGeometry(px - GripPx / 2, 0, GripPx, pctGraphH->height());
}

void frmHistory_Graph::moveMeasureCursor(int index, int plotPx)
{
    const quint8 s = slot();
    const int px = std::clamp(plotPx, 0, std::max(0, pctGraphH->width() - 1));
    const qint32 reading =
        GraphMath::PixelToIndex(pctGraphH->widthTw(), LoIndex[s], HiIndex[s], Zelk::pixelsToTwips(px));
    CursorReading[static_cast<size_t>(index)] = std::clamp(reading, LoIndex[s], HiIndex[s]);
    standMeasureLine(index);
    showCursorReadout();
}

// "1: t=418  1245.000 kg   2: t=836  68.000 kg   Δtime=418   Δvalue=-1177.000 kg": time as on the
// x axis, values in the current value type; the differences are cursor 2 minus cursor 1.
void frmHistory_Graph::showCursorReadout()
{
    const GraphE::GraphSlot &sd = m_viewer.slotData[slot()];
    const qint32 k1 = CursorReading[1], k2 = CursorReading[2];
    const auto valid = [&sd](qint32 k) { return k >= 0 && k <= sd.upperBound(); };
    if (!chkCursors->isChecked() || !valid(k1) || !valid(k2)) {
        lblCursors->clear();
        return;
    }
    const double v1 = shownValue(sd.value(k1), ValueType, A2DGain, A2DOffset);
    const double v2 = shownValue(sd.value(k2), ValueType, A2DGain, A2DOffset);
    const QString unit = QStringLiteral(" ") + UnitText;
    const auto point = [&](int n, qint32 k, double v) {
        return QStringLiteral("%1: t=%2  %3").arg(n).arg(sd.time(k)).arg(valueText(v, ValueType)) + unit;
    };
    lblCursors->setText(point(1, k1, v1) + QStringLiteral("   ") + point(2, k2, v2) +
                        QStringLiteral("   \u0394time=") +
                        QString::number(qint64(sd.time(k2)) - sd.time(k1)) +
                        QStringLiteral("   \u0394value=") + valueText(v2 - v1, ValueType) + unit);
}
