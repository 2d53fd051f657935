// The programs' style: buttons drawn from shared palette objects, and the choice of the base style
// and palette from the environment.
#include "ButtonStyle.h"

#include "Controls.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <algorithm>

namespace Zelk {

QPalette PaletteTable::canonical(const QPalette &palette)
{
    const auto found = std::find_if(m_palettes.rbegin(), m_palettes.rend(), [&](const QPalette &held) {
        return held == palette && held.resolveMask() == palette.resolveMask();
    });
    if (found != m_palettes.rend()) {
        std::rotate(found.base() - 1, found.base(), m_palettes.end()); // to the back: used last
        return m_palettes.back();
    }
    if (m_palettes.size() >= Capacity)
        m_palettes.erase(m_palettes.begin());
    m_palettes.push_back(palette);
    return palette;
}

ButtonStyle::ButtonStyle(QStyle *base) : QProxyStyle(base) {}

void ButtonStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                              const QWidget *widget) const
{
    if (const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option)) {
        QStyleOptionButton shared(*button);
        shared.palette = m_table.canonical(button->palette);
        QProxyStyle::drawControl(element, &shared, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void applyProgramStyle()
{
    const bool dark =
        qEnvironmentVariable("ZELK_PALETTE").compare(QLatin1String("dark"), Qt::CaseInsensitive) == 0;
    const QString base = dark ? QStringLiteral("Fusion") : QApplication::style()->name();
    if (QStyle *style = QStyleFactory::create(base))
        QApplication::setStyle(new ButtonStyle(style));
    if (dark)
        QApplication::setPalette(darkPalette());
}

} // namespace Zelk
