// The benchmarks' own parts: the fast peer frames requests as the monitor sends them and answers with
// its replies in turn; the load baseline converts exactly the readings of a history file; a figure's
// verdict comes from the medians of the runs that succeeded.
#include "BenchChild.h"
#include "BenchFigure.h"
#include "BenchHistory.h"
#include "FastPeer.h"
#include "FromCharsBaseline.h"
#include "HistoryFile.h"

#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class tst_BenchParts : public QObject {
    Q_OBJECT

private slots:
    void requestLength_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("length"); // -1: incomplete
        const QByteArray request = "POST /GetRTStatus\r\nContent-Length: 4\r\n\r\nID=4\r\n";
        QTest::newRow("monitor_request") << request << int(request.size());
        QTest::newRow("followed_by_more") << request + "POST" << int(request.size());
        QTest::newRow("first_write_only") << QByteArray("POST /GetRTStatus\r\n") << -1;
        QTest::newRow("header_without_body") << request.left(request.indexOf("ID=4")) << -1;
        QTest::newRow("body_without_crlf") << request.chopped(2) << -1;
        QTest::newRow("no_content_length") << QByteArray("POST /StopSample\r\n\r\n\r\n") << 22;
        QTest::newRow("longer_body") << QByteArray(
                                            "POST /SetOutput\r\nContent-Length: 12\r\n\r\nID=4&OUT=123\r\n")
                                     << 53;
    }
    void requestLength()
    {
        QFETCH(QByteArray, received);
        const std::optional<std::size_t> length =
            FastPeer::requestLength(std::string_view(received.constData(), std::size_t(received.size())));
        QTEST(length ? int(*length) : -1, "length");
    }

    void peerAnswersInTurnAndOutlivesAClientThatGivesUp()
    {
        const FastPeer::Peer peer({"first", "second", "third"});
        QVERIFY(peer.port() != 0);
        giveUpHalfway(peer.port());
        const FastPeer::ClientRun run = FastPeer::bareClient(peer.port(), 4, true);
        QCOMPARE(run.replies, (std::vector<std::string>{"first", "second", "third", "first"}));
        QVERIFY(run.perSecond > 0);
        QVERIFY(run.cpuUsPerExchange >= 0);
        QCOMPARE(peer.answered(), 4u);
    }

    void baselineConvertsEveryReadingAndNothingElse_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<int>("blocks");
        QTest::newRow("two_blocks") << history({{"12.5", "-3", "0.001"}, {"7"}}, true)
                                    << QList<double>{12.5, -3, 0.001, 7} << 2;
        QTest::newRow("appended_part_without_interval_line")
            << history({{"1.25"}, {"2.5", "3.75"}}, false) << QList<double>{1.25, 2.5, 3.75} << 2;
        QTest::newRow("lf_line_ends")
            << history({{"4", "5"}}, true).replace("\r\n", "\n") << QList<double>{4, 5} << 1;
        QTest::newRow("no_block") << history({}, true) << QList<double>{} << 0;
    }
    void baselineConvertsEveryReadingAndNothingElse()
    {
        QFETCH(QByteArray, file);
        const FromCharsBaseline::Converted c = FromCharsBaseline::convert(file.cbegin(), file.cend());
        QTEST(QList<double>(c.values.begin(), c.values.end()), "readings");
        QTEST(int(c.blocks), "blocks");
    }

    void baselineReadsTheBenchmarkFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("All_data.txt"));
        BenchHistory::writeHistory(path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray file = f.readAll();
        const FromCharsBaseline::Converted c = FromCharsBaseline::convert(file.cbegin(), file.cend());
        QCOMPARE(c.values.size(), std::size_t(BenchHistory::Readings));
        QCOMPARE(c.blocks,
                 std::size_t((BenchHistory::Readings + BenchHistory::PerBlock - 1) / BenchHistory::PerBlock));
    }

    void verdictFromTheMediansOfTheRunsThatSucceeded_data()
    {
        QTest::addColumn<QVector<double>>("value");
        QTest::addColumn<QVector<double>>("baseline");
        QTest::addColumn<bool>("higherIsBetter");
        QTest::addColumn<double>("limit");
        QTest::addColumn<double>("median");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("met");
        const QVector<double> base{100, 90, 110};
        QTest::newRow("at_most_met") << QVector<double>{140, 300, 150} << base << false << 1.5 << 150.0
                                     << "<= 1.5x baseline" << true;
        QTest::newRow("at_most_missed")
            << QVector<double>{160, 151, 170} << base << false << 1.5 << 160.0 << "<= 1.5x baseline" << false;
        QTest::newRow("at_least_met")
            << QVector<double>{50, 60, 55} << base << true << 0.5 << 55.0 << ">= 0.5 of baseline" << true;
        QTest::newRow("at_least_missed")
            << QVector<double>{12, 10, 11} << base << true << 0.5 << 11.0 << ">= 0.5 of baseline" << false;
        QTest::newRow("failed_run_left_out")
            << QVector<double>{-1, 120, 200} << base << false << 1.5 << 160.0 << "<= 1.5x baseline" << false;
        QTest::newRow("every_run_failed")
            << QVector<double>{-1, -1, -1} << base << false << 1.5 << -1.0 << "<= 1.5x baseline" << false;
        QTest::newRow("no_baseline") << QVector<double>{1, 1, 1} << QVector<double>{-1, -1} << false << 3.0
                                     << 1.0 << "<= 3x baseline" << false;
    }
    void verdictFromTheMediansOfTheRunsThatSucceeded()
    {
        QFETCH(QVector<double>, value);
        QFETCH(QVector<double>, baseline);
        QFETCH(bool, higherIsBetter);
        QFETCH(double, limit);
        const BenchFigure::Verdict v = BenchFigure::judge(value, baseline, {higherIsBetter, limit});
        QTEST(v.value, "median");
        QTEST(v.target, "target");
        QTEST(v.met, "met");
    }

    // The counters the polling figures are computed from, as the driver's lines carry them.
    void counterFromADumpLine_data()
    {
        QTest::addColumn<QByteArray>("line"); // empty: no line came
        QTest::addColumn<double>("counter");
        QTest::newRow("counter") << QByteArray(
                                        R"({"event":"state","line":6,"window":"frmClient",)"
                                        R"("name":"lblTotalReadingsD","caption":"2586","enabled":true})")
                                 << 2586.0;
        QTest::newRow("caption_not_a_number")
            << QByteArray(R"({"event":"state","line":3,"name":"cmdWeight","caption":"Weight  I/O"})") << -1.0;
        QTest::newRow("error_line") << QByteArray(
                                           R"({"event":"error","line":4,"message":"cmdWeight is covered"})")
                                    << -1.0;
        QTest::newRow("no_line") << QByteArray() << -1.0;
    }
    void counterFromADumpLine()
    {
        QFETCH(QByteArray, line);
        QTEST(Child::caption(line.isEmpty() ? std::nullopt : std::optional<QByteArray>(line)), "counter");
    }

private:
    // A run as the monitor writes it: per block its reading texts; the trailer holds numbers too.
    static QByteArray history(const QList<QList<QByteArray>> &blocks, bool intervalLine)
    {
        QByteArray out;
        if (intervalLine)
            HistoryFile::appendIntervalLine(out);
        std::int32_t k = 0;
        for (const QList<QByteArray> &texts : blocks) {
            HistoryFile::appendBlockHeader(out, {0, 254, 1023, 1500, k + std::int32_t(texts.size()) - 1});
            for (const QByteArray &text : texts)
                HistoryFile::appendReadingLine(out, k++, text);
        }
        HistoryFile::appendEndLine(out);
        HistoryFile::appendTrailer(out, QStringLiteral("2/19/2004 10:30:53 AM"), QStringLiteral("kg"), k - 1);
        return out;
    }

    // Connects, sends the first of the monitor's three writes and closes.
    static void giveUpHalfway(quint16 port)
    {
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(::connect(fd, reinterpret_cast<sockaddr *>(&peer), sizeof peer) == 0);
        QVERIFY(::write(fd, "POST /GetRTStatus\r\n", 19) == 19);
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(tst_BenchParts)
#include "tst_bench_parts.moc"
