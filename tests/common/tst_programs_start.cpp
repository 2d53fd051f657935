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

QTEST_MAIN(ProgramsStart)
#include "tst_programs_start.moc"
