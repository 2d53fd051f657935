// The platform seams: the tick count across the 2^31 wrap, the Qt filter translation, the recording
// doubles and the PDF printer that ZELK_PRINT_TO makes the default.
#include "Seams.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>
#include <optional>

using namespace Zelk;

class Seams : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void tickCountStartsAtEnvironmentValue();
    void tickCountCountsOnAcrossTheWrap();
    void ticksBetweenSurvivesTheWrap_data();
    void ticksBetweenSurvivesTheWrap();
    void toQtFilter_data();
    void toQtFilter();
    void msgBoxRecorderAnswersFirstButtonAndRestoresHandler();
    void messageOfAnOpenBoxIsNotShownAgainUntilItCloses();
    void recordingDoublesReplaceTheRealSeams();
    void printToFileWritesOnePdfPage();
};

static constexpr std::int32_t EnvironmentStart = 2147480000;

void Seams::initTestCase()
{
    // Read at the first GetTickCount() of the process, which is the next test.
    qputenv("ZELK_TICK_START", QByteArray::number(EnvironmentStart));
}

void Seams::tickCountStartsAtEnvironmentValue()
{
    const std::int32_t now = GetTickCount();
    QVERIFY2(ticksBetween(EnvironmentStart, now) >= 0 && ticksBetween(EnvironmentStart, now) < 60000,
             qPrintable(QString::number(now)));
}

void Seams::tickCountCountsOnAcrossTheWrap()
{
    const std::int32_t start = std::numeric_limits<std::int32_t>::max() - 3;
    setTickStart(start);
    const std::int32_t before = GetTickCount();
    QVERIFY(before >= start);
    QTRY_VERIFY(GetTickCount() < 0); // the count has wrapped to negative values
    const std::int32_t after = GetTickCount();
    QVERIFY(after < before); // a plain comparison would call this a step backwards
    QVERIFY(ticksBetween(before, after) > 0);
    QVERIFY(ticksBetween(before, after) < 60000);
}

void Seams::ticksBetweenSurvivesTheWrap_data()
{
    QTest::addColumn<std::int32_t>("from");
    QTest::addColumn<std::int32_t>("to");
    QTest::addColumn<std::int32_t>("elapsed");
    constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
    QTest::newRow("plain") << 100 << 350 << 250;
    QTest::newRow("across_the_wrap") << Max - 9 << Min + 10 << 20;
    QTest::newRow("from_last_positive") << Max << Min << 1;
    QTest::newRow("across_zero") << -5 << 5 << 10;
    QTest::newRow("backwards_is_negative") << 350 << 100 << -250;
    QTest::newRow("same_tick") << Min << Min << 0;
}

void Seams::ticksBetweenSurvivesTheWrap()
{
    QFETCH(std::int32_t, from);
    QFETCH(std::int32_t, to);
    QFETCH(std::int32_t, elapsed);
    QCOMPARE(Zelk::ticksBetween(from, to), elapsed);
}

void Seams::toQtFilter_data()
{
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QString>("qt");
    QTest::newRow("viewer_history_filter")
        << "*.txt|*.txt|All_data*.*|All_data*.*|Graph_data*.*|Graph_*.*|All files (*.*)|*.*"
        << "*.txt (*.txt);;All_data*.* (All_data*.*);;Graph_data*.* (Graph_*.*);;All files (*.*)";
    QTest::newRow("description_holds_pattern") << "Text (*.txt)|*.txt|All files|*.*"
                                               << "Text (*.txt);;All files (*.*)";
    QTest::newRow("several_patterns") << "Data (*.txt;*.csv)|*.txt;*.csv|Logs|*.log;*.old"
                                      << "Data (*.txt;*.csv);;Logs (*.log *.old)";
    QTest::newRow("empty_description") << "|*.txt"
                                       << "*.txt";
    QTest::newRow("unpaired_description_dropped") << "Text|*.txt|Lonely"
                                                  << "Text (*.txt)";
    QTest::newRow("empty") << ""
                           << "";
}

void Seams::toQtFilter()
{
    QFETCH(QString, pairs);
    QFETCH(QString, qt);
    QCOMPARE(Zelk::toQtFilter(pairs), qt);
}

