// The curve of a graph: the walk over the readings with block colours and input markers, and the
// writer that draws each reading or each pixel column's range of readings.
#include "PlotCurve.h"

#include "GraphMath.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace PlotCurve {

namespace {

QColor rendered(std::uint32_t ole)
{
    switch (ole) {
    case CurveGreen:
        return QColor(0, 176, 0);
    case CurveRed:
        return QColor(224, 0, 0);
    default:
        return QColor(static_cast<int>(ole & 0xFF), static_cast<int>((ole >> 8) & 0xFF),
                      static_cast<int>((ole >> 16) & 0xFF));
    }
}

// Draws reading points and the lines between them in pixels, either at once or one pixel column
// (of one colour) at a time.
class CurveWriter {
public:
    CurveWriter(QPainter &p, double twipsPerPixel, bool reduce)
        : m_p(p), m_tpp(twipsPerPixel), m_reduce(reduce)
    {
    }
    ~CurveWriter()
    {
        flush();
        drawBatch();
    }

    // A reading far off the plot stands at most PixLimit pixels away: its line leaves the plot as steeply.
    static constexpr double PixLimit = 1 << 20;
    int pix(double tw) const
    {
        return static_cast<int>(std::clamp(std::floor(tw / m_tpp), -PixLimit, PixLimit));
    }

    // Lines of one colour are gathered and drawn together, in drawing order.
    void line(QPoint a, QPoint b, std::uint32_t ole)
    {
        if (ole != m_batchColour)
            drawBatch();
        m_batchColour = ole;
        m_batch.emplace_back(a, b);
    }
    void point(QPoint a, std::uint32_t ole)
    {
        drawBatch();
        m_p.setPen(pen(ole));
        m_p.drawPoint(a);
    }
    void drawBatch()
    {
        if (m_batch.empty())
            return;
        m_p.setPen(pen(m_batchColour));
        m_p.drawLines(m_batch.data(), static_cast<int>(m_batch.size()));
        m_batch.clear();
    }
    void lineTw(double x1, double y1, double x2, double y2, std::uint32_t ole)
    {
        line(QPoint(pix(x1), pix(y1)), QPoint(pix(x2), pix(y2)), ole);
    }

    // One reading at (px, py) twips; `first` has no line from a previous point; `change` starts a
    // new colour here (its marker follows at once).
    void add(double px, double py, std::uint32_t colour, bool first, bool change)
    {
        // Points are placed at whole twips, as the line from the previous point starts there.
        const QPoint cur(pix(std::nearbyint(px)), pix(std::nearbyint(py)));
        const QPoint from(pix(m_prevX), pix(m_prevY));
        m_prevX = std::nearbyint(px);
        m_prevY = std::nearbyint(py);
        if (!m_reduce || change) {
            flush();
            if (!first)
                line(from, cur, colour);
            point(cur, colour);
            point(QPoint(cur.x(), pix(std::nearbyint(py + 10))), colour);
            if (m_reduce)
                m_run = Run{true, cur.x(), colour, false, from, cur.y(), cur.y(), cur.y(), py};
            return;
        }
        if (m_run.open && m_run.column == cur.x() && m_run.colour == colour) {
            m_run.minY = std::min(m_run.minY, cur.y());
            m_run.maxY = std::max(m_run.maxY, cur.y());
            m_run.maxPyTw = std::max(m_run.maxPyTw, py);
            return;
        }
        flush();
        m_run = Run{true, cur.x(), colour, !first, from, cur.y(), cur.y(), cur.y(), py};
    }

    // The pixel column of a reading at px twips.
    int column(double px) const { return pix(std::nearbyint(px)); }

    // Readings that follow in the open run's column and colour: their extreme positions and the last
    // one, which the next line starts from. Same drawing as adding each of them.
    void extend(double pyHighest, double pyLowest, double lastPx, double lastPy)
    {
        m_run.minY = std::min(m_run.minY, pix(std::nearbyint(pyHighest)));
        m_run.maxY = std::max(m_run.maxY, pix(std::nearbyint(pyLowest)));
        m_run.maxPyTw = std::max(m_run.maxPyTw, pyLowest);
        m_prevX = std::nearbyint(lastPx);
        m_prevY = std::nearbyint(lastPy);
    }

