// The picture box with retained drawing: an image the size of the widget, drawn in twips and
// painted on every paint event; a resize keeps what was drawn.
#include "PictureBox.h"

#include "Controls.h"

#include <QPainter>
#include <QResizeEvent>
#include <cmath>

namespace {
int pix(double tw)
{
    return static_cast<int>(std::floor(tw / Zelk::twipsPerPixel()));
}
} // namespace

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    m_image = QImage(1, 1, QImage::Format_RGB32);
    m_image.fill(Zelk::oleToColor(m_back));
}

QImage &PictureBox::image()
{
    fitImage(size());
    return m_image;
}

double PictureBox::widthTw() const
{
    return Zelk::pixelsToTwips(width());
}

double PictureBox::heightTw() const
{
    return Zelk::pixelsToTwips(height());
}

void PictureBox::setBackColor(std::uint32_t ole)
{
    m_back = ole;
    Zelk::setBackColor(this, ole);
    cls();
}

void PictureBox::cls()
{
    fitImage(size());
    m_image.fill(Zelk::oleToColor(m_back));
    update();
}

void PictureBox::line(double x1, double y1, double x2, double y2, std::uint32_t ole)
{
    QPainter p(&image());
    p.setPen(QPen(Zelk::oleToColor(ole & 0xFFFFFF), 0));
    p.drawLine(pix(x1), pix(y1), pix(x2), pix(y2));
    update();
}

void PictureBox::pset(double x, double y, std::uint32_t ole)
{
    QPainter p(&image());
    p.setPen(QPen(Zelk::oleToColor(ole), 0));
    p.drawPoint(pix(x), pix(y));
    update();
}

void PictureBox::print(double x, double y, const QString &text, std::uint32_t ole)
{
    QPainter p(&image());
    p.setPen(Zelk::oleToColor(ole));
    p.setFont(font());
    const QFontMetrics fm(font());
    p.drawText(pix(x), pix(y) + fm.ascent(), text);
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    fitImage(event->size());
}

// A new size keeps what was drawn; the new area gets the back colour.
void PictureBox::fitImage(QSize size)
{
    if (size == m_image.size() || size.isEmpty())
        return;
    QImage grown(size, QImage::Format_RGB32);
    grown.fill(Zelk::oleToColor(m_back));
    QPainter(&grown).drawImage(0, 0, m_image);
    m_image = grown;
}
