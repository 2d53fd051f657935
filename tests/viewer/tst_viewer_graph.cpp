// The graph window: zoom stack, block lookup, axis ticks, the curve with its colours and input
// markers (reduced drawing against full drawing), zoom in/out/reset, cursor dragging and closing.
#include "Controls.h"
#include "FrmKurvex.h"
#include "GraphE.h"
#include "GraphMath.h"
#include "PlotCurve.h"
#include "Seams.h"
#include "ViewerTestSupport.h"
#include "frmHistory_Graph.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace ViewerTest;

class TestViewerGraph : public QObject {
    Q_OBJECT
private slots:
    void popReturnsPushedViewsInOrder();
    void corruptStackEndsProgram();
    void blockLookupFindsRowByEnds_data();
    void blockLookupFindsRowByEnds();
    void twentyReadingsGiveXStepFour();
    void valueAxisHasFiveLabelsBottomUnlabelled();
    void inputChangesSwitchColourAndRotateMarkerRows();
    void zeroValueSpanDrawsNothing();
    void valuesBeyondTheRangeOfADoubleAreLabelledAndDrawn_data();
    void valuesBeyondTheRangeOfADoubleAreLabelledAndDrawn();
    void reducedDrawingMatchesFullDrawing();
    void narrowChangeInsideOnePixelColumnStillShows();
    void threeZoomInsThenResetRestoreFirstView();
    void cursorDragIsClampedAtBothEdges();
    void valueTypeSwitchRelabels();
    void tinyFileIsDrawnWithoutEndlessZoomOut();
    void closingGraphEndsViewer();
    void realisticGraphShowsCurveMarkersAndLabels();
};

void TestViewerGraph::popReturnsPushedViewsInOrder()
{
    GraphMath::ZoomStack stack;
    GraphMath::ResetStack(stack);
    GraphMath::PUSH4_L(stack, 1, 2, 3, 4);
    GraphMath::PUSH4_L(stack, 5, 6, 7, 8);
    std::int32_t a = 0, b = 0;
    double c = 0, d = 0;
    QCOMPARE(GraphMath::POP4(stack, a, b, c, d), 4);
    QCOMPARE((QList<double>{double(a), double(b), c, d}), (QList<double>{5, 6, 7, 8}));
    QCOMPARE(GraphMath::POP4(stack, a, b, c, d), 0);
    QCOMPARE((QList<double>{double(a), double(b), c, d}), (QList<double>{1, 2, 3, 4}));
    QCOMPARE(GraphMath::POP4(stack, a, b, c, d), GraphMath::StackEmpty);
    QCOMPARE((QList<double>{double(a), double(b), c, d}), (QList<double>{1, 2, 3, 4})); // left as they were
}

void TestViewerGraph::corruptStackEndsProgram()
{
    FreshViewer viewer;
    Zelk::MsgBoxRecorder boxes;
    GraphMath::ZoomStack stack(3, 0);
    std::int32_t a = 0, b = 0;
    double c = 0, d = 0;
    QCOMPARE(GraphMath::POP4(stack, a, b, c, d), GraphMath::StackDestroyed);
    QCOMPARE(boxes.texts, QStringList{}); // the window says it
    frmHistory_Graph g(viewer.state, 0);
    g.ZoomStack = stack;
    g.cmdMinus_Click();
    QCOMPARE(boxes.texts, QStringList{"Stack is destroyed!"});
    QCOMPARE(viewer.ends, 1);
}

void TestViewerGraph::blockLookupFindsRowByEnds_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("row");
    QTest::newRow("index_9_row_0") << 9 << 10 << 0;
    QTest::newRow("index_10_row_1") << 10 << 25 << 1;
    QTest::newRow("index_39_row_2") << 39 << 40 << 2;
    QTest::newRow("index_40_none") << 40 << -1 << 77;
}

void TestViewerGraph::blockLookupFindsRowByEnds()
{
    QFETCH(int, start);
    std::vector<HistoryFile::BlockRow> table(GraphE::BlockRows);
    table[0].endIndex = 10;
    table[1].endIndex = 25;
    table[2].endIndex = 40;
    std::int32_t row = 77;
    QTEST(int(GraphMath::GetNearestWeightIndex(table, start, row)), "end");
    QTEST(int(row), "row");
}

