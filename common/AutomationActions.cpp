// The user's actions the automation driver performs on controls: clicks, drags, typing, keys,
// check boxes, option buttons and list rows, as the window system would deliver them.
#include "AutomationActions.h"

#include "AutomationReach.h"
#include "Controls.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QWheelEvent>
#include <cstdlib>

namespace Zelk::Automation {

QStringList words(const QString &text)
{
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

std::optional<int> toInt(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// The reason a user could not act on `w`, or an empty text.
QString unreachable(const QWidget *w, const QString &name)
{
    if (!w->isEnabled())
        return name + QStringLiteral(" is disabled");
    if (!w->isVisible())
        return name + QStringLiteral(" is hidden");
    return {};
}

namespace {

// A press and what follows it go to the widget of the top-level window under the pointer, like the
// window system does; points are given in pixels of the control aimed at.
class MouseSequence {
public:
    MouseSequence(QWidget *control, QPoint at)
    {
        const Hit hit = widgetAt(control, at);
        m_receiver = hit.widget;
        m_offset = hit.local - at;
    }
    void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        if (!m_receiver)
            return;
        const QPointF local(at + m_offset);
        const QPointF scene(m_receiver->mapTo(m_receiver->window(), local.toPoint()));
        QMouseEvent event(type, local, scene, QPointF(m_receiver->mapToGlobal(local.toPoint())), button,
                          buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(m_receiver, &event);
    }
    void click(QPoint at, Qt::MouseButton button)
    {
        send(QEvent::MouseButtonPress, at, button, button);
        send(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }
    // One turn of the wheel by `notches` (positive: away from the user).
    void wheel(QPoint at, int notches)
    {
        if (!m_receiver)
            return;
        const QPointF local(at + m_offset);
        QWheelEvent event(local, QPointF(m_receiver->mapToGlobal(local.toPoint())), QPoint(),
                          QPoint(0, notches * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_receiver, &event);
    }

private:
    QPointer<QWidget> m_receiver;
    QPoint m_offset;
};

// (X, Y) from the two words of a command; nullopt unless both are whole numbers.
std::optional<QPoint> pointFrom(const QString &x, const QString &y)
{
    bool xOk = false;
    bool yOk = false;
    const QPoint point(x.toInt(&xOk), y.toInt(&yOk));
    if (!xOk || !yOk)
        return std::nullopt;
    return point;
}

std::optional<QPoint> pointOrCentre(const QWidget *w, const QStringList &args)
{
    if (args.isEmpty())
        return w->rect().center();
    if (args.size() != 2)
        return std::nullopt;
    return pointFrom(args.at(0), args.at(1));
}

QString clickControl(QWidget *w, const QString &name, const QString &)
{
    const QPoint at = w->rect().center();
    if (QString covered = coveredAt(w, name, at); !covered.isEmpty())
        return covered;
    MouseSequence(w, at).click(at, Qt::LeftButton);
    return {};
}

QString doubleClickControl(QWidget *w, const QString &name, const QString &rest)
{
    const auto at = pointOrCentre(w, words(rest));
    if (!at)
        return QStringLiteral("usage: dblclick ") + name + QStringLiteral(" [X Y]");
    if (QString covered = coveredAt(w, name, *at); !covered.isEmpty())
        return covered;
    MouseSequence mouse(w, *at);
    mouse.click(*at, Qt::LeftButton);
    mouse.send(QEvent::MouseButtonDblClick, *at, Qt::LeftButton, Qt::LeftButton);
    mouse.send(QEvent::MouseButtonRelease, *at, Qt::LeftButton, Qt::NoButton);
    return {};
}

QString rightClickControl(QWidget *w, const QString &name, const QString &rest)
{
    const auto at = pointOrCentre(w, words(rest));
    if (!at)
        return QStringLiteral("usage: rclick ") + name + QStringLiteral(" [X Y]");
    if (QString covered = coveredAt(w, name, *at); !covered.isEmpty())
        return covered;
    MouseSequence(w, *at).click(*at, Qt::RightButton);
    return {};
}

QString dragControl(QWidget *w, const QString &name, const QString &rest)
{
    const QStringList args = words(rest);
    QList<int> values;
    for (const QString &arg : args)
        if (const auto value = toInt(arg))
            values.append(*value);
    if (args.size() != 4 || values.size() != 4)
        return QStringLiteral("usage: drag ") + name + QStringLiteral(" X1 Y1 X2 Y2");
    const QPoint from(values.at(0), values.at(1));
    const QPoint to(values.at(2), values.at(3));
    if (QString covered = coveredAt(w, name, from); !covered.isEmpty())
        return covered;
    MouseSequence mouse(w, from);
    mouse.send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    constexpr int Steps = 8;
    for (int step = 1; step <= Steps; ++step)
        mouse.send(QEvent::MouseMove, from + (to - from) * step / Steps, Qt::NoButton, Qt::LeftButton);
    mouse.send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    return {};
}

// STEPS notches of the wheel (positive: away from the user) at (X, Y), as one turn of the wheel.
QString wheelControl(QWidget *w, const QString &name, const QString &rest)
{
    QStringList args = words(rest);
    bool stepsOk = !args.isEmpty();
    const int steps = stepsOk ? args.takeFirst().toInt(&stepsOk) : 0;
    const auto at = pointOrCentre(w, args);
    if (!stepsOk || !at || std::abs(steps) > 1000)
        return QStringLiteral("usage: wheel ") + name + QStringLiteral(" STEPS [X Y]");
    if (QString covered = coveredAt(w, name, *at); !covered.isEmpty())
        return covered;
    MouseSequence(w, *at).wheel(*at, steps);
    return {};
}

template <typename Edit> void replacePlainText(Edit *edit, const QString &text)
{
    edit->selectAll();
    QTextCursor cursor = edit->textCursor();
    cursor.removeSelectedText();
    edit->setTextCursor(cursor);
    if (!text.isEmpty())
        edit->insertPlainText(text);
}

QString typeText(QWidget *w, const QString &name, const QString &text)
{
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        if (line->isReadOnly())
            return name + QStringLiteral(" is read-only");
        // Replacing the selection the way typing does, so textEdited fires too.
        line->selectAll();
        if (text.isEmpty())
            line->del();
        else
            line->insert(text);
        return {};
    }
    if (auto *edit = qobject_cast<QTextEdit *>(w); edit && !edit->isReadOnly()) {
        replacePlainText(edit, text);
        return {};
    }
    if (auto *plain = qobject_cast<QPlainTextEdit *>(w); plain && !plain->isReadOnly()) {
        replacePlainText(plain, text);
        return {};
    }
    return name + QStringLiteral(" is not a text box that takes typing");
}

// The Qt key and its text for a character code (13 Enter, 8 Backspace, 9 Tab, 27 Escape).
QPair<int, QString> keyFor(int code)
{
    switch (code) {
    case 13:
        return {Qt::Key_Return, QStringLiteral("\r")};
    case 8:
        return {Qt::Key_Backspace, QStringLiteral("\b")};
    case 9:
        return {Qt::Key_Tab, QStringLiteral("\t")};
    case 27:
        return {Qt::Key_Escape, QStringLiteral("\x1b")};
    default:
        break;
    }
    const QChar c(static_cast<char16_t>(code));
    return {c.toUpper().unicode(), QString(c)};
}

QString pressKey(QWidget *w, const QString &name, const QString &rest)
{
    const QStringList args = words(rest);
    const auto code = args.size() == 1 ? toInt(args.at(0)) : std::nullopt;
    if (!code || *code <= 0 || *code > 0xFFFF)
        return QStringLiteral("usage: key ") + name + QStringLiteral(" CODE (a character code 1-65535)");
    const auto [key, text] = keyFor(*code);
    QPointer<QWidget> receiver = w->focusProxy() ? w->focusProxy() : w;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(receiver, &press);
    if (receiver) {
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(receiver, &release);
    }
    return {};
}

QString checkControl(QWidget *w, const QString &name, const QString &rest)
{
    const QStringList args = words(rest);
    const int value = args.size() == 1 ? toInt(args.at(0)).value_or(-1) : -1; // -1: no usable value
    if (auto *check = qobject_cast<QCheckBox *>(w)) {
        if (value < 0 || value > 2)
            return QStringLiteral("usage: check ") + name + QStringLiteral(" 0|1|2");
        setCheckValue(check, value);
        return {};
    }
    if (auto *option = qobject_cast<QRadioButton *>(w)) {
        if (value != 1)
            return QStringLiteral("an option button can only be selected: check ") + name +
                   QStringLiteral(" 1");
        return clickControl(option, name, {});
    }
    return name + QStringLiteral(" is not a check box or option button");
}

QString selectRow(QWidget *w, const QString &name, const QString &rest)
{
    auto *view = qobject_cast<QAbstractItemView *>(w);
    if (!view || !view->model())
        return name + QStringLiteral(" is not a list box");
    const QStringList args = words(rest);
    const std::optional<int> given = args.size() == 1 ? toInt(args.at(0)) : std::optional<int>();
    const int rows = view->model()->rowCount(view->rootIndex());
    if (!given.has_value())
        return QStringLiteral("usage: select ") + name + QStringLiteral(" ROW");
    const int row = given.value_or(-1);
    if (row < 0 || row >= rows)
        return QStringLiteral("row %1 of %2 is out of range (%3 rows)").arg(row).arg(name).arg(rows);
    const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
    view->scrollTo(index);
    const QRect rect = view->visualRect(index);
    if (rect.isValid() && view->viewport()->rect().contains(rect.center())) {
        if (QString covered = coveredAt(view->viewport(), name, rect.center()); !covered.isEmpty())
            return covered;
        MouseSequence(view->viewport(), rect.center()).click(rect.center(), Qt::LeftButton);
        return {};
    }
    // A row that cannot be shown (a list too small to draw it) is selected as a click would.
    view->setCurrentIndex(index);
    emit view->clicked(index);
    return {};
}

struct ActionCommand {
    const char *verb;
    Action act;
};
// clang-format off
constexpr ActionCommand Actions[] = {
    {"click", clickControl},
    {"dblclick", doubleClickControl},
    {"rclick", rightClickControl},
    {"drag", dragControl},
    {"wheel", wheelControl},
    {"type", typeText},
    {"key", pressKey},
    {"check", checkControl},
    {"select", selectRow},
};
// clang-format on

} // namespace

Action actionFor(const QString &verb)
{
    for (const ActionCommand &command : Actions)
        if (verb == QLatin1String(command.verb))
            return command.act;
    return nullptr;
}

} // namespace Zelk::Automation
