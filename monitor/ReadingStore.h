// The fast-sampling reading store: fixed-size reading slots, the block table, the parse of one
// GetFastSampling reply into them, and the writing of a run into a history file.
#pragma once

#include "HistoryFile.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

// One reading text of at most 10 characters, stored in place (no allocation per reading).
struct ReadingSlot {
    std::uint8_t length = 0;
    char text[HistoryFile::MaxReadingTextLength];
    QByteArrayView view() const { return {text, length}; }
    void assign(QByteArrayView value); // value.size() <= 10
};

// What parsing one reply asks the window to do: messages to show, counters to raise.
struct ParseEffects {
    // The message for a reading too long for its slot starts with this; the reading's text follows.
    static inline const QString BigWeight = QStringLiteral("Big Weight !!! ");
    QStringList messages;  // "Big Weight !!! " ..., "Error_Case: " ...
    int xmlErrors = 0;     // CreateXMLErrMsg calls
    int errorReadings = 0; // non-numeric readings (the "Error Readings:" counter)
};

class ReadingStore {
public:
    static constexpr std::int32_t ReadingCapacity = HistoryFile::MaxReadingIndex + 1; // 2000001
    static constexpr std::int32_t BlockCapacity = HistoryFile::MaxBlockRow + 1;       // 100001

    ReadingStore();

    // Reading text by reading index, for the program run (zero pages until used).
    const ReadingSlot &arrAllReadings(std::int32_t i) const { return m_all[static_cast<std::size_t>(i)]; }
    // The current run's copy that the writer reads; its size is the last EndIndex + 2.
    std::int32_t readingTextsSize() const { return static_cast<std::int32_t>(m_texts.size()); }
    const ReadingSlot &arrReadingTexts(std::int32_t i) const { return m_texts[static_cast<std::size_t>(i)]; }
    bool bReadingsReady() const { return m_readingsReady; }
    // The block table, rows 0..100000.
    const HistoryFile::BlockRow &arrSampleBlocks(std::int32_t row) const
    {
        return m_blocks[static_cast<std::size_t>(row)];
    }

    // A new run starts: the slots of the previous run are cleared so no stale reading reaches its file.
    void clearRun();

    // GetVarSizeArray: parses one reply, stores its readings from `startIndex` on and writes block row
    // `row`. Returns false when the reply cannot be parsed; `endIndex` is written only on success.
    bool GetVarSizeArray(QByteArrayView reply, std::int32_t startIndex, std::int32_t &endIndex,
                         std::int16_t inputs, std::int16_t outputs, std::int32_t ticks, std::int32_t row,
                         ParseEffects &fx);

    // Complete: data, end line and trailer. DataOnly: the blocks alone, as the auto-save file grows.
    enum class Frame { Complete, DataOnly };

    // Writes blocks [beginBlock, lastBlock) in the history layout: the interval line when beginBlock is
    // 0, then (Complete) the end line and the trailer. A non-numeric reading text is replaced in the
    // store by the one before it. Returns false, with the operating system's reason in `error`, when not
    // every byte could be written.
    bool writeHistory(QIODevice &out, std::int32_t beginBlock, std::int32_t lastBlock,
                      const QString &startTime, const QString &unitName, QString *error,
                      Frame frame = Frame::Complete);

    // Test and benchmark access: fill reading k of the current run directly.
    void setReading(std::int32_t k, QByteArrayView text);
    void setBlock(std::int32_t row, const HistoryFile::BlockRow &block);

private:
    bool storeAll(std::int32_t i, QByteArrayView value, ParseEffects &fx);
    bool copyPrevious(std::int32_t i, ParseEffects &fx);
    void copyToRun(std::int32_t i, ParseEffects &fx);
    void readingLines(QByteArray &buf, std::int32_t first, std::int32_t last);

    struct FreeDeleter {
        void operator()(ReadingSlot *p) const;
    };
    std::unique_ptr<ReadingSlot[], FreeDeleter> m_all;
    std::vector<ReadingSlot> m_texts;
    std::size_t m_allUsed = 0; // slots of m_all written since the last clearRun()
    // The parse stores only numeric texts (or none), so the writer need not test them again; a text put
    // in directly that is not numeric makes it test every text until the next clearRun().
    bool m_untestedTexts = false;
    std::vector<HistoryFile::BlockRow> m_blocks;
    bool m_readingsReady = false;
};
