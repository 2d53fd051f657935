// The readings list window (opening below the graph, its rows and headings, the 30000-row cap, row
// clicks, refills on redraw and value-type switch, closing) and printing the graph window.
#include "Controls.h"
#include "ViewerTestSupport.h"
#include "frmListHist_Graph.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <functional>

using namespace ViewerTest;

class TestViewerListPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); } // "." in the "0.000" texts
    void longRangeListsFirst30000Readings();
    void millisecondRowsShowTimeOfReading();
    void thirdRowClickSetsLblIndex();
    void listFollowsRedrawAndValueTypeSwitch();
    void closingListFreesShowDataAndGraphClosesList();
    void printFailuresAreReportedAndWindowComesBack_data();
    void printFailuresAreReportedAndWindowComesBack();
    void printedPdfShowsAxesAndCurveAtScreenPositions();
};

namespace {

QByteArray readingsFile(int n, const QByteArray &fraction = ".000")
{
    Block b{0, {}};
    for (int k = 0; k < n; ++k)
        b.texts.push_back(QByteArray::number(1000 + k % 500) + fraction);
    return historyFile({b});
}

frmListHist_Graph *openList(frmHistory_Graph *g)
{
    g->cmdReadFile->click();
    return g->listWindow();
}

QStringList rowsOf(const frmListHist_Graph *list)
{
    QStringList rows;
    const QAbstractItemModel *m = list->LstHistTemp->model();
    for (int r = 0; r < m->rowCount(); ++r)
        rows.append(m->index(r, 0).data().toString());
    return rows;
}

// A row as the list shows it: the time ending at character 8, the value at character 21.
QString row(int time, const QString &value)
{
    return QString::number(time).rightJustified(8) + "    " + value.rightJustified(9);
}

int listWindowCount()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<frmListHist_Graph *>(w) && w->isVisible();
    return n;
}

// A printer that looks at the window while it prints, then answers as told or prints for real.
class ProbePrinter : public Zelk::PrinterSeam {
public:
    std::function<void()> whilePrinting;
    Zelk::PrinterSeam *forward = nullptr;
    Zelk::PrintResult answer = Zelk::PrintResult::Printed;
    QImage image;
    bool hasDefaultPrinter() override { return forward ? forward->hasDefaultPrinter() : true; }
    Zelk::PrintResult printImage(const QImage &printed, QString *error) override
    {
        image = printed;
        if (whilePrinting)
            whilePrinting();
        if (forward)
            return forward->printImage(printed, error);
        if (answer != Zelk::PrintResult::Printed && error)
            *error = "paper jam";
        return answer;
    }
};

struct PrinterInstall {
    explicit PrinterInstall(Zelk::PrinterSeam *seam) { Zelk::setPrinter(seam); }
    ~PrinterInstall() { Zelk::setPrinter(nullptr); }
};

} // namespace

void TestViewerListPrint::longRangeListsFirst30000Readings()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, readingsFile(50001));
    QVERIFY(g);
    QCOMPARE(g->HiIndex[0], 50000);
    QPointer<frmListHist_Graph> list = openList(g);
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->windowTitle(), QString("List History  0"));
    QCOMPARE(list->y(), g->frameGeometry().height()); // just below the graph
    QCOMPARE(list->lblTime->text(), QString("Index"));
    QVERIFY(!g->cmdReadFile->isEnabled());
    const QStringList rows = rowsOf(list);
    QCOMPARE(rows.size(), 30000);
    QCOMPARE(rows.first(), row(0, "1000.000"));
    QCOMPARE(rows.last(), row(29999, "1499.000"));
    g->cmdReadFile_Click(); // a second "ShowData" does nothing
    QCOMPARE(listWindowCount(), 1);
    QCOMPARE(viewer.start->GraphWindows[0]->listWindow(), list.data());
}

void TestViewerListPrint::millisecondRowsShowTimeOfReading()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, readingsFile(40), "All_data.txt/2/8");
    QVERIFY(g);
    QPointer<frmListHist_Graph> list = openList(g);
    QVERIFY(list);
    QCOMPARE(list->lblTime->text(), QString("Time(ms)"));
    QCOMPARE(rowsOf(list).at(5), row(40, "1005.000"));
}

