// The communication log: its line format (escaping, timestamps, one event a line), rotation at the size
// limit, failures to write, and the monitor's log box against an in-process zelk-devicesim on loopback.
#include "CommLog.h"
#include "DeviceSim.h"
#include "MonitorStation.h"
#include "Seams.h"
#include "frmClient.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <optional>

using CommLog::Event;
using ZelkSim::Fault;

Q_DECLARE_METATYPE(ZelkSim::Fault)

namespace {

const QString NoAnswer = QStringLiteral("Server does not answer! Possibly IP-address is incorrect.\n"
                                        "Be sure the Server is running and try again, please! ");
const QString InvalidXml = QStringLiteral(" Invalid XML data!  ");
const QString CannotWrite = QStringLiteral("Communication log: cannot write ZELK_NET_comm.log: ");
const QByteArray StatusRequest = "POST /GetRTStatus\r\nContent-Length: 4\r\n\r\nID=4\r\n";

// The inverse of the escaping, as a reader of the log would write it.
QByteArray unescaped(QByteArrayView text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.append(text[i]);
            continue;
        }
        const char c = text[++i];
        if (c == 'x' && i + 2 < text.size()) {
            out.append(QByteArray::fromHex(text.sliced(i + 1, 2).toByteArray()));
            i += 2;
        } else {
            out.append(c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c);
        }
    }
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One line of the log: its timestamp and the rest after it.
struct Entry {
    QByteArray stamp;
    QByteArray rest;
};

QList<Entry> entries(const QByteArray &log)
{
    QList<Entry> out;
    for (const QByteArray &l : log.split('\n'))
        if (!l.isEmpty())
            out.append({l.left(23), l.mid(24)});
    return out;
}

// Appending to a device file: Qt says it cannot seek to the end of it, and goes on.
void expectSeekWarning()
{
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("Cannot call seek on a sequential device")));
}

bool isStamp(const QByteArray &stamp)
{
    static const QRegularExpression form(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
    return form.match(QString::fromLatin1(stamp)).hasMatch();
}

bool isPrintableAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// A file of `size` bytes (its content does not matter to the writer).
void makeFile(const QString &path, qint64 size)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(size));
}

QByteArray settings(int timeoutMs)
{
    return "IPaddress,%ADDR%\r\nStartOutStatus, 0\r\nSetPointCheckBoxStart, 0\r\nStart_Sample_Time, 10\r\n"
           "Start_Sample_TimeOut, " +
           QByteArray::number(timeoutMs) + "\r\nX-mode:Samplings_or_Milisec:, 2\r\nVZT\r\n";
}

class Station : public MonitorStation {
public:
    frmClient &start(int timeoutMs = 5000)
    {
        writeFile(QStringLiteral("ZELK_NET.cfg"), settings(timeoutMs).replace("%ADDR%", address.toLatin1()));
        return startWindow();
    }
    QString logPath() const { return dir.filePath(CommLog::FileName); }
    QList<Entry> log() const { return entries(readAll(logPath())); }
};

} // namespace

class TestCommLog : public QObject {
    Q_OBJECT
private slots:
    void init() { Zelk::setTickStart(1000); }

    // ---- Line format ----
    void deviceBytesAreEscapedOntoOneLine_data();
    void deviceBytesAreEscapedOntoOneLine();
    void escapingIsLosslessForEveryByte();
    void lineCarriesLocalTimeWithMilliseconds_data();
    void lineCarriesLocalTimeWithMilliseconds();
    void eachEventWritesOneLineWithItsFields();

    // ---- Rotation and failures ----
    void rotatesBeforeAWriteWouldPassTheLimit_data();
    void rotatesBeforeAWriteWouldPassTheLimit();
    void rotationReplacesTheOlderFile();
    void failuresAreReportedAndCloseTheLog();

