// The window-model helpers: OLE colours kept on the controls and applied to their palettes,
// twips from the screen's logical DPI, the lamp shape widget and the label that never cuts its text.
#include "Controls.h"
#include "StaleStyle.h"

#include <QCheckBox>

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <utility>

namespace Zelk {

namespace {

constexpr std::uint32_t SystemColourFlag = 0x80000000u;
const char *const BackColorProperty = "backcolor";
const char *const ForeColorProperty = "forecolor";
const char *const StaleProperty = "stale";
const char *const LiveTextProperty = "liveText";         // the text colour a stale readout returns to
const char *const PaletteKeyProperty = "zelkPaletteKey"; // the palette a colour was last applied to

struct SystemColour {
    std::uint32_t index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colour indices the windows use, as palette roles.
constexpr SystemColour SystemColours[] = {
    {0x00, QPalette::Active, QPalette::Button},          // scroll bars
    {0x01, QPalette::Active, QPalette::Window},          // desktop
    {0x02, QPalette::Active, QPalette::Highlight},       // active caption
    {0x03, QPalette::Active, QPalette::Mid},             // inactive caption
    {0x04, QPalette::Active, QPalette::Window},          // menu
    {0x05, QPalette::Active, QPalette::Base},            // window background
    {0x06, QPalette::Active, QPalette::Shadow},          // window frame
    {0x07, QPalette::Active, QPalette::WindowText},      // menu text
    {0x08, QPalette::Active, QPalette::WindowText},      // window text
    {0x09, QPalette::Active, QPalette::HighlightedText}, // caption text
    {0x0A, QPalette::Active, QPalette::Mid},             // active border
    {0x0B, QPalette::Active, QPalette::Mid},             // inactive border
    {0x0C, QPalette::Active, QPalette::Dark},            // application workspace
    {0x0D, QPalette::Active, QPalette::Highlight},       // highlight
    {0x0E, QPalette::Active, QPalette::HighlightedText}, // highlight text
    {0x0F, QPalette::Active, QPalette::Button},          // button face
    {0x10, QPalette::Active, QPalette::Dark},            // button shadow
    {0x11, QPalette::Disabled, QPalette::WindowText},    // grey text
    {0x12, QPalette::Active, QPalette::ButtonText},      // button text
    {0x13, QPalette::Disabled, QPalette::Text},          // inactive caption text
    {0x14, QPalette::Active, QPalette::Light},           // 3-D highlight
    {0x15, QPalette::Active, QPalette::Shadow},          // 3-D dark shadow
    {0x16, QPalette::Active, QPalette::Midlight},        // 3-D light
    {0x17, QPalette::Active, QPalette::ToolTipText},     // tooltip text
    {0x18, QPalette::Active, QPalette::ToolTipBase},     // tooltip background
};

QColor systemColour(std::uint32_t index)
{
    const QPalette palette = QGuiApplication::palette();
    const auto *found = std::find_if(std::begin(SystemColours), std::end(SystemColours),
                                     [index](const SystemColour &c) { return c.index == index; });
    if (found == std::end(SystemColours))
        return palette.color(QPalette::Window);
    const QColor colour = palette.color(found->group, found->role);
    // Grey text must look grey even where a style paints disabled text like enabled text.
    if (index == 0x11 && colour == palette.color(QPalette::Active, QPalette::WindowText))
        return QColor(0x80, 0x80, 0x80);
    return colour;
}

std::uint32_t storedColour(const QWidget *w, const char *property, std::uint32_t fallback)
{
    const QVariant value = w ? w->property(property) : QVariant();
    bool ok = false;
    const uint ole = value.toUInt(&ok);
    return value.isValid() && ok ? ole : fallback;
}

void setRoles(QPalette &palette, std::initializer_list<QPalette::ColorRole> roles, const QColor &colour)
{
    for (const QPalette::ColorRole role : roles)
        palette.setColor(role, colour);
}

// The colour is the one last applied and the palette has not changed since: setting it again would
// give the same palette, so a colour set on every reply costs neither palette work nor painting.
bool alreadyApplied(const QWidget *w, const char *property, std::uint32_t ole)
{
    return w->property(property) == QVariant::fromValue<uint>(ole) &&
           w->property(PaletteKeyProperty) == QVariant::fromValue(w->palette().cacheKey());
}

// Stores a colour property and the palette that goes with it; the control is drawn again only when
// either changed.
void applyColours(QWidget *w, const char *property, std::uint32_t ole, const QPalette &palette)
{
    const bool same = w->property(property) == QVariant::fromValue<uint>(ole) && w->palette() == palette &&
                      w->palette().resolveMask() == palette.resolveMask();
    if (!same) {
        w->setProperty(property, QVariant::fromValue<uint>(ole));
        w->setPalette(palette);
        w->update();
    }
    w->setProperty(PaletteKeyProperty, QVariant::fromValue(w->palette().cacheKey()));
}

// WCAG relative luminance of a colour (0 black .. 1 white).
double luminance(const QColor &colour)
{
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

// Disabled text on a face of the program's own colour (the green of a running Weight button): the
// palette's disabled text where it can be made out, else the readable colour dimmed towards the face.
// The palette's own faces keep its disabled text, which its style was designed with.
QColor disabledTextOn(const QColor &back, const QColor &text, bool systemFace)
{
    constexpr double Legible = 3.0;
    if (systemFace || contrastRatio(back, text) >= Legible)
        return text;
    const QColor readable = readableTextOn(back, text);
    for (const int part : {2, 4}) { // the share of the face in the text colour: a half, else a quarter
        const auto mix = [&](int r, int f) { return r + (f - r) / part; };
        const QColor dimmed(mix(readable.red(), back.red()), mix(readable.green(), back.green()),
                            mix(readable.blue(), back.blue()));
        if (contrastRatio(back, dimmed) >= Legible)
            return dimmed;
    }
    return readable;
}

// Text roles of a control whose back colour is set and whose fore colour is not: the colours the
// style would use, or colours that can be read where those would vanish on the new back colour.
void setReadableTextRoles(QPalette &palette, const QWidget *w, const QColor &back, bool systemFace)
{
    const QPalette base = QApplication::palette(w);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, role, readableTextOn(back, base.color(group, role)));
        palette.setColor(QPalette::Disabled, role,
                         disabledTextOn(back, base.color(QPalette::Disabled, role), systemFace));
    }
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableTextOn(const QColor &back, const QColor &text)
{
    if (contrastRatio(back, text) >= ReadableContrast)
        return text;
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return contrastRatio(back, black) >= contrastRatio(back, white) ? black : white;
}

QColor oleToColor(std::uint32_t ole)
{
    if (ole & SystemColourFlag)
        return systemColour(ole & 0xFFu);
    return QColor(static_cast<int>(ole & 0xFFu), static_cast<int>((ole >> 8) & 0xFFu),
                  static_cast<int>((ole >> 16) & 0xFFu));
}

QPalette darkPalette()
{
    const QColor face(0x35, 0x38, 0x3d);
    const QColor text(0xE6, 0xE8, 0xEB);
    const QColor grey(0x8A, 0x8F, 0x96);
    QPalette palette(face, face);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x24, 0x26, 0x2a));
    palette.setColor(QPalette::AlternateBase, QColor(0x2d, 0x30, 0x34));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x44, 0x48, 0x4f));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xFF, 0x60, 0x60));
    palette.setColor(QPalette::ToolTipBase, QColor(0x20, 0x22, 0x25));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x7e, 0xc4));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x6f, 0xb1, 0xf0));
    palette.setColor(QPalette::PlaceholderText, grey);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, grey);
    palette.setColor(QPalette::Disabled, QPalette::Button, face);
    return palette;
}

