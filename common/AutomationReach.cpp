// What an operator's pointer and eyes reach: hit-testing at the top-level window as the window
// system does it, and the covered, cut-off and too-narrow controls of a window.
#include "AutomationReach.h"

#include "AutomationState.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace Zelk::Automation {

namespace {

bool isQtInternal(const QString &name)
{
    return name.isEmpty() || name.startsWith(QLatin1String("qt_"));
}

// The name an operator's script knows a widget by: its own, else its nearest named container's.
QString nameOf(const QWidget *w)
{
    for (; w; w = w->parentWidget())
        if (!isQtInternal(w->objectName()))
            return w->objectName();
    return QStringLiteral("an unnamed widget");
}

// A caption as it is drawn: "&&" shows one ampersand, a single one marks the shortcut and is not drawn.
QString drawnText(QString text)
{
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// The room a button's style gives its caption, beside its indicator or icon.
QRect buttonTextRoom(const QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox *>(button))
        element = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton *>(button))
        element = QStyle::SE_RadioButtonContents;
    QRect room = button->style()->subElementRect(element, &option, button);
    if (element == QStyle::SE_PushButtonContents && !button->icon().isNull())
        room.setLeft(room.left() + button->iconSize().width() + 4);
    return room;
}

// Why the caption of `w` does not fit the room its control gives it, or an empty text.
QString captionCut(const QWidget *w)
{
    QString text;
    QRect room;
    int flags = Qt::AlignLeft | Qt::AlignTop;
    if (const auto *label = qobject_cast<const QLabel *>(w)) {
        if (label->textFormat() == Qt::RichText ||
            (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text())))
            return {};
        text = label->text();
        const int margin = label->margin();
        room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
        if (label->wordWrap())
            flags |= Qt::TextWordWrap;
    } else if (const auto *button = qobject_cast<const QAbstractButton *>(w)) {
        text = drawnText(button->text());
        room = buttonTextRoom(button);
    }
    if (text.trimmed().isEmpty())
        return {};
    const QRect needs = w->fontMetrics().boundingRect(QRect(QPoint(0, 0), room.size()), flags, text);
    if (needs.width() <= room.width() && needs.height() <= room.height())
        return {};
    return QStringLiteral("%1 cuts its caption \"%2\": it needs %3x%4 pixels and has %5x%6")
        .arg(nameOf(w), text)
        .arg(needs.width())
        .arg(needs.height())
        .arg(room.width())
        .arg(room.height());
}

// Why `w` is not wholly inside its container (the container's edge cuts it off), or an empty text.
QString containerCut(const QWidget *w)
{
    const QWidget *parent = w->parentWidget();
    if (!parent || parent->rect().contains(w->geometry()))
        return {};
    return QStringLiteral("%1 is cut off by %2").arg(nameOf(w), nameOf(parent));
}

} // namespace

Hit widgetAt(QWidget *control, QPoint at)
{
    QWidget *window = control->window();
    const QPoint inWindow = control->mapTo(window, at);
    QWidget *hit = window->childAt(inWindow);
    if (!hit)
        hit = window;
    return {hit, hit->mapFrom(window, inWindow)};
}

QString coveredAt(QWidget *control, const QString &name, QPoint at)
{
    const QWidget *hit = widgetAt(control, at).widget;
    if (hit == control || control->isAncestorOf(hit))
        return {};
    return name + QStringLiteral(" is covered by ") + nameOf(hit);
}

QStringList reachProblems(const QWidget *window)
{
    QStringList problems;
    for (QWidget *w : namedControls(window)) {
        if (!w->isVisible())
            continue;
        const QString name = w->objectName();
        for (const QString &problem : {containerCut(w), captionCut(w)})
            if (!problem.isEmpty())
                problems.append(problem);
        if (w->isEnabled() && !w->testAttribute(Qt::WA_TransparentForMouseEvents))
            if (const QString covered = coveredAt(w, name, w->rect().center()); !covered.isEmpty())
                problems.append(covered);
    }
    return problems;
}

} // namespace Zelk::Automation
