// The automation driver: reads a script of commands, runs them one at a time against the windows and
// prints one JSON line per event; its seams print message boxes, file dialogs, launches and prints.
#include "AutomationDriver.h"

#include "AutomationActions.h"
#include "AutomationDriver_p.h"
#include "AutomationReach.h"
#include "AutomationState.h"
#include "Seams.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileDevice>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPixmap>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace Zelk {

using Automation::JsonLine;
using Automation::toInt;

namespace {

// ---- Script lines --------------------------------------------------------------------------------

// The first word and the rest after the one blank that follows it (the rest keeps its own blanks).
QPair<QString, QString> splitFirst(const QString &text)
{
    const QString line = QString(text).remove(QLatin1Char('\r'));
    qsizetype start = 0;
    while (start < line.size() && line.at(start).isSpace())
        ++start;
    qsizetype end = start;
    while (end < line.size() && !line.at(end).isSpace())
        ++end;
    return {line.mid(start, end - start), end < line.size() ? line.mid(end + 1) : QString()};
}

bool isDialogLine(const QString &text)
{
    return splitFirst(text).first.compare(QLatin1String("dialog"), Qt::CaseInsensitive) == 0;
}

// The answer a `dialog` line gives: a path, or nullopt for "cancel".
std::optional<QString> dialogAnswer(const QString &text)
{
    const QString answer = splitFirst(text).second.trimmed();
    if (answer.isEmpty() || answer.compare(QLatin1String("cancel"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return answer;
}

const char *buttonsName(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OkCancel:
        return "okcancel";
    case MsgButtons::YesNo:
        return "yesno";
    case MsgButtons::Ok:
        break;
    }
    return "ok";
}

MsgAnswer firstAnswer(MsgButtons buttons)
{
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

// ---- The driver of the programs, its exit line and standard input -------------------------------

int &activeDrivers()
{
    static int count = 0;
    return count;
}

QPointer<AutomationDriver> &programDriver()
{
    static QPointer<AutomationDriver> driver;
    return driver;
}

std::atomic<int> g_programLine{0};
std::atomic<bool> g_programExitPrinted{false};

// A program that ends without returning from main (it calls exit) still closes its output, with the
// code it passed to exit.
void printExitAtExit(int code, void *)
{
    if (g_programExitPrinted.exchange(true))
        return;
    const std::string line = R"({"event":"exit","line":)" + std::to_string(g_programLine.load()) +
                             R"(,"code":)" + std::to_string(code) + "}\n";
    const ssize_t written = ::write(STDOUT_FILENO, line.data(), line.size());
    static_cast<void>(written);
}

// Standard input is read on the GUI thread only when it has data, so a script that arrives slowly never
// blocks the window, and no reader is left to wait for input when the program ends. Complete lines go to
// `source`; the notifier belongs to `owner`.
void readStandardInput(const std::shared_ptr<ScriptSource> &source, QObject *owner)
{
    if (::fcntl(STDIN_FILENO, F_GETFD) < 0) { // no standard input at all
        source->close();
        return;
    }
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, owner);
    auto pending = std::make_shared<std::string>();
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, source, pending] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got > 0) {
            pending->append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end; (end = pending->find('\n')) != std::string::npos;
                 pending->erase(0, end + 1))
                source->append(QString::fromUtf8(pending->data(), static_cast<qsizetype>(end)));
            return;
        }
        notifier->setEnabled(false); // the end of input, or input that cannot be read
        if (!pending->empty())
            source->append(QString::fromUtf8(pending->data(), static_cast<qsizetype>(pending->size())));
        source->close();
    });
}

void appendLines(ScriptSource &source, const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (const QByteArray &line : lines)
        source.append(QString::fromUtf8(line));
}

// The viewer starts without the monitor's script, or with the one named for it.
bool startWithAutomationEnvironment(const QString &program, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString viewerScript = environment.value(QStringLiteral("ZELK_AUTOMATION_VIEWER"));
    if (viewerScript.isEmpty())
        environment.remove(QStringLiteral("ZELK_AUTOMATION"));
    else
        environment.insert(QStringLiteral("ZELK_AUTOMATION"), viewerScript);
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    return process.startDetached();
}

