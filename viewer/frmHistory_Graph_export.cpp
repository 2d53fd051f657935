// frmHistory_Graph: export of the current x range: the readings as CSV through a save dialog, or the
// plot with both axes as a PNG or PDF picture, chosen by the file name's extension.
#include "Controls.h"
#include "GraphE.h"
#include "ProgressPacer.h"
#include "ReadingsExport.h"
#include "SafeWrite.h"
#include "Seams.h"
#include "frmHistory_Graph.h"

#include <QBuffer>
#include <QGroupBox>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace {

const QString ExportFilter =
    QStringLiteral("CSV readings (*.csv)|*.csv|PNG picture (*.png)|*.png|PDF document (*.pdf)|*.pdf");

// Writes `picture` as PNG, or as one landscape A4 page titled `title`: composed in memory, then written
// whole through a temporary file renamed at the end; `error` gets the reason of a failure.
bool writePicture(const QString &path, ReadingsExport::Kind kind, const QImage &picture, const QString &title,
                  QString *error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    bool drawn = buffer.open(QIODevice::WriteOnly);
    if (drawn && kind == ReadingsExport::Kind::Png) {
        drawn = picture.save(&buffer, "PNG");
    } else if (drawn) {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setTitle(title);
        QPainter p(&pdf);
        const QSize fit = picture.size().scaled(pdf.width(), pdf.height(), Qt::KeepAspectRatio);
        p.drawImage(QRect(QPoint(0, 0), fit), picture);
        drawn = p.end(); // the document is complete once the painter has ended
    }
    if (drawn)
        return Zelk::saveWhole(path, bytes, error);
    if (error)
        *error = QStringLiteral("the picture could not be drawn");
    return false;
}

} // namespace

void frmHistory_Graph::cmdExport_Click()
{
    const quint8 s = slot();
    const GraphE::Viewer &v = m_viewer;
    Zelk::FileDialogRequest request;
    request.title = QStringLiteral("Export");
    request.presetFile = QStringLiteral("readings_%1-%2.csv").arg(LoIndex[s]).arg(HiIndex[s]);
    request.filter = ExportFilter;
    request.existingOnly = false;
    request.save = true;
    std::optional<QString> chosen = Zelk::fileDialog().getOpenFileName(this, request);
    if (!chosen)
        return;
    QString path = *chosen;
    const ReadingsExport::Kind kind = ReadingsExport::kindOf(path);
    if (kind == ReadingsExport::Kind::Unknown) {
        Zelk::MsgBox(QStringLiteral("Export: the file name must end in .csv, .png or .pdf."));
        return;
    }
    QString error;
    bool written = true;
    if (kind == ReadingsExport::Kind::Csv) {
        ReadingsExport::Request r;
        r.slot = &v.slotData[s];
        r.blocks = &v.BlockTable;
        r.first = LoIndex[s];
        r.last = HiIndex[s];
        r.gain = A2DGain;
        r.offset = A2DOffset;
        r.unit = v.slotData[s].unit();
        r.timeInMs = v.XAxisMode == 2;
        ProgressPacer pacer(this, ReadingsExport::rowCount(r), QStringLiteral("Exporting..."),
                            QStringLiteral("ExportProgress"));
        const auto result = ReadingsExport::writeCsv(
            path, r, [&pacer](qint64 done, qint64) { return pacer.keepGoing(done); }, &error);
        written = result != ReadingsExport::WriteResult::Failed;
    } else {
        written = writePicture(path, kind, plotPicture(), lblChannelName->text(), &error);
    }
    if (!written)
        Zelk::MsgBox(QStringLiteral("Export: cannot write ") + path + QStringLiteral(": ") + error);
}

// A title line (channel, start, unit, reading range), then the value axis, the visible part of the
// plot with its labels and lines, and the x axis, as they stand on the window (also while the composed
// print picture stands in for them).
QImage frmHistory_Graph::plotPicture()
{
    const quint8 s = slot();
    const QString title = lblChannelName->text() + QStringLiteral("   ") + lblStartingDate->text() +
                          QStringLiteral("   ") + UnitText + QStringLiteral("   Readings ") +
                          QString::number(LoIndex[s]) + QStringLiteral(" - ") + QString::number(HiIndex[s]);
    const int titleH = fontMetrics().height() + 6;
    const QRect frame = Frame1->geometry();
    const QRect yAxis = pctYscale->geometry();
    const QRect area(QPoint(yAxis.left(), frame.top() - titleH), QPoint(frame.right(), frame.bottom()));
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(Zelk::oleToColor(Zelk::backColor(this)));
    QPainter p(&picture);
    p.setFont(font());
    p.setPen(Qt::black);
    p.drawText(QRect(4, 0, area.width() - 8, titleH), Qt::AlignLeft | Qt::AlignVCenter, title);
    pctYscale->render(&p, yAxis.topLeft() - area.topLeft(), QRegion(), QWidget::DrawChildren);
    p.setClipRect(frame.translated(-area.topLeft()));
    for (PictureBox *surface : {pctGraphH, pctXscale})
        surface->render(&p, surface->mapTo(this, QPoint(0, 0)) - area.topLeft(), QRegion(),
                        QWidget::DrawChildren);
    return picture;
}
