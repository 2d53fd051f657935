// Geometry of the lamp panel and of the set-point frame, in twips: the ten lamp columns, the rows of
// lamps and buttons, and the frame drawn round the set-point controls. Pure functions.
#pragma once

#include <cstdint>

namespace LampGeometry {

constexpr int FirstColumn = 1770; // left of column 0
constexpr int LampSize = 430;     // lamps and their number labels are square
constexpr int InpFrameHeight = 730;
constexpr int ButtonWidth = 602;  // 1.4 x LampSize
constexpr int ButtonHeight = 516; // 1.2 x LampSize
constexpr int LabelDrop = 30;     // a number label stands this much lower than its lamp

// A twips value as a 16-bit whole number: halves to the even neighbour, out-of-range values held at
// the 16-bit limits.
std::int16_t integer16(double twips);

// The rows and columns of the panel, computed from the frames' sizes.
struct Panel {
    std::int16_t gap = 0;       // space between two columns, also the right margin
    std::int16_t inTop = 0;     // top of the input lamps
    std::int16_t outGap = 0;    // top of the output lamps
    std::int16_t buttonTop = 0; // top of the On/Off buttons
    // Left of column k (0 = leftmost).
    int column(int k) const { return FirstColumn + k * (gap + LampSize); }
    // Left of the lamp and of its number label in column k.
    int lampLeft(int k) const;
};
Panel panel(int inpFrameWidth, int inpFrameHeight, int outFrameHeight);

// Index mapping: output 1 and input 1 stand in the rightmost column (9), output 10 in the leftmost.
constexpr int outputLamp(int output)
{
    return 11 - output;
}
constexpr int inputLamp(int input)
{
    return 9 - input;
}
constexpr int outputLampColumn(int lamp)
{
    return lamp - 1;
}
constexpr int inputLampColumn(int lamp)
{
    return lamp + 1;
}

// Whether the bit a lamp shows is set (1 = output off / input inactive).
constexpr bool outputLampBit(std::int16_t word, int lamp)
{
    return (word >> (10 - lamp)) & 1;
}
constexpr bool inputLampBit(std::int16_t word, int lamp)
{
    return (word >> (8 - lamp)) & 1;
}

// The set-point frame and the controls it holds.
struct SetPointInputs {
    int onTop1 = 0;    // top of the On button of output 1 (the button row)
    int onLeft9 = 0;   // left of the On button of output 9
    int onLeft10 = 0;  // left of the On button of output 10
    int onWidth10 = 0; // its width
    int checkTop = 0;  // top and height of the Set Point check box as it stands now
    int checkHeight = 0;
    int boxTop = 0; // top and height of the set-point box as it stands now
    int boxHeight = 0;
    double offset = 0;
};
struct SetPointLayout {
    int frameTop = 0, frameLeft = 0, frameWidth = 0, frameHeight = 0;
    int checkTop = 0, checkLeft = 0;
    int boxTop = 0, boxLeft = 0;
};
// The frame spans from the offset to half-way between output 10's buttons and the next column; the
// check box stands one offset inside it and the box one offset below the check box.
SetPointLayout setPoint(const SetPointInputs &in);

} // namespace LampGeometry
