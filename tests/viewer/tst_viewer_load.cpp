// Loading history files into the viewer's slots and Show Graph: every failure message, the
// auto-save rule, header texts, times by x-axis mode, and the dialog and slot bookkeeping.
#include "FrmKurvex.h"
#include "GraphE.h"
#include "Readouts.h"
#include "Seams.h"
#include "ViewerTestSupport.h"
#include "frmHistory_Graph.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <bit>
#include <charconv>

using namespace ViewerTest;

namespace {
const QString InvalidStructure = QStringLiteral(
    "The selected file %1 has invalid structure.\nTo get good structure file press <Save> button, please");
}

class TestViewerLoad : public QObject {
    Q_OBJECT
private slots:
    void loadFailureShowsItsMessages_data();
    void loadFailureShowsItsMessages();
    void completeFileFillsSlotAndHeaderTexts();
    void slotZeroNormalisesValueTexts_data();
    void slotZeroNormalisesValueTexts();
    void readingsThatAreNoNumbersAreReportedOnce();
    void readingTextsShowTheirValues_data();
    void readingTextsShowTheirValues();
    void timesFollowXAxisMode();
    void timeBeyondLongRangeEndsWithOverflow();
    void onlyExactAutoSaveNameMayEndEarly_data();
    void onlyExactAutoSaveNameMayEndEarly();
    void showGraphPresetsDialogAndOpensCaptionedWindow();
    void cancelledDialogEndsViewer();
    void fifthGraphIsRefused();
    void slotMarkedOpenIsRefused();
};

void TestViewerLoad::loadFailureShowsItsMessages_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("messages"); // %1 stands for the path
    QTest::addColumn<int>("ends");
    QTest::newRow("wrong_first_field")
        << "wrong_first_field.txt"
        << QStringList{"Invalid file structure!!! \r\nSelect another file, please."} << 0;
    QTest::newRow("end_line_only_no_reading")
        << "end_line_only.txt" << QStringList{"No enough data in file: %1"} << 0;
    QTest::newRow("no_end_line_unexpected_end")
        << "no_end_line.txt" << QStringList{"Unexpected end of file %1", InvalidStructure} << 0;
    QTest::newRow("short_trailer") << "short_trailer.txt" << QStringList{InvalidStructure} << 0;
    QTest::newRow("samples_not_numeric") << "samples_not_numeric.txt" << QStringList{InvalidStructure} << 0;
    QTest::newRow("whole_number_not_numeric_ends")
        << "whole_number_not_numeric.txt"
        << QStringList{"Unaccepting Error (frmGraph cmdLoad) 13 Type mismatch"} << 1;
}

void TestViewerLoad::loadFailureShowsItsMessages()
{
    QFETCH(QString, file);
    QFETCH(QStringList, messages);
    FreshViewer viewer;
    QTemporaryDir dir;
    const QString path = writeFile(dir, file, dataFile(file));
    QVERIFY(!path.isEmpty());
    Zelk::MsgBoxRecorder boxes;
    AnsweringDialog dialog(path);
    FrmKurvex start(viewer.state);
    start.setCommandLine(QString());
    const bool keepRunning = start.cmdShowGraph_Click();
    for (QString &m : messages)
        m = m.arg(path);
    QCOMPARE(boxes.texts, messages);
    QVERIFY2(!keepRunning, "no window is visible after a failed load, so the viewer ends");
    QTEST(viewer.ends, "ends");
    QVERIFY(start.GraphWindows[0]);
    QVERIFY(!start.GraphWindows[0]->isVisible());
    QCOMPARE(int(start.OpenGraphCount), 1); // the slot stays taken
}

