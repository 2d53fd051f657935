// frmClient: construction and design-time controls, start-up and shut-down, the message-pumping waits,
// the reading counter and the raw-XML view. The other subsystems live in frmClient_*.cpp.
#include "frmClient.h"

#include "BrokerLink.h"
#include "Controls.h"
#include "DeviceLink.h"
#include "MdlFunctions.h"
#include "Seams.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

namespace {

constexpr int RepaintIntervalMs = 33; // about 30 paints a second at most
constexpr int Px = 15;                // design geometry below is written in pixels at 96 dpi, 15 twips each

template <class W> W *place(W *w, const QString &name, int left, int top, int width, int height)
{
    w->setObjectName(name);
    Zelk::setGeometryTwips(w, left * Px, top * Px, width * Px, height * Px);
    return w;
}

QString indexed(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

template <class L = QLabel> L *label(QWidget *parent, const QString &name, const QString &caption, QRect r)
{
    auto *l = place(new L(caption, parent), name, r.x(), r.y(), r.width(), r.height());
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption, QRect r)
{
    return place(new QPushButton(caption, parent), name, r.x(), r.y(), r.width(), r.height());
}

QLineEdit *textBox(QWidget *parent, const QString &name, const QString &text, QRect r)
{
    return place(new QLineEdit(text, parent), name, r.x(), r.y(), r.width(), r.height());
}

QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &caption, QRect r)
{
    // Values 0, 1 and 2 (grey) can be set in code; a click toggles between 0 and 1.
    return place(new QCheckBox(caption, parent), name, r.x(), r.y(), r.width(), r.height());
}

QGroupBox *frame(QWidget *parent, const QString &name, const QString &caption, QRect r)
{
    return place(new QGroupBox(caption, parent), name, r.x(), r.y(), r.width(), r.height());
}

void setFontSize(QWidget *w, double points, bool bold = false)
{
    QFont f = w->font();
    f.setPointSizeF(points);
    f.setBold(bold);
    w->setFont(f);
}

} // namespace

frmClient::frmClient(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmClient"));
    setWindowTitle(QStringLiteral("ZELK-NET-MONITOR-V6.00"));
    createControls();
    fitDesignToScreen();
    Zelk::setMsgBoxRepeatListener([this](const QString &text) { messageRepeat(text); });
}

frmClient::~frmClient()
{
    Zelk::setMsgBoxRepeatListener(nullptr);
    m_link->disconnect(this);
    stopPublishing();
}

void frmClient::createControls()
{
    const int width = 1010, height = 540;
    resize(Zelk::twipsToPixels(width * Px), Zelk::twipsToPixels(height * Px));
    // Readouts change with every reply, many times a second: the window paints them at a display's pace.
    new Zelk::RepaintPacer(this, RepaintIntervalMs);
    createWeightFrame();
    createLampFrames();
    createModeFrames();
    createStatusFrames();
    createPublishing();
    createViewControls();
    createTrend();
    connectSetPointAndTare();

    createLink();
    Timer3AutoSave = new QTimer(this);
    Timer3AutoSave->setObjectName(QStringLiteral("Timer3AutoSave"));
    connect(Timer3AutoSave, &QTimer::timeout, this, &frmClient::Timer3AutoSave_Timer);
    TimerSwitch::setInterval(Timer3AutoSave, 1000);
}

