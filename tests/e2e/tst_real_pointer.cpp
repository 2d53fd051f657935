// The monitor on a real X server worked by a real pointer and keyboard (Xvfb and xdotool): the set
// point armed, typed and sent with a click on "Enter", as an operator's hands would do it.
#include "E2eProcesses.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// An Xvfb server on a free display of 1366x768 at 96 dpi.
class XServer {
public:
    ~XServer()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    bool start()
    {
        m_process.start(QStringLiteral("Xvfb"),
                        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                         QStringLiteral("0"), QStringLiteral("1366x768x24"), QStringLiteral("-dpi"),
                         QStringLiteral("96"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        while (m_process.state() != QProcess::NotRunning && !m_process.canReadLine())
            m_process.waitForReadyRead(100);
        m_display = QStringLiteral(":") + QString::fromLatin1(m_process.readLine().trimmed());
        return m_display.size() > 1;
    }
    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};

} // namespace

class TestRealPointer : public QObject {
    Q_OBJECT
private slots:
    void enterSendsTheTypedSetPointWhenClicked();

private:
    // xdotool with its arguments on the X server; true when it succeeded.
    bool xdotool(const QStringList &arguments);
    // The centre of a control of the monitor's window, in screen pixels.
    QPoint centreOf(const QString &control, const QString &frame);

    E2e::Monitor m_monitor;
    QString m_display;
};

bool TestRealPointer::xdotool(const QStringList &arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xdotool"), arguments);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

QPoint TestRealPointer::centreOf(const QString &control, const QString &frame)
{
    int x = 0, y = 0;
    for (const QString &name : {QStringLiteral("frmClient"), frame}) {
        const QJsonObject at = m_monitor.dump(name);
        x += at.value(QStringLiteral("left")).toInt();
        y += at.value(QStringLiteral("top")).toInt();
    }
    const QJsonObject c = m_monitor.dump(control);
    x += c.value(QStringLiteral("left")).toInt() + c.value(QStringLiteral("width")).toInt() / 2;
    y += c.value(QStringLiteral("top")).toInt() + c.value(QStringLiteral("height")).toInt() / 2;
    return {x / 15, y / 15}; // twips at 96 dpi
}

void TestRealPointer::enterSendsTheTypedSetPointWhenClicked()
{
    for (const char *tool : {"Xvfb", "xdotool"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(
                QStringLiteral("%1 is not installed (Debian packages xvfb and xdotool)").arg(tool)));
    XServer x;
    QVERIFY2(x.start(), "Xvfb gave no display");
    m_display = x.display();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("requests.jsonl"));
    E2e::Sim sim;
    QVERIFY(sim.start(0, {QStringLiteral("--log"), log}));
    QProcessEnvironment env = E2e::offscreenEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), m_display);
    QVERIFY(m_monitor.start(dir.path(), QStringLiteral("127.0.0.1:%1").arg(sim.port()), env));
    QVERIFY(m_monitor.waitFor(QStringLiteral("cmdWeight"), QStringLiteral("visible"), QStringLiteral("true"),
                              20000));

    const QPoint check = centreOf(QStringLiteral("ChkSetPoint"), QStringLiteral("FraOut"));
    QVERIFY(xdotool(
        {"mousemove", "--sync", QString::number(check.x()), QString::number(check.y()), "click", "1"}));
    QVERIFY(m_monitor.waitFor(QStringLiteral("ChkSetPoint"), QStringLiteral("value"), QStringLiteral("1"),
                              10000));
    const QPoint box = centreOf(QStringLiteral("txtSetPoint"), QStringLiteral("FraOut"));
    QVERIFY(
        xdotool({"mousemove", "--sync", QString::number(box.x()), QString::number(box.y()), "click", "1"}));
    QVERIFY(m_monitor.waitFor(QStringLiteral("txtSetPoint"), QStringLiteral("text"),
                              QStringLiteral("\"Type SP value\""), 10000));
    QVERIFY(xdotool({"key", "ctrl+a", "type", "--delay", "50", "25"}));
    QVERIFY(m_monitor.waitFor(QStringLiteral("txtSetPoint"), QStringLiteral("text"), QStringLiteral("25"),
                              10000));
    const QPoint enter = centreOf(QStringLiteral("cmdSetOutOn(10)"), QStringLiteral("FraOut"));
    QVERIFY(xdotool(
        {"mousemove", "--sync", QString::number(enter.x()), QString::number(enter.y()), "click", "1"}));

    // Enter switches output 10 (bit value 512) on with the set point: its bit is cleared in the word.
    const QDeadlineTimer deadline(20000);
    bool sent = false;
    while (!sent && !deadline.hasExpired()) {
        QTest::qWait(100);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QJsonObject r = QJsonDocument::fromJson(line).object();
            const QString body = r.value(QStringLiteral("body")).toString();
            const int word = body.section(QLatin1Char('&'), 1, 1).section(QLatin1Char('='), 1).toInt();
            sent = sent || (r.value(QStringLiteral("command")) == QStringLiteral("SetOutput") &&
                            body.endsWith(QStringLiteral("&SET_POINT=25")) && (word & 512) == 0);
        }
    }
    QVERIFY2(sent, "the device received SetOutput with output 10 on and SET_POINT=25");
    QCOMPARE(m_monitor.quit(), 0);
}

QTEST_GUILESS_MAIN(TestRealPointer)
#include "tst_real_pointer.moc"