void TestViewerLoad::completeFileFillsSlotAndHeaderTexts()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    const QString path = writeFile(dir, "two_blocks.txt", dataFile("two_blocks.txt"));
    Zelk::MsgBoxRecorder boxes;
    const GraphE::LoadReport r = GraphE::LoadHistoryFile(viewer.state, path, 1);
    QCOMPARE(r.outcome, GraphE::LoadOutcome::Loaded);
    QVERIFY(boxes.texts.isEmpty());
    const GraphE::GraphSlot &s = viewer.state.slotData[1];
    QCOMPARE(s.count(), 5);
    QCOMPARE(s.valueText(0), QString("12.345"));
    QCOMPARE(s.valueText(1), QString("12.350")); // slots 1 to 3 keep the text as read
    QCOMPARE(s.valueText(4), QString("12.349"));
    // A block marker line adds one row and its reading still counts.
    QCOMPARE(viewer.state.BlockTable[0].endIndex, 2);
    QCOMPARE(viewer.state.BlockTable[1].endIndex, 4);
    QCOMPARE(viewer.state.BlockTable[1].inputs, 5);
    QCOMPARE(viewer.state.BlockTable[1].ticks, 1780);
    QCOMPARE(s.header[GraphE::StartDateTimeText], QString(":2/19/2004 10:30:53 AM"));
    QCOMPARE(s.header[GraphE::TitleText], QString("ZELK-NET  Channel 1"));
    QCOMPARE(s.header[GraphE::ChannelsText], QString("Channel(s) Scanned:Samples:"));
    QCOMPARE(s.header[GraphE::GainBiasText], QString("  36   49 0.0002 kg     0.234   4.321"));
    QCOMPARE(viewer.state.SamplesText, QString(" 4"));
}

void TestViewerLoad::slotZeroNormalisesValueTexts_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("text_not_numeric") << "reading_not_numeric.txt";
    // The text field ends with its line: the next line is the next reading, not this one's text.
    QTest::newRow("empty_reading_text") << "empty_reading_text.txt";
}

// Reading 1 holds no number: it says "Not Number", is stored as "0" and every other reading keeps its
// index.
void TestViewerLoad::slotZeroNormalisesValueTexts()
{
    QFETCH(QString, file);
    FreshViewer viewer;
    QTemporaryDir dir;
    const QString path = writeFile(dir, "r.txt", dataFile(file));
    Zelk::MsgBoxRecorder boxes;
    QCOMPARE(GraphE::LoadHistoryFile(viewer.state, path, 0).outcome, GraphE::LoadOutcome::Loaded);
    QCOMPARE(boxes.texts, QStringList{"Not Number"});
    const GraphE::GraphSlot &s = viewer.state.slotData[0];
    QCOMPARE(s.count(), 5);
    QCOMPARE(s.valueText(0), QString("12.345"));
    QCOMPARE(s.valueText(1), QString("0"));
    QCOMPARE(s.valueText(2), QString("12.348"));
    QCOMPARE(s.valueText(3), QString("12.351"));
    QCOMPARE(s.value(4), 12.349);
    QCOMPARE(viewer.state.SamplesText, QString(" 4"));
    // Slot 0's statistics run over the 0; a slot keeping the text as read stops its statistics there.
    QString a2d, values;
    QVERIFY(Readouts::statisticsTexts(s, 0, 4, 1, 0, a2d, values).ok());
    QCOMPARE(GraphE::LoadHistoryFile(viewer.state, path, 1).outcome, GraphE::LoadOutcome::Loaded);
    QCOMPARE(Readouts::statisticsTexts(viewer.state.slotData[1], 0, 4, 1, 0, a2d, values).message,
             QString("Invalid parameters in function GetStatistics Not a whole number at index 1 "));
}

// A file damaged in many readings says "Not Number" once, not once a reading.
void TestViewerLoad::readingsThatAreNoNumbersAreReportedOnce()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QByteArray text = dataFile("reading_not_numeric.txt");
    text.replace(" 12.348\r\n", " x\r\n").replace(" 12.349\r\n", " 12.3.4\r\n");
    const QString path = writeFile(dir, "r.txt", text);
    Zelk::MsgBoxRecorder boxes;
    QCOMPARE(GraphE::LoadHistoryFile(viewer.state, path, 0).outcome, GraphE::LoadOutcome::Loaded);
    QCOMPARE(boxes.texts, QStringList{"Not Number"});
    const GraphE::GraphSlot &s = viewer.state.slotData[0];
    for (const int k : {1, 2, 4})
        QCOMPARE(s.value(k), 0.0);
    QCOMPARE(s.value(3), 12.351);
}

