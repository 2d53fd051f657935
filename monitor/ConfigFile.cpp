// The settings file: locating, reading with delimited-field input and its messages, composing and
// writing it safely. No widgets; the window's Load_Config_File / Save_Config_File call these.
#include "ConfigFile.h"

#include "FieldReader.h"
#include "SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>

namespace ConfigFile {

namespace {
constexpr int PairCount = 6;
constexpr int ErrPathFileAccess = 75;
constexpr int ErrBadFileNumber = 52;

std::array<QString *, PairCount> valueFields(Values &v)
{
    return {&v.ipAddress, &v.startOutStatus, &v.setPointCheck, &v.sampleTime, &v.sampleTimeOut, &v.xMode};
}

void checkMarker(LoadResult &r)
{
    r.markerAccepted = r.marker.toUpper() == Marker;
}
} // namespace

QString structureMessage(const QString &fileName)
{
    return QStringLiteral("Ivalid structure of the file ") + fileName;
}

QString unexpectedErrorMessage(int number, const QString &description)
{
    return QStringLiteral("Uneccepted Error") + QString::number(number) + description;
}

QString findInCurrentDir(const QString &fileName)
{
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName.contains(QLatin1Char('\\')))
        return {};
    const QDir dir = QDir::current();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

LoadResult parse(const QByteArray &data, const QString &fileName, const Values &start)
{
    LoadResult r;
    r.values = start;
    FieldReader reader = FieldReader::fromBytes(data);
    for (QString *slot : valueFields(r.values)) {
        // One input statement reads the key (discarded) and the value; a failure ends the statement.
        const auto key = reader.readText();
        const auto value = key.ok() ? reader.readText() : key;
        if (value.ok())
            *slot = value.value;
        else
            r.messages << structureMessage(fileName);
    }
    const auto marker = reader.readLine();
    if (marker.ok())
        r.marker = marker.value;
    else
        r.messages << structureMessage(fileName);
    checkMarker(r);
    return r;
}

LoadResult load(const QString &path, const QString &fileName, const Values &start)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return parse(file.readAll(), fileName, start);
    // Every input on a file that did not open fails as well; the load goes on past each failure.
    LoadResult r;
    r.values = start;
    r.messages << unexpectedErrorMessage(ErrPathFileAccess, QStringLiteral("Path/File access error"));
    for (int i = 0; i <= PairCount; ++i)
        r.messages << unexpectedErrorMessage(ErrBadFileNumber, QStringLiteral("Bad file name or number"));
    checkMarker(r);
    return r;
}

QByteArray compose(const Values &v)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString text = QStringLiteral("IPaddress,") + v.ipAddress + crlf +                  //
                         QStringLiteral("StartOutStatus, ") + v.startOutStatus + crlf +       //
                         QStringLiteral("SetPointCheckBoxStart, ") + v.setPointCheck + crlf + //
                         QStringLiteral("Start_Sample_Time, ") + v.sampleTime + crlf +        //
                         QStringLiteral("Start_Sample_TimeOut, ") + v.sampleTimeOut + crlf +  //
                         QStringLiteral("X-mode:Samplings_or_Milisec:, ") + v.xMode + crlf +  //
                         Marker + crlf;
    return text.toLocal8Bit();
}

bool save(const QString &fileName, const Values &values, QString *error)
{
    return Zelk::saveWhole(fileName, compose(values), error);
}

} // namespace ConfigFile
