// frmClient: the monitor's single window, owner of all monitor state.
// Its members are spread over one source file per subsystem (frmClient_*.cpp).
#pragma once

#include "CommLog.h"
#include "ReadingStore.h"
#include "ReplyAssembler.h"
#include "RunMode.h"
#include "StationPublishing.h"
#include "WeightTrend.h"

class BrokerLink;
class DeviceLink;
class TrendPlot;

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QFrame;
namespace Zelk {
class FitLabel;
class HeldTextView;
class Shape;
} // namespace Zelk

class frmClient : public QWidget {
    Q_OBJECT
public:
    explicit frmClient(QWidget *parent = nullptr);
    ~frmClient() override;
    // The link to the device that every request of the window goes through.
    DeviceLink &link() const { return *m_link; }
    RunMode runMode() const { return m_runMode; }

    // ---- Window events, waits, counters, XML view (frmClient.cpp) ----
    void Form_Load();
    void Form_Unload(std::int16_t &Cancel);
    bool WaitTrueFlag(bool &Flag, std::int32_t &TimeOutFlag);
    void WaitMS(std::int32_t &TimeOutMS);
    void ShowCounters();
    void SetXML_Data(bool FT);

    // ---- Settings file (frmClient_config.cpp) ----
    void Save_Config_File(const QString &strConfigFile);

    // ---- Requests and the connection cycle (frmClient_link.cpp) ----
    void RequestRTStatus();
    void SetTimeOutValue(std::int32_t &L_TimeOutValue);
    void cmdWeight_Click();

    // ---- Replies (frmClient_replies.cpp) ----
    bool Get_XML_Element_Data(const QString &strXML, const QString &strElementStart, QString &strElementData);
    void SaveHistoryToFile();

    // ---- Readout, lamps, set point, outputs, channels (frmClient_readout.cpp) ----
    void cmdSetOutOn_Click(std::int16_t Index);
    void cmdSetOutOff_Click(std::int16_t Index);
    // Focus and key events of the set-point box, handed over by its event filter.
    void txtSetPoint_GotFocus();
    void txtSetPoint_KeyPress(std::int16_t &KeyAscii);

    // ---- Fast sampling and history (frmClient_sampling.cpp) ----
    void cmdStopSample_Click();
    bool GetVarSizeArray(const QString &strCurXML2, std::int32_t &StartIndex, std::int32_t &EndIndex,
                         std::int16_t &MyInp, std::int16_t &MyOut, std::int32_t &MyTime,
                         std::int32_t &MyCounter);
    bool SaveMemory2File(const QString &fileName, std::int32_t BeginInd, std::int32_t LastInd);
    void cmdShowGraph_Click();
    void Timer3AutoSave_Timer();

    // ---- Screen layout (frmClient_layout.cpp) ----
    void LoadLayoutFile();
    void SaveLayoutFile();
    double GetFontSize(float kFnt, QWidget *ctrlSrc, QLabel *lblMeasure);

    // ---- State ----
    std::int16_t iFormBlockH = 0;
    std::int32_t lFastReplyCount = 0;
    std::int32_t lTimeOutMS = 5000;
    bool bUnitsRead = false;
    std::int32_t lWeightForeColor = 0;
    // The module-wide reading store: arrAllReadings, arrReadingTexts, bReadingsReady, arrSampleBlocks.
    ReadingStore readingStore;
    std::int32_t lNextReadingIndex = 0;
    std::int32_t lBlockCount = 0;
    std::int32_t lReadingCount = 0;
    std::int32_t lAutoSaveBegin = 0;
    std::int32_t lTotalReadings = 0;
    // Requests are computed from iOutStatus: all off (1023) until the device reports a word, so no
    // request made before the first status reply switches on outputs nobody touched. The output lamps
    // are first drawn for that word too; the other "last drawn" words start at 0.
    std::int16_t iOutStatus = 1023;
    std::int16_t iInStatus = 0;
    std::int16_t iOutStatusShown = 0;
    QString strSetPoint;
    // Module-wide values of the monitor, kept with the window.
    std::int16_t iXMode = 0;
    QString strSampleStartTime;
    // The weight of every handled status reply, with gaps where none came (frmClient_trend.cpp).
    WeightTrend weightTrend;