void TestViewerLoad::readingTextsShowTheirValues_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("shown"); // slot 0's standard text of the value
    QTest::addColumn<QString>("message");
    const QString none, overflow = QStringLiteral("Unaccepting Error (frmGraph cmdLoad) 6 Overflow");
    const QByteArray zeros(400, '0');
    QTest::newRow("usual") << QByteArray("-12.345") << "-12.345" << none;
    QTest::newRow("point_first") << QByteArray("-.25") << "-0.25" << none;
    QTest::newRow("plus_exponent") << QByteArray("+1.5E+3") << "1500" << none;
    QTest::newRow("rounding_tie") << QByteArray("9007199254740993") << "9.00719925474099E+15" << overflow;
    QTest::newRow("many_decimals") << QByteArray("0.30000000000000004") << "0.3" << none;
    QTest::newRow("22_decimals") << QByteArray("0.0000000000000000000001") << "1E-22" << none;
    QTest::newRow("too_small") << "0." + zeros + "1"
                               << "0" << none;
    QTest::newRow("two_points") << QByteArray("1.2.3") << "0" << QStringLiteral("Not Number");
    QTest::newRow("long_border_in") << QByteArray("-2147483648.5") << "-2147483648.5" << none;
    QTest::newRow("long_border_out") << QByteArray("2147483647.5") << "2147483647.5" << overflow;
    QTest::newRow("overlong") << "000000000000000000012.5" + zeros.left(9) << "12.5" << none;
    QTest::newRow("beyond_double") << "1" + zeros << "0" << overflow;
}

// Slot 0 shows the standard text of each reading's value, slot 1 the text as read; a value is the
// full conversion's; beyond a Long it says the overflow, no number says "Not Number" (slot 0 only).
void TestViewerLoad::readingTextsShowTheirValues()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "r.txt", historyFile({{0xFF, {"1.5", text, "2.5"}}}));
    double full = 0;
    std::from_chars(text.constData() + (text[0] == '+'), text.constData() + text.size(), full);
    for (const quint8 slot : {0, 1}) {
        FreshViewer viewer;
        Zelk::MsgBoxRecorder boxes;
        QCOMPARE(GraphE::LoadHistoryFile(viewer.state, path, slot).outcome, GraphE::LoadOutcome::Loaded);
        const GraphE::GraphSlot &s = viewer.state.slotData[slot];
        QCOMPARE(s.valueText(1), slot == 0 ? shown : QString::fromLatin1(text));
        QCOMPARE(std::bit_cast<quint64>(s.value(1)),
                 std::bit_cast<quint64>(message == "Not Number" ? 0.0 : full));
        QCOMPARE(s.valueText(2), QString("2.5"));
        QCOMPARE(boxes.texts.join(' '), slot == 1 && message == "Not Number" ? QString() : message);
    }
}

void TestViewerLoad::timesFollowXAxisMode()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    const QString path = writeFile(dir, "All_data.txt", dataFile("two_blocks.txt"));
    AnsweringDialog dialog(path);
    FrmKurvex start(viewer.state);
    start.setCommandLine(path + "/2/16");
    QVERIFY(start.cmdShowGraph_Click());
    QCOMPARE(viewer.state.slotData[0].time(3), 48);
    QCOMPARE(start.GraphWindows[0]->txtXmax->text(), QString("64"));
    GraphE::GraphSlot &s = viewer.state.slotData[1];
    viewer.state.XAxisMode = 1;
    QCOMPARE(GraphE::LoadHistoryFile(viewer.state, path, 1).outcome, GraphE::LoadOutcome::Loaded);
    QCOMPARE(s.time(3), 3);
}

void TestViewerLoad::timeBeyondLongRangeEndsWithOverflow()
{
    // At 32767 ms per reading, reading 65539 lies beyond the Long time axis.
    QByteArray bytes;
    HistoryFile::appendIntervalLine(bytes);
    HistoryFile::appendBlockHeader(bytes, {0, 255, 1023, 0, 65539});
    for (int k = 0; k <= 65539; ++k)
        HistoryFile::appendReadingLine(bytes, k, "1.5");
    HistoryFile::appendEndLine(bytes);
    HistoryFile::appendTrailer(bytes, QString(), QStringLiteral("KG"), 65539);
    FreshViewer viewer;
    QTemporaryDir dir;
    const QString path = writeFile(dir, "long_run.txt", bytes);
    Zelk::MsgBoxRecorder boxes;
    AnsweringDialog dialog(path);
    FrmKurvex start(viewer.state);
    start.setCommandLine(path + "/2/32767");
    QVERIFY(!start.cmdShowGraph_Click());
    QCOMPARE(boxes.texts, QStringList{"Unaccepting Error (frmGraph cmdLoad) 6 Overflow"});
    QCOMPARE(viewer.ends, 1);
}

