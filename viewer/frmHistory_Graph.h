// frmHistory_Graph: the graph window of one slot: the plot with its two axes, header readouts,
// value-type switch, zoom with its stack, the cursor label and closing.
#pragma once

#include "GraphMath.h"
#include "PictureBox.h"

#include <QWidget>
#include <array>
#include <cstdint>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

class frmHistory_Graph : public QWidget {
    Q_OBJECT
public:
    explicit frmHistory_Graph(QWidget *parent = nullptr);
    ~frmHistory_Graph() override;

    static constexpr std::uint32_t ColorZoomOn = 0x80FF80;
    static constexpr std::uint32_t ColorZoomOff = 0xC0C0C0;
    static constexpr int MaxInputLabels = 50;

    void MyInitForm_Load();
    void RefreshGraph(quint8 slot);
    void SetZoomButtons(bool on);
    void OptValueType_Click(int index);

    // Zoom, cursor and scrolling.
    void cmdUpdateGraph_Click();
    void cmdZoom_Click();
    void cmdMinus_Click();
    void cmdReSet_Click();
    void cmd1MinMax_Click();
    void HScroll1_Change();
    void pctGraphH_DblClick();

    // Controls (objectName = control name).
    QGroupBox *Frame1;
    PictureBox *pctGraphH, *pctXscale, *pctYscale;
    QLabel *lblIndexForm, *lblYMaxName, *lblYMinName, *lblYMaxCurr, *lblYMinCurr, *lblUnitGrad;
    QLabel *lblChannelName, *lblStartingDate, *lblEndDate, *lblTaget, *lblStartDateTimeName,
        *lblEndDateTimeName, *lblInputUp, *lblPlus, *lblMinus;
    std::array<QLabel *, MaxInputLabels + 1> lblInputDn{}; // 0: template; 1..50 loaded by the plot
    std::array<QRadioButton *, 3> OptValueType{};          // 1: Value, 2: A2D
    QLineEdit *txtXmin, *txtXmax, *txtYmin, *txtYmax;
    QLineEdit *txtCard, *txtChannelScanned, *txtIntegrationBufferSize, *TxtGainBiasCaption, *txtGainBias,
        *txtAverageCaption, *txtAverage;
    QPushButton *cmdZoom, *cmdUpdateGraph, *cmdMinus, *cmdReSet, *cmdReadFile, *cmdPrint, *cmdPrintF,
        *cmdQuit, *cmdHideInputs, *cmd1MinMax, *cmdAdd2Graf, *cmdGraph;
    QScrollBar *HScroll1;

    // Window state.
    int ScreenW = 0, HalfScreenH = 0; // twips
    std::array<qint32, 4> &LoIndex, &HiIndex;
    QString YminText, YmaxText, MaxText, MinText, UnitText, ChannelsLine;
    quint8 ValueType = 1;
    float A2DOffset = 0, A2DGain = 1.0f;
    GraphMath::ZoomStack ZoomStack;
    int ZoomLevel = 0;
    bool ResetAll = false;
    std::int32_t CurXmin = 0, CurXmax = 10, CurYmin = 0, CurYmax = 0;
    bool DragOn = false;
    std::int32_t DownX = 0, DownY = 0, MouseX = 0, MouseY = 0;
    int InputLabelCount = 0;
    std::array<bool, MaxInputLabels + 1> InputLabelLoaded{};
    int DownMarkerRow = 0, UpMarkerRow = 0;
    bool ReduceDrawing = true; // per-pixel-column drawing of long ranges

    quint8 slot() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void placeControls();
    void InitGraph();
    void MakeXscale3(double xmin, double xmax);
    void DrawYscaleNoBorders(quint8 optValType, double ymin, double ymax);
    void ShowZELKFullHistoryGraph(double xmin, double xmax, double ymin, double ymax);
    void unloadInputLabels();
    void loadInputLabel(int index, double left, double top, std::int32_t input);
    QString countsText(double counts) const; // "0" or the engineering value "0.000" by ValueType
    QString timeText(qint32 reading) const;
    void Form_Unload();

    // Cursor label events (label coordinates in twips).
    void lblTaget_MouseDown(double x, double y);
    void lblTaget_MouseMove(double x, double y);
    void lblTaget_DblClick();
    enum class CursorGrip { None, Move, Vertical, Horizontal, Diagonal };
    CursorGrip m_grip = CursorGrip::None;
    bool m_unloaded = false;
};
