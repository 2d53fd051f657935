// The only places where tests replace the platform: message boxes, the tick count, process start,
// the printer and the open-file dialog. Each has the real Qt implementation and a recording double.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace Zelk {

// ---- Replacing a seam ----------------------------------------------------------------------------
// Puts `replacement` in place of one seam for the guard's life and puts back what was there before
// when the guard goes, so nested replacements undo in reverse order. T is the seam's slot: a
// MsgBoxHandler, or a pointer to a ProcessStarter, PrinterSeam or FileDialogSeam; nullptr (an empty
// handler) stands for the real implementation.
template <typename T> class SeamOverride {
public:
    explicit SeamOverride(T replacement);
    ~SeamOverride();
    SeamOverride(const SeamOverride &) = delete;
    SeamOverride &operator=(const SeamOverride &) = delete;

private:
    T m_previous;
};

// ---- Message boxes -------------------------------------------------------------------------------
// Every operator message of both programs goes through MsgBox with its exact text.
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

MsgAnswer MsgBox(const QString &text, MsgButtons buttons = MsgButtons::Ok, const QString &title = {});

// Replaces the real modal box (nullptr restores it). The handler answers at once. Prefer a
// SeamOverride<MsgBoxHandler>, which puts back the handler it replaced.
using MsgBoxHandler = std::function<MsgAnswer(const QString &text, MsgButtons buttons, const QString &title)>;
void setMsgBoxHandler(MsgBoxHandler handler);
// What a person reading a box does to the program: the box's own event loop runs for `ms` (timers and
// sockets go on) before the box is answered. For handlers that hold their boxes open.
void holdBoxOpen(int ms);
MsgBoxHandler currentMsgBoxHandler(); // empty while the real box is in place

// A message (OK button only) is never shown while a box with the same text is still open, whether the
// real box or a handler holds it open: the repeat is answered OK at once and handed to this listener
// (nullptr: to nobody). A question is always asked.
using MsgBoxRepeatListener = std::function<void(const QString &text)>;
void setMsgBoxRepeatListener(MsgBoxRepeatListener listener);

// Test double: records every text and answers with the first button.
class MsgBoxRecorder {
public:
    MsgBoxRecorder();
    MsgBoxRecorder(const MsgBoxRecorder &) = delete;
    MsgBoxRecorder &operator=(const MsgBoxRecorder &) = delete;
    QStringList texts;

private:
    SeamOverride<MsgBoxHandler> m_override; // puts the previous handler back when the recorder goes
};

// ---- Tick count ----------------------------------------------------------------------------------
// Milliseconds as a signed 32-bit value that wraps like the platform's tick count.
std::int32_t GetTickCount();
// Makes the next GetTickCount() return `start` and count on from there (tests start it just below 2^31).
void setTickStart(std::int32_t start);
// Milliseconds from `from` to `to`, correct across the 2^31 wrap (for spans under 2^31 ms).
inline std::int32_t ticksBetween(std::int32_t from, std::int32_t to)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(to) - static_cast<std::uint32_t>(from));
}

// ---- Process start -------------------------------------------------------------------------------
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // Starts `program` with `arguments` without waiting; false when it could not be started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
};
ProcessStarter &processStarter();
void setProcessStarter(ProcessStarter *starter); // nullptr restores the real one

class RecordingProcessStarter : public ProcessStarter {
public:
    struct Call {
        QString program;
        QStringList arguments;
    };
    bool startDetached(const QString &program, const QStringList &arguments) override;
    QVector<Call> calls;
    bool succeed = true;
};

// ---- Printer -------------------------------------------------------------------------------------
// NotReady: no default printer, or the printer would not start or take the page (the printer error).
// Cancelled: the image could not be printed. Failed: any other failure of the print.
enum class PrintResult { Printed, NotReady, Cancelled, Failed };
class PrinterSeam {
public:
    virtual ~PrinterSeam() = default;
    virtual bool hasDefaultPrinter() = 0;
    // Prints one page holding `image` on the default printer; `error` gets a description on failure.
    virtual PrintResult printImage(const QImage &image, QString *error) = 0;
};
PrinterSeam &printer();
void setPrinter(PrinterSeam *seam); // nullptr restores the real one

class RecordingPrinter : public PrinterSeam {
public:
    bool hasDefaultPrinter() override { return available; }
    PrintResult printImage(const QImage &image, QString *error) override;
    QVector<QImage> pages;
    bool available = true;
    PrintResult result = PrintResult::Printed;
};

// ---- Open-file dialog ----------------------------------------------------------------------------
struct FileDialogRequest {
    QString title;
    QString presetFile; // as the program set it
    QString filter;     // the program's own "Text|*.txt|All|*.*" pairs, before translation for Qt
    bool existingOnly = true;
    bool save = false; // a save dialog: asks before replacing an existing file
};
class FileDialogSeam {
public:
    virtual ~FileDialogSeam() = default;
    // The chosen path, or nullopt when the user cancelled.
    virtual std::optional<QString> getOpenFileName(QWidget *parent, const FileDialogRequest &request) = 0;
};
FileDialogSeam &fileDialog();
void setFileDialog(FileDialogSeam *seam); // nullptr restores the real one

class RecordingFileDialog : public FileDialogSeam {
public:
    std::optional<QString> getOpenFileName(QWidget *parent, const FileDialogRequest &request) override;
    QVector<FileDialogRequest> requests;
    std::optional<QString> answer; // nullopt: cancel
};

// Translates "Text (*.txt)|*.txt|All files|*.*" pairs into Qt's "Text (*.txt);;All files (*.*)".
QString toQtFilter(const QString &pairs);

extern template class SeamOverride<MsgBoxHandler>;
extern template class SeamOverride<ProcessStarter *>;
extern template class SeamOverride<PrinterSeam *>;
extern template class SeamOverride<FileDialogSeam *>;

} // namespace Zelk
