// Mouse-wheel zoom and the two measuring cursors of the graph window: the wheel's new range, wheel
// zooms stepped back by "-" and "ReSet", and the cursor readouts at known readings of a file.
#include "Controls.h"
#include "GraphE.h"
#include "GraphMath.h"
#include "NumberFormat.h"
#include "ViewerTestSupport.h"
#include "frmHistory_Graph.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

using namespace ViewerTest;

class TestViewerMeasure : public QObject {
    Q_OBJECT
private slots:
    void wheelRange_data();
    void wheelRange();
    void wheelKeepsPointerReadingInPlace();
    void wheelZoomsStepBackInOrder_data();
    void wheelZoomsStepBackInOrder();
    void wheelStopsAtNarrowestAndFullRange();
    void wheelReadoutsMatchRectangleZoom();
    void wheelWithoutLivePlotIsHarmless();
    void cursorReadoutsAtKnownReadings();
    void cursorsFollowZoom();
    void cursorLinesLeaveZoomClicksToPlot();
    void realisticMeasureShowsBothCursors();
};

namespace {

struct View {
    int lo, hi;
    QString xmin, xmax;
    bool operator==(const View &) const = default;
};

View viewOf(const frmHistory_Graph *g)
{
    return {g->LoIndex[0], g->HiIndex[0], g->txtXmin->text(), g->txtXmax->text()};
}

char *toString(const View &v) // for QCOMPARE's failure message
{
    return qstrdup(qPrintable(QString("%1..%2 [%3 %4]").arg(v.lo).arg(v.hi).arg(v.xmin, v.xmax)));
}

void wheel(frmHistory_Graph *g, int px, int delta)
{
    QWidget *plot = g->pctGraphH;
    const QPointF pos(px, plot->height() / 2);
    QWheelEvent e(pos, plot->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &e);
}

void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QWidget *line(frmHistory_Graph *g, int i)
{
    return g->pctGraphH->findChild<QWidget *>(QString("linCursor(%1)").arg(i));
}

// The plot pixel column a measuring line stands on.
int lineColumn(QWidget *l)
{
    return l->x() + l->width() / 2;
}

// Drags measuring line i to pixel column px of the plot.
void dragLine(frmHistory_Graph *g, int i, int px)
{
    QWidget *l = line(g, i);
    const QPoint grip(l->width() / 2, 40);
    mouse(l, QEvent::MouseButtonPress, grip, Qt::LeftButton);
    mouse(l, QEvent::MouseMove, grip + QPoint(px - lineColumn(l), 0), Qt::LeftButton);
    mouse(l, QEvent::MouseButtonRelease, grip + QPoint(px - lineColumn(l), 0), Qt::LeftButton);
}

// The reading at pixel column px of the plot, and the column of reading k, for the view lo..hi.
int readingAt(const frmHistory_Graph *g, int px)
{
    const double w = g->pctGraphH->width();
    return int(std::nearbyint(g->LoIndex[0] + px * (g->HiIndex[0] - g->LoIndex[0]) / w));
}

int columnOf(const frmHistory_Graph *g, int k)
{
    const double tw = Zelk::twipsPerPixel(), w = g->pctGraphH->width() * tw;
    const int px = int(std::floor((k - g->LoIndex[0]) * w / (g->HiIndex[0] - g->LoIndex[0]) / tw));
    return std::min(px, g->pctGraphH->width() - 1);
}

// Zooms in through the cursor rectangle: placed by a double-click, zoomed by "+".
void rectangleZoom(frmHistory_Graph *g, int leftPx)
{
    g->MouseX = Zelk::pixelsToTwips(leftPx);
    g->MouseY = Zelk::pixelsToTwips(10);
    g->pctGraphH_DblClick();
    g->cmdUpdateGraph_Click();
}

// n readings of value 500 + 3k in blocks of 50 with alternating inputs.
QByteArray linearFile(int n)
{
    std::vector<Block> blocks;
    for (int k = 0; k < n; ++k) {
        if (k % 50 == 0)
            blocks.push_back({k / 50 % 2, {}});
        blocks.back().texts.push_back(QByteArray::number(500 + 3 * k));
    }
    return historyFile(blocks);
}

QString dec(const QString &whole)
{
    return whole + NumberFormat::localeDecimalSep() + "000";
}

// The readout for readings k1, k2 of linearFile with times of 8 ms per reading.
QString readout(int k1, int k2, bool a2d)
{
    const auto value = [a2d](int v) { return a2d ? QString::number(v) : dec(QString::number(v)); };
    const QString unit = a2d ? " A2D" : " kg";
    return QString("1: t=%1  %2%3   2: t=%4  %5%3   \u0394time=%6   \u0394value=%7%3")
        .arg(8 * k1)
        .arg(value(500 + 3 * k1), unit)
        .arg(8 * k2)
        .arg(value(500 + 3 * k2))
        .arg(8 * (k2 - k1))
        .arg(value(3 * (k2 - k1)));
}

QStringList listRows(const frmHistory_Graph *g)
{
    const frmListHist_Graph *list = g->listWindow();
    QStringList rows;
    if (!list)
        return rows;
    const QAbstractItemModel *m = list->LstHistTemp->model();
    for (int r = 0; r < m->rowCount(); ++r)
        rows << m->index(r, 0).data().toString();
    return rows;
}

} // namespace

