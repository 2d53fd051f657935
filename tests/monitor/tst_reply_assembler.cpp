// Reply gathering: prolog search across chunks, completion by closing root tag plus four characters,
// the size bound, the time limit from the first chunk (also across the tick wrap), the element reader
// and the raw-XML view text.
#include "ReplyAssembler.h"

#include <QTest>
#include <limits>

using Reply::Assembler;
using Reply::Kind;

Q_DECLARE_METATYPE(Reply::Kind)

namespace {
const QString Status =
    QStringLiteral("HTTP/1.0 200 OK\r\n\r\n<?xml version='1.0' ?><GetRTStatus><ERROR_CODE>0"
                   "</ERROR_CODE><A2D>16345</A2D></GetRTStatus>\r\n\r\n");

// Feeds `text` in pieces of `size` characters; returns the kind completed by the last piece and the
// number of pieces that completed a reply.
std::pair<Kind, int> feed(Assembler &a, const QString &text, int size)
{
    Kind last = Kind::None;
    int completions = 0;
    for (qsizetype at = 0; at < text.size(); at += size) {
        last = a.addChunk(text.mid(at, size), 0).kind;
        completions += last != Kind::None;
    }
    return {last, completions};
}
} // namespace

class TestReplyAssembler : public QObject {
    Q_OBJECT
private slots:
    void completionNeedsClosingTagAndExactlyFourCharacters_data();
    void completionNeedsClosingTagAndExactlyFourCharacters();
    void replyIsCompleteHoweverTcpCutsIt_data();
    void replyIsCompleteHoweverTcpCutsIt();
    void textBeforePrologIsDroppedAndPrologMayStraddleChunks();
    void chunksWithoutPrologAreGatheredAndTested();
    void replyAboveOneMebibyteIsGivenUp();
    void resetStartsANewConnection();
    void timeLimitCountsFromFirstChunkAcrossTickWrap_data();
    void timeLimitCountsFromFirstChunkAcrossTickWrap();
    void elementReaderFindsValueBetweenTags_data();
    void elementReaderFindsValueBetweenTags();
    void elementReaderLeavesDataUntouchedWhenMissing();
    void xmlViewBreaksBetweenTags();
};

void TestReplyAssembler::completionNeedsClosingTagAndExactlyFourCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Kind>("kind");
    QTest::newRow("status_4_chars") << "<a></GetRTStatus>\r\n\r\n" << Kind::GetRTStatus;
    QTest::newRow("trailer_3_chars") << "<a></GetRTStatus>\r\n\r" << Kind::None;
    QTest::newRow("trailer_5_chars") << "<a></GetRTStatus>\r\n\r\nx" << Kind::None;
    QTest::newRow("any_4_characters") << "</SetOutput>abcd" << Kind::SetOutput;
    QTest::newRow("batch") << "</GetFastSampling>    " << Kind::GetFastSampling;
    QTest::newRow("start") << "x</StartSample>1234" << Kind::StartSample;
    QTest::newRow("stop") << "x</StopSample>1234" << Kind::StopSample;
    QTest::newRow("channel_reply_not_a_kind") << "</ch1_switch>1234" << Kind::None;
    QTest::newRow("too_short") << "RTStatus>1234" << Kind::None;
    QTest::newRow("empty") << "" << Kind::None;
}

void TestReplyAssembler::completionNeedsClosingTagAndExactlyFourCharacters()
{
    QFETCH(QString, text);
    QTEST(Reply::completedKind(text), "kind");
}

void TestReplyAssembler::replyIsCompleteHoweverTcpCutsIt_data()
{
    QTest::addColumn<int>("chunk");
    QTest::newRow("one_chunk_with_prolog") << int(Status.size());
    QTest::newRow("single_bytes") << 1;
    QTest::newRow("seven_bytes") << 7;
    QTest::newRow("prolog_chunk_split") << 30;
}

void TestReplyAssembler::replyIsCompleteHoweverTcpCutsIt()
{
    QFETCH(int, chunk);
    Assembler a;
    const auto [kind, completions] = feed(a, Status, chunk);
    QCOMPARE(kind, Kind::GetRTStatus);
    QCOMPARE(completions, 1);
    QVERIFY(a.text().startsWith(Reply::Prolog));
}

void TestReplyAssembler::textBeforePrologIsDroppedAndPrologMayStraddleChunks()
{
    Assembler a;
    QVERIFY(!a.addChunk(QStringLiteral("garbage<?xml vers"), 0).prologFound);
    const Assembler::Step step = a.addChunk(QStringLiteral("ion='1.0' ?><StopSample></StopSample>1234"), 0);
    QVERIFY(step.prologFound);
    QCOMPARE(step.kind, Kind::StopSample);
    QCOMPARE(a.text(), QStringLiteral("<?xml version='1.0' ?><StopSample></StopSample>1234"));
    // A second prolog later in the same reply is plain text.
    QVERIFY(!a.addChunk(Reply::Prolog, 0).prologFound);
}

