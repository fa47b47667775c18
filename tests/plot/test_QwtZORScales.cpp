#include "plot/QwtZOR.h"
#include "plot/zorTimeText.h"

#include <QSignalSpy>
#include <QtTest>
#include <qwt_scale_draw.h>

namespace {

// A device whose channel 0 holds points at the given times.
int deviceWith(QwtZOR &plot, const QVector<double> &times, const QVector<double> &values = {})
{
    const int dev = plot.addDev();
    for (int i = 0; i < times.size(); ++i)
        plot.addPoint(values.isEmpty() ? 20.0 : values.at(i), times.at(i), "°C", dev, 0);
    return dev;
}

} // namespace

// How the plot picks its axes: automatic steps, tracking windows, fixed scales in
// the zoom-like modes, decimals, tick labels and the texts naming scales and modes.
class test_QwtZORScales : public QObject
{
    Q_OBJECT

private slots:
    void automaticStepX_data()
    {
        QTest::addColumn<double>("t0");
        QTest::addColumn<double>("span");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("min");
        // The finest step that holds the span with half a division to spare in 10 divisions.
        QTest::newRow("0.5 s") << 0.0 << 0.5 << 1.0 << 0.0;
        QTest::newRow("8.5 s still fits 1 s") << 0.0 << 8.5 << 1.0 << 0.0;
        QTest::newRow("8.6 s needs 2 s") << 0.0 << 8.6 << 2.0 << 0.0;
        QTest::newRow("35 s: \"5 сек.\", not \"2 сек.\"") << 7.0 << 35.0 << 5.0 << 5.0;
        QTest::newRow("100 s") << 0.0 << 100.0 << 15.0 << 0.0;
        QTest::newRow("10 min") << 650.0 << 600.0 << 120.0 << 600.0;
        QTest::newRow("1 h") << 0.0 << 3600.0 << 600.0 << 0.0;
        QTest::newRow("24 h") << 0.0 << 86400.0 << 18000.0 << 0.0;
        QTest::newRow("40 h") << 100000.0 << 144000.0 << 18000.0 << 90000.0;
        QTest::newRow("300 h: nothing fits, the coarsest") << 0.0 << 1080000.0 << 108000.0 << 0.0;
    }

    void automaticStepX()
    {
        QFETCH(double, t0);
        QFETCH(double, span);
        QFETCH(double, step);
        QFETCH(double, min);
        QwtZOR plot;
        deviceWith(plot, {t0, t0 + span / 2, t0 + span});
        QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), step);
        QCOMPARE(plot.axisInterval(QwtPlot::xBottom), QwtInterval(min, min + 10 * step));
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
        QCOMPARE(plot.getChScaleX(dev, 0), uchar(0));
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
        QTest::addColumn<double>("step");
        QTest::addColumn<QString>("text");
        const QDateTime morning(QDate(2024, 3, 5), QTime(10, 0));
        QTest::newRow("today, fine step") << morning << 3601.25 << 0.5 << "11:00:01:250";
        QTest::newRow("yesterday") << morning.addDays(-1) << 3600.0 << 60.0 << "04.03.24 11:00";
        QTest::newRow("same day of an earlier month") << morning.addMonths(-1) << 5400.0 << 60.0 << "05.02.24 11:30";
    }

    void wallClockText()
    {
        QFETCH(QDateTime, start);
        QFETCH(double, seconds);
        QFETCH(double, step);
        QFETCH(QString, text);
        const QDateTime now(QDate(2024, 3, 5), QTime(12, 0));
        QCOMPARE(zorTimeText::wallClock(start, seconds, step, now), text);
    }

};

QTEST_MAIN(test_QwtZORScales)
#include "test_QwtZORScales.moc"
