// FrmKurvex: the viewer's hidden start-up window; it parses the command line and opens the
// history file into a graph window.
#pragma once

#include <QWidget>

class FrmKurvex : public QWidget {
    Q_OBJECT
public:
    explicit FrmKurvex(QWidget *parent = nullptr);
    // Returns false when there is nothing to show and the viewer should end.
    bool cmdShowGraph_Click();
};
