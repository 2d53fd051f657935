// frmHistory_Graph: printing: the three drawing surfaces composed into one picture with copies of the
// readout labels, the window image sent to the default printer, and the live surfaces put back.
#include "Controls.h"
#include "GraphE.h"
#include "Seams.h"
#include "frmHistory_Graph.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <array>
#include <utility>
#include <vector>

namespace {

// The labels whose captions the printed image carries as text boxes, each with its copy.
std::array<std::pair<QLabel *, QLineEdit *>, 10> labelCopies(const frmHistory_Graph &g)
{
    return {{{g.lblYMinName, g.txtlblYMinName2},
             {g.lblYMaxName, g.txtlblYMaxName2},
             {g.lblYMaxCurr, g.txtlblYMaxCurr2},
             {g.lblYMinCurr, g.txtlblYMinCurr2},
             {g.lblEndDateTimeName, g.txtlblEndDateTimeName2},
             {g.lblStartDateTimeName, g.txtlblStartDateTimeName2},
             {g.lblStartingDate, g.txtlblStartingDate2},
             {g.lblEndDate, g.txtlblEndDate2},
             {g.lblChannelName, g.txtlblChannelName2},
             {g.lblUnitGrad, g.txtlblUnitGrad2}}};
}

QLineEdit *lockedCopy(QWidget *parent, const QString &name)
{
    auto *t = new QLineEdit(parent);
    t->setObjectName(name);
    t->setReadOnly(true);
    t->setFrame(false);
    t->hide();
    return t;
}

} // namespace

void frmHistory_Graph::createPrintControls()
{
    picRes = new PictureBox(this);
    picRes->setObjectName(QStringLiteral("picRes"));
    picRes->hide();
    txtlblYMinName2 = lockedCopy(this, QStringLiteral("txtlblYMinName2"));
    txtlblYMaxName2 = lockedCopy(this, QStringLiteral("txtlblYMaxName2"));
    txtlblYMaxCurr2 = lockedCopy(this, QStringLiteral("txtlblYMaxCurr2"));
    txtlblYMinCurr2 = lockedCopy(this, QStringLiteral("txtlblYMinCurr2"));
    txtlblEndDateTimeName2 = lockedCopy(this, QStringLiteral("txtlblEndDateTimeName2"));
    txtlblStartDateTimeName2 = lockedCopy(this, QStringLiteral("txtlblStartDateTimeName2"));
    txtlblStartingDate2 = lockedCopy(this, QStringLiteral("txtlblStartingDate2"));
    txtlblEndDate2 = lockedCopy(this, QStringLiteral("txtlblEndDate2"));
    txtlblChannelName2 = lockedCopy(this, QStringLiteral("txtlblChannelName2"));
    txtlblUnitGrad2 = lockedCopy(this, QStringLiteral("txtlblUnitGrad2"));
}

// Composes value axis, x axis and plot (with the input labels on it) into picRes at the places they
// stand on the window; picRes then takes their place, under every other control.
void frmHistory_Graph::cmdPrintF_Click()
{
    restoreLiveSurfaces(); // compose from what the live surfaces show now
    picRes->setBackColor(Zelk::backColor(this));
    for (const auto &[label, copy] : labelCopies(*this)) {
        copy->setGeometry(label->geometry());
        copy->setAutoFillBackground(true);
        Zelk::setBackColor(copy, Zelk::backColor(label));
        copy->setFont(label->font());
        copy->setText(label->text());
        copy->setCursorPosition(0);
        copy->setReadOnly(true);
        copy->setVisible(label->isVisibleTo(this));
        copy->raise();
    }
    const QRect frame = Frame1->geometry();
    picRes->setGeometry(0, 0, frame.width() + frame.left(), frame.height() + frame.top());
    picRes->cls();
    {
        QPainter p(&picRes->image());
        for (QWidget *surface : {static_cast<QWidget *>(pctYscale), static_cast<QWidget *>(pctXscale),
                                 static_cast<QWidget *>(pctGraphH)})
            surface->render(&p, surface->mapTo(this, QPoint(0, 0)), QRegion(), QWidget::DrawChildren);
    }
    picRes->lower();
    picRes->show();
    for (QWidget *w : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(pctGraphH),
                       static_cast<QWidget *>(pctXscale), static_cast<QWidget *>(pctYscale)})
        w->hide();
    resize(width(), Zelk::twipsToPixels(HalfScreenH));
    m_composed = true;
}

void frmHistory_Graph::restoreLiveSurfaces()
{
    if (!m_composed)
        return;
    m_composed = false;
    picRes->hide();
    for (const auto &copy : labelCopies(*this))
        copy.second->hide();
    for (QWidget *w : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(pctGraphH),
                       static_cast<QWidget *>(pctXscale), static_cast<QWidget *>(pctYscale)})
        w->show();
}

// Prints the window without its zoom row; a failed step is reported and the rest still runs, and the
// live drawing surfaces come back afterwards so that later redraws are seen.
void frmHistory_Graph::cmdPrint_Click()
{
    std::vector<QWidget *> zoomRow{cmdUpdateGraph, cmdMinus, cmdReSet, cmdPrint,
                                   cmdReadFile,    lblPlus,  lblMinus};
    // Export and an unticked Cursors box are of no use on paper; a ticked one stands by its readout.
    zoomRow.push_back(cmdExport);
    if (!chkCursors->isChecked())
        zoomRow.push_back(chkCursors);
    for (QWidget *w : zoomRow)
        w->hide();
    cmdPrintF_Click();
    cmdPrintF_Click();
    picRes->move(0, 0);
    QString description;
    const Zelk::PrintResult result = Zelk::printer().printImage(grab().toImage(), &description);
    GraphE::ReportPrinterError(result, description);
    for (QWidget *w : zoomRow)
        w->show();
    restoreLiveSurfaces();
}
