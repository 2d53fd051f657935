// Following a growing history file: the union of the polls equals the full load of the final file
// however the appends are cut, a poll with nothing new reads nothing, and every way following stops.
#include "HistoryFollow.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace HistoryFollow;

namespace {

// Three readings a block; the finished file has its end line and trailer.
QByteArray historyBytes(int blocks, bool finished, std::int32_t firstTicks = 1500)
{
    QByteArray out;
    HistoryFile::appendIntervalLine(out);
    std::int32_t k = 0;
    for (int b = 0; b < blocks; ++b) {
        HistoryFile::appendBlockHeader(out, {0, b, -b, firstTicks + 280 * b, k + 2});
        for (int i = 0; i < 3; ++i, ++k)
            HistoryFile::appendReadingLine(out, k, QByteArray::number(12.345 + k * 0.001, 'f', 3));
    }
    if (finished) {
        HistoryFile::appendEndLine(out);
        HistoryFile::appendTrailer(out, QStringLiteral("2/19/2004 10:30:53 AM"), QStringLiteral("kg"), k - 1);
    }
    return out;
}

struct Readings {
    std::vector<QByteArray> texts;
    std::vector<std::int32_t> ticks; // of the block rows
    HistoryFile::Trailer trailer;
};

Readings fullLoad(const QByteArray &bytes, bool relaxed)
{
    Readings r;
    HistoryFile::LoadSink sink;
    sink.block = [&r](std::int32_t, const HistoryFile::BlockRow &b) { r.ticks.push_back(b.ticks); };
    sink.reading = [&r](std::int32_t, QByteArrayView text) {
        r.texts.push_back(text.toByteArray());
        return true;
    };
    r.trailer = HistoryFile::load(bytes, relaxed, sink).trailer;
    return r;
}

void writeFile(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    if (!file.open(mode) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
}

} // namespace

class TestHistoryFollow : public QObject {
    Q_OBJECT
private slots:
    void pollsTogetherEqualTheFullLoad_data();
    void pollsTogetherEqualTheFullLoad();
    void followingStopsOnce_data();
    void followingStopsOnce();
    void resumesAfterWhatTheViewerLoaded();
};

void TestHistoryFollow::pollsTogetherEqualTheFullLoad_data()
{
    QTest::addColumn<bool>("finished");
    QTest::addColumn<int>("step");
    QTest::newRow("auto_save_whole_file_at_once") << false << 100000;
    QTest::newRow("auto_save_cut_every_7_bytes") << false << 7;
    QTest::newRow("auto_save_byte_by_byte") << false << 1;
    QTest::newRow("finished_cut_every_40_bytes") << true << 40;
    QTest::newRow("finished_byte_by_byte") << true << 1;
}

// After every append the follower has handed over exactly the whole blocks a full load of the file
// so far gives (lines cut in the middle, CR without its LF, blocks without their last line wait); a
// poll with nothing new reads nothing.
void TestHistoryFollow::pollsTogetherEqualTheFullLoad()
{
    QFETCH(bool, finished);
    QFETCH(int, step);
    const QByteArray final = historyBytes(4, finished);
    QTemporaryDir dir;
    const QString path = dir.filePath(finished ? QStringLiteral("run.txt") : QStringLiteral("AutoSave.txt"));
    writeFile(path, {});
    Follower follower(path);
    Readings got;
    Poll poll;
    for (qsizetype at = 0; at < final.size(); at += step) {
        const QByteArray written = final.left(at + step);
        writeFile(path, written.mid(at), QIODevice::Append);
        poll = follower.poll();
        QCOMPARE(poll.firstIndex, std::int32_t(got.texts.size()));
        got.texts.insert(got.texts.end(), poll.texts.begin(), poll.texts.end());
        for (const HistoryFile::BlockRow &b : poll.blocks)
            got.ticks.push_back(b.ticks);
        if (poll.status == Status::Following)
            QCOMPARE(got.texts, fullLoad(written.left(written.lastIndexOf('\n') + 1), true).texts);
    }
    const Readings want = fullLoad(final, !finished);
    QCOMPARE(got.texts, want.texts);
    QCOMPARE(got.ticks, want.ticks);
    QCOMPARE(poll.status, finished ? Status::Finished : Status::Following);
    QVERIFY(poll.trailer.lines == want.trailer.lines);
    QVERIFY(poll.message.isEmpty());
    if (!finished) // nothing new: nothing read
        QCOMPARE(follower.poll().bytesRead, qint64(0));
}

void TestHistoryFollow::followingStopsOnce_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after"); // null: the file is removed
    QTest::addColumn<Status>("status");
    const QByteArray two = historyBytes(2, false);
    QTest::newRow("shrinks_below_what_was_read") << two << historyBytes(1, false) << Status::Changed;
    QTest::newRow("start_rewritten") << two << historyBytes(3, false, 9000) << Status::Changed;
    QTest::newRow("append_taken_back")
        << two + "-999999  0  2 -2  2060  8 \r\n 6  12" << two << Status::Following;
    QTest::newRow("not_a_history_file")
        << QByteArray("") << QByteArray("hello\r\nworld\r\n") << Status::Invalid;
    QTest::newRow("short_block_header") << two << two + "-999999  0  2\r\n 6  1.0\r\n" << Status::Invalid;
    QTest::newRow("trailer_without_count")
        << two << two + "-1, -1\r\n" + QByteArray("x\r\n").repeated(10) << Status::Invalid;
    QTest::newRow("removed") << two << QByteArray() << Status::Unreadable;
}

void TestHistoryFollow::followingStopsOnce()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(Status, status);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("AutoSave.txt"));
    writeFile(path, before);
    Follower follower(path);
    QCOMPARE(follower.poll().status, Status::Following);
    if (after.isNull())
        QFile::remove(path);
    else
        writeFile(path, after);
    const Poll poll = follower.poll();
    QCOMPARE(poll.status, status);
    QCOMPARE(poll.message.isEmpty(), status == Status::Following);
    if (status == Status::Changed)
        QVERIFY2(poll.message.contains(QStringLiteral("changed while it was followed; following stopped.")),
                 qPrintable(poll.message));
    QCOMPARE(follower.poll().status, status == Status::Following ? Status::Following : Status::Stopped);
}

// The viewer loaded the file with a block cut short; following hands over that block and the rest.
void TestHistoryFollow::resumesAfterWhatTheViewerLoaded()
{
    const QByteArray final = historyBytes(3, false);
    const QByteArray loaded = final.left(final.size() - 5);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("AutoSave.txt"));
    writeFile(path, loaded);
    Follower follower(path);
    QCOMPARE(follower.resumeAfter(loaded), std::int32_t(6));
    writeFile(path, final);
    const Poll poll = follower.poll();
    QCOMPARE(poll.firstIndex, std::int32_t(6));
    const std::vector<QByteArray> all = fullLoad(final, true).texts;
    QCOMPARE(poll.texts, std::vector<QByteArray>(all.begin() + 6, all.end()));
}

QTEST_GUILESS_MAIN(TestHistoryFollow)
#include "tst_history_follow.moc"
