// Kurvex following a run in progress: the real monitor runs a fast-sampling run against zelk-devicesim,
// the real viewer follows its auto-save file while it grows and ends showing the finished run's file.
#include "E2eProcesses.h"

#include <QFileInfo>
#include <QTemporaryDir>

using E2e::Monitor;

namespace {

constexpr int Patience = 60000;

// Waits until `done` holds, checking every 200 ms.
template <typename Done> bool waitUntil(Done done, int ms = Patience)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(200);
    }
    return true;
}

// Kurvex under its driver, its open-file dialog answered with `path`; false when no graph came up.
bool openViewer(Monitor &viewer, const QTemporaryDir &dir, const QString &path)
{
    if (!viewer.start(dir.path(), QStringLiteral("127.0.0.1:9"), E2e::offscreenEnvironment(),
                      QStringLiteral(ZELK_VIEWER_EXE)))
        return false;
    viewer.send(QStringLiteral("dialog ") + path);
    return waitUntil(
        [&] { return viewer.property(QStringLiteral("cmdQuit"), QStringLiteral("visible")) == "true"; });
}

// What the operator reads of the whole run: the last reading's time and the largest and smallest value.
QStringList shownRun(Monitor &viewer)
{
    return {viewer.property(QStringLiteral("txtXmax"), QStringLiteral("text")),
            viewer.property(QStringLiteral("lblYMaxCurr"), QStringLiteral("caption")),
            viewer.property(QStringLiteral("lblYMinCurr"), QStringLiteral("caption"))};
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
    QVERIFY(device.start(0, {QStringLiteral("--run-ms"), QStringLiteral("8000"),
                             QStringLiteral("--integration"), QStringLiteral("2")}));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Monitor monitor;
    QVERIFY(monitor.start(dir.path(), QStringLiteral("127.0.0.1:%1").arg(device.port())));
    QVERIFY(monitor.waitFor(QStringLiteral("lblChanNum"), QStringLiteral("caption"), QStringLiteral("1"),
                            Patience));
    QVERIFY(monitor.run(QStringLiteral("click cmdStart_Sample")));
    const QString autoSave = dir.filePath(QStringLiteral("AutoSave.txt"));
    QVERIFY(waitUntil([&] { return QFileInfo(autoSave).size() > 0; }));

    Monitor follower;
    QVERIFY(openViewer(follower, dir, autoSave));
    QCOMPARE(follower.property(QStringLiteral("chkFollow"), QStringLiteral("enabled")),
             QStringLiteral("true"));
    follower.send(QStringLiteral("check chkFollow 1"));
    const qint64 firstEdge =
        follower.property(QStringLiteral("txtXmax"), QStringLiteral("text")).toLongLong();
    QVERIFY(monitor.waitFor(QStringLiteral("cmdStart_Sample"), QStringLiteral("enabled"),
                            QStringLiteral("true"), Patience));

    Monitor finished;
    QVERIFY(openViewer(finished, dir, dir.filePath(QStringLiteral("All_data.txt"))));
    const QStringList expected = shownRun(finished);
    qInfo("followed from reading %lld to %s", firstEdge, qPrintable(expected[0]));
    QVERIFY(expected[0].toLongLong() > firstEdge); // the run went on while it was followed
    QVERIFY(waitUntil([&] { return shownRun(follower) == expected; }));
    QCOMPARE(follower.property(QStringLiteral("chkFollow"), QStringLiteral("value")), QStringLiteral("1"));
    QCOMPARE(follower.messages(), QStringList());
    QCOMPARE(monitor.messages(), QStringList());
    QCOMPARE(finished.quit(), 0);
    QCOMPARE(follower.quit(), 0);
    QCOMPARE(monitor.quit(), 0);
}

QTEST_MAIN(TestFollowRun)
#include "tst_follow_run.moc"
