// The graph window's arithmetic, free of widgets: the zoom stack, block lookup, plot-position
// conversions and the tick positions of the two axes.
#pragma once

#include "HistoryFile.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace GraphMath {

// ---- Zoom stack: four numbers per view; the element at the upper bound is free -----------------------
// The x range is two reading numbers; the value limits are whole numbers of any size, so that a view
// over readings beyond a Long comes back as it was.
using ZoomStack = std::vector<double>;
constexpr int StackEmpty = -2;
constexpr int StackDestroyed = -3; // the caller shows StackDestroyedText and ends the program
inline const QString StackDestroyedText = QStringLiteral("Stack is destroyed!");

void ResetStack(ZoomStack &stack); // one element, upper bound 0
void PUSH4_L(ZoomStack &stack, std::int32_t xmin, std::int32_t xmax, double ymin, double ymax);
// Pops one view into the four arguments: returns the new upper bound, StackEmpty (arguments left as
// they are) or StackDestroyed (upper bound not a multiple of 4; arguments left as they are).
int POP4(ZoomStack &stack, std::int32_t &xmin, std::int32_t &xmax, double &ymin, double &ymax);

// ---- Block lookup ----------------------------------------------------------------------------------
// The row whose reading range [previous end, own end) holds `start`: sets `row` and returns its end
// index; -1 (row unchanged) when no row holds it.
std::int32_t GetNearestWeightIndex(const std::vector<HistoryFile::BlockRow> &table, std::int32_t start,
                                   std::int32_t &row);

// ---- Plot positions (twips) to data ------------------------------------------------------------------
double PixelToX(double width, double xmin, double xmax, double px);
std::int32_t PixelToIndex(double width, double xmin, double xmax, double px);
double PixelToValue(double height, double ymin, double ymax, double py);

// Whole number, halves to the even neighbour, as the run time rounds.
std::int32_t roundWhole(double v);

// The value limits of a view are kept as precise as their standard text: 15 significant digits.
double keptLimit(double v);
// A limit chosen on the plot is a whole number: the nearest, halves away from zero.
double wholeLimit(double v);

// Value arithmetic that may pass beyond a double (the distance between readings of 1e308 and -1e308,
// or that distance times a plot height) is done on values scaled by this power of two. The scaling is
// exact: the results are those of the plain arithmetic wherever that stays within a double.
constexpr double ValueScaling = 0x1p-32;
// (hi - lo) x ValueScaling.
inline double scaledSpan(double lo, double hi)
{
    return hi * ValueScaling - lo * ValueScaling;
}

// ---- Mouse-wheel zoom ---------------------------------------------------------------------------------
struct XRange {
    std::int32_t lo = 0, hi = 0;
    friend bool operator==(const XRange &, const XRange &) = default;
};
constexpr double WheelFactor = 0.8;       // one notch in: the span times this; out: divided by it
constexpr std::int32_t NarrowestSpan = 6; // the narrowest range the plot draws without zooming out
// The x range after `steps` wheel notches (> 0 in, < 0 out) around the reading `pointer`, which stays
// at the same place of the plot as far as whole readings and the ends 0..upperBound allow. A zoom in
// stops at NarrowestSpan, a zoom out at the full range; there the range stays as it is.
XRange WheelRange(std::int32_t lo, std::int32_t hi, double pointer, int steps, std::int32_t upperBound);

// ---- Measuring cursors --------------------------------------------------------------------------------
// Where reading `reading` stands on a plot `width` wide showing readings xmin..xmax.
double ReadingToX(double width, double xmin, double xmax, double reading);
// The reading a measuring line keeps on a redraw: its own when lo..hi holds it, else the one at
// `third` thirds of the range.
std::int32_t ReadingInView(std::int32_t reading, std::int32_t lo, std::int32_t hi, int third);

// ---- X axis -----------------------------------------------------------------------------------------
struct XTick {
    std::int32_t position; // twips from the strip's left
    std::int32_t reading;  // reading index whose time is printed there
};
struct XScale {
    enum Kind { Drawn, ZeroSpan, TooNarrow } kind = Drawn;
    std::int32_t step = 0;
    std::vector<XTick> ticks;
};
// Ticks of an axis `width` twips wide for readings xmin..xmax. A span of 2 or less is TooNarrow (zoom
// out instead); a zero span draws nothing.
XScale MakeXscale(std::int32_t width, double xmin, double xmax);

// ---- Value axis -------------------------------------------------------------------------------------
struct YLine {
    std::int32_t y; // twips from the strip's top
    double value;   // the label's value
};
constexpr int YDivisions = 5;
// The five labelled grid lines from the top; the bottom limit itself gets no label.
std::vector<YLine> ValueScale(std::int32_t height, double ymin, double ymax);

} // namespace GraphMath
