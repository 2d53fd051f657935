// Pure pieces of the history recording: the viewer's argument text, the viewer lookup and the
// auto-save steps.
#include "HistoryRun.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace HistoryRun {

QString viewerArgument(const QString &fileName, bool readingMode, const QString &integration)
{
    return fileName + u'/' + (readingMode ? u'1' : u'2') + u'/' + integration;
}

QString locateProgram(const QString &program, const QStringList &directories)
{
    for (const QString &directory : directories) {
        const QFileInfo candidate(QDir(directory), program);
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

AutoSaveStep autoSaveStep(std::int32_t savedBlocks, std::int32_t blockCount)
{
    AutoSaveStep step;
    step.from = savedBlocks;
    step.to = std::max(savedBlocks, std::min(blockCount, MaxBlocks));
    step.tooBig = blockCount > MaxBlocks;
    return step;
}

} // namespace HistoryRun
