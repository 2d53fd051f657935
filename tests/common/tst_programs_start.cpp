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
};

void ProgramsStart::programEndsCleanly_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("script");
    QTest::newRow("monitor") << QStringLiteral(ZELK_MONITOR_EXE) << QStringList{} << QByteArray("quit\n");
    QTest::newRow("viewer") << QStringLiteral(ZELK_VIEWER_EXE) << QStringList{} << QByteArray("dialog cancel\nquit\n");
    QTest::newRow("devicesim_help") << QStringLiteral(ZELK_DEVICESIM_EXE) << QStringList{"--help"} << QByteArray();
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

QTEST_MAIN(ProgramsStart)
#include "tst_programs_start.moc"
