// The monitor's weight trend and stale readouts against an in-process zelk-devicesim: the trend's points
// against the weights the window showed, the gap and the stale style a missing answer leaves, the
// set-point line, and the trend in the layout file.
#include "AutomationState.h"
#include "Controls.h"
#include "DeviceLink.h"
#include "LayoutFile.h"
#include "MonitorStation.h"
#include "TrendPlot.h"
#include "frmClient.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using ZelkSim::Fault;
Q_DECLARE_METATYPE(ZelkSim::Fault)

namespace {

class Station : public MonitorStation {
public:
    // Starts the window and records the weight it shows after each handled status reply.
    frmClient &start()
    {
        startWindow();
        QObject::connect(&window->link(), &DeviceLink::replyHandled, window.get(), [this](Reply::Kind kind) {
            if (kind == Reply::Kind::GetRTStatus)
                shown << window->lblWT_BRUTTO->text().toDouble();
        });
        [&] { QTRY_VERIFY(idle() && readings() == 1); }();
        return *window;
    }
    // Polls until `replies` more have been shown, then stops.
    void poll(int replies)
    {
        const qsizetype until = shown.size() + replies;
        window->txtTimeout2->setText(QStringLiteral("300"));
        window->cmdWeight->click();
        QTRY_VERIFY(shown.size() >= until);
        window->cmdStopSample->click();
        QTRY_VERIFY(idle());
    }
    QList<double> shown;
};

// Whether a readout is drawn stale, as the automation dump shows it.
bool dumpedStale(const QWidget *w)
{
    return Zelk::Automation::controlState(w).toJson().contains("\"stale\":true");
}

QList<const QWidget *> readouts(const frmClient &w)
{
    return {w.lblWT_BRUTTO, w.lblTareData, w.lblA2D_Data, w.ShpInp[3], w.ShpOut[1], w.ShpOut[10]};
}

// Whether `part` appears in `whole` in the same order, others in between.
bool inOrderWithin(const QList<double> &part, const QList<double> &whole)
{
    auto from = whole.begin();
    for (const double v : part) {
        from = std::find(from, whole.end(), v);
        if (from == whole.end())
            return false;
        ++from;
    }
    return true;
}

bool showsColour(QWidget *w, const QColor &colour)
{
    const QImage image = w->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

} // namespace

class TestFrmClientTrend : public QObject {
    Q_OBJECT
private slots:
    void missingAnswerBreaksTrendAndStalesReadouts_data();
    void missingAnswerBreaksTrendAndStalesReadouts();
    void armedSetPointIsDashedLine();
    void layoutFileKeepsTrendAndOldFileLoadsQuietly();
};

void TestFrmClientTrend::missingAnswerBreaksTrendAndStalesReadouts_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("param");
    QTest::addColumn<bool>("noAnswerMessage");
    QTest::newRow("no_answer") << Fault::NeverAnswer << 0 << true;
    QTest::newRow("socket_error") << Fault::RefuseConnections << 0 << true;
    QTest::newRow("reply_given_up") << Fault::TrailerCount << 3 << false;
}

void TestFrmClientTrend::missingAnswerBreaksTrendAndStalesReadouts()
{
    QFETCH(Fault, fault);
    QFETCH(int, param);
    QFETCH(bool, noAnswerMessage);
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    s.poll(8);

    // Every handled reply is in the trend, the newest bucket holding the weight shown last.
    const WeightTrend &trend = w.weightTrend;
    QCOMPARE(trend.samplesAdded(), s.shown.size());
    QCOMPARE(trend.bucket(trend.bucketsHeld() - 1).last, s.shown.last());
    QList<double> lasts;
    for (int i = 0; i < trend.bucketsHeld(); ++i)
        lasts << trend.bucket(i).last;
    QVERIFY(inOrderWithin(lasts, s.shown));
    QCOMPARE(w.picWeightTrend->isVisible(), true);
    for (const QWidget *r : readouts(w))
        QVERIFY(!dumpedStale(r));

    // The device stops answering: the curve breaks, the readouts turn stale and say since when.
    s.device.setFault(fault, param);
    w.cmdWeight->click();
    QTRY_VERIFY(!s.messages.texts.isEmpty() && s.idle());
    QCOMPARE(s.messages.texts.first().startsWith(QStringLiteral("Server does not answer!")), noAnswerMessage);
    QVERIFY(trend.bucket(trend.bucketsHeld() - 1).gapStart);
    QCOMPARE(trend.samplesAdded(), s.shown.size());
    for (const QWidget *r : readouts(w))
        QVERIFY2(dumpedStale(r), qPrintable(r->objectName()));
    QVERIFY(w.lblCommStatusData->text().contains(
        QRegularExpression(QStringLiteral("^No answer since \\d\\d:\\d\\d:\\d\\d$"))));

    // The next handled reply is drawn live again and continues the trend.
    s.device.clearFault();
    QTRY_VERIFY(s.device.isListening());
    s.poll(1);
    for (const QWidget *r : readouts(w))
        QVERIFY2(!dumpedStale(r), qPrintable(r->objectName()));
    QCOMPARE(trend.samplesAdded(), s.shown.size());
}