    void flush()
    {
        if (!m_run.open)
            return;
        m_run.open = false;
        const int c = m_run.column;
        if (m_run.incoming)
            line(m_run.from, QPoint(c, m_run.firstY), m_run.colour);
        // The column's range, with the lowest reading's second point one pixel below when it falls there.
        const int below = pix(std::nearbyint(m_run.maxPyTw + 10));
        line(QPoint(c, m_run.minY), QPoint(c, std::max(m_run.maxY, below)), m_run.colour);
    }

private:
    static QPen pen(std::uint32_t ole)
    {
        QPen p(rendered(ole), 0);
        p.setCapStyle(Qt::SquareCap);
        return p;
    }
    struct Run {
        bool open = false;
        int column = 0;
        std::uint32_t colour = 0;
        bool incoming = false;
        QPoint from;
        int firstY = 0, minY = 0, maxY = 0;
        double maxPyTw = 0;
    };
    QPainter &m_p;
    double m_tpp;
    bool m_reduce;
    double m_prevX = 0, m_prevY = 0;
    Run m_run;
    std::vector<QLine> m_batch;
    std::uint32_t m_batchColour = 0;
};

// The blue marker of an input change and the place of its label; rows rotate 1, 2, 3, 0.
Mark drawMarker(CurveWriter &w, bool rising, double px, double hg, double d, int &downRow, int &upRow)
{
    Mark m;
    m.rising = rising;
    m.x = px;
    if (!rising) {
        w.lineTw(px, 0, px, d, MarkerBlue);
        downRow = (downRow + 1) % 4;
        m.labelTop = d * 0.3 * downRow;
        w.lineTw(px, d, px + 50, d - 150, MarkerBlue);
        w.lineTw(px, d, px - 50, d - 150, MarkerBlue);
    } else {
        const double base = hg - d;
        w.lineTw(px, hg, px, base, MarkerBlue);
        w.point(QPoint(w.pix(px + 50), w.pix(base)), 0xFFFFFF);
        w.lineTw(px, base, px + 50, base + 150, MarkerBlue);
        w.lineTw(px, base, px - 50, base + 150, MarkerBlue);
        upRow = (upRow + 1) % 4;
        m.labelTop = d * 0.3 * (upRow - 1) + base;
    }
    return m;
}

// How many readings from x on (at most `limit`) still stand in pixel column `col`, up to the plot's
// right edge and x maximum.
template <typename PxAt>
std::int64_t sameColumnCount(const CurveWriter &w, const Input &in, PxAt pxAt, double x, int col,
                             std::int64_t limit)
{
    const double step = in.plotStep;
    const auto inColumn = [&](std::int64_t i) {
        const double xi = x + static_cast<double>(i) * step;
        const double px = pxAt(xi);
        return xi <= in.xmax && px <= in.widthTw && w.column(px) == col;
    };
    if (limit <= 0 || !inColumn(0))
        return 0;
    // Estimate from the column's right border, then settle on the exact last reading.
    const double border = (col + 1) * in.twipsPerPixel - 0.5;
    const double perReading = pxAt(x + step) - pxAt(x);
    std::int64_t i = perReading > 0 ? static_cast<std::int64_t>((border - pxAt(x)) / perReading) : 0;
    i = std::clamp<std::int64_t>(i, 0, limit - 1);
    while (i + 1 < limit && inColumn(i + 1))
        ++i;
    while (i > 0 && !inColumn(i))
        --i;
    return i + 1;
}

// The smallest and largest of readings [k, end) of p.
void scan(const double *p, std::int64_t k, std::int64_t end, double &lo, double &hi)
{
    for (; k < end; ++k) {
        lo = p[k] < lo ? p[k] : lo;
        hi = p[k] > hi ? p[k] : hi;
    }
}

// The smallest and largest of n readings from `first`.
// Four running pairs keep the processor's pipelines busy over long ranges.
std::pair<double, double> extremes(const std::vector<double> &values, const ValueSummary *summary,
                                   std::int32_t first, std::int64_t n)
{
    const double *p = values.data();
    double lo = p[first], hi = p[first];
    const std::int64_t end = first + n;
    constexpr std::int64_t c = ValueSummary::Chunk;
    std::int64_t k = first;
    if (summary && n > 2 * c) {
        const std::int64_t chunkBegin = (k + c - 1) / c, chunkEnd = end / c;
        scan(p, k, chunkBegin * c, lo, hi);
        for (std::int64_t i = chunkBegin; i < chunkEnd; ++i) {
            lo = summary->lo[static_cast<size_t>(i)] < lo ? summary->lo[static_cast<size_t>(i)] : lo;
            hi = summary->hi[static_cast<size_t>(i)] > hi ? summary->hi[static_cast<size_t>(i)] : hi;
        }
        k = chunkEnd * c;
    }
    scan(p, k, end, lo, hi);
    return {lo, hi};
}

} // namespace

