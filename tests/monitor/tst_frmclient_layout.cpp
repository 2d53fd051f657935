// The monitor's screen layout: the placement computed from the screen height, and the window against an
// in-process zelk-devicesim applying and writing the layout file "PLXW.cfg" in a fresh directory.
#include "Controls.h"
#include "DeviceSim.h"
#include "LayoutFile.h"
#include "MonitorLayout.h"
#include "MonitorStation.h"
#include "Seams.h"
#include "frmClient.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// One station: a device on a free loopback port, a fresh current directory, recorded messages.
class Station : public MonitorStation {
public:
    frmClient &start()
    {
        startWindow();
        return *window;
    }
    void writeLayout(const QByteArray &text) const
    {
        QFile f(dir.filePath(LayoutFile::FileName));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray readLayout() const
    {
        QFile f(dir.filePath(LayoutFile::FileName));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

int screenHeightTwips(const QWidget &w)
{
    return MonitorLayout::clampScreenTwips(Zelk::pixelsToTwips(w.screen()->geometry().height()));
}

// A twips rectangle as the window system holds it: through whole pixels.
QRect throughPixels(const QRect &twips)
{
    const auto t = [](int v) { return Zelk::pixelsToTwips(Zelk::twipsToPixels(v)); };
    return {t(twips.left()), t(twips.top()), t(twips.width()), t(twips.height())};
}

// Where a control line puts a control in a window of height H (twips).
QRect fromFractions(double H, const std::vector<float> &v)
{
    const auto at = [H](float f) { return int(std::round(H * double(f))); };
    return throughPixels({at(v[1]), at(v[0]), at(v[3]), at(v[2])});
}

QRect twipsOf(const QWidget *w)
{
    return Zelk::geometryTwips(w);
}

bool overlap(const QRect &a, const QRect &b)
{
    return a.left() < b.left() + b.width() && b.left() < a.left() + a.width() &&
           a.top() < b.top() + b.height() && b.top() < a.top() + a.height();
}

// The design geometry the placement reads, as the window has it before start-up on a screen of height S.
MonitorLayout::Design designFor(int S)
{
    const MonitorLayout::ScreenDesign d = MonitorLayout::screenDesign(S, 330, 360);
    return {{QStringLiteral("FraInp"), QRect(0, 0, 0, 730)},
            {QStringLiteral("lblA2D"), QRect(0, 0, 1500, 390)},
            {QStringLiteral("lblA2D_Data"), QRect(0, 0, 1800, 390)},
            {QStringLiteral("ImaVZT_Logo"), d.logo},
            {QStringLiteral("lblXML_Data"), QRect(0, 0, 5970, 330)},
            {QStringLiteral("txtRealTimeInfo"), QRect(0, 0, 6330, d.xmlViewHeight)},
            {QStringLiteral("cmdQuitXML"), QRect(0, 0, 330, 330)},
            {QStringLiteral("cmdChanSwitch"), QRect(1830, 390, 1290, 480)},
            {QStringLiteral("LblSwitch"), QRect(1830, 390, 1290, 480)}};
}

} // namespace

class TestFrmClientLayout : public QObject {
    Q_OBJECT
private slots:
    // The placement from the screen height (pure).
    void placementFollowsTheTableInOrder_data();
    void placementFollowsTheTableInOrder();
    void screenDesignLeavesNothingOverlappingOrCut_data();
    void screenDesignLeavesNothingOverlappingOrCut();
    void screenBeyondIntegerRangeIsHeld();

    // The window.
    void startUpSizesWindowFromTheScreenAndTheLogo();
    void layoutFromAnotherScreenKeepsEveryFraction();
    void sameScreenHeightLeavesComputedLayout();
    void firstLineNotScreenLineStillUsesSecondAsWindow();
    void arrayMemberLineChangesOnlyThatMember();
    void hostileNumbersKeepTheWindowShowable_data();
    void hostileNumbersKeepTheWindowShowable();
    void fontSizeSearchEndsOnControlsWithoutHeight();
    void saveConfigWritesBothFilesAndReportsFailureOnce();
};

// ---- Placement --------------------------------------------------------------------------------------

void TestFrmClientLayout::placementFollowsTheTableInOrder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect"); // left, top, width, height at S = 10000
    const std::pair<const char *, QRect> rows[] = {
        {"FraWeight", {300, 130, 9480, 1300}},        {"FraInp", {300, 1570, 9480, 730}},
        {"FraOut", {300, 2400, 9480, 2280}},          {"FraTimers", {9870, 130, 3150, 2170}},
        {"FraHistory", {9870, 2400, 3150, 2280}},     {"FraErrorStatus", {9870, 5370, 3150, 1950}},
        {"FraChannels", {6730, 5370, 3050, 1950}},    {"lblA2D", {6730, 4870, 1250, 390}},
        {"lblA2D_Data", {7980, 4870, 1800, 390}},     {"ImaVZT_Logo", {300, 4870, 3000, 2000}},
        {"cmdShowXMLData", {3350, 5370, 3330, 1950}}, {"lblXML_Data", {300, 4870, 5970, 330}},
        {"txtRealTimeInfo", {300, 5200, 6150, 2670}}, {"cmdQuitXML", {5000, 4870, 300, 330}},
        {"lblXML_Data", {300, 4870, 5850, 330}},      {"cmdQuitXML", {6150, 4870, 300, 330}},
        {"lblWeight", {100, 810, 1140, 570}},         {"lblWT_BRUTTO", {1270, 810, 2250, 570}},
        {"lblUnitNameWGT", {3550, 810, 600, 570}},    {"chkTare", {4450, 810, 960, 570}},
        {"lblTareData", {5440, 810, 1350, 570}},      {"lblUnitNameTare", {6820, 810, 540, 570}},
        {"lblIntegration", {7760, 810, 1200, 570}},   {"txtIntegration", {8990, 810, 750, 570}},
        {"lblServerAddr", {130, 270, 1680, 220}},     {"LblSwitch", {1830, 390, 1290, 300}},
    };
    int step = 0;
    for (const auto &[name, rect] : rows)
        QTest::addRow("%02d_%s", ++step, name) << QString::fromLatin1(name) << rect;
}

void TestFrmClientLayout::placementFollowsTheTableInOrder()
{
    // Design sizes that tell the rows apart: the quit button is not square, the weight row members
    // differ in height and top.
    const MonitorLayout::Design design{
        {QStringLiteral("FraInp"), QRect(0, 0, 9000, 730)},
        {QStringLiteral("lblA2D"), QRect(0, 0, 1500, 390)},
        {QStringLiteral("lblA2D_Data"), QRect(0, 0, 1800, 390)},
        {QStringLiteral("ImaVZT_Logo"), QRect(150, 4950, 3000, 2000)},
        {QStringLiteral("lblXML_Data"), QRect(150, 4950, 5970, 330)},
        {QStringLiteral("txtRealTimeInfo"), QRect(150, 5310, 6330, 2670)},
        {QStringLiteral("cmdQuitXML"), QRect(5000, 4950, 330, 300)},
        {QStringLiteral("cmdChanSwitch"), QRect(1830, 390, 1290, 480)},
        {QStringLiteral("LblSwitch"), QRect(0, 0, 10, 300)},
        {QStringLiteral("lblWeight"), QRect(180, 810, 1140, 570)},
        {QStringLiteral("lblWT_BRUTTO"), QRect(1350, 750, 2250, 660)},
        {QStringLiteral("lblUnitNameWGT"), QRect(0, 0, 600, 100)},
        {QStringLiteral("chkTare"), QRect(0, 0, 960, 100)},
        {QStringLiteral("lblTareData"), QRect(0, 0, 1350, 100)},
        {QStringLiteral("lblUnitNameTare"), QRect(0, 0, 540, 100)},
        {QStringLiteral("lblIntegration"), QRect(0, 0, 1200, 100)},
        {QStringLiteral("txtIntegration"), QRect(0, 0, 750, 100)},
    };
    const std::vector<MonitorLayout::Placement> placed = MonitorLayout::place(10000, design);
    const int step = QString::fromLatin1(QTest::currentDataTag()).left(2).toInt() - 1;
    QCOMPARE(int(placed.size()), 26);
    QTEST(placed.at(step).name, "name");
    QTEST(placed.at(step).rect, "rect");
}

void TestFrmClientLayout::screenDesignLeavesNothingOverlappingOrCut_data()
{
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<int>("screenHeight");
    QTest::newRow("1366x768") << 1366 * 15 << 768 * 15;
    QTest::newRow("1920x1080") << 1920 * 15 << 1080 * 15;
    QTest::newRow("1600x900") << 1600 * 15 << 900 * 15;
}

void TestFrmClientLayout::screenDesignLeavesNothingOverlappingOrCut()
{
    QFETCH(int, screenWidth);
    QFETCH(int, screenHeight);
    const MonitorLayout::Design design = designFor(screenHeight);
    QHash<QString, QRect> at;
    for (const MonitorLayout::Placement &p : MonitorLayout::place(screenHeight, design))
        at.insert(p.name, p.rect);
    const int windowHeight = MonitorLayout::windowHeight(design.value(QStringLiteral("ImaVZT_Logo")));
    QVERIFY2(windowHeight < screenHeight, "the window fits the screen");
    // What the window shows side by side: the frames, the A2D row, and the logo with its button or the
    // XML view in its place.
    const QStringList shown{"FraWeight",      "FraInp",      "FraOut", "FraTimers",  "FraHistory",
                            "FraErrorStatus", "FraChannels", "lblA2D", "lblA2D_Data"};
    for (const QStringList &view : {QStringList{"ImaVZT_Logo", "cmdShowXMLData"},
                                    QStringList{"lblXML_Data", "cmdQuitXML", "txtRealTimeInfo"}}) {
        const QStringList all = shown + view;
        for (const QString &a : all) {
            const QRect r = at.value(a);
            QVERIFY2(r.left() >= 0 && r.top() >= 0 && r.left() + r.width() <= screenWidth &&
                         r.top() + r.height() <= windowHeight,
                     qPrintable(a + QStringLiteral(" inside the window")));
            for (const QString &b : all)
                QVERIFY2(a == b || !overlap(r, at.value(b)),
                         qPrintable(a + QStringLiteral(" clear of ") + b));
        }
    }
}

void TestFrmClientLayout::screenBeyondIntegerRangeIsHeld()
{
    QCOMPARE(MonitorLayout::clampScreenTwips(2160 * 15), 32400);
    QCOMPARE(MonitorLayout::clampScreenTwips(3840 * 15), 32767);
}

// ---- The window -------------------------------------------------------------------------------------

void TestFrmClientLayout::startUpSizesWindowFromTheScreenAndTheLogo()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    const int S = screenHeightTwips(w);
    QCOMPARE(int(w.iFormBlockH), S);
    QCOMPARE(w.width(), w.screen()->geometry().width());
    const QRect logo = twipsOf(w.ImaVZT_Logo);
    QCOMPARE(w.height(), Zelk::twipsToPixels(MonitorLayout::windowHeight(logo)));
    QCOMPARE(logo.top(), throughPixels({0, int(std::round(0.487 * S)), 0, 0}).top());
    QCOMPARE(twipsOf(w.FraTimers).left(), throughPixels({int(std::round(0.987 * S)), 0, 0, 0}).left());
    QCOMPARE(twipsOf(w.txtIntegration).top(), twipsOf(w.lblWeight).top()); // the weight row on one line
    QCOMPARE(w.lWeightForeColor, std::int32_t(Zelk::foreColor(w.lblWT_BRUTTO)));
}