void TestViewerMeasure::wheelRange_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<double>("pointer");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("newLo");
    QTest::addColumn<int>("newHi");
    QTest::newRow("in_around_centre") << 0 << 1000 << 500.0 << 1 << 10000 << 100 << 900;
    QTest::newRow("in_at_left_end") << 0 << 1000 << 0.0 << 1 << 1000 << 0 << 800;
    QTest::newRow("in_at_right_end") << 0 << 1000 << 1000.0 << 1 << 1000 << 200 << 1000;
    QTest::newRow("in_at_a_third") << 300 << 600 << 400.0 << 1 << 1000 << 320 << 560;
    QTest::newRow("in_three_steps") << 0 << 1000 << 500.0 << 3 << 1000 << 244 << 756;
    QTest::newRow("in_pointer_left_of_range") << 100 << 200 << 50.0 << 1 << 1000 << 100 << 180;
    QTest::newRow("in_stops_at_narrowest") << 10 << 17 << 13.0 << 1 << 100 << 10 << 16;
    QTest::newRow("in_at_narrowest_nothing") << 10 << 16 << 13.0 << 1 << 100 << 10 << 16;
    QTest::newRow("in_many_steps_narrowest") << 0 << 9999 << 5000.0 << 200 << 9999 << 4997 << 5003;
    QTest::newRow("out_around_centre") << 200 << 600 << 400.0 << -1 << 10000 << 150 << 650;
    QTest::newRow("out_clamped_at_left") << 0 << 400 << 100.0 << -1 << 1000 << 0 << 500;
    QTest::newRow("out_clamped_at_right") << 600 << 1000 << 900.0 << -1 << 1000 << 500 << 1000;
    QTest::newRow("out_reaches_full_range") << 100 << 900 << 500.0 << -1 << 900 << 0 << 900;
    QTest::newRow("out_at_full_range_nothing") << 0 << 1000 << 300.0 << -1 << 1000 << 0 << 1000;
    QTest::newRow("out_many_steps_full_range") << 400 << 420 << 410.0 << -50 << 5000 << 0 << 5000;
    QTest::newRow("out_narrowest_widens") << 10 << 16 << 13.0 << -1 << 100 << 9 << 17;
    QTest::newRow("tiny_file_in_nothing") << 0 << 4 << 2.0 << 1 << 4 << 0 << 4;
    QTest::newRow("zero_steps_nothing") << 20 << 80 << 50.0 << 0 << 100 << 20 << 80;
    QTest::newRow("empty_range_nothing") << 5 << 5 << 5.0 << 1 << 100 << 5 << 5;
    QTest::newRow("huge_step_count") << 0 << 2000000 << 1e6 << 2147483647 << 2000000 << 999997 << 1000003;
}

