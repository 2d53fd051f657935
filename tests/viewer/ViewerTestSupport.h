// Helpers of the viewer tests: a fresh viewer state per test, an observed program end, history
// files written with the shared writer pieces into a temporary folder.
#pragma once

#include "GraphE.h"
#include "HistoryFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <vector>

namespace ViewerTest {

// Resets the viewer state and counts program ends instead of ending the test.
struct FreshViewer {
    FreshViewer()
    {
        GraphE::resetViewer();
        GraphE::setEndProgramHandler([this](int) { ++ends; });
    }
    ~FreshViewer()
    {
        GraphE::setEndProgramHandler(nullptr);
        GraphE::resetViewer();
    }
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

inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    f.write(bytes);
    return path;
}

inline QByteArray dataFile(const QString &name)
{
    QFile f(QStringLiteral(ZELK_TEST_DATA_DIR "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace ViewerTest