    // ---- The monitor's log box ----
    void boxIsOffOnEveryStartAndNotKeptInSettings();
    void healthyExchangeIsLoggedUntilTheBoxIsUnticked();
    void faultsAreLoggedOnce_data();
    void faultsAreLoggedOnce();
    void unwritableLogIsReportedOnceAndPollingGoesOn_data();
    void unwritableLogIsReportedOnceAndPollingGoesOn();
};

// ---- Line format -----------------------------------------------------------------------------------

void TestCommLog::deviceBytesAreEscapedOntoOneLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("plain_text") << QByteArray("<A2D>16345</A2D>") << QByteArray("<A2D>16345</A2D>");
    QTest::newRow("cr_lf") << QByteArray("a\r\nb") << QByteArray("a\\r\\nb");
    QTest::newRow("lone_lf_and_tab") << QByteArray("\n\t") << QByteArray("\\n\\t");
    QTest::newRow("backslash") << QByteArray("C:\\x41") << QByteArray("C:\\\\x41");
    QTest::newRow("nul_esc_del") << QByteArray("\0\x1b\x7f", 3) << QByteArray("\\x00\\x1B\\x7F");
    QTest::newRow("high_bytes") << QByteArray("\x80\xff") << QByteArray("\\x80\\xFF");
    QTest::newRow("utf8_bytes") << QByteArray("\xc3\xa9") << QByteArray("\\xC3\\xA9");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestCommLog::deviceBytesAreEscapedOntoOneLine()
{
    QFETCH(QByteArray, bytes);
    QTEST(CommLog::escaped(bytes), "text");
    const QByteArray l = CommLog::line(QDateTime::currentDateTime(), Event::Reply, "7", bytes);
    QCOMPARE(l.count('\n'), 1);
    QVERIFY(l.endsWith('\n'));
    QVERIFY(isPrintableAscii(l.chopped(1)));
}

void TestCommLog::escapingIsLosslessForEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    // A long reply: every byte value many times over, in one line.
    const QByteArray longReply = all.repeated(4096);
    const QByteArray l = CommLog::line(QDateTime::currentDateTime(), Event::Reply, "1048576", longReply);
    QCOMPARE(l.count('\n'), 1);
    QVERIFY(isPrintableAscii(l.chopped(1)));
    QCOMPARE(unescaped(l.mid(24 + 6 + 8).chopped(1)), longReply); // after "REPLY " and "1048576 "
}

void TestCommLog::lineCarriesLocalTimeWithMilliseconds_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QByteArray>("stamp");
    QTest::newRow("start_of_day") << QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0, 0))
                                  << QByteArray("2026-01-02 00:00:00.000");
    QTest::newRow("ms_below_ten") << QDateTime(QDate(2026, 12, 8), QTime(4, 5, 6, 7))
                                  << QByteArray("2026-12-08 04:05:06.007");
    QTest::newRow("end_of_year") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999))
                                 << QByteArray("2026-12-31 23:59:59.999");
}

void TestCommLog::lineCarriesLocalTimeWithMilliseconds()
{
    QFETCH(QDateTime, when);
    QFETCH(QByteArray, stamp);
    QCOMPARE(CommLog::line(when, Event::TimeOut, "GetRTStatus 5003 ms"),
             stamp + " TIMEOUT GetRTStatus 5003 ms\n");
    QCOMPARE(stamp, when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1());
}