void setBackColor(QWidget *w, std::uint32_t ole)
{
    if (!w || (w->autoFillBackground() && alreadyApplied(w, BackColorProperty, ole)))
        return;
    const QColor back = oleToColor(ole);
    QPalette palette = w->palette();
    setRoles(palette, {QPalette::Window, QPalette::Button, QPalette::Base}, back);
    if (!w->property(ForeColorProperty).isValid())
        setReadableTextRoles(palette, w, back, (ole & SystemColourFlag) != 0);
    w->setAutoFillBackground(true);
    applyColours(w, BackColorProperty, ole, palette);
}

void setForeColor(QWidget *w, std::uint32_t ole)
{
    if (!w || alreadyApplied(w, ForeColorProperty, ole))
        return;
    if (isStale(w)) { // kept for the readout's return to live; it stays grey until then
        w->setProperty(ForeColorProperty, QVariant::fromValue<uint>(ole));
        w->setProperty(LiveTextProperty, oleToColor(ole));
        return;
    }
    QPalette palette = w->palette();
    setRoles(palette, {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}, oleToColor(ole));
    applyColours(w, ForeColorProperty, ole, palette);
}

void setStale(QWidget *w, bool stale)
{
    if (!w || isStale(w) == stale)
        return;
    w->setProperty(StaleProperty, stale);
    if (!qobject_cast<Shape *>(w)) {
        if (stale)
            w->setProperty(LiveTextProperty, w->palette().color(QPalette::WindowText));
        QPalette palette = w->palette();
        setRoles(palette, {QPalette::WindowText, QPalette::ButtonText, QPalette::Text},
                 stale ? oleToColor(Ole::GrayText) : w->property(LiveTextProperty).value<QColor>());
        w->setPalette(palette);
    }
    w->update();
}

