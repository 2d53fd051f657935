// Kurvex's batch export: the command line's request, then the load and the export through the same
// windows and code as the Export button, the file dialogs answered from the request.
#include "BatchExport.h"

#include "FrmKurvex.h"
#include "GraphE.h"
#include "Seams.h"
#include "frmHistory_Graph.h"

#include <QRegularExpression>
#include <cstdio>

namespace BatchExport {

namespace {

// The narrowest range the graph window draws as asked (a narrower one zooms back out).
constexpr qint32 NarrowestRange = 6;

std::optional<std::pair<qint32, qint32>> parseRange(const QString &text)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^(\\d{1,9}):(\\d{1,9})$")).match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const qint32 first = m.captured(1).toInt(), last = m.captured(2).toInt();
    if (last - first < NarrowestRange)
        return std::nullopt;
    return std::pair{first, last};
}

// Answers the open dialog with the history file and the export dialog with the output file.
class Answers : public Zelk::FileDialogSeam {
public:
    explicit Answers(const Request &r) : m_request(r) {}
    std::optional<QString> getOpenFileName(QWidget *, const Zelk::FileDialogRequest &request) override
    {
        return request.save ? m_request.out : m_request.file;
    }

private:
    const Request &m_request;
};

} // namespace

const QStringList &options()
{
    static const QStringList names{QStringLiteral("--export"), QStringLiteral("--range"),
                                   QStringLiteral("--time-ms")};
    return names;
}

std::optional<std::variant<Request, QString>> parse(const QStringList &arguments)
{
    if (!arguments.contains(QLatin1String("--export")))
        return std::nullopt;
    const QString usage = QStringLiteral(
        "usage: Kurvex --export OUT FILE [--range FIRST:LAST] [--time-ms INTERVAL] (a range of 7 or more "
        "readings, an interval of 1 to 32767 ms)");
    QStringList rest = arguments;
    Request r;
    while (!rest.isEmpty()) {
        const QString word = rest.takeFirst();
        const QString value = rest.isEmpty() ? QString() : rest.takeFirst();
        bool ok = !value.isEmpty();
        if (word == QLatin1String("--export") && ok && !rest.isEmpty() && r.out.isEmpty()) {
            r.out = value;
            r.file = rest.takeFirst();
        } else if (word == QLatin1String("--range") && ok && !r.range) {
            r.range = parseRange(value);
            ok = r.range.has_value();
        } else if (word == QLatin1String("--time-ms") && ok && !r.timeMs) {
            const int ms = value.toInt(&ok);
            ok = ok && ms >= 1 && ms <= 32767;
            r.timeMs = qint16(ms);
        } else {
            ok = false;
        }
        if (!ok)
            return usage;
    }
    return r;
}

int run(const Request &request)
{
    qsizetype messages = 0;
    Zelk::setMsgBoxHandler([&messages](const QString &text, Zelk::MsgButtons, const QString &) {
        ++messages;
        std::fprintf(stderr, "Kurvex: %s\n", qPrintable(text));
        return Zelk::MsgAnswer::Ok;
    });
    GraphE::setEndProgramHandler([](int) {
        std::fflush(stderr);
        std::exit(1);
    });
    Answers answers(request);
    Zelk::setFileDialog(&answers);
    const struct Restore {
        ~Restore() { Zelk::setFileDialog(nullptr); }
    } restore;
    GraphE::Viewer viewer;
    FrmKurvex start(viewer);
    start.setCommandLine(request.timeMs
                             ? request.file + QStringLiteral("/2/") + QString::number(*request.timeMs)
                             : request.file);
    if (!start.cmdShowGraph_Click())
        return 1; // the load's message is on standard error
    frmHistory_Graph *graph = start.GraphWindows[0];
    if (request.range && !graph->showRange(request.range->first, request.range->second)) {
        std::fprintf(stderr, "Kurvex: the range %d:%d is not within the file's readings\n",
                     request.range->first, request.range->second);
        return 1;
    }
    const qsizetype before = messages; // a load may have said something (e.g. "Not Number")
    graph->cmdExport_Click();
    return messages > before ? 1 : 0;
}

} // namespace BatchExport