void TestViewerGraph::twentyReadingsGiveXStepFour()
{
    const GraphMath::XScale s = GraphMath::MakeXscale(2000, 0, 19);
    QCOMPARE(s.kind, GraphMath::XScale::Drawn);
    QCOMPARE(s.step, 4);
    QCOMPARE(s.ticks.size(), size_t(5));
    QCOMPARE(s.ticks[0].reading, 0);
    QCOMPARE(s.ticks[0].position, 100); // shifted right by one reading width
    QCOMPARE(s.ticks[1].reading, 4);
    QCOMPARE(s.ticks[1].position, 500);
    QCOMPARE(GraphMath::MakeXscale(2000, 5, 5.5).kind, GraphMath::XScale::TooNarrow);
    QCOMPARE(GraphMath::MakeXscale(2000, 5, 3).ticks.size(), size_t(0)); // start after end: no tick
    QCOMPARE(GraphMath::MakeXscale(2000, 6, 4.5).kind, GraphMath::XScale::ZeroSpan); // no axis, no end
}

void TestViewerGraph::valueAxisHasFiveLabelsBottomUnlabelled()
{
    const std::vector<GraphMath::YLine> lines = GraphMath::ValueScale(1000, 0, 500);
    QCOMPARE(lines.size(), size_t(5));
    QCOMPARE(lines.front().y, 0);
    QCOMPARE(lines.front().value, 500.0); // the top label is the upper limit
    QCOMPARE(lines.back().y, 800);
    QCOMPARE(lines.back().value, 100.0); // the lower limit itself has no label
}

namespace {

struct Drawn {
    QImage image;
    PlotCurve::Result result;
};

Drawn drawCurve(const std::vector<double> &values, const std::vector<HistoryFile::BlockRow> &blocks, QSize px,
                double ymin, double ymax, bool reduce)
{
    QImage image(px, QImage::Format_RGB32);
    image.fill(Qt::white);
    PlotCurve::Input in;
    in.values = &values;
    in.blocks = &blocks;
    in.widthTw = px.width() * 15.0;
    in.heightTw = px.height() * 15.0;
    in.xmin = 0;
    in.xmax = static_cast<double>(values.size()) - 1;
    in.ymin = ymin;
    in.ymax = ymax;
    in.twipsPerPixel = 15;
    const PlotCurve::Result r = PlotCurve::draw(image, in, reduce);
    return {image, r};
}

// Readings with a wave and blocks of `perBlock` readings whose input words come from `inputs`.
void makeRun(int n, int perBlock, const std::vector<int> &inputs, std::vector<double> &values,
             std::vector<HistoryFile::BlockRow> &blocks)
{
    values.clear();
    blocks.assign(GraphE::BlockRows, {});
    for (int k = 0; k < n; ++k)
        values.push_back(500 + 300 * std::sin(k / 40.0) + (k * 7919 % 61));
    for (int b = 0; b * perBlock < n; ++b) {
        blocks[size_t(b)].endIndex = std::min(n - 1, (b + 1) * perBlock - 1);
        blocks[size_t(b)].inputs = inputs[size_t(b) % inputs.size()];
    }
}

bool hasColour(const QImage &img, QRgb c)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == c)
                return true;
    return false;
}

} // namespace

void TestViewerGraph::valuesBeyondTheRangeOfADoubleAreLabelledAndDrawn_data()
{
    QTest::addColumn<double>("ymax");     // readings 1e308 and -1e308 by turns, on a plot of -ymax .. ymax
    QTest::addColumn<QList<int>>("rows"); // the curve's top and bottom pixel rows (of 200)
    QTest::newRow("span_beyond_a_double") << 1.2e308 << QList<int>{16, 184};
    QTest::newRow("far_off_the_plot_leaves_it") << 10.0 << QList<int>{0, 199};
}

void TestViewerGraph::valuesBeyondTheRangeOfADoubleAreLabelledAndDrawn()
{
    QFETCH(double, ymax);
    QCOMPARE(GraphMath::ValueScale(1000, -ymax, ymax).front().value, ymax);
    std::vector<double> values(40, 1e308);
    for (size_t k = 0; k < values.size(); k += 2)
        values[k] = -1e308;
    std::vector<HistoryFile::BlockRow> blocks(GraphE::BlockRows);
    blocks[0].endIndex = 39;
    const QImage image = drawCurve(values, blocks, QSize(400, 200), -ymax, ymax, true).image;
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (hasColour(image.copy(0, y, image.width(), 1), qRgb(0, 176, 0)))
            rows << y;
    QTEST((QList<int>{rows.value(0, -1), rows.value(rows.size() - 1, -1)}), "rows");
}

