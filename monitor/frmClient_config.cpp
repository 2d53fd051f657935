// frmClient: the settings file: loading it into the window at start-up (with the defaults when it is
// missing) and "Save Config", which writes it from the window's current state.
#include "frmClient.h"

#include "ConfigFile.h"
#include "NumberFormat.h"
#include "Seams.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

namespace {
QString checkValueText(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return QStringLiteral("0");
    case Qt::Checked:
        return QStringLiteral("1");
    case Qt::PartiallyChecked:
        return QStringLiteral("2");
    }
    return QStringLiteral("0");
}
} // namespace

void frmClient::Load_Config_File(const QString &strConfigFile)
{
    const QString path = ConfigFile::findInCurrentDir(strConfigFile);
    if (path.isEmpty()) {
        strCfgIPAddress = TxtIP->text();
        strCfgStartOutStatus = QStringLiteral("0");
        strCfgSetPointCheck = QStringLiteral("0");
        return;
    }
    const ConfigFile::Values start{strCfgIPAddress,  strCfgStartOutStatus, strCfgSetPointCheck,
                                   strCfgSampleTime, strCfgSampleTimeOut,  strCfgXMode};
    const ConfigFile::LoadResult loaded = ConfigFile::load(path, strConfigFile, start);
    for (const QString &message : loaded.messages)
        Zelk::MsgBox(message);
    strCfgIPAddress = loaded.values.ipAddress;
    strCfgStartOutStatus = loaded.values.startOutStatus;
    strCfgSetPointCheck = loaded.values.setPointCheck;
    strCfgSampleTime = loaded.values.sampleTime;
    strCfgSampleTimeOut = loaded.values.sampleTimeOut;
    strCfgXMode = loaded.values.xMode;

    txtTimeout2->setText(strCfgSampleTimeOut);
    const double mode = NumberFormat::valPrefix(strCfgXMode);
    if (mode != 1.0 && mode != 2.0)
        strCfgXMode = QStringLiteral("1");
    const int index = mode == 2.0 ? 2 : 1;
    OptX_mode[index]->setChecked(true);
    OptX_mode_Click(std::int16_t(index));
    if (!loaded.markerAccepted)
        Zelk::MsgBox(ConfigFile::structureMessage(strConfigFile));
}

void frmClient::Save_Config_File(const QString &strConfigFile)
{
    strCfgStartOutStatus = checkValueText(ChkStartOutStatus);
    strCfgSetPointCheck = checkValueText(ChkSetPoint);
    strCfgXMode = QString::number(iXMode);
    const ConfigFile::Values values{TxtIP->text(),    strCfgStartOutStatus, strCfgSetPointCheck,
                                    strCfgSampleTime, txtTimeout2->text(),  strCfgXMode};
    QString error;
    if (!ConfigFile::save(strConfigFile, values, &error))
        showWriteFailure(QStringLiteral("The file ") + strConfigFile +
                             QStringLiteral(" could not be written: ") + error,
                         false);
}

void frmClient::cmdSaveConfig_Click()
{
    Save_Config_File(ConfigFile::DefaultName);
    SaveLayoutFile();
}
