// frmHistory_Graph: creation and layout of the graph window, initialisation after a load, the
// redraw pipeline with both axes and the curve, the value-type switch and closing.
#include "frmHistory_Graph.h"

#include "Controls.h"
#include "GraphE.h"
#include "HistoryFollow.h"
#include "MdlFunctions.h"
#include "NumberFormat.h"
#include "PlotCurve.h"
#include "Readouts.h"
#include "Seams.h"
#include "frmListHist_Graph.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <cmath>

namespace {

template <typename W> W *make(QWidget *parent, const QString &name, const QString &caption = {})
{
    W *w = new W(parent);
    w->setObjectName(name);
    if constexpr (std::is_same_v<W, QLineEdit>)
        w->setText(caption);
    else if constexpr (!std::is_same_v<W, PictureBox> && !std::is_same_v<W, QScrollBar> &&
                       !std::is_same_v<W, QGroupBox>)
        w->setText(caption);
    return w;
}

QLabel *label(QWidget *parent, const QString &name, const QString &caption = {})
{
    QLabel *l = make<QLabel>(parent, name, caption);
    l->setTextFormat(Qt::PlainText); // texts from the file are never markup
    return l;
}

void place(QWidget *w, double left, double top, double width, double height)
{
    Zelk::setGeometryTwips(w, static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                           static_cast<int>(height));
}

} // namespace