void TestViewerMeasure::wheelRange()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(double, pointer);
    QFETCH(int, steps);
    QFETCH(int, upper);
    const GraphMath::XRange r = GraphMath::WheelRange(lo, hi, pointer, steps, upper);
    QTEST(int(r.lo), "newLo");
    QTEST(int(r.hi), "newHi");
}

// Away from the ends, the reading under the pointer keeps its place within half a reading.
void TestViewerMeasure::wheelKeepsPointerReadingInPlace()
{
    for (int span : {7, 13, 100, 997, 100000})
        for (double fraction : {0.0, 0.1, 0.37, 0.5, 0.9, 1.0})
            for (int steps : {1, -1}) {
                const int lo = 1000000;
                const double p = lo + fraction * span;
                const GraphMath::XRange r = GraphMath::WheelRange(lo, lo + span, p, steps, 3000000);
                const int newSpan = r.hi - r.lo;
                QVERIFY(steps > 0 ? newSpan < span : newSpan > span);
                const double drift = std::abs((p - r.lo) - fraction * newSpan);
                QVERIFY2(drift <= 0.5,
                         qPrintable(QString("span %1 at %2: %3").arg(span).arg(fraction).arg(drift)));
            }
}

void TestViewerMeasure::wheelZoomsStepBackInOrder_data()
{
    QTest::addColumn<QString>("zooms"); // w: a wheel notch in, r: a zoom through the cursor rectangle
    QTest::addColumn<bool>("reset");
    QTest::newRow("three_wheel_zooms_minus") << "www" << false;
    QTest::newRow("three_wheel_zooms_reset") << "www" << true;
    QTest::newRow("wheel_rectangle_wheel_minus") << "wrw" << false;
    QTest::newRow("rectangle_then_wheels_reset") << "rww" << true;
}

void TestViewerMeasure::wheelZoomsStepBackInOrder()
{
    QFETCH(QString, zooms);
    QFETCH(bool, reset);
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    frmHistory_Graph *g =
        viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0, 3, 2, 0, 1, 1, 0, 2}, 1000)));
    QVERIFY(g);
    const int w = g->pctGraphH->width();
    QList<View> views{viewOf(g)};
    for (int i = 0; i < zooms.size(); ++i) {
        if (zooms[i] == 'w') {
            const double ymin = g->Ymin, ymax = g->Ymax;
            wheel(g, w * (i + 1) / 5, 120);
            QCOMPARE(g->Ymin, ymin); // value limits unchanged
            QCOMPARE(g->Ymax, ymax);
        } else {
            rectangleZoom(g, w / 3);
        }
        views << viewOf(g);
        QCOMPARE(g->ZoomLevel, i + 1);
        QVERIFY(views[i + 1].hi - views[i + 1].lo < views[i].hi - views[i].lo);
        QVERIFY(g->cmdMinus->isEnabled() && g->cmdReSet->isEnabled() && !g->cmdUpdateGraph->isEnabled());
        QCOMPARE(Zelk::backColor(g->cmdMinus), frmHistory_Graph::ColorZoomOn);
        QCOMPARE(g->txtChannelScanned->text().section("  ", -1),
                 QString::number(views[i + 1].hi - views[i + 1].lo + 1));
    }
    if (reset) {
        g->cmdReSet->click();
        QCOMPARE(viewOf(g), views.first());
    } else {
        for (int i = int(views.size()) - 2; i >= 0; --i) {
            g->cmdMinus->click();
            QCOMPARE(viewOf(g), views[i]);
        }
    }
    QCOMPARE(g->ZoomLevel, 0);
    QVERIFY(!g->cmdMinus->isEnabled() && !g->cmdReSet->isEnabled());
    QCOMPARE(Zelk::backColor(g->cmdMinus), frmHistory_Graph::ColorZoomOff);
    QCOMPARE(boxes.texts, QStringList());
}