// The window named `only`, or every shown window when no name is given.
QList<QWidget *> windowsNamed(const QString &only)
{
    QList<QWidget *> found;
    for (QWidget *window : Automation::windows())
        if (only.isEmpty() ? window->isVisible() : window->objectName() == only)
            found.append(window);
    return found;
}

QString printTarget()
{
    const QString file = qEnvironmentVariable("ZELK_PRINT_TO");
    return file.isEmpty() ? QPrinterInfo::defaultPrinterName() : file;
}

} // namespace

// ---- ScriptSource --------------------------------------------------------------------------------

void ScriptSource::append(const QString &text)
{
    m_lines.push_back({static_cast<int>(m_lines.size()) + 1, QString(text).remove(QLatin1Char('\r')), false});
    notify();
}

void ScriptSource::close()
{
    m_closed = true;
    notify();
}

void ScriptSource::notify()
{
    if (m_listener)
        QMetaObject::invokeMethod(m_listener, "linesArrived", Qt::QueuedConnection);
}

void ScriptSource::setListener(QObject *receiver)
{
    m_listener = receiver;
}

std::optional<ScriptSource::Line> ScriptSource::lineAt(std::size_t index) const
{
    if (index >= m_lines.size())
        return std::nullopt;
    return m_lines[index];
}

bool ScriptSource::atEnd(std::size_t index) const
{
    return m_closed && index >= m_lines.size();
}

std::optional<ScriptSource::Line> ScriptSource::takeDialogLine(std::size_t index)
{
    for (; index < m_lines.size(); ++index) {
        Line &line = m_lines[index];
        if (!line.used && isDialogLine(line.text)) {
            line.used = true;
            return line;
        }
    }
    return std::nullopt;
}

// ---- The seams the driver installs ---------------------------------------------------------------

struct AutomationDriver::Seams {
    class Dialog : public FileDialogSeam {
    public:
        explicit Dialog(AutomationDriver *driver) : m_driver(driver) {}
        std::optional<QString> getOpenFileName(QWidget *, const FileDialogRequest &request) override
        {
            return m_driver->answerFileDialog(request.title, request.presetFile, request.filter);
        }

    private:
        AutomationDriver *m_driver;
    };

    class Starter : public ProcessStarter {
    public:
        explicit Starter(AutomationDriver *driver) : m_driver(driver) {}
        bool startDetached(const QString &program, const QStringList &arguments) override
        {
            m_driver->reportLaunch(program, arguments);
            return startWithAutomationEnvironment(program, arguments);
        }

    private:
        AutomationDriver *m_driver;
    };

    // Prints on the printer in place before the driver came, and tells the script.
    class Printer : public PrinterSeam {
    public:
        Printer(AutomationDriver *driver, PrinterSeam *inner) : m_driver(driver), m_inner(inner) {}
        bool hasDefaultPrinter() override { return m_inner->hasDefaultPrinter(); }
        PrintResult printImage(const QImage &image, QString *error) override
        {
            const PrintResult result = m_inner->printImage(image, error);
            if (result == PrintResult::Printed)
                m_driver->reportPrint(printTarget());
            return result;
        }

    private:
        AutomationDriver *m_driver;
        PrinterSeam *m_inner;
    };

    explicit Seams(AutomationDriver *driver)
        : dialog(driver), starter(driver), printerSeam(driver, &printer()),
          msgBoxInPlace([driver](const QString &text, MsgButtons buttons, const QString &) {
              return driver->answerMsgBox(text, buttons);
          }),
          dialogInPlace(&dialog), starterInPlace(&starter), printerInPlace(&printerSeam)
    {
    }
    Dialog dialog;
    Starter starter;
    Printer printerSeam;
    // In place while the driver lives; what was there before comes back when it goes.
    SeamOverride<MsgBoxHandler> msgBoxInPlace;
    SeamOverride<FileDialogSeam *> dialogInPlace;
    SeamOverride<ProcessStarter *> starterInPlace;
    SeamOverride<PrinterSeam *> printerInPlace;
};