frmHistory_Graph::frmHistory_Graph(GraphE::Viewer &viewer, quint8 slot, QWidget *parent)
    : QWidget(parent), LoIndex(viewer.LoIndex), HiIndex(viewer.HiIndex), m_viewer(viewer),
      m_slot(std::min<quint8>(slot, GraphE::SlotCount - 1))
{
    setObjectName(QStringLiteral("frmHistory_Graph"));
    setWindowTitle(QStringLiteral("HistoryGraph"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    createControls();
    // Initialise event: the screen size and the zoom colours; every readings list is closed.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
    ScreenW = Zelk::pixelsToTwips(size.width());
    HalfScreenH = Zelk::pixelsToTwips(size.height()) / 2;
    CurXmax = 10;
    lblIndexForm->setText(QString::number(m_slot));
}

frmHistory_Graph::~frmHistory_Graph()
{
    delete m_list.data();
}

void frmHistory_Graph::createControls()
{
    Frame1 = make<QGroupBox>(this, QStringLiteral("Frame1"));
    pctGraphH = make<PictureBox>(Frame1, QStringLiteral("pctGraphH"));
    pctXscale = make<PictureBox>(Frame1, QStringLiteral("pctXscale"));
    pctYscale = make<PictureBox>(this, QStringLiteral("pctYscale"));
    pctGraphH->setMouseTracking(true);
    pctGraphH->installEventFilter(this);
    QFont small = font();
    small.setPointSize(7);
    pctXscale->setFont(small);
    pctYscale->setFont(small);

    lblIndexForm = label(this, QStringLiteral("lblIndexForm"));
    lblIndexForm->hide();
    OptValueType[1] = make<QRadioButton>(this, QStringLiteral("OptValueType(1)"), QStringLiteral("Value"));
    OptValueType[2] = make<QRadioButton>(this, QStringLiteral("OptValueType(2)"), QStringLiteral("A2D"));
    for (int i : {1, 2})
        connect(OptValueType[static_cast<size_t>(i)], &QRadioButton::clicked, this,
                [this, i] { OptValueType_Click(i); });
    lblYMaxName = label(this, QStringLiteral("lblYMaxName"), QStringLiteral("A2D max"));
    lblYMinName = label(this, QStringLiteral("lblYMinName"), QStringLiteral("A2D min"));
    lblYMaxCurr = label(this, QStringLiteral("lblYMaxCurr"), QStringLiteral("100"));
    lblYMinCurr = label(this, QStringLiteral("lblYMinCurr"), QStringLiteral("0"));
    lblUnitGrad = label(this, QStringLiteral("lblUnitGrad"), QStringLiteral("A2D"));
    txtXmin = make<QLineEdit>(this, QStringLiteral("txtXmin"), QStringLiteral("0"));
    txtXmax = make<QLineEdit>(this, QStringLiteral("txtXmax"), QStringLiteral("10"));
    txtYmin = make<QLineEdit>(this, QStringLiteral("txtYmin"));
    txtYmax = make<QLineEdit>(this, QStringLiteral("txtYmax"));

    cmdZoom = make<QPushButton>(this, QStringLiteral("cmdZoom"), QStringLiteral("Zoom"));
    cmdUpdateGraph = make<QPushButton>(this, QStringLiteral("cmdUpdateGraph"), QStringLiteral("+"));
    cmdUpdateGraph->setToolTip(QStringLiteral("Zoom in"));
    cmdMinus = make<QPushButton>(this, QStringLiteral("cmdMinus"), QStringLiteral("-"));
    cmdMinus->setToolTip(QStringLiteral("Zoom out"));
    cmdReSet = make<QPushButton>(this, QStringLiteral("cmdReSet"), QStringLiteral("ReSet"));
    cmdReadFile = make<QPushButton>(this, QStringLiteral("cmdReadFile"), QStringLiteral("ShowData"));
    cmdPrint = make<QPushButton>(this, QStringLiteral("cmdPrint"), QStringLiteral("Print"));
    cmdPrintF = make<QPushButton>(this, QStringLiteral("cmdPrintF"), QStringLiteral("PrintF"));
    cmdQuit = make<QPushButton>(this, QStringLiteral("cmdQuit"), QStringLiteral("Quit"));
    cmdHideInputs = make<QPushButton>(this, QStringLiteral("cmdHideInputs"), QStringLiteral("Hide Inputs"));
    cmd1MinMax = make<QPushButton>(this, QStringLiteral("cmd1MinMax"), QStringLiteral("minmax"));
    cmdAdd2Graf = make<QPushButton>(this, QStringLiteral("cmdAdd2Graf"), QStringLiteral("Add"));
    cmdGraph = make<QPushButton>(this, QStringLiteral("cmdGraph"), QStringLiteral("Graph"));
    HScroll1 = make<QScrollBar>(this, QStringLiteral("HScroll1"));
    HScroll1->setOrientation(Qt::Horizontal);
    connect(cmdZoom, &QPushButton::clicked, this, &frmHistory_Graph::cmdZoom_Click);
    connect(cmdUpdateGraph, &QPushButton::clicked, this, &frmHistory_Graph::cmdUpdateGraph_Click);
    connect(cmdMinus, &QPushButton::clicked, this, &frmHistory_Graph::cmdMinus_Click);
    connect(cmdReSet, &QPushButton::clicked, this, &frmHistory_Graph::cmdReSet_Click);
    connect(cmd1MinMax, &QPushButton::clicked, this, &frmHistory_Graph::cmd1MinMax_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &QWidget::close);
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmHistory_Graph::HScroll1_Change);
    connect(cmdHideInputs, &QPushButton::clicked, this, &frmHistory_Graph::cmdHideInputs_Click);
    connect(cmdAdd2Graf, &QPushButton::clicked, this, &frmHistory_Graph::cmdAdd2Graf_Click);
    connect(cmdReadFile, &QPushButton::clicked, this, &frmHistory_Graph::cmdReadFile_Click);
    connect(cmdPrintF, &QPushButton::clicked, this, &frmHistory_Graph::cmdPrintF_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmHistory_Graph::cmdPrint_Click);

    lblChannelName = label(this, QStringLiteral("lblChannelName"));
    lblStartingDate = label(this, QStringLiteral("lblStartingDate"), QStringLiteral("StartingDate"));
    lblEndDate = label(this, QStringLiteral("lblEndDate"), QStringLiteral("End Date"));
    txtCard = make<QLineEdit>(this, QStringLiteral("txtCard"), QStringLiteral("Card"));
    txtChannelScanned =
        make<QLineEdit>(this, QStringLiteral("txtChannelScanned"), QStringLiteral("ChannelScanned."));
    txtIntegrationBufferSize = make<QLineEdit>(this, QStringLiteral("txtIntegrationBufferSize"),
                                               QStringLiteral("IntegrationBufferSize:"));
    TxtGainBiasCaption =
        make<QLineEdit>(this, QStringLiteral("TxtGainBiasCaption"), QStringLiteral("GainBiasCaption"));
    txtGainBias = make<QLineEdit>(this, QStringLiteral("txtGainBias"), QStringLiteral("GainBias"));
    txtAverageCaption =
        make<QLineEdit>(this, QStringLiteral("txtAverageCaption"), QStringLiteral("AverageCaption"));
    txtAverage = make<QLineEdit>(this, QStringLiteral("txtAverage"), QStringLiteral("Average"));
    lblStartDateTimeName = label(this, QStringLiteral("lblStartDateTimeName"));
    lblEndDateTimeName = label(this, QStringLiteral("lblEndDateTimeName"));
    lblInputUp = label(this, QStringLiteral("lblInputUp"));
    for (QLabel *l : {lblStartDateTimeName, lblEndDateTimeName, lblInputUp})
        l->hide();
    // Shown, with empty captions: they never stand in the way of a click on what lies under them.
    lblPlus = label(this, QStringLiteral("lblPlus"));
    lblMinus = label(this, QStringLiteral("lblMinus"));
    for (QLabel *l : {lblPlus, lblMinus})
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblInputDn[0] = label(pctGraphH, QStringLiteral("lblInputDn(0)"), QStringLiteral("InputDn"));
    lblInputDn[0]->hide();

    lblTaget = label(pctGraphH, QStringLiteral("lblTaget"));
    lblTaget->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblTaget->setMouseTracking(true);
    lblTaget->installEventFilter(this);
    Zelk::setGeometryTwips(lblTaget, 0, 0, 975, 705);
    lblTaget->hide();
    createPrintControls();

    cmdExport = make<QPushButton>(this, QStringLiteral("cmdExport"), QStringLiteral("Export"));
    cmdExport->setToolTip(QStringLiteral("Save the readings shown as CSV, or the plot as PNG or PDF"));
    connect(cmdExport, &QPushButton::clicked, this, &frmHistory_Graph::cmdExport_Click);
    chkCursors = make<QCheckBox>(this, QStringLiteral("chkCursors"), QStringLiteral("Cursors"));
    chkCursors->setToolTip(QStringLiteral("Two measuring lines to drag on the plot"));
    connect(chkCursors, &QCheckBox::toggled, this, &frmHistory_Graph::chkCursors_Click);
    lblCursors = label(this, QStringLiteral("lblCursors"));
    createMeasureCursors();
    createFollowControls();
}

// The window and its controls from the screen size: the frame takes 85 % of the width and half of
// the window's height; the header readouts stand above it, the buttons below, the readouts right.
void frmHistory_Graph::placeControls()
{
    const double sw = ScreenW, hh = HalfScreenH;
    resize(Zelk::twipsToPixels(ScreenW), Zelk::twipsToPixels(HalfScreenH));
    move(0, 0);
    const double frameLeft = 820, frameW = 0.85 * sw, frameTop = 0.22 * hh, frameH = 0.5 * hh;
    place(Frame1, frameLeft, frameTop, frameW, frameH);
    Frame1->setTitle(QString());
    place(pctGraphH, 0, 0, frameW, frameH - 465);

    const double row = 0.07 * hh;
    place(lblChannelName, 100, 20, 0.25 * sw, row);
    place(lblStartingDate, 0.27 * sw, 20, 0.43 * sw, row);
    place(lblEndDate, 0.72 * sw, 20, 0.26 * sw, row);
    const double r2 = 20 + row, boxW = 0.3 * sw;
    place(txtCard, 100, r2, boxW, row);
    place(txtChannelScanned, 200 + boxW, r2, boxW, row);
    place(txtIntegrationBufferSize, 300 + 2 * boxW, r2, 0.25 * sw, row);
    // The measuring cursors' switch and readout in the band between the header and the plot.
    const double r2b = r2 + row, chkW = 0.1 * sw;
    place(chkCursors, 100, r2b, chkW, frameTop - r2b);
    place(lblCursors, 160 + chkW, r2b, sw - chkW - 260, frameTop - r2b);

    const double right = frameLeft + frameW + 60, rightW = std::max(600.0, sw - right - 30);
    QWidget *column[] = {lblYMaxName,     lblYMaxCurr,     lblYMinName, lblYMinCurr,
                         OptValueType[1], OptValueType[2], lblUnitGrad};
    double y = frameTop;
    for (QWidget *w : column) {
        place(w, right, y, rightW, frameH / 7);
        y += frameH / 7;
    }

    // The zoom, data and print buttons in a row under the frame, the x range at its end.
    const double btnTop = frameTop + frameH + 0.02 * hh, btnH = 0.1 * hh, btnW = 0.08 * sw;
    double x = 10;
    for (QWidget *w : {static_cast<QWidget *>(cmdUpdateGraph), static_cast<QWidget *>(cmdMinus),
                       static_cast<QWidget *>(cmdReSet), static_cast<QWidget *>(cmdReadFile),
                       static_cast<QWidget *>(cmdPrint), static_cast<QWidget *>(cmdZoom),
                       static_cast<QWidget *>(cmdPrintF), static_cast<QWidget *>(cmdExport)}) {
        place(w, x, btnTop, btnW, btnH);
        x += btnW + 60;
    }
    cmdGraph->setGeometry(cmdExport->geometry()); // hidden after every load
    place(txtXmin, frameLeft + frameW - 0.21 * sw, btnTop, 0.1 * sw, btnH);
    place(txtXmax, frameLeft + frameW - 0.1 * sw, btnTop, 0.1 * sw, btnH);
    place(HScroll1, frameLeft, frameTop + frameH, frameW, 240);
    place(chkFollow, right, btnTop, rightW, btnH); // right of the x range, under the readout column

    // The gain and average readouts, and the range and window buttons beside them: the two readout
    // columns are wide enough for their caption lines and the values lined up under them.
    const double r3 = btnTop + btnH + 0.02 * hh, r3h = 0.065 * hh;
    const double gainW = 0.29 * sw, avgLeft = 100 + gainW + 80, avgW = 0.42 * sw;
    place(TxtGainBiasCaption, 100, r3, gainW, r3h);
    place(txtGainBias, 100, r3 + r3h, gainW, r3h);
    place(txtAverageCaption, avgLeft, r3, avgW, r3h);
    place(txtAverage, avgLeft, r3 + r3h, avgW, r3h);
    const double bx = avgLeft + avgW + 80, bw = std::min(0.1 * sw, (sw - bx - 120) / 2);
    place(cmd1MinMax, bx, r3, bw, r3h);
    place(cmdHideInputs, bx + bw + 60, r3, bw, r3h);
    place(cmdAdd2Graf, bx, r3 + r3h, bw, r3h);
    place(cmdQuit, bx + bw + 60, r3 + r3h, bw, r3h);
}

void frmHistory_Graph::InitGraph()
{
    pctGraphH->setBackColor(Zelk::Ole::White);
    const QRect g = Zelk::geometryTwips(pctGraphH);
    const QRect f = Zelk::geometryTwips(Frame1);
    Zelk::setGeometryTwips(pctXscale, g.left(), g.top() + g.height(), g.width(), 465);
    Zelk::setGeometryTwips(pctYscale, f.left() - 800, g.top() + f.top(), 800, g.height());
}

void frmHistory_Graph::MyInitForm_Load()
{
    GraphE::Viewer &v = m_viewer;
    const quint8 s = slot();
    const GraphE::GraphSlot &sd = v.slotData[s];
    A2DOffset = 0;
    A2DGain = 1.0f;
    OptValueType[1]->setChecked(true);
    OptValueType_Click(1);
    GraphMath::ResetStack(ZoomStack);
    ZoomLevel = 0;
    placeControls();
    InitGraph();
    lblTaget->hide();
    Ymin = -110;
    Ymax = 2221;
    txtYmin->hide();
    txtYmax->hide();
    v.PlotStep = 1.0;
    txtXmax->setText(QString::number(sd.time(sd.upperBound())));
    txtXmin->setText(QString::number(sd.time(0)));
    HiIndex[s] = sd.upperBound();
    LoIndex[s] = 0;
    RefreshGraph(s);
    cmdGraph->hide();
    HScroll1->hide();
    showHeaderTexts();
    SetZoomButtons(false);
    cmd1MinMax_Click();
    cmdReSet->setEnabled(false);
    cmdMinus->setEnabled(false);
    Zelk::setBackColor(cmdReSet, ColorZoomOff);
    Zelk::setBackColor(cmdMinus, ColorZoomOff);
    for (QLabel *l : {lblYMinName, lblYMaxName, lblYMinCurr, lblYMaxCurr}) {
        l->setAutoFillBackground(true);
        Zelk::setBackColor(l, Zelk::Ole::Highlight3D);
    }
    // Long readouts show their beginning.
    for (QLineEdit *t : findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly))
        t->setCursorPosition(0);
}