void TestViewerMeasure::wheelStopsAtNarrowestAndFullRange()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    frmHistory_Graph *g =
        viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0, 3, 2, 0, 1, 1, 0, 2}, 1000)));
    QVERIFY(g);
    const View first = viewOf(g);
    const int px = g->pctGraphH->width() * 2 / 3;
    // A touchpad's small turns zoom once they make a whole notch.
    for (int i = 0; i < 3; ++i)
        wheel(g, px, 30);
    QCOMPARE(g->ZoomLevel, 0);
    wheel(g, px, 30);
    QCOMPARE(g->ZoomLevel, 1);
    wheel(g, px, 360); // three notches in one turn: three views pushed
    QCOMPARE(g->ZoomLevel, 4);
    for (int i = 0; i < 60; ++i) { // each notch keeps the reading under the pointer
        const int under = readingAt(g, px);
        wheel(g, px, 120);
        QVERIFY2(std::abs(readingAt(g, px) - under) <= 1, qPrintable(QString::number(readingAt(g, px))));
    }
    QCOMPARE(g->HiIndex[0] - g->LoIndex[0], GraphMath::NarrowestSpan);
    const int level = g->ZoomLevel;
    const size_t depth = g->ZoomStack.size();
    QCOMPARE(size_t(level * 4 + 1), depth); // one view per zoom step taken, none for the refused ones
    wheel(g, px, 120);
    QCOMPARE(g->ZoomStack.size(), depth);
    QCOMPARE(g->ZoomLevel, level);
    QCOMPARE(g->txtIntegrationBufferSize->text(),
             QString("%1  Readings:   %2").arg(g->LoIndex[0]).arg(g->HiIndex[0]));

    wheel(g, px, -120 * 100); // out to the full range, pushing nothing
    QCOMPARE(viewOf(g), first);
    QCOMPARE(g->ZoomLevel, level);
    g->cmdReSet->click();
    QCOMPARE(viewOf(g), first);
    QCOMPARE(g->ZoomLevel, 0);
    QCOMPARE(boxes.texts, QStringList());
}

// The statistics, readings count, plotted extremes and readings list after a wheel zoom are those a
// rectangle zoom to the same range gives.
void TestViewerMeasure::wheelReadoutsMatchRectangleZoom()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0}, 100)));
    QVERIFY(g);
    g->cmdReadFile->click();
    const QStringList fullRows = listRows(g);
    QCOMPARE(fullRows.size(), 300);
    const QString fullAverage = g->txtAverage->text();
    const int w = g->pctGraphH->width();
    wheel(g, w / 2, 240);
    const View wheeled = viewOf(g);
    const QStringList texts{g->txtAverage->text(), g->txtChannelScanned->text(),
                            g->txtIntegrationBufferSize->text(), g->lblYMaxCurr->text(),
                            g->lblYMinCurr->text()};
    const QStringList rows = listRows(g);
    QCOMPARE(rows.size(), wheeled.hi - wheeled.lo + 1);
    QVERIFY(g->txtAverage->text() != fullAverage);

    g->cmdReSet->click();
    QCOMPARE(listRows(g), fullRows);
    // The rectangle whose edges give the same first and last reading.
    const double plotTw = g->pctGraphH->widthTw();
    int left = 0, right = w - 1;
    while (GraphMath::PixelToIndex(plotTw, 0, 299, Zelk::pixelsToTwips(left)) + 1 < wheeled.lo)
        ++left;
    while (GraphMath::PixelToIndex(plotTw, 0, 299, Zelk::pixelsToTwips(right)) > wheeled.hi)
        --right;
    g->MouseX = Zelk::pixelsToTwips(left);
    g->MouseY = Zelk::pixelsToTwips(5);
    g->pctGraphH_DblClick();
    g->lblTaget->resize(right - left, g->pctGraphH->height() - 10);
    g->cmdUpdateGraph_Click();
    QCOMPARE(viewOf(g), wheeled);
    QCOMPARE(
        (QStringList{g->txtAverage->text(), g->txtChannelScanned->text(), g->txtIntegrationBufferSize->text(),
                     g->lblYMaxCurr->text(), g->lblYMinCurr->text()}),
        texts);
    QCOMPARE(listRows(g), rows);
}

