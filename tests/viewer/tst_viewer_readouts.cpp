// The graph window's readouts: statistics of a zoomed range in counts and values, the readings box,
// the auto-range, showing and hiding the input labels, and "Add" with the summary files.
#include "Controls.h"
#include "GraphMath.h"
#include "MinMaxFile.h"
#include "NumberFormat.h"
#include "Readouts.h"
#include "ViewerTestSupport.h"
#include "frmListHist_Graph.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace ViewerTest;

class TestViewerReadouts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); } // "." in the "0.000" texts
    void zoomToReadings10To19ShowsTheirStatistics();
    void readingTextKeepsItsPrecision_data();
    void readingTextKeepsItsPrecision();
    void valueModeShowsReadingsAtFullPrecision_data();
    void valueModeShowsReadingsAtFullPrecision();
    void extremeReadingIsReportedOnceAndNeverClamped_data();
    void extremeReadingIsReportedOnceAndNeverClamped();
    void readingsBoxShowsFirstAndLastReading_data();
    void readingsBoxShowsFirstAndLastReading();
    void readingsBoxInMillisecondsAfterLoad();
    void autoRangeWidensByTenPercentOrOne_data();
    void autoRangeWidensByTenPercentOrOne();
    void hideInputsTogglesOnlyWithLabels();
    void summaryFileNames_data();
    void summaryFileNames();
    void summaryFileSetsPlotStepFromTotalTime_data();
    void summaryFileSetsPlotStepFromTotalTime();
    void addReplacesReadingsFromIndexOne();
    void addWithoutSummaryFileChangesNothing();
};

namespace {

// Readings 1000, 1010, 1020, ... in one block.
QByteArray risingFile(int n)
{
    Block b{0, {}};
    for (int k = 0; k < n; ++k)
        b.texts.push_back(QByteArray::number(1000 + 10 * k));
    return historyFile({b});
}

// A block of n readings: `even` at the even indexes, `odd` at the odd ones.
Block alternating(int n, const QByteArray &even, const QByteArray &odd)
{
    Block b{0, {}};
    for (int k = 0; k < n; ++k)
        b.texts.push_back(k % 2 ? odd : even);
    return b;
}

// Places the cursor over readings lo..hi (full height) and zooms in with "+".
void zoomTo(frmHistory_Graph *g, int lo, int hi)
{
    const double plotW = Zelk::pixelsToTwips(g->Frame1->width());
    const double xmin = g->LoIndex[0], xmax = g->HiIndex[0];
    const auto pixelOf = [&](int index) {
        int px = 0;
        while (GraphMath::PixelToIndex(plotW, xmin, xmax, Zelk::pixelsToTwips(px)) < index)
            ++px;
        return px;
    };
    const int left = pixelOf(lo - 1), right = pixelOf(hi);
    g->MouseX = Zelk::pixelsToTwips(left);
    g->MouseY = 0;
    g->pctGraphH_DblClick();
    g->lblTaget->resize(right - left, g->pctGraphH->height());
    g->cmdUpdateGraph_Click();
}

// A current folder for the summary files, put back afterwards.
struct CurrentFolder {
    explicit CurrentFolder(const QString &path) : previous(QDir::currentPath()) { QDir::setCurrent(path); }
    ~CurrentFolder() { QDir::setCurrent(previous); }
    QString previous;
};

} // namespace

void TestViewerReadouts::zoomToReadings10To19ShowsTheirStatistics()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, risingFile(100));
    QVERIFY(g);
    zoomTo(g, 10, 19);
    QCOMPARE(g->LoIndex[0], 10);
    QCOMPARE(g->HiIndex[0], 19);
    QCOMPARE(viewer.state.SamplesText, QString("10"));
    QVERIFY(g->txtChannelScanned->text().endsWith("  10"));
    QCOMPARE(g->txtIntegrationBufferSize->text(), QString("10  Readings:   19"));
    // Average 1145, minimum 1100, maximum 1190, deltas -45 and 45, each extreme once; the caption's last
    // word has no blank after it, so Cnt2 gets no column.
    QCOMPARE(g->txtAverage->text(), QString("1145.000 1100.000 1190.000 -45.000 45.000    1"));
    g->OptValueType[2]->click();
    QCOMPARE(g->txtAverage->text(), QString("   1145    1100    1190    -45     45    1"));
    g->cmdMinus_Click(); // back to all 100 readings
    QCOMPARE(viewer.state.SamplesText, QString("100"));
    QCOMPARE(g->txtAverage->text(), QString("   1495    1000    1990   -495    495    1"));
    QCOMPARE(g->txtIntegrationBufferSize->text(), QString("0  Readings:   99"));
    QCOMPARE(boxes.texts, QStringList());
}