void frmHistory_Graph::showHeaderTexts()
{
    const GraphE::GraphSlot &sd = m_viewer.slotData[slot()];
    UnitText = ValueType == 2 ? QStringLiteral("A2D") : fileUnit();
    ChannelsLine = sd.header[GraphE::ChannelsText];
    lblYMaxName->setText(UnitText + QStringLiteral(" Max"));
    lblYMinName->setText(UnitText + QStringLiteral(" Min"));
    lblChannelName->setText(sd.header[GraphE::TitleText]);
    lblStartingDate->setText(QStringLiteral("Date and Time (Start): ") +
                             sd.header[GraphE::StartDateTimeText]);
    lblEndDate->setText(MdlFunctions::NowText());
    txtCard->setText(sd.header[GraphE::CardText]);
    txtChannelScanned->setText(ChannelsLine + QStringLiteral("  ") + m_viewer.SamplesText);
    txtIntegrationBufferSize->setText(sd.header[GraphE::IntegrationText]);
    ReadingsNumber();
    TxtGainBiasCaption->setText(sd.header[GraphE::GainBiasCaptionText]);
    QString merged;
    MdlFunctions::AlignLineToTemplate(sd.header[GraphE::GainBiasCaptionText], QStringLiteral(" "),
                                      sd.header[GraphE::GainBiasText], merged);
    txtGainBias->setText(merged.mid(1));
    txtAverageCaption->setText(sd.header[GraphE::AverageCaptionText]);
    const QString &avgCaption = sd.header[GraphE::AverageCaptionText];
    MdlFunctions::AlignLineToTemplate(avgCaption, QStringLiteral(" "), sd.header[GraphE::AverageText],
                                      AvgA2DText);
    AvgValueText = Readouts::GetAverageText(avgCaption, AvgA2DText, 1, A2DGain, A2DOffset);
    showAverageText();
    lblUnitGrad->setText(UnitText);
}

