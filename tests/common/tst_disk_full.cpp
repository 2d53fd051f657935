// A full disk under every writer of both programs: a real 64 KiB tmpfs, mounted in this test's own
// mount namespace (root only; skipped with the reason elsewhere), is filled up, and each writer asked to
// save keeps its previous file byte for byte and shows one message with the operating system's reason.
#include "../monitor/MonitorStation.h"
#include "../viewer/ViewerTestSupport.h"
#include "ConfigFile.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

namespace {

constexpr qint64 Page = 4096; // tmpfs hands out room a page at a time
const QString Filler = QStringLiteral("filler");

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A tmpfs of 64 KiB on a fresh folder, unmounted when it goes.
struct SmallDisk {
    SmallDisk()
    {
        mounted = ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                          "size=64k") == 0;
        error = mounted ? QString() : reason(errno);
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    // Takes every free page, then gives `leftFree` bytes back.
    bool fill(qint64 leftFree) const
    {
        QFile f(dir.filePath(Filler));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        while (f.write(QByteArray(Page, 'F')) == Page) {
        }
        return f.size() >= leftFree && f.resize(f.size() - leftFree);
    }
    QStringList files() const
    {
        QStringList names = QDir(dir.path()).entryList(QDir::Files);
        names.sort();
        return names;
    }

    QTemporaryDir dir;
    bool mounted = false;
    QString error;
};

enum class Writer { Settings, Layout, History, AutoSave, CommLog, Export };

} // namespace

Q_DECLARE_METATYPE(Writer)

class DiskFull : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void writerKeepsPreviousFileAndReportsReason_data();
    void writerKeepsPreviousFileAndReportsReason();
};

void DiskFull::initTestCase()
{
    // Mounts stay in this thread's own namespace, private, so nothing reaches the host's.
    if (::unshare(CLONE_NEWNS) != 0)
        QSKIP(
            qPrintable("a small disk needs a mount namespace of its own (root): unshare: " + reason(errno)));
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        QSKIP(qPrintable("cannot keep mounts private: " + reason(errno)));
}

void DiskFull::writerKeepsPreviousFileAndReportsReason_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("leftFree"); // bytes free when the save comes
    QTest::newRow("settings_file") << Writer::Settings << ConfigFile::DefaultName << qint64(0);
    QTest::newRow("layout_file") << Writer::Layout << "PLXW.cfg" << qint64(0);
    QTest::newRow("history_file_4k_free") << Writer::History << "All_data.txt" << Page;
    QTest::newRow("auto_save_append") << Writer::AutoSave << "AutoSave.txt" << qint64(0);
    QTest::newRow("comm_log_line") << Writer::CommLog << "ZELK_NET_comm.log" << qint64(0);
    QTest::newRow("export_csv") << Writer::Export << "readings.csv" << qint64(0);
    QTest::newRow("export_png_4k_free") << Writer::Export << "plot.png" << Page;
}

void DiskFull::writerKeepsPreviousFileAndReportsReason()
{
    QFETCH(Writer, writer);
    QFETCH(QString, file);
    QFETCH(qint64, leftFree);
    SmallDisk disk;
    if (!disk.mounted)
        QSKIP(qPrintable("cannot mount a small tmpfs: " + disk.error));
    QTemporaryDir other; // off the small disk: the file the viewer shows
    MonitorStation station;
    QVERIFY(station.ready());
    ViewerTest::FreshViewer viewer;
    QDir::setCurrent(disk.dir.path());
    QVERIFY(writeFile(ConfigFile::DefaultName, "IPaddress," + station.address.toLatin1() +
                                                   "\r\nStartOutStatus, 0\r\nSetPointCheckBoxStart, 0\r\n"
                                                   "Start_Sample_Time, 10\r\nStart_Sample_TimeOut, 5000\r\n"
                                                   "X-mode:Samplings_or_Milisec:, 1\r\nVZT\r\n"));
    frmClient &w = station.startWindow();
    for (int k = 0; k < 500; ++k) // a run of five blocks in memory
        w.readingStore.setReading(k, QByteArray::number(12.345 + k % 37 * 0.001, 'f', 3));
    for (int b = 0; b < 5; ++b)
        w.readingStore.setBlock(b, {0, 0xFF, 1023, 1000 + 280 * b, 100 * b + 99});
    w.lBlockCount = 5;
    frmHistory_Graph *graph =
        writer == Writer::Export
            ? viewer.openGraph(other, ViewerTest::historyFile(ViewerTest::waveBlocks({0xFF, 0xFE}, 50)))
            : nullptr;
    // Whole lines up to 20 bytes short of a page: an append starts in the room left and cannot end.
    const QString path = disk.dir.filePath(file);
    const QByteArray previous = QByteArray(2 * Page - 21, 'p') + '\n';
    QVERIFY(writeFile(path, previous));
    QVERIFY(disk.fill(leftFree));
    const QStringList files = disk.files();

    const QString history = "The history file " + QDir::toNativeSeparators(path) + " could not be written: ";
    QString message;
    switch (writer) {
    case Writer::Settings:
        w.txtTimeout2->setText(QStringLiteral("4321"));
        w.Save_Config_File(file);
        message = "The file " + file + " could not be written: ";
        break;
    case Writer::Layout:
        w.SaveLayoutFile();
        message = QStringLiteral("Else Error75");
        break;
    case Writer::History:
        w.SaveMemory2File(file, 0, w.lBlockCount);
        message = history;
        break;
    case Writer::AutoSave:
        w.lAutoSaveBegin = 2; // blocks 0 and 1 are in the file: the tick appends the other three
        w.Timer3AutoSave_Timer();
        message = history;
        break;
    case Writer::CommLog:
        w.chkCommLog->click();
        w.cmdWeight->click();
        message = "Communication log: cannot write " + file + ": ";
        break;
    case Writer::Export: {
        QVERIFY(graph);
        ViewerTest::AnsweringDialog dialog(path);
        graph->cmdExport->click();
        message = "Export: cannot write " + path + ": ";
        break;
    }
    }
    QTRY_COMPARE(station.messages.texts, QStringList{message + reason(ENOSPC)});
    QCOMPARE(readFile(path), previous);
    QCOMPARE(disk.files(), files); // no temporary left behind
}

QTEST_MAIN(DiskFull)
#include "tst_disk_full.moc"
