// ZELK-NET-MONITOR: program entry; the window does the rest.
#include "AutomationDriver.h"
#include "ButtonStyle.h"
#include "frmClient.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Zelk::applyProgramStyle();
    Zelk::installAutomationFromEnvironment();
    frmClient window;
    window.Form_Load();
    return Zelk::finishAutomation(app.exec());
}
