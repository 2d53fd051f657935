// The simulated controller without a network: signal ranges per profile, number texts, inputs,
// SetOutput bodies, the set point and the fast-sampling recorder's hand-over.
#include "DeviceModel.h"

#include <QTest>

using namespace ZelkSim;

class tst_DeviceModel : public QObject {
    Q_OBJECT

private slots:
    void sameSeedGivesSameSignalsOtherSeedOthers()
    {
        const ModelConfig a{42, Profile::Busy, 2, 3000};
        ModelConfig b = a;
        b.seed = 43;
        bool differs = false;
        for (qint64 ms = 0; ms < 5000; ms += 37) {
            QCOMPARE(weightAt(a, 1, ms), weightAt(a, 1, ms));
            QCOMPARE(inputWordAt(a, ms), inputWordAt(a, ms));
            differs = differs || weightAt(a, 1, ms) != weightAt(b, 1, ms);
        }
        QVERIFY(differs);
    }

    void onlyTheOverloadProfileCrossesTheOverflowLimit_data()
    {
        QTest::addColumn<int>("profile");
        QTest::addColumn<bool>("overload");
        QTest::newRow("steady") << int(Profile::Steady) << false;
        QTest::newRow("busy") << int(Profile::Busy) << false;
        QTest::newRow("overload") << int(Profile::Overload) << true;
    }
    void onlyTheOverloadProfileCrossesTheOverflowLimit()
    {
        QFETCH(int, profile);
        QFETCH(bool, overload);
        for (quint32 seed : {1u, 2u, 99u}) {
            const ModelConfig config{seed, Profile(profile), 2, 3000};
            for (int channel : {1, 2}) {
                for (qint64 ms = 0; ms < 120000; ms += 13) {
                    const qint64 a2d = a2dForWeight(weightAt(config, channel, ms));
                    QVERIFY2((a2d > 130000) == overload, qPrintable(QString::number(a2d)));
                }
            }
        }
    }

    void weightTextUsesPointAndThreeDecimals_data()
    {
        QTest::addColumn<double>("kg");
        QTest::addColumn<QString>("text");
        QTest::newRow("rounds_to_3_decimals") << 12.3456 << "12.346";
        QTest::newRow("no_negative_zero") << -0.0001 << "0.000";
        QTest::newRow("huge_clamped_to_10_chars") << 1e9 << "999999.999";
    }
    void weightTextUsesPointAndThreeDecimals()
    {
        QFETCH(double, kg);
        QFETCH(QString, text);
        QCOMPARE(weightText(kg), text);
    }

    void someInputsToggleTheOthersStayInactive()
    {
        const ModelConfig config{3, Profile::Steady, 2, 3000};
        int seenLow = 0, seenHigh = 0;
        for (qint64 ms = 0; ms < 30000; ms += 50) {
            const int word = inputWordAt(config, ms);
            QCOMPARE(word & 0xF0, 0xF0);
            seenLow |= ~word & 0xFF;
            seenHigh |= word;
        }
        QCOMPARE(seenLow & 1, 1);
        QCOMPARE(seenHigh & 1, 1);
    }

