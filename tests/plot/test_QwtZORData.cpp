#include "plot/QwtZOR.h"

#include <QSignalSpy>
#include <QtTest>

// The plot's store of readings: devices, channels, points, averages, difference
// channels and the value texts the main window shows.
class test_QwtZORData : public QObject
{
    Q_OBJECT

private slots:
    void firstPointCreatesChannels();
    void readingValidity_data();
    void readingValidity();
    void channelNumberLimits_data();
    void channelNumberLimits();
    void movingAverage();
    void deviceLimitAndTimeBase();
    void valueTexts_data();
    void valueTexts();
    void unitsPerPoint();
    void removingChannelsKeepsOthers();
    void removingTheCurrentDevice();

    void diffLiveRules();
    void diffRebuild_data();
    void diffRebuild();
    void diffUnlinkAndPartnerLoss_data();
    void diffUnlinkAndPartnerLoss();
    void diffRejectsBadPartner();
};

void test_QwtZORData::firstPointCreatesChannels()
{
    QwtZOR plot;
    const int dev = plot.addDev();
    QCOMPARE(dev, 0);
    QSignalSpy added(&plot, &QwtZOR::onAddCh);
    QSignalSpy points(&plot, &QwtZOR::onAddPoint);
    QVERIFY(plot.addPoint(21.5, 1.0, "°C", dev, 3));
    QCOMPARE(plot.getChCount(dev), uchar(4));
    QCOMPARE(added.count(), 4);
    // Highest channel first.
    QCOMPARE(added.at(0).at(1).value<uchar>(), uchar(3));
    QCOMPARE(added.at(3).at(1).value<uchar>(), uchar(0));
    QCOMPARE(points.count(), 1);
    QCOMPARE(plot.getChMeas(dev, 3), 21.5);
    QCOMPARE(plot.getChDim(dev, 3), QString("°C"));
    QCOMPARE(plot.getChMeasCount(dev, 0), 0);
    // The other channels have had no reading yet.
    QCOMPARE(plot.getChMeasStr(dev, 0), QString("--"));
}

void test_QwtZORData::readingValidity_data()
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

void test_QwtZORData::readingValidity()
{
    QFETCH(double, value);
    QFETCH(double, time);
    QFETCH(bool, accepted);
    QwtZOR plot;
    const int dev = plot.addDev();
    QVERIFY(plot.addPoint(5.0, 0.5, "Ом", dev, 0));
    QSignalSpy errors(&plot, &QwtZOR::onErrorAddPoint);
    QCOMPARE(plot.addPoint(value, time, "Ом", dev, 0), accepted);
    QCOMPARE(errors.count(), accepted ? 0 : 1);
    QCOMPARE(plot.getChMeasCount(dev, 0), accepted ? 2 : 1);
    // A rejected reading shows "--" until the next accepted one.
    QCOMPARE(plot.getChMeasStr(dev, 0) == "--", !accepted);
    QVERIFY(plot.addPoint(6.0, 2.0, "Ом", dev, 0));
    QCOMPARE(plot.getChMeasStr(dev, 0), QString("6.00"));
}

void test_QwtZORData::channelNumberLimits_data()
{
    QTest::addColumn<int>("ch");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("count");
    QTest::newRow("channel 31") << 31 << true << 32;
    QTest::newRow("channel 253") << 253 << true << 254;
    QTest::newRow("channel 254: 255 channels cannot exist") << 254 << false << 0;
    QTest::newRow("channel 255 means the main channel, never a new one") << 255 << false << 0;
}

void test_QwtZORData::channelNumberLimits()
{
    QFETCH(int, ch);
    QFETCH(bool, accepted);
    QFETCH(int, count);
    QwtZOR plot;
    const int dev = plot.addDev();
    QCOMPARE(plot.addPoint(1.0, 1.0, "В", dev, uchar(ch)), accepted);
    QCOMPARE(int(plot.getChCount(dev)), count);
}

void test_QwtZORData::movingAverage()
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

