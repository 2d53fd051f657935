// FrmKurvex: start-up of the viewer.
// Opening and loading history files follow with the viewer's loader.
#include "FrmKurvex.h"

FrmKurvex::FrmKurvex(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmKurvex"));
}

bool FrmKurvex::cmdShowGraph_Click()
{
    return false;
}