void frmHistory_Graph::SetZoomButtons(bool on)
{
    cmdMinus->setEnabled(on);
    cmdReSet->setEnabled(on);
    for (QPushButton *b : {cmdUpdateGraph, cmdMinus, cmdReSet})
        Zelk::setBackColor(b, on ? ColorZoomOn : ColorZoomOff);
}

QString frmHistory_Graph::timeText(qint32 reading) const
{
    const GraphE::GraphSlot &sd = m_viewer.slotData[slot()];
    if (reading < 0 || reading > sd.upperBound())
        return QString();
    return QString::number(sd.time(reading));
}

QString frmHistory_Graph::fileUnit() const
{
    return m_viewer.slotData[m_slot].unit();
}

QString frmHistory_Graph::countsText(double counts) const
{
    return Readouts::countsText(counts, ValueType, A2DGain, A2DOffset);
}

void frmHistory_Graph::RefreshGraph(quint8 s)
{
    GraphE::Viewer &v = m_viewer;
    restoreLiveSurfaces();
    pctGraphH->resize(Frame1->width(), pctGraphH->height());
    pctGraphH->move(0, pctGraphH->y());
    pctXscale->resize(Frame1->width(), pctXscale->height());
    pctXscale->move(0, pctXscale->y());
    pctGraphH->cls();
    pctXscale->cls();
    InputLabelCount = 0;
    DownMarkerRow = UpMarkerRow = 0;
    CurXmin = LoIndex[s];
    CurXmax = HiIndex[s];
    CurYmin = NumberFormat::roundHalfEven(Ymin);
    CurYmax = NumberFormat::roundHalfEven(Ymax);
    if (!lblTaget->isHidden()) {
        GraphMath::PUSH4_L(ZoomStack, CurXmin, CurXmax, CurYmin, CurYmax);
        ++ZoomLevel;
        cmdUpdateGraph->setEnabled(false);
        cmdZoom_Click();
    }
    double x0 = LoIndex[s], x1 = HiIndex[s];
    const double ymin = Ymin, ymax = Ymax;
    if (x1 - x0 < 6 && ZoomStack.size() > 1) {
        SetZoomButtons(false);
        cmdMinus_Click();
        return;
    }
    // A range too narrow to widen (nothing to zoom back to) is drawn as it is.
    x0 = std::round(x0 * 10) / 10;
    x1 = std::round(x1 * 10) / 10;
    LoIndex[s] = GraphMath::roundWhole(x0);
    HiIndex[s] = GraphMath::roundWhole(x1);
    MakeXscale3(x0, x1);
    ValueType = OptValueType[2]->isChecked() ? 2 : 1;
    DrawYscaleNoBorders(ValueType, ymin, ymax);
    ShowZELKFullHistoryGraph(x0, x1, ymin, ymax);
    ShownMax = GraphMath::keptLimit(v.PlotMax);
    ShownMin = GraphMath::keptLimit(v.PlotMin);
    lblYMaxCurr->setText(countsText(v.PlotMax));
    lblYMinCurr->setText(countsText(v.PlotMin));
    lblTaget->hide();
    cmdUpdateGraph->setEnabled(false);
    SetZoomButtons(true);
    if (ListOpen) {
        refillList(false);
        cmdUpdateGraph->setEnabled(false);
        Zelk::setBackColor(cmdUpdateGraph, ColorZoomOff);
    }
    placeMeasureCursors();
}