void TestCommLog::eachEventWritesOneLineWithItsFields()
{
    QTemporaryDir dir;
    CommLog::Writer log(dir.filePath(QStringLiteral("comm.log")));
    QVERIFY2(log.open(), qPrintable(log.errorString()));
    const QByteArray reply = "<?xml version='1.0' ?><GetRTStatus></GetRTStatus>\r\n\r\n";
    QVERIFY(log.request(StatusRequest));
    QVERIFY(log.reply(reply));
    QVERIFY(log.timeOut(QStringLiteral("GetRTStatus"), 5003));
    QVERIFY(log.socketError(QStringLiteral("SetOutput"), QStringLiteral("Connection refused")));
    QVERIFY(log.givenUp(CommLog::GiveUp::Incomplete, 31, "<?xml version='1.0' ?><GetRTSta"));
    QVERIFY(log.givenUp(CommLog::GiveUp::TooLarge, 1048600, {}));
    QVERIFY(log.givenUp(CommLog::GiveUp::Invalid, 0, {}));
    QVERIFY(log.messageRepeat(QStringLiteral("Big Weight !!! 12345678901\n")));
    log.close();
    QVERIFY(!log.request(StatusRequest)); // closed: nothing more is written
    const QList<Entry> lines = entries(readAll(log.filePath()));
    QList<QByteArray> rests;
    for (const Entry &e : lines) {
        QVERIFY2(isStamp(e.stamp), e.stamp.constData());
        rests << e.rest;
    }
    QCOMPARE(rests, (QList<QByteArray>{
                        "REQUEST 46 POST /GetRTStatus\\r\\nContent-Length: 4\\r\\n\\r\\nID=4\\r\\n",
                        "REPLY 53 <?xml version='1.0' ?><GetRTStatus></GetRTStatus>\\r\\n\\r\\n",
                        "TIMEOUT GetRTStatus 5003 ms",
                        "SOCKET-ERROR SetOutput Connection refused",
                        "GIVEN-UP incomplete 31 <?xml version='1.0' ?><GetRTSta",
                        "GIVEN-UP too-large 1048600",
                        "GIVEN-UP invalid 0",
                        "MESSAGE-REPEAT Big Weight !!! 12345678901\\n",
                    }));
    QCOMPARE(reply.size(), 53);
    QCOMPARE(log.size(), QFileInfo(log.filePath()).size());
}

// ---- Rotation and failures -------------------------------------------------------------------------

void TestCommLog::rotatesBeforeAWriteWouldPassTheLimit_data()
{
    // The request line written below is 99 bytes long.
    QTest::addColumn<qint64>("limit"); // 0: the writer's own limit
    QTest::addColumn<qint64>("existing");
    QTest::addColumn<bool>("rotated");
    QTest::newRow("line_fits_exactly") << qint64(1000) << qint64(1000 - 99) << false;
    QTest::newRow("one_byte_over") << qint64(1000) << qint64(1000 - 98) << true;
    QTest::newRow("file_already_past_limit") << qint64(1000) << qint64(5000) << true;
    QTest::newRow("empty_file_line_above_limit") << qint64(50) << qint64(0) << false;
    QTest::newRow("real_limit_10_MiB_fits") << qint64(0) << qint64(10 * 1024 * 1024 - 99) << false;
    QTest::newRow("real_limit_10_MiB_one_byte_over") << qint64(0) << qint64(10 * 1024 * 1024 - 98) << true;
}

void TestCommLog::rotatesBeforeAWriteWouldPassTheLimit()
{
    QFETCH(qint64, limit);
    QFETCH(qint64, existing);
    QFETCH(bool, rotated);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("comm.log"));
    makeFile(path, existing);
    std::optional<CommLog::Writer> writer;
    if (limit > 0)
        writer.emplace(path, limit);
    else
        writer.emplace(path); // the limit the monitor uses
    CommLog::Writer &log = *writer;
    QVERIFY(log.open());
    QCOMPARE(log.size(), existing);
    const QByteArray bytes(63, 'x');
    QCOMPARE(CommLog::line(QDateTime::currentDateTime(), Event::Request, "63", bytes).size(), 99);
    QVERIFY2(log.request(bytes), qPrintable(log.errorString()));
    const QFileInfo older(path + QStringLiteral(".1"));
    QCOMPARE(older.exists(), rotated);
    if (rotated)
        QCOMPARE(older.size(), existing);
    QCOMPARE(QFileInfo(path).size(), rotated ? 99 : existing + 99);
    QCOMPARE(log.size(), QFileInfo(path).size());
}

void TestCommLog::rotationReplacesTheOlderFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("comm.log"));
    CommLog::Writer log(path, 250);
    QVERIFY(log.open());
    // Each request line is 99 bytes: two fit, the third starts a new file. Seven lines: 2 + 2 + 2 + 1.
    for (int i = 1; i <= 7; ++i)
        QVERIFY(log.request(QByteArray(62, 'x') + char('0' + i)));
    const QList<Entry> current = entries(readAll(path));
    const QList<Entry> older = entries(readAll(path + QStringLiteral(".1")));
    QCOMPARE(current.size(), 1);
    QVERIFY(current[0].rest.endsWith("x7"));
    QCOMPARE(older.size(), 2);
    QVERIFY(older[0].rest.endsWith("x5"));
    QVERIFY(older[1].rest.endsWith("x6"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void TestCommLog::failuresAreReportedAndCloseTheLog()
{
    QTemporaryDir dir;
    // A directory where the file should be: cannot be opened.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("blocked.log")));
    CommLog::Writer blocked(dir.filePath(QStringLiteral("blocked.log")));
    QVERIFY(!blocked.open());
    QVERIFY(!blocked.errorString().isEmpty());
    QVERIFY(!blocked.isOpen());

    // A full disk: opens, but the first line cannot be written.
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("needs /dev/full to stand for a full disk");
    CommLog::Writer full(QStringLiteral("/dev/full"));
    expectSeekWarning();
    QVERIFY2(full.open(), qPrintable(full.errorString()));
    QVERIFY(!full.request(StatusRequest));
    QVERIFY(!full.errorString().isEmpty());
    QVERIFY(!full.isOpen());

    // A rotation that cannot move the file aside (a non-empty directory holds the older name).
    const QString path = dir.filePath(QStringLiteral("comm.log"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("comm.log.1/keep")));
    makeFile(path, 200);
    CommLog::Writer stuck(path, 250);
    QVERIFY(stuck.open());
    QVERIFY(!stuck.request(StatusRequest));
    QVERIFY2(stuck.errorString().contains(QLatin1String("comm.log.1")), qPrintable(stuck.errorString()));
    QVERIFY(!stuck.isOpen());
    QCOMPARE(QFileInfo(path).size(), 200);
}

// ---- The monitor's log box -------------------------------------------------------------------------

void TestCommLog::boxIsOffOnEveryStartAndNotKeptInSettings()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    QCOMPARE(w.chkCommLog->checkState(), Qt::Unchecked);
    QCOMPARE(w.chkCommLog->text(), QStringLiteral("Comm. log"));
    QCOMPARE(w.chkCommLog->parentWidget(), w.FraErrorStatus);
    // In a free spot among the frame's labels: covering none, and within the area they span (the
    // area that stays visible when the frame is fitted to a smaller screen).
    QRect labels;
    for (const QWidget *other :
         w.FraErrorStatus->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (other != w.chkCommLog) {
            QVERIFY2(!other->geometry().intersects(w.chkCommLog->geometry()),
                     qPrintable(other->objectName()));
            labels |= other->geometry();
        }
    QVERIFY(labels.contains(w.chkCommLog->geometry()));
    QTRY_COMPARE(s.readings(), 1);
    w.cmdWeight->click();
    QTRY_VERIFY(s.readings() >= 3);
    QVERIFY(!QFileInfo::exists(s.logPath()));

    const QString settingsPath = s.dir.filePath(QStringLiteral("ZELK_NET.cfg"));
    w.cmdSaveConfig->click();
    const QByteArray savedOff = readAll(settingsPath);
    w.chkCommLog->setCheckState(Qt::Checked);
    w.cmdSaveConfig->click();
    QCOMPARE(readAll(settingsPath), savedOff);
    w.cmdStopSample->click(); // polling stops
    QTRY_VERIFY(s.idle());

    frmClient &again = s.startWindow();
    QCOMPARE(again.chkCommLog->checkState(), Qt::Unchecked);
    QVERIFY(s.messages.texts.isEmpty());
}

void TestCommLog::healthyExchangeIsLoggedUntilTheBoxIsUnticked()
{
    Station s;
    QVERIFY(s.ready());
    frmClient &w = s.start();
    w.chkCommLog->setCheckState(Qt::Checked); // before the start-up request goes out
    QTRY_COMPARE(s.readings(), 1);
    w.cmdWeight->click();
    QTRY_VERIFY(s.readings() >= 4);
    w.chkCommLog->setCheckState(Qt::Unchecked);
    const QList<Entry> lines = s.log();
    // A request is logged as it is sent: the device may not have read the last one yet.
    QTRY_VERIFY(s.requests().size() >= (lines.size() + 1) / 2);
    const QList<QByteArray> received = s.requests();
    const int sent = int(received.size());

    // Requests and replies alternate, each request exactly as the device received it.
    QVERIFY(lines.size() >= 8);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVERIFY2(isStamp(lines[i].stamp), lines[i].stamp.constData());
        const QByteArray expected = i % 2 == 0 ? "REQUEST 46 " : "REPLY ";
        QVERIFY2(lines[i].rest.startsWith(expected), lines[i].rest.constData());
        if (i % 2 == 0)
            QCOMPARE(unescaped(lines[i].rest.mid(11)), received.at(i / 2));
    }
    const QByteArray reply = lines[1].rest.mid(lines[1].rest.indexOf(' ', 6) + 1);
    QVERIFY(reply.startsWith("<?xml version='1.0' ?><GetRTStatus><ERROR_CODE>0</ERROR_CODE>"));
    QVERIFY(reply.endsWith("</GetRTStatus>\\r\\n\\r\\n"));
    QCOMPARE(lines[1].rest.mid(6, lines[1].rest.indexOf(' ', 6) - 6).toInt(), unescaped(reply).size());

    // Unticked: polling goes on, the file does not grow.
    const QByteArray before = readAll(s.logPath());
    QTRY_VERIFY(s.requests().size() >= sent + 3);
    QCOMPARE(readAll(s.logPath()), before);

    // Ticked again: appended to what is there.
    w.chkCommLog->setCheckState(Qt::Checked);
    QTRY_VERIFY(s.log().size() >= lines.size() + 2);
    QVERIFY(readAll(s.logPath()).startsWith(before));
    w.cmdStopSample->click(); // polling stops
    QTRY_VERIFY(s.idle());
    QVERIFY(s.messages.texts.isEmpty());
}

void TestCommLog::faultsAreLoggedOnce_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("param");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("line"); // the one fault line after the timestamp, as a pattern
    QTest::addColumn<int>("above");    // a number the pattern captures is above this
    // While polling: no answer at all within the time-out, counted from the start of the connection.
    QTest::newRow("no_answer_times_out") << Fault::NeverAnswer << 0 << 150 << NoAnswer
                                         << QStringLiteral("TIMEOUT GetRTStatus (\\d+) ms") << 150;
    // The start-up request: the device's faults, and the reply limit before the time-out's second tick.
    QTest::newRow("refused_connection")
        << Fault::RefuseConnections << 0 << 150 << NoAnswer
        << QStringLiteral("SOCKET-ERROR GetRTStatus Connection refused") << -1;
    QTest::newRow("closed_without_answer")
        << Fault::CloseWithoutAnswer << 0 << 150 << NoAnswer << QStringLiteral("GIVEN-UP invalid 0") << -1;
    QTest::newRow("wrong_trailer_then_closed")
        << Fault::TrailerCount << 3 << 150 << InvalidXml
        << QStringLiteral("GIVEN-UP invalid \\d+ <\\?xml version='1.0' "
                          "\\?><GetRTStatus>.*</GetRTStatus>\\\\r\\\\n\\\\r")
        << -1;
    QTest::newRow("rest_after_reply_limit")
        << Fault::Stall << 600 << 400 << InvalidXml
        << QStringLiteral("GIVEN-UP incomplete \\d+ <\\?xml version='1.0' "
                          "\\?><GetRTStatus>.*</GetRTStatus>\\\\r\\\\n\\\\r")
        << -1;
    QTest::newRow("reply_over_1_MiB") << Fault::Oversized << 2 * 1024 * 1024 << 60000 << InvalidXml
                                      << QStringLiteral("GIVEN-UP too-large (\\d+)") << 1024 * 1024;
}

