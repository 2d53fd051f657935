// Export of the viewer: CSV rows and number texts, the block of each reading, the file written whole
// or not at all, and the real graph window exporting a zoomed range as CSV, PNG and PDF.
#include "Controls.h"
#include "NumberFormat.h"
#include "ReadingsExport.h"
#include "ViewerTestSupport.h"

#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>
#include <cstring>

using namespace ViewerTest;

class TestViewerExport : public QObject {
    Q_OBJECT
private slots:
    void valueTextMatchesReadingsList_data();
    void valueTextMatchesReadingsList();
    void valueTextMatchesOnRandomSingles();
    void valueTextMatchesOnRandomReadings();
    void kindFollowsExtension_data();
    void kindFollowsExtension();
    void blockWalkFollowsBlockEnds();
    void headerQuotesUnit();
    void failedOrCancelledWriteKeepsOldFile();
    void zoomedRangeExportsExactlyItsReadings();
    void picturesAreWritten_data();
    void picturesAreWritten();
    void badNameOrUnwritablePathIsReported();
    void batchExportWritesWhatTheButtonWrites_data();
    void batchExportWritesWhatTheButtonWrites();
};

void TestViewerExport::valueTextMatchesReadingsList_data()
{
    QTest::addColumn<float>("value");
    for (float v : {0.0f, -0.0f, 1.0f, -1.0f, 0.0625f, -0.0625f, 0.1875f, 2.5f, 0.0005f, -0.0005f, 0.0004f,
                    -0.0004f, 1245.125f, 1e7f, -1e7f, 16777215.0f, 1e12f, 1e20f, -3.4e38f})
        QTest::addRow("%g", double(v)) << v;
    QTest::addRow("inf") << std::numeric_limits<float>::infinity();
    QTest::addRow("-inf") << -std::numeric_limits<float>::infinity();
    QTest::addRow("nan") << std::numeric_limits<float>::quiet_NaN();
}

void TestViewerExport::valueTextMatchesReadingsList()
{
    QFETCH(float, value);
    QByteArray out;
    ReadingsExport::appendValue000(out, value);
    QCOMPARE(QString::fromLatin1(out), NumberFormat::format0_000(value));
}

void TestViewerExport::valueTextMatchesOnRandomSingles()
{
    // Singles of every size: ties at the fourth decimal are where a plain fixed conversion differs.
    QRandomGenerator random(20261208);
    for (int i = 0; i < 200000; ++i) {
        std::uint32_t bits = random.generate();
        float v = 0;
        std::memcpy(&v, &bits, sizeof v);
        if (i % 2)
            v = static_cast<float>(random.bounded(2000001) - 1000000) / 16.0f;
        QByteArray out;
        ReadingsExport::appendValue000(out, v);
        if (QString::fromLatin1(out) != NumberFormat::format0_000(v))
            QFAIL(qPrintable(QStringLiteral("%1: %2 != %3")
                                 .arg(double(v), 0, 'g', 9)
                                 .arg(QString::fromLatin1(out), NumberFormat::format0_000(v))));
    }
}

void TestViewerExport::valueTextMatchesOnRandomReadings()
{
    // Readings of four decimals, kept at full precision: a fourth decimal of 5 is a tie that only the
    // value's 15-digit form settles.
    QRandomGenerator random(20260412);
    for (int i = 0; i < 200000; ++i) {
        const double v = double(qint64(random.bounded(2000000001)) - 1000000000) / 10000.0;
        QByteArray out;
        ReadingsExport::appendValue000(out, v);
        if (QString::fromLatin1(out) != NumberFormat::format0_000(v, "."))
            QFAIL(qPrintable(QStringLiteral("%1: %2 != %3")
                                 .arg(v, 0, 'g', 17)
                                 .arg(QString::fromLatin1(out), NumberFormat::format0_000(v, "."))));
    }
}

void TestViewerExport::kindFollowsExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("written");
    using K = ReadingsExport::Kind;
    QTest::newRow("csv") << "/t/a.csv" << int(K::Csv) << "/t/a.csv";
    QTest::newRow("upper PNG") << "/t/a.PNG" << int(K::Png) << "/t/a.PNG";
    QTest::newRow("pdf") << "/t/a.b.pdf" << int(K::Pdf) << "/t/a.b.pdf";
    QTest::newRow("none gets csv") << "/t.d/readings" << int(K::Csv) << "/t.d/readings.csv";
    QTest::newRow("other") << "/t/a.txt" << int(K::Unknown) << "/t/a.txt";
    QTest::newRow("folder") << "/t/" << int(K::Unknown) << "/t/";
}

void TestViewerExport::kindFollowsExtension()
{
    QFETCH(QString, name);
    QString path = name;
    QTEST(int(ReadingsExport::kindOf(path)), "kind");
    QTEST(path, "written");
}