// The text of a reading on the value axis and in the Max/Min readouts.
void TestViewerReadouts::readingTextKeepsItsPrecision_data()
{
    QTest::addColumn<double>("reading");
    QTest::addColumn<int>("valueType");
    QTest::addColumn<float>("gain");
    QTest::addColumn<float>("offset");
    QTest::addColumn<QString>("text");
    QTest::newRow("value_keeps_fraction") << 44.381 << 1 << 1.0f << 0.0f << "44.381";
    QTest::newRow("value_negative_fraction") << -0.381 << 1 << 1.0f << 0.0f << "-0.381";
    QTest::newRow("value_gain_and_offset") << 44.381 << 1 << 2.0f << 0.5f << "89.262";
    QTest::newRow("value_beyond_single_precision") << 20000.001 << 1 << 1.0f << 0.0f << "20000.001";
    QTest::newRow("a2d_whole_counts") << 44.6 << 2 << 1.0f << 0.0f << "45";
}

void TestViewerReadouts::readingTextKeepsItsPrecision()
{
    QFETCH(double, reading);
    QFETCH(int, valueType);
    QFETCH(float, gain);
    QFETCH(float, offset);
    QTEST(Readouts::countsText(reading, quint8(valueType), gain, offset), "text");
}

void TestViewerReadouts::valueModeShowsReadingsAtFullPrecision_data()
{
    QTest::addColumn<QByteArray>("even"); // the readings with an even index
    QTest::addColumn<QByteArray>("odd");
    QTest::addColumn<QString>("average"); // the statistics line of readings 10..19
    QTest::addColumn<QString>("cursors"); // the measuring cursors on readings 13 and 16
    QTest::newRow("fractions")
        << QByteArray("44.381") << QByteArray("42.205") << " 43.293  42.205  44.381 -1.088  1.088    5"
        << "1: t=13  42.205 kg   2: t=16  44.381 kg   \u0394time=3   \u0394value=2.176 kg";
    QTest::newRow("beyond_single_precision")
        << QByteArray("20000.001") << QByteArray("19998.997")
        << "19999.499 19998.997 20000.001 -0.502  0.502    5"
        << "1: t=13  19998.997 kg   2: t=16  20000.001 kg   \u0394time=3   \u0394value=1.004 kg";
}

// Readouts, statistics, readings list, cursors and export of readings 10..19 in Value mode.
void TestViewerReadouts::valueModeShowsReadingsAtFullPrecision()
{
    QFETCH(QByteArray, even);
    QFETCH(QByteArray, odd);
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, historyFile({alternating(30, even, odd)}));
    QVERIFY(g);
    zoomTo(g, 10, 19);
    QTEST(g->txtAverage->text(), "average");
    g->OptValueType[2]->click();
    g->OptValueType[1]->click();
    QCOMPARE(g->lblYMaxCurr->text(), QString(even));
    QCOMPARE(g->lblYMinCurr->text(), QString(odd));
    g->cmdReadFile->click();
    const frmListHist_Graph *list = g->listWindow();
    QVERIFY(list);
    QCOMPARE(list->LstHistTemp->model()->index(0, 0).data().toString().simplified(), "10 " + even);
    g->chkCursors->setChecked(true);
    QTEST(g->lblCursors->text(), "cursors");
    AnsweringDialog dialog(dir.filePath("range.csv"));
    g->cmdExport->click();
    QFile csv(dir.filePath("range.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.value(1), "10,10," + even + ',' + even + ",00000000\r");
    QCOMPARE(lines.value(2), "11,11," + odd + ',' + odd + ",00000000\r");
    QCOMPARE(boxes.texts, QStringList());
}

void TestViewerReadouts::extremeReadingIsReportedOnceAndNeverClamped_data()
{
    const QStringList overflow{"Unaccepting Error (frmGraph cmdLoad) 6 Overflow"};
    const QString e308 = "1" + QString(308, u'0') + ".000";
    QTest::addColumn<QString>("file"); // readings 10, 11, the case, 13, 14, 15, 16, 14
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("shown"); // Value mode: reading 2, then the least and most of 1 .. 7
    QTest::newRow("normal_neighbour")
        << "reading_normal_neighbour.txt" << QStringList() << QStringList{"12.250", "11.000", "16.000"};
    QTest::newRow("1e308") << "reading_1e308.txt" << overflow << QStringList{e308, "11.000", e308};
    QTest::newRow("minus_1e308") << "reading_minus_1e308.txt" << overflow
                                 << QStringList{"-" + e308, "-" + e308, "16.000"};
    // Two 1e308 in a row, and a distance between the extremes beyond a double.
    QTest::newRow("plus_and_minus_1e308")
        << "reading_plus_and_minus_1e308.txt" << overflow << QStringList{e308, "-" + e308, e308};
    QTest::newRow("9999999999") << "reading_9999999999.txt" << overflow
                                << QStringList{"9999999999.000", "11.000", "9999999999.000"};
    // Beyond a double: read as 0, as a reading that is no number.
    QTest::newRow("1e309") << "reading_1e309.txt" << overflow << QStringList{"0.000", "0.000", "16.000"};
}

// The loader's overflow message once; Value mode shows the reading as it is and A2D mode its whole
// count, in the Max/Min readouts, the cursor readout and the statistics of a zoom; zooming back
// restores the value limits.
void TestViewerReadouts::extremeReadingIsReportedOnceAndNeverClamped()
{
    QFETCH(QString, file);
    QFETCH(QStringList, shown);
    const auto number = [](const QString &text) { return NumberFormat::valPrefix(text); };
    const auto readouts = [](frmHistory_Graph *g) { // cursor 1 (on reading 2), least and most
        return QStringList{g->lblCursors->text().section(u' ', 3, 3)} +
               g->txtAverage->text().split(u' ', Qt::SkipEmptyParts).mid(1, 2);
    };
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, dataFile(file));
    QVERIFY(g);
    QCOMPARE((QStringList{g->lblYMinCurr->text(), g->lblYMaxCurr->text()}), shown.mid(1));
    const double ymin = g->Ymin, ymax = g->Ymax;
    QVERIFY(ymin < number(shown[1]) && number(shown[2]) < ymax);
    g->chkCursors->setChecked(true);
    zoomTo(g, 1, 7);
    QCOMPARE(readouts(g), shown);
    QVERIFY(!g->txtAverage->text().contains("inf"));
    g->OptValueType[2]->click();
    for (QString &text : shown)
        text = text.section(u'.', 0, 0);
    QCOMPARE(readouts(g), shown);
    g->cmdMinus_Click();
    QVERIFY(qAbs(g->Ymin - ymin) <= 0.5 && qAbs(g->Ymax - ymax) <= 0.5);
    QTEST(boxes.texts, "messages");
}