void TestCommLog::faultsAreLoggedOnce()
{
    QFETCH(Fault, fault);
    QFETCH(int, param);
    QFETCH(int, timeoutMs);
    QFETCH(QString, line);
    QFETCH(int, above);
    Station s;
    QVERIFY(s.ready());
    const bool whilePolling = fault == Fault::NeverAnswer;
    if (!whilePolling) {
        s.device.setFault(fault, param);
        if (fault == Fault::Stall)
            s.device.setFault(Fault::TrailerCount, 3);
    }
    frmClient &w = s.start(timeoutMs);
    w.chkCommLog->setCheckState(Qt::Checked);
    if (whilePolling) {
        QTRY_COMPARE(s.readings(), 1);
        s.device.setFault(fault, param);
        w.cmdWeight->click();
    }
    QTRY_COMPARE(s.messages.texts.size(), 1);
    QTEST(s.messages.texts.first(), "message");
    QTRY_VERIFY(s.idle());
    QList<QByteArray> faults;
    for (const Entry &e : s.log())
        if (!e.rest.startsWith("REQUEST ") && !e.rest.startsWith("REPLY "))
            faults << e.rest;
    QCOMPARE(faults.size(), 1);
    const QRegularExpressionMatch match = QRegularExpression(QRegularExpression::anchoredPattern(line))
                                              .match(QString::fromLatin1(faults.first()));
    QVERIFY2(match.hasMatch(), faults.first().left(300).constData());
    if (above >= 0)
        QVERIFY2(match.captured(1).toInt() > above, qPrintable(match.captured(1)));
    QCOMPARE(s.log().last().rest, faults.first());
    QCOMPARE(w.chkCommLog->checkState(), Qt::Checked);
}