bool isStale(const QWidget *w)
{
    return w->property(StaleProperty).toBool();
}

std::uint32_t backColor(const QWidget *w)
{
    return storedColour(w, BackColorProperty, Ole::ButtonFace);
}

std::uint32_t foreColor(const QWidget *w)
{
    return storedColour(w, ForeColorProperty, Ole::ButtonText);
}

// ---- Twips ---------------------------------------------------------------------------------------
double twipsPerPixel()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

int twipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel()));
}

int pixelsToTwips(int pixels)
{
    return static_cast<int>(std::lround(pixels * twipsPerPixel()));
}

void setGeometryTwips(QWidget *w, int left, int top, int width, int height)
{
    if (w)
        w->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(std::max(width, 0)),
                       twipsToPixels(std::max(height, 0)));
}

void drawBeneath(QWidget *shape)
{
    shape->lower();
    shape->setAttribute(Qt::WA_TransparentForMouseEvents);
}

namespace {
class MarkerWhileDisabled : public QObject {
public:
    MarkerWhileDisabled(QWidget *marker, QWidget *control) : QObject(marker), m_marker(marker)
    {
        control->installEventFilter(this);
        follow(control);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            follow(static_cast<QWidget *>(watched));
        return false;
    }

private:
    void follow(const QWidget *control)
    {
        m_marker->setAttribute(Qt::WA_TransparentForMouseEvents, control->isEnabled());
    }
    QWidget *m_marker;
};
} // namespace

void markWhileDisabled(QWidget *marker, QWidget *control)
{
    new MarkerWhileDisabled(marker, control);
}

QRect geometryTwips(const QWidget *w)
{
    if (!w)
        return {};
    const QRect g = w->geometry();
    return {pixelsToTwips(g.x()), pixelsToTwips(g.y()), pixelsToTwips(g.width()), pixelsToTwips(g.height())};
}

// ---- Shape ---------------------------------------------------------------------------------------
Shape::Shape(QWidget *parent, int shape) : QWidget(parent), m_shape(shape) {}

void Shape::setShape(int shape)
{
    if (shape == m_shape)
        return;
    m_shape = shape;
    update();
}

