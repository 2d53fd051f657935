// Geometry of the monitor's window from the screen height, in twips: the frames, the weight row and the
// XML view placed in their fixed order, the window height, and the design sizes chosen for a screen.
#pragma once

#include <QHash>
#include <QRect>
#include <QString>
#include <vector>

namespace MonitorLayout {

// Twips fields of the window are 16-bit: a larger screen is held at 32767.
int clampScreenTwips(int twips);

// A rectangle in twips: left, top, width, height, as the window system keeps a control's geometry.
struct Placement {
    QString name;
    QRect rect;
};

// The geometry each control has before the placement (its design geometry), by control name. Names the
// placement reads: FraInp, lblA2D, lblA2D_Data, ImaVZT_Logo, cmdShowXMLData, lblXML_Data, txtRealTimeInfo,
// cmdQuitXML, cmdChanSwitch, LblSwitch and the weight row (WeightRow below). A missing name reads as an
// empty rectangle.
using Design = QHash<QString, QRect>;

// The weight row from left to right, each with its gap to the one before.
struct RowMember {
    const char *name;
    int gap;
};
inline constexpr RowMember WeightRow[] = {
    {"lblWeight", 0},    {"lblWT_BRUTTO", 30},    {"lblUnitNameWGT", 30},  {"chkTare", 300},
    {"lblTareData", 30}, {"lblUnitNameTare", 30}, {"lblIntegration", 400}, {"txtIntegration", 30}};
inline constexpr int WeightRowLeft = 100;

// The frame placement for screen height S, in the order the window applies it; a control that is placed
// twice (lblXML_Data, cmdQuitXML) appears twice, each time with all it has been given so far.
std::vector<Placement> place(int screenHeight, const Design &design);

// The window's height from the logo's design geometry: its bottom + 1000.
int windowHeight(const QRect &logo);

// A design height kept as a fraction of S with three decimals: (h / S) to 3 decimals, times S.
int keepAsFraction(int height, int screenHeight);

// Design sizes for the screen the window opens on: the lamp frames as the placement makes them (so
// their columns fill them), the logo and the XML view filling the space below the lamp panel down to
// the bottom of the message frames (the window, sized from the logo, then holds every frame), and the
// bottom row of the output frame.
struct ScreenDesign {
    QRect weightFrame, inputFrame, outputFrame; // FraWeight, FraInp, FraOut
    QRect logo;                                 // ImaVZT_Logo
    int xmlViewHeight = 0;                      // txtRealTimeInfo, below the lblXML_Data row
    int outputBottomRowTop = 0;                 // ChkStartOutStatus, inside FraOut
};
ScreenDesign screenDesign(int screenHeight, int xmlTitleHeight, int bottomRowHeight);

// The room the weight trend takes: right of `column` (the mode, history and message frames), from its
// top to its bottom, up to the window's right edge, `margin` clear of each; its left edge moves past any
// of `taken` (the designed controls) it would cover. Empty when less than `least` is left.
QRect trendArea(const QRect &column, int windowWidth, const std::vector<QRect> &taken, int margin,
                const QSize &least);

} // namespace MonitorLayout