void TestCommLog::unwritableLogIsReportedOnceAndPollingGoesOn_data()
{
    QTest::addColumn<bool>("fullDisk"); // false: a directory stands where the file should be
    QTest::newRow("directory_in_the_way") << false;
    QTest::newRow("disk_full_while_polling") << true;
}

void TestCommLog::unwritableLogIsReportedOnceAndPollingGoesOn()
{
    QFETCH(bool, fullDisk);
    if (fullDisk && !QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("needs /dev/full to stand for a full disk");
    Station s;
    QVERIFY(s.ready());
    if (fullDisk) {
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), s.logPath()));
        expectSeekWarning();
    } else
        QVERIFY(QDir(s.dir.path()).mkdir(CommLog::FileName));
    frmClient &w = s.start();
    QTRY_COMPARE(s.readings(), 1);
    w.chkCommLog->setCheckState(Qt::Checked);
    w.cmdWeight->click();
    QTRY_COMPARE(s.messages.texts.size(), 1);
    QVERIFY2(s.messages.texts.first().startsWith(CannotWrite), qPrintable(s.messages.texts.first()));
    QVERIFY(s.messages.texts.first().size() > CannotWrite.size()); // the reason follows
    QCOMPARE(w.chkCommLog->checkState(), Qt::Unchecked);
    const int before = s.readings();
    QTRY_VERIFY(s.readings() >= before + 5);
    QCOMPARE(s.messages.texts.size(), 1);
    w.cmdStopSample->click(); // polling stops
    QTRY_VERIFY(s.idle());
}

QTEST_MAIN(TestCommLog)
#include "tst_comm_log.moc"