void frmClient::createWeightFrame()
{
    FraWeight = frame(this, QStringLiteral("FraWeight"), QString(), {10, 8, 650, 104});
    lblServerAddr = label(FraWeight, QStringLiteral("lblServerAddr"), QStringLiteral("Server Address:"),
                          {12, 14, 104, 24});
    TxtIP = textBox(FraWeight, QStringLiteral("TxtIP"), QString(), {200, 22, 170, 26});
    lblCommStatus = label(FraWeight, QStringLiteral("lblCommStatus"), QStringLiteral("Communication Status:"),
                          {384, 23, 150, 24});
    lblCommStatusData = label(FraWeight, QStringLiteral("lblCommStatusData"), QStringLiteral("Not connected"),
                              {536, 23, 180, 24});

    lblWeight = label(FraWeight, QStringLiteral("lblWeight"), QStringLiteral("Weight:"), {12, 54, 76, 38});
    setFontSize(lblWeight, 12);
    lblWT_BRUTTO = label<Zelk::FitLabel>(FraWeight, QStringLiteral("lblWT_BRUTTO"), QStringLiteral("000.000"),
                                         {90, 50, 150, 44});
    setFontSize(lblWT_BRUTTO, 20, true);
    lblWT_BRUTTO->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblUnitNameWGT =
        label(FraWeight, QStringLiteral("lblUnitNameWGT"), QStringLiteral("kg"), {246, 54, 40, 38});
    setFontSize(lblUnitNameWGT, 12);
    chkTare = checkBox(FraWeight, QStringLiteral("chkTare"), QStringLiteral("Tare:"), {300, 60, 64, 26});
    lblTareData = label<Zelk::FitLabel>(FraWeight, QStringLiteral("lblTareData"), QStringLiteral("0"),
                                        {366, 54, 90, 38});
    setFontSize(lblTareData, 12);
    lblTareData->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblUnitNameTare =
        label(FraWeight, QStringLiteral("lblUnitNameTare"), QStringLiteral("kg"), {460, 54, 36, 38});
    setFontSize(lblUnitNameTare, 12);
    lblIntegration =
        label(FraWeight, QStringLiteral("lblIntegration"), QStringLiteral("Integration:"), {508, 60, 80, 26});
    txtIntegration = textBox(FraWeight, QStringLiteral("txtIntegration"), QString(), {588, 60, 50, 26});
}

