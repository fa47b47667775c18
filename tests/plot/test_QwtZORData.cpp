#include "plot/QwtZOR.h"

#include <QSignalSpy>
#include <QtTest>

using Times = QVector<double>;

// The plot's store of readings: devices, channels, points, averages, difference
// channels and the value texts the main window shows.
class test_QwtZORData : public QObject
{
    Q_OBJECT

private slots:
    void channelsComeWithTheFirstPoint_data()
    {
        QTest::addColumn<int>("ch");
        QTest::addColumn<int>("count");
        QTest::newRow("channel 3") << 3 << 4;
        QTest::newRow("channel 253") << 253 << 254;
        QTest::newRow("channel 254: 255 channels cannot exist") << 254 << 0;
        QTest::newRow("channel 255 means the main channel, never a new one") << 255 << 0;
    }

    void channelsComeWithTheFirstPoint()
    {
        QFETCH(int, ch);
        QFETCH(int, count);
        QwtZOR plot;
        const int dev = plot.addDev();
        QSignalSpy added(&plot, &QwtZOR::onAddCh);
        QCOMPARE(plot.addPoint(21.5, 1.0, "°C", dev, uchar(ch)), count > 0);
        QCOMPARE(int(plot.getChCount(dev)), count);
        QCOMPARE(added.count(), count);
        if (count == 0)
            return;
        // Highest channel first; the others have had no reading yet.
        QCOMPARE(added.first().at(1).value<uchar>(), uchar(ch));
        QCOMPARE(added.last().at(1).value<uchar>(), uchar(0));
        QCOMPARE(plot.getChMeas(dev, uchar(ch)), 21.5);
        QCOMPARE(plot.getChMeasStr(dev, 0), QString("--"));
    }

