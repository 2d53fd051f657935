// frmListHist_Graph: the readings list of one graph slot, one row per reading of the graph's range
// (time and value), opened by the graph's "ShowData" and refilled when the graph redraws.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class frmHistory_Graph;
class QListView;
class QStringListModel;

class frmListHist_Graph : public QWidget {
    Q_OBJECT
public:
    // The readings list of `graph`'s slot, in counts for value type 2, in values otherwise.
    frmListHist_Graph(frmHistory_Graph *graph, quint8 valueType, QWidget *parent = nullptr);
    ~frmListHist_Graph() override;

    void MyInitListForm_Load();
    // Replaces every row at once (clear and fill).
    void setRows(const QStringList &rows);
    int selectedRow() const; // -1 when none
    void selectRow(int row); // as a click on that row would
    quint8 slot() const { return m_slot; }

    // Controls (objectName = control name).
    QListView *LstHistTemp;
    QLabel *lblChanNumber, *lblOpt, *lblTime, *lblTemp, *lblIndex;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void LstHistTemp_Click(int row);
    void placeControls();
    void Form_Unload();
    QStringListModel *m_rows;
    QPointer<frmHistory_Graph> m_graph;
    quint8 m_slot = 0, m_valueType = 2;
    bool m_unloaded = false;
};
