// What an operator's pointer and eyes reach on three screens: both programs as built, driven through
// the states an operator meets, where every control must take a click and show its whole caption.
#include "E2eProcesses.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QTemporaryDir>
#include <memory>

namespace {

// A script made of steps, each ending in a `reach` whose problems are reported under the step's name.
class ReachScript {
public:
    void step(const QString &state, const QStringList &commands)
    {
        m_text += commands;
        m_text << QStringLiteral("reach");
        m_states.insert(m_text.size(), state);
    }
    void then(const QStringList &commands) { m_text += commands; }
    QByteArray text() const { return (m_text.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(); }
    QString state(int line) const { return m_states.value(line, QStringLiteral("line %1").arg(line)); }
    QList<int> reachLines() const { return m_states.keys(); }

private:
    QStringList m_text;
    QHash<int, QString> m_states;
};

ReachScript monitorScript()
{
    ReachScript s;
    s.step("start-up", {"wait 800"});
    s.step("polling", {"click cmdWeight", "wait 1500"});
    s.step("set point armed", {"check ChkSetPoint 1", "type txtSetPoint 25", "wait 500"});
    s.then({"check ChkSetPoint 0", "wait 500"});
    s.step("XML view shown", {"click cmdShowXMLData", "wait 300"});
    s.then({"click cmdQuitXML"});
    s.step("channel 2", {"click cmdChanSwitch", "waitfor lblChanNum caption 2 10000", "wait 500"});
    s.then({"click cmdChanSwitch", "waitfor lblChanNum caption 1 10000", "click cmdStopSample",
            "waitfor cmdWeight enabled true 10000"});
    s.step("run in progress", {"click cmdStart_Sample", "wait 700"});
    s.step("run finished", {"waitfor cmdStart_Sample enabled true 30000"});
    s.then({"quit"});
    return s;
}

ReachScript viewerScript(const QString &historyFile)
{
    ReachScript s;
    s.step("loaded", {"dialog " + historyFile, "waitfor cmdQuit visible true 10000", "wait 300"});
    s.step("cursor placed", {"dblclick pctGraphH 60 6"});
    s.step("zoomed", {"drag lblTaget 62 44 300 120", "click cmdUpdateGraph", "wait 300"});
    s.step("measuring cursors on", {"check chkCursors 1", "wait 300"});
    s.step("readings list open", {"click cmdReadFile", "wait 1000"});
    s.then({"quit"});
    return s;
}

} // namespace

class TestOperatorReach : public QObject {
    Q_OBJECT
private slots:
    void everyControlTakesItsClickAndShowsItsCaption_data();
    void everyControlTakesItsClickAndShowsItsCaption();

private:
    // Runs a program under its driver; every complaint, each named after the state it came in.
    QStringList complaints(const QString &program, const ReachScript &script, const QProcessEnvironment &env);
    std::unique_ptr<QTemporaryDir> m_dir; // each screen's own
};

void TestOperatorReach::everyControlTakesItsClickAndShowsItsCaption_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QString>("scale");
    QTest::newRow("1366x768") << QSize(1366, 768) << QString();
    QTest::newRow("1920x1080") << QSize(1920, 1080) << QString();
    QTest::newRow("2560x1440_scale_2") << QSize(2560, 1440) << QStringLiteral("2");
}

void TestOperatorReach::everyControlTakesItsClickAndShowsItsCaption()
{
    QFETCH(QSize, screen);
    QFETCH(QString, scale);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString config = m_dir->filePath(QStringLiteral("screen.json"));
    QFile json(config);
    QVERIFY(json.open(QIODevice::WriteOnly));
    json.write(QStringLiteral(R"({"screens":[{"name":"s","x":0,"y":0,"width":%1,"height":%2,)"
                              R"("logicalDpi":96,"logicalBaseDpi":96}]})")
                   .arg(screen.width())
                   .arg(screen.height())
                   .toUtf8());
    json.close();
    QProcessEnvironment env = E2e::offscreenEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
    env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    if (!scale.isEmpty())
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);

    E2e::Sim sim;
    QVERIFY(sim.start(0, {}));
    env.insert(QStringLiteral("ZELK_DEFAULT_ADDRESS"), QStringLiteral("127.0.0.1:%1").arg(sim.port()));
    QStringList found = complaints(QStringLiteral(ZELK_MONITOR_EXE), monitorScript(), env);
    const QString history = QDir(m_dir->path()).filePath(QStringLiteral("All_data.txt"));
    QVERIFY2(QFile::exists(history), "the run wrote its history file");
    found += complaints(QStringLiteral(ZELK_VIEWER_EXE), viewerScript(history), env);
    for (const QString &complaint : std::as_const(found))
        qWarning().noquote() << complaint;
    QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("%1 complaints, listed above").arg(found.size())));
}

QStringList TestOperatorReach::complaints(const QString &program, const ReachScript &script,
                                          const QProcessEnvironment &env)
{
    const QString name = QFileInfo(program).fileName();
    const QString scriptPath = m_dir->filePath(name + QStringLiteral(".txt"));
    QFile file(scriptPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(script.text()) < 0)
        return {QStringLiteral("cannot write ") + scriptPath};
    file.close();
    QProcess process;
    QProcessEnvironment withScript = env;
    withScript.insert(QStringLiteral("ZELK_AUTOMATION"), scriptPath);
    process.setProcessEnvironment(withScript);
    process.setWorkingDirectory(m_dir->path());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, QStringList());
    if (!process.waitForFinished(180000))
        return {name + QStringLiteral(" did not end")};
    QStringList found;
    QList<int> unreached = script.reachLines();
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QJsonObject e = QJsonDocument::fromJson(line).object();
        const QString event = e.value(QStringLiteral("event")).toString();
        const QString where =
            name + QStringLiteral(", ") + script.state(e.value(QStringLiteral("line")).toInt());
        if (event == QLatin1String("reach")) {
            unreached.removeAll(e.value(QStringLiteral("line")).toInt());
            for (const QJsonValue problem : e.value(QStringLiteral("problems")).toArray())
                found << where + QStringLiteral(": ") + problem.toString();
        } else if (event == QLatin1String("error") || event == QLatin1String("timeout") ||
                   event == QLatin1String("msgbox"))
            found << where + QStringLiteral(": ") + QString::fromUtf8(line);
    }
    for (const int line : std::as_const(unreached))
        found << name + QStringLiteral(", ") + script.state(line) + QStringLiteral(": never reached");
    return found;
}

QTEST_GUILESS_MAIN(TestOperatorReach)
#include "tst_operator_reach.moc"