    void readingValidity_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("time");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("limit value is no reading") << -1300.0 << 1.0 << false;
        QTest::newRow("just above the limit") << -1299.9 << 1.0 << true;
        QTest::newRow("negative time") << 20.0 << -0.001 << false;
        QTest::newRow("time zero") << 20.0 << 0.0 << true;
        QTest::newRow("not a number") << qQNaN() << 1.0 << false;
        QTest::newRow("infinite value") << qInf() << 1.0 << false;
        QTest::newRow("infinite time") << 20.0 << qInf() << false;
    }

    void readingValidity()
    {
        QFETCH(double, value);
        QFETCH(double, time);
        QFETCH(bool, accepted);
        QwtZOR plot;
        const int dev = plot.addDev();
        QVERIFY(plot.addPoint(5.0, 0.5, "Ом", dev, 0));
        QSignalSpy errors(&plot, &QwtZOR::onErrorAddPoint);
        QCOMPARE(plot.addPoint(value, time, "°C", dev, 0), accepted);
        QCOMPARE(errors.count(), accepted ? 0 : 1);
        QCOMPARE(plot.getChMeasCount(dev, 0), accepted ? 2 : 1);
        // A rejected reading shows "--" until the next accepted one.
        QCOMPARE(plot.getChMeasStr(dev, 0) == "--", !accepted);
        QVERIFY(plot.addPoint(6.0, 2.0, "Ом", dev, 0));
        QCOMPARE(plot.getChMeasStr(dev, 0), QString("6.00"));
        // Every stored point keeps its own unit; a rejected reading leaves none behind.
        const QStringList units = accepted ? QStringList{"Ом", "°C", "Ом"} : QStringList{"Ом", "Ом"};
        for (int i = 0; i < units.size(); ++i)
            QCOMPARE(plot.getChDim(dev, 0, i), units.at(i));
        plot.clear(dev);
        QCOMPARE(plot.getChDim(dev, 0, 0), QString("-"));
    }

    void movingAverage()
    {
        QwtZOR plot;
        const int dev = plot.addDev();
        for (int i = 1; i <= 11; ++i)
            QVERIFY(plot.addPoint(i * i, i, "°C", dev, 0));
        // Points 2..11: (4 + 9 + ... + 121) / 10.
        QCOMPARE(plot.getChAverStr(dev, 0, 3), QString::number(505.0 / 10.0, 'f', 3));
        // Below ten points the average is over what there is.
        QVERIFY(plot.addPoint(1e17, 12, "°C", dev, 1));
        QVERIFY(plot.addPoint(3.0, 13, "°C", dev, 1));
        QCOMPARE(plot.getChAverStr(dev, 1, 1), QString::number((1e17 + 3.0) / 2, 'f', 2));
        // Once the huge value has left the window it leaves no trace in the average.
        for (int i = 0; i < 10; ++i)
            QVERIFY(plot.addPoint(0.125, 14 + i, "°C", dev, 1));
        QCOMPARE(plot.getChAverStr(dev, 1, 6), QString("0.125000"));
    }

    void devices()
    {
        QwtZOR plot;
        const int first = plot.addDev();
        const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
        plot.prepareMeas(first, start);
        const int second = plot.addDev();
        QCOMPARE(plot.getStartDateTime(second), start);
        // The second device's readings are stamped on the first one's time base.
        QVERIFY(plot.addPoint(1.0, "В", second, 0));
        QVERIFY(plot.getChTime(second, 0) >= 3600.0);
        for (int i = 2; i < 255; ++i)
            QCOMPARE(plot.addDev(), i);
        QSignalSpy changes(&plot, &QwtZOR::onChange);
        QCOMPARE(plot.addDev(), -1);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0).at(0).toInt(), -1);
        // A freed key is reused.
        plot.removeDev(7);
        QCOMPARE(plot.addDev(), 7);
        // Removing the current device (the first, made current when it came alone)
        // leaves none current until another is chosen.
        plot.removeDev(-1);
        QVERIFY(!plot.addPoint(1.0, "В", -1, 0));
        QVERIFY(!plot.addPoint(1.0, 2.0, "В", first, 0));
        plot.setDevMain(second);
        QCOMPARE(plot.getChMeas(-1, 255), 1.0);
    }

    void valueTexts_data()
    {
        QTest::addColumn<int>("scaleY");
        QTest::addColumn<int>("prec");
        QTest::addColumn<QString>("meas");
        QTest::addColumn<QString>("dy");
        QTest::newRow("Y scale 1: precision 0 still shows two decimals") << 19 << -1 << "12.35" << "2";
        QTest::newRow("asked for 0 decimals") << 19 << 0 << "12.35" << "2";
        QTest::newRow("explicit five decimals") << 10 << 5 << "12.34560" << "2.346";
    }

    void valueTexts()
    {
        QFETCH(int, scaleY);
        QFETCH(int, prec);
        QFETCH(QString, meas);
        QFETCH(QString, dy);
        QwtZOR plot;
        const int dev = plot.addDev();
        QVERIFY(plot.addPoint(10.0, 2.0, "°C", dev, 0));
        QVERIFY(plot.addPoint(12.3456, 4.5, "°C", dev, 0));
        plot.setChScaleY(uchar(scaleY), dev, 0);
        QCOMPARE(plot.getChMeasStr(dev, 0, static_cast<signed char>(prec)), meas);
        QCOMPARE(plot.getChDYStr(dev, 0), dy);
        QCOMPARE(plot.getChDXStr(dev, 0), QString("2.5"));
    }

    void diffLiveRules()
    {
        QwtZOR plot;
        const int dev = plot.addDev();
        plot.setChCount(2, dev);
        // No partner beyond the device's channels or devices, and no linking of unknown channels.
        plot.setChDiff(2, dev, dev, 0);
        plot.setChDiff(1, 3, dev, 0);
        plot.setChDiff(1, dev, dev, 9);
        QCOMPARE(partnerOf(plot, dev, 0), qMakePair(uchar(255), -1));
        // Linked to a partner without points: nothing to subtract yet.
        plot.setChDiff(1, dev, dev, 0);
        QSignalSpy errors(&plot, &QwtZOR::onErrorAddPoint);
        QVERIFY(!plot.addPoint(10.0, 1.0, "°C", dev, 0));
        QCOMPARE(errors.count(), 1);
        // The reading itself is kept.
        QCOMPARE(plot.getChMeasCount(dev, 0, false), 1);
        QCOMPARE(plot.getChMeasCount(dev, 0, true), 0);

        QVERIFY(plot.addPoint(3.0, 1.5, "°C", dev, 1));
        QVERIFY(plot.addPoint(10.5, 2.0, "°C", dev, 0));
        // Two own points between two partner points: only the first makes a difference.
        QVERIFY(!plot.addPoint(11.0, 2.5, "°C", dev, 0));
        QVERIFY(plot.addPoint(4.0, 3.0, "°C", dev, 1));
        QVERIFY(plot.addPoint(12.0, 3.5, "°C", dev, 0));
        QCOMPARE(plot.getChMeasCount(dev, 0, true), 2);
        QCOMPARE(plot.getChMeas(dev, 0, 0, true), 7.5);
        QCOMPARE(plot.getChMeas(dev, 0, -1, true), 8.0);
        QCOMPARE(plot.getChTime(dev, 0, -1, true), 3.5);
        QCOMPARE(plot.getChAverStr(dev, 0, 2), QString("7.75"));
        // A rejected partner reading stops the differences.
        QVERIFY(!plot.addPoint(-2000.0, 4.0, "°C", dev, 1));
        QVERIFY(!plot.addPoint(12.0, 4.5, "°C", dev, 0));
    }

    void diffRebuild_data()
    {
        // Own values are 100 + t, partner values t, so the difference tells which pair was made.
        QTest::addColumn<Times>("own");
        QTest::addColumn<Times>("partner");
        QTest::addColumn<Times>("diffTimes");
        QTest::addColumn<double>("diff");
        QTest::addColumn<QString>("then"); // how the link ends afterwards
        QTest::newRow("interleaved sweeps, then unlinked")
            << Times{1, 3, 5, 7} << Times{0.5, 2.5, 4.5, 6.5} << Times{1, 3, 5, 7} << 100.5 << "unlink";
        QTest::newRow("partner starts later, then its channel removed")
            << Times{1, 3, 5, 7} << Times{4, 6} << Times{5, 7} << 101.0 << "channel";
        QTest::newRow("partner twice as fast pairs with the first in each interval")
            << Times{2, 4, 6} << Times{0.5, 1.5, 2.5, 3.5, 4.5, 5.5} << Times{2, 4, 6} << 101.5 << "";
        QTest::newRow("own twice as fast, then the partner device removed")
            << Times{1, 2, 3, 4, 5} << Times{0.5, 2.5, 4.5} << Times{1, 3, 5} << 100.5 << "device";
        QTest::newRow("equal time stamps") << Times{1, 2, 3} << Times{1, 2, 3} << Times{1, 2, 3} << 100.0 << "";
        QTest::newRow("partner without points") << Times{1, 2} << Times{} << Times{} << 0.0 << "";
    }

    void diffRebuild()
    {
        QFETCH(Times, own);
        QFETCH(Times, partner);
        QFETCH(Times, diffTimes);
        QFETCH(double, diff);
        QFETCH(QString, then);
        QwtZOR plot;
        const int ownDev = plot.addDev();
        const int otherDev = plot.addDev();
        plot.setChCount(1, ownDev);
        plot.setChCount(3, otherDev);
        for (double t : own)
            QVERIFY(plot.addPoint(100.0 + t, t, "°C", ownDev, 0));
        for (double t : partner)
            QVERIFY(plot.addPoint(t, t, "°C", otherDev, 2));
        plot.setChDiff(2, otherDev, ownDev, 0);
        QCOMPARE(partnerOf(plot, ownDev, 0), qMakePair(uchar(2), otherDev));
        QCOMPARE(plot.getChMeasCount(ownDev, 0, true), diffTimes.size());
        for (int i = 0; i < diffTimes.size(); ++i) {
            QCOMPARE(plot.getChTime(ownDev, 0, i, true), diffTimes.at(i));
            QCOMPARE(plot.getChMeas(ownDev, 0, i, true), diff);
        }
        if (then == "unlink")
            plot.setChDiff(255, -1, ownDev, 0);
        else if (then == "channel")
            plot.setChCount(2, otherDev);
        else if (then == "device")
            plot.removeDev(otherDev);
        else
            return;
        // The raw series is untouched and readings are plain readings again.
        QCOMPARE(partnerOf(plot, ownDev, 0), qMakePair(uchar(255), -1));
        QCOMPARE(plot.getChMeasCount(ownDev, 0, true), own.size());
        QCOMPARE(plot.getChMeas(ownDev, 0, 1, true), 100.0 + own.at(1));
        QVERIFY(plot.addPoint(20.0, 99.0, "°C", ownDev, 0));
    }

private:
    static QPair<uchar, int> partnerOf(const QwtZOR &plot, int dev, uchar ch)
    {
        QPair<uchar, int> partner(0, 0);
        plot.getChDiff(&partner.first, &partner.second, dev, ch);
        return partner;
    }
};

QTEST_MAIN(test_QwtZORData)
#include "test_QwtZORData.moc"