void TestViewerGraph::inputChangesSwitchColourAndRotateMarkerRows()
{
    Zelk::MsgBoxRecorder boxes;
    std::vector<double> values;
    std::vector<HistoryFile::BlockRow> blocks;
    // Input words 0,1 alternate: every block boundary is a change; 0x101 shows by its low 8 bits.
    makeRun(240, 20, {0, 0x101, 0, 1}, values, blocks);
    const Drawn d = drawCurve(values, blocks, QSize(400, 200), 0, 1000, false);
    QVERIFY(d.result.drawn);
    QVERIFY(boxes.texts.isEmpty());
    const std::vector<PlotCurve::Mark> &m = d.result.marks;
    QCOMPARE(m.size(), size_t(11)); // 12 blocks: 11 boundaries, each one a change
    for (size_t i = 0; i < m.size(); ++i) {
        QCOMPARE(m[i].rising, i % 2 == 0);
        QCOMPARE(m[i].input, i % 2 == 0 ? 1 : 0);
    }
    const double hg = 200 * 15, dd = std::nearbyint(0.3 * hg);
    QCOMPARE(m[0].labelTop, hg - dd);       // up row 1 -> first label row
    QCOMPARE(m[1].labelTop, dd * 0.3);      // down row 1
    QCOMPARE(m[8].labelTop, m[0].labelTop); // the fifth rising marker reuses row 0
    QCOMPARE(m[7].labelTop, 0.0);           // the fourth falling marker: row 0
    QCOMPARE(GraphE::inputBitsText(blocks[1].inputs), QString("10000000")); // least significant bit first
    QVERIFY(hasColour(d.image, qRgb(224, 0, 0)));
    QVERIFY(hasColour(d.image, qRgb(0, 176, 0)));
    QVERIFY(hasColour(d.image, qRgb(0, 0, 255)));
    double mx = values[1], mn = values[1];
    for (int k = 1; k < 220; ++k) {
        mx = std::max(mx, values[size_t(k)]);
        mn = std::min(mn, values[size_t(k)]);
    }
    QCOMPARE(d.result.plotMax, mx);
    QCOMPARE(d.result.plotMin, mn);
}

namespace {
// Pixels that differ between two images, and whether each has no differing neighbour.
int differing(const QImage &a, const QImage &b, bool &isolated)
{
    int count = 0;
    isolated = true;
    const auto diff = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < a.width() && y < a.height() && a.pixel(x, y) != b.pixel(x, y);
    };
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (!diff(x, y))
                continue;
            ++count;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx || dy) && diff(x + dx, y + dy))
                        isolated = false;
        }
    return count;
}
} // namespace

void TestViewerGraph::zeroValueSpanDrawsNothing()
{
    Zelk::MsgBoxRecorder boxes;
    std::vector<double> values;
    std::vector<HistoryFile::BlockRow> blocks;
    makeRun(100, 10, {0}, values, blocks);
    const Drawn d = drawCurve(values, blocks, QSize(100, 50), 300, 300, true);
    QVERIFY(!d.result.drawn);
    QCOMPARE(d.result.message, QString("Division by zero... (Hfinish - Hstart)=0"));
    QCOMPARE(boxes.texts, QStringList{}); // the window says it
    QVERIFY(!hasColour(d.image, qRgb(0, 176, 0)));
}

void TestViewerGraph::reducedDrawingMatchesFullDrawing()
{
    std::vector<double> values;
    std::vector<HistoryFile::BlockRow> blocks;
    makeRun(20000, 700, {0, 1, 3, 3, 2}, values, blocks);
    const Drawn full = drawCurve(values, blocks, QSize(600, 240), 100, 1000, false);
    const Drawn reduced = drawCurve(values, blocks, QSize(600, 240), 100, 1000, true);
    bool isolated = false;
    const int n = differing(full.image, reduced.image, isolated);
    QVERIFY2(isolated, qPrintable(QString("%1 differing pixels, not all isolated").arg(n)));
    QVERIFY2(n <= 8, qPrintable(QString("%1 differing pixels").arg(n)));
    QCOMPARE(reduced.result.plotMax, full.result.plotMax);
    QCOMPARE(reduced.result.plotMin, full.result.plotMin);
    QCOMPARE(reduced.result.marks.size(), full.result.marks.size());
}

