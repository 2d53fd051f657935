// The user's actions the automation driver performs on controls (click, dblclick, rclick, drag,
// type, key, check, select), and the small parsing helpers its commands share.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace Zelk::Automation {

// Acts on `control` (named `name` in the script) with the rest of the command line; returns why it
// could not be done, or an empty text.
using Action = QString (*)(QWidget *control, const QString &name, const QString &rest);

// The action a verb names, or nullptr.
Action actionFor(const QString &verb);

// Why a user could not act on `w` (disabled or hidden), or an empty text.
QString unreachable(const QWidget *w, const QString &name);

QStringList words(const QString &text);
std::optional<int> toInt(const QString &text);

} // namespace Zelk::Automation
