// FrmKurvex: the viewer's hidden start-up window; it parses the command line, runs the open-file
// dialog, takes a graph slot, loads the history file and shows it in a graph window.
#pragma once

#include "GraphE.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>

class QPushButton;
class frmHistory_Graph;

class FrmKurvex : public QWidget {
    Q_OBJECT
public:
    explicit FrmKurvex(GraphE::Viewer &viewer, QWidget *parent = nullptr);
    ~FrmKurvex() override;

    // The four filter pairs of the open-file dialog (the program's own syntax).
    static const QString DialogFilter;

    // The argument text; by default the program's arguments joined by single blanks.
    void setCommandLine(const QString &text) { m_commandLine = text; }
    QString commandLine() const { return m_commandLine; }

    // Returns false when there is nothing to show and the viewer should end (dialog or load
    // cancelled, a load that failed with no graph window visible, or an ending error).
    bool cmdShowGraph_Click();

    QPushButton *cmdShowGraph;

    // The graph window of each slot and which slots are taken; the next graph takes slot OpenGraphCount.
    std::array<QPointer<frmHistory_Graph>, GraphE::SlotCount> GraphWindows;
    std::array<bool, GraphE::SlotCount> GraphOpen{};
    quint8 OpenGraphCount = 0;

private:
    bool anyGraphVisible() const;
    void graphUnloaded(quint8 slot); // a closed graph frees its slot and Show Graph
    GraphE::Viewer &m_viewer;
    QString m_commandLine;
};
