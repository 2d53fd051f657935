// frmClient: construction and start-up of the monitor window.
// The other subsystems live in frmClient_*.cpp.
#include "frmClient.h"

frmClient::frmClient(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmClient"));
    setWindowTitle(QStringLiteral("ZELK-NET-MONITOR-V6.00"));
}

void frmClient::Form_Load()
{
    show();
}
