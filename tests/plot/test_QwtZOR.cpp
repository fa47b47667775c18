#include "plot/QwtZOR.h"
#include "plot/zorTimeText.h"

#include <QSignalSpy>
#include <QtTest>
#include <qwt_scale_draw.h>

using Times = QVector<double>;

namespace {

// A device whose channel 0 holds points at the given times.
int deviceWith(QwtZOR &plot, const Times &times, const QVector<double> &values = {})
{
    const int dev = plot.addDev();
    for (int i = 0; i < times.size(); ++i)
        plot.addPoint(values.isEmpty() ? 20.0 : values.at(i), times.at(i), "°C", dev, 0);
    return dev;
}

// The partner channel and device a channel is linked to.
QPair<uchar, int> partnerOf(const QwtZOR &plot, int dev, uchar ch)
{
    QPair<uchar, int> partner(0, 0);
    plot.getChDiff(&partner.first, &partner.second, dev, ch);
    return partner;
}

} // namespace

// The plot without a window: its store of readings (devices, channels, points,
// averages, difference channels, value texts) and how it picks its axes (automatic
// steps, tracking windows, fixed scales in the zoom-like modes, decimals, tick labels).
class test_QwtZOR : public QObject
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
        QTest::addColumn<QPointF>("reading"); // time, value
        QTest::addColumn<bool>("accepted");
        QTest::newRow("limit value is no reading") << QPointF(1.0, -1300.0) << false;
        QTest::newRow("just above the limit") << QPointF(1.0, -1299.9) << true;
        QTest::newRow("negative time") << QPointF(-0.001, 20.0) << false;
        QTest::newRow("time zero") << QPointF(0.0, 20.0) << true;
        QTest::newRow("not a number") << QPointF(1.0, qQNaN()) << false;
        QTest::newRow("infinite value") << QPointF(1.0, qInf()) << false;
        QTest::newRow("infinite time") << QPointF(qInf(), 20.0) << false;
    }

    void readingValidity()
    {
        QFETCH(QPointF, reading);
        QFETCH(bool, accepted);
        QwtZOR plot;
        const int dev = plot.addDev();
        QVERIFY(plot.addPoint(5.0, 0.5, "Ом", dev, 0));
        QSignalSpy errors(&plot, &QwtZOR::onErrorAddPoint);
        QCOMPARE(plot.addPoint(reading.y(), reading.x(), "°C", dev, 0), accepted);
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
        // Removing the current device (the first, made current when it came alone) leaves
        // none current until another is chosen, even when a new device takes its key.
        plot.removeDev(-1);
        QCOMPARE(plot.addDev(), first);
        QVERIFY(!plot.addPoint(1.0, "В", -1, 0));
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
        const int dev = deviceWith(plot, {2.0, 4.5}, {10.0, 12.3456});
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

    void automaticStepX_data()
    {
        QTest::addColumn<QwtInterval>("readings");
        QTest::addColumn<QwtInterval>("axis"); // 10 divisions
        // The finest step that holds the span with half a division to spare in 10 divisions.
        QTest::newRow("0.5 s") << QwtInterval(0, 0.5) << QwtInterval(0, 10);
        QTest::newRow("8.5 s still fits 1 s") << QwtInterval(0, 8.5) << QwtInterval(0, 10);
        QTest::newRow("8.6 s needs 2 s") << QwtInterval(0, 8.6) << QwtInterval(0, 20);
        QTest::newRow("35 s: \"5 сек.\", not \"2 сек.\"") << QwtInterval(7, 42) << QwtInterval(5, 55);
        QTest::newRow("100 s") << QwtInterval(0, 100) << QwtInterval(0, 150);
        QTest::newRow("10 min") << QwtInterval(650, 1250) << QwtInterval(600, 1800);
        QTest::newRow("1 h") << QwtInterval(0, 3600) << QwtInterval(0, 6000);
        QTest::newRow("24 h") << QwtInterval(0, 86400) << QwtInterval(0, 180000);
        QTest::newRow("40 h") << QwtInterval(100000, 244000) << QwtInterval(90000, 270000);
        QTest::newRow("300 h: nothing fits, the coarsest") << QwtInterval(0, 1080000) << QwtInterval(0, 1080000);
    }

    void automaticStepX()
    {
        QFETCH(QwtInterval, readings);
        QFETCH(QwtInterval, axis);
        QwtZOR plot;
        deviceWith(plot, {readings.minValue(), (readings.minValue() + readings.maxValue()) / 2, readings.maxValue()});
        QCOMPARE(plot.axisInterval(QwtPlot::xBottom), axis);
        QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), axis.width() / 10);
    }

    void trackingWindow()
    {
        QwtZOR plot;
        const int dev = deviceWith(plot, {0.0});
        plot.setChScaleX(4, dev, 0); // "10 сек."
        QCOMPARE(plot.getChMode(dev, 0), QwtZOR::mcTracking);
        for (int t = 1; t <= 57; ++t)
            plot.addPoint(20.0, t, "°C", dev, 0);
        QCOMPARE(plot.axisInterval(QwtPlot::xBottom), QwtInterval(0, 100));
        plot.addPoint(20.0, 100.0, "°C", dev, 0);
        QCOMPARE(plot.axisInterval(QwtPlot::xBottom), QwtInterval(0, 100));
        plot.addPoint(20.0, 101.0, "°C", dev, 0);
        QCOMPARE(plot.axisInterval(QwtPlot::xBottom), QwtInterval(10, 110));
        // Back to both scales automatic: automatic mode.
        plot.setChScaleX(0, dev, 0);
        QCOMPARE(plot.getChMode(dev, 0), QwtZOR::mcAuto);
    }

    void scaleIndexLimits()
    {
        QwtZOR plot;
        const int dev = deviceWith(plot, {0.0, 10.0});
        QSignalSpy xChanges(&plot, &QwtZOR::onChScaleXChange);
        QSignalSpy yChanges(&plot, &QwtZOR::onChScaleYChange);
        plot.setChScaleX(19, dev, 0);
        plot.setChScaleY(30, dev, 0);
        plot.changeScaleX(-1);
        plot.setChScaleX(3, dev, 5);
        QCOMPARE(xChanges.count() + yChanges.count(), 0);
        // The last entries are there to be chosen.
        plot.setChScaleX(18, dev, 0);
        plot.setChScaleY(29, dev, 0);
        QCOMPARE(xChanges.count() + yChanges.count(), 2);
    }

    void zoomModeScaleKeepsWindowAtZero()
    {
        QwtZOR plot;
        const int dev = deviceWith(plot, {0.0, 5.0, 10.0});
        plot.setChMode(QwtZOR::mcZoom, dev, 0);
        // A zoom rectangle near the start sets the centre the scale changes keep to.
        QMetaObject::invokeMethod(&plot, "setZoomScale", Q_ARG(QRectF, QRectF(1.0, 19.0, 4.0, 2.0)));
        QCOMPARE(plot.axisInterval(QwtPlot::xBottom), QwtInterval(1, 11));
        plot.setChScaleX(6, dev, 0); // "30 сек.": 300 s around the centre would start below 0
        QCOMPARE(plot.axisInterval(QwtPlot::xBottom), QwtInterval(0, 300));
        QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), 30.0);
        // Only the axis changed: the channel keeps its own scale and mode.
        QCOMPARE(plot.getChMode(dev, 0), QwtZOR::mcZoom);
        QCOMPARE(plot.getScaleXLabel(dev, 0), QString("30 сек."));
        // "Авто" leaves the zoom for the channel's own automatic scales.
        plot.setChScaleX(0, dev, 0);
        QCOMPARE(plot.getChMode(dev, 0), QwtZOR::mcAuto);
    }

    void stepAndDecimalsY_data()
    {
        QTest::addColumn<int>("scaleY");
        QTest::addColumn<double>("spread"); // of the readings
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("decimals");
        QTest::newRow("Авто, 0.35 wide") << 0 << 0.35 << 0.05 << 2;
        QTest::newRow("Авто, flat: the finest step") << 0 << 0.0 << 0.000001 << 6;
        QTest::newRow("Авто, very wide: the coarsest") << 0 << 30000.0 << 2000.0 << 0;
        QTest::newRow("0.000005") << 3 << 1.0 << 0.000005 << 6;
        QTest::newRow("0.00001") << 4 << 1.0 << 0.00001 << 5;
        QTest::newRow("0.1") << 16 << 1.0 << 0.1 << 1;
        QTest::newRow("1") << 19 << 1.0 << 1.0 << 0;
    }

    void stepAndDecimalsY()
    {
        QFETCH(int, scaleY);
        QFETCH(double, spread);
        QFETCH(double, step);
        QFETCH(int, decimals);
        QwtZOR plot;
        const int dev = deviceWith(plot, {0, 1, 2}, {20.0, 20.0 + spread, 20.0 + spread / 2});
        plot.setChScaleY(uchar(scaleY), dev, 0);
        QCOMPARE(plot.axisStepSize(QwtPlot::yLeft), step);
        QVERIFY(qAbs(plot.axisInterval(QwtPlot::yLeft).width() - 10 * step) < step * 1e-6);
        QCOMPARE(int(plot.getPrecision(dev, 0)), decimals);
        // Tick labels carry the decimals; the tracker and the panels one more.
        const double y = 12.3456789;
        QCOMPARE(plot.axisScaleDraw(QwtPlot::yLeft)->label(y).text(), QString::number(y, 'f', decimals));
        QCOMPARE(plot.getYText(y), QString::number(y, 'f', decimals + 1));
    }

    void tickLabels_data()
    {
        QTest::addColumn<int>("modeX");
        QTest::addColumn<int>("scaleX");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("label");
        const int rel = QwtZOR::mcxRel;
        QTest::newRow("seconds") << int(QwtZOR::mcxSec) << 7 << 90061.0 << "90061";
        QTest::newRow("relative, a day, an hour, a minute, a second") << rel << 7 << 90061.0 << "02 01:01";
        QTest::newRow("relative, seconds below a minute's step") << rel << 6 << 90061.0 << "02 01:01:01";
        QTest::newRow("relative, within the first day") << rel << 7 << 3661.0 << "01:01";
        QTest::newRow("relative, a run longer than a month") << rel << 13 << 40 * 86400.0 + 3600 << "41 01:00";
    }

    void tickLabels()
    {
        QFETCH(int, modeX);
        QFETCH(int, scaleX);
        QFETCH(double, value);
        QFETCH(QString, label);
        QwtZOR plot;
        const int dev = deviceWith(plot, {0.0, 1.0});
        plot.setChModeX(QwtZOR::TmcModeX(modeX), dev, 0);
        plot.setChScaleX(uchar(scaleX), dev, 0);
        QCOMPARE(plot.axisScaleDraw(QwtPlot::xBottom)->label(value).text(), label);
    }

    void wallClockText_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        const QDateTime morning(QDate(2024, 3, 5), QTime(10, 0));
        QTest::newRow("today: time only") << morning << 3600.0 << "11:00";
        QTest::newRow("yesterday") << morning.addDays(-1) << 3600.0 << "04.03.24 11:00";
        QTest::newRow("same day of an earlier month") << morning.addMonths(-1) << 5400.0 << "05.02.24 11:30";
    }

    void wallClockText()
    {
        QFETCH(QDateTime, start);
        QFETCH(double, seconds);
        QFETCH(QString, text);
        // Labels of a minute's step, looked at a day's noon.
        const QDateTime now(QDate(2024, 3, 5), QTime(12, 0));
        QCOMPARE(zorTimeText::wallClock(start, seconds, 60.0, now), text);
    }
};

QTEST_MAIN(test_QwtZOR)
#include "test_QwtZOR.moc"
