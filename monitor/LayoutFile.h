// The layout file "PLXW.cfg": the screen-height line, the window line and one line per control, each
// length a fraction written in the print style; control names with an array index; the font-size search.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace LayoutFile {

inline const QString FileName = QStringLiteral("PLXW.cfg");
inline const QString ScreenKey = QStringLiteral("Screen.Height");
inline const QString InvalidNameMessage = QStringLiteral("Invalid Control Name");
inline const QString ZeroHeightMessage = QStringLiteral("/0");

// One line after the first: a name and its numbers (window: Top, Left, Height, Width as fractions of
// the screen height; control: the same as fractions of the window height, then the text-height ratio).
struct Entry {
    QString name;
    std::vector<float> values;
};
inline constexpr int WindowValues = 4;
inline constexpr int ControlValues = 5;

// "Screen.Height" and the height, then the window line and the control lines, each ended by CR LF.
// Numbers are singles in the print style: " .5 ", "-.25 ", " 16200 ".
QByteArray compose(float screenHeight, const Entry &window, const std::vector<Entry> &controls);
QString composeLine(const Entry &entry);

// What a file holds: line 1 as read, the window line (line 2) and the control lines (3 on) that are
// well formed. A line is well formed when a comma ends its name and exactly the expected count of
// numbers (separated by blanks or commas) follows; any other line changes nothing.
struct Contents {
    QString firstLine;
    std::optional<Entry> window;
    std::vector<Entry> controls;
};
Contents parse(const QByteArray &data);

// Whether line 1 says the file was saved on a screen of this height: it begins with "Screen.Height"
// and the number from its 14th character on, as a 16-bit whole number, equals the height.
bool savedOnScreen(const QString &firstLine, int screenHeight);

// A control name of a line: the base name, and for an array member the index between the brackets.
struct ControlName {
    QString base;
    bool indexed = false; // the name holds "("
    bool valid = true;    // false: "(" without ")" after it ("Invalid Control Name")
    int index = 0;
};
ControlName parseName(const QString &name);
// The name a control is written with: "name(index)" for an array member.
QString memberName(const QString &base, std::optional<int> index);

// The font-size search: sizes 1, 1.5, 2, ... until the text height at that size divided by the
// control's height reaches `wanted`; the result is the size before it. A wanted ratio of 0 or less
// gives 0; a control height of 0 or less gives 0 and `zeroHeight` (the "/0" case); a ratio never
// reached by MaxFontSize gives MaxFontSize.
inline constexpr double MaxFontSize = 500;
struct FontSearch {
    double size = 0;
    bool zeroHeight = false;
};
FontSearch searchFontSize(float wanted, int controlHeight, const std::function<int(double)> &textHeightAt);

} // namespace LayoutFile
