// frmHistory_Graph: the graph window of one slot: the plot with its two axes, header readouts, value
// type, zoom with its stack, cursor label, statistics, readings list, printing, following a growing file.
#pragma once

#include "GraphE.h"
#include "GraphMath.h"
#include "PictureBox.h"
#include "frmListHist_Graph.h"

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;
namespace HistoryFollow {
class Follower;
struct Poll;
} // namespace HistoryFollow

class frmHistory_Graph : public QWidget {
    Q_OBJECT
public:
    // The graph of `slot` (0..3) of `viewer`, which outlives the window.
    frmHistory_Graph(GraphE::Viewer &viewer, quint8 slot, QWidget *parent = nullptr);
    ~frmHistory_Graph() override; // the readings list goes with the graph

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

    // Statistics and readouts.
    bool GetStatistics2OneString(qint32 lo, qint32 hi, QString &strDataA2D, QString &strDataVAL);
    void ReadingsNumber();
    void cmdHideInputs_Click();
    void cmdAdd2Graf_Click();
    // Reads summary file `part` of the current folder into slot 0 from reading firstIndex on; false
    // (with a message naming the file, nothing changed) when the file cannot be read.
    bool LoadMinMaxFile(int part, qint32 firstIndex, qint32 &nextIndex);

    // Readings list.
    void cmdReadFile_Click();
    void ShowListHistTemp(frmListHist_Graph *LstBox, double xmin, double xmax, quint8 OptA2D_Value,
                          quint8 ChannelNumber);
    frmListHist_Graph *listWindow() const { return m_list.data(); }
    bool listOpen() const { return ListOpen; }
    void listClosed(); // the readings list has closed: "ShowData" may open it again

    // Printing.
    void cmdPrintF_Click();
    void cmdPrint_Click();

    // Export: the readings of the current x range as CSV, or the plot with its axes as PNG or PDF.
    void cmdExport_Click();
    QImage plotPicture(); // value axis, plot and x axis as they stand on the window

    // Mouse-wheel zoom around a point of the plot (twips from its left); steps > 0 zoom in.
    void pctGraphH_Wheel(double x, int steps);
    // Shows readings first..last as a zoom does (the view it leaves goes on the zoom stack), the value
    // limits kept; false, and nothing changes, when the range is not 7 or more of the file's readings.
    bool showRange(qint32 first, qint32 last);

    // Measuring cursors: two vertical lines on the plot and the readout of both and their differences.
    void chkCursors_Click();
    void placeMeasureCursors(); // after every redraw: back on their readings, or into view
    void showCursorReadout();

    // Following a file that grows: `path` was loaded (its first `loadedBytes`); "Follow" is offered
    // for an auto-save file, the one file that loads before its end line is written.
    void setFollowSource(const QString &path, qint64 loadedBytes);
    void chkFollow_Click(bool on);
    void followTick(); // one poll: what the file gained is shown

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
    PictureBox *picRes;
    QLineEdit *txtlblYMinName2, *txtlblYMaxName2, *txtlblYMaxCurr2, *txtlblYMinCurr2, *txtlblEndDateTimeName2,
        *txtlblStartDateTimeName2, *txtlblStartingDate2, *txtlblEndDate2, *txtlblChannelName2,
        *txtlblUnitGrad2;
    QPushButton *cmdExport;
    QCheckBox *chkCursors;
    QCheckBox *chkFollow;
    QTimer *tmrFollow;
    QLabel *lblCursors;                           // the measuring readout
    std::array<QWidget *, 3> linCursor{};         // 1, 2: the measuring lines on the plot
    std::array<qint32, 3> CursorReading{0, 0, 0}; // the reading under each measuring line

    // Window state.
    int HalfScreenH = 0; // twips
    std::array<qint32, 4> &LoIndex, &HiIndex;
    double Ymin = -110, Ymax = 2221;     // the value limits of the view
    double ShownMin = 0, ShownMax = 100; // the smallest and largest reading drawn, in counts
    quint8 ValueType = 1;
    GraphMath::ZoomStack ZoomStack;
    int ZoomLevel = 0;
    std::int32_t MouseX = 0, MouseY = 0;
    int InputLabelCount = 0;
    QStringList PrintedLines; // texts printed on the window surface, from the top left down

    double ListLo = 0, ListHi = 0; // the range of the readings list's first fill

    quint8 slot() const { return m_slot; }
    GraphE::Viewer &viewer() const { return m_viewer; }

signals:
    void unloaded(quint8 slot); // closed: the slot is empty again

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int ScreenW = 0; // twips
    QString UnitText, ChannelsLine;
    float A2DOffset = 0, A2DGain = 1.0f;
    bool ResetAll = false;
    std::int32_t CurXmin = 0, CurXmax = 10;
    double CurYmin = 0, CurYmax = 0; // whole numbers
    bool DragOn = false;
    std::int32_t DownX = 0, DownY = 0;
    std::array<bool, MaxInputLabels + 1> InputLabelLoaded{};
    int DownMarkerRow = 0, UpMarkerRow = 0;
    bool ReduceDrawing = true; // per-pixel-column drawing of long ranges
    QString AvgA2DText, AvgValueText;
    int AddCount = 0;
    GraphE::Viewer &m_viewer;
    const quint8 m_slot;
    QPointer<frmListHist_Graph> m_list;
    bool ListOpen = false;
    void applyRange(GraphMath::XRange r);
    void createControls();
    void placeControls();
    void InitGraph();
    void MakeXscale3(double xmin, double xmax);
    void DrawYscaleNoBorders(quint8 optValType, double ymin, double ymax);
    void ShowZELKFullHistoryGraph(double xmin, double xmax, double ymin, double ymax);
    void unloadInputLabels();
    void loadInputLabel(int index, double left, double top, std::int32_t input);
    QString countsText(double counts) const; // "0" or the engineering value "0.000" by ValueType
    QString fileUnit() const;
    QString timeText(qint32 reading) const;
    void Form_Unload();
    void createPrintControls();
    void refreshStatistics(quint8 slot); // the statistics of LoIndex..HiIndex into txtAverage
    void showAverageText();
    void refillList(bool keepSelectedRow);
    void restoreLiveSurfaces(); // the drawing surfaces in place of the composed picture
    void createMeasureCursors();
    void moveMeasureCursor(int index, int plotPx); // a dragged line onto the reading nearest plotPx
    void standMeasureLine(int index);              // a line onto its reading's place on the plot
    int m_wheelRest = 0;                           // wheel turn not yet a whole notch (1/8 degrees)

    // Cursor label events (label coordinates in twips).
    void lblTaget_MouseDown(double x, double y);
    void lblTaget_MouseMove(double x, double y);
    void lblTaget_DblClick();
    enum class CursorGrip { None, Move, Vertical, Horizontal, Diagonal };
    CursorGrip m_grip = CursorGrip::None;
    void createFollowControls();
    void showHeaderTexts(); // the file's header texts on the readouts, as after a load
    QString takeFollowed(const HistoryFollow::Poll &poll, std::int32_t firstRow);
    bool showFollowed(); // the view extended to the newest reading, unless the operator zoomed
    void finishFollow(const HistoryFollow::Poll &poll);
    void stopFollow();
    QString m_followPath;
    qint64 m_followLoaded = 0;
    std::unique_ptr<HistoryFollow::Follower> m_follower;
    GraphE::ReadingNotes m_followNotes;
    bool m_followBusy = false;
    bool m_unloaded = false;
    bool m_composed = false; // picRes stands in for the drawing surfaces
};
