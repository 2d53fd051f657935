// The automation driver in-process: a small window of every control kind driven by scripts, with
// the exact JSON lines each command prints, plus the window-model helpers the lines report.
#include "AutomationDriver.h"
#include "AutomationDriver_p.h"
#include "Controls.h"
#include "Seams.h"

#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <cstdlib>
#include <memory>

using namespace Zelk;

namespace {

// Logs the mouse as the label text of its window: press, release, double-click and moves.
class MouseArea : public QWidget {
public:
    MouseArea(QWidget *parent, QLabel *log) : QWidget(parent), m_log(log) {}

protected:
    void mousePressEvent(QMouseEvent *e) override { add(QStringLiteral("press:%1@").arg(e->button()), e); }
    void mouseDoubleClickEvent(QMouseEvent *e) override { add(QStringLiteral("dbl@"), e); }
    void mouseMoveEvent(QMouseEvent *) override { ++m_moves; }
    void wheelEvent(QWheelEvent *e) override
    {
        m_log->setText(m_log->text() + QStringLiteral("wheel:%1@%2,%3;")
                                           .arg(e->angleDelta().y())
                                           .arg(e->position().x())
                                           .arg(e->position().y()));
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        add(m_moves ? QStringLiteral("moves:%1,release@").arg(std::exchange(m_moves, 0))
                    : QStringLiteral("release@"),
            e);
    }

private:
    void add(const QString &what, QMouseEvent *e)
    {
        m_log->setText(m_log->text() + what +
                       QStringLiteral("%1,%2;").arg(e->position().x()).arg(e->position().y()));
    }
    QLabel *m_log;
    int m_moves = 0;
};

// A window with a control of every kind the driver handles; every handler writes to lblLog.
class TestWindow : public QWidget {
public:
    TestWindow()
    {
        setObjectName(QStringLiteral("frmTest"));
        setWindowTitle(QStringLiteral("Test window"));
        QFont font = this->font();
        font.setPointSize(10);
        setFont(font);
        resize(520, 300);
        log = place(new QLabel(this), "lblLog", {300, 10, 200, 20});
        onClick(button("cmdGo", "Go", 10), [this] { append("go;"); });
        onClick(button("cmdOff", "Off", 40), [this] { append("off;"); })->setEnabled(false);
        onClick(button("cmdHidden", "Hidden", 70), [this] { append("hidden;"); })->hide();
        onClick(button("cmdSlow", "Slow", 10, 100), [this] { slowHandler(); });
        onClick(button("cmdLater", "Later", 40, 100),
                [this] { QTimer::singleShot(30, this, [this] { append("go later;"); }); });
        onClick(button("cmdAsk", "Ask", 70, 100), [this] {
            const MsgAnswer answer = MsgBox(QStringLiteral("Go on?\n\"quoted\" <b>"), MsgButtons::YesNo);
            append(answer == MsgAnswer::Yes ? "yes;" : "no;");
        });
        onClick(button("cmdOpen", "Open", 10, 190), [this] {
            const auto file = fileDialog().getOpenFileName(
                this, {QStringLiteral("Open history"), QStringLiteral("All_data.txt"),
                       QStringLiteral("*.txt|*.txt|All files (*.*)|*.*")});
            append(file ? QStringLiteral("open:") + *file + QLatin1Char(';') : QStringLiteral("cancelled;"));
        });
        onClick(button("cmdLaunch", "Launch", 40, 190), [this] {
            append(processStarter().startDetached(launchProgram, launchArguments) ? "launched;"
                                                                                  : "not launched;");
        });
        onClick(button("cmdPrint", "Print", 70, 190), [this] {
            QString error;
            append(printer().printImage(grab().toImage(), &error) == PrintResult::Printed ? "printed;"
                                                                                          : "not printed;");
        });
        auto *name = place(new QLineEdit(this), "txtName", {10, 130, 150, 25});
        connect(name, &QLineEdit::textEdited, this,
                [this](const QString &t) { append("edited:" + t + ";"); });
        connect(name, &QLineEdit::returnPressed, this, [this] { append("return;"); });
        place(new QPlainTextEdit(this), "txtNotes", {10, 230, 150, 50});
        auto *tri = place(new QCheckBox(QStringLiteral("Tri"), this), "chkTri", {170, 130, 100, 25});
        tri->setTristate(true);
        connect(tri, &QCheckBox::stateChanged, this,
                [this](int s) { append(QStringLiteral("state:%1;").arg(s)); });
        for (int i = 1; i <= 2; ++i) {
            auto *option = place(new QRadioButton(QStringLiteral("Mode %1").arg(i), this),
                                 QStringLiteral("OptMode(%1)").arg(i), {170, 130 + 25 * i, 100, 25});
            connect(option, &QRadioButton::clicked, this,
                    [this, i] { append(QStringLiteral("opt%1;").arg(i)); });
        }
        auto *list = place(new QListWidget(this), "LstItems", {300, 40, 150, 100});
        list->addItems({QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")});
        connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem *item) {
            append(QStringLiteral("row:%1;").arg(list->row(item)));
        });
        auto *lamp = place(new Shape(this, Shape::Circle), "ShpLamp(1)", {460, 40, 30, 30});
        lamp->setFillColor(Ole::Red);
        auto *colour = place(new QLabel(QStringLiteral("Colours"), this), "lblColour", {300, 150, 120, 20});
        setBackColor(colour, Ole::Green);
        setForeColor(colour, Ole::ButtonText);
        QFont small = colour->font();
        small.setPointSizeF(8.25);
        colour->setFont(small);
        colour->setToolTip(QStringLiteral("Lamp colours"));
        place(new MouseArea(this, log), "pctArea", {300, 200, 40, 30});
        // A button whose centre a frame covers, and a label too narrow for its caption.
        onClick(button("cmdCovered", "Covered", 100, 190), [this] { append("covered;"); });
        place(new QFrame(this), "ShaCover", {200, 100, 60, 25});
        place(new QLabel(QStringLiteral("Much too long a caption"), this), "lblCut", {300, 175, 30, 20});
    }

