// The automation driver's classes: the script source that the standard-input reader fills, and the
// driver that runs the commands one at a time (tests create it in-process on a script of their own).
#pragma once

#include "AutomationActions.h"
#include "Seams.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QEventLoop;
class QIODevice;
class QWidget;

namespace Zelk {

namespace Automation {
class JsonLine;
}

// The script's lines as they arrive, all on the GUI thread: the standard-input reader appends when
// input is there; the driver reads and may look ahead for the next `dialog` line when a file dialog opens.
class ScriptSource {
public:
    struct Line {
        int number = 0;
        QString text;
        bool used = false; // taken early by a file dialog's read-ahead
    };
    void append(const QString &text);
    void close(); // end of input
    bool isClosed() const { return m_closed; }
    void setListener(QObject *receiver); // told through a queued "linesArrived" call; nullptr: none
    std::optional<Line> lineAt(std::size_t index) const;
    bool atEnd(std::size_t index) const;
    // Marks and returns the first unused `dialog` line at or after `index`; nullopt when there is none
    // (yet: isClosed() tells whether more may come).
    std::optional<Line> takeDialogLine(std::size_t index);

private:
    std::vector<Line> m_lines;
    bool m_closed = false;
    QObject *m_listener = nullptr;
    void notify();
};

class AutomationDriver : public QObject {
    Q_OBJECT
public:
    // Runs the lines of `script` (read at start()) and writes JSON lines to `out`; neither is owned.
    AutomationDriver(QIODevice *script, QIODevice *out, QObject *parent = nullptr);
    // Runs the lines `source` hands over (standard input as it arrives).
    AutomationDriver(std::shared_ptr<ScriptSource> source, QIODevice *out, QObject *parent = nullptr);
    ~AutomationDriver() override;
    AutomationDriver(const AutomationDriver &) = delete;
    AutomationDriver &operator=(const AutomationDriver &) = delete;

    // `quit` ends the application (default). In-process tests turn it off and wait for finished().
    void setQuitsApplication(bool on) { m_quitsApplication = on; }
    // The first command waits until the application's main event loop runs, so the program's own
    // start-up (and the message-pumping waits inside it) complete first. Off for in-process tests.
    void setWaitsForEventLoop(bool on) { m_waitsForEventLoop = on; }
    // Each message box stays open this long, its own event loop running, before it is answered
    // (0: answered at once). From ZELK_MSGBOX_HOLD_MS for the programs.
    void setMsgBoxHoldMs(int ms) { m_msgBoxHoldMs = ms; }
    // Installs the message-box, file-dialog, process and printer seams and schedules the first command.
    void start();
    // Prints the closing exit line (once).
    void finish(int code);
    bool isFinished() const { return m_finished; }
    int currentLine() const { return m_line; }

    // What the installed seams call.
    void reportMsgBox(const QString &text, const char *buttons);
    std::optional<QString> answerFileDialog(const QString &title, const QString &file, const QString &filter);
    void reportLaunch(const QString &program, const QStringList &arguments);
    void reportPrint(const QString &target);
    void reportError(const QString &message);

signals:
    void finished();

private slots:
    void linesArrived();

private:
    enum class Next { Now, Later, Stop };
    struct Seams;
    struct WaitFor {
        QString name;
        QString property;
        QString value;
        int line = 0;
        qint64 limit = 0;
        QElapsedTimer clock;
    };

    void scheduleNext(int ms = 0);
    void runNext();
    Next execute(const QString &text);
    Next actionCommand(Automation::Action act, const QString &verb, const QString &rest);
    Next dialogCommand(const QString &rest);
    Next waitCommand(const QString &rest);
    Next waitforCommand(const QString &rest);
    Next dumpCommand(const QString &rest);
    Next dumpallCommand(const QString &rest);
    Next grabCommand(const QString &rest);
    Next quitCommand(const QString &rest);
    Next reachCommand(const QString &rest);
    MsgAnswer answerMsgBox(const QString &text, MsgButtons buttons);
    std::optional<ScriptSource::Line> awaitDialogLine();
    void holdScript(const std::function<void()> &modal);
    void pollWaitFor();
    void print(const QString &event, const Automation::JsonLine &fields);
    void print(const QString &event);
    void error(const QString &message);
    bool eventFilter(QObject *watched, QEvent *event) override;
    QWidget *grabTarget() const;

    std::shared_ptr<ScriptSource> m_source;
    QIODevice *m_script = nullptr;
    QIODevice *m_out = nullptr;
    std::unique_ptr<Seams> m_seams;
    std::size_t m_next = 0;
    int m_line = 0;
    bool m_started = false;
    bool m_running = false;
    bool m_waitingForLines = false;
    bool m_finished = false;
    bool m_exitPrinted = false;
    bool m_quitsApplication = true;
    bool m_waitsForEventLoop = false;
    int m_msgBoxHoldMs = 0;
    int m_boxesOpen = 0;                // message boxes held open and dialogs waiting now; the script waits
    QEventLoop *m_dialogWait = nullptr; // a file dialog's wait for its `dialog` line
    bool m_resumeAfterBox = false;      // a command came due while a box was open
    std::optional<std::optional<QString>> m_dialogAnswer; // set by a `dialog` line the script reached
    WaitFor m_waitFor;
    QTimer m_poll;
    QList<QPointer<QWidget>> m_shown; // top-level windows in the order they were last shown
};

} // namespace Zelk