void TestViewerGraph::narrowChangeInsideOnePixelColumnStillShows()
{
    std::vector<double> values;
    std::vector<HistoryFile::BlockRow> blocks;
    makeRun(20000, 5, {0, 0, 0, 0}, values, blocks);
    blocks[1000].inputs = 4; // one short block of changed input
    const Drawn full = drawCurve(values, blocks, QSize(300, 200), 100, 1000, false);
    const Drawn reduced = drawCurve(values, blocks, QSize(300, 200), 100, 1000, true);
    QCOMPARE(reduced.result.marks.size(), size_t(2));
    QCOMPARE(reduced.result.marks[0].x, full.result.marks[0].x);
    QVERIFY(hasColour(reduced.image, qRgb(224, 0, 0)));
    bool isolated = false;
    const int n = differing(full.image, reduced.image, isolated);
    QVERIFY2(isolated, qPrintable(QString::number(n)));
}

void TestViewerGraph::threeZoomInsThenResetRestoreFirstView()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    // Each zoom-in through the designed cursor narrows the view about tenfold.
    frmHistory_Graph *g =
        viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0, 3, 2, 0, 1, 1, 0, 2}, 1000)));
    QVERIFY(g);
    QCOMPARE(g->ZoomLevel, 0);
    const int lo = g->LoIndex[0], hi = g->HiIndex[0];
    const double ymin = g->Ymin, ymax = g->Ymax;
    QCOMPARE(lo, 0);
    QCOMPARE(hi, 9999);
    QVERIFY(!g->cmdMinus->isEnabled());
    for (int i = 1; i <= 3; ++i) {
        g->MouseX = 1500;
        g->MouseY = 200;
        g->pctGraphH_DblClick();
        QVERIFY(g->cmdUpdateGraph->isEnabled());
        g->cmdUpdateGraph_Click();
        QCOMPARE(g->ZoomLevel, i);
        QVERIFY(g->lblTaget->isHidden());
        QVERIFY(g->HiIndex[0] - g->LoIndex[0] < hi - lo);
    }
    QVERIFY(g->cmdMinus->isEnabled());
    QVERIFY(g->LoIndex[0] > 0);
    g->cmdReSet_Click();
    QCOMPARE(g->ZoomLevel, 0);
    QCOMPARE(g->LoIndex[0], lo);
    QCOMPARE(g->HiIndex[0], hi);
    // The stack keeps whole numbers: the limits come back rounded.
    QCOMPARE(g->Ymin, double(GraphMath::roundWhole(ymin)));
    QCOMPARE(g->Ymax, double(GraphMath::roundWhole(ymax)));
    QVERIFY(!g->cmdMinus->isEnabled());
    QVERIFY(!g->cmdReSet->isEnabled());
    QCOMPARE(Zelk::backColor(g->cmdReSet), frmHistory_Graph::ColorZoomOff);
    QCOMPARE(boxes.texts, QStringList());
}

namespace {
void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}
} // namespace

void TestViewerGraph::cursorDragIsClampedAtBothEdges()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0}, 40)));
    QVERIFY(g);
    QLabel *c = g->lblTaget;
    const int plotW = g->pctGraphH->width();
    const auto dragBy = [c](int dx) {
        const QPoint inner(c->width() / 3, c->height() / 3);
        mouse(c, QEvent::MouseButtonPress, inner, Qt::LeftButton);
        mouse(c, QEvent::MouseMove, inner + QPoint(dx, 0), Qt::LeftButton);
        mouse(c, QEvent::MouseButtonRelease, inner + QPoint(dx, 0), Qt::NoButton);
    };
    g->MouseX = Zelk::pixelsToTwips(3);
    g->MouseY = Zelk::pixelsToTwips(20);
    g->pctGraphH_DblClick();
    const int width = c->width();
    dragBy(-10);
    QCOMPARE(c->x(), 0); // snapped to the left edge
    QCOMPARE(c->width(), width);
    QCOMPARE(c->cursor().shape(), Qt::SizeAllCursor);

    g->MouseX = Zelk::pixelsToTwips(plotW - width - 3);
    g->pctGraphH_DblClick();
    dragBy(10);
    QVERIFY(c->x() > plotW - width);
    QVERIFY2(qAbs(c->x() + c->width() - plotW) <= 1, "narrowed to end at the right edge");

    mouse(c, QEvent::MouseMove, QPoint(c->width() - 1, c->height() - 1), Qt::NoButton);
    QCOMPARE(c->cursor().shape(), Qt::SizeFDiagCursor);
}

