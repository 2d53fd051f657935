// The lamp panel's geometry: columns and rows from the frame sizes with 16-bit halves-to-even steps,
// the index mapping of lamps to outputs and inputs, and the set-point frame.
#include "LampGeometry.h"

#include <QTest>

using namespace LampGeometry;

class TestLampGeometry : public QObject {
    Q_OBJECT
private slots:
    void panelRowsAndColumns_data();
    void panelRowsAndColumns();
    void lampLeftRoundsHalfToEven_data();
    void lampLeftRoundsHalfToEven();
    void outputAndInputOfOneNumberShareAColumn();
    void lampBitsIgnoreHigherBits();
    void setPointFrameFromButtonsAndControls_data();
    void setPointFrameFromButtonsAndControls();
};

void TestLampGeometry::panelRowsAndColumns_data()
{
    QTest::addColumn<int>("inpWidth");
    QTest::addColumn<int>("inpHeight");
    QTest::addColumn<int>("outHeight");
    QTest::addColumn<int>("gap");
    QTest::addColumn<int>("inTop");
    QTest::addColumn<int>("outGap");
    QTest::addColumn<int>("buttonTop");
    QTest::newRow("design_frames") << 9750 << 730 << 2280 << 368 << 150 << 212 << 854;
    QTest::newRow("gap_half_rounds_to_0") << 6075 << 431 << 1720 << 0 << 0 << 100 << 630;
    QTest::newRow("gap_1.5_rounds_to_2") << 6085 << 433 << 1722 << 2 << 2 << 100 << 630;
    QTest::newRow("gap_2.5_rounds_to_2") << 6095 << 730 << 1723 << 2 << 150 << 101 << 632;
    QTest::newRow("narrow_frame_negative_gap") << 5070 << 730 << 2280 << -100 << 150 << 212 << 854;
    QTest::newRow("huge_frame_held_at_16_bits") << 400000 << 730 << 2280 << 32767 << 150 << 212 << 854;
}

void TestLampGeometry::panelRowsAndColumns()
{
    QFETCH(int, inpWidth);
    QFETCH(int, inpHeight);
    QFETCH(int, outHeight);
    const Panel p = panel(inpWidth, inpHeight, outHeight);
    QTEST(int(p.gap), "gap");
    QTEST(int(p.inTop), "inTop");
    QTEST(int(p.outGap), "outGap");
    QTEST(int(p.buttonTop), "buttonTop");
    QCOMPARE(p.column(0), 1770);
    QCOMPARE(p.column(3), 1770 + 3 * (p.gap + 430));
}

void TestLampGeometry::lampLeftRoundsHalfToEven_data()
{
    QTest::addColumn<int>("inpWidth");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("left");
    QTest::newRow("even_column_64.5_down") << 9750 << 1 << 1770 + 798 + 64;
    QTest::newRow("odd_column_64.5_up") << 9760 << 1 << 1770 + 799 + 65;
    QTest::newRow("column_0") << 9760 << 0 << 1770 + 64;
}

void TestLampGeometry::lampLeftRoundsHalfToEven()
{
    QFETCH(int, inpWidth);
    QFETCH(int, column);
    QTEST(panel(inpWidth, 730, 2280).lampLeft(column), "left");
}

void TestLampGeometry::outputAndInputOfOneNumberShareAColumn()
{
    for (int n = 1; n <= 10; ++n)
        QCOMPARE(outputLampColumn(outputLamp(n)), 10 - n);
    for (int n = 1; n <= 6; ++n)
        QCOMPARE(inputLampColumn(inputLamp(n)), 10 - n);
    QCOMPARE(outputLamp(1), 10); // rightmost
    QCOMPARE(outputLamp(10), 1); // set-point output, leftmost
    QCOMPARE(inputLamp(7), 2);   // inputs 7 and 8: the hidden lamps
    QCOMPARE(inputLamp(8), 1);
}

void TestLampGeometry::lampBitsIgnoreHigherBits()
{
    for (int lamp = 1; lamp <= 10; ++lamp) {
        QCOMPARE(outputLampBit(1536, lamp), lamp == 1);
        QCOMPARE(outputLampBit(1, lamp), lamp == 10);
        QCOMPARE(outputLampBit(-1, lamp), true);
    }
    QCOMPARE(inputLampBit(254, 8), false); // input 1 active
    for (int lamp = 1; lamp <= 7; ++lamp)
        QCOMPARE(inputLampBit(254, lamp), true);
    QCOMPARE(inputLampBit(300 & 0xFF, 8), false);
}

void TestLampGeometry::setPointFrameFromButtonsAndControls_data()
{
    QTest::addColumn<int>("checkTop");
    QTest::addColumn<int>("boxTop");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QPoint>("check");
    QTest::addColumn<QPoint>("box");
    // Buttons of the design panel: row 854, output 10 at 1770, output 9 at 2568, 602 wide.
    QTest::newRow("design_positions")
        << 1410 << 1800 << QRect(100, 769, 2370, 2033) << QPoint(200, 869) << QPoint(200, 1329);
    QTest::newRow("after_first_layout")
        << 869 << 1329 << QRect(100, 769, 2370, 1021) << QPoint(200, 869) << QPoint(200, 1329);
}

void TestLampGeometry::setPointFrameFromButtonsAndControls()
{
    QFETCH(int, checkTop);
    QFETCH(int, boxTop);
    const SetPointLayout l = setPoint({854, 2568, 1770, 602, checkTop, 360, boxTop, 360, 100.0});
    QTEST(QRect(l.frameLeft, l.frameTop, l.frameWidth, l.frameHeight), "frame");
    QTEST(QPoint(l.checkLeft, l.checkTop), "check");
    QTEST(QPoint(l.boxLeft, l.boxTop), "box");
}

QTEST_MAIN(TestLampGeometry)
#include "tst_lamp_geometry.moc"