void Shape::setFillColor(std::uint32_t ole)
{
    if (ole == m_fill)
        return;
    m_fill = ole;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    // Shapes 0 rectangle, 1 square, 2 oval, 3 circle, 4 rounded rectangle, 5 rounded square;
    // the square kinds are centred in the control.
    const QRectF full = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (full.width() <= 0 || full.height() <= 0)
        return;
    const bool square = m_shape == 1 || m_shape == 3 || m_shape == 5;
    QRectF box = full;
    if (square) {
        const qreal side = std::min(full.width(), full.height());
        box = QRectF(0, 0, side, side);
        box.moveCenter(full.center());
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
    // A stale lamp is dimmed and hatched: its colour is no longer the device's word.
    const QColor fill = oleToColor(m_fill);
    const auto dim = [](int channel) { return (channel + 2 * 200) / 3; };
    painter.setBrush(isStale(this) ? QColor(dim(fill.red()), dim(fill.green()), dim(fill.blue())) : fill);
    const qreal radius = std::min(box.width(), box.height()) / 6.0;
    switch (m_shape) {
    case 2:
    case 3:
        painter.drawEllipse(box);
        break;
    case 4:
    case 5:
        painter.drawRoundedRect(box, radius, radius);
        break;
    default:
        painter.drawRect(box);
        break;
    }
}

int checkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void setCheckValue(QCheckBox *box, int value)
{
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void setFontPoints(QWidget *w, int points, bool bold)
{
    QFont f = w->font();
    f.setPointSize(points);
    f.setBold(bold);
    w->setFont(f);
}

QFont FitLabel::drawnFont() const
{
    QFont f = font();
    const qreal room = contentsRect().width() - 2 * std::max(indent(), 0) - 2 * margin();
    // Text widths do not shrink quite in step with the font: a few steps settle on a size that fits.
    for (int step = 0; step < 8 && f.pointSizeF() > 1; ++step) {
        const qreal wide = QFontMetricsF(f).horizontalAdvance(text());
        if (wide <= room)
            break;
        f.setPointSizeF(std::max(1.0, f.pointSizeF() * std::min(room / wide, 0.97)));
    }
    return f;
}

void FitLabel::paintEvent(QPaintEvent *event)
{
    const QFont drawn = drawnFont();
    if (drawn == font()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(drawn);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), text(),
                          foregroundRole());
}

// ---- Held text view ------------------------------------------------------------------------------
void HeldTextView::setHeldText(const QString &text)
{
    if (isVisible()) {
        m_pending = false;
        setPlainText(text);
        return;
    }
    m_held = text;
    m_pending = true;
}

QString HeldTextView::text() const
{
    if (!m_pending)
        return toPlainText();
    // the text as the view's document would give it back (line ends and spaces as it keeps them)
    QTextDocument document;
    document.setPlainText(m_held);
    return document.toPlainText();
}

void HeldTextView::showEvent(QShowEvent *event)
{
    if (std::exchange(m_pending, false))
        setPlainText(std::exchange(m_held, QString()));
    QPlainTextEdit::showEvent(event);
}

// ---- Repaint pacer -------------------------------------------------------------------------------
RepaintPacer::RepaintPacer(QWidget *window, int intervalMs)
    : QObject(window), m_window(window), m_interval(intervalMs)
{
    m_clock.start();
    m_lastPaint = -intervalMs;
    m_release.setSingleShot(true);
    m_release.setTimerType(Qt::PreciseTimer);
    connect(&m_release, &QTimer::timeout, this, [this] {
        m_lastPaint = -m_interval; // the next request paints, whatever the clock says
        QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    });
    window->installEventFilter(this);
}

bool RepaintPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::UpdateRequest)
        return false;
    const qint64 now = m_clock.elapsed();
    const qint64 since = now - m_lastPaint;
    if (since >= m_interval) {
        m_lastPaint = now;
        return false;
    }
    // Held back: the window keeps what is to be painted, and a request comes again when it is time.
    if (!m_release.isActive())
        m_release.start(int(m_interval - since));
    return true;
}

} // namespace Zelk