    void append(const QString &text) { log->setText(log->text() + text); }

    QLabel *log = nullptr;
    QString launchProgram;
    QStringList launchArguments;

private:
    template <typename W> W *place(W *w, const QString &name, const QRect &geometry)
    {
        w->setObjectName(name);
        w->setGeometry(geometry);
        return w;
    }
    QPushButton *button(const char *name, const char *caption, int top, int left = 10)
    {
        return place(new QPushButton(QString::fromLatin1(caption), this), QString::fromLatin1(name),
                     {left, top, 80, 25});
    }
    template <typename F> QPushButton *onClick(QPushButton *b, F handler)
    {
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    }
    // Like the programs' message-pumping waits: events (timers, the driver's) run meanwhile.
    void slowHandler()
    {
        append("slow-start;");
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 50) // long enough for several zero timers to come due
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        append("slow;");
    }
};

QString logState(int line, const QString &caption)
{
    return QStringLiteral(
               R"J({"event":"state","line":%1,"window":"frmTest","name":"lblLog","caption":"%2",)J"
               R"J("enabled":true,"visible":true,"backcolor":"0x8000000F","forecolor":"0x80000012",)J"
               R"J("fontsize":10,"left":4500,"top":150,"width":3000,"height":300})J")
        .arg(line)
        .arg(caption);
}

QString errorLine(int line, const QString &message)
{
    return QStringLiteral(R"J({"event":"error","line":%1,"message":"%2"})J").arg(line).arg(message);
}

QString exitLine(int line)
{
    return QStringLiteral(R"J({"event":"exit","line":%1,"code":0})J").arg(line);
}

} // namespace

class DriverTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void commandsPrintTheirLines_data();
    void commandsPrintTheirLines();
    void endOfScriptClosesTheWindowsLikeQuit();
    void quitClosesWindowsAndStopsTheScript();
    void grabSavesAPngOfTheWindow();
    void launchStartsTheProgramWithTheViewerScript_data();
    void launchStartsTheProgramWithTheViewerScript();
    void printIsReportedOnlyWhenItReachedThePrinter();
    void seamsAreInstalledOnlyWhileTheDriverLives();
    void heldMessageBoxLetsTimersRunWhileTheScriptWaits();
    void fileDialogWaitsForItsLineWhileTheWindowRuns();
    void exitLineCarriesTheCodeTheProgramEndsWith();
    void reachListsWhatAnOperatorCannotClickOrRead();
    void oleColoursMapToRgbAndSystemRoles_data();
    void oleColoursMapToRgbAndSystemRoles();
    void twipsFollowTheLogicalDpi();
    void buttonAndLampPaintTheirColours();

private:
    void run(const QByteArray &script, QStringList *lines);
    std::unique_ptr<TestWindow> m_window;
    int m_holdMs = 0; // message boxes of the next run are held open this long
};

void DriverTest::initTestCase()
{
    if (twipsPerPixel() != 15.0)
        QSKIP("the expected lines are written for 96 dpi (15 twips per pixel)");
}

