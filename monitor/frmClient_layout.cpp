// frmClient: the screen layout: the window and its frames sized from the screen at start-up, and the
// layout file "PLXW.cfg" that Save Config writes and start-up applies on a screen of another height.
#include "frmClient.h"

#include "AutomationState.h"
#include "ConfigFile.h"
#include "Controls.h"
#include "LayoutFile.h"
#include "MdlFunctions.h"
#include "MonitorLayout.h"
#include "SafeWrite.h"
#include "Seams.h"
#include "TrendPlot.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

// The screen size in twips, each held at the 16-bit limit.
QSize screenTwips(const QWidget *window)
{
    const QScreen *screen = window->screen();
    const QSize pixels = screen ? screen->geometry().size() : QSize(800, 600);
    return {MonitorLayout::clampScreenTwips(Zelk::pixelsToTwips(pixels.width())),
            MonitorLayout::clampScreenTwips(Zelk::pixelsToTwips(pixels.height()))};
}

// Images and shapes carry no text: their font size is never searched.
bool isImageOrShape(const QWidget *w)
{
    if (qobject_cast<const Zelk::Shape *>(w) || w->metaObject() == &QFrame::staticMetaObject)
        return true;
    const auto *label = qobject_cast<const QLabel *>(w);
    return label && !label->pixmap().isNull();
}

// The height of the measuring label with this font: it sizes itself to its text.
int textHeight(QLabel *measure, const QFont &font)
{
    measure->setFont(font);
    measure->adjustSize();
    return Zelk::geometryTwips(measure).height();
}

// A length read from the file, times its base, as a twips value the window system can hold.
int scaled(double base, float fraction)
{
    const double twips = base * double(fraction);
    return std::isnan(twips) ? 0 : int(std::clamp(std::round(twips), -1.0e6, 1.0e6));
}

} // namespace

// ---- Placement from the screen height -------------------------------------------------------------

void frmClient::fitDesignToScreen()
{
    const MonitorLayout::ScreenDesign d =
        MonitorLayout::screenDesign(screenTwips(this).height(), Zelk::geometryTwips(lblXML_Data).height(),
                                    Zelk::geometryTwips(ChkStartOutStatus).height());
    const auto set = [](QWidget *w, const QRect &r) {
        Zelk::setGeometryTwips(w, r.left(), r.top(), r.width(), r.height());
    };
    set(FraWeight, d.weightFrame);
    set(FraInp, d.inputFrame);
    set(FraOut, d.outputFrame);
    set(ImaVZT_Logo, d.logo);
    const QRect view = Zelk::geometryTwips(txtRealTimeInfo);
    set(txtRealTimeInfo, QRect(view.left(), view.top(), view.width(), d.xmlViewHeight));
    const QRect bottomRow = Zelk::geometryTwips(ChkStartOutStatus);
    set(ChkStartOutStatus,
        QRect(bottomRow.left(), d.outputBottomRowTop, bottomRow.width(), bottomRow.height()));
}

void frmClient::InitFormBlockSize()
{
    const QSize screen = screenTwips(this);
    iFormBlockW = std::int16_t(screen.width());
    iFormBlockH = std::int16_t(screen.height());
    resize(Zelk::twipsToPixels(iFormBlockW),
           Zelk::twipsToPixels(MonitorLayout::windowHeight(Zelk::geometryTwips(ImaVZT_Logo))));
}

void frmClient::InitWeightLocation()
{
    InitFormBlockSize();
    MonitorLayout::Design design;
    for (QWidget *w : Zelk::Automation::namedControls(this))
        design.insert(w->objectName(), Zelk::geometryTwips(w));
    // The normal weight colour, restored after an overflow.
    lWeightForeColor = std::int32_t(Zelk::foreColor(lblWT_BRUTTO));
    for (const MonitorLayout::Placement &p : MonitorLayout::place(iFormBlockH, design))
        if (QWidget *w = findChild<QWidget *>(p.name))
            Zelk::setGeometryTwips(w, p.rect.left(), p.rect.top(), p.rect.width(), p.rect.height());
    holdFrameContent();
}

