// Each program starts and ends cleanly: the executables as built, run offscreen with
// the automation driver closing them.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class ProgramsStart : public QObject {
    Q_OBJECT
private slots:
    void programEndsCleanly_data();
    void programEndsCleanly();
    void monitorPrintsJsonLinesAndExitLast();
    void standardOptionsNeedNoDisplay_data();
    void standardOptionsNeedNoDisplay();
};

void ProgramsStart::programEndsCleanly_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("script");
    QTest::newRow("monitor") << QStringLiteral(ZELK_MONITOR_EXE) << QStringList{} << QByteArray("quit\n");
    QTest::newRow("viewer") << QStringLiteral(ZELK_VIEWER_EXE) << QStringList{}
                            << QByteArray("dialog cancel\nquit\n");
    QTest::newRow("devicesim_help") << QStringLiteral(ZELK_DEVICESIM_EXE) << QStringList{"--help"}
                                    << QByteArray();
}

void ProgramsStart::programEndsCleanly()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, script);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    QProcess p;
    p.setWorkingDirectory(work.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZELK_AUTOMATION", "-");
    env.insert("ZELK_DEFAULT_ADDRESS", "127.0.0.1:9");
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    QVERIFY2(p.waitForStarted(), qPrintable(p.errorString()));
    p.write(script);
    p.closeWriteChannel();
    QVERIFY2(p.waitForFinished(60000), "program did not end");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
}

// dumpall then quit on standard input: every line is one JSON object, the window's own state is among
// them, and the exit line comes last.
void ProgramsStart::monitorPrintsJsonLinesAndExitLast()
{
    QTemporaryDir work;
    QVERIFY(work.isValid());
    QProcess p;
    p.setWorkingDirectory(work.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZELK_AUTOMATION", "-");
    env.insert("ZELK_DEFAULT_ADDRESS", "127.0.0.1:9");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ZELK_MONITOR_EXE), {});
    QVERIFY2(p.waitForStarted(), qPrintable(p.errorString()));
    p.write("dumpall\nquit\n");
    p.closeWriteChannel();
    QVERIFY2(p.waitForFinished(60000), "program did not end");
    QCOMPARE(p.exitCode(), 0);
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines.last(), QByteArray()); // every line ends with its line break
    QJsonObject window;
    for (const QByteArray &line : lines.mid(0, lines.size() - 1)) {
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(line, &error);
        QVERIFY2(json.isObject(), qPrintable(error.errorString() + ": " + line));
        if (json.object().value("name") == QStringLiteral("frmClient"))
            window = json.object();
    }
    QCOMPARE(window.value("event").toString(), QStringLiteral("state"));
    QCOMPARE(window.value("line").toInt(), 1);
    QVERIFY(window.value("visible").toBool());
    QCOMPARE(lines.at(lines.size() - 2), QByteArray(R"({"event":"exit","line":2,"code":0})"));
}

void ProgramsStart::standardOptionsNeedNoDisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("firstLine"); // of standard output, or of standard error for code 2
    const QString monitor = QStringLiteral(ZELK_MONITOR_EXE), viewer = QStringLiteral(ZELK_VIEWER_EXE),
                  sim = QStringLiteral(ZELK_DEVICESIM_EXE);
    QTest::newRow("monitor_help") << monitor << "--help" << 0
                                  << "Usage: ZELK-NET-MONITOR [--help | --version]";
    QTest::newRow("monitor_version") << monitor << "--version" << 0 << "ZELK-NET-MONITOR " ZELK_VERSION;
    QTest::newRow("monitor_unknown")
        << monitor << "--frobnicate" << 2
        << "ZELK-NET-MONITOR: unknown option --frobnicate (--help lists the options)";
    QTest::newRow("viewer_help") << viewer << "--help" << 0 << "Usage: Kurvex [FILE[/MODE/INTERVAL]]";
    QTest::newRow("viewer_version") << viewer << "--version" << 0 << "Kurvex " ZELK_VERSION;
    QTest::newRow("viewer_unknown") << viewer << "--frobnicate" << 2
                                    << "Kurvex: unknown option --frobnicate (--help lists the options)";
    QTest::newRow("devicesim_version") << sim << "--version" << 0 << "zelk-devicesim " ZELK_VERSION;
    QTest::newRow("devicesim_unknown")
        << sim << "--frobnicate" << 2 << "zelk-devicesim: Unknown option 'frobnicate'.";
}

// Answered from the command line alone: no display, no window and no connection to any device.
void ProgramsStart::standardOptionsNeedNoDisplay()
{
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(int, code);
    QFETCH(QString, firstLine);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "ZELK_DEFAULT_ADDRESS"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    p.start(program, {option});
    QVERIFY2(p.waitForFinished(30000), "program did not end");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), code);
    const QByteArray text = code == 0 ? p.readAllStandardOutput() : p.readAllStandardError();
    QCOMPARE(QString::fromLocal8Bit(text).section(QLatin1Char('\n'), 0, 0), firstLine);
}

QTEST_MAIN(ProgramsStart)
#include "tst_programs_start.moc"
