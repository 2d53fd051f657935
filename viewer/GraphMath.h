// The graph window's arithmetic, free of widgets: the zoom stack, block lookup, plot-position
// conversions and the tick positions of the two axes.
#pragma once

#include "HistoryFile.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace GraphMath {

// ---- Zoom stack: four Longs per view; the element at the upper bound is free ------------------------
using ZoomStack = std::vector<std::int32_t>;
constexpr int StackEmpty = -2;
constexpr int StackDestroyed = -3; // after "Stack is destroyed!" (the program has been ended)

void ResetStack(ZoomStack &stack); // one element, upper bound 0
void PUSH4_L(ZoomStack &stack, std::int32_t xmin, std::int32_t xmax, std::int32_t ymin, std::int32_t ymax);
// Pops one view into the four arguments: returns the new upper bound, StackEmpty (arguments left as
// they are) or StackDestroyed (upper bound not a multiple of 4; the message is shown, the program ends).
int POP4(ZoomStack &stack, std::int32_t &xmin, std::int32_t &xmax, std::int32_t &ymin, std::int32_t &ymax);

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
