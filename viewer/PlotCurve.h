// The curve of a graph: readings against reading number, coloured by block input state, with the
// input-change markers; drawn either reading by reading or reduced to what each pixel column shows.
#pragma once

#include "HistoryFile.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace PlotCurve {

// Smallest and largest reading of every run of `Chunk` readings, so that long ranges of one pixel
// column are reduced without reading every value again.
struct ValueSummary {
    static constexpr std::int64_t Chunk = 16;
    std::vector<double> lo, hi;
    void build(const std::vector<double> &values);
};

struct Input {
    const std::vector<double> *values = nullptr; // the slot's readings as numbers
    const ValueSummary *summary = nullptr;       // optional, built over `values`
    const std::vector<HistoryFile::BlockRow> *blocks = nullptr;
    double widthTw = 0, heightTw = 0; // plot size in twips
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    double twipsPerPixel = 15;
    double plotStep = 1.0;
};

// One input change: where its marker stands and where its label goes (twips).
struct Mark {
    bool rising = false; // new colour red: rising marker at the bottom; else falling at the top
    double x = 0;
    double labelTop = 0;
    std::int32_t input = 0; // the block's input byte after the change
};

struct Result {
    bool drawn = false; // false: zero span; `message` is for the operator
    QString message;
    double plotMax = 0, plotMin = 0;
    std::vector<Mark> marks;
};

// OLE colours of the curve and the markers.
constexpr std::uint32_t CurveGreen = 0x0100FF00;
constexpr std::uint32_t CurveRed = 0x010000FF;
constexpr std::uint32_t MarkerBlue = 0xFF0000;

// Draws the curve into `image` (pixels; twips are mapped by twipsPerPixel). With `reduce`, each pixel
// column gets one vertical line over its readings' range instead of one line per reading; colour
// changes and markers stand where the full drawing puts them, and PlotMax/PlotMin cover every reading.
Result draw(QImage &image, const Input &in, bool reduce = true);

} // namespace PlotCurve
