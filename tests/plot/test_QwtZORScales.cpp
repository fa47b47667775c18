#include "plot/QwtZOR.h"
#include "plot/zorTimeText.h"

#include <QSignalSpy>
#include <QtTest>
#include <qwt_scale_draw.h>

// How the plot picks its axes: automatic steps, tracking windows, fixed scales in
// the zoom-like modes, decimals, tick labels and the texts naming scales and modes.
class test_QwtZORScales : public QObject
{
    Q_OBJECT

private slots:
    void automaticStepX_data();
    void automaticStepX();
    void automaticStepY_data();
    void automaticStepY();
    void trackingWindow();
    void scaleIndexLimits();
    void zoomModeScaleKeepsWindowAtZero();
    void precisionPerScale_data();
    void precisionPerScale();
    void tickLabels_data();
    void tickLabels();
    void wallClockText_data();
    void wallClockText();
    void labels();
};

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

void test_QwtZORScales::automaticStepX_data()
{
    QTest::addColumn<double>("t0");
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("min");
    // The finest step that holds the span with half a division to spare in 10 divisions.
    QTest::newRow("0.5 s") << 0.0 << 0.5 << 1.0 << 0.0;
    QTest::newRow("8.5 s still fits 1 s") << 0.0 << 8.5 << 1.0 << 0.0;
    QTest::newRow("8.6 s needs 2 s") << 0.0 << 8.6 << 2.0 << 0.0;
    QTest::newRow("35 s: 5 s, not 2 s") << 7.0 << 35.0 << 5.0 << 5.0;
    QTest::newRow("100 s") << 0.0 << 100.0 << 15.0 << 0.0;
    QTest::newRow("10 min") << 650.0 << 600.0 << 120.0 << 600.0;
    QTest::newRow("1 h") << 0.0 << 3600.0 << 600.0 << 0.0;
    QTest::newRow("24 h") << 0.0 << 86400.0 << 18000.0 << 0.0;
    QTest::newRow("40 h") << 100000.0 << 144000.0 << 18000.0 << 90000.0;
    QTest::newRow("100 h") << 0.0 << 360000.0 << 54000.0 << 0.0;
    QTest::newRow("300 h: nothing fits, the coarsest") << 0.0 << 1080000.0 << 108000.0 << 0.0;
}

void test_QwtZORScales::automaticStepX()
{
    QFETCH(double, t0);
    QFETCH(double, span);
    QFETCH(double, step);
    QFETCH(double, min);
    QwtZOR plot;
    const int dev = deviceWith(plot, {t0, t0 + span / 2, t0 + span});
    QCOMPARE(plot.getChMode(dev, 0), QwtZOR::mcAuto);
    QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), step);
    QCOMPARE(plot.axisInterval(QwtPlot::xBottom).minValue(), min);
    QCOMPARE(plot.axisInterval(QwtPlot::xBottom).maxValue(), min + 10 * step);
    QVERIFY(plot.axisInterval(QwtPlot::xBottom).maxValue() >= t0 + span);
}

void test_QwtZORScales::automaticStepY_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("min");
    QTest::addColumn<int>("decimals");
    QTest::newRow("0.35 wide") << 20.0 << 20.35 << 0.05 << 19.95 << 2;
    QTest::newRow("flat") << 5.0 << 5.0 << 0.000001 << 4.999995 << 6;
    QTest::newRow("negative") << -120.0 << -40.0 << 10.0 << -130.0 << 0;
    QTest::newRow("very wide: the coarsest") << 0.0 << 30000.0 << 2000.0 << 6000.0 << 0;
}

void test_QwtZORScales::automaticStepY()
{
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(double, step);
    QFETCH(double, min);
    QFETCH(int, decimals);
    QwtZOR plot;
    const int dev = deviceWith(plot, {0, 1, 2}, {lo, hi, (lo + hi) / 2});
    QCOMPARE(plot.axisStepSize(QwtPlot::yLeft), step);
    QVERIFY(qFuzzyCompare(plot.axisInterval(QwtPlot::yLeft).minValue() + 1e9, min + 1e9));
    QVERIFY(qAbs(plot.axisInterval(QwtPlot::yLeft).width() - 10 * step) < step * 1e-6);
    QCOMPARE(int(plot.getPrecision(dev, 0)), decimals);
}

