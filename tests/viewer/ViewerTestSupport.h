// Helpers of the viewer tests: a viewer state of each test's own, an observed program end, history
// files written with the shared writer pieces into a temporary folder, and a graph window opened on one.
#pragma once

#include "FrmKurvex.h"
#include "GraphE.h"
#include "HistoryFile.h"
#include "Seams.h"
#include "frmHistory_Graph.h"
#include "frmListHist_Graph.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <cmath>
#include <vector>

namespace ViewerTest {

// A viewer of the test's own: the state its windows are given, program ends counted instead of ending
// the test; the viewer's windows go with it.
struct FreshViewer {
    FreshViewer()
    {
        GraphE::setEndProgramHandler([this](int) { ++ends; });
    }
    ~FreshViewer()
    {
        QList<QPointer<QWidget>> windows;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<FrmKurvex *>(w) || qobject_cast<frmHistory_Graph *>(w) ||
                qobject_cast<frmListHist_Graph *>(w))
                windows.append(w);
        for (const QPointer<QWidget> &w : windows)
            delete w.data();
        GraphE::setEndProgramHandler(nullptr);
    }
    FreshViewer(const FreshViewer &) = delete;
    FreshViewer &operator=(const FreshViewer &) = delete;

    // Shows the graph window of slot 0 for `bytes` written as All_data.txt, started with `commandLine`
    // (its file name part is only the dialog's proposal); nullptr when nothing was shown. The hidden
    // start-up window (`start`) stays, as in the program, until the viewer ends.
    frmHistory_Graph *openGraph(const QTemporaryDir &dir, const QByteArray &bytes,
                                const QString &commandLine = QString(),
                                const QString &name = QStringLiteral("All_data.txt"));

    GraphE::Viewer state;
    QPointer<FrmKurvex> start; // the start-up window of the last openGraph
    int ends = 0;
};

struct Block {
    std::int32_t inputs;
    std::vector<QByteArray> texts;
};

// A complete history file of these blocks (reading indexes run on over the blocks).
inline QByteArray historyFile(const std::vector<Block> &blocks, const QString &unit = QStringLiteral("kg"))
{
    QByteArray out;
    HistoryFile::appendIntervalLine(out);
    std::int32_t k = 0;
    std::int32_t ticks = 1000;
    for (const Block &b : blocks) {
        const std::int32_t end = k + static_cast<std::int32_t>(b.texts.size()) - 1;
        HistoryFile::appendBlockHeader(out, {0, b.inputs, 1023, ticks += 280, end});
        for (const QByteArray &t : b.texts)
            HistoryFile::appendReadingLine(out, k++, t);
    }
    HistoryFile::appendEndLine(out);
    HistoryFile::appendTrailer(out, QStringLiteral("2/19/2004 10:30:53 AM"), unit, k - 1);
    return out;
}

// Blocks of `perBlock` readings with a wave and the given input words, one per block.
inline std::vector<Block> waveBlocks(const std::vector<std::int32_t> &inputs, int perBlock)
{
    std::vector<Block> blocks;
    int k = 0;
    for (std::int32_t in : inputs) {
        Block b{in, {}};
        for (int i = 0; i < perBlock; ++i, ++k)
            b.texts.push_back(QByteArray::number(1000 + (k * 37 % 200) + (k / 7 % 2) * 150 + in * 40));
        blocks.push_back(b);
    }
    return blocks;
}

// A file dialog that answers with `path` (no path: cancel) for as long as it lives.
struct AnsweringDialog : Zelk::RecordingFileDialog {
    explicit AnsweringDialog(const QString &path = {})
    {
        if (!path.isEmpty())
            answer = path;
        Zelk::setFileDialog(this);
    }
    ~AnsweringDialog() override { Zelk::setFileDialog(nullptr); }
    AnsweringDialog(const AnsweringDialog &) = delete;
    AnsweringDialog &operator=(const AnsweringDialog &) = delete;
};

inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    f.write(bytes);
    return path;
}

// Blocks of a load that is put on, settles and comes off again, with inputs switching between blocks
// (six changes in every round of twelve blocks).
inline std::vector<Block> realisticBlocks()
{
    std::vector<Block> blocks;
    const std::int32_t inputs[] = {0xFF, 0xFE, 0xFE, 0xFC, 0xFC, 0xFE, 0xFF, 0xFF, 0xFD, 0xFD, 0xFF, 0xFF};
    int k = 0;
    for (int b = 0; b < 36; ++b) {
        Block block{inputs[b % 12], {}};
        for (int i = 0; i < 58; ++i, ++k) {
            const double target = (k / 700) % 2 ? 1180.0 : 120.0;
            const double phase = (k % 700) / 40.0;
            const double start = target > 500 ? 120.0 : 1180.0;
            const double w = target + (start - target) * std::exp(-phase) * std::cos(phase * 2.2) +
                             std::sin(k * 1.7) * 6 + (k * 7919 % 13);
            block.texts.push_back(QByteArray::number(w, 'f', 3));
        }
        blocks.push_back(block);
    }
    return blocks;
}

inline frmHistory_Graph *FreshViewer::openGraph(const QTemporaryDir &dir, const QByteArray &bytes,
                                                const QString &commandLine, const QString &name)
{
    Zelk::RecordingFileDialog dialog;
    dialog.answer = writeFile(dir, name, bytes);
    Zelk::setFileDialog(&dialog);
    start = new FrmKurvex(state);
    start->setCommandLine(commandLine);
    const bool shown = start->cmdShowGraph_Click();
    Zelk::setFileDialog(nullptr);
    return shown ? start->GraphWindows[0].data() : nullptr;
}

// The screenshot folder of the user guide ($ZELK_SCREENSHOT_DIR), empty when none is wanted.
inline QString screenshotDir()
{
    return QString::fromLocal8Bit(qgetenv("ZELK_SCREENSHOT_DIR"));
}

inline QByteArray dataFile(const QString &name)
{
    QFile f(QStringLiteral(ZELK_TEST_DATA_DIR "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace ViewerTest