void TestViewerExport::blockWalkFollowsBlockEnds()
{
    // Blocks ending at 2, 4 and 9; the rows after them were never loaded.
    std::vector<HistoryFile::BlockRow> table(8);
    table[0].endIndex = 2;
    table[1].endIndex = 4;
    table[2].endIndex = 9;
    ReadingsExport::BlockWalker walker(table);
    const int expected[] = {0, 0, 0, 1, 1, 2, 2, 2, 2, 2, -1, -1};
    for (int k = 0; k < 12; ++k)
        QCOMPARE(walker.rowOf(k), expected[k]);
    // A first block of one reading ends at 0 like the unloaded rows do.
    std::vector<HistoryFile::BlockRow> single(4);
    ReadingsExport::BlockWalker one(single);
    QCOMPARE(one.rowOf(0), 0);
    QCOMPARE(one.rowOf(1), -1);
}

void TestViewerExport::headerQuotesUnit()
{
    ReadingsExport::Request r;
    r.unit = QStringLiteral("k\"g,");
    r.timeInMs = true;
    QCOMPARE(ReadingsExport::headerLine(r),
             QByteArray("Reading,Time (ms),\"Value (k\"\"g,)\",A2D,Inputs 1-8\r\n"));
    r.unit.clear();
    r.timeInMs = false;
    QCOMPARE(ReadingsExport::headerLine(r), QByteArray("Reading,Time,Value,A2D,Inputs 1-8\r\n"));
}

void TestViewerExport::failedOrCancelledWriteKeepsOldFile()
{
    GraphE::GraphSlot slot;
    for (int k = 0; k < 200000; ++k)
        slot.append("1", 1, k, true);
    std::vector<HistoryFile::BlockRow> blocks(2);
    blocks[0].endIndex = 199999;
    ReadingsExport::Request r;
    r.slot = &slot;
    r.blocks = &blocks;
    r.first = 0;
    r.last = 199999;
    QTemporaryDir dir;
    const QString path = writeFile(dir, "old.csv", "old contents");
    int asked = 0;
    const auto result = ReadingsExport::writeCsv(
        path, r, [&](qint64, qint64) { return ++asked < 2; }, nullptr);
    QCOMPARE(int(result), int(ReadingsExport::WriteResult::Cancelled));
    QCOMPARE(asked, 2);
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old contents"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.csv"});
    QString error;
    QCOMPARE(int(ReadingsExport::writeCsv(dir.filePath("missing/x.csv"), r, {}, &error)),
             int(ReadingsExport::WriteResult::Failed));
    QVERIFY(!error.isEmpty());
}

namespace {

QList<QByteArray> csvLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (QByteArray &l : lines)
        l.chop(l.endsWith('\r') ? 1 : 0);
    return lines;
}

// A rectangle zoom of the graph window to about the middle third of its range.
void zoomMiddle(frmHistory_Graph *g)
{
    const int w = static_cast<int>(g->pctGraphH->widthTw());
    g->MouseX = w / 3;
    g->MouseY = 100;
    g->pctGraphH_DblClick();
    Zelk::setGeometryTwips(g->lblTaget, w / 3, 100, w / 3, static_cast<int>(g->pctGraphH->heightTw()) - 200);
    g->cmdUpdateGraph_Click();
}

} // namespace

void TestViewerExport::zoomedRangeExportsExactlyItsReadings()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    const std::vector<Block> blocks = waveBlocks({0xFF, 0xFE, 0x7F, 0x01, 0xFF, 0x00}, 100);
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(blocks));
    QVERIFY(g);
    zoomMiddle(g);
    const int lo = g->LoIndex[0], hi = g->HiIndex[0];
    QVERIFY(lo > 100 && hi < 500 && lo < hi);
    AnsweringDialog dialog(dir.filePath("zoomed")); // no extension: a CSV
    g->cmdExport->click();
    QCOMPARE(dialog.requests.size(), 1);
    QVERIFY(!dialog.requests[0].existingOnly);
    QVERIFY(dialog.requests[0].save);
    const QList<QByteArray> lines = csvLines(dir.filePath("zoomed.csv"));
    QCOMPARE(lines.size(), hi - lo + 2);
    QCOMPARE(lines[0], QByteArray("Reading,Time,Value (kg),A2D,Inputs 1-8"));
    for (int k = lo; k <= hi; ++k) {
        const Block &b = blocks[size_t(k / 100)];
        const QByteArray text = b.texts[size_t(k % 100)];
        QByteArray bits;
        for (int i = 0; i < 8; ++i)
            bits += (b.inputs >> i) & 1 ? '1' : '0';
        const QByteArray expected =
            QByteArray::number(k) + ',' + QByteArray::number(k) + ',' + text + ".000," + text + ',' + bits;
        QCOMPARE(lines[k - lo + 1], expected);
    }
    QCOMPARE(boxes.texts, QStringList());
}

