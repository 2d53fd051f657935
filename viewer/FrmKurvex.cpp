// FrmKurvex: the start-up window and Show Graph: command line, open-file dialog, graph slotData,
// the load into a new graph window and the error handler that turns load errors into messages.
#include "FrmKurvex.h"

#include "CommandLine.h"
#include "GraphE.h"
#include "Seams.h"
#include "frmHistory_Graph.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

const QString FrmKurvex::DialogFilter =
    QStringLiteral("*.txt|*.txt|All_data*.*|All_data*.*|Graph_data*.*|Graph_*.*|All files (*.*)|*.*");

FrmKurvex::FrmKurvex(GraphE::Viewer &viewer, QWidget *parent) : QWidget(parent), m_viewer(viewer)
{
    setObjectName(QStringLiteral("FrmKurvex"));
    setWindowTitle(QStringLiteral("Kurvex"));
    cmdShowGraph = new QPushButton(QStringLiteral("Show Graph"), this);
    cmdShowGraph->setObjectName(QStringLiteral("cmdShowGraph"));
    connect(cmdShowGraph, &QPushButton::clicked, this, [this] { cmdShowGraph_Click(); });
    if (QCoreApplication::instance())
        m_commandLine = joinArguments(QCoreApplication::arguments().mid(1));
}

FrmKurvex::~FrmKurvex()
{
    for (auto &w : GraphWindows)
        delete w.data();
}

bool FrmKurvex::anyGraphVisible() const
{
    for (const auto &w : GraphWindows) {
        if (w && w->isVisible())
            return true;
    }
    return false;
}

void FrmKurvex::graphUnloaded(quint8 slot)
{
    GraphOpen[slot] = false;
    OpenGraphCount = slot;
    cmdShowGraph->setEnabled(true);
}

bool FrmKurvex::cmdShowGraph_Click()
{
    GraphE::Viewer &v = m_viewer;
    const ViewerCommandLine cl =
        parseCommandLine(m_commandLine, [](const QString &path) { return QFileInfo(path).isFile(); });
    v.XAxisMode = cl.xAxisMode;
    v.ReadingIntervalMs = cl.readingIntervalMs;

    Zelk::FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.presetFile = cl.presetFile;
    request.filter = DialogFilter;
    request.existingOnly = true;
    const std::optional<QString> chosen = Zelk::fileDialog().getOpenFileName(this, request);
    if (!chosen)
        return anyGraphVisible(); // cancel: the start-up window unloads; no window left ends the viewer

    if (OpenGraphCount >= GraphE::SlotCount) {
        Zelk::MsgBox(QStringLiteral("Number of opened graphs is limited"));
        return anyGraphVisible();
    }
    const quint8 slot = OpenGraphCount;
    OpenGraphCount = static_cast<quint8>(slot + 1);
    if (GraphOpen[slot]) {
        Zelk::MsgBox(QStringLiteral("frmHistoryGraph(ch) is already opened"));
        return anyGraphVisible();
    }
    delete GraphWindows[slot].data();
    auto *graph = new frmHistory_Graph(v, slot);
    connect(graph, &frmHistory_Graph::unloaded, this, &FrmKurvex::graphUnloaded);
    GraphWindows[slot] = graph;
    GraphOpen[slot] = true;
    const QString path = *chosen;
    const GraphE::LoadReport report = GraphE::LoadHistoryFile(v, path, slot, this);
    switch (report.outcome) {
    case GraphE::LoadOutcome::Loaded:
        graph->setWindowTitle(graph->windowTitle() + QStringLiteral("-") + path + QStringLiteral("  ") +
                              QString::number(slot));
        graph->MyInitForm_Load();
        graph->setFollowSource(path, report.bytes);
        graph->show();
        return true;
    case GraphE::LoadOutcome::Failed:
        return anyGraphVisible();
    case GraphE::LoadOutcome::Cancelled:
        return anyGraphVisible();
    case GraphE::LoadOutcome::InputPastEnd:
        Zelk::MsgBox(GraphE::invalidStructureText(path));
        return anyGraphVisible();
    case GraphE::LoadOutcome::RuntimeError:
        Zelk::MsgBox(GraphE::runtimeErrorText(report.errorNumber, report.errorDescription));
        GraphE::EndProgram(0);
        return false;
    }
    return false;
}