void TestFrmClientTrend::armedSetPointIsDashedLine()
{
    Station s;
    QVERIFY(s.ready());
    s.device.state().setOutputWord(0);
    s.device.state().forceWeight(100);
    frmClient &w = s.start();
    s.poll(2);
    QVERIFY(!showsColour(w.picWeightTrend, TrendPlot::SetPointColor));

    w.ChkSetPoint->setCheckState(Qt::Checked);
    w.txtSetPoint->clear();
    QTest::keyClicks(w.txtSetPoint, QStringLiteral("100.5"));
    QTest::keyClick(w.txtSetPoint, Qt::Key_Enter);
    s.poll(2);
    QVERIFY(showsColour(w.picWeightTrend, TrendPlot::SetPointColor));

    w.ChkSetPoint->setCheckState(Qt::Unchecked);
    s.poll(2);
    QVERIFY(!showsColour(w.picWeightTrend, TrendPlot::SetPointColor));
    QVERIFY(s.messages.texts.isEmpty());
}

void TestFrmClientTrend::layoutFileKeepsTrendAndOldFileLoadsQuietly()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    const QRect placed = w.picWeightTrend->geometry();
    QVERIFY(!placed.isEmpty());
    for (const QGroupBox *frame : {w.FraTimers, w.FraHistory, w.FraErrorStatus, w.FraWeight})
        QVERIFY(!placed.intersects(frame->geometry()));

    // Saved like the other controls; a file from a screen of another height puts it back.
    w.picWeightTrend->setGeometry(placed.adjusted(0, 20, 0, -20));
    w.SaveLayoutFile();
    QFile file(s.dir.filePath(LayoutFile::FileName));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray layout = file.readAll();
    file.close();
    QVERIFY(layout.contains("\r\npicWeightTrend,"));
    layout.replace(0, layout.indexOf("\r\n"), "Screen.Height 1 ");
    s.writeFile(LayoutFile::FileName, layout);
    s.window.reset();
    frmClient &again = s.start();
    QVERIFY(std::abs(again.picWeightTrend->geometry().top() - placed.top() - 20) <= 1);

    // A file written before the trend existed loads without a message, the trend clear of the frames.
    QList<QByteArray> lines = layout.split('\n');
    lines.removeIf([](const QByteArray &line) { return line.startsWith("picWeightTrend,"); });
    s.writeFile(LayoutFile::FileName, lines.join('\n'));
    s.window.reset();
    frmClient &old = s.start();
    QVERIFY(old.picWeightTrend->isVisible());
    for (const QGroupBox *frame : {old.FraTimers, old.FraHistory, old.FraErrorStatus, old.FraWeight})
        QVERIFY(!old.picWeightTrend->geometry().intersects(frame->geometry()));
    QVERIFY(s.messages.texts.isEmpty());
}

// The window on a laptop's screen of 1366x768: the offscreen platform's own square screen leaves no
// room beside the frames.
int main(int argc, char **argv)
{
    QTemporaryDir screenDir;
    const QString config = screenDir.filePath(QStringLiteral("screen.json"));
    QFile json(config);
    if (!json.open(QIODevice::WriteOnly) ||
        json.write(R"({"screens":[{"name":"laptop","x":0,"y":0,"width":1366,"height":768,)"
                   R"("logicalDpi":96,"logicalBaseDpi":96}]})") < 0)
        return 1;
    json.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    TestFrmClientTrend test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_frmclient_trend.moc"
