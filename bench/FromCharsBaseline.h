// The least a load of a history file must do: every reading line's index and value converted with
// std::from_chars and the values kept. The baseline of the viewer's load figures.
#pragma once

#include <charconv>
#include <cstddef>
#include <vector>

namespace FromCharsBaseline {

struct Converted {
    std::vector<double> values;
    std::size_t blocks = 0;
};

inline const char *skipBlanks(const char *p, const char *e)
{
    while (p < e && *p == ' ')
        ++p;
    return p;
}

// Reading lines (" 5  12.345") up to the end line ("-1, -1"); block headers (-999999 ...) are counted,
// the interval line is passed over.
inline Converted convert(const char *p, const char *e)
{
    Converted out;
    // room for the shortest lines possible: the pages never written to are never taken from the system
    out.values.reserve(std::size_t(e - p) / 8);
    while (p < e) {
        long index = 0;
        const auto number = std::from_chars(skipBlanks(p, e), e, index);
        p = number.ptr;
        if (number.ec == std::errc() && index == -1)
            break;
        if (number.ec == std::errc() && index >= 0) {
            double value = 0;
            p = std::from_chars(skipBlanks(p, e), e, value).ptr;
            out.values.push_back(value);
        } else if (number.ec == std::errc() && index == -999999) {
            ++out.blocks;
        }
        while (p < e && *p != '\n')
            ++p;
        ++p;
    }
    return out;
}

} // namespace FromCharsBaseline