void TestViewerReadouts::readingsBoxShowsFirstAndLastReading_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("text");
    QTest::newRow("readings_mode_shows_texts") << 1 << 8 << "80  Readings:   160";
    QTest::newRow("ms_mode_divides_by_interval") << 2 << 8 << "10  Readings:   20";
    QTest::newRow("ms_mode_uneven_division") << 2 << 64 << "1.25  Readings:   2.5";
    QTest::newRow("ms_mode_interval_0_keeps_times") << 2 << 0 << "80  Readings:   160";
}

void TestViewerReadouts::readingsBoxShowsFirstAndLastReading()
{
    QFETCH(int, mode);
    QFETCH(int, interval);
    QTEST(Readouts::readingsNumberText("80", "160", mode, interval), "text");
}

void TestViewerReadouts::readingsBoxInMillisecondsAfterLoad()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, risingFile(30), "All_data.txt/2/8");
    QVERIFY(g);
    QCOMPARE(g->txtXmax->text(), QString("232"));
    QCOMPARE(g->txtIntegrationBufferSize->text(), QString("0  Readings:   29"));
}

void TestViewerReadouts::autoRangeWidensByTenPercentOrOne_data()
{
    QTest::addColumn<QByteArray>("low");
    QTest::addColumn<QByteArray>("high");
    QTest::addColumn<double>("ymin");
    QTest::addColumn<double>("ymax");
    QTest::newRow("flat_500_margin_1") << QByteArray("500") << QByteArray("500") << 499.0 << 501.0;
    QTest::newRow("span_500_margin_50") << QByteArray("100") << QByteArray("600") << 50.0 << 650.0;
}

void TestViewerReadouts::autoRangeWidensByTenPercentOrOne()
{
    QFETCH(QByteArray, low);
    QFETCH(QByteArray, high);
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g =
        viewer.openGraph(dir, historyFile({alternating(40, low, high), {1, {low, high}}}));
    QVERIFY(g);
    QCOMPARE(g->ShownMin, low.toDouble());
    QCOMPARE(g->ShownMax, high.toDouble());
    g->cmd1MinMax->click();
    QTEST(g->Ymin, "ymin");
    QTEST(g->Ymax, "ymax");
    QCOMPARE(boxes.texts, QStringList()); // a flat curve is drawn, not a division by zero
}

