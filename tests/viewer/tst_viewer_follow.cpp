// Following a history file while it grows: what the operator sees after each append, the slot equal to
// a full load of the final file, and a file that shrinks or changes stopping with one message.
#include "AutomationReach.h"
#include "GraphE.h"
#include "HistoryFile.h"
#include "Seams.h"
#include "ViewerTestSupport.h"
#include "frmHistory_Graph.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace ViewerTest;

namespace {

// A file of `blocks` as the monitor grows it: the byte offset after every whole block, and the end.
struct Growing {
    QByteArray bytes;
    QList<qsizetype> blockEnds;
    QList<qint32> readingsAt; // readings in the blocks up to each block end
};

Growing growing(const std::vector<Block> &blocks, bool complete)
{
    Growing g;
    g.bytes = historyFile(blocks);
    if (!complete) // the auto-save file has no end line and no trailer
        g.bytes.truncate(g.bytes.indexOf("-1, -1"));
    qsizetype at = g.bytes.indexOf('\n') + 1;
    qint32 readings = 0;
    for (const Block &b : blocks) {
        at = g.bytes.indexOf('\n', at) + 1; // the header
        for (size_t i = 0; i < b.texts.size(); ++i)
            at = g.bytes.indexOf('\n', at) + 1;
        g.blockEnds << at;
        g.readingsAt << (readings += static_cast<qint32>(b.texts.size()));
    }
    return g;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class TestViewerFollow : public QObject {
    Q_OBJECT
private slots:
    void followShowsEachAppend_data();
    void followShowsEachAppend();
    void changedFileStopsWithOneMessage_data();
    void changedFileStopsWithOneMessage();
};

void TestViewerFollow::followShowsEachAppend_data()
{
    QTest::addColumn<bool>("complete"); // the end line and the trailer arrive at last
    QTest::addColumn<bool>("zoomed");   // the operator zooms after the first append
    QTest::newRow("grows") << false << false;
    QTest::newRow("ends with its trailer") << true << false;
    QTest::newRow("zoomed view stays") << false << true;
}

// Steps: whole blocks, then a block cut in the middle of a line (not shown yet), then the rest.
void TestViewerFollow::followShowsEachAppend()
{
    const QString name = HistoryFile::AutoSaveName;
    QFETCH(bool, complete);
    QFETCH(bool, zoomed);
    FreshViewer v;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder messages;
    const Growing g = growing(waveBlocks({0xFF, 0xFE, 0xFC, 0xFE, 0xFF, 0xFD}, 23), complete);
    const qsizetype secondReading = g.bytes.indexOf('\n', g.bytes.indexOf('\n', g.blockEnds[1]) + 1) + 1;
    frmHistory_Graph *graph = v.openGraph(dir, g.bytes.first(secondReading), {}, name);
    QVERIFY2(graph, qPrintable(messages.texts.join(" | ")));
    const QString path = dir.filePath(name);
    QVERIFY(graph->chkFollow->isEnabled());
    // The check box covers nothing and shows its caption whole (whatever the small test screen does to
    // the designed controls).
    const QStringList reach = Zelk::Automation::reachProblems(graph).filter("chkFollow");
    QVERIFY2(reach.isEmpty(), qPrintable(reach.join(" | ")));
    const qsizetype messagesOfLoad = messages.texts.size();
    const QString loadedEdge = graph->txtXmax->text();
    graph->chkFollow->setChecked(true);
    QCOMPARE(graph->txtXmax->text(), loadedEdge); // nothing new yet: the view is the loaded one

    struct Step {
        qsizetype bytes;
        qint32 readings; // whole readings shown
    };
    const QList<Step> steps = {{g.blockEnds[2], g.readingsAt[2]},
                               {g.blockEnds[3] + 30, g.readingsAt[3]},
                               {g.blockEnds[5], g.readingsAt[5]},
                               {g.bytes.size(), g.readingsAt[5]}};
    if (zoomed)
        QVERIFY(graph->showRange(3, 20));
    const GraphE::GraphSlot &slot = v.state.slotData[0];
    for (const Step &step : steps) {
        writeBytes(path, g.bytes.first(step.bytes));
        QTRY_COMPARE(slot.count(), step.readings);
        const QString lastShown = QString::number(zoomed ? 20 : step.readings - 1);
        QCOMPARE(graph->txtXmax->text(), lastShown);
        QCOMPARE(graph->HiIndex[0], lastShown.toInt());
        if (!zoomed)
            QVERIFY2(graph->txtChannelScanned->text().endsWith(QStringLiteral("  %1").arg(step.readings)),
                     qPrintable(graph->txtChannelScanned->text()));
    }
    QTRY_COMPARE(graph->chkFollow->isChecked(), !complete);
    QCOMPARE(graph->chkFollow->isEnabled(), !complete);

    // The slot, the block table and the header texts are those a full load of the final file gives
    // (complete, as a file of a finished run).
    GraphE::Viewer full;
    const QString final = complete ? writeFile(dir, "All_data.txt", g.bytes) : path;
    QCOMPARE(GraphE::LoadHistoryFile(full, final, 0).outcome, GraphE::LoadOutcome::Loaded);
    const GraphE::GraphSlot &expected = full.slotData[0];
    QCOMPARE(slot.values(), expected.values());
    for (qint32 k = 0; k < expected.count(); ++k)
        QCOMPARE(slot.time(k), expected.time(k));
    for (size_t r = 0; r < 6; ++r)
        QCOMPARE(v.state.BlockTable[r].endIndex, full.BlockTable[r].endIndex);
    QCOMPARE(slot.header, expected.header);
    if (complete)
        QCOMPARE(graph->lblChannelName->text(), expected.header[GraphE::TitleText]);
    QCOMPARE(messages.texts.size(), messagesOfLoad);
}

void TestViewerFollow::changedFileStopsWithOneMessage_data()
{
    QTest::addColumn<int>("keep"); // bytes of the loaded file kept
    QTest::addColumn<QByteArray>("then");
    QTest::newRow("shrunk") << 200 << QByteArray();
    QTest::newRow("rewritten and grown") << 0 << QByteArray("Timer2Interval,  301 \r\n");
}

void TestViewerFollow::changedFileStopsWithOneMessage()
{
    QFETCH(int, keep);
    QFETCH(QByteArray, then);
    FreshViewer v;
    QTemporaryDir dir;
    const Growing g = growing(waveBlocks({0xFF, 0xFE, 0xFC}, 30), false);
    frmHistory_Graph *graph = v.openGraph(dir, g.bytes.first(g.blockEnds[1]), {}, HistoryFile::AutoSaveName);
    QVERIFY(graph);
    Zelk::MsgBoxRecorder messages;
    graph->chkFollow->setChecked(true);
    const qint32 shown = v.state.slotData[0].count();
    QByteArray changed = g.bytes.first(keep) + then;
    if (!then.isEmpty()) // the same start in other bytes, and more of them than were read
        changed += g.bytes.sliced(then.size(), g.blockEnds[2] - then.size());
    writeBytes(dir.filePath(HistoryFile::AutoSaveName), changed);
    QTRY_VERIFY(!graph->chkFollow->isChecked());
    QTest::qWait(2500); // two more seconds of following would say it again
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY2(messages.texts[0].endsWith(QStringLiteral("following stopped.")), qPrintable(messages.texts[0]));
    QCOMPARE(v.state.slotData[0].count(), shown); // what was shown stays
    QVERIFY(!graph->chkFollow->isEnabled());      // it no longer continues the file
}

QTEST_MAIN(TestViewerFollow)
#include "tst_viewer_follow.moc"