// On a small screen (or a large scale factor) the frames, sized from the screen height, can be
// smaller than the controls they hold, which would cut buttons and texts off. Each frame grows to hold
// its controls as far as the window has room: the right-hand column keeps one width and stays inside
// the window, and the weight frame grows into what is left, the column moving over with it.
void frmClient::holdFrameContent()
{
    const auto holding = [](const QWidget *frame) {
        constexpr int Margin = 6; // pixels between the furthest control and the frame's edge
        QSize needs = frame->size();
        for (const QWidget *c : frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            needs = needs.expandedTo(QSize(c->geometry().right(), c->geometry().bottom()) +
                                     QSize(Margin + 1, Margin + 1));
        return needs;
    };
    const std::initializer_list<QGroupBox *> column{FraTimers, FraHistory, FraErrorStatus};
    int columnWidth = 0;
    for (const QGroupBox *frame : column)
        columnWidth = std::max(columnWidth, holding(frame).width());
    columnWidth = std::max(FraTimers->width(), std::min(columnWidth, width() - FraTimers->x()));
    const int spare = std::max(0, width() - FraTimers->x() - columnWidth);
    const QSize weight = holding(FraWeight);
    const int grown = std::min(weight.width() - FraWeight->width(), spare);
    FraWeight->resize(FraWeight->width() + grown, weight.height());
    for (QGroupBox *frame : column)
        frame->setGeometry(frame->x() + grown, frame->y(), columnWidth, holding(frame).height());
    placeTrend();
}

// ---- The layout file ------------------------------------------------------------------------------

double frmClient::GetFontSize(float kFnt, QWidget *ctrlSrc, QLabel *lblMeasure)
{
    if (!ctrlSrc || !lblMeasure || isImageOrShape(ctrlSrc))
        return 0;
    const LayoutFile::FontSearch found =
        LayoutFile::searchFontSize(kFnt, Zelk::geometryTwips(ctrlSrc).height(), [lblMeasure](double size) {
            QFont font = lblMeasure->font();
            font.setPointSizeF(size);
            return textHeight(lblMeasure, font);
        });
    if (found.zeroHeight)
        Zelk::MsgBox(LayoutFile::ZeroHeightMessage);
    return found.size;
}

void frmClient::SaveLayoutFile()
{
    const float S = float(screenTwips(this).height());
    const QRect window(Zelk::pixelsToTwips(x()), Zelk::pixelsToTwips(y()), Zelk::pixelsToTwips(width()),
                       Zelk::pixelsToTwips(height()));
    const LayoutFile::Entry windowLine{objectName(),
                                       {float(window.top()) / S, float(window.left()) / S,
                                        float(window.height()) / S, float(window.width()) / S}};
    const float H = float(std::max(window.height(), 1));
    std::vector<LayoutFile::Entry> controls;
    for (QWidget *c : Zelk::Automation::namedControls(this)) {
        const QRect g = Zelk::geometryTwips(c);
        // A control without height has no text-height ratio: 0 asks for no font size on loading.
        const float ratio = g.height() > 0 ? float(textHeight(lblAuto, c->font())) / float(g.height()) : 0.0f;
        controls.push_back(
            {c->objectName(),
             {float(g.top()) / H, float(g.left()) / H, float(g.height()) / H, float(g.width()) / H, ratio}});
    }
    QString error;
    if (!Zelk::saveWhole(LayoutFile::FileName, LayoutFile::compose(S, windowLine, controls), &error))
        showWriteFailure(QStringLiteral("Else Error75") + error, false);
}

void frmClient::LoadLayoutFile()
{
    const QString path = ConfigFile::findInCurrentDir(LayoutFile::FileName);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const LayoutFile::Contents contents = LayoutFile::parse(file.readAll());
    file.close();
    const int S = screenTwips(this).height();
    if (LayoutFile::savedOnScreen(contents.firstLine, S))
        return;
    // A window line that would leave no window to show (no height or width) is not applied.
    if (contents.window && scaled(S, contents.window->values[2]) > 0 &&
        scaled(S, contents.window->values[3]) > 0) {
        const std::vector<float> &v = contents.window->values;
        move(Zelk::twipsToPixels(scaled(S, v[1])), Zelk::twipsToPixels(scaled(S, v[0])));
        // The window is held within the 16-bit twips range, like the screen size it comes from.
        resize(Zelk::twipsToPixels(MonitorLayout::clampScreenTwips(scaled(S, v[3]))),
               Zelk::twipsToPixels(MonitorLayout::clampScreenTwips(scaled(S, v[2]))));
    }
    show();
    const double H = Zelk::pixelsToTwips(height());
    const QList<QWidget *> all = Zelk::Automation::namedControls(this);
    for (const LayoutFile::Entry &line : contents.controls) {
        const LayoutFile::ControlName wanted = LayoutFile::parseName(line.name);
        for (QWidget *c : all) {
            const LayoutFile::ControlName own = LayoutFile::parseName(c->objectName());
            if (own.base != wanted.base)
                continue;
            if (!wanted.valid) {
                Zelk::MsgBox(LayoutFile::InvalidNameMessage);
                break;
            }
            if (wanted.indexed && !(own.indexed && own.index == wanted.index))
                continue;
            const std::vector<float> &v = line.values;
            Zelk::setGeometryTwips(c, scaled(H, v[1]), scaled(H, v[0]), scaled(H, v[3]), scaled(H, v[2]));
            if (const double size = GetFontSize(v[4], c, lblAuto); size > 0) {
                QFont font = c->font();
                font.setPointSizeF(size);
                c->setFont(font);
            }
            if (!wanted.indexed)
                break;
        }
    }
    // A file saved before the trend existed has no line for it: it takes the room the file's frames leave.
    const auto trendLine = [this](const LayoutFile::Entry &e) {
        return e.name == picWeightTrend->objectName();
    };
    if (std::none_of(contents.controls.begin(), contents.controls.end(), trendLine))
        placeTrend();
}
