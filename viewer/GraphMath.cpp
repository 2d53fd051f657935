// The graph window's arithmetic: zoom stack push and pop, the block holding a reading, conversions
// from plot positions to readings and values, and where the ticks of both axes go.
#include "GraphMath.h"

#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace GraphMath {

std::int32_t roundWhole(double v)
{
    const double r = std::nearbyint(v);
    if (!(r > -2147483648.0 && r < 2147483647.0))
        return r > 0 ? 2147483647 : -2147483647 - 1;
    return static_cast<std::int32_t>(r);
}

double keptLimit(double v)
{
    return NumberFormat::valPrefix(NumberFormat::standardText(v));
}

double wholeLimit(double v)
{
    return NumberFormat::valPrefix(NumberFormat::format0(v));
}

void ResetStack(ZoomStack &stack)
{
    stack.assign(1, 0);
}

void PUSH4_L(ZoomStack &stack, std::int32_t xmin, std::int32_t xmax, double ymin, double ymax)
{
    if (stack.empty())
        stack.push_back(0);
    const size_t u = stack.size() - 1;
    stack.resize(u + 5);
    stack[u] = xmin;
    stack[u + 1] = xmax;
    stack[u + 2] = ymin;
    stack[u + 3] = ymax;
}

int POP4(ZoomStack &stack, std::int32_t &xmin, std::int32_t &xmax, double &ymin, double &ymax)
{
    const int u = static_cast<int>(stack.size()) - 1;
    if (u < 0 || u % 4 != 0)
        return StackDestroyed;
    if (u < 4)
        return StackEmpty;
    const auto at = [&stack](int i) { return stack[static_cast<size_t>(i)]; };
    xmin = static_cast<std::int32_t>(at(u - 4));
    xmax = static_cast<std::int32_t>(at(u - 3));
    ymin = at(u - 2);
    ymax = at(u - 1);
    stack.resize(static_cast<size_t>(u - 4 + 1));
    return u - 4;
}

std::int32_t GetNearestWeightIndex(const std::vector<HistoryFile::BlockRow> &table, std::int32_t start,
                                   std::int32_t &row)
{
    const std::int32_t last = static_cast<std::int32_t>(table.size()) - 1;
    std::int32_t previous = 0;
    for (std::int32_t i = 0; i < last; ++i) {
        const std::int32_t end = table[static_cast<size_t>(i)].endIndex;
        if (previous <= start && start < end) {
            row = i;
            return end;
        }
        previous = end;
    }
    return -1;
}

double PixelToX(double width, double xmin, double xmax, double px)
{
    return width > 0 ? (xmax - xmin) * px / width + xmin : xmin;
}

std::int32_t PixelToIndex(double width, double xmin, double xmax, double px)
{
    return roundWhole(PixelToX(width, xmin, xmax, px));
}

double PixelToValue(double height, double ymin, double ymax, double py)
{
    if (!(height > 0))
        return ymin;
    return (scaledSpan(ymin, ymax) * (height - py) / height + ymin * ValueScaling) / ValueScaling;
}

namespace {

XRange wheelStep(XRange r, double pointer, bool in, std::int32_t upperBound)
{
    const std::int32_t span = r.hi - r.lo;
    std::int32_t wanted = 0;
    if (in) {
        if (span <= NarrowestSpan)
            return r;
        wanted = std::max(NarrowestSpan, roundWhole(span * WheelFactor));
    } else {
        wanted = std::max(span + 1, roundWhole(span / WheelFactor));
        if (wanted >= upperBound)
            return {0, upperBound};
    }
    const double at = std::clamp(pointer, double(r.lo), double(r.hi));
    const double fraction = span > 0 ? (at - r.lo) / span : 0.5;
    const std::int32_t lo = std::clamp(roundWhole(at - fraction * wanted), 0, upperBound - wanted);
    return {lo, lo + wanted};
}

} // namespace

XRange WheelRange(std::int32_t lo, std::int32_t hi, double pointer, int steps, std::int32_t upperBound)
{
    XRange r{lo, hi};
    if (upperBound <= 0 || lo < 0 || hi > upperBound || hi <= lo)
        return r;
    const int notches = std::abs(std::clamp(steps, -1000, 1000)); // far more than any range needs
    for (int i = 0; i < notches; ++i) {
        const XRange next = wheelStep(r, pointer, steps > 0, upperBound);
        if (next == r)
            break;
        r = next;
    }
    return r;
}

double ReadingToX(double width, double xmin, double xmax, double reading)
{
    return xmax > xmin ? (reading - xmin) * width / (xmax - xmin) : 0;
}

std::int32_t ReadingInView(std::int32_t reading, std::int32_t lo, std::int32_t hi, int third)
{
    if (lo <= reading && reading <= hi)
        return reading;
    return lo + roundWhole((static_cast<double>(hi) - lo) * third / 3);
}

XScale MakeXscale(std::int32_t width, double xmin, double xmax)
{
    XScale scale;
    const std::int32_t a = roundWhole(xmin);
    const double whole = std::floor(xmax);
    const std::int32_t d = roundWhole(whole) + (whole == xmax ? 1 : 2);
    const std::int32_t span = d - a;
    if (span == 0) {
        scale.kind = XScale::ZeroSpan;
        return scale;
    }
    const double unit = static_cast<double>(width) / span;
    const std::int32_t x0 = roundWhole(unit);
    scale.step = roundWhole(span / 5.0);
    if (scale.step == 0) {
        scale.kind = XScale::TooNarrow;
        return scale;
    }
    for (std::int64_t i = 0; i < span; i += scale.step) // a span of readings has a step of at least 1
        scale.ticks.push_back(
            {roundWhole(unit * static_cast<double>(i) + x0), a + static_cast<std::int32_t>(i)});
    return scale;
}

std::vector<YLine> ValueScale(std::int32_t height, double ymin, double ymax)
{
    const double dv = scaledSpan(ymin, ymax) / YDivisions;
    const std::int32_t h = roundWhole(static_cast<double>(height) / YDivisions);
    std::vector<YLine> lines;
    for (int i = 0; i < YDivisions; ++i)
        lines.push_back({i * h, ((YDivisions - i) * dv + ymin * ValueScaling) / ValueScaling});
    return lines;
}

} // namespace GraphMath