// No file loaded, or the composed print picture standing in for the plot: the wheel changes nothing.
void TestViewerMeasure::wheelWithoutLivePlotIsHarmless()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    {
        frmHistory_Graph bare(viewer.state, 0);
        wheel(&bare, 10, 120);
        wheel(&bare, 10, -120);
        bare.chkCursors->click();
        QCOMPARE(bare.ZoomLevel, 0);
        QVERIFY(line(&bare, 1)->isHidden());
        QCOMPARE(bare.lblCursors->text(), QString());
    }
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0}, 100)));
    QVERIFY(g);
    g->cmdPrintF_Click();
    const View composed = viewOf(g);
    wheel(g, 100, 240);
    QCOMPARE(viewOf(g), composed);
    QCOMPARE(g->ZoomLevel, 0);
    QVERIFY(g->picRes->isVisible());
    QCOMPARE(boxes.texts, QStringList());
}

void TestViewerMeasure::cursorReadoutsAtKnownReadings()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    frmHistory_Graph *g = viewer.openGraph(dir, linearFile(301), "All_data.txt/2/8");
    QVERIFY(g);
    QVERIFY(line(g, 1)->isHidden());
    g->chkCursors->click();
    QVERIFY(line(g, 1)->isVisible() && line(g, 2)->isVisible());
    QCOMPARE(line(g, 1)->height(), g->pctGraphH->height());
    QCOMPARE(line(g, 1)->cursor().shape(), Qt::SizeHorCursor);
    QCOMPARE(lineColumn(line(g, 1)), columnOf(g, 100)); // a third and two thirds of 0..300
    QCOMPARE(lineColumn(line(g, 2)), columnOf(g, 200));
    QCOMPARE(g->lblCursors->text(), readout(100, 200, false));

    const int w = g->pctGraphH->width();
    dragLine(g, 1, w / 10);
    const int k1 = readingAt(g, w / 10);
    QCOMPARE(g->CursorReading[1], k1);
    QCOMPARE(lineColumn(line(g, 1)), columnOf(g, k1)); // snapped onto its reading
    QCOMPARE(g->lblCursors->text(), readout(k1, 200, false));
    dragLine(g, 2, w + 40); // past the right edge: the last reading in view
    QCOMPARE(g->CursorReading[2], 300);
    QCOMPARE(lineColumn(line(g, 2)), w - 1);
    QCOMPARE(g->lblCursors->text(), readout(k1, 300, false));
    dragLine(g, 2, -40); // past the left edge: the first; the difference turns negative
    QCOMPARE(g->CursorReading[2], 0);
    QCOMPARE(g->lblCursors->text(), readout(k1, 0, false));
    QVERIFY(g->lblCursors->text().endsWith("\u0394value=-" + dec(QString::number(3 * k1)) + " kg"));

    g->OptValueType[2]->click();
    QCOMPARE(g->lblCursors->text(), readout(k1, 0, true));
    g->OptValueType[1]->click();
    QCOMPARE(g->lblCursors->text(), readout(k1, 0, false));

    g->chkCursors->click();
    QVERIFY(line(g, 1)->isHidden() && line(g, 2)->isHidden());
    QCOMPARE(g->lblCursors->text(), QString());
}

