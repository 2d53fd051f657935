// The platform seams: message boxes, tick count, process start, printer and open-file dialog,
// each with its real Qt implementation and its recording test double.
#include "Seams.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTimer>
#include <cstdio>
#include <mutex>
#include <utility>

namespace Zelk {

// ---- Replacing a seam ----------------------------------------------------------------------------
namespace {

// The one slot of each seam type: empty (nullptr) while the real implementation is in place.
template <typename T> T &seamSlot()
{
    static T slot{};
    return slot;
}

// The seam in place: the replacement, or else the real one.
template <typename Seam> Seam &inPlace(Seam &real)
{
    Seam *replacement = seamSlot<Seam *>();
    return replacement ? *replacement : real;
}

} // namespace

template <typename T>
SeamOverride<T>::SeamOverride(T replacement)
    : m_previous(std::exchange(seamSlot<T>(), std::move(replacement)))
{
}

template <typename T> SeamOverride<T>::~SeamOverride()
{
    seamSlot<T>() = std::move(m_previous);
}

template class SeamOverride<MsgBoxHandler>;
template class SeamOverride<ProcessStarter *>;
template class SeamOverride<PrinterSeam *>;
template class SeamOverride<FileDialogSeam *>;

// ---- Message boxes -------------------------------------------------------------------------------
namespace {

MsgAnswer firstButton(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        return MsgAnswer::Ok;
    case MsgButtons::YesNo:
        return MsgAnswer::Yes;
    }
    return MsgAnswer::Ok;
}

MsgAnswer showMessageBox(const QString &text, MsgButtons buttons, const QString &title)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        // No window system (a console tool or a test without widgets): say it and take the first button.
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return firstButton(buttons);
    }
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? QCoreApplication::applicationName() : title, text);
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        // Closing the box with Escape or the title bar counts as its cancelling button.
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
}

} // namespace

MsgAnswer MsgBox(const QString &text, MsgButtons buttons, const QString &title)
{
    // A box lets events run while it is open; a repeat of its message coming meanwhile is dropped.
    static QStringList open;
    if (buttons == MsgButtons::Ok && open.contains(text)) {
        if (const MsgBoxRepeatListener listener = seamSlot<MsgBoxRepeatListener>())
            listener(text);
        return MsgAnswer::Ok;
    }
    open.append(text);
    const auto closed = qScopeGuard([&text] { open.removeOne(text); });
    // A copy, so a handler may replace itself while it runs.
    const MsgBoxHandler handler = seamSlot<MsgBoxHandler>();
    if (handler)
        return handler(text, buttons, title);
    return showMessageBox(text, buttons, title);
}

void setMsgBoxRepeatListener(MsgBoxRepeatListener listener)
{
    seamSlot<MsgBoxRepeatListener>() = std::move(listener);
}

void holdBoxOpen(int ms)
{
    QEventLoop box;
    QTimer::singleShot(ms, &box, &QEventLoop::quit);
    box.exec();
}

void setMsgBoxHandler(MsgBoxHandler handler)
{
    seamSlot<MsgBoxHandler>() = std::move(handler);
}

MsgBoxHandler currentMsgBoxHandler()
{
    return seamSlot<MsgBoxHandler>();
}

MsgBoxRecorder::MsgBoxRecorder()
    : m_override([this](const QString &text, MsgButtons buttons, const QString &) {
          texts.append(text);
          return firstButton(buttons);
      })
{
}

// ---- Tick count ----------------------------------------------------------------------------------
namespace {

struct TickClock {
    std::mutex mutex;
    QElapsedTimer timer;
    std::uint32_t start = 0;
};

TickClock &tickClock()
{
    static TickClock clock;
    return clock;
}

// ZELK_TICK_START=N starts the count at N; anything that is not a 32-bit number is ignored and the
// count starts at the milliseconds since system start, like the platform's.
std::uint32_t tickStartFromEnvironment(const QElapsedTimer &started)
{
    const QByteArray text = qgetenv("ZELK_TICK_START").trimmed();
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (ok && value >= -2147483648LL && value <= 4294967295LL)
        return static_cast<std::uint32_t>(value);
    if (!text.isEmpty())
        std::fprintf(stderr, "ZELK_TICK_START is not a 32-bit number: %s\n", text.constData());
    return static_cast<std::uint32_t>(static_cast<quint64>(started.msecsSinceReference()));
}

} // namespace

std::int32_t GetTickCount()
{
    TickClock &clock = tickClock();
    const std::lock_guard lock(clock.mutex);
    if (!clock.timer.isValid()) {
        clock.timer.start();
        clock.start = tickStartFromEnvironment(clock.timer);
    }
    const auto elapsed = static_cast<std::uint32_t>(static_cast<quint64>(clock.timer.elapsed()));
    return static_cast<std::int32_t>(clock.start + elapsed);
}

void setTickStart(std::int32_t start)
{
    TickClock &clock = tickClock();
    const std::lock_guard lock(clock.mutex);
    clock.start = static_cast<std::uint32_t>(start);
    clock.timer.start();
}

