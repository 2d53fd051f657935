// The settings file "ZELK_NET.cfg": six key/value lines and the marker line "VZT". Reading follows the
// delimited-field input rules (a comma ends a value) and collects the operator messages in order.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ConfigFile {

inline const QString DefaultName = QStringLiteral("ZELK_NET.cfg");
inline const QString Marker = QStringLiteral("VZT");

struct Values {
    QString ipAddress;      // line 1
    QString startOutStatus; // line 2
    QString setPointCheck;  // line 3
    QString sampleTime;     // line 4
    QString sampleTimeOut;  // line 5
    QString xMode;          // line 6
};

struct LoadResult {
    Values values;               // the values read; a value whose input failed keeps its start value
    QString marker;              // line 7 as read
    QStringList messages;        // one message per failed input, in order (shown while reading)
    bool markerAccepted = false; // line 7 is "VZT" in any letter case (checked after the values apply)
};

// "Ivalid structure of the file " + name.
QString structureMessage(const QString &fileName);
// "Uneccepted Error" + number + description, no separators.
QString unexpectedErrorMessage(int number, const QString &description);

// The directory search: the file named exactly so (letter case aside) in the current directory; a name
// with a folder part counts as missing. Returns the path to open, or an empty text.
QString findInCurrentDir(const QString &fileName);

// Reads the six pairs and the marker from `data` starting from `start`: one message per input that
// fails (the load then goes on with the next one); markerAccepted tells whether line 7 is the marker.
LoadResult parse(const QByteArray &data, const QString &fileName, const Values &start);

// Reads the file found by findInCurrentDir: a file that cannot be opened brings "Uneccepted Error" for
// the open and for each input, as the load's resume-next handler does.
LoadResult load(const QString &path, const QString &fileName, const Values &start);

// The seven lines, each ended by CR LF.
QByteArray compose(const Values &values);

// Writes the file through a temporary file that replaces it only when complete. False with `error`
// set when it could not be written.
bool save(const QString &fileName, const Values &values, QString *error);

} // namespace ConfigFile
