// What an operator's pointer and eyes reach: the widget the window system gives a click at a point,
// and the controls of a window that something covers or whose text their frame cuts off.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

class QWidget;

namespace Zelk::Automation {

// Where the window system delivers a press at `at` (pixels of `control`): the widget of the control's
// top-level window under that point, with the point in that widget's pixels.
struct Hit {
    QWidget *widget = nullptr;
    QPoint local;
};
Hit widgetAt(QWidget *control, QPoint at);

// Why a press at `at` would not reach `control` ("cmdSetOutOn(10) is covered by ShaSetPoint"), or an
// empty text when the widget under the point is the control or one of its children.
QString coveredAt(QWidget *control, const QString &name, QPoint at);

// Every fault an operator would meet with `window` as it stands: a visible, enabled control whose
// centre another widget covers, a control cut off by its container, and a caption wider or taller than
// the room its control gives it. One text per fault, naming the control.
QStringList reachProblems(const QWidget *window);

} // namespace Zelk::Automation