// The list's picture goes to $ZELK_SCREENSHOT_DIR/kurvex-list.png when that is set (user guide).
void TestViewerListPrint::thirdRowClickSetsLblIndex()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, historyFile(realisticBlocks()));
    QVERIFY(g);
    QPointer<frmListHist_Graph> list = openList(g);
    QVERIFY(list);
    QVERIFY(QTest::qWaitForWindowExposed(list));
    QListView *view = list->LstHistTemp;
    const QRect third = view->visualRect(view->model()->index(2, 0));
    QVERIFY(view->viewport()->rect().contains(third.center()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(list->lblIndex->text(), QString("2"));
    QCOMPARE(list->selectedRow(), 2);
    if (!screenshotDir().isEmpty())
        QVERIFY(list->grab().save(screenshotDir() + "/kurvex-list.png"));
}

void TestViewerListPrint::listFollowsRedrawAndValueTypeSwitch()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, readingsFile(200, ".6"));
    QVERIFY(g);
    QPointer<frmListHist_Graph> list = openList(g);
    QVERIFY(list);
    QCOMPARE(rowsOf(list).at(3), row(3, "1003.600")); // values: the reading at full precision
    AnsweringDialog second(dir.filePath("All_data.txt"));
    QVERIFY(viewer.start->cmdShowGraph_Click()); // another graph leaves this list following its graph
    g->LoIndex[0] = 50;
    g->HiIndex[0] = 99;
    g->RefreshGraph(0);
    QStringList rows = rowsOf(list);
    QCOMPARE(rows.size(), 50);
    QCOMPARE(rows.first(), row(50, "1050.600"));
    QVERIFY(!g->cmdUpdateGraph->isEnabled());
    QCOMPARE(Zelk::backColor(g->cmdUpdateGraph), frmHistory_Graph::ColorZoomOff);
    list->selectRow(7);
    QCOMPARE(list->lblIndex->text(), QString("7"));
    g->OptValueType[2]->click();
    rows = rowsOf(list);
    QCOMPARE(rows.at(7), row(57, "1057.600")); // counts: the reading as it is
    QCOMPARE(list->selectedRow(), 7);
}

void TestViewerListPrint::closingListFreesShowDataAndGraphClosesList()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, readingsFile(40));
    QVERIFY(g);
    QPointer<frmListHist_Graph> list = openList(g);
    QVERIFY(list);
    list->close();
    QVERIFY(!g->listOpen());
    QVERIFY(g->cmdReadFile->isEnabled());
    QTRY_VERIFY(list.isNull()); // deleted once closed
    list = openList(g);
    QVERIFY(list && list->isVisible());
    g->close();
    QCOMPARE(viewer.ends, 1);
    QVERIFY(!g->listOpen());
    QTRY_VERIFY(list.isNull());
}

void TestViewerListPrint::printFailuresAreReportedAndWindowComesBack_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("printTo"); // set: the real printer prints into this file of the test folder
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("ends");
    QTest::newRow("printed_no_message") << int(Zelk::PrintResult::Printed) << QString() << QString() << 0;
    QTest::newRow("no_printer_not_ready")
        << int(Zelk::PrintResult::NotReady) << QString() << "Printer is not ready!" << 0;
    QTest::newRow("not_printable_cancelled")
        << int(Zelk::PrintResult::Cancelled) << QString() << "Printing cancelled by user." << 0;
    QTest::newRow("other_failure_ends_program") << int(Zelk::PrintResult::Failed) << QString()
                                                << "Unexpected error! in sub.frmHistoryGraph paper jam" << 1;
    // A printer that cannot start a page is not ready: the viewer runs on.
    QTest::newRow("page_not_started_not_ready") << int(Zelk::PrintResult::Printed) << "missing/page.pdf"
                                                << "Printer is not ready!" << 0;
}

void TestViewerListPrint::printFailuresAreReportedAndWindowComesBack()
{
    QFETCH(int, answer);
    QFETCH(QString, printTo);
    QFETCH(QString, message);
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, historyFile(waveBlocks({0, 1, 0}, 40)));
    QVERIFY(g);
    ProbePrinter probe;
    probe.answer = Zelk::PrintResult(answer);
    if (!printTo.isEmpty()) {
        qputenv("ZELK_PRINT_TO", dir.filePath(printTo).toLocal8Bit());
        probe.forward = &Zelk::printer();
    }
    // The zoom row with its two labels, Export and the unticked Cursors box: hidden while the image is
    // taken, shown again afterwards.
    const QList<QWidget *> row{g->cmdUpdateGraph, g->cmdMinus, g->cmdReSet,  g->cmdPrint,  g->cmdReadFile,
                               g->lblPlus,        g->lblMinus, g->cmdExport, g->chkCursors};
    for (QWidget *w : row)
        QVERIFY2(w->isVisibleTo(g), qPrintable(w->objectName()));
    QList<QWidget *> hiddenWhilePrinting, shownWhilePrinting;
    probe.whilePrinting = [&] {
        for (QWidget *w : row + QList<QWidget *>{g->pctGraphH})
            (w->isVisibleTo(g) ? shownWhilePrinting : hiddenWhilePrinting).append(w);
        if (g->picRes->isVisibleTo(g) && g->txtlblYMaxCurr2->isVisibleTo(g))
            shownWhilePrinting.append(g->picRes);
    };
    const PrinterInstall install(&probe);
    g->cmdPrint->click();
    qunsetenv("ZELK_PRINT_TO");
    QCOMPARE(shownWhilePrinting, QList<QWidget *>{g->picRes});
    QCOMPARE(hiddenWhilePrinting.size(), row.size() + 1);
    QCOMPARE(g->txtlblYMaxCurr2->text(), g->lblYMaxCurr->text());
    QCOMPARE(boxes.texts, message.isEmpty() ? QStringList() : QStringList{message});
    QTEST(viewer.ends, "ends");
    // Afterwards: the row is back, and so are the live surfaces, which show the next redraw.
    for (QWidget *w : row)
        QVERIFY2(w->isVisibleTo(g), qPrintable(w->objectName()));
    QVERIFY(!g->picRes->isVisibleTo(g));
    QVERIFY(g->pctGraphH->isVisibleTo(g) && g->Frame1->isVisibleTo(g) && g->pctYscale->isVisibleTo(g));
}

