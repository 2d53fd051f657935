// The live weight trend's data, free of widgets: a fixed ring of 50 ms buckets over 60 minutes, the
// columns of a span decimated for drawing, the value range and round ticks, and the trend as CSV text.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

class WeightTrend {
public:
    static constexpr std::int64_t BucketMs = 50;
    static constexpr std::int64_t HeldMs = 60 * 60 * 1000;
    static constexpr int BucketCount = static_cast<int>(HeldMs / BucketMs); // 72,000

    // The weights of the replies that fell into one 50 ms bucket.
    struct Bucket {
        std::int64_t timeMs = 0; // of its last value, on the trend's own time line
        double first = 0, min = 0, max = 0, last = 0;
        bool gapStart = false; // no reply came after its last value: no line to the next bucket
    };

    // One pixel column of a span: the extremes of its buckets and their first and last value.
    struct Column {
        int index = 0; // 0 (oldest) .. columns-1 (now)
        double first = 0, min = 0, max = 0, last = 0;
        bool gapAfter = false; // a gap starts in it: no line to the next column
    };

    WeightTrend();

    // A handled reply's weight at `timeMs` (never decreasing; a clock that goes back starts a new run
    // of buckets after a gap, the held data untouched). A weight that is not a finite number is refused.
    bool add(std::int64_t timeMs, double weight);
    // No reply came at `timeMs` (no answer, stop, run start): the curve is broken after the last value.
    void gap(std::int64_t timeMs);

    // Up to `columns` columns of the last `spanMs` (ending at nowMs()), in time order, only those with
    // values: any number of buckets in one column draw as one stroke from its minimum to its maximum.
    std::vector<Column> columns(std::int64_t spanMs, int columns) const;

    std::int64_t nowMs() const { return m_nowMs; } // the newest value or gap, on the trend's time line
    std::int64_t samplesAdded() const { return m_samples; }
    int bucketsHeld() const { return m_size; }
    const Bucket &bucket(int i) const; // 0: the oldest held
    const QString &unit() const { return m_unit; }
    void setUnit(const QString &unit) { m_unit = unit; }

    // The memory the trend holds, whatever the polling rate: 72,000 buckets of 48 bytes, about 3.5 MB.
    static constexpr std::size_t byteSize() { return sizeof(WeightTrend) + sizeof(Bucket) * BucketCount; }

private:
    Bucket &newBucket(std::int64_t timeMs, double weight);
    std::vector<Bucket> m_ring;
    int m_head = 0; // index of the oldest bucket
    int m_size = 0;
    std::int64_t m_offsetMs = 0; // added to the caller's times once its clock went back
    std::int64_t m_nowMs = std::numeric_limits<std::int64_t>::min();
    std::int64_t m_samples = 0;
    QString m_unit;
};

namespace TrendScale {

struct Range {
    double low = 0, high = 1;
};
// The values of `columns` with a margin of 5 % of their spread above and below (a flat curve gets
// 1 % of its value, at least 0.01); 0..1 when there are none.
Range valueRange(const std::vector<WeightTrend::Column> &columns);

// Round tick values (1, 2 or 5 times a power of ten apart) inside low..high, at most `maxTicks`.
std::vector<double> roundTicks(double low, double high, int maxTicks);
// A tick's text with as many decimals as the tick step needs: "12.5", "-3".
QString tickText(double value, double step);

} // namespace TrendScale

namespace TrendCsv {

// The trend as CSV: the header "Time (s),Weight,Unit", then one line per held bucket with the time of
// its last value in seconds before the newest one (3 decimals) and that value at full precision,
// "." as decimal point, CR LF line ends. Buckets cover 50 ms, so this is the trend at its own resolution.
QByteArray text(const WeightTrend &trend);

} // namespace TrendCsv
