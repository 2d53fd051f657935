// Pure pieces of the history recording: the viewer's argument text and where its program is found,
// and which blocks each auto-save tick appends.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace HistoryRun {

// The viewer program, started by "Show Graph".
inline const QString ViewerProgram = QStringLiteral("Kurvex");

// The viewer's one argument: file name + "/" + mode + "/" + integration, nothing quoted or trimmed.
QString viewerArgument(const QString &fileName, bool readingMode, const QString &integration);

// The first of `directories` that holds an executable file `program`; empty when none does.
QString locateProgram(const QString &program, const QStringList &directories);

// Auto-save: every tick appends the blocks stored since the last one, up to MaxBlocks in all.
constexpr std::int32_t MaxBlocks = 10000;
inline const QString AutoSaveFile = QStringLiteral("AutoSave.txt");
inline const QString TooBigMessage = QStringLiteral("Sorry!... The file is too big!");

struct AutoSaveStep {
    std::int32_t from = 0; // first block to append (0: the save creates the file)
    std::int32_t to = 0;   // one past the last block to append
    bool tooBig = false;   // the run has more blocks than an auto-save file takes
    bool writes() const { return to > from; }
};
AutoSaveStep autoSaveStep(std::int32_t savedBlocks, std::int32_t blockCount);

} // namespace HistoryRun
