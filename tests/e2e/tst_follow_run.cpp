// Kurvex following a run in progress: the real monitor runs a fast-sampling run against zelk-devicesim,
// the real viewer follows its auto-save file while it grows and ends showing the finished run's file.
#include "E2eProcesses.h"

#include <QFileInfo>
#include <QTemporaryDir>

using E2e::Monitor;

namespace {

// Kurvex under its driver on `path`; then what the operator reads of the whole run every 200 ms until
// `done` holds for it: the last reading's time, the largest and the smallest value.
QStringList viewRun(Monitor &viewer, const QString &path,
                    const std::function<bool(const QStringList &)> &done)
{
    const QString folder = QFileInfo(path).path(), viewerExe = QStringLiteral(ZELK_VIEWER_EXE);
    if (viewer.process().state() == QProcess::NotRunning &&
        (!viewer.start(folder, "127.0.0.1:9", E2e::offscreenEnvironment(), viewerExe) ||
         viewer.send("dialog " + path) < 0))
        return {};
    QStringList shown;
    for (const QDeadlineTimer up(60000); viewer.property("cmdQuit", "visible") != "true" && !up.hasExpired();)
        QTest::qWait(200);
    for (const QDeadlineTimer deadline(60000); !deadline.hasExpired() && !done(shown); QTest::qWait(200))
        shown = QStringList{viewer.property("txtXmax", "text"), viewer.property("lblYMaxCurr", "caption"),
                            viewer.property("lblYMinCurr", "caption")};
    return shown;
}

} // namespace

class TestFollowRun : public QObject {
    Q_OBJECT
private slots:
    void followedAutoSaveEndsAsTheFinishedRun();
};

void TestFollowRun::followedAutoSaveEndsAsTheFinishedRun()
{
    E2e::Sim device;
    QVERIFY(device.start(0, {"--run-ms", "8000", "--integration", "2"}));
    QTemporaryDir dir;
    Monitor monitor, follower, finished;
    QVERIFY(monitor.start(dir.path(), QStringLiteral("127.0.0.1:%1").arg(device.port())));
    QVERIFY(monitor.waitFor("lblChanNum", "caption", "1", 60000));
    QVERIFY(monitor.run("click cmdStart_Sample"));
    const QString autoSave = dir.filePath("AutoSave.txt");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(autoSave).size() > 0, 60000);
    const auto loaded = [](const QStringList &shown) { return !shown.value(0).isEmpty(); };
    const qint64 firstEdge = viewRun(follower, autoSave, loaded).value(0).toLongLong();
    QCOMPARE(follower.property("chkFollow", "enabled"), QStringLiteral("true"));
    follower.send("check chkFollow 1");
    QVERIFY(monitor.waitFor("cmdStart_Sample", "enabled", "true", 60000)); // the run is over

    const QStringList expected = viewRun(finished, dir.filePath("All_data.txt"), loaded);
    qInfo("followed from reading %lld to %s", firstEdge, qPrintable(expected.value(0)));
    QVERIFY(expected.value(0).toLongLong() > firstEdge); // the run went on while it was followed
    QCOMPARE(viewRun(follower, autoSave, [&](const QStringList &shown) { return shown == expected; }),
             expected);
    QCOMPARE(follower.property("chkFollow", "value"), QStringLiteral("1"));
    QCOMPARE(follower.messages() + monitor.messages(), QStringList());
    QCOMPARE((QList<int>{finished.quit(), follower.quit(), monitor.quit()}), (QList<int>{0, 0, 0}));
}

QTEST_MAIN(TestFollowRun)
#include "tst_follow_run.moc"
