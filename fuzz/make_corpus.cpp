// Seed corpus generator: captures real replies of zelk-devicesim on loopback (status, outputs, a whole
// fast-sampling run, its end, and the device's faults), writes history files with the monitor's writer,
// settings files and command lines, and saves them as the fuzz targets' seeds.
//
// Usage: zelk_make_corpus OUTDIR   (writes OUTDIR/<target>/<seed>, replacing files of the same name)
#include "ConfigFile.h"
#include "DeviceSim.h"
#include "HistoryFile.h"
#include "HistoryRun.h"
#include "LayoutFile.h"
#include "ReadingStore.h"
#include "RequestFraming.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

using ZelkSim::DeviceSim;
using ZelkSim::Fault;

QDir g_out;

void save(const QString &target, const QString &name, const QByteArray &bytes)
{
    if (bytes.size() >= 64 * 1024) {
        std::fprintf(stderr, "make_corpus: %s/%s is too large (%lld bytes)\n", qPrintable(target),
                     qPrintable(name), static_cast<long long>(bytes.size()));
        std::exit(1);
    }
    g_out.mkpath(target);
    QFile f(g_out.filePath(target + QLatin1Char('/') + name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "make_corpus: cannot write %s\n", qPrintable(f.fileName()));
        std::exit(1);
    }
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// One request on a fresh connection, as the monitor sends it; everything the device sent back.
QByteArray exchange(const DeviceSim &sim, const QString &command, const QString &body)
{
    QTcpSocket socket;
    QByteArray received;
    QEventLoop loop;
    QObject::connect(&socket, &QTcpSocket::connected, [&] {
        for (const QByteArray &w : Framing::requestWrites(command, body))
            socket.write(w);
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { received += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    socket.connectToHost(QHostAddress::LocalHost, sim.serverPort());
    loop.exec();
    return received + socket.readAll();
}

QByteArray status(const DeviceSim &sim)
{
    return exchange(sim, Framing::GetRTStatus, Framing::UnitBody);
}

// ---- Reply seeds -----------------------------------------------------------------------------------

// [chunk-size count - 1][where][chunk sizes - 1][wire bytes], the layout fuzz_reply reads.
QByteArray replySeed(const QByteArray &wire, std::initializer_list<int> chunkSizes, std::uint8_t where = 0)
{
    QByteArray seed;
    seed.append(static_cast<char>(chunkSizes.size() - 1));
    seed.append(static_cast<char>(where));
    for (int s : chunkSizes)
        seed.append(static_cast<char>(s - 1));
    return seed + wire;
}

// The reply as the device writes it by default: the header with the prolog, then the rest.
QByteArray asSent(const QByteArray &wire, std::uint8_t where = 0)
{
    const qsizetype prologEnd = wire.indexOf(ZelkSim::Prolog) + qsizetype(sizeof ZelkSim::Prolog) - 1;
    return replySeed(wire, {static_cast<int>(std::clamp<qsizetype>(prologEnd, 1, 256)), 256}, where);
}

struct Run {
    QByteArray start;
    QList<QByteArray> batches; // the GetFastSampling replies with readings
    QByteArray end;            // the ERROR_CODE 200 reply
};

Run fastSamplingRun(const DeviceSim &sim)
{
    Run run;
    run.start = exchange(sim, Framing::StartSample, {});
    waitMs(1100); // the run (1000 ms) is over: every batch is full but the last
    for (int i = 0; i < 20; ++i) {
        const QByteArray reply = exchange(sim, Framing::GetFastSampling, Framing::UnitBody);
        if (reply.contains("<ERROR_CODE>200</ERROR_CODE>")) {
            run.end = reply;
            break;
        }
        run.batches << reply;
    }
    return run;
}

QByteArray withFault(DeviceSim &sim, Fault fault, int param, const QString &text = {})
{
    sim.setFault(fault, param, text);
    const QByteArray reply = status(sim);
    sim.clearFault(fault);
    return reply;
}

void replySeeds(DeviceSim &sim, const Run &run)
{
    const QString t = QStringLiteral("fuzz_reply");
    const QByteArray st = status(sim);
    save(t, QStringLiteral("status_as_sent"), asSent(st));
    save(t, QStringLiteral("status_1_byte_chunks"), replySeed(st, {1}));
    save(t, QStringLiteral("status_mixed_chunks"), replySeed(st, {3, 17, 64, 256, 1}));
    save(t, QStringLiteral("setoutput_all_off"),
         asSent(exchange(sim, Framing::SetOutput, Framing::setOutputBody(1023, QStringLiteral("0")))));
    save(t, QStringLiteral("setoutput_set_point"),
         asSent(exchange(sim, Framing::SetOutput, Framing::setOutputBody(510, QStringLiteral("12.5")))));
    save(t, QStringLiteral("setoutput_bad_body"),
         asSent(exchange(sim, Framing::SetOutput, QStringLiteral("ID=4"))));
    save(t, QStringLiteral("channel_switch"), asSent(exchange(sim, Framing::channelCommand(2), {})));
    save(t, QStringLiteral("start_sample"), asSent(run.start));
    for (int i = 0; i < run.batches.size(); ++i)
        save(t, QStringLiteral("batch_%1").arg(i + 1), asSent(run.batches.at(i)));
    save(t, QStringLiteral("batch_end_200"), asSent(run.end));
    QByteArray whole = run.start;
    for (const QByteArray &b : run.batches)
        whole += b;
    save(t, QStringLiteral("run_whole"), replySeed(whole + run.end, {256, 200, 1, 31}));
    if (!run.batches.isEmpty()) {
        const QByteArray &first = run.batches.first();
        save(t, QStringLiteral("batch_near_last_reading"), asSent(first, 0xF3));
        save(t, QStringLiteral("batch_last_block_row"), asSent(first, 0xFE));
        save(t, QStringLiteral("batch_past_block_table"), asSent(first, 0xFF));
    }
    save(t, QStringLiteral("stop_sample"), asSent(exchange(sim, Framing::StopSample, {})));
    save(t, QStringLiteral("error_code_7"),
         asSent(withFault(sim, Fault::ErrorCode, 7, QStringLiteral("Overload"))));
    save(t, QStringLiteral("trailer_3"), asSent(withFault(sim, Fault::TrailerCount, 3)));
    save(t, QStringLiteral("trailer_5"), asSent(withFault(sim, Fault::TrailerCount, 5)));
    const struct {
        const char *name;
        ZelkSim::Malformed kind;
    } malformed[] = {{"malformed_unclosed", ZelkSim::Malformed::UnclosedElements},
                     {"malformed_no_prolog", ZelkSim::Malformed::NoProlog},
                     {"malformed_wrong_prolog", ZelkSim::Malformed::WrongProlog},
                     {"malformed_no_root_close", ZelkSim::Malformed::NoRootClose},
                     {"malformed_bad_values", ZelkSim::Malformed::BadValues}};
    for (const auto &m : malformed)
        save(t, QLatin1String(m.name), asSent(withFault(sim, Fault::MalformedXml, static_cast<int>(m.kind))));
    save(t, QStringLiteral("oversized_60000"), replySeed(withFault(sim, Fault::Oversized, 60000), {256}));
    // Markup in the device's texts: element reads must take it as plain text.
    sim.setElement(QStringLiteral("ERROR_DESCRIPTION"), QStringLiteral("<b>x</b>"));
    sim.setElement(QStringLiteral("UNIT"), QStringLiteral("<img src=x>"));
    save(t, QStringLiteral("status_markup"), asSent(status(sim)));
    sim.clearElementOverrides();
    // A reply past the 1 MiB bound: a status reply whose PAD element repeats (amplified by the target).
    const QByteArray head = st.left(st.indexOf("<ERROR_CODE>")) + "<PAD>";
    QByteArray amplify;
    amplify.append('\xF0').append('\0').append('\xFF').append(static_cast<char>(head.size()));
    save(t, QStringLiteral("oversized_amplified"), amplify + head + QByteArray(100, 'x'));
}

// ---- History seeds ---------------------------------------------------------------------------------

// The run stored as the monitor stores it, then written by its history writer.
QByteArray historyFile(const Run &run, int batches, ReadingStore::Frame frame)
{
    ReadingStore store;
    store.clearRun();
    std::int32_t next = 0;
    std::int32_t row = 0;
    for (int i = 0; i < batches && i < run.batches.size(); ++i) {
        std::int32_t end = 0;
        ParseEffects fx;
        const QByteArray text = run.batches.at(i).mid(run.batches.at(i).indexOf(ZelkSim::Prolog));
        if (!store.GetVarSizeArray(text, next, end, std::int16_t(254 - i), 1023, 1000 + 470 * i, row, fx))
            continue;
        next = end + 1;
        ++row;
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    store.writeHistory(out, 0, row, QStringLiteral(" 07.12.2026 22:40:11"), QStringLiteral("KG"), nullptr,
                       frame);
    return out.data();
}

const char *const EndAndTrailer = "-1, -1\r\nStartDateTime: 07.12.2026 22:40:11\r\nZELK-NET  Channel 1\r\n"
                                  "Card#: QN1234568TAVU   Delay: 3 ms.\r\nChannel(s) Scanned:\r\n"
                                  "InegrationBufferSize: \r\nGain Bias Resol. Units LoLimit HiLimit\r\n"
                                  "  36   49 0.0002 KG     0.234   4.321\r\n"
                                  "Average Minimum Maximum Delta1 Delta2 Cnt1 Cnt2\r\n"
                                  " 1107  801  1398 -306  291  1  1\r\nSamples: 2\r\n";

QList<QPair<QString, QByteArray>> historySeeds(const Run &run)
{
    const QByteArray head = "Timer2Interval,  300 \r\n-999999  0  254  1023  1500  2 \r\n";
    const QByteArray readings = " 0  12.345\r\n 1  12.350\r\n 2  12.347\r\n";
    const QByteArray good = head + readings + EndAndTrailer;
    QByteArray lf = good;
    lf.replace("\r\n", "\n");
    QByteArray utf8Unit = good;
    utf8Unit.replace(" KG     ", " \xC2\xB5g\xE2\x82\xAC  ");
    QByteArray badSamples = good;
    badSamples.replace("Samples: 2", "Samples: two");
    QList<QPair<QString, QByteArray>> seeds = {
        {QStringLiteral("run_one_batch"), historyFile(run, 1, ReadingStore::Frame::Complete)},
        {QStringLiteral("run_three_batches"), historyFile(run, 3, ReadingStore::Frame::Complete)},
        {QStringLiteral("run_auto_save"), historyFile(run, 2, ReadingStore::Frame::DataOnly)},
        {QStringLiteral("small_crlf"), good},
        {QStringLiteral("small_lf"), lf},
        {QStringLiteral("utf8_unit"), utf8Unit},
        {QStringLiteral("empty"), {}},
        {QStringLiteral("interval_only"), "Timer2Interval,  300 \r\n"},
        {QStringLiteral("no_readings"), QByteArray("Timer2Interval,  300 \r\n") + EndAndTrailer},
        {QStringLiteral("missing_end_line"), head + readings},
        {QStringLiteral("short_trailer"), head + readings + "-1, -1\r\nStartDateTime: x\r\n"},
        {QStringLiteral("samples_not_numeric"), badSamples},
        {QStringLiteral("not_a_history_file"), "Timer3Interval, 300\r\n 0 1\r\n"},
        {QStringLiteral("whole_number_not_numeric"), "Timer2Interval, 300\r\n-999999 0 x 0 0 0\r\n 0 1\r\n"},
        {QStringLiteral("whole_number_overflow"), "Timer2Interval, 300\r\n 99999999999 1\r\n"},
        {QStringLiteral("quoted_and_commas"), "Timer2Interval,300\r\n0,\"1,5\"\r\n1,2.5e3,x\r\n-1,-1\r\n"},
        {QStringLiteral("binary"), QByteArray("Timer2Interval\0\xFF\x01,\r\r\n\n", 22)},
    };
    return seeds;
}

void historyTargetSeeds(const Run &run)
{
    for (const auto &[name, bytes] : historySeeds(run))
        save(QStringLiteral("fuzz_history"), name, bytes);
    // Amplified: more block markers than the table has rows (1.6 MiB of "-999999,,,,,,1").
    const QByteArray head = "Timer2Interval, 300\r\n";
    save(QStringLiteral("fuzz_history"), QStringLiteral("block_table_overflow_amplified"),
         "\xFF\xFE" + QByteArray(1, static_cast<char>(head.size())) + head + "-999999,,,,,,1\r\n");
}

void viewerTargetSeeds(const Run &run)
{
    // [options][interval][file]: options bit 0 names the file AutoSave.txt, bit 1 selects milliseconds.
    const QString t = QStringLiteral("fuzz_viewer_load");
    for (const auto &[name, bytes] : historySeeds(run)) {
        save(t, name + QStringLiteral("_readings"), QByteArray("\x00\x08", 2) + bytes);
        save(t, name + QStringLiteral("_ms_16"), QByteArray("\x02\x10", 2) + bytes);
    }
    save(t, QStringLiteral("run_auto_save_named"),
         QByteArray("\x01\x08", 2) + historyFile(run, 2, ReadingStore::Frame::DataOnly));
    // A long run in milliseconds at the largest interval (amplified to 1.6 MiB of readings).
    const QByteArray head = "Timer2Interval, 300\r\n";
    save(t, QStringLiteral("long_run_ms_32767_amplified"),
         QByteArray("\xF2\xFF", 2) + QByteArray(1, static_cast<char>(head.size())) + head + "0 1.5\n");
}

// ---- Settings, field and command-line seeds --------------------------------------------------------

// Six values cut at 0x00 bytes, as fuzz_config's round trip reads them.
const char ZeroSeparated[] = "10.1.1.1\0"
                             "1\0"
                             "0\0"
                             "\0"
                             "2000\0"
                             "1";

void configSeeds()
{
    const QString t = QStringLiteral("fuzz_config");
    const ConfigFile::Values typical{
        QStringLiteral("127.0.0.1:8080"), QStringLiteral("1"),    QStringLiteral("0"),
        QStringLiteral("3000"),           QStringLiteral("5000"), QStringLiteral("2")};
    const QByteArray file = ConfigFile::compose(typical);
    QByteArray lf = file;
    lf.replace("\r\n", "\n");
    const QList<QPair<QString, QByteArray>> seeds = {
        {QStringLiteral("saved"), file},
        {QStringLiteral("saved_empty_values"), ConfigFile::compose({})},
        {QStringLiteral("lf_line_ends"), lf},
        {QStringLiteral("marker_lower_case"), QByteArray(file).replace("VZT", "vzt")},
        {QStringLiteral("no_marker"), file.left(file.indexOf("VZT"))},
        {QStringLiteral("three_lines"), file.left(file.indexOf("Start_Sample_Time"))},
        {QStringLiteral("empty"), {}},
        {QStringLiteral("quoted_comma"), QByteArray(file).replace("127.0.0.1:8080", "\"10.0.0.1,80\" junk")},
        {QStringLiteral("extra_commas"), "IPaddress,a,b,c\r\nx,,y\r\n,,,,\r\nVZT\r\n"},
        {QStringLiteral("zero_separated_values"), QByteArray(ZeroSeparated, sizeof ZeroSeparated - 1)},
    };
    for (const auto &[name, bytes] : seeds)
        save(t, name, bytes);
}

void fieldReaderSeeds()
{
    // [kind count - 1][kinds: 0 text, 1 Long, 2 Integer, 3 line][data]
    const QString t = QStringLiteral("fuzz_fieldreader");
    const QByteArray settings = ConfigFile::compose({QStringLiteral("192.0.2.1"),
                                                     QStringLiteral("0"),
                                                     QStringLiteral("1"),
                                                     {},
                                                     QStringLiteral("5000"),
                                                     QStringLiteral("1")});
    const QList<QPair<QString, QByteArray>> seeds = {
        {QStringLiteral("settings_text_pairs"), QByteArray("\x00\x00", 2) + settings},
        {QStringLiteral("history_block"),
         QByteArray("\x02\x00\x01\x00", 4) +
             "Timer2Interval,  300 \r\n-999999  0  5  3  1500  2 \r\n 0  12.345\r\n"},
        {QStringLiteral("numbers_long_integer"),
         QByteArray("\x01\x01\x02", 3) + "1.5, 2.5,-32769 ,1e3,,x\r\n40000 -2.5"},
        {QStringLiteral("quoted_and_lines"),
         QByteArray("\x02\x00\x03\x00", 4) + "\"a,b\" rest,c\r\n\"open\nline\r\r\n"},
        {QStringLiteral("blanks_and_tabs"),
         QByteArray("\x03\x01\x00\x02\x03", 5) + " \t 7 \t,\t text \t\n\n\r 8"},
        {QStringLiteral("utf8"), QByteArray("\x00\x00", 2) + "\xC2\xB5g,\xE2\x82\xAC\r\n\xFF\xFE"},
    };
    for (const auto &[name, bytes] : seeds)
        save(t, name, bytes);
}

void commandLineSeeds()
{
    const QString t = QStringLiteral("fuzz_commandline");
    const QList<QPair<QString, QByteArray>> seeds = {
        {QStringLiteral("monitor_mode_2"),
         HistoryRun::viewerArgument(QStringLiteral("/home/op/runs/All_data.txt"), false, QStringLiteral("16"))
             .toUtf8()},
        {QStringLiteral("monitor_mode_1_empty_interval"),
         HistoryRun::viewerArgument(QStringLiteral("All_data.txt"), true, {}).toUtf8()},
        {QStringLiteral("path_with_blanks_split"), QByteArray("/tmp/my runs/All\0data.txt/2/8", 29)},
        {QStringLiteral("drive_path"), "C:\\d\\All_data.txt/2/16"},
        {QStringLiteral("mode_3"), "x.txt/3/16"},
        {QStringLiteral("interval_not_digits"), "x.txt/2/1a"},
        {QStringLiteral("no_second_slash"), "x.txt/2"},
        {QStringLiteral("interval_over_16_bits"), "x.txt/2/99999"},
        {QStringLiteral("interval_zero"), "x.txt/2/0"},
        {QStringLiteral("interval_blanks"), "x.txt/1/ 12 "},
        {QStringLiteral("file_only"), "All_data.txt"},
        {QStringLiteral("empty"), {}},
        {QStringLiteral("slashes_only"), "///"},
    };
    for (const auto &[name, bytes] : seeds)
        save(t, name, bytes);
}

void layoutSeeds()
{
    const QString t = QStringLiteral("fuzz_layout");
    const LayoutFile::Entry window{QStringLiteral("frmClient"), {0.05f, 0.1f, 0.9f, 1.2f}};
    const std::vector<LayoutFile::Entry> controls = {
        {QStringLiteral("cmdWeight"), {0.1f, 0.02f, 0.05f, 0.2f, 0.6f}},
        {QStringLiteral("cmdSetOutOn(3)"), {0.4f, 0.3f, 0.04f, 0.06f, 0.5f}},
        {QStringLiteral("ShpOut(10)"), {0.45f, 0.7f, 0.03f, 0.03f, 0}},
        {QStringLiteral("lblWT_BRUTTO"), {0.2f, 0.25f, 0.12f, 0.4f, 0.8f}},
    };
    const QByteArray file = LayoutFile::compose(16200, window, controls);
    const QList<QPair<QString, QByteArray>> seeds = {
        {QStringLiteral("saved_by_the_monitor"), file},
        {QStringLiteral("lf_line_ends"), QByteArray(file).replace("\r\n", "\n")},
        {QStringLiteral("other_screen"), QByteArray(file).replace("16200", "11520")},
        {QStringLiteral("bad_names"), "Screen.Height 16200\r\nfrmClient, .1 .1 .5 .5\r\n"
                                      "cmdX(, .1 .1 .1 .1 .1\r\nShp(99999999999), 1 2 3 4 5\r\n"
                                      "  lbl(2)x, 1,2,3,4,5\r\n"},
        {QStringLiteral("numbers_odd"), "Screen.Height 1e3\r\nfrmClient,-.5 1E+38 -0 7\r\n"
                                        "a,1 2 3 4\r\nb,1 2 3 4 5 6\r\nc,1 x 3 4 5\r\n"},
        {QStringLiteral("empty"), {}},
    };
    for (const auto &[name, bytes] : seeds)
        save(t, name, bytes);
}

void minMaxSeeds()
{
    const QString t = QStringLiteral("fuzz_minmax");
    const QList<QPair<QString, QByteArray>> seeds = {
        {QStringLiteral("summary"), "12/07/2026,10:30:00\r\nPart,Summary\r\n100 5 1500\r\n200 7 1620\r\n"
                                    "Maximum 1620\r\nTotal Time In s 10\r\nSamples In File 4\r\n"},
        {QStringLiteral("quoted_heading"), "\"12/07/2026\",\"10:30\",\"a\",\"b\"\n-5 -7\n"},
        {QStringLiteral("not_numbers"),
         "d,t,x,y\r\n1e3 5.5\r\n99999999999 1\r\nTotal Time In s ten\r\nn\r\n"},
        {QStringLiteral("total_last"), "d,t,x,y\r\nTotal Time In s 10\r\n"},
        {QStringLiteral("zero_count"), "d,t,x,y\r\nTotal Time In s 10\r\nSamples In File 0\r\n"},
        {QStringLiteral("empty"), {}},
    };
    for (const auto &[name, bytes] : seeds)
        save(t, name, bytes);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zelk_make_corpus OUTDIR\n");
        return 2;
    }
    g_out = QDir(QString::fromLocal8Bit(argv[1]));
    ZelkSim::ModelConfig model;
    model.seed = 7;
    model.integrationMs = 2;
    model.runMs = 1000;
    DeviceSim sim(model);
    if (!sim.listen(QHostAddress::LocalHost, 0)) {
        std::fprintf(stderr, "make_corpus: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    const Run run = fastSamplingRun(sim);
    if (run.batches.isEmpty() || run.end.isEmpty()) {
        std::fprintf(stderr, "make_corpus: the device handed over no fast-sampling run\n");
        return 1;
    }
    replySeeds(sim, run);
    historyTargetSeeds(run);
    viewerTargetSeeds(run);
    configSeeds();
    fieldReaderSeeds();
    commandLineSeeds();
    layoutSeeds();
    minMaxSeeds();
    std::printf("corpus written to %s\n", argv[1]);
    return 0;
}