void test_QwtZORData::deviceLimitAndTimeBase()
{
    QwtZOR plot;
    const int first = plot.addDev();
    const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
    plot.prepareMeas(first, start);
    const int second = plot.addDev();
    QCOMPARE(second, 1);
    QCOMPARE(plot.getStartDateTime(second), start);
    // The second device's readings are stamped on the first one's time base.
    QVERIFY(plot.addPoint(1.0, "В", second, 0));
    QVERIFY(plot.getChTime(second, 0) >= 3600.0);
    QCOMPARE(plot.getChTimeStr(second, 0), QString::number(double(qRound64(plot.getChTime(second, 0))), 'g', 6));

    QSignalSpy changes(&plot, &QwtZOR::onChange);
    for (int i = 2; i < 255; ++i)
        QCOMPARE(plot.addDev(), i);
    changes.clear();
    QCOMPARE(plot.addDev(), -1);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toInt(), -1);
    // A freed key is reused.
    plot.removeDev(7);
    QCOMPARE(plot.addDev(), 7);
    QCOMPARE(plot.getStartDateTime(999), QDateTime::fromString("01.01.1970", "dd.MM.yyyy"));
}

void test_QwtZORData::valueTexts_data()
{
    QTest::addColumn<int>("scaleY");
    QTest::addColumn<int>("prec");
    QTest::addColumn<QString>("meas");
    QTest::addColumn<QString>("dy");
    QTest::newRow("Y scale 1: precision 0 still shows two decimals") << 19 << -1 << "12.35" << "2";
    QTest::newRow("asked for 0 decimals") << 19 << 0 << "12.35" << "2";
    QTest::newRow("automatic Y scale follows the data (0.5)") << 0 << -1 << "12.35" << "2.3";
    QTest::newRow("Y scale 0.1: one decimal, texts keep two") << 16 << -1 << "12.35" << "2.3";
    QTest::newRow("Y scale 0.001: three decimals") << 10 << -1 << "12.346" << "2.346";
    QTest::newRow("explicit five decimals") << 10 << 5 << "12.34560" << "2.346";
}

void test_QwtZORData::valueTexts()
{
    QFETCH(int, scaleY);
    QFETCH(int, prec);
    QFETCH(QString, meas);
    QFETCH(QString, dy);
    QwtZOR plot;
    const int dev = plot.addDev();
    QCOMPARE(plot.getChDXStr(dev, 0), QString());
    QVERIFY(plot.addPoint(10.0, 2.0, "°C", dev, 0));
    QCOMPARE(plot.getChDYStr(dev, 0), QString());
    QVERIFY(plot.addPoint(12.3456, 4.5, "°C", dev, 0));
    plot.setChScaleY(uchar(scaleY), dev, 0);
    QCOMPARE(plot.getChMeasStr(dev, 0, static_cast<signed char>(prec)), meas);
    QCOMPARE(plot.getChDYStr(dev, 0), dy);
    QCOMPARE(plot.getChDXStr(dev, 0), QString("2.5"));
    QCOMPARE(plot.getChMeasStr(dev, 9), QString("--"));
    QCOMPARE(plot.getChMeasStr(5, 0), QString("--"));
}

void test_QwtZORData::unitsPerPoint()
{
    QwtZOR plot;
    const int dev = plot.addDev();
    const QStringList units = {"°C", "°C", "Ом", "Ом", "°C"};
    for (int i = 0; i < units.size(); ++i)
        QVERIFY(plot.addPoint(i, i, units.at(i), dev, 0));
    for (int i = 0; i < units.size(); ++i)
        QCOMPARE(plot.getChDim(dev, 0, i), units.at(i));
    QCOMPARE(plot.getChDim(dev, 0), QString("°C"));
    plot.clear(dev);
    QCOMPARE(plot.getChMeasCount(dev, 0), 0);
    QCOMPARE(plot.getChDim(dev, 0, 0), QString("-"));
}