void frmClient::createLampFrames()
{
    // Ten columns of lamps; output 1 and input 1 stand in the rightmost column.
    const auto column = [](int k) { return 120 + k * 52; };
    FraInp = frame(this, QStringLiteral("FraInp"), QString(), {10, 116, 650, 50});
    lblInputs = label(FraInp, QStringLiteral("lblInputs"), QStringLiteral("Inputs:"), {12, 14, 70, 24});
    lblShowInpStatus =
        label(FraInp, QStringLiteral("lblShowInpStatus"),
              QStringLiteral("To show current input status click \"Weight I/O\""), {120, 14, 400, 24});
    for (int i = 1; i <= 8; ++i) {
        ShpInp[i] = place(new Zelk::Shape(FraInp), indexed("ShpInp", i), column(i + 1), 10, 30, 30);
        ShpInp[i]->setVisible(i >= 3);
        if (i >= 3) {
            lblInpNum[i] =
                label(FraInp, indexed("lblInpNum", i), QString::number(9 - i), {column(i + 1), 10, 30, 30});
            lblInpNum[i]->setAlignment(Qt::AlignCenter);
            lblInpNum[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
    }

    FraOut = frame(this, QStringLiteral("FraOut"), QString(), {10, 170, 650, 152});
    lblGenOutput =
        label(FraOut, QStringLiteral("lblGenOutput"), QStringLiteral("Outputs:"), {12, 16, 80, 24});
    for (int i = 1; i <= 10; ++i) {
        ShpOut[i] = place(new Zelk::Shape(FraOut), indexed("ShpOut", i), column(i - 1) + 5, 12, 30, 30);
        lblOutNum[i] =
            label(FraOut, indexed("lblOutNum", i), QString::number(11 - i), {column(i - 1) + 5, 12, 30, 30});
        lblOutNum[i]->setAlignment(Qt::AlignCenter);
        lblOutNum[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    for (int n = 1; n <= 10; ++n) {
        const int left = column(10 - n);
        cmdSetOutOn[n] = button(FraOut, indexed("cmdSetOutOn", n), QStringLiteral("On"), {left, 50, 40, 34});
        cmdSetOutOff[n] =
            button(FraOut, indexed("cmdSetOutOff", n), QStringLiteral("Off"), {left, 50, 40, 34});
        for (QPushButton *b : {cmdSetOutOn[n], cmdSetOutOff[n]})
            setFontSize(b, 12, true);
        cmdSetOutOn[n]->setVisible(false);
        connect(cmdSetOutOn[n], &QPushButton::clicked, this,
                [this, n] { cmdSetOutOn_Click(std::int16_t(n)); });
        connect(cmdSetOutOff[n], &QPushButton::clicked, this,
                [this, n] { cmdSetOutOff_Click(std::int16_t(n)); });
    }
    ShaSetPoint = place(new QFrame(FraOut), QStringLiteral("ShaSetPoint"), 6, 46, 104, 100);
    ShaSetPoint->setFrameShape(QFrame::Box);
    ShaSetPoint->setVisible(false);
    Zelk::drawBeneath(ShaSetPoint); // the box around the set point must not swallow "Enter"
    ChkSetPoint =
        checkBox(FraOut, QStringLiteral("ChkSetPoint"), QStringLiteral("Set Point"), {12, 94, 100, 24});
    connect(ChkSetPoint, &QCheckBox::stateChanged, this, &frmClient::ChkSetPoint_Click);
    txtSetPoint = textBox(FraOut, QStringLiteral("txtSetPoint"), QStringLiteral("0"), {12, 120, 90, 24});
    txtSetPoint->setVisible(false);
    LbLSetPoint = label(FraOut, QStringLiteral("LbLSetPoint"), QString(), {6, 46, 104, 100});
    LbLSetPoint->setToolTip(QStringLiteral("Set Point is enabled only with channel #1"));
    LbLSetPoint->setVisible(false);
    ChkStartOutStatus = checkBox(FraOut, QStringLiteral("ChkStartOutStatus"),
                                 QStringLiteral("Start Output Status (Off)"), {120, 120, 220, 24});
}

void frmClient::createModeFrames()
{
    FraTimers =
        frame(this, QStringLiteral("FraTimers"), QStringLiteral(" Activation Mode "), {670, 8, 330, 158});
    cmdWeight =
        button(FraTimers, QStringLiteral("cmdWeight"), QStringLiteral("Weight  I/O"), {8, 24, 110, 32});
    cmdStart_Sample = button(FraTimers, QStringLiteral("cmdStart_Sample"), QStringLiteral("Fast Sample"),
                             {124, 24, 110, 32});
    cmdStopSample =
        button(FraTimers, QStringLiteral("cmdStopSample"), QStringLiteral("Stop"), {8, 62, 110, 30});
    cmdStopSample->setEnabled(false);
    lblTimeOut =
        label(FraTimers, QStringLiteral("lblTimeOut"), QStringLiteral("TimeOut (ms):"), {10, 102, 90, 24});
    txtTimeout2 =
        textBox(FraTimers, QStringLiteral("txtTimeout2"), QStringLiteral("5000"), {100, 101, 60, 26});
    cmdSaveConfig =
        button(FraTimers, QStringLiteral("cmdSaveConfig"), QStringLiteral("Save Config"), {124, 62, 110, 30});
    LbLFastSample = label(FraTimers, QStringLiteral("LbLFastSample"), QString(), {124, 24, 110, 32});
    LbLFastSample->setToolTip(QStringLiteral("Fast Sample is enabled only with channel #1."));
    LbLFastSample->setVisible(false);
    connect(cmdWeight, &QPushButton::clicked, this, &frmClient::cmdWeight_Click);
    connect(cmdStart_Sample, &QPushButton::clicked, this, &frmClient::cmdStart_Sample_Click);
    connect(cmdStopSample, &QPushButton::clicked, this, &frmClient::cmdStopSample_Click);
    connect(cmdSaveConfig, &QPushButton::clicked, this, &frmClient::cmdSaveConfig_Click);

    FraHistory =
        frame(this, QStringLiteral("FraHistory"), QStringLiteral(" History file"), {670, 170, 330, 152});
    lblHistFile =
        label(FraHistory, QStringLiteral("lblHistFile"), QStringLiteral("File Name"), {8, 25, 64, 24});
    txtHistFileName = textBox(FraHistory, QStringLiteral("txtHistFileName"), QStringLiteral("All_data.txt"),
                              {74, 24, 160, 26});
    OptX_mode[1] = place(new QRadioButton(QStringLiteral("Reading"), FraHistory), indexed("OptX_mode", 1), 8,
                         56, 84, 24);
    OptX_mode[2] = place(new QRadioButton(QStringLiteral("Time in ms."), FraHistory), indexed("OptX_mode", 2),
                         96, 56, 110, 24);
    OptX_mode[2]->setChecked(true);
    for (int i = 1; i <= 2; ++i)
        connect(OptX_mode[i], &QRadioButton::clicked, this, [this, i] { OptX_mode_Click(std::int16_t(i)); });
    cmdShowGraph =
        button(FraHistory, QStringLiteral("cmdShowGraph"), QStringLiteral("Show Graph"), {8, 84, 110, 30});
    cmdShowGraph->setEnabled(false);
    connect(cmdShowGraph, &QPushButton::clicked, this, &frmClient::cmdShowGraph_Click);
    lblAutoSaveTime = label(FraHistory, QStringLiteral("lblAutoSaveTime"),
                            QStringLiteral("AutoSaveTime (sec.):"), {8, 120, 226, 22});
    lblHUpLim[0] = label(FraHistory, indexed("lblHUpLim", 0), QStringLiteral("Max."), {8, 144, 36, 22});
    lblHUpLim[1] =
        label(FraHistory, indexed("lblHUpLim", 1), QStringLiteral("readings in file"), {48, 144, 186, 22});
}

void frmClient::createStatusFrames()
{
    FraErrorStatus = frame(this, QStringLiteral("FraErrorStatus"), QStringLiteral("  Message Status  "),
                           {670, 326, 330, 206});
    lblLastErrCode = label(FraErrorStatus, QStringLiteral("lblLastErrCode"),
                           QStringLiteral("Last message Code:"), {8, 22, 124, 20});
    lblErrNumer = label(FraErrorStatus, QStringLiteral("lblErrNumer"), QString(), {134, 22, 100, 20});
    lblLastErrDescr = label(FraErrorStatus, QStringLiteral("lblLastErrDescr"),
                            QStringLiteral(" Message descr.:"), {8, 42, 124, 20});
    lblErrDescr = label(FraErrorStatus, QStringLiteral("lblErrDescr"), QString(), {134, 42, 130, 20});
    const char *captions[] = {"Error Readings:", "Err N.O.E.tr:", "Err N.O.str:", "Err N.O.E.B:"};
    const QPoint spots[] = {{8, 64}, {136, 64}, {8, 84}, {136, 84}, {136, 104}};
    for (int i = 0; i <= 4; ++i) {
        const int captionWidth = spots[i].x() == 8 ? 96 : 76; // two columns of caption and count
        if (i <= 3)
            lblErrorReadings[i] =
                label(FraErrorStatus, indexed("lblErrorReadings", i), QLatin1String(captions[i]),
                      {spots[i].x(), spots[i].y(), captionWidth, 20});
        lblErrorReadingsD[i] = label(FraErrorStatus, indexed("lblErrorReadingsD", i), QStringLiteral("0"),
                                     {spots[i].x() + captionWidth, spots[i].y(), 28, 20});
    }
    lblTotalReadings = label(FraErrorStatus, QStringLiteral("lblTotalReadings"),
                             QStringLiteral("Total Readings:"), {8, 126, 94, 20});
    lblTotalReadingsD =
        label(FraErrorStatus, QStringLiteral("lblTotalReadingsD"), QStringLiteral("0"), {102, 126, 132, 20});
    // In the free spot of the counters' left column, inside the frame on every screen. Off on every
    // start; not kept in the settings file.
    chkCommLog = checkBox(FraErrorStatus, QStringLiteral("chkCommLog"), QStringLiteral("Comm. log"),
                          {8, 104, 124, 20});
    chkCommLog->setToolTip(QStringLiteral("Record the traffic with the server in ") + CommLog::FileName);
    connect(chkCommLog, &QCheckBox::stateChanged, this, &frmClient::chkCommLog_Click);

    FraChannels =
        frame(this, QStringLiteral("FraChannels"), QStringLiteral(" Channels "), {440, 326, 220, 98});
    lblChan = label(FraChannels, QStringLiteral("lblChan"), QStringLiteral("Channel"), {12, 30, 60, 26});
    lblChanNum = label(FraChannels, QStringLiteral("lblChanNum"), QStringLiteral("0"), {74, 30, 40, 26});
    setFontSize(lblChanNum, 12, true);
    cmdChanSwitch =
        button(FraChannels, QStringLiteral("cmdChanSwitch"), QStringLiteral("Switch"), {122, 26, 86, 32});
    connect(cmdChanSwitch, &QPushButton::clicked, this, &frmClient::cmdChanSwitch_Click);
    LblSwitch = label(FraChannels, QStringLiteral("LblSwitch"), QStringLiteral("lSwitch"), {122, 26, 86, 32});
    // A marker over the Switch button that carries the tooltip a disabled button cannot show; its
    // caption is not meant to be read.
    LblSwitch->setStyleSheet(QStringLiteral("color: transparent; background: transparent;"));
    LblSwitch->setVisible(false);
    Zelk::markWhileDisabled(LblSwitch, cmdChanSwitch); // shown while polling is off, button enabled or not
    for (int i = 1; i <= 2; ++i) {
        cmdChan[i] = button(FraChannels, indexed("cmdChan", i), QStringLiteral("Channel %1").arg(i),
                            {12 + (i - 1) * 100, 62, 96, 28});
        cmdChan[i]->setVisible(false);
        connect(cmdChan[i], &QPushButton::clicked, this, [this, i] { cmdChan_Click(std::int16_t(i)); });
    }
    lblA2D = label(this, QStringLiteral("lblA2D"), QStringLiteral("A2D:"), {440, 432, 100, 26});
    lblA2D_Data = label(this, QStringLiteral("lblA2D_Data"), QString(), {540, 432, 120, 26});
    lblA2D->setVisible(false);
    lblA2D_Data->setVisible(false);
}

void frmClient::createViewControls()
{
    ImaVZT_Logo = label(this, QStringLiteral("ImaVZT_Logo"), QString(), {10, 330, 300, 200});
    // Our own wordmark (resources/zelk-net-logo.svg, rendered to PNG), drawn to the image's size.
    ImaVZT_Logo->setPixmap(QPixmap(QStringLiteral(":/monitor/zelk-net-logo.png")));
    ImaVZT_Logo->setScaledContents(true);
    cmdShowXMLData =
        button(this, QStringLiteral("cmdShowXMLData"), QStringLiteral("Show XML Data"), {318, 330, 114, 34});
    connect(cmdShowXMLData, &QPushButton::clicked, this, &frmClient::cmdShowXMLData_Click);
    lblXML_Data = label(this, QStringLiteral("lblXML_Data"), QStringLiteral("XML Data"), {10, 330, 398, 22});
    cmdQuitXML = button(this, QStringLiteral("cmdQuitXML"), QString(), {410, 330, 22, 22});
    cmdQuitXML->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    connect(cmdQuitXML, &QPushButton::clicked, this, &frmClient::cmdQuitXML_Click);
    txtRealTimeInfo =
        place(new Zelk::HeldTextView(this), QStringLiteral("txtRealTimeInfo"), 10, 354, 422, 178);
    txtRealTimeInfo->setReadOnly(true);
    lblAuto = label(this, QStringLiteral("lblAuto"), QStringLiteral("0"), {0, 0, 10, 16});
    lblAuto->setVisible(false);
}

// ---- Start-up and shut-down ----------------------------------------------------------------------

void frmClient::Form_Load()
{
    iReadingsPerReply = 232;
    MdlFunctions::setStrDecimalSep(MdlFunctions::FindDecimalSeparator());
    const QString address = qEnvironmentVariable("ZELK_DEFAULT_ADDRESS");
    TxtIP->setText(address.isEmpty() ? QStringLiteral("192.168.1.100") : address);
    Load_Config_File(QStringLiteral("ZELK_NET.cfg"));
    SetTimeOutValue(lTimeOutMS);
    TxtIP->setText(strCfgIPAddress);
    TimerSwitch::setEnabled(Timer3AutoSave, false);
    InitFraInpOut();
    InitWeightLocation();
    SetXML_Data(false);
    InitSetPoint(false, 100);
    show();
    // The start-up request is timed like every other: a device that falls silent is reported once.
    if (strCfgStartOutStatus == QLatin1String("1")) {
        ChkStartOutStatus->setCheckState(Qt::Checked);
        InitON_OFF();
    } else {
        m_link->setCommand(QStringLiteral("GetRTStatus"), QString());
        StartConnection(true);
        ChkStartOutStatus->setCheckState(Qt::Unchecked);
    }
    setRunMode(RunModes::afterPoll(m_runMode));
    ChkSetPoint->setCheckState(strCfgSetPointCheck == QLatin1String("1") ? Qt::Checked : Qt::Unchecked);
    LoadLayoutFile();
    loadPublishing();
}

void frmClient::Form_Unload(std::int16_t &Cancel)
{
    Cancel = 0;
    unload(EXIT_SUCCESS);
}

void frmClient::unload(int exitCode)
{
    m_unloading = true;
    m_link->silence();
    // A run still in progress keeps what it stored: the blocks since the last auto-save tick go out now,
    // and the history file is written as at the end of the run (a run without readings replaces none).
    if (Timer3AutoSave->isActive())
        Timer3AutoSave_Timer();
    Timer3AutoSave->stop();
    if (lBlockCount > 0)
        saveRunOnce(false);
    // The broker hears the end of the run, then the station going offline.
    stopPublishing();
    QCoreApplication::exit(exitCode);
}

void frmClient::closeEvent(QCloseEvent *event)
{
    std::int16_t cancel = 0;
    Form_Unload(cancel);
    event->accept();
}

void frmClient::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_surfaceNote.isEmpty())
        return;
    QPainter painter(this);
    painter.drawText(QPoint(4, height() - 4), m_surfaceNote);
}

// ---- Waits -----------------------------------------------------------------------------------------

namespace {
// Lets window, socket and timer events run, sleeping until one comes; wakes by the deadline (and at
// least every 50 ms) so the caller can look at the clock, without spinning.
void pumpEvents(std::int32_t remainingMs)
{
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(std::clamp<std::int32_t>(remainingMs, 1, 50));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
} // namespace

bool frmClient::WaitTrueFlag(bool &Flag, std::int32_t &TimeOutFlag)
{
    const std::int32_t start = Zelk::GetTickCount();
    if (Flag)
        return true;
    for (;;) {
        const std::int32_t elapsed = Zelk::ticksBetween(start, Zelk::GetTickCount());
        if (elapsed > TimeOutFlag)
            return false;
        pumpEvents(TimeOutFlag - elapsed + 1);
        if (Flag)
            return true;
    }
}

void frmClient::WaitMS(std::int32_t &TimeOutMS)
{
    const std::int32_t start = Zelk::GetTickCount();
    for (std::int32_t elapsed = 0; elapsed < TimeOutMS;
         elapsed = Zelk::ticksBetween(start, Zelk::GetTickCount()))
        pumpEvents(TimeOutMS - elapsed);
}

void frmClient::msgBoxAfterEvent(const QString &text)
{
    QTimer::singleShot(0, this, [text] { Zelk::MsgBox(text); });
}

void frmClient::ShowCounters()
{
    lTotalReadings += 1;
    lblTotalReadingsD->setText(QString::number(lTotalReadings));
}

// ---- Raw-XML view ----------------------------------------------------------------------------------

void frmClient::SetXML_Data(bool FT)
{
    txtRealTimeInfo->setVisible(FT);
    lblXML_Data->setVisible(FT);
    cmdQuitXML->setVisible(FT);
    ImaVZT_Logo->setVisible(!FT);
    cmdShowXMLData->setVisible(!FT);
}

void frmClient::cmdShowXMLData_Click()
{
    SetXML_Data(true);
}

void frmClient::cmdQuitXML_Click()
{
    SetXML_Data(false);
}
