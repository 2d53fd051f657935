// Hostile history files, each loaded by a Kurvex process of its own: every file ends in its message or
// loads, without a crash and within bounded memory; and text from a file always shows as plain text.
#include "FrmKurvex.h"
#include "GraphE.h"
#include "HistoryFile.h"
#include "Seams.h"
#include "ViewerTestSupport.h"
#include "frmHistory_Graph.h"
#include "frmListHist_Graph.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ViewerTest;

// A file made of a head, a middle of `fill` repeated to `fillSize` bytes (a sparse hole of NULs when
// `fill` is empty) and a tail; written piece by piece, so even a 1 GiB file costs this process nothing.
struct HostileFile {
    QByteArray head, fill;
    qint64 fillSize = 0;
    QByteArray tail;
};
Q_DECLARE_METATYPE(HostileFile)
Q_DECLARE_METATYPE(HistoryFile::LoadStatus)

namespace {

constexpr qint64 MiB = 1024 * 1024;
const QString InvalidStructure = QStringLiteral(
    "The selected file %1 has invalid structure.\nTo get good structure file press <Save> button, please");
const QString NotHistoryFile = QStringLiteral("Invalid file structure!!! \r\nSelect another file, please.");
const QByteArray IntervalLine = "Timer2Interval,  300 \r\n";

bool writeHostileFile(const QString &path, const HostileFile &h)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(h.head) != h.head.size())
        return false;
    if (h.fill.isEmpty()) {
        if (!f.resize(h.head.size() + h.fillSize) || !f.seek(f.size()))
            return false;
    } else {
        QByteArray chunk;
        while (chunk.size() < MiB)
            chunk += h.fill;
        for (qint64 left = h.fillSize; left > 0; left -= chunk.size())
            if (f.write(chunk.constData(), std::min<qint64>(left, chunk.size())) < 0)
                return false;
    }
    return f.write(h.tail) == h.tail.size();
}

// The readings of the valid files: two blocks with different inputs.
std::vector<Block> validBlocks()
{
    return {{0xFF, {"1000", "1010", "1020"}}, {0xFE, {"1030", "1040", "1005", "995"}}};
}

QByteArray lfOnly(QByteArray bytes)
{
    return bytes.replace("\r\n", "\n");
}

QByteArray seededGarbage(quint32 seed, int size)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random.bounded(256)); // NULs and line ends included
    return bytes;
}

