// The layout file's pure parts: the print style of its numbers, composing and reading its lines, the
// control-name rule with array indexes, the screen-height check and the font-size search.
#include "LayoutFile.h"

#include <QTest>

class TestLayoutFile : public QObject {
    Q_OBJECT
private slots:
    void numbersAreWrittenInPrintStyle_data();
    void numbersAreWrittenInPrintStyle();
    void fileIsReadBackAsWritten();
    void malformedLinesChangeNothing_data();
    void malformedLinesChangeNothing();
    void firstLineTellsTheSavingScreen_data();
    void firstLineTellsTheSavingScreen();
    void controlNameCarriesArrayIndex_data();
    void controlNameCarriesArrayIndex();
    void fontSizeIsTheOneBeforeReachingTheRatio_data();
    void fontSizeIsTheOneBeforeReachingTheRatio();
};

void TestLayoutFile::numbersAreWrittenInPrintStyle_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("line");
    QTest::newRow("half_without_leading_zero") << 0.5f << "c, .5 ";
    QTest::newRow("negative_quarter") << -0.25f << "c,-.25 ";
    QTest::newRow("zero") << 0.0f << "c, 0 ";
    QTest::newRow("above_one") << 1.5f << "c, 1.5 ";
    QTest::newRow("seven_digits_of_a_single") << (1.0f / 3.0f) << "c, .3333333 ";
}

void TestLayoutFile::numbersAreWrittenInPrintStyle()
{
    QFETCH(float, value);
    QTEST(LayoutFile::composeLine({QStringLiteral("c"), {value}}), "line");
}

void TestLayoutFile::fileIsReadBackAsWritten()
{
    const LayoutFile::Entry window{QStringLiteral("frmClient"), {0.f, 0.f, 0.5f, 1.25f}};
    const std::vector<LayoutFile::Entry> controls{
        {QStringLiteral("FraWeight"), {0.25f, 0.5f, 0.125f, 1.f, 0.75f}},
        {QStringLiteral("cmdChan(2)"), {-0.25f, 0.f, 1e-5f, 0.5f, 0.f}}};
    const QByteArray file = LayoutFile::compose(16200.f, window, controls);
    QCOMPARE(file, QByteArray("Screen.Height 16200 \r\n"
                              "frmClient, 0  0  .5  1.25 \r\n"
                              "FraWeight, .25  .5  .125  1  .75 \r\n"
                              "cmdChan(2),-.25  0  1E-05  .5  0 \r\n"));
    const LayoutFile::Contents read = LayoutFile::parse(file);
    QCOMPARE(read.firstLine, QStringLiteral("Screen.Height 16200 "));
    QCOMPARE(read.window->values, window.values);
    QCOMPARE(read.controls.size(), std::size_t(2));
    QCOMPARE(read.controls[1].name, QStringLiteral("cmdChan(2)"));
    QCOMPARE(read.controls[1].values, controls[1].values);
}

void TestLayoutFile::malformedLinesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("no_comma") << QByteArray("FraWeight .1 .2 .3 .4 .5");
    QTest::newRow("too_few_numbers") << QByteArray("FraWeight, .1 .2 .3 .4");
    QTest::newRow("one_number_too_many") << QByteArray("FraWeight, .1 .2 .3 .4 .5 .6");
    QTest::newRow("not_a_number") << QByteArray("FraWeight, .1 .2 x .4 .5");
    QTest::newRow("beyond_a_single") << QByteArray("FraWeight, .1 .2 1E+39 .4 .5");
    QTest::newRow("infinite") << QByteArray("FraWeight, .1 .2 .3 -1e999 .5");
    QTest::newRow("empty_line") << QByteArray("");
}

void TestLayoutFile::malformedLinesChangeNothing()
{
    QFETCH(QByteArray, line);
    // Line ends may be CR LF, LF or CR; commas separate numbers as blanks do.
    const LayoutFile::Contents read = LayoutFile::parse("Screen.Height 9000\nfrmClient,0,0 .5 1\r" + line +
                                                        "\r\nlblA2D, .1  .2  .3  .4  .5 \r\n");
    QCOMPARE(read.window->values, (std::vector<float>{0, 0, .5, 1}));
    QCOMPARE(read.controls.size(), std::size_t(1));
    QCOMPARE(read.controls[0].name, QStringLiteral("lblA2D"));
}

void TestLayoutFile::firstLineTellsTheSavingScreen_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("same"); // on a screen 16200 twips high
    QTest::newRow("same_height") << "Screen.Height 16200 " << true;
    QTest::newRow("other_height") << "Screen.Height 11520 " << false;
    QTest::newRow("not_the_screen_line") << "frmClient, 0  0  .5  1 " << false;
    QTest::newRow("fraction_rounds") << "Screen.Height 16199.6 " << true;
    QTest::newRow("not_a_number") << "Screen.Height lots" << false;
    QTest::newRow("beyond_integer") << "Screen.Height 97736 " << false;
}

void TestLayoutFile::firstLineTellsTheSavingScreen()
{
    QFETCH(QString, line);
    QTEST(LayoutFile::savedOnScreen(line, 16200), "same");
}

void TestLayoutFile::controlNameCarriesArrayIndex_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("indexed");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("index");
    QTest::newRow("plain") << "FraWeight"
                           << "FraWeight" << false << true << 0;
    QTest::newRow("member_2") << "cmdChan(2)"
                              << "cmdChan" << true << true << 2;
    QTest::newRow("member_0") << "lblHUpLim(0)"
                              << "lblHUpLim" << true << true << 0;
    QTest::newRow("no_closing_bracket") << "cmdChan(2"
                                        << "cmdChan" << true << false << 0;
    QTest::newRow("index_beyond_range_matches_none") << "cmdChan(1e20)"
                                                     << "cmdChan" << true << true << -1;
}

void TestLayoutFile::controlNameCarriesArrayIndex()
{
    QFETCH(QString, name);
    const LayoutFile::ControlName parsed = LayoutFile::parseName(name);
    QTEST(parsed.base, "base");
    QTEST(parsed.indexed, "indexed");
    QTEST(parsed.valid, "valid");
    QTEST(parsed.index, "index");
}

void TestLayoutFile::fontSizeIsTheOneBeforeReachingTheRatio_data()
{
    // The text is 20 twips high per point; the control 1800 twips high.
    QTest::addColumn<float>("wanted");
    QTest::addColumn<int>("controlHeight");
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("zeroHeight");
    QTest::newRow("reached_first_at_9") << 180.f / 1800.f << 1800 << 8.5 << false;
    QTest::newRow("just_above_8_5_reached_at_9") << 171.f / 1800.f << 1800 << 8.5 << false;
    QTest::newRow("reached_at_1") << .001f << 1800 << 0.5 << false;
    QTest::newRow("zero_ratio") << 0.f << 1800 << 0.0 << false;
    QTest::newRow("negative_ratio") << -1.f << 1800 << 0.0 << false;
    QTest::newRow("zero_height_ends_at_once") << .1f << 0 << 0.0 << true;
    QTest::newRow("never_reached_ends") << 1e20f << 1800 << LayoutFile::MaxFontSize << false;
}

void TestLayoutFile::fontSizeIsTheOneBeforeReachingTheRatio()
{
    QFETCH(float, wanted);
    QFETCH(int, controlHeight);
    const LayoutFile::FontSearch found =
        LayoutFile::searchFontSize(wanted, controlHeight, [](double size) { return int(size * 20); });
    QTEST(found.size, "size");
    QTEST(found.zeroHeight, "zeroHeight");
}

QTEST_MAIN(TestLayoutFile)
#include "tst_layout_file.moc"
