// frmHistory_Graph: zoom in through the cursor label or the mouse wheel, zoom out and reset through the
// zoom stack with the statistics of each new range, the cursor label's moves and sizes, the pan.
#include "Controls.h"
#include "GraphE.h"
#include "NumberFormat.h"
#include "Seams.h"
#include "frmHistory_Graph.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

void frmHistory_Graph::cmdUpdateGraph_Click()
{
    RefreshGraph(slot());
    ReadingsNumber();
}

// The new view from the cursor rectangle.
void frmHistory_Graph::cmdZoom_Click()
{
    GraphE::Viewer &v = m_viewer;
    const quint8 s = slot();
    const QRect c = Zelk::geometryTwips(lblTaget);
    const double ymin = Ymin, ymax = Ymax;
    const double plotH = pctGraphH->heightTw();
    Ymax = GraphMath::wholeLimit(GraphMath::PixelToValue(plotH, ymin, ymax, c.top()));
    Ymin = GraphMath::wholeLimit(GraphMath::PixelToValue(plotH, ymin, ymax, c.top() + c.height()));
    const double plotW = Zelk::pixelsToTwips(Frame1->width());
    const double xmin = LoIndex[s], xmax = HiIndex[s];
    LoIndex[s] = GraphMath::PixelToIndex(plotW, xmin, xmax, c.left()) + 1;
    HiIndex[s] = GraphMath::PixelToIndex(plotW, xmin, xmax, c.left() + c.width());
    const GraphE::GraphSlot &sd = v.slotData[s];
    HiIndex[s] = std::min(HiIndex[s], sd.upperBound());
    LoIndex[s] = std::max(LoIndex[s], 0);
    txtXmax->setText(timeText(HiIndex[s]));
    txtXmin->setText(timeText(LoIndex[s]));
    refreshStatistics(s);
    txtChannelScanned->setText(ChannelsLine + QStringLiteral("  ") + v.SamplesText);
}

void frmHistory_Graph::cmdMinus_Click()
{
    GraphE::Viewer &v = m_viewer;
    const quint8 s = slot();
    for (;;) {
        const int r = GraphMath::POP4(ZoomStack, CurXmin, CurXmax, CurYmin, CurYmax);
        if (r == GraphMath::StackDestroyed) {
            Zelk::MsgBox(GraphMath::StackDestroyedText);
            GraphE::EndProgram(0);
            return;
        }
        if (CurXmin >= CurXmax) {
            Zelk::MsgBox(QStringLiteral("Xmax <= Xmin [") + QString::number(CurXmax) + QStringLiteral("  ") +
                         QString::number(CurXmin));
            GraphE::EndProgram(0);
            return;
        }
        if (r >= 0) {
            LoIndex[s] = CurXmin;
            HiIndex[s] = CurXmax;
            txtXmin->setText(timeText(CurXmin));
            txtXmax->setText(timeText(CurXmax));
            Ymin = GraphMath::keptLimit(CurYmin);
            Ymax = GraphMath::keptLimit(CurYmax);
            refreshStatistics(s);
            txtChannelScanned->setText(ChannelsLine + QStringLiteral("  ") + v.SamplesText);
            lblTaget->hide();
            cmdUpdateGraph->setEnabled(false);
        }
        if (ZoomLevel < 2) {
            RefreshGraph(s);
            SetZoomButtons(false);
            ZoomLevel = 0;
            ResetAll = false;
            ReadingsNumber();
            return;
        }
        --ZoomLevel;
        if (!ResetAll) {
            RefreshGraph(s);
            ReadingsNumber();
            return;
        }
    }
}

void frmHistory_Graph::cmdReSet_Click()
{
    ResetAll = true;
    cmdMinus_Click();
    ZoomLevel = 0;
    ResetAll = false;
    cmdReSet->setEnabled(false);
    cmdMinus->setEnabled(false);
    Zelk::setBackColor(cmdReSet, ColorZoomOff);
    Zelk::setBackColor(cmdMinus, ColorZoomOff);
}