// What a Kurvex process printed and how it ended.
struct ViewerRun {
    bool exited = false; // ended normally (no signal)
    int exitCode = -1;
    qint64 peakBytes = 0; // its largest resident set
    QList<QJsonObject> events;
    QByteArray errors; // its standard error
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs Kurvex with `script` for the automation driver, in `dir`. The process is waited for with wait4,
// which gives the resource use of that one child, so each run's peak memory is its own.
ViewerRun runViewer(const QTemporaryDir &dir, const QByteArray &script)
{
    ViewerRun run;
    const QString scriptPath = writeFile(dir, QStringLiteral("script.txt"), script);
    const QString outPath = dir.filePath(QStringLiteral("out.jsonl")), errPath = dir.filePath("err.txt");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ZELK_AUTOMATION"), scriptPath);
    std::vector<QByteArray> envText;
    for (const QString &e : env.toStringList())
        envText.push_back(e.toLocal8Bit());
    std::vector<char *> envp;
    for (QByteArray &e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    QByteArray program = ZELK_VIEWER_EXE;
    char *argv[] = {program.data(), nullptr};
    const QByteArray workDir = QFile::encodeName(dir.path());
    const int out = ::open(QFile::encodeName(outPath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(QFile::encodeName(errPath).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = out >= 0 && err >= 0 ? ::fork() : -1;
    if (pid == 0) { // the child: only calls that are safe after fork, then the program
        if (::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(workDir.constData()) != 0)
            ::_exit(126);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
    if (pid < 0)
        return run;
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.exited = WIFEXITED(status);
    run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
    run.peakBytes = qint64(usage.ru_maxrss) * 1024;
    for (const QByteArray &line : readAll(outPath).split('\n'))
        if (!line.isEmpty())
            run.events.append(QJsonDocument::fromJson(line).object());
    run.errors = readAll(errPath);
    return run;
}

// A check "NAME PROP VALUE": NAME as the driver names controls, PROP as `dump` prints it (a list's
// items joined by "|"), VALUE the rest; the check holds when the dump prints the same line.
struct StateCheck {
    QString name, property;
};

StateCheck parseCheck(const QString &check)
{
    const QStringList parts = check.split(QLatin1Char(' '));
    return {parts.value(0), parts.value(1)};
}

QString shownValue(const QJsonValue &v)
{
    if (!v.isArray())
        return v.toVariant().toString();
    QStringList items;
    for (const QJsonValue &item : v.toArray())
        items.append(item.toString());
    return items.join(QLatin1Char('|'));
}

// The script: answer the dialog with `path`; when the graph is shown, open the readings list and dump
// every control the checks name.
QByteArray scriptFor(const QString &path, const QStringList &checks)
{
    QString script = QStringLiteral("dialog ") + path + QStringLiteral("\nclick cmdReadFile\n");
    QStringList dumped;
    for (const QString &c : checks) {
        const QString name = parseCheck(c).name;
        if (!dumped.contains(name))
            script += QStringLiteral("dump ") + name + QLatin1Char('\n');
        dumped.append(name);
    }
    return (script + QStringLiteral("quit\n")).toUtf8();
}

QStringList eventTexts(const ViewerRun &run, const QString &event, const QString &key)
{
    QStringList texts;
    for (const QJsonObject &e : run.events)
        if (e.value("event").toString() == event)
            texts.append(e.value(key).toString());
    return texts;
}

} // namespace

class TestViewerHostile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void hostileFileEndsInItsMessageWithinBoundedMemory_data();
    void hostileFileEndsInItsMessageWithinBoundedMemory();
    void lineOfTheLongestLengthIsStillRead_data();
    void lineOfTheLongestLengthIsStillRead();
    void fileTextShowsAsPlainText();
    void messageWithMarkupInFileNameIsPlainText();

private:
    enum class Ending { Shown, Refused, ProgramEnded };
    std::array<qint64, 3> m_baselinePeak{}; // by Ending
};

// The peak of a small file that ends the same way, for each way a load can end.
void TestViewerHostile::initTestCase()
{
    const std::pair<Ending, QByteArray> smallFiles[] = {
        {Ending::Shown, historyFile(validBlocks())},
        {Ending::Refused, QByteArray()},
        {Ending::ProgramEnded, "Timer2Interval, x\r\n"},
    };
    for (const auto &[ending, bytes] : smallFiles) {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = writeFile(dir, QStringLiteral("All_data.txt"), bytes);
        const ViewerRun run = runViewer(dir, scriptFor(path, {QStringLiteral("LstHistTemp items x")}));
        QVERIFY2(run.exited && run.exitCode == 0, run.errors.constData());
        m_baselinePeak[static_cast<size_t>(ending)] = run.peakBytes;
        qInfo("baseline peak %d: %lld KiB", static_cast<int>(ending), run.peakBytes / 1024);
    }
}

void TestViewerHostile::hostileFileEndsInItsMessageWithinBoundedMemory_data()
{
    QTest::addColumn<QString>("fileName"); // an absolute name is used as it is, not written
    QTest::addColumn<HostileFile>("file");
    QTest::addColumn<QStringList>("messages"); // %1 stands for the path
    QTest::addColumn<QStringList>("state");    // checks of the shown graph; none: nothing is shown

    const QByteArray valid = historyFile(validBlocks());
    const qsizetype endLine = valid.indexOf("-1, -1");
    const QByteArray data = valid.left(endLine), trailer = valid.mid(endLine + 8);
    const QByteArray block = "-999999  0  5  3  1500  2 \r\n";
    const QStringList shown = {
        "lblUnitGrad caption kg",
        "lblYMaxName caption kg Max",
        "lblChannelName caption ZELK-NET  Channel 1",
        "lblStartingDate caption Date and Time (Start): :2/19/2004 10:30:53 AM",
        "txtChannelScanned text Channel(s) Scanned:Samples:   6",
        "lblYMaxCurr caption 1040.000",
        "lblYMinCurr caption 1005.000", // the last block's last reading is not plotted
        "LstHistTemp items        0     1000.000|       1     1010.000|       2     1020.000|       3     "
        "1030.000|       4     1040.000|       5     1005.000|       6      995.000",
    };
    QStringList utf8 = shown.mid(2);
    utf8 << QStringLiteral("lblUnitGrad caption µΩ·m") << QStringLiteral("lblYMaxName caption µΩ·m Max");
    QByteArray markup = historyFile(validBlocks(), QStringLiteral("<b>x</b>"));
    markup.replace("ZELK-NET  Channel 1", "<b>x</b>").replace("2/19/2004 10:30:53 AM", "<img src=x>");
    const QByteArray trailerOf100MBUnit = trailer.left(trailer.indexOf("kg"));

    auto row = [](const char *name, const QString &fileName, const HostileFile &file,
                  const QStringList &messages, const QStringList &state = {}) {
        QTest::newRow(name) << fileName << file << messages << state;
    };
    const QString txt = QStringLiteral("All_data.txt");
    row("empty_file", txt, {}, {InvalidStructure});
    row("binary_garbage", txt, {seededGarbage(20261208, 64 * 1024), {}, 0, {}},
        {"Unaccepting Error (frmGraph cmdLoad) 13 Type mismatch"});
    row("binary_garbage_after_first_line", txt, {IntervalLine + seededGarbage(7, 64 * 1024), {}, 0, {}},
        {"Unaccepting Error (frmGraph cmdLoad) 13 Type mismatch"});
    row("endless_line_1GiB", txt, {{}, {}, 1024 * MiB, {}}, {NotHistoryFile});
    row("endless_line_after_first_line_1GiB", txt, {IntervalLine, {}, 1024 * MiB, {}}, {InvalidStructure});
    row("endless_device", QStringLiteral("/dev/zero"), {},
        {"Unaccepting Error (frmGraph cmdLoad) 75 Path/File access error"});
    row("block_markers_200000", txt,
        {IntervalLine, block + " 0  1.5\r\n", 200000 * (block.size() + 9), trailer},
        {"Unaccepting Error (frmGraph cmdLoad) 9 Subscript out of range"});
    row("reading_text_100MB", txt,
        {IntervalLine + block + " 0  ", "7", 100 * MiB, "\r\n-1, -1\r\n" + trailer}, {InvalidStructure});
    row("whole_number_field_100MB", txt, {IntervalLine + "-999999  0  ", "9", 100 * MiB, "\r\n"},
        {InvalidStructure});
    row("blanks_100MB", txt, {IntervalLine, " ", 100 * MiB, " 0  1.5\r\n-1, -1\r\n" + trailer},
        {InvalidStructure});
    row("trailer_unit_name_100MB", txt, {data + "-1, -1\r\n" + trailerOf100MBUnit, "u", 100 * MiB, "\r\n"},
        {InvalidStructure});
    row("reading_text_1MB_still_read", txt, {data + " 7  ", "x", MiB, "\r\n-1, -1\r\n" + trailer},
        {"Not Number"}, {"LstHistTemp items " + shown.last().section(' ', 2) + "|       7        0.000"});
    row("missing_trailer", txt, {data + "-1, -1\r\n", {}, 0, {}}, {InvalidStructure});
    row("missing_end_line_and_trailer", txt, {data, {}, 0, {}},
        {"Unexpected end of file %1", InvalidStructure});
    row("crlf_line_ends", txt, {valid, {}, 0, {}}, {}, shown);
    row("lf_line_ends", txt, {lfOnly(valid), {}, 0, {}}, {}, shown);
    row("utf8_unit_name", txt, {historyFile(validBlocks(), QStringLiteral("µΩ·m")), {}, 0, {}}, {}, utf8);
    row("markup_in_header_texts", QStringLiteral("<img src=x>.txt"), {markup, {}, 0, {}}, {},
        {"lblUnitGrad caption <b>x<", "lblYMaxName caption <b>x< Max", "lblChannelName caption <b>x</b>",
         "lblStartingDate caption Date and Time (Start): :<img src=x>"});
    row("markup_in_file_name", QStringLiteral("<img src=x>.txt"), {data, {}, 0, {}},
        {"Unexpected end of file %1", InvalidStructure});
}

void TestViewerHostile::hostileFileEndsInItsMessageWithinBoundedMemory()
{
    QFETCH(QString, fileName);
    QFETCH(HostileFile, file);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, state);
    QTemporaryDir dir; // takes the file with it, the 1 GiB ones included
    QVERIFY(dir.isValid());
    const bool device = fileName.startsWith(QLatin1Char('/'));
    const QString path = device ? fileName : dir.filePath(fileName);
    QVERIFY(device || writeHostileFile(path, file));
    const qint64 size = QFileInfo(path).size();

    const ViewerRun run = runViewer(dir, scriptFor(path, state));
    QVERIFY2(run.exited, run.errors.constData()); // no crash
    QVERIFY2(run.exitCode == 0, run.errors.constData());
    QVERIFY(!run.events.isEmpty());
    QCOMPARE(run.events.last().value("event").toString(), QStringLiteral("exit"));
    QStringList expected;
    for (const QString &m : messages)
        expected.append(m.contains(QLatin1String("%1")) ? m.arg(path) : m);
    QCOMPARE(eventTexts(run, "msgbox", "text"), expected);
    QCOMPARE(eventTexts(run, "error", "message"), QStringList());
    QStringList shownChecks;
    for (const QString &c : state) {
        const StateCheck check = parseCheck(c);
        for (const QJsonObject &e : run.events)
            if (e.value("event").toString() == QLatin1String("state") &&
                e.value("name").toString() == check.name)
                shownChecks.append(check.name + ' ' + check.property + ' ' +
                                   shownValue(e.value(check.property)));
    }
    QCOMPARE(shownChecks, state);
    if (state.isEmpty())
        QCOMPARE(eventTexts(run, "state", "name"), QStringList());

    // Memory: a small multiple of the file, and never more than a fixed amount above a small file that
    // ends the same way, since nothing needs an over-long line kept.
    const qint64 allowed = std::min(16 * MiB + 3 * size, 64 * MiB);
    const Ending ending = !state.isEmpty()                                             ? Ending::Shown
                          : messages.value(0).startsWith(QLatin1String("Unaccepting")) ? Ending::ProgramEnded
                                                                                       : Ending::Refused;
    const qint64 growth = run.peakBytes - m_baselinePeak[static_cast<size_t>(ending)];
    qInfo("file %lld bytes, peak %lld KiB, %+lld KiB over the baseline", size, run.peakBytes / 1024,
          growth / 1024);
    QVERIFY2(growth <= allowed, qPrintable(QStringLiteral("grew by %1 KiB").arg(growth / 1024)));
}

// The length limit counts the bytes of one line, line end not included, whichever line end it has.
void TestViewerHostile::lineOfTheLongestLengthIsStillRead_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<qsizetype>("lineLength");
    QTest::addColumn<HistoryFile::LoadStatus>("status");
    using HistoryFile::LoadStatus;
    const QByteArray valid = historyFile(validBlocks());
    const qsizetype endLine = valid.indexOf("-1, -1");
    const QByteArray data = valid.left(endLine), trailer = valid.mid(endLine + 8);
    const QByteArray unitLine = trailer.left(trailer.indexOf("kg"));
    const qsizetype longest = HistoryFile::MaxLineLength;
    for (const QByteArray &lineEnd : {QByteArray("\r\n"), QByteArray("\n")}) {
        const QByteArray readingLine = data + " 7  ", end = lineEnd + "-1, -1" + lineEnd + trailer;
        const QByteArray unitLineEnd = lineEnd + trailer.mid(trailer.indexOf("Average Minimum"));
        const QByteArray e = lineEnd == "\n" ? "_lf" : "_crlf";
        QTest::newRow("reading_line_longest" + e) << readingLine << end << longest << LoadStatus::Ok;
        QTest::newRow("reading_line_one_more" + e)
            << readingLine << end << longest + 1 << LoadStatus::InvalidStructure;
        QTest::newRow("trailer_line_longest" + e)
            << QByteArray(data + "-1, -1\r\n" + unitLine) << unitLineEnd << longest << LoadStatus::Ok;
        QTest::newRow("trailer_line_one_more" + e)
            << QByteArray(data + "-1, -1\r\n" + unitLine) << unitLineEnd << longest + 1
            << LoadStatus::InvalidStructure;
        QTest::newRow("first_line_one_more" + e)
            << QByteArray() << QByteArray(lineEnd + data.mid(IntervalLine.size())) << longest + 1
            << LoadStatus::NotHistoryFile;
    }
}

void TestViewerHostile::lineOfTheLongestLengthIsStillRead()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, tail);
    QFETCH(qsizetype, lineLength);
    QFETCH(HistoryFile::LoadStatus, status);
    // the long line: what `head` has begun of it, then digits up to `lineLength` bytes
    const qsizetype lineStart = std::max(head.lastIndexOf('\n') + 1, qsizetype(0));
    const QByteArray bytes = head + QByteArray(lineLength - (head.size() - lineStart), '5') + tail;
    HistoryFile::LoadSink sink;
    const HistoryFile::LoadResult r = HistoryFile::load(bytes, false, sink);
    QCOMPARE(r.status, status);
    QCOMPARE(r.errorNumber, 0);
}