void TestFrmClientLayout::layoutFromAnotherScreenKeepsEveryFraction()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    const int S = screenHeightTwips(w);
    w.SaveLayoutFile();
    const LayoutFile::Contents saved = LayoutFile::parse(s.readLayout());
    QCOMPARE(saved.firstLine, QStringLiteral("Screen.Height %1 ").arg(S));
    QVERIFY(saved.controls.size() > 100);

    // The same controls as saved on another screen, with the window at other fractions of its screen.
    const LayoutFile::Entry window{QStringLiteral("frmClient"), {0.01f, 0.02f, 0.5f, 0.9f}};
    s.writeLayout(LayoutFile::compose(float(S * 2), window, saved.controls));
    const double before = w.lblWT_BRUTTO->font().pointSizeF();
    w.LoadLayoutFile();
    const auto ofScreen = [S](double f) { return Zelk::twipsToPixels(int(std::round(S * f))); };
    QCOMPARE(w.pos(), QPoint(ofScreen(0.02), ofScreen(0.01)));
    QCOMPARE(w.size(), QSize(ofScreen(double(0.9f)), ofScreen(0.5)));
    const double H = Zelk::pixelsToTwips(w.height());
    for (const LayoutFile::Entry &line : saved.controls)
        QCOMPARE(twipsOf(w.findChild<QWidget *>(line.name)), fromFractions(H, line.values));
    QVERIFY2(w.lblWT_BRUTTO->font().pointSizeF() < before, "the font follows the lower window");
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientLayout::sameScreenHeightLeavesComputedLayout()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    w.SaveLayoutFile();
    const QRect window = w.geometry();
    Zelk::setGeometryTwips(w.FraWeight, 15, 15, 1500, 1500);
    w.LoadLayoutFile();
    QCOMPARE(twipsOf(w.FraWeight), QRect(15, 15, 1500, 1500));
    QCOMPARE(w.geometry(), window);
}