void test_QwtZORData::removingChannelsKeepsOthers()
{
    QwtZOR plot;
    const int dev = plot.addDev();
    for (int i = 0; i < 100; ++i)
        QVERIFY(plot.addPoint(i, i, "В", dev, 0));
    plot.setChMain(2, dev);
    QVERIFY(plot.addPoint(7.0, 1.0, "В", dev, 30));
    QCOMPARE(plot.getChMeasCount(dev, 0), 100);
    QCOMPARE(plot.getChMeas(dev, 0, 42), 42.0);
    plot.setChCount(1, dev);
    QCOMPARE(plot.getChCount(dev), uchar(1));
    QCOMPARE(plot.getChMain(dev), 0);
    QCOMPARE(plot.getChMeas(dev, 0, 99), 99.0);
    plot.setChCount(255, dev);
    QCOMPARE(plot.getChCount(dev), uchar(1));
}

void test_QwtZORData::removingTheCurrentDevice()
{
    QwtZOR plot;
    const int first = plot.addDev();
    const int second = plot.addDev();
    QVERIFY(plot.addPoint(1.0, 1.0, "В", first, 2));
    QVERIFY(plot.addPoint(2.0, 1.0, "В", second, 0));
    plot.removeDev(-1); // the current device: the first, made current when it came alone
    QCOMPARE(plot.getChCount(first), uchar(0));
    QCOMPARE(plot.getChMain(-1), -1);
    QVERIFY(!plot.addPoint(1.0, 2.0, "В", first, 0));
    QVERIFY(!plot.addPoint(1.0, "В", -1, 0));
    QCOMPARE(plot.getChMeasStr(-1, 255), QString("--"));
    QCOMPARE(plot.getChColor(first, 0), QColor(Qt::white));
    // The other device lives on and can become the current one.
    plot.setDevMain(second);
    QCOMPARE(plot.getChMain(-1), 0);
    QCOMPARE(plot.getChMeas(-1, 255), 2.0);
    QCOMPARE(plot.getChColor(-1, 255), QColor(Qt::red));
}

void test_QwtZORData::diffLiveRules()
{
    QwtZOR plot;
    const int dev = plot.addDev();
    plot.setChCount(2, dev);
    // Linked to a partner without points: nothing to subtract yet.
    plot.setChDiff(1, dev, dev, 0);
    QSignalSpy errors(&plot, &QwtZOR::onErrorAddPoint);
    QVERIFY(!plot.addPoint(10.0, 1.0, "°C", dev, 0));
    QCOMPARE(errors.count(), 1);
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
    QCOMPARE(plot.getChDXStr(dev, 0), QString("1.5"));
    // A rejected partner reading stops the differences.
    QVERIFY(!plot.addPoint(-2000.0, 4.0, "°C", dev, 1));
    QVERIFY(!plot.addPoint(12.0, 4.5, "°C", dev, 0));
}

void test_QwtZORData::diffRebuild_data()
{
    QTest::addColumn<QVector<double>>("ownTimes");
    QTest::addColumn<QVector<double>>("partnerTimes");
    QTest::addColumn<QVector<double>>("diffTimes");
    // Own values are 100 + t, partner values t, so a difference tells which pair was made.
    QTest::addColumn<QVector<double>>("diffValues");
    QTest::newRow("interleaved sweeps")
        << QVector<double>{1, 3, 5, 7} << QVector<double>{0.5, 2.5, 4.5, 6.5}
        << QVector<double>{1, 3, 5, 7} << QVector<double>{100.5, 100.5, 100.5, 100.5};
    QTest::newRow("partner starts later")
        << QVector<double>{1, 3, 5, 7} << QVector<double>{4, 6}
        << QVector<double>{5, 7} << QVector<double>{101, 101};
    QTest::newRow("partner twice as fast pairs with the first in each interval")
        << QVector<double>{2, 4, 6} << QVector<double>{0.5, 1.5, 2.5, 3.5, 4.5, 5.5}
        << QVector<double>{2, 4, 6} << QVector<double>{101.5, 101.5, 101.5};
    QTest::newRow("own twice as fast")
        << QVector<double>{1, 2, 3, 4, 5} << QVector<double>{0.5, 2.5, 4.5}
        << QVector<double>{1, 3, 5} << QVector<double>{100.5, 100.5, 100.5};
    QTest::newRow("equal time stamps")
        << QVector<double>{1, 2, 3} << QVector<double>{1, 2, 3}
        << QVector<double>{1, 2, 3} << QVector<double>{100, 100, 100};
    QTest::newRow("partner without points") << QVector<double>{1, 2} << QVector<double>{}
        << QVector<double>{} << QVector<double>{};
}