    void setOutputBodyIsRead_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("word");        // -1: refused
        QTest::addColumn<double>("setPoint"); // NaN: none
        const double none = qQNaN();
        QTest::newRow("all_off_start_up") << "ID=4&OUT_STATUS=1023&SET_POINT=0" << 1023 << 0.0;
        QTest::newRow("empty_set_point") << "ID=4&OUT_STATUS=1022&SET_POINT=" << 1022 << none;
        QTest::newRow("comma_decimal") << "ID=4&OUT_STATUS=0&SET_POINT=12,5" << 0 << 12.5;
        QTest::newRow("bit_10_dropped") << "ID=4&OUT_STATUS=1536&SET_POINT=-1" << 512 << -1.0;
        QTest::newRow("word_missing") << "ID=4&SET_POINT=5" << -1 << none;
        QTest::newRow("word_not_number") << "ID=4&OUT_STATUS=1x&SET_POINT=5" << -1 << none;
    }
    void setOutputBodyIsRead()
    {
        QFETCH(QString, body);
        QFETCH(int, word);
        QFETCH(double, setPoint);
        QString error;
        const std::optional<OutputRequest> request = parseSetOutputBody(body, &error);
        QCOMPARE(request.has_value(), word >= 0);
        QCOMPARE(error.isEmpty(), word >= 0);
        if (!request)
            return;
        QCOMPARE(request->outWord, word);
        QCOMPARE(request->setPoint.has_value(), !qIsNaN(setPoint));
        if (request->setPoint)
            QCOMPARE(*request->setPoint, setPoint);
    }

    void setPointFollowsTheWeightOnChannel1()
    {
        DeviceState state;
        state.forceWeight(20.0);
        state.applyOutputRequest({AllOutputsOff & ~SetPointOutputBit, 25.0});
        QCOMPARE(state.spStatus(0), 0);
        QCOMPARE(state.outputWord(0), AllOutputsOff);
        state.forceWeight(25.0);
        QCOMPARE(state.spStatus(0), 1);
        QCOMPARE(state.outputWord(0), AllOutputsOff & ~SetPointOutputBit);
        state.applyOutputRequest({AllOutputsOff, 25.0});
        QVERIFY(!state.setPoint());
        QCOMPARE(state.spStatus(0), 0);
    }

    void batchesHandOverAtMost232ReadingsThenTheEnd()
    {
        DeviceState state({9, Profile::Steady, 1, 1000});
        QCOMPARE(state.takeBatch(0).kind, Batch::Finished);
        state.startSampling(100);
        QCOMPARE(state.takeBatch(100).kind, Batch::Wait);
        QCOMPARE(state.takeBatch(100).waitMs, 1);
        Batch first = state.takeBatch(110);
        QCOMPARE(first.kind, Batch::Readings);
        QCOMPARE(first.readings.size(), 10);
        const Batch waiting = state.takeBatch(110);
        QCOMPARE(waiting.kind, Batch::Wait);
        qint64 next = 10;
        QList<int> sizes;
        for (Batch b = state.takeBatch(5000); b.kind == Batch::Readings; b = state.takeBatch(5000)) {
            QCOMPARE(b.firstIndex, next);
            next += b.readings.size();
            sizes << int(b.readings.size());
        }
        QCOMPARE(sizes, (QList<int>{232, 232, 232, 232, 62}));
        QCOMPARE(state.takeBatch(9000).kind, Batch::Finished);
    }

    void stopEndsTheRunAtWhatWasRecorded()
    {
        DeviceState state({9, Profile::Steady, 2, 60000});
        state.startSampling(0);
        QVERIFY(state.samplingActive(100));
        state.stopSampling(100);
        QVERIFY(!state.samplingActive(100));
        QCOMPARE(state.takeBatch(200).readings.size(), 50);
        QCOMPARE(state.takeBatch(90000).kind, Batch::Finished);
    }

    void readingsDependOnSeedAndIndexNotOnFetchTimes()
    {
        DeviceState early({11, Profile::Busy, 2, 1000}), late({11, Profile::Busy, 2, 1000});
        early.startSampling(0);
        late.startSampling(7);
        const Batch a = early.takeBatch(2000);
        QCOMPARE(late.takeBatch(3000).readings, a.readings);
        for (const QString &text : a.readings)
            QVERIFY(text.size() <= 10 && text.indexOf(QLatin1Char('.')) == text.size() - 4);
        late.forceReadingTexts({QStringLiteral("x"), QStringLiteral("y")});
        QCOMPARE(late.readingText(3), QStringLiteral("y"));
    }
};

QTEST_GUILESS_MAIN(tst_DeviceModel)
#include "tst_devicemodel.moc"
