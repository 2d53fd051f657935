// The summary files that the graph window's "Add" button reads ("MinMaxBig", "Part001", ...): their
// names and their content, read without touching any window or slot.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace MinMaxFile {

// "MinMaxBig" for part 0, else "Part" and the last three digits of part + 1000 (7 gives "Part007").
QString fileName(int part);

struct Reading {
    qint32 time = 0;
    qint32 value = 0;
};

struct Content {
    QString date, time;             // the first two fields
    std::vector<Reading> readings;  // lines whose first field and last field are whole numbers
    std::optional<double> plotStep; // total / (2 x n) from the last "Total Time In s" pair of lines
    QStringList printed;            // the last fields of the other lines, to be shown on the window
    QStringList messages;           // for the operator, in the order met: "Not Number"
};

// Reads a summary file: two fields (date, time) and two more (not used), then line by line. A line
// beginning "Total Time In s" holds the total time from its 16th character; the line after it holds n
// there. Any other line is split at single blanks. A number that is not a number reads as 0 and adds
// "Not Number" to the messages.
Content parse(const QByteArray &bytes);

} // namespace MinMaxFile