void frmHistory_Graph::MakeXscale3(double xmin, double xmax)
{
    if (pctXscale->width() != pctGraphH->width())
        pctXscale->resize(pctGraphH->width(), pctXscale->height());
    const std::int32_t w = static_cast<std::int32_t>(pctXscale->widthTw());
    const GraphMath::XScale scale = GraphMath::MakeXscale(w, xmin, xmax);
    if (scale.kind == GraphMath::XScale::ZeroSpan)
        return; // nothing to draw on a zero span
    if (scale.kind == GraphMath::XScale::TooNarrow) {
        cmdUpdateGraph->setEnabled(false);
        if (ZoomStack.size() > 1)
            cmdMinus_Click();
        return;
    }
    for (const GraphMath::XTick &t : scale.ticks) {
        pctGraphH->line(t.position, 10, t.position, w, 0x01FFAABB);
        pctXscale->pset(t.position, 50, Zelk::Ole::ButtonFace);
        pctXscale->print(t.position, 50, timeText(t.reading), Zelk::Ole::Black);
    }
}

void frmHistory_Graph::DrawYscaleNoBorders(quint8 optValType, double ymin, double ymax)
{
    pctYscale->cls();
    const double sw = pctYscale->widthTw();
    const double wg = pctGraphH->widthTw();
    const std::int32_t t = GraphMath::roundWhole(sw * 0.2);
    for (const GraphMath::YLine &l :
         GraphMath::ValueScale(static_cast<std::int32_t>(pctYscale->heightTw()), ymin, ymax)) {
        pctGraphH->line(0, l.y, wg, l.y, 0xFFC0C0);
        pctYscale->line(sw - t, l.y, sw, l.y, Zelk::Ole::Blue);
        pctYscale->pset(GraphMath::roundWhole(t * 0.4), l.y, Zelk::Ole::White);
        const QString text = Readouts::countsText(l.value, optValType, A2DGain, A2DOffset);
        pctYscale->print(GraphMath::roundWhole(t * 0.4), l.y, NumberFormat::formatAt8(text), 128);
    }
}

