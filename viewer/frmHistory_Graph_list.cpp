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
    const quint8 s = slot();
    ListLo = LoIndex[s];
    ListHi = HiIndex[s];
    if (ListOpen)
        return;
    ListOpen = true;
    auto *list = new frmListHist_Graph(this, ValueType);
    m_list = list;
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
    const GraphE::GraphSlot &sd = m_viewer.slotData[ChannelNumber];
    LstBox->setRows(Readouts::listRows(sd, xmin, xmax, OptA2D_Value, A2DGain, A2DOffset));
}

void frmHistory_Graph::refillList(bool keepSelectedRow)
{
    const quint8 s = slot();
    frmListHist_Graph *list = m_list.data();
    if (!list)
        return;
    const int row = list->selectedRow();
    ShowListHistTemp(list, LoIndex[s], HiIndex[s], ValueType, s);
    if (keepSelectedRow)
        list->selectRow(row);
}

void frmHistory_Graph::listClosed()
{
    ListOpen = false;
    cmdReadFile->setEnabled(true);
}