// Texts from the file (title, start date, unit) show as written, never as markup: every label of the
// graph window and of the readings list is plain text.
void TestViewerHostile::fileTextShowsAsPlainText()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray bytes = historyFile(validBlocks(), QStringLiteral("<img src=x>"));
    bytes.replace("ZELK-NET  Channel 1", "<b>x</b>").replace("2/19/2004 10:30:53 AM", "<b>x</b><img src=x>");
    frmHistory_Graph *graph = viewer.openGraph(dir, bytes);
    QVERIFY(graph);
    graph->cmdReadFile->click();
    frmListHist_Graph *list = viewer.start->GraphWindows[0]->listWindow();
    QVERIFY(list);
    QCOMPARE(graph->lblChannelName->text(), QStringLiteral("<b>x</b>"));
    QCOMPARE(graph->lblStartingDate->text(), QStringLiteral("Date and Time (Start): :<b>x</b><img src=x>"));
    QCOMPARE(graph->lblUnitGrad->text(), QStringLiteral("<img"));
    QCOMPARE(graph->lblYMaxName->text(), QStringLiteral("<img Max"));
    QList<QLabel *> labels = graph->findChildren<QLabel *>() + list->findChildren<QLabel *>();
    QVERIFY(labels.size() > 10);
    for (const QLabel *l : labels)
        QVERIFY2(l->textFormat() == Qt::PlainText, qPrintable(l->objectName()));
}

// A message that names a file shows the name as written.
void TestViewerHostile::messageWithMarkupInFileNameIsPlainText()
{
    FreshViewer viewer;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray valid = historyFile(validBlocks());
    const QString path =
        writeFile(dir, QStringLiteral("<b>x<img src=x>.txt"), valid.left(valid.indexOf("-1, -1")));
    QStringList texts;
    QTimer answer; // answers each real message box as it opens, noting how it shows its text
    connect(&answer, &QTimer::timeout, this, [&texts] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            texts.append(box->textFormat() == Qt::PlainText ? box->text()
                                                            : QStringLiteral("rich: ") + box->text());
            box->accept();
        }
    });
    answer.start(10);
    AnsweringDialog dialog(path);
    auto *start = new FrmKurvex(viewer.state);
    QVERIFY(!start->cmdShowGraph_Click());
    QCOMPARE(texts,
             (QStringList{QStringLiteral("Unexpected end of file ") + path, InvalidStructure.arg(path)}));
}

QTEST_MAIN(TestViewerHostile)
#include "tst_viewer_hostile.moc"
