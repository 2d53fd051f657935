// Tests of what the monitor's window shows while it polls: the raw-XML view, laid out only while
// shown, gives exactly the last reply whenever it is read or opened.
#include "Controls.h"
#include "MonitorStation.h"
#include "ReplyAssembler.h"

#include <QPlainTextEdit>
#include <QPushButton>

class TestFrmClientDisplay : public QObject {
    Q_OBJECT
private slots:
    void xmlViewHoldsTheLastReply_data();
    void xmlViewHoldsTheLastReply();
};

void TestFrmClientDisplay::xmlViewHoldsTheLastReply_data()
{
    QTest::addColumn<int>("replies");
    QTest::addColumn<bool>("shownWhilePolling");
    QTest::newRow("opened after the first reply") << 1 << false;
    QTest::newRow("opened after many replies") << 40 << false;
    QTest::newRow("open while replies come") << 40 << true;
}

void TestFrmClientDisplay::xmlViewHoldsTheLastReply()
{
    QFETCH(int, replies);
    QFETCH(bool, shownWhilePolling);
    MonitorStation s;
    QVERIFY(s.ready());
    frmClient &w = s.startWindow();
    w.show();
    QTRY_COMPARE(s.readings(), 1);
    if (shownWhilePolling)
        w.cmdShowXMLData->click();
    for (int k = 2; k <= replies; ++k) {
        s.device.setElement(QStringLiteral("ERROR_DESCRIPTION"), QStringLiteral("reply %1\r\nend").arg(k));
        w.RequestRTStatus();
        QTRY_COMPARE(s.readings(), k);
    }
    QPlainTextEdit shown; // the text as a view that is always laid out gives it back
    shown.setPlainText(Reply::xmlViewText(w.link().replyText()));
    const QString last = shown.toPlainText();
    QCOMPARE(w.txtRealTimeInfo->text(), last);
    w.cmdShowXMLData->click();
    QVERIFY(w.txtRealTimeInfo->isVisible());
    QCOMPARE(w.txtRealTimeInfo->toPlainText(), last);
    QCOMPARE(w.txtRealTimeInfo->text(), last);
}

QTEST_MAIN(TestFrmClientDisplay)
#include "tst_frmclient_display.moc"