void DriverTest::init()
{
    m_window = std::make_unique<TestWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void DriverTest::cleanup()
{
    m_window.reset();
}

// Runs `script` through an in-process driver until it quits or ends; `lines` gets every output line.
void DriverTest::run(const QByteArray &script, QStringList *lines)
{
    QBuffer in;
    in.setData(script);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QBuffer out;
    QVERIFY(out.open(QIODevice::WriteOnly));
    {
        AutomationDriver driver(&in, &out);
        driver.setQuitsApplication(false);
        driver.setMsgBoxHoldMs(std::exchange(m_holdMs, 0));
        driver.start();
        QTRY_VERIFY_WITH_TIMEOUT(driver.isFinished(), 20000);
        driver.finish(0);
    }
    *lines = QString::fromUtf8(out.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void DriverTest::commandsPrintTheirLines_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("lastLine");

    QTest::newRow("click_fires_handler")
        << QByteArray("click cmdGo\ndump lblLog\n") << QStringList{logState(2, "go;")} << 2;
    QTest::newRow("window_prefixed_name")
        << QByteArray("click frmTest.cmdGo\ndump frmTest.lblLog\n") << QStringList{logState(2, "go;")} << 2;
    QTest::newRow("click_disabled_is_refused")
        << QByteArray("click cmdOff\ndump lblLog\n")
        << QStringList{errorLine(1, "cmdOff is disabled"), logState(2, "")} << 2;
    QTest::newRow("click_hidden_is_refused")
        << QByteArray("click cmdHidden\ndump lblLog\n")
        << QStringList{errorLine(1, "cmdHidden is hidden"), logState(2, "")} << 2;
    QTest::newRow("unknown_control_and_command")
        << QByteArray("click cmdNone\nfrobnicate x\n")
        << QStringList{errorLine(1, "no control named cmdNone"), errorLine(2, "unknown command: frobnicate")}
        << 2;
    QTest::newRow("comments_and_blank_lines_count")
        << QByteArray("# a comment\n\n   \nclick cmdNone\r\n")
        << QStringList{errorLine(4, "no control named cmdNone")} << 4;
    QTest::newRow("next_command_waits_for_handler")
        << QByteArray("click cmdSlow\ndump lblLog\n") << QStringList{logState(2, "slow-start;slow;")} << 2;
    QTest::newRow("type_fires_edit_with_blanks") << QByteArray("type txtName hello  world \ndump lblLog\n")
                                                 << QStringList{logState(2, "edited:hello  world ;")} << 2;
    QTest::newRow("type_without_text_clears") << QByteArray("type txtName abc\ntype txtName\ndump lblLog\n")
                                              << QStringList{logState(3, "edited:abc;edited:;")} << 3;
    QTest::newRow("type_plain_text_box")
        << QByteArray("type txtNotes two words\ndump txtNotes\n")
        << QStringList{QStringLiteral(
               R"J({"event":"state","line":2,"window":"frmTest","name":"txtNotes","enabled":true,"visible":true,)J"
               R"J("backcolor":"0x8000000F","forecolor":"0x80000012","fontsize":10,"text":"two words",)J"
               R"J("left":150,"top":3450,"width":2250,"height":750})J")}
        << 2;
    QTest::newRow("type_into_a_label_is_refused")
        << QByteArray("type lblColour x\n")
        << QStringList{errorLine(1, "lblColour is not a text box that takes typing")} << 1;
    QTest::newRow("key_character_and_enter") << QByteArray("key txtName 65\nkey txtName 13\ndump lblLog\n")
                                             << QStringList{logState(3, "edited:A;return;")} << 3;
    QTest::newRow("check_tristate_values")
        << QByteArray("check chkTri 2\ncheck chkTri 1\ndump chkTri\ncheck chkTri 3\n")
        << QStringList{QStringLiteral(
                           R"J({"event":"state","line":3,"window":"frmTest","name":"chkTri","caption":"Tri",)J"
                           R"J("enabled":true,"visible":true,"backcolor":"0x8000000F","forecolor":"0x80000012",)J"
                           R"J("fontsize":10,"value":1,"left":2550,"top":1950,"width":1500,"height":375})J"),
                       errorLine(4, "usage: check chkTri 0|1|2")}
        << 4;
    QTest::newRow("check_value_1_ticks_and_2_greys")
        << QByteArray("check chkTri 1\ndump lblLog\ncheck chkTri 2\ndump lblLog\n")
        << QStringList{logState(2, "state:2;"), logState(4, "state:2;state:1;")} << 4;
    QTest::newRow("check_option_fires_click")
        << QByteArray("check OptMode(2) 1\ndump OptMode(2)\ndump lblLog\n")
        << QStringList{QStringLiteral(
                           R"J({"event":"state","line":2,"window":"frmTest","name":"OptMode(2)","caption":"Mode 2",)J"
                           R"J("enabled":true,"visible":true,"backcolor":"0x8000000F","forecolor":"0x80000012",)J"
                           R"J("fontsize":10,"value":true,"left":2550,"top":2700,"width":1500,"height":375})J"),
                       logState(3, "opt2;")}
        << 3;
    QTest::newRow("select_row_clicks_it")
        << QByteArray("select LstItems 1\ndump LstItems\ndump lblLog\nselect LstItems 3\n")
        << QStringList{QStringLiteral(
                           R"J({"event":"state","line":2,"window":"frmTest","name":"LstItems","enabled":true,)J"
                           R"J("visible":true,"backcolor":"0x8000000F","forecolor":"0x80000012","fontsize":10,)J"
                           R"J("items":["alpha","beta","gamma"],"selected":1,"left":4500,"top":600,"width":2250,)J"
                           R"J("height":1500})J"),
                       logState(3, "row:1;"), errorLine(4, "row 3 of LstItems is out of range (3 rows)")}
        << 4;
    QTest::newRow("dblclick_at_point")
        << QByteArray("dblclick pctArea 5 6\ndump lblLog\n")
        << QStringList{logState(2, "press:1@5,6;release@5,6;dbl@5,6;release@5,6;")} << 2;
    QTest::newRow("rclick_at_centre") << QByteArray("rclick pctArea\ndump lblLog\n")
                                      << QStringList{logState(2, "press:2@19,14;release@19,14;")} << 2;
    QTest::newRow("drag_moves_between")
        << QByteArray("drag pctArea 1 2 33 26\ndump lblLog\n")
        << QStringList{logState(2, "press:1@1,2;moves:8,release@33,26;")} << 2;
    QTest::newRow("wheel_notches_at_point_and_centre")
        << QByteArray("wheel pctArea -2 5 6\nwheel pctArea 1\ndump lblLog\nwheel pctArea\n")
        << QStringList{logState(3, "wheel:-240@5,6;wheel:120@19,14;"),
                       errorLine(4, "usage: wheel pctArea STEPS [X Y]")}
        << 4;
    QTest::newRow("covered_control_is_not_clicked")
        << QByteArray("click cmdCovered\ndblclick cmdCovered 40 5\ndrag cmdCovered 40 5 1 1\ndump lblLog\n")
        << QStringList{errorLine(1, "cmdCovered is covered by ShaCover"),
                       errorLine(2, "cmdCovered is covered by ShaCover"),
                       errorLine(3, "cmdCovered is covered by ShaCover"), logState(4, "")}
        << 4;
    QTest::newRow("uncovered_edge_of_a_covered_control_is_clicked")
        << QByteArray("dblclick cmdCovered 5 5\ndump lblLog\n")
        << QStringList{logState(2, "covered;covered;")} << 2;
    QTest::newRow("drag_needs_four_numbers")
        << QByteArray("drag pctArea 1 2 x 4\n")
        << QStringList{errorLine(1, "usage: drag pctArea X1 Y1 X2 Y2")} << 1;
    QTest::newRow("dump_shape")
        << QByteArray("dump ShpLamp(1)\n")
        << QStringList{QStringLiteral(
               R"J({"event":"state","line":1,"window":"frmTest","name":"ShpLamp(1)",)J"
               R"J("enabled":true,"visible":true,"backcolor":"0x8000000F",)J"
               R"J("forecolor":"0x80000012","fontsize":10,"shape":3,"fillcolor":"0x0000FF",)J"
               R"J("left":6900,"top":600,"width":450,"height":450})J")}
        << 1;
    QTest::newRow("dump_colours_font_tooltip")
        << QByteArray("dump lblColour\n")
        << QStringList{QStringLiteral(
               R"J({"event":"state","line":1,"window":"frmTest","name":"lblColour","caption":"Colours",)J"
               R"J("enabled":true,"visible":true,"backcolor":"0x00FF00","forecolor":"0x80000012","fontsize":8.25,)J"
               R"J("tooltip":"Lamp colours","left":4500,"top":2250,"width":1800,"height":300})J")}
        << 1;
    QTest::newRow("waitfor_quoted_value_with_blank")
        << QByteArray("click cmdLater\nwaitfor lblLog caption \"go later;\" 20000\ndump lblLog\n")
        << QStringList{logState(3, "go later;")} << 3;
    QTest::newRow("waitfor_boolean_at_once")
        << QByteArray("waitfor cmdOff enabled false 20000\n") << QStringList{} << 1;
    QTest::newRow("waitfor_times_out")
        << QByteArray("waitfor lblLog caption never 30\ndump lblLog\n")
        << QStringList{QStringLiteral(R"J({"event":"timeout","line":1})J"), logState(2, "")} << 2;
    QTest::newRow("msgbox_is_printed_and_answered")
        << QByteArray("click cmdAsk\ndump lblLog\n")
        << QStringList{QStringLiteral(
                           R"J({"event":"msgbox","line":1,"text":"Go on?\n\"quoted\" <b>","buttons":"yesno"})J"),
                       logState(2, "yes;")}
        << 2;
    const QString dialogFields =
        QStringLiteral(R"J({"event":"dialog","line":%1,"title":"Open history","file":"All_data.txt",)J"
                       R"J("filter":"*.txt|*.txt|All files (*.*)|*.*","answer":"%2"})J");
    QTest::newRow("dialog_reads_ahead_once")
        << QByteArray("click cmdOpen\ndump lblLog\ndialog /tmp/x y.txt\nclick cmdOpen\ndump lblLog\n")
        << QStringList{dialogFields.arg(1).arg("/tmp/x y.txt"), logState(2, "open:/tmp/x y.txt;"),
                       dialogFields.arg(4).arg("cancel"), logState(5, "open:/tmp/x y.txt;cancelled;")}
        << 5;
    QTest::newRow("dialog_answer_given_before") << QByteArray("dialog cancel\nclick cmdOpen\ndialog /a.txt\n")
                                                << QStringList{dialogFields.arg(2).arg("cancel")} << 3;
}

void DriverTest::commandsPrintTheirLines()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, expected);
    QFETCH(int, lastLine);
    QStringList lines;
    run(script, &lines);
    QCOMPARE(lines, expected << exitLine(lastLine));
}

