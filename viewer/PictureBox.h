// A picture box with retained drawing: everything is drawn into an image in twip coordinates and
// the widget paints that image, so the drawing survives repaints, hiding and printing.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    // The drawing, sized to the widget (a hidden widget gets its resize event only when shown).
    QImage &image();
    const QImage &image() const { return m_image; }
    double widthTw() const;
    double heightTw() const;

    std::uint32_t backColor() const { return m_back; }
    void setBackColor(std::uint32_t ole);
    void cls();
    // Drawing in twips, colours as OLE values.
    void line(double x1, double y1, double x2, double y2, std::uint32_t ole);
    void pset(double x, double y, std::uint32_t ole);
    void print(double x, double y, const QString &text, std::uint32_t ole);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitImage(QSize size);
    QImage m_image;
    std::uint32_t m_back = 0x8000000F;
};
