// The monitor's weight trend and stale readouts against an in-process zelk-devicesim on a 1366x768
// screen: the trend against the weights shown, a missing answer's gap and stale style, the set-point
// line, and the trend in the layout file.
#include "AutomationState.h"
#include "Controls.h"
#include "LayoutFile.h"
#include "MonitorStation.h"
#include "TrendPlot.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

using ZelkSim::Fault;

namespace {

class Station : public MonitorStation {
public:
    // The window, recording the weight it shows after each handled status reply.
    frmClient &start()
    {
        startWindow();
        QObject::connect(&window->link(), &DeviceLink::replyHandled, window.get(), [this](Reply::Kind kind) {
            if (kind == Reply::Kind::GetRTStatus)
                shown << window->lblWT_BRUTTO->text().toDouble();
        });
        [&] { QTRY_VERIFY(idle() && shown.size() == 1); }();
        return *window;
    }
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

// Readouts drawn stale, as the automation dump shows them.
int staleReadouts(const frmClient &w)
{
    int stale = 0;
    for (const QWidget *r : std::initializer_list<const QWidget *>{w.lblWT_BRUTTO, w.lblTareData,
                                                                   w.lblA2D_Data, w.ShpInp[3], w.ShpOut[1]})
        stale += Zelk::Automation::controlState(r).toJson().contains("\"stale\":true") ? 1 : 0;
    return stale;
}

bool showsSetPoint(QWidget *plot)
{
    const QImage image = plot->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == TrendPlot::SetPointColor)
                return true;
    return false;
}

} // namespace

class TestFrmClientTrend : public QObject {
    Q_OBJECT
private slots:
    void missingAnswerBreaksTrendAndStalesReadouts_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("param");
        QTest::newRow("no_answer") << Fault::NeverAnswer << 0;
        QTest::newRow("socket_error") << Fault::RefuseConnections << 0;
        QTest::newRow("reply_given_up") << Fault::TrailerCount << 3;
    }

    void missingAnswerBreaksTrendAndStalesReadouts()
    {
        QFETCH(Fault, fault);
        QFETCH(int, param);
        Station s;
        QVERIFY(s.ready());
        frmClient &w = s.start();
        s.poll(8);
        // Every weight shown is in the trend: as many, the same extremes, the newest last.
        const WeightTrend &trend = w.weightTrend;
        const auto held = [&](double WeightTrend::Bucket::*v) {
            QList<double> values;
            for (int i = 0; i < trend.bucketsHeld(); ++i)
                values << trend.bucket(i).*v;
            return values;
        };
        QCOMPARE(trend.samplesAdded(), s.shown.size());
        QCOMPARE(std::ranges::min(held(&WeightTrend::Bucket::min)), std::ranges::min(s.shown));
        QCOMPARE(std::ranges::max(held(&WeightTrend::Bucket::max)), std::ranges::max(s.shown));
        QCOMPARE(held(&WeightTrend::Bucket::last).last(), s.shown.last());
        QVERIFY(w.picWeightTrend->isVisible() && staleReadouts(w) == 0);

        // The device stops answering: the curve breaks, the readouts turn stale and say since when.
        s.device.setFault(fault, param);
        w.cmdWeight->click();
        QTRY_VERIFY(!s.messages.texts.isEmpty() && s.idle());
        QVERIFY(trend.bucket(trend.bucketsHeld() - 1).gapStart);
        QCOMPARE(staleReadouts(w), 5);
        QVERIFY(w.lblCommStatusData->text().contains(
            QRegularExpression("^No answer since \\d\\d:\\d\\d:\\d\\d$")));

        // The next handled reply is drawn live again and goes on in the trend.
        s.device.clearFault();
        QTRY_VERIFY(s.device.isListening());
        s.poll(1);
        QCOMPARE(staleReadouts(w), 0);
        QCOMPARE(trend.samplesAdded(), s.shown.size());
    }

    void armedSetPointIsDashedLine()
    {
        Station s;
        QVERIFY(s.ready());
        s.device.state().setOutputWord(0);
        s.device.state().forceWeight(100);
        frmClient &w = s.start();
        s.poll(2);
        QVERIFY(!showsSetPoint(w.picWeightTrend));
        w.ChkSetPoint->setCheckState(Qt::Checked);
        w.txtSetPoint->setText(QStringLiteral("100.5"));
        QTest::keyClick(w.txtSetPoint, Qt::Key_Enter);
        s.poll(2);
        QVERIFY(showsSetPoint(w.picWeightTrend));
        w.ChkSetPoint->setCheckState(Qt::Unchecked);
        s.poll(2);
        QVERIFY(!showsSetPoint(w.picWeightTrend));
        QVERIFY(s.messages.texts.isEmpty());
    }

    void layoutFileKeepsTrendAndOldFileLoadsQuietly()
    {
        Station s;
        QVERIFY(s.ready());
        frmClient &w = s.start();
        const QRect placed = w.picWeightTrend->geometry();
        // Saved like the other controls; the file applied on a screen of another height puts it back.
        w.picWeightTrend->setGeometry(placed.adjusted(0, 20, 0, -20));
        w.SaveLayoutFile();
        QFile file(s.dir.filePath(LayoutFile::FileName));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        lines[0] = "Screen.Height 1 \r";
        s.writeFile(LayoutFile::FileName, lines.join('\n'));
        QCOMPARE(s.startWindow().picWeightTrend->geometry().top(), placed.top() + 20);

        // A file written before the trend existed loads without a message, the trend where it was placed.
        QCOMPARE(lines.removeIf([](const QByteArray &line) { return line.startsWith("picWeightTrend,"); }),
                 1);
        s.writeFile(LayoutFile::FileName, lines.join('\n'));
        frmClient &old = s.startWindow();
        QCOMPARE(old.picWeightTrend->geometry(), placed);
        for (const QWidget *frame :
             std::initializer_list<const QWidget *>{old.FraTimers, old.FraHistory, old.FraErrorStatus})
            QVERIFY(frame->isVisible() && !frame->geometry().intersects(placed));
        QVERIFY(s.messages.texts.isEmpty());
    }
};

// On the offscreen platform's own square screen there is no room beside the frames: a laptop's screen.
int main(int argc, char **argv)
{
    QTemporaryDir dir;
    QFile json(dir.filePath(QStringLiteral("screen.json")));
    if (!json.open(QIODevice::WriteOnly) ||
        json.write(R"({"screens":[{"name":"laptop","x":0,"y":0,"width":1366,"height":768,)"
                   R"("logicalDpi":96,"logicalBaseDpi":96}]})") < 0)
        return 1;
    json.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + json.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    TestFrmClientTrend test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frmclient_trend.moc"