void frmHistory_Graph::HScroll1_Change()
{
    const int excess = pctGraphH->width() - Frame1->width();
    const int range = HScroll1->maximum() - HScroll1->minimum();
    if (range == 0)
        return;
    const int offset = GraphMath::roundWhole(static_cast<double>(HScroll1->value()) * excess / range);
    if (offset >= 0) {
        pctGraphH->move(-offset, pctGraphH->y());
        pctXscale->move(-offset, pctXscale->y());
    }
}

void frmHistory_Graph::pctGraphH_DblClick()
{
    Zelk::setGeometryTwips(lblTaget, MouseX, MouseY, Zelk::geometryTwips(lblTaget).width(),
                           Zelk::geometryTwips(lblTaget).height());
    lblTaget->show();
    lblTaget->raise();
    cmdUpdateGraph->setEnabled(true);
    Zelk::setBackColor(cmdUpdateGraph, ColorZoomOn);
}

void frmHistory_Graph::lblTaget_MouseDown(double x, double y)
{
    DragOn = true;
    DownX = GraphMath::roundWhole(x);
    DownY = GraphMath::roundWhole(y);
}

void frmHistory_Graph::lblTaget_MouseMove(double x, double y)
{
    const QRect c = Zelk::geometryTwips(lblTaget);
    const double w = c.width(), h = c.height();
    if (y > 0.8 * h && x > 0.8 * w) {
        m_grip = CursorGrip::Diagonal;
        lblTaget->setCursor(Qt::SizeFDiagCursor);
    } else if (y > 0.8 * h) {
        m_grip = CursorGrip::Vertical;
        lblTaget->setCursor(Qt::SizeVerCursor);
    } else if (x > 0.8 * w) {
        m_grip = CursorGrip::Horizontal;
        lblTaget->setCursor(Qt::SizeHorCursor);
    } else {
        m_grip = x > 0 && y > 0 ? CursorGrip::Move : CursorGrip::None;
        lblTaget->setCursor(m_grip == CursorGrip::Move ? Qt::SizeAllCursor : Qt::ArrowCursor);
    }
    if (!DragOn)
        return;
    const int plotW = static_cast<int>(pctGraphH->widthTw());
    int left = c.left(), top = c.top(), width = c.width(), height = c.height();
    switch (m_grip) {
    case CursorGrip::Vertical:
        height = static_cast<int>(y);
        break;
    case CursorGrip::Horizontal:
        width = static_cast<int>(x);
        break;
    case CursorGrip::Diagonal:
        if (x > 0 && x < plotW)
            width = static_cast<int>(x);
        height = static_cast<int>(y);
        break;
    case CursorGrip::Move:
        top -= DownY - GraphMath::roundWhole(y);
        left -= DownX - GraphMath::roundWhole(x);
        if (left < 0)
            left = 0;
        else if (left + width >= plotW)
            width = plotW - left;
        break;
    case CursorGrip::None:
        break;
    }
    Zelk::setGeometryTwips(lblTaget, left, top, std::max(width, 1), std::max(height, 1));
}

void frmHistory_Graph::lblTaget_DblClick()
{
    RefreshGraph(slot());
    ReadingsNumber();
}

