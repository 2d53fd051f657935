// frmListHist_Graph: the readings list of one graph slot, one row per reading of the graph's range
// (time and value), opened by the graph's "ShowData" and refilled when the graph redraws.
#pragma once

#include <QWidget>

class QLabel;
class QListView;
class QStringListModel;

class frmListHist_Graph : public QWidget {
    Q_OBJECT
public:
    explicit frmListHist_Graph(QWidget *parent = nullptr);
    ~frmListHist_Graph() override;

    void MyInitListForm_Load();
    // Replaces every row at once (clear and fill).
    void setRows(const QStringList &rows);
    int selectedRow() const; // -1 when none
    void selectRow(int row); // as a click on that row would
    quint8 slot() const;     // lblChanNumber as a number

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
    bool m_unloaded = false;
};
