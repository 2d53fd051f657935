// The live weight trend's data: the bucket ring, the decimation to pixel columns, the value axis's
// range and round ticks, and the CSV text of the held buckets.
#include "WeightTrend.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

std::int64_t slotOf(std::int64_t timeMs)
{
    return timeMs >= 0 ? timeMs / WeightTrend::BucketMs : -((-timeMs - 1) / WeightTrend::BucketMs) - 1;
}

void take(WeightTrend::Column &c, const WeightTrend::Bucket &b)
{
    c.min = std::min(c.min, b.min);
    c.max = std::max(c.max, b.max);
    c.last = b.last;
    c.gapAfter = c.gapAfter || b.gapStart;
}

WeightTrend::Column columnOf(int index, const WeightTrend::Bucket &b)
{
    return {index, b.first, b.min, b.max, b.last, b.gapStart};
}

} // namespace

WeightTrend::WeightTrend() : m_ring(BucketCount) {}

const WeightTrend::Bucket &WeightTrend::bucket(int i) const
{
    return m_ring[static_cast<std::size_t>((m_head + i) % BucketCount)];
}

WeightTrend::Bucket &WeightTrend::newBucket(std::int64_t timeMs, double weight)
{
    if (m_size == BucketCount)
        m_head = (m_head + 1) % BucketCount; // the oldest bucket makes room
    else
        ++m_size;
    Bucket &b = m_ring[static_cast<std::size_t>((m_head + m_size - 1) % BucketCount)];
    b = {timeMs, weight, weight, weight, weight, false};
    return b;
}

bool WeightTrend::add(std::int64_t timeMs, double weight)
{
    if (!std::isfinite(weight))
        return false;
    std::int64_t t = timeMs + m_offsetMs;
    Bucket *last = m_size ? &m_ring[static_cast<std::size_t>((m_head + m_size - 1) % BucketCount)] : nullptr;
    if (last && t < last->timeMs) {
        // The caller's clock went back (or wrapped): carry on in the next bucket, after a gap.
        const std::int64_t resume = (slotOf(last->timeMs) + 1) * BucketMs;
        m_offsetMs += resume - t;
        t = resume;
        last->gapStart = true;
    }
    ++m_samples;
    m_nowMs = std::max(m_nowMs, t);
    if (!last || last->gapStart || slotOf(t) != slotOf(last->timeMs)) {
        newBucket(t, weight);
        return true;
    }
    last->timeMs = t;
    last->min = std::min(last->min, weight);
    last->max = std::max(last->max, weight);
    last->last = weight;
    return true;
}

void WeightTrend::gap(std::int64_t timeMs)
{
    if (m_size == 0)
        return;
    m_ring[static_cast<std::size_t>((m_head + m_size - 1) % BucketCount)].gapStart = true;
    m_nowMs = std::max(m_nowMs, timeMs + m_offsetMs);
}

std::vector<WeightTrend::Column> WeightTrend::columns(std::int64_t spanMs, int count) const
{
    std::vector<Column> out;
    if (spanMs <= 0 || count <= 0 || m_size == 0)
        return out;
    spanMs = std::min(spanMs, HeldMs);
    const std::int64_t from = m_nowMs - spanMs;
    int i = m_size;
    while (i > 0 && bucket(i - 1).timeMs >= from)
        --i;
    for (; i < m_size; ++i) {
        const Bucket &b = bucket(i);
        const int index =
            static_cast<int>(std::min<std::int64_t>((b.timeMs - from) * count / spanMs, count - 1));
        if (!out.empty() && out.back().index == index)
            take(out.back(), b);
        else
            out.push_back(columnOf(index, b));
    }
    return out;
}

// ---- Value axis ------------------------------------------------------------------------------------

namespace TrendScale {

Range valueRange(const std::vector<WeightTrend::Column> &columns)
{
    if (columns.empty())
        return {};
    double low = columns.front().min, high = columns.front().max;
    for (const WeightTrend::Column &c : columns) {
        low = std::min(low, c.min);
        high = std::max(high, c.max);
    }
    const double margin = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.01, 0.01);
    if (!std::isfinite(low - margin) || !std::isfinite(high + margin))
        return {low, high}; // the spread of the largest doubles: no room for a margin
    return {low - margin, high + margin};
}

namespace {

// 1, 2 or 5 times a power of ten: the smallest such step that fits `span` in `maxTicks` steps.
double roundStep(double span, int maxTicks)
{
    const double raw = span / std::max(1, maxTicks);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 5.0}) {
        if (f * power >= raw)
            return f * power;
    }
    return 10 * power;
}

} // namespace

std::vector<double> roundTicks(double low, double high, int maxTicks)
{
    std::vector<double> ticks;
    if (!(high > low) || !std::isfinite(high - low))
        return ticks;
    const double step = roundStep(high - low, maxTicks);
    // Counted, not stepped: far from zero, a tick plus one step may be the same double.
    const double first = std::ceil(low / step);
    for (int i = 0; i <= 2 * std::max(1, maxTicks); ++i) {
        const double v = (first + i) * step;
        if (v > high || (!ticks.empty() && v <= ticks.back()))
            break;
        ticks.push_back(v == 0 ? 0.0 : v);
    }
    return ticks;
}

QString tickText(double value, double step)
{
    const int decimals = step > 0 ? std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9))) : 0;
    return QString::number(value, 'f', decimals);
}

} // namespace TrendScale

// ---- CSV -------------------------------------------------------------------------------------------

namespace TrendCsv {

namespace {

void appendShortest(QByteArray &out, double value)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr - buf);
}

// Milliseconds as seconds with three decimals: "-12.050", "0.000".
void appendSeconds(QByteArray &out, std::int64_t ms)
{
    if (ms < 0)
        out.append('-');
    const std::int64_t a = ms < 0 ? -ms : ms;
    out.append(QByteArray::number(a / 1000)).append('.');
    out.append(QByteArray::number(a % 1000).rightJustified(3, '0'));
}

QByteArray csvField(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    return '"' + bytes.replace("\"", "\"\"") + '"';
}

} // namespace

QByteArray text(const WeightTrend &trend)
{
    QByteArray out = "Time (s),Weight,Unit\r\n";
    const QByteArray unit = csvField(trend.unit());
    for (int i = 0; i < trend.bucketsHeld(); ++i) {
        const WeightTrend::Bucket &b = trend.bucket(i);
        appendSeconds(out, b.timeMs - trend.nowMs());
        out.append(',');
        appendShortest(out, b.last);
        out.append(',').append(unit).append("\r\n");
    }
    return out;
}

} // namespace TrendCsv