// ---- AutomationDriver ----------------------------------------------------------------------------

AutomationDriver::AutomationDriver(QIODevice *script, QIODevice *out, QObject *parent)
    : AutomationDriver(std::make_shared<ScriptSource>(), out, parent)
{
    m_script = script;
}

AutomationDriver::AutomationDriver(std::shared_ptr<ScriptSource> source, QIODevice *out, QObject *parent)
    : QObject(parent), m_source(std::move(source)), m_out(out)
{
    m_poll.setInterval(10);
    connect(&m_poll, &QTimer::timeout, this, &AutomationDriver::pollWaitFor);
}

AutomationDriver::~AutomationDriver()
{
    m_source->setListener(nullptr);
    if (!m_seams)
        return;
    if (QCoreApplication *app = QCoreApplication::instance()) // gone when the application owns the driver
        app->removeEventFilter(this);
    m_seams.reset();
    --activeDrivers();
}

void AutomationDriver::start()
{
    if (m_seams)
        return;
    if (m_script) {
        appendLines(*m_source, m_script->readAll());
        m_source->close();
    }
    m_seams = std::make_unique<Seams>(this);
    ++activeDrivers();
    qApp->installEventFilter(this);
    m_source->setListener(this);
    scheduleNext();
}

void AutomationDriver::finish(int code)
{
    if (m_exitPrinted)
        return;
    m_exitPrinted = true;
    print(QStringLiteral("exit"), JsonLine().add(QStringLiteral("code"), code));
}

void AutomationDriver::print(const QString &event, const JsonLine &fields)
{
    // Every line says which script line produced it, right after the event.
    JsonLine line;
    line.add(QStringLiteral("event"), event).add(QStringLiteral("line"), m_line).append(fields);
    m_out->write(line.toJson() + '\n');
    if (auto *file = qobject_cast<QFileDevice *>(m_out))
        file->flush();
}

void AutomationDriver::print(const QString &event)
{
    print(event, JsonLine());
}

void AutomationDriver::error(const QString &message)
{
    print(QStringLiteral("error"), JsonLine().add(QStringLiteral("message"), message));
}

void AutomationDriver::reportError(const QString &message)
{
    error(message);
}

void AutomationDriver::reportMsgBox(const QString &text, const char *buttons)
{
    print(QStringLiteral("msgbox"), JsonLine()
                                        .add(QStringLiteral("text"), text)
                                        .add(QStringLiteral("buttons"), QString::fromLatin1(buttons)));
}

// A box is printed when it opens. Held open, it runs its own event loop like a real modal box: timers
// and sockets go on, while the script, like the person reading the box, waits for it to be answered.
MsgAnswer AutomationDriver::answerMsgBox(const QString &text, MsgButtons buttons)
{
    reportMsgBox(text, buttonsName(buttons));
    if (m_msgBoxHoldMs > 0)
        holdScript([this] { holdBoxOpen(m_msgBoxHoldMs); });
    return firstAnswer(buttons);
}

// Runs `modal` (a modal window's own event loop) with the script held: a command that comes due
// meanwhile runs once the last modal window has closed.
void AutomationDriver::holdScript(const std::function<void()> &modal)
{
    ++m_boxesOpen;
    modal();
    if (--m_boxesOpen == 0 && std::exchange(m_resumeAfterBox, false))
        scheduleNext();
}

// The first unused `dialog` line from the current one on. While the script has not given it yet, the
// dialog runs its own event loop, as the modal dialog it stands for would, until more lines arrive.
std::optional<ScriptSource::Line> AutomationDriver::awaitDialogLine()
{
    for (;;) {
        if (auto line = m_source->takeDialogLine(m_next))
            return line;
        if (m_source->isClosed())
            return std::nullopt;
        QEventLoop wait;
        m_dialogWait = &wait;
        holdScript([&wait] { wait.exec(); });
        if (std::exchange(m_dialogWait, nullptr)) // the program ended the wait, not a new line
            return std::nullopt;
    }
}