void frmHistory_Graph::unloadInputLabels()
{
    for (int i = 1; i <= MaxInputLabels; ++i) {
        delete lblInputDn[static_cast<size_t>(i)];
        lblInputDn[static_cast<size_t>(i)] = nullptr;
        InputLabelLoaded[static_cast<size_t>(i)] = false;
    }
}

void frmHistory_Graph::loadInputLabel(int index, double left, double top, std::int32_t input)
{
    QLabel *&l = lblInputDn[static_cast<size_t>(index)];
    if (!InputLabelLoaded[static_cast<size_t>(index)]) {
        l = label(pctGraphH, QStringLiteral("lblInputDn(%1)").arg(index));
        l->setFont(pctXscale->font());
        InputLabelLoaded[static_cast<size_t>(index)] = true;
    }
    l->setText(GraphE::inputBitsText(input));
    l->setToolTip(l->text());
    l->adjustSize();
    l->move(Zelk::twipsToPixels(static_cast<int>(left)), Zelk::twipsToPixels(static_cast<int>(top)));
    l->setVisible(cmdHideInputs->text() == QLatin1String("Hide Inputs"));
}

void frmHistory_Graph::ShowZELKFullHistoryGraph(double xmin, double xmax, double ymin, double ymax)
{
    GraphE::Viewer &v = m_viewer;
    unloadInputLabels();
    PlotCurve::Input in;
    in.values = &v.slotData[slot()].values();
    in.summary = &v.slotData[slot()].summary();
    in.blocks = &v.BlockTable;
    in.widthTw = pctGraphH->widthTw();
    in.heightTw = pctGraphH->heightTw();
    in.xmin = xmin;
    in.xmax = xmax;
    in.ymin = ymin;
    in.ymax = ymax;
    in.twipsPerPixel = Zelk::twipsPerPixel();
    in.plotStep = v.PlotStep;
    if (in.values->empty())
        return;
    const PlotCurve::Result r = PlotCurve::draw(pctGraphH->image(), in, ReduceDrawing);
    if (!r.message.isEmpty())
        Zelk::MsgBox(r.message);
    pctGraphH->update();
    if (!r.drawn)
        return;
    v.PlotMax = r.plotMax;
    v.PlotMin = r.plotMin;
    for (const PlotCurve::Mark &m : r.marks) {
        if (InputLabelCount >= MaxInputLabels)
            break;
        loadInputLabel(++InputLabelCount, m.x, m.labelTop, m.input);
    }
    lblTaget->raise();
}