void TestViewerLoad::onlyExactAutoSaveNameMayEndEarly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("messages");
    QTest::newRow("AutoSave_loads_whole") << "AutoSave.txt" << int(GraphE::LoadOutcome::Loaded) << 0;
    QTest::newRow("autosave_is_ordinary") << "autosave.txt" << int(GraphE::LoadOutcome::InputPastEnd) << 1;
}

void TestViewerLoad::onlyExactAutoSaveNameMayEndEarly()
{
    QFETCH(QString, name);
    FreshViewer viewer;
    QTemporaryDir dir;
    const QString path = writeFile(dir, name, dataFile("no_end_line.txt"));
    Zelk::MsgBoxRecorder boxes;
    QTEST(int(GraphE::LoadHistoryFile(viewer.state, path, 0).outcome), "outcome");
    QTEST(int(boxes.texts.size()), "messages");
    QCOMPARE(viewer.state.slotData[0].count(), 5);
}

void TestViewerLoad::showGraphPresetsDialogAndOpensCaptionedWindow()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    const QString path = writeFile(dir, "two_blocks.txt", dataFile("two_blocks.txt"));
    AnsweringDialog dialog(path);
    Zelk::MsgBoxRecorder boxes;
    FrmKurvex start(viewer.state);
    start.setCommandLine("C:\\d\\All_data.txt/2/16");
    QVERIFY(start.cmdShowGraph_Click());
    QCOMPARE(dialog.requests.size(), 1);
    QCOMPARE(dialog.requests[0].presetFile, QString("C:\\d\\All_data.txt"));
    QCOMPARE(dialog.requests[0].filter, FrmKurvex::DialogFilter);
    QVERIFY(dialog.requests[0].existingOnly);
    QCOMPARE(viewer.state.XAxisMode, qint16(2));
    frmHistory_Graph *graph = start.GraphWindows[0];
    QVERIFY(graph && graph->isVisible());
    QCOMPARE(graph->windowTitle(), "HistoryGraph-" + path + "  0");
    QCOMPARE(graph->lblIndexForm->text(), QString("0"));
    QVERIFY(start.GraphOpen[0]);
    QCOMPARE(boxes.texts, QStringList());
}

void TestViewerLoad::cancelledDialogEndsViewer()
{
    FreshViewer viewer;
    AnsweringDialog dialog; // no answer: cancel
    FrmKurvex start(viewer.state);
    start.setCommandLine(QString());
    QVERIFY(!start.cmdShowGraph_Click());
    QCOMPARE(dialog.requests.value(0).presetFile, QString("ALL_Data"));
    QCOMPARE(int(start.OpenGraphCount), 0);
}

void TestViewerLoad::fifthGraphIsRefused()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    const QString path = writeFile(dir, "two_blocks.txt", dataFile("two_blocks.txt"));
    AnsweringDialog dialog(path);
    Zelk::MsgBoxRecorder boxes;
    FrmKurvex start(viewer.state);
    for (int i = 0; i < 4; ++i)
        QVERIFY(start.cmdShowGraph_Click());
    QVERIFY(boxes.texts.isEmpty());
    QVERIFY(start.cmdShowGraph_Click()); // graphs stay open: the viewer runs on
    QCOMPARE(boxes.texts, QStringList{"Number of opened graphs is limited"});
    QCOMPARE(start.GraphWindows[3]->lblIndexForm->text(), QString("3"));
}

void TestViewerLoad::slotMarkedOpenIsRefused()
{
    FreshViewer viewer;
    AnsweringDialog dialog(QStringLiteral("/nonexistent/never-read.txt"));
    Zelk::MsgBoxRecorder boxes;
    FrmKurvex start(viewer.state);
    start.GraphOpen[0] = true;
    QVERIFY(!start.cmdShowGraph_Click());
    QCOMPARE(boxes.texts, QStringList{"frmHistoryGraph(ch) is already opened"});
    QCOMPARE(int(start.OpenGraphCount), 1);
}

QTEST_MAIN(TestViewerLoad)
#include "tst_viewer_load.moc"