void ValueSummary::build(const std::vector<double> &values)
{
    const std::int64_t n = static_cast<std::int64_t>(values.size());
    lo.assign(static_cast<size_t>(n / Chunk), 0);
    hi.assign(static_cast<size_t>(n / Chunk), 0);
    for (std::int64_t i = 0; i < n / Chunk; ++i) {
        double l = values[static_cast<size_t>(i * Chunk)], h = l;
        scan(values.data(), i * Chunk, (i + 1) * Chunk, l, h);
        lo[static_cast<size_t>(i)] = l;
        hi[static_cast<size_t>(i)] = h;
    }
}

Result draw(QImage &image, const Input &in, bool reduce)
{
    Result r;
    const double hg = std::floor(in.heightTw);
    const double d = GraphMath::roundWhole(0.3 * hg);
    if (in.xmax - in.xmin == 0 || in.ymax - in.ymin == 0) {
        r.message = QStringLiteral("Division by zero... (Hfinish - Hstart)=0");
        return r;
    }
    r.drawn = true;
    const std::vector<double> &values = *in.values;
    const std::vector<HistoryFile::BlockRow> &blocks = *in.blocks;
    const std::int32_t ub = static_cast<std::int32_t>(values.size()) - 1;
    const double kx = in.widthTw / (in.xmax - in.xmin);
    // Twips per scaled value: the value range may be wider than a double holds.
    const double ky = in.heightTw / GraphMath::scaledSpan(in.ymin, in.ymax);
    const auto pyAt = [&](double v) { return hg - GraphMath::scaledSpan(in.ymin, v) * ky; };

    std::int32_t j = GraphMath::roundWhole(in.xmin / in.plotStep);
    if (0 >= j)
        j = 1; // reading 0 is never plotted
    std::uint32_t colour = CurveGreen;
    std::int32_t b = 0;
    std::int32_t e = GraphMath::GetNearestWeightIndex(blocks, j, b);
    int input = blocks[static_cast<size_t>(b)].inputs & 0xFF; // low 8 bits of the input word
    if (j <= ub)
        r.plotMax = r.plotMin = values[static_cast<size_t>(j)];

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    CurveWriter w(p, in.twipsPerPixel, reduce);
    int downRow = 0, upRow = 0;
    const std::int32_t lastRow = static_cast<std::int32_t>(blocks.size()) - 1;
    const auto pxAt = [&](double x) { return (x - in.xmin) * kx; };
    for (double x = in.xmin; x <= in.xmax && j <= ub; x += in.plotStep) {
        const double v = values[static_cast<size_t>(j)];
        bool change = false;
        if (j >= e) {
            if (++b > lastRow)
                break;
            e = blocks[static_cast<size_t>(b)].endIndex;
            if (e == 0)
                break; // no further block
            const int previous = input;
            input = blocks[static_cast<size_t>(b)].inputs & 0xFF;
            if (input != previous) {
                change = true;
                colour = colour == CurveGreen ? CurveRed : CurveGreen;
            }
        }
        ++j;
        r.plotMax = std::max(r.plotMax, v);
        r.plotMin = std::min(r.plotMin, v);
        const double px = pxAt(x);
        if (px > in.widthTw)
            break;
        const double py = pyAt(v);
        w.add(px, py, colour, !(x > in.xmin), change);
        if (change) {
            Mark m = drawMarker(w, colour == CurveRed, px, hg, d, downRow, upRow);
            m.input = input;
            r.marks.push_back(m);
        }
        if (!reduce)
            continue;
        // The readings after this one that fall in the same pixel column before the next block
        // boundary change nothing but the column's extremes: take them in one pass.
        const std::int64_t n = sameColumnCount(w, in, pxAt, x + in.plotStep, w.column(px),
                                               std::min<std::int64_t>(ub, std::int64_t(e) - 1) - j + 1);
        if (n <= 0)
            continue;
        const auto [lo, hi] = extremes(values, in.summary, j, n);
        r.plotMax = std::max(r.plotMax, hi);
        r.plotMin = std::min(r.plotMin, lo);
        const double lastX = x + static_cast<double>(n) * in.plotStep;
        const double last = values[static_cast<size_t>(j + n - 1)];
        w.extend(pyAt(hi), pyAt(lo), pxAt(lastX), pyAt(last));
        j += static_cast<std::int32_t>(n);
        x = lastX;
    }
    return r;
}

} // namespace PlotCurve