void test_QwtZORData::diffRebuild()
{
    QFETCH(QVector<double>, ownTimes);
    QFETCH(QVector<double>, partnerTimes);
    QFETCH(QVector<double>, diffTimes);
    QFETCH(QVector<double>, diffValues);
    QwtZOR plot;
    const int own = plot.addDev();
    const int other = plot.addDev();
    plot.setChCount(1, own);
    plot.setChCount(3, other);
    for (double t : ownTimes)
        QVERIFY(plot.addPoint(100.0 + t, t, "°C", own, 0));
    for (double t : partnerTimes)
        QVERIFY(plot.addPoint(t, t, "°C", other, 2));
    plot.setChDiff(2, other, own, 0);
    uchar partnerCh = 0;
    int partnerDev = 0;
    plot.getChDiff(&partnerCh, &partnerDev, own, 0);
    QCOMPARE(partnerCh, uchar(2));
    QCOMPARE(partnerDev, other);
    QCOMPARE(plot.getChMeasCount(own, 0, true), diffTimes.size());
    for (int i = 0; i < diffTimes.size(); ++i) {
        QCOMPARE(plot.getChTime(own, 0, i, true), diffTimes.at(i));
        QCOMPARE(plot.getChMeas(own, 0, i, true), diffValues.at(i));
    }
    QCOMPARE(plot.getChMeasCount(own, 0, false), ownTimes.size());
}

void test_QwtZORData::diffUnlinkAndPartnerLoss_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("unlink") << "unlink";
    QTest::newRow("partner channel removed") << "channel";
    QTest::newRow("partner device removed") << "device";
}

void test_QwtZORData::diffUnlinkAndPartnerLoss()
{
    QFETCH(QString, how);
    QwtZOR plot;
    const int own = plot.addDev();
    const int other = plot.addDev();
    for (int i = 0; i < 5; ++i) {
        QVERIFY(plot.addPoint(i, i, "°C", other, 1));
        QVERIFY(plot.addPoint(10.0 + i, i + 0.5, "°C", own, 0));
    }
    plot.setChDiff(1, other, own, 0);
    QCOMPARE(plot.getChMeasCount(own, 0, true), 5);
    if (how == "unlink")
        plot.setChDiff(255, -1, own, 0);
    else if (how == "channel")
        plot.setChCount(1, other);
    else
        plot.removeDev(other);
    uchar partnerCh = 0;
    int partnerDev = 0;
    plot.getChDiff(&partnerCh, &partnerDev, own, 0);
    QCOMPARE(partnerCh, uchar(255));
    QCOMPARE(partnerDev, -1);
    // The raw series is untouched and readings are plain readings again.
    QCOMPARE(plot.getChMeasCount(own, 0, true), 5);
    QCOMPARE(plot.getChMeas(own, 0, 2, true), 12.0);
    QVERIFY(plot.addPoint(20.0, 9.0, "°C", own, 0));
}

void test_QwtZORData::diffRejectsBadPartner()
{
    QwtZOR plot;
    const int dev = plot.addDev();
    plot.setChCount(4, dev);
    plot.setChDiff(4, dev, dev, 0);
    plot.setChDiff(1, 3, dev, 0);
    plot.setChDiff(1, dev, dev, 9);
    uchar partnerCh = 0;
    int partnerDev = 0;
    plot.getChDiff(&partnerCh, &partnerDev, dev, 0);
    QCOMPARE(partnerCh, uchar(255));
    QCOMPARE(partnerDev, -1);
    plot.getChDiff(nullptr, nullptr, dev, 0);
}

QTEST_MAIN(test_QwtZORData)
#include "test_QwtZORData.moc"
