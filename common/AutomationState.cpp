// Control lookup by name and the state of a control as the automation driver prints it.
// Colours come from the stored OLE values, geometry in twips relative to the container.
#include "AutomationState.h"

#include "Controls.h"
#include "StaleStyle.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTextEdit>
#include <algorithm>
#include <cmath>

namespace Zelk::Automation {

namespace {

// A value on its own, as compact JSON.
QByteArray valueJson(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

bool isQtInternal(const QString &name)
{
    return name.isEmpty() || name.startsWith(QLatin1String("qt_"));
}

double fontSize(const QWidget *w)
{
    const QFont font = w->font();
    double points = font.pointSizeF();
    if (points <= 0) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        points = font.pixelSize() * 72.0 / (screen ? screen->logicalDotsPerInchY() : 96.0);
    }
    return std::round(points * 100.0) / 100.0;
}

std::optional<QString> caption(const QWidget *w)
{
    if (w->isWindow())
        return w->windowTitle();
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (const auto *group = qobject_cast<const QGroupBox *>(w))
        return group->title();
    return std::nullopt;
}

std::optional<QString> boxText(const QWidget *w)
{
    if (const auto *line = qobject_cast<const QLineEdit *>(w))
        return line->text();
    if (const auto *edit = qobject_cast<const QTextEdit *>(w))
        return edit->toPlainText();
    if (const auto *held = qobject_cast<const Zelk::HeldTextView *>(w))
        return held->text(); // a hidden view's text as it will show it, laid out or not
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(w))
        return plain->toPlainText();
    return std::nullopt;
}

std::optional<QJsonValue> controlValue(const QWidget *w)
{
    if (const auto *check = qobject_cast<const QCheckBox *>(w))
        return QJsonValue(checkValue(check));
    if (const auto *option = qobject_cast<const QRadioButton *>(w))
        return QJsonValue(option->isChecked());
    if (const auto *slider = qobject_cast<const QAbstractSlider *>(w))
        return QJsonValue(slider->value());
    return std::nullopt;
}

void addListState(JsonLine &line, const QAbstractItemView *view)
{
    const QAbstractItemModel *model = view->model();
    QJsonArray items;
    for (int row = 0; model && row < model->rowCount(view->rootIndex()); ++row)
        items.append(model->index(row, 0, view->rootIndex()).data(Qt::DisplayRole).toString());
    line.add(QStringLiteral("items"), items);
    const QModelIndex current = view->currentIndex();
    line.add(QStringLiteral("selected"), current.isValid() ? current.row() : -1);
}

// Shown windows report what the user sees; a hidden window's controls report their own flag.
bool visibleFlag(const QWidget *w)
{
    return w->window()->isVisible() ? w->isVisible() : !w->isHidden();
}

// Shown windows first, then by name; the active window before all.
bool windowOrder(const QWidget *a, const QWidget *b)
{
    const QWidget *active = QApplication::activeWindow();
    if ((a == active) != (b == active))
        return a == active;
    if (a->isVisible() != b->isVisible())
        return a->isVisible();
    return a->objectName() < b->objectName();
}

QWidget *findIn(QWidget *window, const QString &name)
{
    if (window->objectName() == name)
        return window;
    return window->findChild<QWidget *>(name);
}

} // namespace

JsonLine &JsonLine::add(const QString &key, const QJsonValue &value)
{
    m_fields.append({key, value});
    return *this;
}

JsonLine &JsonLine::append(const JsonLine &other)
{
    m_fields += other.m_fields;
    return *this;
}

std::optional<QJsonValue> JsonLine::value(const QString &key) const
{
    for (const auto &field : m_fields)
        if (field.first == key)
            return field.second;
    return std::nullopt;
}

QByteArray JsonLine::toJson() const
{
    QByteArray out("{");
    for (const auto &field : m_fields) {
        if (out.size() > 1)
            out += ',';
        out += valueJson(field.first) + ':' + valueJson(field.second);
    }
    return out + '}';
}

QString oleHex(std::uint32_t ole)
{
    const int digits = ole > 0xFFFFFFu ? 8 : 6;
    return QStringLiteral("0x") + QString::number(ole, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString propertyText(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    return QString::fromUtf8(valueJson(value));
}

QList<QWidget *> windows()
{
    QList<QWidget *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (!isQtInternal(w->objectName()))
            found.append(w);
    std::stable_sort(found.begin(), found.end(), windowOrder);
    return found;
}

QList<QWidget *> namedControls(const QWidget *window)
{
    QList<QWidget *> controls;
    for (QWidget *w : window->findChildren<QWidget *>())
        if (!isQtInternal(w->objectName()) && !w->isWindow())
            controls.append(w);
    return controls;
}

QWidget *findControl(const QString &name)
{
    const QList<QWidget *> all = windows();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString windowName = name.left(dot);
        const QString controlName = name.mid(dot + 1);
        for (QWidget *window : all)
            if (window->objectName() == windowName)
                if (QWidget *found = findIn(window, controlName))
                    return found;
    }
    for (QWidget *window : all)
        if (QWidget *found = findIn(window, name))
            return found;
    return nullptr;
}

JsonLine controlState(const QWidget *w)
{
    JsonLine line;
    line.add(QStringLiteral("window"), w->window()->objectName());
    line.add(QStringLiteral("name"), w->objectName());
    if (const auto text = caption(w))
        line.add(QStringLiteral("caption"), *text);
    line.add(QStringLiteral("enabled"), w->isEnabled());
    line.add(QStringLiteral("visible"), visibleFlag(w));
    line.add(QStringLiteral("backcolor"), oleHex(backColor(w)));
    line.add(QStringLiteral("forecolor"), oleHex(foreColor(w)));
    if (isStale(w))
        line.add(QStringLiteral("stale"), true);
    line.add(QStringLiteral("fontsize"), fontSize(w));
    if (const auto text = boxText(w))
        line.add(QStringLiteral("text"), *text);
    if (const auto value = controlValue(w))
        line.add(QStringLiteral("value"), *value);
    if (const auto *shape = qobject_cast<const Shape *>(w)) {
        line.add(QStringLiteral("shape"), shape->shape());
        line.add(QStringLiteral("fillcolor"), oleHex(shape->fillColor()));
    }
    if (!w->toolTip().isEmpty())
        line.add(QStringLiteral("tooltip"), w->toolTip());
    if (const auto *view = qobject_cast<const QAbstractItemView *>(w))
        addListState(line, view);
    const QRect g = geometryTwips(w);
    line.add(QStringLiteral("left"), g.x());
    line.add(QStringLiteral("top"), g.y());
    line.add(QStringLiteral("width"), g.width());
    line.add(QStringLiteral("height"), g.height());
    return line;
}

} // namespace Zelk::Automation