void TestViewerMeasure::cursorsFollowZoom()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    frmHistory_Graph *g = viewer.openGraph(dir, linearFile(301), "All_data.txt/2/8");
    QVERIFY(g);
    g->chkCursors->click();
    const int w = g->pctGraphH->width();
    dragLine(g, 1, w / 2);
    dragLine(g, 2, w * 3 / 4);
    const int k1 = g->CursorReading[1], k2 = g->CursorReading[2];
    const QString text = g->lblCursors->text();

    wheel(g, w * 3 / 5, 120); // both readings stay in view
    QVERIFY(g->LoIndex[0] > 0 && g->LoIndex[0] < k1 && k2 < g->HiIndex[0]);
    QCOMPARE((QList<int>{g->CursorReading[1], g->CursorReading[2]}), (QList<int>{k1, k2}));
    QCOMPARE(lineColumn(line(g, 1)), columnOf(g, k1));
    QCOMPARE(lineColumn(line(g, 2)), columnOf(g, k2));
    QCOMPARE(g->lblCursors->text(), text);

    wheel(g, w - 2, 5 * 120); // the first line's reading leaves the view: it comes to a third of it
    QVERIFY(g->LoIndex[0] > k1 && k2 <= g->HiIndex[0]);
    const int third = g->LoIndex[0] + int(std::nearbyint((g->HiIndex[0] - g->LoIndex[0]) / 3.0));
    QCOMPARE(g->CursorReading[1], third);
    QCOMPARE(g->CursorReading[2], k2);
    QCOMPARE(lineColumn(line(g, 1)), columnOf(g, third));
    QCOMPARE(lineColumn(line(g, 2)), columnOf(g, k2));
    QCOMPARE(g->lblCursors->text(), readout(third, k2, false));

    g->cmdReSet->click(); // the full range again: both lines keep their readings
    QCOMPARE((QList<int>{g->CursorReading[1], g->CursorReading[2]}), (QList<int>{third, k2}));
    QCOMPARE(lineColumn(line(g, 1)), columnOf(g, third));
}

// Double-click and right-click over a line still zoom; a print picture shows the lines.
void TestViewerMeasure::cursorLinesLeaveZoomClicksToPlot()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    frmHistory_Graph *g = viewer.openGraph(dir, linearFile(301));
    QVERIFY(g);
    g->chkCursors->click();
    QWidget *l = line(g, 1);
    mouse(l, QEvent::MouseButtonPress, QPoint(3, 30), Qt::LeftButton);
    mouse(l, QEvent::MouseButtonRelease, QPoint(3, 30), Qt::LeftButton);
    mouse(l, QEvent::MouseButtonDblClick, QPoint(3, 30), Qt::LeftButton);
    QVERIFY(g->lblTaget->isVisible());
    QCOMPARE(g->lblTaget->pos(), l->pos() + QPoint(3, 30));
    QVERIFY(g->lblTaget->geometry().contains(l->pos() + QPoint(5, 35)));
    QVERIFY(g->pctGraphH->childAt(l->pos() + QPoint(5, 35)) == g->lblTaget); // the rectangle on top
    g->cmdUpdateGraph_Click();
    QCOMPARE(g->ZoomLevel, 1);
    mouse(line(g, 2), QEvent::MouseButtonPress, QPoint(3, 30), Qt::RightButton);
    QCOMPARE(g->ZoomLevel, 0);
    QCOMPARE(viewOf(g).hi, 300);

    g->cmdPrintF_Click();
    const QImage picture = g->picRes->image();
    const QPoint at = g->pctGraphH->mapTo(g, QPoint(lineColumn(line(g, 2)), g->pctGraphH->height() / 2));
    QCOMPARE(picture.pixel(at), qRgb(0, 128, 160));
}

// A realistic run zoomed by the wheel with both cursors on; the picture goes to
// $ZELK_SCREENSHOT_DIR/kurvex-measure.png when that is set (user guide).
void TestViewerMeasure::realisticMeasureShowsBothCursors()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    frmHistory_Graph *g = viewer.openGraph(dir, historyFile(realisticBlocks()));
    QVERIFY(g);
    const int w = g->pctGraphH->width();
    wheel(g, w / 3, 240);
    QCOMPARE(g->ZoomLevel, 2);
    g->chkCursors->click();
    dragLine(g, 1, w * 3 / 10);
    dragLine(g, 2, w * 3 / 4);
    const QString text = g->lblCursors->text();
    QVERIFY(text.startsWith("1: t=") && text.contains("   \u0394value="));
    QVERIFY2(g->lblCursors->fontMetrics().horizontalAdvance(text) <= g->lblCursors->width(),
             qPrintable("readout too narrow for: " + text));
    QVERIFY(!g->lblCursors->geometry().intersects(g->Frame1->geometry()));
    QCOMPARE(boxes.texts, QStringList());
    if (!screenshotDir().isEmpty())
        QVERIFY(g->grab().toImage().save(screenshotDir() + "/kurvex-measure.png"));
}

QTEST_MAIN(TestViewerMeasure)
#include "tst_viewer_measure.moc"