std::optional<QString> AutomationDriver::answerFileDialog(const QString &title, const QString &file,
                                                          const QString &filter)
{
    std::optional<QString> answer;
    if (m_dialogAnswer) {
        answer = *m_dialogAnswer;
        m_dialogAnswer.reset();
    } else if (const auto line = awaitDialogLine()) {
        answer = dialogAnswer(line->text);
    }
    print(QStringLiteral("dialog"),
          JsonLine()
              .add(QStringLiteral("title"), title)
              .add(QStringLiteral("file"), file)
              .add(QStringLiteral("filter"), filter)
              .add(QStringLiteral("answer"), answer.value_or(QStringLiteral("cancel"))));
    return answer;
}

void AutomationDriver::reportLaunch(const QString &program, const QStringList &arguments)
{
    print(QStringLiteral("launch"), JsonLine()
                                        .add(QStringLiteral("program"), program)
                                        .add(QStringLiteral("args"), arguments.join(QLatin1Char(' '))));
}

void AutomationDriver::reportPrint(const QString &target)
{
    print(QStringLiteral("print"), JsonLine().add(QStringLiteral("target"), target));
}

void AutomationDriver::linesArrived()
{
    if (m_dialogWait)
        std::exchange(m_dialogWait, nullptr)->quit();
    if (!m_waitingForLines)
        return;
    m_waitingForLines = false;
    scheduleNext();
}

void AutomationDriver::scheduleNext(int ms)
{
    QTimer::singleShot(ms, this, &AutomationDriver::runNext);
}

void AutomationDriver::runNext()
{
    if (m_finished || m_running)
        return;
    if (m_boxesOpen > 0) {
        m_resumeAfterBox = true;
        return;
    }
    if (!m_started) {
        // QCoreApplication::exec runs an event loop; the waits inside the start-up only pump events.
        if (m_waitsForEventLoop && QThread::currentThread()->loopLevel() == 0) {
            scheduleNext(10);
            return;
        }
        m_started = true;
    }
    const auto line = m_source->lineAt(m_next);
    if (!line) {
        if (m_source->atEnd(m_next))
            quitCommand({}); // the end of the script closes the program like `quit`
        else
            m_waitingForLines = true;
        return;
    }
    ++m_next;
    if (line->used) { // a file dialog has already taken this answer
        scheduleNext();
        return;
    }
    m_line = line->number;
    if (this == programDriver())
        g_programLine = m_line;
    m_running = true;
    const Next next = execute(line->text);
    m_running = false;
    if (next == Next::Now)
        scheduleNext();
}

AutomationDriver::Next AutomationDriver::execute(const QString &text)
{
    using Command = Next (AutomationDriver::*)(const QString &rest);
    static const QHash<QString, Command> commands = {
        {QStringLiteral("dialog"), &AutomationDriver::dialogCommand},
        {QStringLiteral("wait"), &AutomationDriver::waitCommand},
        {QStringLiteral("waitfor"), &AutomationDriver::waitforCommand},
        {QStringLiteral("dump"), &AutomationDriver::dumpCommand},
        {QStringLiteral("dumpall"), &AutomationDriver::dumpallCommand},
        {QStringLiteral("grab"), &AutomationDriver::grabCommand},
        {QStringLiteral("quit"), &AutomationDriver::quitCommand},
        {QStringLiteral("reach"), &AutomationDriver::reachCommand},
    };
    const auto [word, rest] = splitFirst(text);
    const QString verb = word.toLower();
    if (verb.isEmpty() || verb.startsWith(QLatin1Char('#')))
        return Next::Now;
    if (const Automation::Action act = Automation::actionFor(verb))
        return actionCommand(act, verb, rest);
    if (const Command command = commands.value(verb))
        return (this->*command)(rest);
    error(QStringLiteral("unknown command: ") + word);
    return Next::Now;
}