void TestViewerReadouts::hideInputsTogglesOnlyWithLabels()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QPointer<frmHistory_Graph> flat = viewer.openGraph(dir, historyFile(waveBlocks({0, 0}, 20)));
    QVERIFY(flat);
    QCOMPARE(flat->InputLabelCount, 0);
    flat->cmdHideInputs->click();
    QCOMPARE(flat->cmdHideInputs->text(), QString("Hide Inputs"));
    delete flat;

    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0, 1}, 20)));
    QVERIFY(g);
    QCOMPARE(g->InputLabelCount, 3);
    g->cmdHideInputs->click();
    QCOMPARE(g->cmdHideInputs->text(), QString("Show Inputs"));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(!g->lblInputDn[size_t(i)]->isVisibleTo(g));
    g->RefreshGraph(0); // labels of a new plot stay hidden while the button offers "Show Inputs"
    QVERIFY(!g->lblInputDn[1]->isVisibleTo(g));
    g->cmdHideInputs->click();
    QCOMPARE(g->cmdHideInputs->text(), QString("Hide Inputs"));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(g->lblInputDn[size_t(i)]->isVisibleTo(g));
}

void TestViewerReadouts::summaryFileNames_data()
{
    QTest::addColumn<int>("part");
    QTest::addColumn<QString>("name");
    QTest::newRow("part_0_big") << 0 << "MinMaxBig";
    QTest::newRow("part_7") << 7 << "Part007";
    QTest::newRow("part_1234_last_three_digits") << 1234 << "Part234";
}

void TestViewerReadouts::summaryFileNames()
{
    QFETCH(int, part);
    QTEST(MinMaxFile::fileName(part), "name");
}

void TestViewerReadouts::summaryFileSetsPlotStepFromTotalTime_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("next");
    QTest::newRow("total_10_s_over_4_readings") << QByteArray("100 5 1500\r\nTotal Time In s 10\r\n"
                                                              "Samples In File 4\r\n101 5 1510\r\n")
                                                << 1.25 << 3;
    QTest::newRow("no_total_time_keeps_step") << QByteArray("100 5 1500\r\n101 5 1510\r\n") << 1.0 << 3;
    QTest::newRow("count_0_keeps_step")
        << QByteArray("Total Time In s 10\r\nSamples In File 0\r\n") << 1.0 << 1;
    QTest::newRow("total_time_on_last_line") << QByteArray("Total Time In s 10\r\n") << 1.0 << 1;
}

void TestViewerReadouts::summaryFileSetsPlotStepFromTotalTime()
{
    QFETCH(QByteArray, lines);
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, risingFile(20));
    QVERIFY(g);
    const CurrentFolder folder(dir.path());
    QVERIFY(!writeFile(dir, "MinMaxBig", "12/07/2026,10:30:00\r\nPart,Summary\r\n" + lines).isEmpty());
    qint32 next = -1;
    QVERIFY(g->LoadMinMaxFile(0, 1, next));
    QTEST(viewer.state.PlotStep, "step");
    QTEST(int(next), "next");
    QCOMPARE(viewer.state.FileDateText, QString("12/07/2026"));
    QCOMPARE(viewer.state.FileTimeText, QString("10:30:00"));
    QCOMPARE(boxes.texts, QStringList());
}

void TestViewerReadouts::addReplacesReadingsFromIndexOne()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, risingFile(20));
    QVERIFY(g);
    const CurrentFolder folder(dir.path());
    QVERIFY(!writeFile(dir, "MinMaxBig",
                       "12/07/2026, 10:30:00\r\nPart, Summary\r\n100 5 1500\r\n101 5 1510.6\r\n"
                       "Total Time In s 10\r\nSamples In File 4\r\n102 7 1490\r\nend of part\r\n")
                 .isEmpty());
    g->cmdAdd2Graf->click();
    QCOMPARE(g->cmdAdd2Graf->text(), QString("1"));
    const GraphE::GraphSlot &sd = viewer.state.slotData[0];
    QCOMPARE(sd.count(), 4); // reading 0 kept, 1..3 replaced, the rest cut
    QCOMPARE(sd.value(0), 1000.0);
    QCOMPARE(sd.valueText(1), QString("1500"));
    QCOMPARE(sd.valueText(2), QString("1511")); // the last field as a whole number
    QCOMPARE(sd.time(3), 102);
    QCOMPARE(g->HiIndex[0], 3);
    QCOMPARE(g->PrintedLines, QStringList{"part"});
    QCOMPARE(viewer.state.PlotStep, 1.0); // the window's initialisation starts the step at 1 again
    QCOMPARE(boxes.texts, QStringList());
}

void TestViewerReadouts::addWithoutSummaryFileChangesNothing()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, risingFile(20));
    QVERIFY(g);
    const CurrentFolder folder(dir.path());
    g->cmdAdd2Graf->click();
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts[0].contains(QDir(dir.path()).filePath("MinMaxBig")), qPrintable(boxes.texts[0]));
    QCOMPARE(g->cmdAdd2Graf->text(), QString("Add"));
    QCOMPARE(viewer.state.slotData[0].count(), 20);
    QCOMPARE(g->HiIndex[0], 19);
}

QTEST_MAIN(TestViewerReadouts)
#include "tst_viewer_readouts.moc"