void TestViewerExport::picturesAreWritten_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("png") << "plot.png";
    QTest::newRow("pdf") << "plot.PDF";
}

void TestViewerExport::picturesAreWritten()
{
    QFETCH(QString, name);
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(realisticBlocks()));
    QVERIFY(g);
    g->show();
    zoomMiddle(g);
    const QImage picture = g->plotPicture();
    // The title line above the value axis, the plot and the x axis.
    QCOMPARE(picture.width(), g->Frame1->geometry().right() - g->pctYscale->x() + 1);
    QCOMPARE(picture.height(), g->Frame1->height() + g->fontMetrics().height() + 6);
    AnsweringDialog dialog(dir.filePath(name));
    g->cmdExport->click();
    QFile f(dir.filePath(name));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    if (name.endsWith(".png")) {
        QImage written;
        QVERIFY(written.loadFromData(bytes, "PNG"));
        QCOMPARE(written.size(), picture.size());
        QCOMPARE(written.convertToFormat(QImage::Format_RGB32),
                 picture.convertToFormat(QImage::Format_RGB32));
    } else {
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.size() > 10000); // the picture is in it
    }
    QCOMPARE(boxes.texts, QStringList());
    if (!screenshotDir().isEmpty() && name.endsWith(".png"))
        picture.save(screenshotDir() + QStringLiteral("/kurvex-export.png"));
}

void TestViewerExport::badNameOrUnwritablePathIsReported()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(waveBlocks({0xFF, 0xFE}, 50)));
    QVERIFY(g);
    QVERIFY(QDir(dir.path()).mkdir("taken.csv"));
    const struct {
        QString name, message;
    } cases[] = {
        {"plot.txt", "Export: the file name must end in .csv, .png or .pdf."},
        {"taken.csv", "Export: cannot write " + dir.filePath("taken.csv") + ": "},
        {"missing/plot.png", "Export: cannot write " + dir.filePath("missing/plot.png") + ": "},
    };
    for (const auto &c : cases) {
        Zelk::MsgBoxRecorder boxes;
        AnsweringDialog dialog(dir.filePath(c.name));
        g->cmdExport->click();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts[0].startsWith(c.message), qPrintable(boxes.texts[0]));
    }
    Zelk::MsgBoxRecorder boxes;
    AnsweringDialog cancel;
    g->cmdExport->click();
    QCOMPARE(boxes.texts, QStringList());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"All_data.txt"});
}

void TestViewerExport::batchExportWritesWhatTheButtonWrites_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("csv_whole_run") << "all.csv" << QStringList{};
    QTest::newRow("csv_range_in_ms") << "part.csv" << QStringList{"--range", "120:360", "--time-ms", "16"};
    QTest::newRow("png_range") << "part.png" << QStringList{"--range", "50:400"};
    QTest::newRow("pdf") << "all.pdf" << QStringList{};
}

// Kurvex --export OUT FILE [--range A:B] [--time-ms N], run without a display, against the Export
// button after the same load, range and time axis.
void TestViewerExport::batchExportWritesWhatTheButtonWrites()
{
    QFETCH(QString, name);
    QFETCH(QStringList, options);
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    const int ms = options.contains("--time-ms") ? options.last().toInt() : 0;
    frmHistory_Graph *g =
        viewer.openGraph(dir, historyFile(realisticBlocks()), ms ? QStringLiteral("x/2/%1").arg(ms) : "");
    QVERIFY(g);
    g->show();
    if (const qsizetype r = options.indexOf("--range"); r >= 0)
        QVERIFY(
            g->showRange(options[r + 1].section(':', 0, 0).toInt(), options[r + 1].section(':', 1).toInt()));
    AnsweringDialog dialog(dir.filePath("button-" + name));
    g->cmdExport->click();
    QCOMPARE(boxes.texts, QStringList());

    QProcess batch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    batch.setProcessEnvironment(env);
    batch.start(ZELK_VIEWER_EXE,
                QStringList{"--export", dir.filePath(name), dir.filePath("All_data.txt")} + options);
    QVERIFY(batch.waitForFinished(60000));
    QCOMPARE(batch.exitCode(), 0);
    const auto contents = [&dir](const QString &file) {
        QFile f(dir.filePath(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray button = contents("button-" + name), written = contents(name);
    if (name.endsWith(".csv"))
        QCOMPARE(written, button);
    else if (name.endsWith(".png"))
        QCOMPARE(QImage::fromData(written, "PNG"), QImage::fromData(button, "PNG"));
    else
        QVERIFY(written.startsWith("%PDF-") && written.size() > 10000);
}

QTEST_MAIN(TestViewerExport)
#include "tst_viewer_export.moc"
