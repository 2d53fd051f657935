// The settings file: delimited-field reading with one message per failed input, the marker check,
// the directory search, composing the seven lines and writing through a temporary file.
#include "ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using ConfigFile::Values;

namespace {
const QString Name = QStringLiteral("ZELK_NET.cfg");
const QByteArray Full = "IPaddress,127.0.0.1:8080\r\nStartOutStatus, 1\r\nSetPointCheckBoxStart, 0\r\n"
                        "Start_Sample_Time, 10\r\nStart_Sample_TimeOut, 3000\r\n"
                        "X-mode:Samplings_or_Milisec:, 2\r\nVZT\r\n";

QStringList valueList(const Values &v)
{
    return {v.ipAddress, v.startOutStatus, v.setPointCheck, v.sampleTime, v.sampleTimeOut, v.xMode};
}
} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT
private slots:
    void readsSixValuesByPosition_data();
    void readsSixValuesByPosition();
    void unopenableFileReportsEachFailedInput();
    void directorySearchIgnoresCaseAndRefusesFolders();
    void composeWritesSevenLinesAndRoundTrips();
    void saveReplacesFileAndReportsFailure();
};

void TestConfigFile::readsSixValuesByPosition_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("inputMessages");
    QTest::addColumn<bool>("markerAccepted");
    const QStringList start{"start", "", "", "", "", ""};
    QTest::newRow("full_file") << Full << QStringList{"127.0.0.1:8080", "1", "0", "10", "3000", "2"} << 0
                               << true;
    QTest::newRow("marker_lower_case")
        << QByteArray(Full).replace("VZT", "vzt")
        << QStringList{"127.0.0.1:8080", "1", "0", "10", "3000", "2"} << 0 << true;
    QTest::newRow("wrong_marker") << QByteArray(Full).replace("VZT", "XYZ")
                                  << QStringList{"127.0.0.1:8080", "1", "0", "10", "3000", "2"} << 0 << false;
    QTest::newRow("comma_shifts_fields")
        << QByteArray(Full).replace("3000", "5,000")
        << QStringList{"127.0.0.1:8080", "1", "0", "10", "5", "X-mode:Samplings_or_Milisec:"} << 0 << false;
    QTest::newRow("three_lines") << QByteArray(
                                        "IPaddress,h\r\nStartOutStatus, 1\r\nSetPointCheckBoxStart, 1\r\n")
                                 << QStringList{"h", "1", "1", "", "", ""} << 4 << false;
    QTest::newRow("empty_file") << QByteArray() << start << 7 << false;
    QTest::newRow("key_without_value_at_end") << QByteArray("IPaddress") << start << 7 << false;
    QTest::newRow("lf_line_ends") << QByteArray(Full).replace("\r\n", "\n")
                                  << QStringList{"127.0.0.1:8080", "1", "0", "10", "3000", "2"} << 0 << true;
}

void TestConfigFile::readsSixValuesByPosition()
{
    QFETCH(QByteArray, data);
    QFETCH(int, inputMessages);
    Values start;
    start.ipAddress = QStringLiteral("start");
    const ConfigFile::LoadResult r = ConfigFile::parse(data, Name, start);
    QTEST(valueList(r.values), "values");
    QCOMPARE(r.messages,
             QStringList(inputMessages, QStringLiteral("Ivalid structure of the file ZELK_NET.cfg")));
    QTEST(r.markerAccepted, "markerAccepted");
}

void TestConfigFile::unopenableFileReportsEachFailedInput()
{
    const ConfigFile::LoadResult r =
        ConfigFile::load(QStringLiteral("/nonexistent/dir/ZELK_NET.cfg"), Name, {});
    QCOMPARE(r.messages.size(), 8);
    QCOMPARE(r.messages.first(), QStringLiteral("Uneccepted Error75Path/File access error"));
    QCOMPARE(r.messages.last(), QStringLiteral("Uneccepted Error52Bad file name or number"));
    QVERIFY(!r.markerAccepted);
}

void TestConfigFile::directorySearchIgnoresCaseAndRefusesFolders()
{
    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QFile f(QStringLiteral("zelk_net.CFG"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QDir().mkdir(QStringLiteral("sub"));
    QFile g(QStringLiteral("sub/ZELK_NET.cfg"));
    QVERIFY(g.open(QIODevice::WriteOnly));
    g.close();
    QCOMPARE(QFileInfo(ConfigFile::findInCurrentDir(Name)).fileName(), QStringLiteral("zelk_net.CFG"));
    QVERIFY(ConfigFile::findInCurrentDir(QStringLiteral("sub/ZELK_NET.cfg")).isEmpty());
    QVERIFY(ConfigFile::findInCurrentDir(QStringLiteral("sub")).isEmpty());
    QVERIFY(ConfigFile::findInCurrentDir(QStringLiteral("other.cfg")).isEmpty());
    QDir::setCurrent(old);
}

void TestConfigFile::composeWritesSevenLinesAndRoundTrips()
{
    const Values v{"10.0.0.5", "1", "2", "", "5000", "0"};
    const QByteArray text = ConfigFile::compose(v);
    QCOMPARE(text, QByteArray("IPaddress,10.0.0.5\r\nStartOutStatus, 1\r\nSetPointCheckBoxStart, 2\r\n"
                              "Start_Sample_Time, \r\nStart_Sample_TimeOut, 5000\r\n"
                              "X-mode:Samplings_or_Milisec:, 0\r\nVZT\r\n"));
    const ConfigFile::LoadResult r = ConfigFile::parse(text, Name, {});
    QCOMPARE(valueList(r.values), valueList(v));
    QVERIFY(r.messages.isEmpty());
    QVERIFY(r.markerAccepted);
}

void TestConfigFile::saveReplacesFileAndReportsFailure()
{
    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString path = dir.filePath(Name);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(
        "old contents that are longer than the new file will be ..........................................");
    old.close();
    QString error;
    QVERIFY(ConfigFile::save(path, Values{"a", "0", "0", "", "1", "1"}, &error));
    QFile now(path);
    QVERIFY(now.open(QIODevice::ReadOnly));
    QCOMPARE(now.readAll(), ConfigFile::compose(Values{"a", "0", "0", "", "1", "1"}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{Name}); // no temporary left behind

    QVERIFY(!ConfigFile::save(dir.filePath(QStringLiteral("missing/ZELK_NET.cfg")), Values{}, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_config_file.moc"