bool frmHistory_Graph::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == pctGraphH && event->type() == QEvent::Wheel) {
        // Whole notches of 120 (1/8 degrees) zoom; a touchpad's smaller turns add up to them.
        const auto *we = static_cast<QWheelEvent *>(event);
        const qint64 turn = qint64(m_wheelRest) + we->angleDelta().y();
        const int steps = static_cast<int>(turn / 120);
        m_wheelRest = static_cast<int>(turn % 120);
        if (steps != 0)
            pctGraphH_Wheel(Zelk::pixelsToTwips(static_cast<int>(we->position().x())), steps);
        return true;
    }
    const auto *me = dynamic_cast<QMouseEvent *>(event);
    if (!me)
        return QWidget::eventFilter(watched, event);
    const double x = Zelk::pixelsToTwips(static_cast<int>(me->position().x()));
    const double y = Zelk::pixelsToTwips(static_cast<int>(me->position().y()));
    if (watched == pctGraphH) {
        switch (event->type()) {
        case QEvent::MouseMove:
            MouseX = GraphMath::roundWhole(x);
            MouseY = GraphMath::roundWhole(y);
            pctGraphH->setToolTip(cmdMinus->isEnabled()
                                      ? QStringLiteral("Double-click to zoom in or Right-click to zoom out")
                                      : QStringLiteral("Double-click to zoom in "));
            return false;
        case QEvent::MouseButtonDblClick:
            MouseX = GraphMath::roundWhole(x);
            MouseY = GraphMath::roundWhole(y);
            pctGraphH_DblClick();
            return true;
        case QEvent::MouseButtonPress:
            if (me->button() == Qt::RightButton && cmdMinus->isEnabled())
                cmdMinus_Click();
            return true;
        default:
            return false;
        }
    }
    if (watched == lblTaget) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            lblTaget_MouseDown(x, y);
            return true;
        case QEvent::MouseButtonRelease:
            DragOn = false;
            return true;
        case QEvent::MouseMove:
            lblTaget_MouseMove(x, y);
            return true;
        case QEvent::MouseButtonDblClick:
            DragOn = false;
            lblTaget_DblClick();
            return true;
        default:
            return false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Each notch in pushes the view it leaves, as a zoom through the cursor does, so "-" and "ReSet" step
// back through wheel zooms too; a notch out widens the view without pushing. The value limits stay.
void frmHistory_Graph::pctGraphH_Wheel(double x, int steps)
{
    const quint8 s = slot();
    const GraphE::GraphSlot &sd = m_viewer.slotData[s];
    if (m_composed || steps == 0 || sd.count() < 2)
        return;
    const double w = pctGraphH->widthTw();
    const double pointer = GraphMath::PixelToX(w, LoIndex[s], HiIndex[s], std::clamp(x, 0.0, w));
    const double ymin = NumberFormat::roundHalfEven(Ymin);
    const double ymax = NumberFormat::roundHalfEven(Ymax);
    GraphMath::XRange r{LoIndex[s], HiIndex[s]};
    const int notches = std::abs(std::clamp(steps, -1000, 1000)); // far more than any range needs
    for (int i = 0; i < notches; ++i) {
        const GraphMath::XRange next =
            GraphMath::WheelRange(r.lo, r.hi, pointer, steps > 0 ? 1 : -1, sd.upperBound());
        if (next == r)
            break;
        if (steps > 0) {
            GraphMath::PUSH4_L(ZoomStack, r.lo, r.hi, ymin, ymax);
            ++ZoomLevel;
        }
        r = next;
    }
    if (r != GraphMath::XRange{LoIndex[s], HiIndex[s]})
        applyRange(r);
}

// The view of readings r.lo..r.hi with the value limits kept: readouts, statistics and the plot.
void frmHistory_Graph::applyRange(GraphMath::XRange r)
{
    const quint8 s = slot();
    lblTaget->hide(); // the range is chosen: a placed zoom rectangle is dropped
    LoIndex[s] = r.lo;
    HiIndex[s] = r.hi;
    txtXmin->setText(timeText(r.lo));
    txtXmax->setText(timeText(r.hi));
    refreshStatistics(s);
    txtChannelScanned->setText(ChannelsLine + QStringLiteral("  ") + m_viewer.SamplesText);
    RefreshGraph(s);
    if (ZoomLevel == 0)
        SetZoomButtons(false); // nothing on the stack to step back to
    ReadingsNumber();
}

bool frmHistory_Graph::showRange(qint32 first, qint32 last)
{
    const quint8 s = slot();
    if (first < 0 || last > m_viewer.slotData[s].upperBound() || last - first < 6)
        return false;
    GraphMath::PUSH4_L(ZoomStack, LoIndex[s], HiIndex[s], NumberFormat::roundHalfEven(Ymin),
                       NumberFormat::roundHalfEven(Ymax));
    ++ZoomLevel;
    applyRange({first, last});
    return true;
}
