// The programs' style: the desktop's style, drawing every button from one palette object per colour
// set, so that a button switching colour many times a second reuses what the style has drawn before.
#pragma once

#include <QPalette>
#include <QProxyStyle>
#include <vector>

namespace Zelk {

// Equal palettes share one object (and with it one cache key). Holds at most Capacity palettes,
// forgetting the oldest; a palette not held is returned as it came.
class PaletteTable {
public:
    static constexpr std::size_t Capacity = 64;
    QPalette canonical(const QPalette &palette);
    std::size_t size() const { return m_palettes.size(); }

private:
    std::vector<QPalette> m_palettes; // the most recently used last
};

// A widget's palette changes its cache key with every change, even back to colours it had before;
// styles that cache drawn button faces by that key would draw and keep a new face each time.
class ButtonStyle : public QProxyStyle {
public:
    explicit ButtonStyle(QStyle *base);
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;

private:
    mutable PaletteTable m_table;
};

// Installs ButtonStyle over the desktop's style, or over Fusion with darkPalette() when
// ZELK_PALETTE=dark. Call it before the first window is built, since controls resolve their system
// colours when they are set.
void applyProgramStyle();

} // namespace Zelk
