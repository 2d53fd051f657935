// ZELK-NET-MONITOR: program entry; --help and --version are answered without a window, the window
// does the rest.
#include "AutomationDriver.h"
#include "ButtonStyle.h"
#include "ProgramOptions.h"
#include "frmClient.h"

#include <QApplication>

namespace {
const char Usage[] = R"(Usage: ZELK-NET-MONITOR [--help | --version]

Monitoring station for one networked weighing and digital input/output controller: live weight, tare
and unit, input and output lamps, output switching, a weight set point, channel switching, and
fast-sampling runs written to a history file that Kurvex plots.

Options:
  --help     show this help and exit
  --version  show the version and exit

Environment:
  ZELK_DEFAULT_ADDRESS  the device address (host or host:port) when the folder has no ZELK_NET.cfg
  ZELK_AUTOMATION       a script for the automation driver, or - for standard input
  ZELK_AUTOMATION_VIEWER  the script Kurvex runs when "Show Graph" starts it
  ZELK_MSGBOX_HOLD_MS   keep each message box open this many ms before the driver answers it
  ZELK_PALETTE          dark: draw the window in a dark palette
  ZELK_TICK_START       start the millisecond tick count at this 32-bit number

Files, in the current folder: ZELK_NET.cfg (settings), PLXW.cfg (screen layout), All_data.txt (the
history file, named in the window), AutoSave.txt (the run so far), ZELK_NET_comm.log (communication log).
)";
} // namespace

int main(int argc, char *argv[])
{
    if (const auto exit = Zelk::standardOptions(QStringLiteral("ZELK-NET-MONITOR"),
                                                Zelk::argumentsOf(argc, argv), QString::fromUtf8(Usage)))
        return Zelk::printExit(*exit);
    QApplication app(argc, argv);
    Zelk::applyProgramStyle();
    Zelk::installAutomationFromEnvironment();
    frmClient window;
    window.Form_Load();
    return Zelk::finishAutomation(app.exec());
}