void TestReplyAssembler::chunksWithoutPrologAreGatheredAndTested()
{
    Assembler a;
    QCOMPARE(a.addChunk(QStringLiteral("<SetOutput></Set"), 0).kind, Kind::None);
    QCOMPARE(a.addChunk(QStringLiteral("Output>\r\n\r\n"), 0).kind, Kind::SetOutput);
    QVERIFY(!a.started());
}

void TestReplyAssembler::replyAboveOneMebibyteIsGivenUp()
{
    Assembler a;
    const QString block(64 * 1024, QLatin1Char('x'));
    QVERIFY(!a.addChunk(Reply::Prolog, 0).overflow);
    bool overflow = false;
    for (int i = 0; i < 17 && !overflow; ++i)
        overflow = a.addChunk(block, 0).overflow;
    QVERIFY(overflow);
    QVERIFY(a.text().isEmpty());
}

void TestReplyAssembler::resetStartsANewConnection()
{
    Assembler a;
    a.addChunk(Reply::Prolog + QStringLiteral("<GetRTStatus>"), 100);
    a.reset();
    QVERIFY(a.text().isEmpty());
    QVERIFY(!a.started());
    QVERIFY(!a.expired(1000000, 10));
    a.addChunk(QStringLiteral("x"), 500);
    QCOMPARE(a.firstChunkTicks(), 500);
}

void TestReplyAssembler::timeLimitCountsFromFirstChunkAcrossTickWrap_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("now");
    QTest::addColumn<bool>("expired");
    const int top = std::numeric_limits<std::int32_t>::max();
    QTest::newRow("within_limit") << 1000 << 5999 << false;
    QTest::newRow("at_limit") << 1000 << 6000 << false;
    QTest::newRow("past_limit") << 1000 << 6001 << true;
    QTest::newRow("wrap_within_limit")
        << top - 100 << std::numeric_limits<std::int32_t>::min() + 100 << false;
    QTest::newRow("wrap_past_limit") << top - 100 << std::numeric_limits<std::int32_t>::min() + 5000 << true;
}

void TestReplyAssembler::timeLimitCountsFromFirstChunkAcrossTickWrap()
{
    QFETCH(int, first);
    QFETCH(int, now);
    Assembler a;
    a.addChunk(Reply::Prolog, first);
    a.addChunk(QStringLiteral("<GetRTStatus>"), now);
    QTEST(a.expired(now, 5000), "expired");
}

void TestReplyAssembler::elementReaderFindsValueBetweenTags_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("value");
    QTest::newRow("second_element") << "<A>1</A><B>2</B>"
                                    << "<B>"
                                    << "2";
    QTest::newRow("empty_value") << "<A></A>"
                                 << "<A>"
                                 << "";
    QTest::newRow("first_occurrence_counts") << "<A>1</A><A>2</A>"
                                             << "<A>"
                                             << "1";
    QTest::newRow("closing_tag_before_opening_is_skipped") << "</B><A>1</A><B>2</B>"
                                                           << "<B>"
                                                           << "2";
    QTest::newRow("value_keeps_blanks") << "<UNIT> KG </UNIT>"
                                        << "<UNIT>"
                                        << " KG ";
}

void TestReplyAssembler::elementReaderFindsValueBetweenTags()
{
    QFETCH(QString, xml);
    QFETCH(QString, tag);
    QString data = QStringLiteral("untouched");
    QVERIFY(Reply::elementData(xml, tag, data));
    QTEST(data, "value");
}

void TestReplyAssembler::elementReaderLeavesDataUntouchedWhenMissing()
{
    for (const auto &[xml, tag] : {std::pair{"<A>1</A><B>2</B>", "<C>"}, std::pair{"<A>1", "<A>"},
                                   std::pair{"</A>x<A>", "<A>"}, std::pair{"<A>1</A>", "A"}}) {
        QString data = QStringLiteral("untouched");
        QVERIFY2(!Reply::elementData(QLatin1String(xml), QLatin1String(tag), data), xml);
        QCOMPARE(data, QStringLiteral("untouched"));
    }
    QVERIFY(!Reply::isElementTag(QStringLiteral("<A")));
    QVERIFY(!Reply::isElementTag(QStringLiteral("A>")));
}

void TestReplyAssembler::xmlViewBreaksBetweenTags()
{
    QCOMPARE(Reply::xmlViewText(QStringLiteral("<a><b>1</b></a>")),
             QStringLiteral("<a>\r\n<b>1</b>\r\n</a>"));
    QCOMPARE(Reply::xmlViewText(QStringLiteral("no tags")), QStringLiteral("no tags"));
}

QTEST_APPLESS_MAIN(TestReplyAssembler)
#include "tst_reply_assembler.moc"