void Seams::msgBoxRecorderAnswersFirstButtonAndRestoresHandler()
{
    QStringList outer;
    std::optional<SeamOverride<MsgBoxHandler>> outerHandler(
        std::in_place, [&outer](const QString &text, MsgButtons, const QString &) {
            outer.append(text);
            return MsgAnswer::Cancel;
        });
    {
        MsgBoxRecorder recorder;
        QCOMPARE(MsgBox(QStringLiteral("one")), MsgAnswer::Ok);
        QCOMPARE(MsgBox(QStringLiteral("two"), MsgButtons::OkCancel), MsgAnswer::Ok);
        {
            MsgBoxRecorder inner;
            QCOMPARE(MsgBox(QStringLiteral("three"), MsgButtons::YesNo), MsgAnswer::Yes);
            QCOMPARE(inner.texts, QStringList{QStringLiteral("three")});
        }
        MsgBox(QStringLiteral("four"));
        QCOMPARE(recorder.texts, (QStringList{"one", "two", "four"}));
    }
    QCOMPARE(MsgBox(QStringLiteral("five"), MsgButtons::OkCancel), MsgAnswer::Cancel);
    QCOMPARE(outer, QStringList{QStringLiteral("five")});
    outerHandler.reset();
    QVERIFY(!currentMsgBoxHandler());
}

// While a box is open, events run: the same message coming meanwhile is not shown; a question is.
void Seams::messageOfAnOpenBoxIsNotShownAgainUntilItCloses()
{
    QStringList shown, repeats;
    setMsgBoxRepeatListener([&repeats](const QString &text) { repeats << text; });
    setMsgBoxHandler([&shown](const QString &text, MsgButtons, const QString &) {
        shown << text;
        if (shown.size() == 1) {
            MsgBox("A");
            MsgBox("B");
            MsgBox("A", MsgButtons::YesNo);
        }
        return MsgAnswer::Ok;
    });
    MsgBox("A");
    MsgBox("A"); // answered: shown again
    setMsgBoxHandler(nullptr);
    setMsgBoxRepeatListener(nullptr);
    QCOMPARE(shown, (QStringList{"A", "B", "A", "A"}));
    QCOMPARE(repeats, QStringList{"A"});
}

void Seams::recordingDoublesReplaceTheRealSeams()
{
    RecordingProcessStarter starter, inner;
    ProcessStarter *real = &processStarter();
    std::optional<SeamOverride<ProcessStarter *>> starterInPlace(std::in_place, &starter);
    {
        const SeamOverride<ProcessStarter *> innerInPlace(&inner); // replaced again, then put back
        QCOMPARE(&processStarter(), &inner);
    }
    starter.succeed = false;
    QVERIFY(!processStarter().startDetached(QStringLiteral("Kurvex"), {"All_data.txt", "/", "1"}));
    QCOMPARE(starter.calls.size(), 1);
    QCOMPARE(starter.calls[0].program, QStringLiteral("Kurvex"));
    QCOMPARE(starter.calls[0].arguments, (QStringList{"All_data.txt", "/", "1"}));
    starterInPlace.reset();
    QCOMPARE(&processStarter(), real);

    RecordingPrinter recording;
    std::optional<SeamOverride<PrinterSeam *>> printerInPlace(std::in_place, &recording);
    QString error;
    recording.available = false;
    QCOMPARE(printer().printImage(QImage(4, 4, QImage::Format_RGB32), &error), PrintResult::NotReady);
    QVERIFY(recording.pages.isEmpty());
    recording.available = true;
    QCOMPARE(printer().printImage(QImage(4, 4, QImage::Format_RGB32), &error), PrintResult::Printed);
    recording.result = PrintResult::Cancelled;
    QCOMPARE(printer().printImage(QImage(4, 4, QImage::Format_RGB32), &error), PrintResult::Cancelled);
    QCOMPARE(recording.pages.size(), 1);
    printerInPlace.reset();

    RecordingFileDialog dialog;
    std::optional<SeamOverride<FileDialogSeam *>> dialogInPlace(std::in_place, &dialog);
    dialog.answer = QStringLiteral("/data/All_data.txt");
    const FileDialogRequest request{QStringLiteral("Open"), QStringLiteral("All_data.txt"),
                                    QStringLiteral("*.txt|*.txt")};
    QCOMPARE(fileDialog().getOpenFileName(nullptr, request), std::optional<QString>("/data/All_data.txt"));
    dialog.answer.reset();
    QCOMPARE(fileDialog().getOpenFileName(nullptr, request), std::optional<QString>());
    QCOMPARE(dialog.requests.size(), 2);
    QCOMPARE(dialog.requests[0].presetFile, QStringLiteral("All_data.txt"));
    QCOMPARE(dialog.requests[0].filter, QStringLiteral("*.txt|*.txt"));
    dialogInPlace.reset();
    QVERIFY(&fileDialog() != &dialog);
}

void Seams::printToFileWritesOnePdfPage()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("graph.pdf"));
    qputenv("ZELK_PRINT_TO", pdf.toLocal8Bit());
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::green);
    QString error;
    QVERIFY(printer().hasDefaultPrinter());
    const PrintResult result = printer().printImage(image, &error);
    qunsetenv("ZELK_PRINT_TO");
    QCOMPARE(result, PrintResult::Printed);
    QFile file(pdf);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
}

QTEST_MAIN(Seams)
#include "tst_seams.moc"