// ---- Process start -------------------------------------------------------------------------------
namespace {

class QtProcessStarter : public ProcessStarter {
public:
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        return QProcess::startDetached(program, arguments);
    }
};

} // namespace

ProcessStarter &processStarter()
{
    static QtProcessStarter real;
    return inPlace<ProcessStarter>(real);
}

void setProcessStarter(ProcessStarter *starter)
{
    seamSlot<ProcessStarter *>() = starter;
}

bool RecordingProcessStarter::startDetached(const QString &program, const QStringList &arguments)
{
    calls.append({program, arguments});
    return succeed;
}

// ---- Printer -------------------------------------------------------------------------------------
namespace {

QString printToFile()
{
    return qEnvironmentVariable("ZELK_PRINT_TO");
}

// The largest rectangle of the image's proportions that fits `page`, centred at its top.
QRect fitted(const QSize &image, const QRect &page)
{
    const QSize size = image.scaled(page.size(), Qt::KeepAspectRatio);
    return {page.left() + (page.width() - size.width()) / 2, page.top(), size.width(), size.height()};
}

class QtPrinter : public PrinterSeam {
public:
    bool hasDefaultPrinter() override
    {
        return !printToFile().isEmpty() || !QPrinterInfo::defaultPrinter().isNull();
    }

    PrintResult printImage(const QImage &image, QString *error) override
    {
        if (!hasDefaultPrinter()) {
            setError(error, QStringLiteral("no default printer"));
            return PrintResult::NotReady;
        }
        const QString file = printToFile();
        QPrinter device(file.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo(),
                        QPrinter::HighResolution);
        if (!file.isEmpty()) {
            device.setOutputFormat(QPrinter::PdfFormat);
            device.setOutputFileName(file);
        }
        if (image.width() > image.height())
            device.setPageOrientation(QPageLayout::Landscape);
        QPainter painter;
        if (!painter.begin(&device)) {
            setError(error, QStringLiteral("the printer cannot start a page"));
            return PrintResult::NotReady;
        }
        const QRect page = painter.viewport();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (!image.isNull())
            painter.drawImage(fitted(image.size(), page), image);
        if (!painter.end()) {
            setError(error, QStringLiteral("the printer did not take the page"));
            return PrintResult::NotReady;
        }
        return PrintResult::Printed;
    }

private:
    static void setError(QString *error, const QString &text)
    {
        if (error)
            *error = text;
    }
};

} // namespace

PrinterSeam &printer()
{
    static QtPrinter real;
    return inPlace<PrinterSeam>(real);
}

void setPrinter(PrinterSeam *seam)
{
    seamSlot<PrinterSeam *>() = seam;
}

PrintResult RecordingPrinter::printImage(const QImage &image, QString *error)
{
    if (!available) {
        if (error)
            *error = QStringLiteral("no default printer");
        return PrintResult::NotReady;
    }
    if (result == PrintResult::Printed)
        pages.append(image);
    else if (error)
        *error = QStringLiteral("recorded failure");
    return result;
}

// ---- Open-file dialog ----------------------------------------------------------------------------
namespace {

class QtFileDialog : public FileDialogSeam {
public:
    std::optional<QString> getOpenFileName(QWidget *parent, const FileDialogRequest &request) override
    {
        QFileDialog dialog(parent, request.title);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.existingOnly ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        const QString filter = toQtFilter(request.filter);
        if (!filter.isEmpty())
            dialog.setNameFilters(filter.split(QStringLiteral(";;")));
        if (!request.presetFile.isEmpty())
            dialog.selectFile(request.presetFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

// One Qt filter entry from a description and its pattern list ("*.txt;*.csv").
QString qtFilterEntry(const QString &description, const QString &pattern)
{
    const QString patterns = QString(pattern).replace(QLatin1Char(';'), QLatin1Char(' ')).simplified();
    if (description.isEmpty())
        return patterns;
    if (patterns.isEmpty() || description.contains(QLatin1Char('(') + pattern + QLatin1Char(')')) ||
        description.contains(QLatin1Char('(') + patterns + QLatin1Char(')')))
        return description;
    return description + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

} // namespace

FileDialogSeam &fileDialog()
{
    static QtFileDialog real;
    return inPlace<FileDialogSeam>(real);
}

void setFileDialog(FileDialogSeam *seam)
{
    seamSlot<FileDialogSeam *>() = seam;
}

std::optional<QString> RecordingFileDialog::getOpenFileName(QWidget *, const FileDialogRequest &request)
{
    requests.append(request);
    return answer;
}

QString toQtFilter(const QString &pairs)
{
    if (pairs.isEmpty())
        return {};
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList entries;
    // A description left without its pattern at the end is dropped.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString entry = qtFilterEntry(parts.at(i).trimmed(), parts.at(i + 1).trimmed());
        if (!entry.isEmpty())
            entries.append(entry);
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace Zelk
