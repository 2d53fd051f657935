// The viewer's command line: the monitor's "path/mode/interval" text, hand-typed texts, the
// defaults kept for texts that do not fit, and paths that contain "/".
#include "CommandLine.h"

#include <QTest>

class TestViewerCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parsesEveryListedCase_data();
    void parsesEveryListedCase();
    void argumentsAreJoinedBySingleBlanks();
};

void TestViewerCommandLine::parsesEveryListedCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("existing"); // a file that exists, or empty
    QTest::addColumn<QString>("preset");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("interval");
    QTest::newRow("empty_presets_ALL_Data") << ""
                                            << ""
                                            << "ALL_Data" << 1 << 8;
    QTest::newRow("monitor_line_mode2_16") << "C:\\d\\All_data.txt/2/16"
                                           << ""
                                           << "C:\\d\\All_data.txt" << 2 << 16;
    QTest::newRow("mode1_interval_kept") << "x.txt/1/20"
                                         << ""
                                         << "x.txt" << 1 << 20;
    QTest::newRow("mode_3_defaults") << "x.txt/3/16"
                                     << ""
                                     << "x.txt" << 1 << 8;
    QTest::newRow("interval_1a_defaults") << "x.txt/2/1a"
                                          << ""
                                          << "x.txt" << 1 << 8;
    QTest::newRow("empty_interval_defaults") << "x.txt/2/"
                                             << ""
                                             << "x.txt" << 1 << 8;
    QTest::newRow("no_second_slash") << "x.txt/2"
                                     << ""
                                     << "x.txt" << 1 << 8;
    QTest::newRow("no_slash_whole_text") << "my file.txt"
                                         << ""
                                         << "my file.txt" << 1 << 8;
    QTest::newRow("interval_blanks_trimmed") << "x.txt/2/ 16 "
                                             << ""
                                             << "x.txt" << 2 << 16;
    QTest::newRow("interval_above_integer_defaults") << "x.txt/2/40000"
                                                     << ""
                                                     << "x.txt" << 1 << 8;
    QTest::newRow("unix_path_with_suffix") << "/home/op/runs/All_data.txt/2/16"
                                           << ""
                                           << "/home/op/runs/All_data.txt" << 2 << 16;
    QTest::newRow("unix_path_bad_interval") << "/home/op/runs/All_data.txt/2/x"
                                            << ""
                                            << "/home/op/runs/All_data.txt" << 1 << 8;
    QTest::newRow("unix_path_existing_file") << "/home/op/run 1/All_data.txt"
                                             << "/home/op/run 1/All_data.txt"
                                             << "/home/op/run 1/All_data.txt" << 1 << 8;
    QTest::newRow("unix_path_missing_file_first_slash") << "/home/op/All_data.txt"
                                                        << ""
                                                        << "" << 1 << 8;
}

void TestViewerCommandLine::parsesEveryListedCase()
{
    QFETCH(QString, text);
    QFETCH(QString, existing);
    const ViewerCommandLine cl = parseCommandLine(
        text, [&existing](const QString &p) { return !existing.isEmpty() && p == existing; });
    QTEST(cl.presetFile, "preset");
    QTEST(int(cl.xAxisMode), "mode");
    QTEST(int(cl.readingIntervalMs), "interval");
}

void TestViewerCommandLine::argumentsAreJoinedBySingleBlanks()
{
    QCOMPARE(joinArguments({"C:\\my", "runs\\All_data.txt/2/16"}), QString("C:\\my runs\\All_data.txt/2/16"));
    QCOMPARE(parseCommandLine(joinArguments({"/tmp/my", "run.txt/1/5"})).presetFile,
             QString("/tmp/my run.txt"));
    QCOMPARE(joinArguments({}), QString());
}

QTEST_MAIN(TestViewerCommandLine)
#include "tst_viewer_commandline.moc"