void frmHistory_Graph::OptValueType_Click(int index)
{
    ValueType = static_cast<quint8>(index);
    if (ListOpen)
        refillList(true);
    if (index == 2)
        UnitText = QStringLiteral("A2D");
    else
        UnitText = fileUnit();
    showAverageText();
    lblYMaxCurr->setText(countsText(ShownMax));
    lblYMinCurr->setText(countsText(ShownMin));
    lblYMaxName->setText(UnitText + QStringLiteral(" Max"));
    lblYMinName->setText(UnitText + QStringLiteral(" Min"));
    lblUnitGrad->setText(UnitText);
    DrawYscaleNoBorders(ValueType, ShownMin, ShownMax);
    showCursorReadout();
}

void frmHistory_Graph::cmd1MinMax_Click()
{
    const double max = ShownMax, min = ShownMin;
    const double span = GraphMath::scaledSpan(min, max); // max - min may be beyond a double
    const double margin = span == 0 ? 1 : 0.1 * span / GraphMath::ValueScaling;
    Ymin = GraphMath::keptLimit(min - margin);
    Ymax = GraphMath::keptLimit(max + margin);
    RefreshGraph(slot());
}

void frmHistory_Graph::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmHistory_Graph::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    stopFollow();
    m_viewer.unloadSlot(m_slot);
    if (ListOpen && m_list)
        m_list->close();
    ListOpen = false;
    emit unloaded(m_slot);
    GraphE::EndProgram(0);
}