// A user's action on a control: refused with an error line when the control cannot take it.
AutomationDriver::Next AutomationDriver::actionCommand(Automation::Action act, const QString &verb,
                                                       const QString &rest)
{
    const auto [name, args] = splitFirst(rest);
    QWidget *control = name.isEmpty() ? nullptr : Automation::findControl(name);
    QString problem = name.isEmpty() ? QStringLiteral("usage: ") + verb + QStringLiteral(" NAME ...")
                      : !control     ? QStringLiteral("no control named ") + name
                                     : Automation::unreachable(control, name);
    if (problem.isEmpty()) // `type` keeps the blanks of its text
        problem = act(control, name, verb == QLatin1String("type") ? args : args.trimmed());
    if (!problem.isEmpty())
        error(problem);
    return Next::Now;
}

AutomationDriver::Next AutomationDriver::dialogCommand(const QString &rest)
{
    if (rest.trimmed().isEmpty())
        error(QStringLiteral("usage: dialog PATH | dialog cancel"));
    else
        m_dialogAnswer = dialogAnswer(QStringLiteral("dialog ") + rest);
    return Next::Now;
}

AutomationDriver::Next AutomationDriver::waitCommand(const QString &rest)
{
    const auto ms = toInt(rest.trimmed());
    if (!ms || *ms < 0) {
        error(QStringLiteral("usage: wait MS"));
        return Next::Now;
    }
    scheduleNext(*ms);
    return Next::Later;
}

AutomationDriver::Next AutomationDriver::dumpCommand(const QString &rest)
{
    const QString name = rest.trimmed();
    if (const QWidget *control = name.isEmpty() ? nullptr : Automation::findControl(name))
        print(QStringLiteral("state"), Automation::controlState(control));
    else
        error(QStringLiteral("no control named ") + name);
    return Next::Now;
}

// Every shown window, or only the windows of the given name, each followed by its named controls.
AutomationDriver::Next AutomationDriver::dumpallCommand(const QString &rest)
{
    for (const QWidget *window : windowsNamed(rest.trimmed())) {
        print(QStringLiteral("state"), Automation::controlState(window));
        for (const QWidget *control : Automation::namedControls(window))
            print(QStringLiteral("state"), Automation::controlState(control));
    }
    return Next::Now;
}

AutomationDriver::Next AutomationDriver::grabCommand(const QString &rest)
{
    const QString file = rest.trimmed();
    QWidget *window = grabTarget();
    if (file.isEmpty())
        error(QStringLiteral("usage: grab FILE"));
    else if (!window)
        error(QStringLiteral("no window to grab"));
    else if (!window->grab().save(file, "PNG"))
        error(QStringLiteral("cannot write ") + file);
    return Next::Now;
}

// Every shown window (or the named one) with what an operator could not reach or read in it.
AutomationDriver::Next AutomationDriver::reachCommand(const QString &rest)
{
    for (const QWidget *window : windowsNamed(rest.trimmed())) {
        print(QStringLiteral("reach"),
              JsonLine()
                  .add(QStringLiteral("window"), window->objectName())
                  .add(QStringLiteral("problems"),
                       QJsonArray::fromStringList(Automation::reachProblems(window))));
    }
    return Next::Now;
}

// Closes the shown windows as the user would, then ends the application if it still runs.
AutomationDriver::Next AutomationDriver::quitCommand(const QString &)
{
    m_finished = true;
    m_poll.stop();
    QList<QPointer<QWidget>> open;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            open.append(w);
    for (const QPointer<QWidget> &w : open)
        if (w && w->isVisible())
            w->close();
    if (m_quitsApplication)
        QCoreApplication::quit();
    emit finished();
    return Next::Stop;
}