    // ---- Controls ----
    QGroupBox *FraWeight = nullptr, *FraInp = nullptr, *FraOut = nullptr, *FraTimers = nullptr,
              *FraHistory = nullptr, *FraErrorStatus = nullptr, *FraChannels = nullptr;
    QLabel *lblServerAddr = nullptr, *lblCommStatus = nullptr, *lblCommStatusData = nullptr;
    QLineEdit *TxtIP = nullptr;
    QLabel *lblWeight = nullptr, *lblUnitNameWGT = nullptr, *lblUnitNameTare = nullptr,
           *lblIntegration = nullptr;
    Zelk::FitLabel *lblWT_BRUTTO = nullptr, *lblTareData = nullptr; // a weight is never shown cut
    QCheckBox *chkTare = nullptr;
    QLineEdit *txtIntegration = nullptr;
    QLabel *lblInputs = nullptr, *lblShowInpStatus = nullptr, *lblGenOutput = nullptr;
    std::array<Zelk::Shape *, 9> ShpInp{};                       // 1..8
    std::array<QLabel *, 9> lblInpNum{};                         // 3..8
    std::array<Zelk::Shape *, 11> ShpOut{};                      // 1..10
    std::array<QLabel *, 11> lblOutNum{};                        // 1..10
    std::array<QPushButton *, 11> cmdSetOutOn{}, cmdSetOutOff{}; // 1..10
    QCheckBox *ChkSetPoint = nullptr, *ChkStartOutStatus = nullptr;
    QLineEdit *txtSetPoint = nullptr;
    QFrame *ShaSetPoint = nullptr;
    QLabel *LbLSetPoint = nullptr;
    QPushButton *cmdWeight = nullptr, *cmdStart_Sample = nullptr, *cmdStopSample = nullptr,
                *cmdSaveConfig = nullptr;
    QLabel *lblTimeOut = nullptr, *LbLFastSample = nullptr;
    QLineEdit *txtTimeout2 = nullptr;
    QLabel *lblHistFile = nullptr, *lblAutoSaveTime = nullptr;
    std::array<QLabel *, 2> lblHUpLim{};
    QLineEdit *txtHistFileName = nullptr;
    std::array<QRadioButton *, 3> OptX_mode{}; // 1..2
    QPushButton *cmdShowGraph = nullptr;
    QLabel *lblLastErrCode = nullptr, *lblErrNumer = nullptr, *lblLastErrDescr = nullptr,
           *lblErrDescr = nullptr;
    std::array<QLabel *, 4> lblErrorReadings{};  // 0..3
    std::array<QLabel *, 5> lblErrorReadingsD{}; // 0..4
    QLabel *lblTotalReadings = nullptr, *lblTotalReadingsD = nullptr;
    QCheckBox *chkCommLog = nullptr;
    QLabel *lblChan = nullptr, *lblChanNum = nullptr, *LblSwitch = nullptr;
    QPushButton *cmdChanSwitch = nullptr;
    std::array<QPushButton *, 3> cmdChan{}; // 1..2
    QLabel *lblA2D = nullptr, *lblA2D_Data = nullptr;
    QLabel *ImaVZT_Logo = nullptr, *lblXML_Data = nullptr, *lblAuto = nullptr;
    QPushButton *cmdShowXMLData = nullptr, *cmdQuitXML = nullptr;
    Zelk::HeldTextView *txtRealTimeInfo = nullptr; // laid out only while shown
    QTimer *Timer3AutoSave = nullptr;
    TrendPlot *picWeightTrend = nullptr;
    // Off, on and connected (ticked), on and not connected (half ticked).
    QCheckBox *chkPublish = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // ---- Window events, waits, counters, XML view (frmClient.cpp) ----
    void cmdShowXMLData_Click();
    void cmdQuitXML_Click();
    // ---- Settings file (frmClient_config.cpp) ----
    void Load_Config_File(const QString &strConfigFile);
    void cmdSaveConfig_Click();
    // ---- Requests and the connection cycle (frmClient_link.cpp) ----
    void Send2Server(const QString &strFunctionName, const QString &strParameters);
    void StartConnection(bool bDoConnect);
    void RestartRTStatus();
    void HandleNoAnswer();
    void TimerTimeOut_Timer();
    void tcpClient_Connect();
    void tcpClient_Close();
    void tcpClient_Error();
    void tcpClient_ConnectionRequest();
    // The communication log box: ticked, every exchange goes to the log file; unticked, nothing does.
    void chkCommLog_Click();
    // ---- Replies (frmClient_replies.cpp) ----
    void CreateXMLErrMsg();
    // ---- Readout, lamps, set point, outputs, channels (frmClient_readout.cpp) ----
    QString GetInterUnit(const QString &strZELK_unit_Name);
    void ShowStatusWeight(double gross);
    void ShowFastWeight(const QString &text);
    double DeviceWeight(const QString &text);
    void ShowChannel(bool found, const QString &text);
    void ShowSetPointStatus(const QString &text);
    void InitFraInpOut();
    void SetInpLampStatus(std::int16_t Mybyte2);
    void SetOutLampStatus(std::int16_t Mybyte2);
    void SetVisibleOnnOff(std::int16_t Index);
    void SetOutPut_Disasable(bool FT);
    void ShowHideInputsLamp(bool FT);
    void InitSetPoint(bool Enable, float Offset);
    void ChkSetPoint_Click();
    void InitON_OFF();
    void cmdChanSwitch_Click();
    void cmdChan_Click(std::int16_t Index);
    void chkTare_Click();
    bool DoSetPointTest(std::int16_t Index);
    void txtSetPoint_Change();
    // ---- Fast sampling and history (frmClient_sampling.cpp) ----
    void cmdStart_Sample_Click();
    void OptX_mode_Click(std::int16_t Index);
    bool StoreFastSamplingReply(std::int32_t &blocks, std::int32_t &readings);
    // ---- Screen layout (frmClient_layout.cpp) ----
    void InitFormBlockSize();
    void InitWeightLocation();

