// The history files' MIME type: the package's shared-mime-info file goes into a MIME database without a
// complaint, and there a history file is known by its first line, whatever its name.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString HistoryType = QStringLiteral("application/x-zelk-history");
// The first lines of a history file as the monitor writes it.
const QByteArray HistoryStart("Timer2Interval,  300 \r\n-999999  0  5  3  1500  0 \r\n 0  12.345\r\n");
} // namespace

class TestHistoryMime : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void typeFollowsFirstLine_data();
    void typeFollowsFirstLine();

private:
    QTemporaryDir m_data; // the data folder of the MIME database
};

// Builds the database as an installed package leaves it, the system's types and ours merged in one
// folder, before anything asks Qt's MIME database, which reads its folders once.
void TestHistoryMime::initTestCase()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    const QString shared = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                  QStringLiteral("mime/packages/freedesktop.org.xml"));
    if (tool.isEmpty() || shared.isEmpty())
        QSKIP("update-mime-database and the shared MIME types (Debian shared-mime-info) are needed");
    QVERIFY(m_data.isValid());
    const QString packages = m_data.filePath(QStringLiteral("mime/packages"));
    QVERIFY(QDir().mkpath(packages));
    const QDir system = QFileInfo(shared).dir();
    for (const QString &name : system.entryList({QStringLiteral("*.xml")}, QDir::Files))
        QVERIFY(QFile::copy(system.filePath(name), packages + u'/' + name));
    QVERIFY(
        QFile::copy(QStringLiteral(ZELK_HISTORY_MIME_XML), packages + QStringLiteral("/zelk-history.xml")));
    qputenv("XDG_DATA_DIRS", (m_data.path() + u'/').toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_data.filePath(QStringLiteral("home")).toLocal8Bit());
    QProcess update;
    update.setProcessChannelMode(QProcess::MergedChannels);
    update.start(tool, {m_data.filePath(QStringLiteral("mime"))});
    QVERIFY(update.waitForFinished(60000));
    // It exits with 0 whatever it finds: a file it cannot take is reported in words only.
    const QByteArray said = update.readAll();
    QVERIFY2(update.exitCode() == 0 && said.isEmpty(), said.constData());
    QVERIFY(QMimeDatabase().mimeTypeForName(HistoryType).inherits(QStringLiteral("text/plain")));
}

void TestHistoryMime::typeFollowsFirstLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("type");
    QTest::newRow("history_file_named_txt") << "All_data.txt" << HistoryStart << HistoryType;
    QTest::newRow("history_file_other_name") << "run7.dat" << HistoryStart << HistoryType;
    QTest::newRow("plain_text_txt") << "notes.txt" << QByteArray("Tare checked at 10:30\r\n") << "text/plain";
    QTest::newRow("other_first_line_txt")
        << "All_data.txt" << QByteArray(HistoryStart).replace("Timer2", "Timer3") << "text/plain";
}

void TestHistoryMime::typeFollowsFirstLine()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    QTEST(QMimeDatabase().mimeTypeForFile(file.fileName()).name(), "type");
}

QTEST_GUILESS_MAIN(TestHistoryMime)
#include "tst_history_mime.moc"