void TestFrmClientLayout::firstLineNotScreenLineStillUsesSecondAsWindow()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    const int S = screenHeightTwips(w);
    s.writeLayout("frmClient, .25  .25  .25  .25 \r\nfrmClient, 0  .05  .5  .75 \r\n");
    w.LoadLayoutFile();
    QCOMPARE(w.size(), QSize(Zelk::twipsToPixels(int(std::round(S * 0.75))),
                             Zelk::twipsToPixels(int(std::round(S * 0.5)))));
    QCOMPARE(w.pos().x(), Zelk::twipsToPixels(int(std::round(S * 0.05))));
}

void TestFrmClientLayout::arrayMemberLineChangesOnlyThatMember()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    const QRect first = twipsOf(w.cmdChan[1]), second = twipsOf(w.cmdChan[2]);
    // A name without its closing bracket is reported and skipped; an unknown name changes nothing.
    s.writeLayout("Screen.Height 1 \r\nfrmClient, 0  0  .5  1 \r\ncmdChan(2, .1  .1  .1  .1  0 \r\n"
                  "noSuchControl, .1  .1  .1  .1  0 \r\n");
    w.LoadLayoutFile();
    QCOMPARE(s.messages.texts, QStringList{LayoutFile::InvalidNameMessage});
    QCOMPARE(twipsOf(w.cmdChan[2]), second);

    const std::vector<float> values{0.05f, 0.1f, 0.04f, 0.2f, 0.f};
    s.writeLayout("Screen.Height 1 \r\nfrmClient, 0  0  .5  1 \r\n" +
                  LayoutFile::composeLine({QStringLiteral("cmdChan(2)"), values}).toLatin1() + "\r\n");
    w.LoadLayoutFile();
    QCOMPARE(twipsOf(w.cmdChan[2]), fromFractions(Zelk::pixelsToTwips(w.height()), values));
    QCOMPARE(twipsOf(w.cmdChan[1]), first);
}

