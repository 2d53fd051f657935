// The viewer's command line: preset file name, x-axis mode and milliseconds per reading, as the
// monitor builds it ("path/mode/interval") or a person types it.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

struct ViewerCommandLine {
    QString presetFile;
    qint16 xAxisMode = 1;         // 1: reading numbers, 2: milliseconds
    qint16 readingIntervalMs = 8; // milliseconds between two readings (mode 2)
};

// The argument text: the program's arguments joined by single blanks, so a path with blanks that
// arrives split into several arguments is whole again.
QString joinArguments(const QStringList &arguments);

// Parses the argument text. A text ending in "/1/<interval>" or "/2/<interval>" keeps everything
// before that suffix as the preset file (paths here contain "/"); otherwise a text naming an existing
// file is the preset as a whole; otherwise the preset is the text before the first "/".
ViewerCommandLine parseCommandLine(const QString &text,
                                   const std::function<bool(const QString &)> &fileExists = {});

// The text without surrounding blanks is not empty and made of the digits 0 to 9 only.
bool isDigitString(const QString &text);
