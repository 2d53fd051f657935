// The window-model helpers every window uses: colours kept as OLE values on the control, twips,
// and the lamp shape. Code that asks "is this button green?" compares the stored OLE value.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>

class QCheckBox;
#include <cstdint>

namespace Zelk {

// OLE colours: 0x00BBGGRR, or 0x800000nn for a system colour.
namespace Ole {
constexpr std::uint32_t Red = 0x0000FF;
constexpr std::uint32_t Green = 0x00FF00;
constexpr std::uint32_t Blue = 0xFF0000;
constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t ButtonFace = 0x8000000F;
constexpr std::uint32_t ButtonText = 0x80000012;
constexpr std::uint32_t GrayText = 0x80000011;
constexpr std::uint32_t WindowText = 0x80000008;
constexpr std::uint32_t WindowBackground = 0x80000005;
constexpr std::uint32_t CaptionText = 0x80000009;
constexpr std::uint32_t InactiveCaptionText = 0x80000013;
constexpr std::uint32_t Highlight3D = 0x80000014;
} // namespace Ole

// The QColor an OLE value stands for (system colours through the application palette).
QColor oleToColor(std::uint32_t ole);

// Text on a back colour: `text` where it is readable there (contrast ratio of at least 4.5:1), else
// black or white, whichever stands out more. A control given a back colour but no fore colour shows
// its text this way, so a dark theme's light text never sits on a white or grey face.
constexpr double ReadableContrast = 4.5;
double contrastRatio(const QColor &a, const QColor &b); // 1 (same luminance) .. 21 (black on white)
QColor readableTextOn(const QColor &back, const QColor &text);

// A dark desktop theme's palette (ZELK_PALETTE=dark): light text on dark faces, grey for disabled text.
QPalette darkPalette();

// Stored on the control as dynamic properties and applied to its palette.
void setBackColor(QWidget *w, std::uint32_t ole);
void setForeColor(QWidget *w, std::uint32_t ole);
std::uint32_t backColor(const QWidget *w); // ButtonFace when never set
std::uint32_t foreColor(const QWidget *w); // ButtonText when never set

// Font size in points and weight of a control, keeping its face.
void setFontPoints(QWidget *w, int points, bool bold);

// Check-box values as the window model counts them: 0 clear, 1 ticked, 2 grey.
int checkValue(const QCheckBox *box);
void setCheckValue(QCheckBox *box, int value); // fires the box's change handler when it changes

// Twips: 1440 per inch, from the screen's logical DPI (15 twips per pixel at 96 dpi).
double twipsPerPixel();
int twipsToPixels(int twips);
int pixelsToTwips(int pixels);
// Geometry of a control in twips, relative to its container.
void setGeometryTwips(QWidget *w, int left, int top, int width, int height);

// A shape or frame drawn on its container: beneath the container's other controls, and never in the
// way of the pointer.
void drawBeneath(QWidget *shape);
// A marker label lying over a control: while the control is disabled the marker takes the pointer and
// shows its tooltip (why the control is disabled); while the control is enabled the pointer passes
// through the marker to the control.
void markWhileDisabled(QWidget *marker, QWidget *control);
QRect geometryTwips(const QWidget *w);

// A lamp: circle (shape 3) or rounded square (shape 5) filled with its OLE colour.
class Shape : public QWidget {
    Q_OBJECT
public:
    enum Kind { Circle = 3, RoundedSquare = 5 };
    explicit Shape(QWidget *parent = nullptr, int shape = Circle);
    int shape() const { return m_shape; }
    void setShape(int shape);
    std::uint32_t fillColor() const { return m_fill; }
    void setFillColor(std::uint32_t ole);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_shape;
    std::uint32_t m_fill = Ole::GrayText;
};

// A label that keeps its whole text in view: a text wider than the label is drawn in a font just small
// enough for it, never cut. The label's font, as the window sets it, stays as it is.
class FitLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QFont drawnFont() const; // the font the text is drawn with

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A read-only text view that lays its text out only while it is shown: a text given while it is hidden
// is kept and laid out when the view is shown. text() is the text it shows, or will show once shown,
// exactly as toPlainText() would read it then.
class HeldTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;
    void setHeldText(const QString &text);
    QString text() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString m_held;
    bool m_pending = false;
};

// Paints a window at most once every `intervalMs`: the updates asked for in between are gathered and
// painted together when the interval is over, so a window whose readouts change many times a second
// paints at the pace of a display instead of at the pace of its data.
class RepaintPacer : public QObject {
    Q_OBJECT
public:
    RepaintPacer(QWidget *window, int intervalMs);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    int m_interval;
    QElapsedTimer m_clock;
    qint64 m_lastPaint;
    QTimer m_release;
};

} // namespace Zelk