namespace {

// The background of `r`: its most frequent colour (to 16 levels a channel, as printing blurs it).
QColor backgroundOf(const QImage &image, const QRect &r)
{
    QHash<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y) & 0xF0F0F0];
    QRgb best = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > counts.value(best))
            best = it.key();
    return QColor(best | 0x080808);
}

// How much `image` inside `r` differs from its background (the summed colour distance) and where the
// centre of that difference lies; blurring by the print keeps both.
struct Ink {
    double x = 0, y = 0; // centroid
    double mass = 0;
};

Ink inkOf(const QImage &image, const QRect &r)
{
    const QColor bg = backgroundOf(image, r);
    Ink ink;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int d = std::abs(c.red() - bg.red()) + std::abs(c.green() - bg.green()) +
                          std::abs(c.blue() - bg.blue());
            if (d < 40) // the background's own shades
                continue;
            ink.x += double(x) * d;
            ink.y += double(y) * d;
            ink.mass += d;
        }
    if (ink.mass > 0) {
        ink.x /= ink.mass;
        ink.y /= ink.mass;
    }
    return ink;
}

// The part of a printed page that is not paper white: the printed window.
QRect printedArea(const QImage &page)
{
    QRect area;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 245)
                area |= QRect(x, y, 1, 1);
    return area;
}

} // namespace

// The window printed through ZELK_PRINT_TO into a PDF; its page, turned into an image, holds the
// value axis, the x labels and the curve where the window showed them.
void TestViewerListPrint::printedPdfShowsAxesAndCurveAtScreenPositions()
{
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty())
        QSKIP("pdftoppm (Debian poppler-utils) is needed to look at the printed page");
    FreshViewer viewer;
    QTemporaryDir dir;
    Zelk::MsgBoxRecorder boxes;
    QPointer<frmHistory_Graph> g = viewer.openGraph(dir, historyFile(realisticBlocks()));
    QVERIFY(g);
    const QString pdf = dir.filePath("page.pdf");
    qputenv("ZELK_PRINT_TO", pdf.toLocal8Bit());
    ProbePrinter probe;
    probe.forward = &Zelk::printer(); // the real printer, which prints into the file
    const PrinterInstall install(&probe);
    const QRect axis(g->pctYscale->mapTo(g, QPoint()), g->pctYscale->size());
    const QRect xLabels(g->pctXscale->mapTo(g, QPoint()), g->pctXscale->size());
    const QRect plot(g->pctGraphH->mapTo(g, QPoint()), g->pctGraphH->size());
    g->cmdPrint->click();
    qunsetenv("ZELK_PRINT_TO");
    QCOMPARE(boxes.texts, QStringList());
    QVERIFY(QFile::exists(pdf));

    QProcess convert;
    convert.start(pdftoppm,
                  {"-png", "-r", "110", "-f", "1", "-l", "1", "-singlefile", pdf, dir.filePath("page")});
    QVERIFY(convert.waitForFinished(60000));
    QCOMPARE(convert.exitCode(), 0);
    const QImage page(dir.filePath("page.png"));
    QVERIFY(!page.isNull());
    if (!screenshotDir().isEmpty())
        QVERIFY(page.save(screenshotDir() + "/kurvex-print.png"));

    // The printed window, brought back to the window's size, against the image that was printed.
    const QRect area = printedArea(page);
    QVERIFY2(area.width() > probe.image.width(), "the page holds the window at least at screen size");
    const QImage printed =
        page.copy(area).scaled(probe.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (const QRect &r : {axis, xLabels, plot}) {
        const Ink shown = inkOf(probe.image, r);
        const Ink onPaper = inkOf(printed, r);
        QVERIFY2(shown.mass > 10000, "the surface shows something");
        QVERIFY2(onPaper.mass > shown.mass * 0.7 && onPaper.mass < shown.mass * 1.4,
                 qPrintable(QString("ink %1 on paper, %2 on screen").arg(onPaper.mass).arg(shown.mass)));
        QVERIFY2(std::abs(onPaper.x - shown.x) < 3 && std::abs(onPaper.y - shown.y) < 3,
                 qPrintable(QString("centre (%1, %2) on paper, (%3, %4) on screen")
                                .arg(onPaper.x)
                                .arg(onPaper.y)
                                .arg(shown.x)
                                .arg(shown.y)));
    }
    // The curve keeps its colours on paper.
    int green = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        for (int x = plot.left(); x <= plot.right(); ++x) {
            const QColor c = printed.pixelColor(x, y);
            green += c.green() > 120 && c.red() < 90 && c.blue() < 90;
        }
    QVERIFY2(green > 100, qPrintable(QString::number(green)));
}

QTEST_MAIN(TestViewerListPrint)
#include "tst_viewer_list_print.moc"
