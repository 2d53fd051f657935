// Kurvex: program entry; --help and --version are answered without a window, the hidden start-up
// window opens the history file.
#include "AutomationDriver.h"
#include "ButtonStyle.h"
#include "FrmKurvex.h"
#include "ProgramOptions.h"

#include <QApplication>

namespace {
const char Usage[] = R"(Usage: Kurvex [FILE[/MODE/INTERVAL]]
       Kurvex --help | --version

Plots a history file of ZELK-NET-MONITOR: the readings against reading number or milliseconds, with
zoom and a zoom-back stack, a cursor, measuring cursors, statistics of the visible range, a readings
list, export and printing. The open-file dialog comes up preset with FILE. MODE is 1 (reading
numbers) or 2 (milliseconds, INTERVAL milliseconds per reading), as "Show Graph" passes them.

Options:
  --help     show this help and exit
  --version  show the version and exit

Environment:
  ZELK_AUTOMATION  a script for the automation driver, or - for standard input
  ZELK_PRINT_TO    print into this PDF file instead of on the default printer
  ZELK_PALETTE     dark: draw the windows in a dark palette
)";
} // namespace

int main(int argc, char *argv[])
{
    if (const auto exit = Zelk::standardOptions(QStringLiteral("Kurvex"), Zelk::argumentsOf(argc, argv),
                                                QString::fromUtf8(Usage)))
        return Zelk::printExit(*exit);
    QApplication app(argc, argv);
    Zelk::applyProgramStyle();
    Zelk::installAutomationFromEnvironment();
    FrmKurvex start;
    if (!start.cmdShowGraph_Click())
        return Zelk::finishAutomation(0);
    return Zelk::finishAutomation(app.exec());
}
