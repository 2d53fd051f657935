// The live weight trend: its buckets, ring bound, gaps, decimation, ticks and CSV, and the plot as
// the operator sees it (curve, gap, dashed set point, CSV saved from the context menu).
#include "TrendPlot.h"
#include "WeightTrend.h"

#include "Seams.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

namespace {

// "0:5 g60 70:2": a weight at 0 ms, a gap at 60 ms, a weight at 70 ms.
void play(WeightTrend &trend, const QString &ops)
{
    for (const QString &op : ops.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (op.startsWith(QLatin1Char('g')))
            trend.gap(op.mid(1).toLongLong());
        else
            trend.add(op.section(QLatin1Char(':'), 0, 0).toLongLong(),
                      op.section(QLatin1Char(':'), 1).toDouble());
    }
}

// "5/2/9/4|": first/min/max/last, "|" where a gap starts.
QString bucketsText(const WeightTrend &trend)
{
    QStringList out;
    for (int i = 0; i < trend.bucketsHeld(); ++i) {
        const WeightTrend::Bucket &b = trend.bucket(i);
        out << QStringLiteral("%1/%2/%3/%4%5")
                   .arg(b.first)
                   .arg(b.min)
                   .arg(b.max)
                   .arg(b.last)
                   .arg(b.gapStart ? "|" : "");
        if (i > 0 && b.timeMs < trend.bucket(i - 1).timeMs)
            out << QStringLiteral("time went back");
    }
    return out.join(QLatin1Char(' '));
}

int countColour(const QImage &image, const QRect &r, const QColor &colour)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

} // namespace

class TestWeightTrend : public QObject {
    Q_OBJECT
private slots:
    void bucketsKeepFirstMinMaxLast_data();
    void bucketsKeepFirstMinMaxLast();
    void ringHoldsSixtyMinutesInFixedMemory();
    void decimationKeepsTheExtremes_data();
    void decimationKeepsTheExtremes();
    void ticksAreRoundAndFew_data();
    void ticksAreRoundAndFew();
    void csvHoldsEachBucketsLastValue_data();
    void csvHoldsEachBucketsLastValue();
    void plotShowsCurveGapAndDashedSetPoint();
};

// Each row: the replies and gaps played, " => ", the buckets held; then the samples counted.
void TestWeightTrend::bucketsKeepFirstMinMaxLast_data()
{
    QTest::addColumn<QString>("played");
    QTest::addColumn<qint64>("samples");
    QTest::newRow("one_bucket") << "0:5 10:2 20:9 49:4 => 5/2/9/4" << qint64(4);
    QTest::newRow("next_50_ms_next_bucket") << "0:1 49:2 50:3 => 1/1/2/2 3/3/3/3" << qint64(3);
    QTest::newRow("gap_breaks_after_last_value") << "0:1 g60 900:2 => 1/1/1/1| 2/2/2/2" << qint64(2);
    QTest::newRow("reply_after_gap_in_same_bucket") << "0:1 g10 20:2 => 1/1/1/1| 2/2/2/2" << qint64(2);
    QTest::newRow("gap_before_any_reply") << "g0 10:1 => 1/1/1/1" << qint64(1);
    QTest::newRow("clock_going_back") << "1000:1 1010:2 5:3 20:4 => 1/1/2/2| 3/3/4/4" << qint64(4);
    QTest::newRow("not_a_number_refused") << "0:1 10:nan 20:inf => 1/1/1/1" << qint64(1);
}

void TestWeightTrend::bucketsKeepFirstMinMaxLast()
{
    QFETCH(QString, played);
    WeightTrend trend;
    play(trend, played.section(QStringLiteral(" => "), 0, 0));
    QCOMPARE(bucketsText(trend), played.section(QStringLiteral(" => "), 1));
    QTEST(qint64(trend.samplesAdded()), "samples");
}

void TestWeightTrend::ringHoldsSixtyMinutesInFixedMemory()
{
    WeightTrend trend;
    const qint64 twoHours = 2 * WeightTrend::HeldMs;
    for (qint64 t = 0; t < twoHours; t += 10)
        trend.add(t, double(t % 7));
    QCOMPARE(qint64(trend.samplesAdded()), twoHours / 10);
    QCOMPARE(trend.bucketsHeld(), WeightTrend::BucketCount);
    QCOMPARE(trend.bucket(0).timeMs, twoHours - WeightTrend::HeldMs + WeightTrend::BucketMs - 10);
    QVERIFY(WeightTrend::byteSize() < 10 * 1000 * 1000);
}

void TestWeightTrend::decimationKeepsTheExtremes_data()
{
    QTest::addColumn<qint64>("intervalMs");
    QTest::addColumn<int>("columns");
    QTest::newRow("thousand_replies_a_second_in_10_columns") << qint64(1) << 10;
    QTest::newRow("every_7_ms_in_600_columns") << qint64(7) << 600;
    QTest::newRow("every_2_s_in_600_columns") << qint64(2000) << 600;
}

