// frmClient: the monitor's single window, owner of all monitor state.
// Its members are spread over one source file per subsystem (frmClient_*.cpp).
#pragma once

#include <QWidget>

class frmClient : public QWidget {
    Q_OBJECT
public:
    explicit frmClient(QWidget *parent = nullptr);
    void Form_Load();
};
