// frmHistory_Graph: the readings list of the slot: opening it below the graph with "ShowData", and
// filling it for a range of readings in counts or values.
#include "GraphE.h"
#include "Readouts.h"
#include "Seams.h"
#include "frmHistory_Graph.h"
#include "frmListHist_Graph.h"

#include <QLabel>
#include <QPushButton>

void frmHistory_Graph::cmdReadFile_Click()
{
    GraphE::Viewer &v = GraphE::viewer();
    const quint8 s = slot();
    v.ListLo = LoIndex[s];
    v.ListHi = HiIndex[s];
    if (v.ListOpen[s])
        return;
    v.ListOpen[s] = true;
    auto *list = new frmListHist_Graph();
    v.ListWindows[s] = list;
    list->lblChanNumber->setText(QString::number(s));
    list->lblOpt->setText(QString::number(ValueType));
    list->MyInitListForm_Load();
    list->show();
    cmdReadFile->setEnabled(false);
}

void frmHistory_Graph::ShowListHistTemp(frmListHist_Graph *LstBox, double xmin, double xmax,
                                        quint8 OptA2D_Value, quint8 ChannelNumber)
{
    if (ChannelNumber >= GraphE::SlotCount) {
        Zelk::MsgBox(QStringLiteral("Invalid case "));
        GraphE::EndProgram(0);
        return;
    }
    const GraphE::GraphSlot &sd = GraphE::viewer().slotData[ChannelNumber];
    LstBox->setRows(Readouts::listRows(sd, xmin, xmax, OptA2D_Value, A2DGain, A2DOffset));
}

void frmHistory_Graph::refillList(bool keepSelectedRow)
{
    const quint8 s = slot();
    frmListHist_Graph *list = GraphE::viewer().ListWindows[s].data();
    if (!list)
        return;
    const int row = list->selectedRow();
    ShowListHistTemp(list, LoIndex[s], HiIndex[s], ValueType, s);
    if (keepSelectedRow)
        list->selectRow(row);
}
