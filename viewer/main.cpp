// Kurvex: program entry; --help and --version are answered without a window, the hidden start-up
// window opens the history file.
#include "AutomationDriver.h"
#include "BatchExport.h"
#include "ButtonStyle.h"
#include "FrmKurvex.h"
#include "ProgramOptions.h"

#include <QApplication>
#include <cstdio>

namespace {
const char Usage[] = R"(Usage: Kurvex [FILE[/MODE/INTERVAL]]
       Kurvex --export OUT FILE [--range FIRST:LAST] [--time-ms INTERVAL]
       Kurvex --help | --version

Plots a history file of ZELK-NET-MONITOR: the readings against reading number or milliseconds, with
zoom and a zoom-back stack, a cursor, measuring cursors, statistics of the visible range, a readings
list, export and printing. The open-file dialog comes up preset with FILE. MODE is 1 (reading
numbers) or 2 (milliseconds, INTERVAL milliseconds per reading), as "Show Graph" passes them.

Options:
  --export OUT FILE     load FILE and write OUT as the Export button does, by OUT's extension: the
                        readings as CSV, or the plot as PNG or PDF; no window is shown, no display
                        is needed; exit code 0 when OUT was written, 1 (and the message) when not
  --range FIRST:LAST    export readings FIRST to LAST (7 or more) instead of the whole run
  --time-ms INTERVAL    the time axis in milliseconds, INTERVAL ms per reading
  --help                show this help and exit
  --version             show the version and exit

Environment:
  ZELK_AUTOMATION  a script for the automation driver, or - for standard input
  ZELK_PRINT_TO    print into this PDF file instead of on the default printer
  ZELK_PALETTE     dark: draw the windows in a dark palette
)";

int batchExport(int argc, char *argv[], const std::variant<BatchExport::Request, QString> &batch)
{
    if (const auto *usage = std::get_if<QString>(&batch)) {
        std::fprintf(stderr, "Kurvex: %s\n", qPrintable(*usage));
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // no window is shown: no display is needed
    QApplication app(argc, argv);
    return BatchExport::run(std::get<BatchExport::Request>(batch));
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList arguments = Zelk::argumentsOf(argc, argv);
    if (const auto exit = Zelk::standardOptions(QStringLiteral("Kurvex"), arguments, QString::fromUtf8(Usage),
                                                BatchExport::options()))
        return Zelk::printExit(*exit);
    if (const auto batch = BatchExport::parse(arguments))
        return batchExport(argc, argv, *batch);
    QApplication app(argc, argv);
    Zelk::applyProgramStyle();
    Zelk::installAutomationFromEnvironment();
    GraphE::Viewer viewer;
    FrmKurvex start(viewer);
    if (!start.cmdShowGraph_Click())
        return Zelk::finishAutomation(0);
    return Zelk::finishAutomation(app.exec());
}
