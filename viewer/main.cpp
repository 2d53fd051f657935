// Kurvex: program entry; the hidden start-up window opens the history file.
#include "AutomationDriver.h"
#include "ButtonStyle.h"
#include "FrmKurvex.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Zelk::applyProgramStyle();
    Zelk::installAutomationFromEnvironment();
    FrmKurvex start;
    if (!start.cmdShowGraph_Click())
        return Zelk::finishAutomation(0);
    return Zelk::finishAutomation(app.exec());
}
