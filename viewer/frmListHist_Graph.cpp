// frmListHist_Graph: the readings list window: its controls and headings over the two columns, the
// first fill below the graph, the row click, and closing that frees the graph's "ShowData".
#include "frmListHist_Graph.h"

#include "Controls.h"
#include "GraphE.h"
#include "Readouts.h"
#include "frmHistory_Graph.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>

namespace {

QLabel *label(QWidget *parent, const QString &name, const QString &caption)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

// Where the time and the value column of the rows end, in characters: the rows are lined up under the
// template, which loses its leading blanks.
int timeColumnEnd()
{
    return static_cast<int>(Readouts::ListTemplate.trimmed().indexOf(u' '));
}

int valueColumnEnd()
{
    return static_cast<int>(Readouts::ListTemplate.trimmed().size());
}

} // namespace

frmListHist_Graph::frmListHist_Graph(frmHistory_Graph *graph, quint8 valueType, QWidget *parent)
    : QWidget(parent), m_graph(graph), m_slot(graph ? graph->slot() : 0), m_valueType(valueType)
{
    setObjectName(QStringLiteral("frmListHist_Graph"));
    setWindowTitle(QStringLiteral("List History"));
    setAttribute(Qt::WA_DeleteOnClose);
    LstHistTemp = new QListView(this);
    LstHistTemp->setObjectName(QStringLiteral("LstHistTemp"));
    LstHistTemp->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    LstHistTemp->setUniformItemSizes(true); // 30000 rows lay out at once
    LstHistTemp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows = new QStringListModel(this);
    LstHistTemp->setModel(m_rows);
    connect(LstHistTemp->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    LstHistTemp_Click(current.row());
            });
    lblChanNumber = label(this, QStringLiteral("lblChanNumber"), QString::number(m_slot));
    lblOpt = label(this, QStringLiteral("lblOpt"), QString::number(valueType));
    lblChanNumber->hide();
    lblOpt->hide();
    lblTime = label(this, QStringLiteral("lblTime"), QStringLiteral("Index"));
    lblTemp = label(this, QStringLiteral("lblTemp"), QStringLiteral("Weight"));
    lblIndex = label(this, QStringLiteral("lblIndex"), QStringLiteral("0"));
    for (QLabel *l : {lblTime, lblTemp, lblIndex}) {
        l->setFont(LstHistTemp->font());
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
}

frmListHist_Graph::~frmListHist_Graph() = default;

void frmListHist_Graph::MyInitListForm_Load()
{
    const quint8 s = slot();
    setWindowTitle(QStringLiteral("List History") + QStringLiteral("  ") + QString::number(s));
    // Just below the graph, which stands at the top of the screen.
    frmHistory_Graph *graph = m_graph.data();
    const int graphHeight = graph ? graph->frameGeometry().height() : 0;
    const int half = graph ? Zelk::twipsToPixels(graph->HalfScreenH) : 300;
    resize(std::max(LstHistTemp->fontMetrics().horizontalAdvance(QString(34, u'0')), 280),
           std::max(half - 40, 200));
    move(graph ? graph->x() : 0, graphHeight);
    const bool inMs = graph && graph->viewer().XAxisMode == 2;
    lblTime->setText(inMs ? QStringLiteral("Time(ms)") : QStringLiteral("Index"));
    if (graph)
        graph->ShowListHistTemp(this, graph->ListLo, graph->ListHi, m_valueType, s);
}

void frmListHist_Graph::setRows(const QStringList &rows)
{
    m_rows->setStringList(rows);
}

int frmListHist_Graph::selectedRow() const
{
    const QModelIndex current = LstHistTemp->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void frmListHist_Graph::selectRow(int row)
{
    if (row < 0 || row >= m_rows->rowCount())
        return;
    LstHistTemp->setCurrentIndex(m_rows->index(row));
}

void frmListHist_Graph::LstHistTemp_Click(int row)
{
    lblIndex->setText(QString::number(row));
}

// The headings stand over the ends of their columns; the selected row's index at the right.
void frmListHist_Graph::placeControls()
{
    const QFontMetrics fm(LstHistTemp->font());
    const int rowH = fm.height() + 6;
    const int textLeft = LstHistTemp->frameWidth() + 4; // the view's frame and the item's margin
    const int charW = fm.horizontalAdvance(u'0');
    const int timeEnd = textLeft + charW * timeColumnEnd();
    const int valueEnd = textLeft + charW * valueColumnEnd();
    lblTime->setGeometry(0, 2, timeEnd, rowH);
    lblTemp->setGeometry(timeEnd, 2, valueEnd - timeEnd, rowH);
    lblIndex->setGeometry(valueEnd, 2, std::max(width() - valueEnd - 6, charW * 6), rowH);
    LstHistTemp->setGeometry(0, rowH + 4, width(), height() - rowH - 4);
}

void frmListHist_Graph::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeControls();
}

void frmListHist_Graph::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmListHist_Graph::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_graph)
        m_graph->listClosed();
}
