// Following a history file while it grows: what the operator sees after each append, the slot equal to
// a full load of the final file, and a file that shrinks or changes stopping with one message.
#include "AutomationReach.h"
#include "ViewerTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace ViewerTest;

class TestViewerFollow : public QObject {
    Q_OBJECT
private slots:
    void followShowsEachAppend_data();
    void followShowsEachAppend();
};

enum Change { None, Shrunk, Rewritten };

void TestViewerFollow::followShowsEachAppend_data()
{
    QTest::addColumn<bool>("complete"); // the end line and the trailer arrive at last
    QTest::addColumn<bool>("zoomed");   // the operator zooms before the appends
    QTest::addColumn<int>("change");    // the file shrinks or its start changes after the load
    QTest::newRow("grows") << false << false << int(None);
    QTest::newRow("ends with its trailer") << true << false << int(None);
    QTest::newRow("zoomed view stays") << false << true << int(None);
    QTest::newRow("shrunk") << false << false << int(Shrunk);
    QTest::newRow("start rewritten") << false << false << int(Rewritten);
}

void TestViewerFollow::followShowsEachAppend()
{
    QFETCH(bool, complete);
    QFETCH(bool, zoomed);
    QFETCH(int, change);
    FreshViewer v;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder messages;
    constexpr int PerBlock = 23;
    QByteArray bytes = historyFile(waveBlocks({0xFF, 0xFE, 0xFC, 0xFE, 0xFF, 0xFD}, PerBlock));
    if (!complete) // as the monitor grows it: no end line, no trailer
        bytes.truncate(bytes.indexOf("-1, -1"));
    QList<qsizetype> ends; // where each block ends: at the next header, the end line or the file's end
    for (qsizetype at = bytes.indexOf("-999999", 30); at > 0; at = bytes.indexOf("-999999", at + 1))
        ends << at;
    ends << (complete ? bytes.indexOf("-1, -1") : bytes.size());
    const QString name = HistoryFile::AutoSaveName;
    frmHistory_Graph *graph = v.openGraph(dir, bytes.first(ends[1] + 9), {}, name); // a block begun
    QVERIFY(graph && graph->chkFollow->isEnabled());
    const QStringList reach = Zelk::Automation::reachProblems(graph).filter("chkFollow");
    QVERIFY2(reach.isEmpty(), qPrintable(reach.join(" | "))); // covers nothing, caption whole
    graph->chkFollow->setChecked(true);
    if (zoomed)
        QVERIFY(graph->showRange(3, 20));
    const GraphE::GraphSlot &slot = v.state.slotData[0];
    if (change != None) {
        writeFile(dir, name,
                  change == Shrunk ? bytes.first(ends[0])
                                   : bytes.replace(bytes.indexOf("300"), 3, "301").first(ends[3]));
        QTRY_VERIFY(!graph->chkFollow->isChecked());
        QTest::qWait(2500); // two more seconds of following would say it again
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].endsWith("following stopped."), qPrintable(messages.texts[0]));
        QCOMPARE(slot.count(), 2 * PerBlock); // what was shown stays
        QVERIFY(!graph->chkFollow->isEnabled());
        return;
    }
    for (const qsizetype cut : {ends[2], ends[3] + 30, ends[5], bytes.size()}) {
        writeFile(dir, name, bytes.first(cut));
        const qint32 whole =
            PerBlock * qint32(std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin());
        QTRY_COMPARE(slot.count(), whole);
        const qint32 edge = zoomed ? 20 : whole - 1; // the view's right edge
        QCOMPARE(graph->txtXmax->text(), QString::number(edge));
        QCOMPARE(graph->HiIndex[0], edge);
        QVERIFY(zoomed || graph->txtChannelScanned->text().endsWith(QStringLiteral("  %1").arg(whole)));
    }
    QTRY_COMPARE(graph->chkFollow->isChecked(), !complete);
    QCOMPARE(graph->chkFollow->isEnabled(), !complete);

    // Readings, block table and header texts as the full load of the final file (of a finished run).
    GraphE::Viewer full;
    const QString final = complete ? writeFile(dir, "All_data.txt", bytes) : dir.filePath(name);
    QCOMPARE(GraphE::LoadHistoryFile(full, final, 0).outcome, GraphE::LoadOutcome::Loaded);
    const GraphE::GraphSlot &expected = full.slotData[0];
    QCOMPARE(slot.values(), expected.values());
    QCOMPARE(slot.time(slot.upperBound()), expected.time(expected.upperBound()));
    for (size_t r = 0; r < 6; ++r)
        QCOMPARE(v.state.BlockTable[r].inputs, full.BlockTable[r].inputs);
    QCOMPARE(slot.header, expected.header);
    QCOMPARE(graph->lblChannelName->text(), expected.header[GraphE::TitleText]);
    QCOMPARE(messages.texts, QStringList());
}

QTEST_MAIN(TestViewerFollow)
#include "tst_viewer_follow.moc"