void TestFrmClientLayout::hostileNumbersKeepTheWindowShowable_data()
{
    QTest::addColumn<QByteArray>("windowLine");
    QTest::newRow("no_height") << QByteArray("frmClient, 0  0  0  1 ");
    QTest::newRow("beyond_any_screen") << QByteArray("frmClient, 0  0  1E+30  1E+30 ");
}

void TestFrmClientLayout::hostileNumbersKeepTheWindowShowable()
{
    QFETCH(QByteArray, windowLine);
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    s.writeLayout("Screen.Height 1 \r\n" + windowLine +
                  "\r\nFraWeight,-1E+30  1E+30  1E+30  1E+30  1E+30 \r\n");
    w.LoadLayoutFile();
    QVERIFY(w.height() > 0 && w.width() > 0 && w.isVisible());
    QVERIFY(w.height() <= Zelk::twipsToPixels(32767) && w.width() <= Zelk::twipsToPixels(32767));
}

void TestFrmClientLayout::fontSizeSearchEndsOnControlsWithoutHeight()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    QCOMPARE(w.GetFontSize(0.5f, w.ShpOut[3], w.lblAuto), 0.0); // shapes and images have no font size
    QCOMPARE(w.GetFontSize(0.5f, w.ImaVZT_Logo, w.lblAuto), 0.0);
    Zelk::setGeometryTwips(w.lblChan, 0, 0, 900, 0);
    QCOMPARE(w.GetFontSize(0.5f, w.lblChan, w.lblAuto), 0.0);
    QCOMPARE(s.messages.texts, QStringList{LayoutFile::ZeroHeightMessage});
}

void TestFrmClientLayout::saveConfigWritesBothFilesAndReportsFailureOnce()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    w.cmdSaveConfig->click();
    QVERIFY(QFile::exists(s.dir.filePath(QStringLiteral("ZELK_NET.cfg"))));
    const QByteArray layout = s.readLayout();
    QVERIFY(layout.startsWith("Screen.Height ") && layout.contains("\r\nfrmClient,"));
    for (const char *line : {"\r\nFraWeight,", "\r\ncmdChan(2),", "\r\nShpOut(10),", "\r\nlblHUpLim(0),"})
        QVERIFY2(layout.contains(line), line);
    QVERIFY(s.messages.texts.isEmpty());

    QVERIFY(QFile::remove(s.dir.filePath(LayoutFile::FileName)));
    QVERIFY(QDir(s.dir.path()).mkdir(LayoutFile::FileName)); // a folder where the file should be
    w.cmdSaveConfig->click();
    QCOMPARE(s.messages.texts.size(), 1);
    QVERIFY2(s.messages.texts.at(0).startsWith(QStringLiteral("Else Error75")),
             qPrintable(s.messages.texts.at(0)));
    w.ShowCounters(); // the program goes on
    QCOMPARE(w.lblTotalReadingsD->text(), QString::number(w.lTotalReadings));
}

QTEST_MAIN(TestFrmClientLayout)
#include "tst_frmclient_layout.moc"