void DriverTest::endOfScriptClosesTheWindowsLikeQuit()
{
    QStringList lines;
    run("click cmdGo\n", &lines);
    QCOMPARE(lines, QStringList{exitLine(1)});
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->log->text(), QStringLiteral("go;"));
}

void DriverTest::heldMessageBoxLetsTimersRunWhileTheScriptWaits()
{
    // cmdLater's timer (30 ms) comes due while the box is open; the dump waits until it is answered.
    m_holdMs = 400;
    QStringList lines;
    run("click cmdLater\nclick cmdAsk\ndump lblLog\n", &lines);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(0).startsWith(QStringLiteral(R"J({"event":"msgbox","line":2,)J")),
             qPrintable(lines.at(0)));
    QCOMPARE(lines.at(1), logState(3, "go later;yes;"));
}

void DriverTest::reachListsWhatAnOperatorCannotClickOrRead()
{
    QStringList lines;
    run("reach frmTest\n", &lines);
    const QJsonObject reach = QJsonDocument::fromJson(lines.value(0).toUtf8()).object();
    QCOMPARE(reach.value("event").toString(), QStringLiteral("reach"));
    QCOMPARE(reach.value("window").toString(), QStringLiteral("frmTest"));
    const QJsonArray problems = reach.value("problems").toArray();
    QCOMPARE(problems.size(), 2);
    QCOMPARE(problems.at(0).toString(), QStringLiteral("cmdCovered is covered by ShaCover"));
    QVERIFY2(problems.at(1).toString().startsWith(
                 QStringLiteral("lblCut cuts its caption \"Much too long a caption\": it needs ")),
             qPrintable(problems.at(1).toString()));
}