void test_QwtZORScales::trackingWindow()
{
    QwtZOR plot;
    const int dev = deviceWith(plot, {0.0});
    QSignalSpy changes(&plot, &QwtZOR::onChScaleXChange);
    plot.setChScaleX(4, dev, 0); // "10 сек."
    QCOMPARE(changes.count(), 1);
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

void test_QwtZORScales::scaleIndexLimits()
{
    QwtZOR plot;
    const int dev = deviceWith(plot, {0.0, 10.0});
    QSignalSpy xChanges(&plot, &QwtZOR::onChScaleXChange);
    QSignalSpy yChanges(&plot, &QwtZOR::onChScaleYChange);
    plot.setChScaleX(19, dev, 0);
    plot.setChScaleY(30, dev, 0);
    plot.changeScaleX(-1);
    plot.changeScaleX(300);
    plot.setChScaleX(3, dev, 5);
    QCOMPARE(xChanges.count() + yChanges.count(), 0);
    QCOMPARE(plot.getChScaleX(dev, 0), uchar(0));
    plot.setChScaleX(18, dev, 0);
    plot.setChScaleY(29, dev, 0);
    QCOMPARE(plot.getChScaleX(dev, 0), uchar(18));
    QCOMPARE(plot.getChScaleY(dev, 0), uchar(29));
    QCOMPARE(plot.getScaleXLabel(dev, 0), QString("30 ч."));
    QCOMPARE(plot.getScaleYLabel(dev, 0), QString("2000"));
}

void test_QwtZORScales::zoomModeScaleKeepsWindowAtZero()
{
    QwtZOR plot;
    const int dev = deviceWith(plot, {0.0, 5.0, 10.0});
    plot.setChMode(QwtZOR::mcZoom, dev, 0);
    // A zoom rectangle near the start sets the centre the scale changes keep to.
    QMetaObject::invokeMethod(&plot, "setZoomScale", Q_ARG(QRectF, QRectF(1.0, 19.0, 4.0, 2.0)));
    QCOMPARE(plot.axisInterval(QwtPlot::xBottom), QwtInterval(1, 11));
    QSignalSpy changes(&plot, &QwtZOR::onChScaleXChange);
    plot.setChScaleX(6, dev, 0); // "30 сек.": 300 s around the centre would start below 0
    QCOMPARE(changes.count(), 1);
    QCOMPARE(plot.axisInterval(QwtPlot::xBottom), QwtInterval(0, 300));
    QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), 30.0);
    // Only the axis changed: the channel keeps its own scale and mode.
    QCOMPARE(plot.getChMode(dev, 0), QwtZOR::mcZoom);
    QCOMPARE(plot.getChScaleX(dev, 0), uchar(6));
    QCOMPARE(plot.getScaleXLabel(dev, 0), QString("30 сек."));
    // "Авто" leaves the zoom for the channel's own automatic scales.
    plot.setChScaleX(0, dev, 0);
    QCOMPARE(plot.getChMode(dev, 0), QwtZOR::mcAuto);
}

void test_QwtZORScales::precisionPerScale_data()
{
    QTest::addColumn<int>("scaleY");
    QTest::addColumn<int>("decimals");
    QTest::newRow("0.000001") << 1 << 6;
    QTest::newRow("0.000005") << 3 << 6;
    QTest::newRow("0.00001") << 4 << 5;
    QTest::newRow("0.0005") << 9 << 4;
    QTest::newRow("0.005") << 12 << 3;
    QTest::newRow("0.05") << 15 << 2;
    QTest::newRow("0.1") << 16 << 1;
    QTest::newRow("0.5") << 18 << 1;
    QTest::newRow("1") << 19 << 0;
    QTest::newRow("2000") << 29 << 0;
}

void test_QwtZORScales::precisionPerScale()
{
    QFETCH(int, scaleY);
    QFETCH(int, decimals);
    QwtZOR plot;
    const int dev = deviceWith(plot, {0.0});
    QCOMPARE(plot.getPrecision(dev, 0), uchar(6)); // one point: the finest automatic step
    plot.setChScaleY(uchar(scaleY), dev, 0);
    QCOMPARE(int(plot.getPrecision(dev, 0)), decimals);
    // Tick labels carry the decimals; the tracker and the panels one more.
    QCOMPARE(plot.axisScaleDraw(QwtPlot::yLeft)->label(12.3456789).text(), QString::number(12.3456789, 'f', decimals));
    QCOMPARE(plot.getYText(12.3456789), QString::number(12.3456789, 'f', decimals + 1));
}

