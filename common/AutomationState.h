// What the automation driver reads from the windows: control lookup by name and the state of a
// control as one ordered JSON line.
#pragma once

#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

class QWidget;

namespace Zelk::Automation {

// One output line: fields in the order they were added, each value escaped by QJsonDocument.
class JsonLine {
public:
    JsonLine &add(const QString &key, const QJsonValue &value);
    JsonLine &append(const JsonLine &other);
    std::optional<QJsonValue> value(const QString &key) const;
    QByteArray toJson() const; // compact, without the line break

private:
    QVector<QPair<QString, QJsonValue>> m_fields;
};

// "0x" and six (or, for system colours, eight) upper-case hex digits.
QString oleHex(std::uint32_t ole);

// A property value as `dump` prints it, as text: strings as they are, everything else as JSON.
QString propertyText(const QJsonValue &value);

// The named top-level windows: the active one first, then the shown ones, then the hidden ones.
QList<QWidget *> windows();
// Every named control of `window`, in creation order (Qt's internal children are left out).
QList<QWidget *> namedControls(const QWidget *window);
// A window by its name, or a control by "Name" or "Window.Name"; nullptr when there is none.
QWidget *findControl(const QString &name);

// The state of a control or window: window, name, caption, colours, font size, geometry in twips and
// what its kind adds (text, value, shape, items).
JsonLine controlState(const QWidget *w);

} // namespace Zelk::Automation