void DriverTest::quitClosesWindowsAndStopsTheScript()
{
    QStringList lines;
    run("quit\nclick cmdGo\n", &lines);
    QCOMPARE(lines, QStringList{exitLine(1)});
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->log->text(), QString());
}

void DriverTest::grabSavesAPngOfTheWindow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("window.png"));
    QStringList lines;
    run(QStringLiteral("grab %1\ngrab %2\n").arg(file, dir.filePath("missing/dir/x.png")).toUtf8(), &lines);
    QCOMPARE(lines,
             (QStringList{errorLine(2, "cannot write " + dir.filePath("missing/dir/x.png")), exitLine(2)}));
    const QImage image(file, "PNG");
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), m_window->size() * m_window->devicePixelRatio());
}

void DriverTest::launchStartsTheProgramWithTheViewerScript_data()
{
    QTest::addColumn<QByteArray>("viewerScript");
    QTest::addColumn<QByteArray>("childSees");
    QTest::newRow("automation_removed") << QByteArray() << QByteArray("unset");
    QTest::newRow("viewer_script_passed_on") << QByteArray("viewer.txt") << QByteArray("viewer.txt");
}

void DriverTest::launchStartsTheProgramWithTheViewerScript()
{
    QFETCH(QByteArray, viewerScript);
    QFETCH(QByteArray, childSees);
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sh"));
    if (shell.isEmpty())
        QSKIP("no sh to start");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString seen = dir.filePath(QStringLiteral("seen"));
    m_window->launchProgram = shell;
    m_window->launchArguments = {QStringLiteral("-c"),
                                 QStringLiteral("printf %s \"${ZELK_AUTOMATION-unset}\" > ") + seen +
                                     ".tmp && mv " + seen + ".tmp " + seen};
    qputenv("ZELK_AUTOMATION", "monitor.txt");
    if (viewerScript.isEmpty())
        qunsetenv("ZELK_AUTOMATION_VIEWER");
    else
        qputenv("ZELK_AUTOMATION_VIEWER", viewerScript);
    QStringList lines;
    run("click cmdLaunch\ndump lblLog\n", &lines);
    qunsetenv("ZELK_AUTOMATION");
    qunsetenv("ZELK_AUTOMATION_VIEWER");
    QCOMPARE(lines.size(), 3);
    const QJsonObject launch = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    QCOMPARE(lines[0].left(30), QStringLiteral(R"J({"event":"launch","line":1,"pr)J"));
    QCOMPARE(launch.value("program").toString(), shell);
    QCOMPARE(launch.value("args").toString(), m_window->launchArguments.join(' '));
    QCOMPARE(launch.size(), 4);
    QCOMPARE(lines[1], logState(2, "launched;"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(seen), 20000);
    QFile file(seen);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), childSees);
}