// A sawtooth between 0 and 1 with one spike of 100 at 30 s and one dip of -100 at 46 s, shown in the
// last minute: the spike and the dip stand in their columns whatever the rate.
void TestWeightTrend::decimationKeepsTheExtremes()
{
    QFETCH(qint64, intervalMs);
    QFETCH(int, columns);
    WeightTrend trend;
    const qint64 spike = 30002 - 30002 % intervalMs, dip = 46004 - 46004 % intervalMs;
    for (qint64 t = 0; t <= 60000; t += intervalMs)
        trend.add(t, t == spike ? 100 : t == dip ? -100 : double(t % 1000) / 1000);
    const std::vector<WeightTrend::Column> shown = trend.columns(60000, columns);
    QVERIFY(!shown.empty() && shown.size() <= size_t(columns));
    for (size_t i = 1; i < shown.size(); ++i)
        QVERIFY(shown[i].index > shown[i - 1].index && !shown[i - 1].gapAfter);
    const auto top =
        std::max_element(shown.begin(), shown.end(), [](auto &a, auto &b) { return a.max < b.max; });
    const auto low =
        std::min_element(shown.begin(), shown.end(), [](auto &a, auto &b) { return a.min < b.min; });
    QCOMPARE(top->max, 100.0);
    QCOMPARE(low->min, -100.0);
    const qint64 from = trend.nowMs() - 60000;
    QCOMPARE(top->index, int((spike - from) * columns / 60000));
    QCOMPARE(low->index, int((dip - from) * columns / 60000));
}

void TestWeightTrend::ticksAreRoundAndFew_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<QString>("ticks"); // at most six
    QTest::newRow("unit_range") << 0.0 << 1.0 << "0.0 0.2 0.4 0.6 0.8 1.0";
    QTest::newRow("last_minute") << -60.0 << 0.0 << "-60 -50 -40 -30 -20 -10 0";
    QTest::newRow("narrow_weights") << 12.311 << 12.389 << "12.32 12.34 12.36 12.38";
    QTest::newRow("far_from_zero_ends") << 1e17 << 1e17 + 32 << "100000000000000000";
}

void TestWeightTrend::ticksAreRoundAndFew()
{
    QFETCH(double, low);
    QFETCH(double, high);
    const std::vector<double> ticks = TrendScale::roundTicks(low, high, 6);
    QStringList texts;
    for (const double t : ticks)
        texts << TrendScale::tickText(t, ticks.size() > 1 ? ticks[1] - ticks[0] : 0);
    QTEST(texts.join(QLatin1Char(' ')), "ticks");
}

void TestWeightTrend::csvHoldsEachBucketsLastValue_data()
{
    QTest::addColumn<QString>("ops");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("csv");
    QTest::newRow("last_value_per_bucket")
        << "0:1.5 10:2 60:2.25 g70 100:-3"
        << "kg" << QByteArray("Time (s),Weight,Unit\r\n-0.090,2,kg\r\n-0.040,2.25,kg\r\n0.000,-3,kg\r\n");
    QTest::newRow("full_precision_and_quoted_unit")
        << "0:0.30000000000000004 1500:1e-7"
        << "a,\"b\""
        << QByteArray("Time (s),Weight,Unit\r\n-1.500,0.30000000000000004,\"a,\"\"b\"\"\"\r\n"
                      "0.000,1e-07,\"a,\"\"b\"\"\"\r\n");
}

void TestWeightTrend::csvHoldsEachBucketsLastValue()
{
    QFETCH(QString, ops);
    QFETCH(QString, unit);
    WeightTrend trend;
    trend.setUnit(unit);
    play(trend, ops);
    QTEST(TrendCsv::text(trend), "csv");
}

// Weight 10 for 20 s, no reply for 20 s, weight 20 for 20 s, set point 15, over the last minute.
void TestWeightTrend::plotShowsCurveGapAndDashedSetPoint()
{
    WeightTrend trend;
    trend.setUnit(QStringLiteral("kg"));
    for (qint64 t = 0; t <= 60000; t += 20) {
        if (t <= 20000 || t >= 40000)
            trend.add(t, t <= 20000 ? 10 : 20);
        if (t == 20000)
            trend.gap(t);
    }
    TrendPlot plot(trend);
    plot.resize(400, 200);
    plot.setSpanMinutes(1);
    plot.setSetPoint(15.0);
    const QImage image = plot.grab().toImage();
    const QRect area = plot.plotArea();
    const auto columnsOf = [&](qint64 fromMs, qint64 toMs) {
        return QRect(area.left() + int(fromMs * area.width() / 60000), area.top(),
                     int((toMs - fromMs) * area.width() / 60000), area.height());
    };
    QVERIFY(countColour(image, columnsOf(2000, 18000), TrendPlot::CurveColor) > 0);
    QVERIFY(countColour(image, columnsOf(42000, 58000), TrendPlot::CurveColor) > 0);
    QCOMPARE(countColour(image, columnsOf(21000, 39000), TrendPlot::CurveColor), 0);
    int dashRow = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        dashRow = std::max(
            dashRow, countColour(image, QRect(area.left(), y, area.width(), 1), TrendPlot::SetPointColor));
    QVERIFY2(dashRow > area.width() / 4 && dashRow < area.width() * 9 / 10,
             qPrintable(QString::number(dashRow)));

    plot.setSetPoint(1e300); // far above the curve: out of sight, not drawn on the edge
    QCOMPARE(countColour(plot.grab().toImage(), area, TrendPlot::SetPointColor), 0);

    QTemporaryDir dir;
    Zelk::RecordingFileDialog dialog;
    dialog.answer = dir.filePath(QStringLiteral("trend.csv"));
    Zelk::setFileDialog(&dialog);
    plot.findChild<QAction *>(QStringLiteral("mnuTrendSaveCsv"))->trigger();
    Zelk::setFileDialog(nullptr);
    QFile saved(*dialog.answer);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), TrendCsv::text(trend));
}

QTEST_MAIN(TestWeightTrend)
#include "tst_weight_trend.moc"
