// Geometry of the lamp panel and of the set-point frame: columns, rows, and the set-point layout.
// Whole-number steps are 16-bit values rounded half to even.
#include "LampGeometry.h"

#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace LampGeometry {

std::int16_t integer16(double twips)
{
    if (std::isnan(twips))
        return 0;
    const double lo = std::numeric_limits<std::int16_t>::min();
    const double hi = std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(std::clamp(NumberFormat::roundHalfEven(twips), lo, hi));
}

namespace {
// A twips position as a whole twip, halves to even.
int twip(double value)
{
    return static_cast<int>(NumberFormat::roundHalfEven(value));
}
} // namespace

int Panel::lampLeft(int k) const
{
    // The lamp's centre offset: column + 0.5 and 0.15 lamp widths, less half the label width, that is
    // column + 64.5 (written exactly: 0.15 x 430 in binary floating point falls just short of it).
    return twip(column(k) + 64.5);
}

Panel panel(int inpFrameWidth, int inpFrameHeight, int outFrameHeight)
{
    Panel p;
    p.gap = integer16((inpFrameWidth - FirstColumn - 10.0 * LampSize) / 10.0);
    p.inTop = integer16((inpFrameHeight - double(LampSize)) / 2.0);
    p.outGap = integer16((outFrameHeight - 4.0 * LampSize) / 5.0 + 100.0);
    p.buttonTop = integer16(2.0 * p.outGap + LampSize);
    return p;
}

SetPointLayout setPoint(const SetPointInputs &in)
{
    SetPointLayout out;
    const double top = 0.9 * in.onTop1;
    const double width = (in.onLeft9 - in.onLeft10 + in.onWidth10) / 2.0 + (in.onLeft10 - in.offset);
    // Taken with the check box and the box where they stand before they are moved below.
    const double height = (in.checkTop - top) + (in.boxTop + in.boxHeight - top);
    out.frameTop = twip(top);
    out.frameLeft = twip(in.offset);
    out.frameWidth = twip(width);
    out.frameHeight = twip(height);
    const double checkTop = top + in.offset;
    out.checkTop = twip(checkTop);
    out.checkLeft = twip(in.offset + in.offset);
    out.boxTop = twip(checkTop + in.checkHeight + in.offset);
    out.boxLeft = out.checkLeft;
    return out;
}

} // namespace LampGeometry