void test_QwtZORScales::tickLabels_data()
{
    QTest::addColumn<int>("modeX");
    QTest::addColumn<int>("scaleX");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("seconds") << int(QwtZOR::mcxSec) << 7 << 90061.0 << "90061";
    QTest::newRow("relative, a day, an hour, a minute, a second") << int(QwtZOR::mcxRel) << 7 << 90061.0 << "02 01:01";
    QTest::newRow("relative, seconds below a minute's step") << int(QwtZOR::mcxRel) << 6 << 90061.0 << "02 01:01:01";
    QTest::newRow("relative, within the first day") << int(QwtZOR::mcxRel) << 7 << 3661.0 << "01:01";
    QTest::newRow("relative, a run longer than a month") << int(QwtZOR::mcxRel) << 13 << 40 * 86400.0 + 3600 << "41 01:00";
}

void test_QwtZORScales::tickLabels()
{
    QFETCH(int, modeX);
    QFETCH(int, scaleX);
    QFETCH(double, value);
    QFETCH(QString, label);
    QwtZOR plot;
    const int dev = deviceWith(plot, {0.0, 1.0});
    QSignalSpy modes(&plot, &QwtZOR::onChModeXChange);
    plot.setChModeX(QwtZOR::TmcModeX(modeX), dev, 0);
    QCOMPARE(modes.count(), modeX == QwtZOR::mcxSec ? 0 : 1);
    plot.setChScaleX(uchar(scaleX), dev, 0);
    QCOMPARE(plot.axisScaleDraw(QwtPlot::xBottom)->label(value).text(), label);
}

void test_QwtZORScales::wallClockText_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("text");
    const QDateTime morning(QDate(2024, 3, 5), QTime(10, 0));
    QTest::newRow("today: time only") << morning << 3600.0 << 60.0 << "11:00";
    QTest::newRow("today, fine step") << morning << 3601.25 << 0.5 << "11:00:01:250";
    QTest::newRow("yesterday") << morning.addDays(-1) << 3600.0 << 60.0 << "04.03.24 11:00";
    QTest::newRow("same day of an earlier month") << morning.addMonths(-1) << 5400.0 << 60.0 << "05.02.24 11:30";
}

void test_QwtZORScales::wallClockText()
{
    QFETCH(QDateTime, start);
    QFETCH(double, seconds);
    QFETCH(double, step);
    QFETCH(QString, text);
    const QDateTime now(QDate(2024, 3, 5), QTime(12, 0));
    QCOMPARE(zorTimeText::wallClock(start, seconds, step, now), text);
}

void test_QwtZORScales::labels()
{
    QwtZOR plot;
    QCOMPARE(plot.getChModeLabel(-1, 255), QString("-"));
    QCOMPARE(plot.getScaleXLabel(-1, 255), QString("-"));
    const int dev = deviceWith(plot, {0.0, 35.0});
    QCOMPARE(plot.getChModeLabel(dev, 0), QString("АВТО"));
    QCOMPARE(plot.getChModeXLabel(dev, 0), QString("СЕК"));
    // In automatic mode the labels name the mode, whatever step it chose.
    QCOMPARE(plot.getScaleXLabel(dev, 0), QString("Авто"));
    QCOMPARE(plot.getScaleXLabel(dev, 0, 3), QString("5 сек."));
    plot.setChScaleY(16, dev, 0);
    QCOMPARE(plot.getChModeLabel(dev, 0), QString("СЛЕЖЕНИЕ"));
    QCOMPARE(plot.getScaleYLabel(dev, 0), QString("0.1"));
    plot.changeModeX(QwtZOR::mcxAbs);
    QCOMPARE(plot.getChModeXLabel(dev, 0), QString("АБС"));
    plot.changeModeX(7);
    QCOMPARE(plot.getChModeXLabel(dev, 0), QString("АБС"));
    QCOMPARE(plot.scaleXLabels().size(), 19);
    QCOMPARE(plot.scaleYLabels().size(), 30);
    QCOMPARE(plot.scaleYLabels().at(1), QString("0.000001"));
    QCOMPARE(plot.scaleYLabels().at(20), QString("2"));
}

QTEST_MAIN(test_QwtZORScales)
#include "test_QwtZORScales.moc"