void DriverTest::printIsReportedOnlyWhenItReachedThePrinter()
{
    RecordingPrinter recording;
    std::optional<SeamOverride<PrinterSeam *>> inPlace(std::in_place, &recording);
    qputenv("ZELK_PRINT_TO", "graph.pdf"); // only named: the recording printer writes nothing
    QStringList lines;
    run("click cmdPrint\n", &lines);
    recording.available = false;
    QStringList refused;
    m_window->show();
    run("click cmdPrint\n", &refused);
    qunsetenv("ZELK_PRINT_TO");
    inPlace.reset();
    QCOMPARE(lines, (QStringList{QStringLiteral(R"J({"event":"print","line":1,"target":"graph.pdf"})J"),
                                 exitLine(1)}));
    QCOMPARE(refused.join("\n"), exitLine(1));
    QCOMPARE(recording.pages.size(), 1);
    QCOMPARE(recording.pages[0].size(), m_window->size() * m_window->devicePixelRatio());
    QCOMPARE(m_window->log->text(), QStringLiteral("printed;not printed;"));
    QVERIFY(!QFile::exists(QStringLiteral("graph.pdf")));
}

void DriverTest::seamsAreInstalledOnlyWhileTheDriverLives()
{
    QVERIFY(!automationActive());
    RecordingFileDialog recording;
    const SeamOverride<FileDialogSeam *> inPlace(&recording);
    QBuffer in, out;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    {
        AutomationDriver driver(&in, &out);
        driver.setQuitsApplication(false);
        driver.setMsgBoxHoldMs(std::exchange(m_holdMs, 0));
        driver.start();
        QVERIFY(automationActive());
        QVERIFY(&fileDialog() != &recording);
        QCOMPARE(MsgBox(QStringLiteral("inside")), MsgAnswer::Ok);
        QTRY_VERIFY(driver.isFinished());
    }
    QVERIFY(!automationActive());
    QCOMPARE(out.data(),
             QByteArray("{\"event\":\"msgbox\",\"line\":0,\"text\":\"inside\",\"buttons\":\"ok\"}\n"));
    MsgBoxRecorder recorder; // the driver's handler is gone: the recorder, not the driver, sees this one
    MsgBox(QStringLiteral("after"));
    QCOMPARE(recorder.texts, QStringList{QStringLiteral("after")});
}

// A file dialog opens before the script has sent its `dialog` line (standard input arriving slowly):
// the window's timers go on, and the line that comes later answers the dialog.
void DriverTest::fileDialogWaitsForItsLineWhileTheWindowRuns()
{
    auto source = std::make_shared<ScriptSource>();
    source->append(QStringLiteral("click cmdOpen"));
    source->append(QStringLiteral("dump lblLog"));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    int ticks = 0;
    QTimer sender; // the other end of standard input, run by the window's own event loop
    connect(&sender, &QTimer::timeout, this, [&] {
        if (++ticks == 3) {
            source->append(QStringLiteral("dialog /data/late.txt"));
            source->close();
        }
    });
    sender.start(10);
    {
        AutomationDriver driver(source, &out);
        driver.setQuitsApplication(false);
        driver.start();
        QTRY_VERIFY_WITH_TIMEOUT(driver.isFinished(), 20000);
        driver.finish(0);
    }
    QVERIFY2(out.data().endsWith((logState(2, "open:/data/late.txt;") + '\n' + exitLine(2) + '\n').toUtf8()),
             out.data().constData());
}