    // Window state that no caller outside the window reads.
    QWidget *ctrlEach = nullptr;
    bool bStopWasEnabled = false;
    std::int16_t iFormBlockW = 0;
    bool bNewSampleSession = false;
    bool bNewSampleRun = false;
    std::int16_t iReadingsPerReply = 0;
    std::int16_t iSPStatus = 0;
    std::int16_t iStopState = 0;
    std::int32_t lFastReplyCount2 = 0;
    std::int32_t lFastReadingsShown = 0;
    std::int32_t lSampleDurationMs = 0;
    std::int32_t lSampleStartTicks = 0;
    bool bSampleClockOn = false;
    bool bSampleStartAcked = false;
    std::int16_t iXMLErrCount = 0;
    std::int32_t lBlockIndex = 0;
    std::int32_t lPrevReadingCount = 0;
    std::int32_t lBlockTicks = 0;
    std::int32_t lTicksBase = 0;
    std::int32_t lRepliesHandled = 0;
    std::int32_t lAutoSaveLast = 0;
    std::int16_t iHistFileNo = 0;
    std::array<std::int16_t, 11> aOutMask{};
    bool bChanReplyFlag = false;
    std::int16_t iOutStatusNew = 0;
    std::int16_t iInStatusShown = 0;
    std::int16_t iInStatusNew = 0;
    bool bSetPointFlag = false;
    QString strCfgIPAddress;
    QString strCfgStartOutStatus;
    QString strCfgSetPointCheck;
    QString strCfgXMode;
    QString strCfgSampleTime;
    QString strCfgSampleTimeOut;
    std::int16_t iIntegration = 0;

    void createControls();
    void createWeightFrame();
    void createLampFrames();
    void createModeFrames();
    void createStatusFrames();
    void createViewControls();
    // Design sizes for the screen the window opens on (frmClient_layout.cpp).
    void fitDesignToScreen();
    void holdFrameContent();

    // The device link and its events shown on the window (frmClient_link.cpp).
    void createLink();
    DeviceLink *m_link = nullptr;

    // Reply handling.
    // A reply the link recognised by its closing tag, handed to its handler.
    void tcpClient_DataArrival(Reply::Kind kind);
    void HandleRTStatusReply();
    void HandleSetOutputReply();
    void HandleFastSamplingReply();
    void HandleStartSampleReply();
    void HandleStopSampleReply();
    void GiveUpReply();
    void ShowErrorDisplay(bool fastSampling);
    void EndOfRun(bool fastSampling);
    void TakeOutputWord(const QString &text);
    void TakeInputWord(const QString &text);
    void ShowOverflow(std::int32_t a2d);
    void ReadUnitsOnce();
    bool element(const char *tag, QString &value);

    // Lamps, set point and outputs (frmClient_lamps.cpp, frmClient_setpoint.cpp).
    void placeLamp(Zelk::Shape *lamp, QLabel *number, int left, int top, int caption);
    void connectSetPointAndTare();
    void SendOutputWord(std::int16_t word);
    bool AwaitSetPointReply(std::uint32_t boxColour);