AutomationDriver::Next AutomationDriver::waitforCommand(const QString &args)
{
    const auto [name, afterName] = splitFirst(args.trimmed());
    const auto [property, afterProperty] = splitFirst(afterName.trimmed());
    const QString tail = afterProperty.trimmed();
    const qsizetype lastBlank = tail.lastIndexOf(QRegularExpression(QStringLiteral("\\s")));
    const int ms = lastBlank > 0 ? toInt(tail.mid(lastBlank + 1)).value_or(-1) : -1; // -1: none
    QString value = lastBlank > 0 ? tail.left(lastBlank).trimmed() : QString();
    if (name.isEmpty() || property.isEmpty() || ms < 0 || value.isEmpty()) {
        error(QStringLiteral("usage: waitfor NAME PROP VALUE MS"));
        return Next::Now;
    }
    if (value.startsWith(QLatin1Char('"'))) {
        const QJsonDocument quoted = QJsonDocument::fromJson('[' + value.toUtf8() + ']');
        if (!quoted.isArray() || quoted.array().size() != 1 || !quoted.array().at(0).isString()) {
            error(QStringLiteral("waitfor: VALUE is not a JSON string: ") + value);
            return Next::Now;
        }
        value = quoted.array().at(0).toString();
    }
    m_waitFor = {};
    m_waitFor.name = name;
    m_waitFor.property = property.toLower();
    m_waitFor.value = value;
    m_waitFor.limit = ms;
    m_waitFor.clock.start();
    m_poll.start();
    pollWaitFor();
    return Next::Later;
}

void AutomationDriver::pollWaitFor()
{
    if (!m_poll.isActive())
        return;
    if (const QWidget *control = Automation::findControl(m_waitFor.name)) {
        const auto value = Automation::controlState(control).value(m_waitFor.property);
        if (value && Automation::propertyText(*value) == m_waitFor.value) {
            m_poll.stop();
            scheduleNext();
            return;
        }
    }
    if (m_waitFor.clock.elapsed() >= m_waitFor.limit) {
        m_poll.stop();
        print(QStringLiteral("timeout"));
        scheduleNext();
    }
}

bool AutomationDriver::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        if (w->isWindow()) {
            m_shown.removeAll(QPointer<QWidget>(w));
            m_shown.append(w);
        }
    }
    return QObject::eventFilter(watched, event);
}

// The active window, else the window shown last that is still visible.
QWidget *AutomationDriver::grabTarget() const
{
    if (QWidget *active = QApplication::activeWindow(); active && active->isVisible())
        return active;
    for (auto it = m_shown.crbegin(); it != m_shown.crend(); ++it)
        if (*it && (*it)->isVisible())
            return *it;
    for (QWidget *w : Automation::windows())
        if (w->isVisible())
            return w;
    return nullptr;
}

// ---- The program's driver ------------------------------------------------------------------------

bool installAutomationFromEnvironment()
{
    if (programDriver())
        return true;
    const QString script = qEnvironmentVariable("ZELK_AUTOMATION");
    if (script.isEmpty() || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    auto *out = new QFile;
    out->open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    auto source = std::make_shared<ScriptSource>();
    auto *driver = new AutomationDriver(source, out, qApp);
    out->setParent(driver);
    programDriver() = driver;
    driver->setWaitsForEventLoop(true);
    driver->setMsgBoxHoldMs(qEnvironmentVariableIntValue("ZELK_MSGBOX_HOLD_MS"));
    driver->start();
    if (script == QLatin1String("-")) {
        readStandardInput(source, driver);
    } else {
        QFile file(script);
        if (file.open(QIODevice::ReadOnly))
            appendLines(*source, file.readAll());
        else
            driver->reportError(QStringLiteral("cannot read the script ") + script + QStringLiteral(": ") +
                                file.errorString());
        source->close();
    }
    ::on_exit(printExitAtExit, nullptr);
    return true;
}

bool automationActive()
{
    return activeDrivers() > 0;
}

int finishAutomation(int code)
{
    if (AutomationDriver *driver = programDriver()) {
        g_programExitPrinted = true;
        driver->finish(code);
    }
    return code;
}

} // namespace Zelk