// A program under the driver that ends through exit(), not by returning from main, says its code.
void DriverTest::exitLineCarriesTheCodeTheProgramEndsWith()
{
    if (qEnvironmentVariableIsSet("ZELK_TEST_EXIT")) { // this process is the program
        installAutomationFromEnvironment();
        std::exit(3);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZELK_AUTOMATION"), QStringLiteral("/dev/null")); // an empty script
    env.insert(QStringLiteral("ZELK_TEST_EXIT"), QStringLiteral("1"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0")); // exit() skips the clean-up
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QCoreApplication::applicationFilePath(),
                  {QString::fromLatin1(QTest::currentTestFunction())});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 3);
    const QByteArray output = program.readAllStandardOutput(); // with the test's own lines
    QVERIFY2(output.contains("\n{\"event\":\"exit\",\"line\":0,\"code\":3}\n"), output.constData());
}

void DriverTest::oleColoursMapToRgbAndSystemRoles_data()
{
    QTest::addColumn<uint>("ole");
    QTest::addColumn<QColor>("colour");
    const QPalette palette = QGuiApplication::palette();
    QTest::newRow("red_in_low_byte") << uint(Ole::Red) << QColor(255, 0, 0);
    QTest::newRow("blue_in_high_byte") << uint(Ole::Blue) << QColor(0, 0, 255);
    QTest::newRow("mixed") << uint(0x123456) << QColor(0x56, 0x34, 0x12);
    QTest::newRow("button_face") << uint(Ole::ButtonFace) << palette.color(QPalette::Button);
    QTest::newRow("button_text") << uint(Ole::ButtonText) << palette.color(QPalette::ButtonText);
    QTest::newRow("window_text") << uint(Ole::WindowText) << palette.color(QPalette::WindowText);
    QTest::newRow("window_background") << uint(Ole::WindowBackground) << palette.color(QPalette::Base);
    QTest::newRow("highlight_3d") << uint(Ole::Highlight3D) << palette.color(QPalette::Light);
}

void DriverTest::oleColoursMapToRgbAndSystemRoles()
{
    QFETCH(uint, ole);
    QFETCH(QColor, colour);
    QCOMPARE(oleToColor(ole), colour);
    QLabel label;
    QCOMPARE(backColor(&label), Ole::ButtonFace);
    QCOMPARE(foreColor(&label), Ole::ButtonText);
    setBackColor(&label, ole);
    setForeColor(&label, ole);
    QCOMPARE(backColor(&label), ole);
    QCOMPARE(foreColor(&label), ole);
    QCOMPARE(label.palette().color(QPalette::Window), colour);
    QCOMPARE(label.palette().color(QPalette::WindowText), colour);
}

void DriverTest::twipsFollowTheLogicalDpi()
{
    QCOMPARE(pixelsToTwips(1), 15);
    QCOMPARE(twipsToPixels(1440), 96);
    QCOMPARE(twipsToPixels(7), 0);
    QCOMPARE(twipsToPixels(8), 1);
    QWidget parent;
    QWidget child(&parent);
    setGeometryTwips(&child, 150, 300, 1500, -15);
    QCOMPARE(child.geometry(), QRect(10, 20, 100, 0));
    QCOMPARE(geometryTwips(&child), QRect(150, 300, 1500, 0));
    QVERIFY(oleToColor(Ole::GrayText) != oleToColor(Ole::ButtonText)); // an off lamp looks grey
}

// The mode buttons show green while their mode runs; lamps show red or grey.
void DriverTest::buttonAndLampPaintTheirColours()
{
    QWidget window;
    window.resize(200, 100);
    auto *button = new QPushButton(QStringLiteral("Weight"), &window);
    button->setGeometry(10, 10, 100, 40);
    setBackColor(button, Ole::Green);
    auto *lamp = new Shape(&window, Shape::RoundedSquare);
    lamp->setGeometry(120, 10, 30, 30);
    lamp->setFillColor(Ole::Red);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.grab().toImage();
    const QColor face = image.pixelColor(button->geometry().center() + QPoint(40, 0));
    QVERIFY2(face.green() - std::max(face.red(), face.blue()) > 100,
             qPrintable(face.name())); // the style shades it
    QCOMPARE(image.pixelColor(lamp->geometry().center()), QColor(Qt::red));
    QCOMPARE(image.pixelColor(lamp->geometry().topLeft()), window.palette().color(QPalette::Window));
}

QTEST_MAIN(DriverTest)
#include "tst_automation.moc"