void TestViewerGraph::valueTypeSwitchRelabels()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0}, 40), QStringLiteral("kg")));
    QVERIFY(g);
    QCOMPARE(g->lblUnitGrad->text(), QString("kg"));
    QCOMPARE(g->lblYMaxName->text(), QString("kg Max"));
    QVERIFY(g->lblYMaxCurr->text().contains(QRegularExpression("^\\d+[.,]\\d{3}$")));
    g->OptValueType[2]->click();
    QCOMPARE(g->ValueType, quint8(2));
    QCOMPARE(g->lblUnitGrad->text(), QString("A2D"));
    QCOMPARE(g->lblYMinName->text(), QString("A2D Min"));
    QVERIFY(g->lblYMaxCurr->text().contains(QRegularExpression("^\\d+$")));
}

void TestViewerGraph::tinyFileIsDrawnWithoutEndlessZoomOut()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile({{0, {"5", "6", "7"}}, {1, {"8", "9"}}}));
    QVERIFY(g);
    QCOMPARE(g->HiIndex[0], 4);
    QCOMPARE(g->ZoomLevel, 0);
}

void TestViewerGraph::closingGraphEndsViewer()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(waveBlocks({0, 1}, 20)));
    QVERIFY(g);
    QVERIFY(viewer.state.BlockTable[0].endIndex != 0);
    g->cmdQuit->click();
    QCOMPARE(viewer.ends, 1);
    QVERIFY(!viewer.start->GraphOpen[0]);
    QCOMPARE(int(viewer.start->OpenGraphCount), 0);
    QCOMPARE(viewer.state.slotData[0].count(), 0);
    QCOMPARE(viewer.state.BlockTable[0].endIndex, 0);
}

// A load that is put on, settles, and comes off again, with inputs switching between blocks. The
// window's picture goes to $ZELK_SCREENSHOT_DIR/kurvex-graph.png when that is set (user guide).
void TestViewerGraph::realisticGraphShowsCurveMarkersAndLabels()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(realisticBlocks()));
    QVERIFY(g);
    QVERIFY(g->isVisible());
    QCOMPARE(boxes.texts, QStringList());
    QCOMPARE(g->InputLabelCount, 18); // six changes in each round of twelve blocks
    const QLabel *first = g->findChild<QLabel *>("lblInputDn(1)");
    QVERIFY(first && first->isVisibleTo(g));
    QCOMPARE(first->text(), QString("01111111"));
    // Every caption and readout of the window fits its control, the long caption lines included.
    for (QWidget *w : g->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisibleTo(g))
            continue;
        QString text;
        int room = w->width();
        if (auto *t = qobject_cast<QLineEdit *>(w)) {
            text = t->text();
            room -= 8; // frame and text margins
        } else if (auto *b = qobject_cast<QPushButton *>(w)) {
            text = b->text();
            room -= 6;
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            text = l->text();
        }
        QVERIFY2(w->fontMetrics().horizontalAdvance(text) <= room,
                 qPrintable(w->objectName() + " is too narrow for: " + text));
    }
    const QImage shot = g->grab().toImage();
    const QByteArray out = qgetenv("ZELK_SCREENSHOT_DIR");
    if (!out.isEmpty())
        QVERIFY(shot.save(QString::fromLocal8Bit(out) + "/kurvex-graph.png"));
    g->MouseX = Zelk::pixelsToTwips(g->pctGraphH->width() / 3);
    g->MouseY = Zelk::pixelsToTwips(8);
    g->pctGraphH_DblClick(); // the cursor over the first rise
    if (!out.isEmpty())
        QVERIFY(g->grab().toImage().save(QString::fromLocal8Bit(out) + "/kurvex-cursor.png"));
    g->cmdUpdateGraph_Click();
    QCOMPARE(g->ZoomLevel, 1);
    if (!out.isEmpty())
        QVERIFY(g->grab().toImage().save(QString::fromLocal8Bit(out) + "/kurvex-zoomed.png"));
    QVERIFY(hasColour(g->pctGraphH->image(), qRgb(224, 0, 0)));
    QVERIFY(hasColour(g->pctGraphH->image(), qRgb(0, 0, 255)));
}

QTEST_MAIN(TestViewerGraph)
#include "tst_viewer_graph.moc"