    // The no-answer path; `reported`: the fault has been shown already, no message.
    void noAnswerPath(bool reported);
    // Batches of this run given up one after the other; the third ends the run by the no-answer path.
    int m_batchesGivenUp = 0;
    static constexpr int MaxBatchesGivenUp = 3;
    // A reading too long for its slot has been shown; batches holding such readings since say nothing.
    bool m_bigWeightSpell = false;
    // The messages of one batch's parse, each opened after the socket event (see msgBoxAfterEvent).
    void showParseMessages(const QStringList &messages);
    bool m_weightNotNumber = false; // "Not Number" shown for the weight; no number has come since
    QString m_surfaceNote;          // text printed on the window surface
    bool m_unloading = false;
    // The one way the program ends: the link silenced, a run in progress saved, then `exitCode`.
    void unload(int exitCode);
    bool m_runUnsaved = false; // a fast-sampling run whose history file has not been written yet
    // The run's history file, written once: by the first end of the run, or by closing the window
    // during it. `later`: a failure is shown after the socket event that ended the run has returned.
    void saveRunOnce(bool later);
    // The operator's message when blocks [begin, last) cannot be written to `fileName`; empty once written.
    QString historyWriteFailure(const QString &fileName, std::int32_t begin, std::int32_t last,
                                ReadingStore::Frame frame);
    // A message box lets events run: shown from inside a socket or timer event, it would let the next
    // exchange run in the middle of this one. This one opens once the current event has returned.
    void msgBoxAfterEvent(const QString &text);
    // Stop was clicked while a batch was on its way: its reply sends StopSample.
    bool m_stopPending = false;
    void SendStopSample();
    // Values shown in labels, kept here: the unit the device reported (written to history files), the
    // channel it reported ("Err" when a status reply had none) and the readings found in error.
    QString m_unit = QStringLiteral("kg");
    QString m_channel = QStringLiteral("0");
    qint64 m_errorReadings = 0;
    // The run mode, and the Weight and Fast Sample buttons painted from it (frmClient_sampling.cpp).
    RunMode m_runMode = RunMode::Idle;
    void setRunMode(RunMode mode);
    void stopRunMode();

    // A log that cannot be written is switched off and reported once; `later` shows the message after
    // the socket or timer event that wrote the line has returned.
    void commLogFailed(const QString &text, bool later);
    // A message not shown because its cause was shown and has not gone away: only the log has it.
    void messageRepeat(const QString &text);

    // The weight trend and the stale readouts (frmClient_trend.cpp). The trend is placed in the room
    // right of the mode and message frames; a reply's shown weight goes in, a missing one breaks the curve.
    void createTrend();
    void placeTrend();
    void trendTakeShownWeight();
    void trendGap();
    void showSetPointLine(std::int16_t sentWord);
    std::optional<double> m_setPointShown;
    QElapsedTimer m_trendClock;
    // From the no-answer path, a socket error or a given-up reply until the next handled reply, the
    // readouts are drawn stale and the communication status says since when.
    void showStale();
    void showLive();
    void setReadoutsStale(bool stale);
    QString m_staleSince; // the communication status while stale; empty while live

    // Publishing to a broker (frmClient_publish.cpp): off until the operator or the station settings
    // file switches it on. Each handled status reply, input or output change, run and fault the operator
    // sees goes to the broker link, which never holds up the device or the window.
    void createPublishing();
    void loadPublishing();
    void reportStationFile(const QStringList &problems);
    void chkPublish_Click();
    void startPublishing();
    void stopPublishing();
    void showPublishState(bool connected, const QString &lastError);
    void publishStatusReply(std::optional<double> gross, std::optional<std::int32_t> a2d, bool overflow);
    void publishIo();
    Publish::RunSummary runSummary() const;
    void publishRunStarted();
    void publishRunEnded(const QString &failure);
    void publishRunFault(const QString &reason);
    void publishFault(Publish::FaultKind kind, const QString &text);
    // A file that could not be written: the operator's message, and the broker's fault.
    void showWriteFailure(const QString &text, bool later);
    double shownTare() const;
    std::unique_ptr<BrokerLink> m_broker;
    Publish::Settings m_publishing;
    Publish::Station m_station;
    Publish::Thinner m_weightThinner;
    QElapsedTimer m_publishClock;
    QString m_publishError;
    bool m_ioReported = false; // the device has reported an input or output word
    std::optional<std::pair<int, int>> m_ioPublished;
    QElapsedTimer m_runClock;
    bool m_runFaultPublished = false;
};
