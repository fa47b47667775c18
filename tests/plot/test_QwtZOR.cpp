#include "plot/QwtZOR.h"
#include "plot/zorPlotCurve.h"
#include "plot/zorTimeText.h"

#include <QPainter>
#include <QPicture>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>
#include <qwt_plot_curve.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_map.h>

#include <cmath>

using Times = QVector<double>;

namespace {

constexpr int canvasWidth = 1000;
constexpr int canvasHeight = 600;

struct Series {
    QVector<double> x, y;
};

// A random walk unless the shape says otherwise.
Series makeSeries(const QString &shape, int count)
{
    QRandomGenerator random(4711);
    Series s;
    double walk = 0.0;
    for (int i = 0; i < count; ++i) {
        walk += random.bounded(2.0) - 1.0;
        double t = i, v = walk;
        if (shape == "noise")
            v = random.bounded(2.0) - 1.0;
        else if (shape == "steep sine")
            v = 40.0 * std::sin(i / 40.0) + random.bounded(1.0);
        else if (shape == "clock set back") // a third of the way in, by a quarter of the run
            t = i < count / 3 ? i : i - count / 4;
        else if (shape == "gaps and flats") {
            t = i + (i > count / 2 ? count : 0);
            v = (i / 500) % 2 ? 3.0 : random.bounded(6.0);
        }
        s.x.append(t);
        s.y.append(v);
    }
    return s;
}

// Draws the item onto a white canvas showing the window (x from, y from, width,
// height); through a QPicture for a scalable device.
QImage render(const QwtPlotItem &item, const QRectF &window, bool scalable = false)
{
    QwtScaleMap xMap, yMap;
    xMap.setPaintInterval(0, canvasWidth);
    xMap.setScaleInterval(window.left(), window.right());
    yMap.setPaintInterval(canvasHeight, 0);
    yMap.setScaleInterval(window.top(), window.bottom());
    QImage image(canvasWidth, canvasHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPicture picture;
    QPainter painter(scalable ? static_cast<QPaintDevice *>(&picture) : &image);
    item.draw(&painter, xMap, yMap, QRectF(0, 0, canvasWidth, canvasHeight));
    painter.end();
    if (scalable)
        QPainter(&image).drawPicture(0, 0, picture);
    return image;
}

// Whether the pixel has ink, or with near set, any pixel next to it too.
bool inked(const QImage &image, int x, int y, int near = 0)
{
    for (int dy = -near; dy <= near; ++dy)
        for (int dx = -near; dx <= near; ++dx)
            if (image.valid(x + dx, y + dy) && image.pixel(x + dx, y + dy) != qRgb(255, 255, 255))
                return true;
    return false;
}

// Images look the same when the fast drawing adds next to no ink, misses none by
// more than a pixel, and misses few pixels at all: with a one-pixel pen next to
// none; with a wider pen corner pixels, where Qt's stroker caps and joins the
// pieces of the full polyline.
void compareLooks(const QImage &actual, const QImage &expected, int penWidth)
{
    int ink = 0, differ = 0, far = 0, extra = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const bool a = inked(actual, x, y);
            const bool e = inked(expected, x, y);
            ink += e;
            differ += a != e;
            extra += a && !e;
            far += a != e && !inked(a ? expected : actual, x, y, 1);
        }
    }
    QVERIFY(ink > 0);
    const QString counts = QString("%1 of %2 pixels differ, %3 extra").arg(differ).arg(ink).arg(extra);
    QVERIFY2(differ <= (penWidth == 1 ? 0.005 : 0.15) * ink, qPrintable(counts));
    QVERIFY2(extra <= 0.005 * ink, qPrintable(counts));
    QCOMPARE(far, 0);
}

} // namespace

// The plot without a window: how its readings reach the curves and the signals, how
// it picks its axes (automatic steps, tracking windows, scale limits, decimals, tick
// labels), and that the fast curve draws what a plain Qwt curve draws from every
// point (its columns summarised by the store's min/max indexes).
class test_QwtZOR : public QObject
{
    Q_OBJECT

private slots:
    // Each case on a plot of its own with one device, its announcements written down.
    void init()
    {
        plot = new QwtZOR;
        dev = plot->addDev();
        seen.clear();
        const auto note = [this](const char *what) {
            return [this, what](int q, uchar c) { seen << QString("%1 %2:%3").arg(what).arg(q).arg(c); };
        };
        connect(plot, &QwtZOR::onAddCh, this, note("channel"));
        connect(plot, &QwtZOR::onAddPoint, this, note("point"));
        connect(plot, &QwtZOR::onErrorAddPoint, this, note("error"));
    }

    void cleanup() { delete plot; }

    // The store's answers reach the caller as the signals the main window listens to.
    void pointSignals()
    {
        // The first point of channel 3 creates channels 3 down to 0, highest first.
        QVERIFY(plot->addPoint(21.5, 1.0, "°C", dev, 3));
        QVERIFY(!plot->addPoint(-1300.0, 2.0, "°C", dev, 3));
        QVERIFY(!plot->addPoint(20.0, 2.0, "°C", 9, 0));
        // Linked to a channel without points: refused, but stored.
        plot->setChDiff(1, dev, dev, 3);
        QVERIFY(!plot->addPoint(20.0, 3.0, "°C", dev, 3));
        QCOMPARE(seen, QStringList({"channel 0:3", "channel 0:2", "channel 0:1", "channel 0:0", "point 0:3", "error 0:3",
                                    "error 0:3"}));
        QCOMPARE(plot->getChMeasCount(dev, 3), 2);
    }

    // Readings stamped by the wall clock: one the clock put before the start or before the
    // channel's newest reading is refused as invalid ("--", the error signal), and counted.
    void clockSteppedBack()
    {
        QVERIFY(plot->addPoint(20.0, 1e6, "°C", dev, 0));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("clock stepped back.* 1 so far"));
        QVERIFY(!plot->addPoint(21.0, "°C", dev, 0));
        QCOMPARE(plot->getChMeasCount(dev, 0), 1);
        plot->prepareMeas(dev, QDateTime::currentDateTime().addSecs(3600));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("clock stepped back.* 2 so far"));
        QVERIFY(!plot->addPoint(21.0, "°C", dev, 0));
        QCOMPARE(seen, QStringList({"channel 0:0", "point 0:0", "error 0:0", "error 0:0"}));
        QCOMPARE(plot->getChMeasStr(dev, 0), QString("--"));
    }

    // Every channel, not only the drawn one, takes the decimals of its own Y scale.
    void decimalsOfEveryChannel()
    {
        fill({0, 1});
        plot->addPoint(21.123456, 1.0, "°C", dev, 1);
        plot->setChScaleY(10, dev, 1); // "0.001"
        QCOMPARE(plot->getChMeasStr(dev, 1), QString("21.123"));
    }

    // A block of readings is announced once: what the listeners see last is how it ended.
    void blockSignals_data()
    {
        QTest::addColumn<int>("ch");
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<bool>("linked"); // channel 0 subtracts channel 1, which has no points
        QTest::addColumn<QStringList>("announced");
        QTest::addColumn<int>("stored");
        const QVector<double> good{20.0, 20.5, 21.0, 21.5};
        QTest::newRow("a new channel: those below come first")
            << 2 << good << false << QStringList{"channel 0:2", "channel 0:1", "point 0:2"} << 4;
        QTest::newRow("one rejected inside") << 0 << QVector<double>{20.0, -1300.0, 21.0} << false
                                             << QStringList{"error 0:0", "point 0:0"} << 2;
        QTest::newRow("the last rejected") << 0 << QVector<double>{20.0, 21.0, qQNaN()} << false
                                           << QStringList{"point 0:0", "error 0:0"} << 2;
        QTest::newRow("all rejected") << 0 << QVector<double>{-1300.0, -2000.0} << false << QStringList{"error 0:0"} << 0;
        QTest::newRow("refused: the partner has no points") << 0 << good << true << QStringList{"error 0:0"} << 0;
        QTest::newRow("channel 254 cannot exist") << 254 << good << false << QStringList{} << 0;
        QTest::newRow("an empty block") << 0 << QVector<double>{} << false << QStringList{} << 0;
    }

    void blockSignals()
    {
        QFETCH(int, ch);
        QFETCH(QVector<double>, values);
        QFETCH(bool, linked);
        QFETCH(QStringList, announced);
        QFETCH(int, stored);
        plot->setChCount(linked ? 2 : 1, dev);
        if (linked)
            plot->setChDiff(1, dev, dev, 0);
        seen.clear();
        QVector<double> times;
        for (int i = 0; i < values.size(); ++i)
            times << 1.0 + i;
        QCOMPARE(plot->addPoints(values, times, "°C", dev, uchar(ch)), stored);
        QCOMPARE(seen, announced);
        QCOMPARE(plot->getChMeasCount(dev, uchar(ch), true), linked ? 0 : stored);
    }

    // Curves draw their channel's series however the channel list changes and whatever the link: growing the list
    // moves every channel record.
    void curvesFollowTheirChannel_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("channels added") << "grow";
        QTest::newRow("linked, then the partner removed with the channels above it") << "unlink";
    }

    void curvesFollowTheirChannel()
    {
        QFETCH(QString, change);
        plot->setChCount(4, dev);
        for (int t = 0; t < 100; ++t) {
            QVERIFY(plot->addPoint(10.0 + t, t, "°C", dev, 0));
            QVERIFY(plot->addPoint(1.0, t + 0.5, "°C", dev, 3));
        }
        if (change == "grow") {
            QVERIFY(plot->addPoint(5.0, 200.0, "°C", dev, 15));
        } else {
            plot->setChDiff(3, dev, dev, 0);
            QCOMPARE(plot->getChMeasCount(dev, 0, true), 99);
            plot->setChCount(2, dev);
        }
        // Channel 0's raw curve: the one drawn in channel 0's colour with the thin pen.
        const QwtPlotCurve *raw = nullptr;
        for (const QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
            const auto *curve = static_cast<const QwtPlotCurve *>(item);
            if (curve->pen().color() == QColor(Qt::red) && curve->pen().width() == 1)
                raw = curve;
        }
        QVERIFY(raw);
        QCOMPARE(int(raw->dataSize()), 100);
        QCOMPARE(raw->sample(99), QPointF(99, 109));
        QCOMPARE(raw->boundingRect(), QRectF(0, 10, 99, 99));
        QVERIFY(raw->isVisible());
    }

    void automaticStepX_data()
    {
        QTest::addColumn<QwtInterval>("readings");
        QTest::addColumn<QwtInterval>("axis"); // 10 divisions
        // The finest step that holds the span with half a division to spare in 10 divisions.
        QTest::newRow("8.5 s still fits 1 s") << QwtInterval(0, 8.5) << QwtInterval(0, 10);
        QTest::newRow("8.6 s needs 2 s") << QwtInterval(0, 8.6) << QwtInterval(0, 20);
        QTest::newRow("35 s: \"5 сек.\", not \"2 сек.\"") << QwtInterval(7, 42) << QwtInterval(5, 55);
        QTest::newRow("20 days") << QwtInterval(0, 1728000) << QwtInterval(0, 4320000);
        // The coarsest scale holds 100 days: past that the newest of them stay in view.
        QTest::newRow("120 days: the newest window") << QwtInterval(0, 10368000) << QwtInterval(1728000, 10368000);
    }

    void automaticStepX()
    {
        QFETCH(QwtInterval, readings);
        QFETCH(QwtInterval, axis);
        fill({readings.minValue(), (readings.minValue() + readings.maxValue()) / 2, readings.maxValue()});
        QCOMPARE(plot->axisInterval(QwtPlot::xBottom), axis);
        QCOMPARE(plot->axisStepSize(QwtPlot::xBottom), axis.width() / 10);
    }

    void trackingWindow()
    {
        fill({0.0});
        plot->setChScaleX(4, dev, 0); // "10 сек."
        QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcTracking);
        for (int t = 1; t <= 57; ++t)
            plot->addPoint(20.0, t, "°C", dev, 0);
        QCOMPARE(plot->axisInterval(QwtPlot::xBottom), QwtInterval(0, 100));
        plot->addPoint(20.0, 100.0, "°C", dev, 0);
        QCOMPARE(plot->axisInterval(QwtPlot::xBottom), QwtInterval(0, 100));
        plot->addPoint(20.0, 101.0, "°C", dev, 0);
        QCOMPARE(plot->axisInterval(QwtPlot::xBottom), QwtInterval(10, 110));
        // Back to both scales automatic: automatic mode.
        plot->setChScaleX(0, dev, 0);
        QCOMPARE(plot->getChMode(dev, 0), QwtZOR::mcAuto);
    }

    void scaleIndexLimits()
    {
        fill({0.0, 10.0});
        QSignalSpy xChanges(plot, &QwtZOR::onChScaleXChange);
        QSignalSpy yChanges(plot, &QwtZOR::onChScaleYChange);
        plot->setChScaleX(22, dev, 0);
        plot->setChScaleY(30, dev, 0);
        plot->changeScaleX(-1);
        plot->setChScaleX(3, dev, 5);
        QCOMPARE(xChanges.count() + yChanges.count(), 0);
        // The last entries are there to be chosen.
        plot->setChScaleX(21, dev, 0);
        plot->setChScaleY(29, dev, 0);
        QCOMPARE(xChanges.count() + yChanges.count(), 2);
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
        QTest::newRow("1") << 19 << 1.0 << 1.0 << 0;
    }

    void stepAndDecimalsY()
    {
        QFETCH(int, scaleY);
        QFETCH(double, spread);
        QFETCH(double, step);
        QFETCH(int, decimals);
        fill({0, 1, 2}, {20.0, 20.0 + spread, 20.0 + spread / 2});
        plot->setChScaleY(uchar(scaleY), dev, 0);
        QCOMPARE(plot->axisStepSize(QwtPlot::yLeft), step);
        QVERIFY(qAbs(plot->axisInterval(QwtPlot::yLeft).width() - 10 * step) < step * 1e-6);
        QCOMPARE(int(plot->getPrecision(dev, 0)), decimals);
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
        fill({0.0, 1.0});
        plot->setChModeX(QwtZOR::TmcModeX(modeX), dev, 0);
        plot->setChScaleX(uchar(scaleX), dev, 0);
        QCOMPARE(plot->axisScaleDraw(QwtPlot::xBottom)->label(value).text(), label);
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

    void drawsLikeEveryPoint_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<int>("width");
        QTest::addColumn<QRectF>("window");
        QTest::addColumn<QString>("how"); // "picture": a scalable device; "growing": frames drawn in between
        const QRectF walk(-100, -150, 10200, 300);
        QTest::newRow("noise, 1 px") << "noise" << 1 << QRectF(-100, -2, 10200, 4) << "";
        QTest::newRow("steep sine leaving the canvas") << "steep sine" << 1 << QRectF(-100, -30, 10200, 60) << "";
        QTest::newRow("middle part only, 2 px") << "walk" << 2 << QRectF(2000, -150, 5000, 300) << "";
        QTest::newRow("clock set back") << "clock set back" << 1 << walk << "";
        QTest::newRow("gaps and flat stretches") << "gaps and flats" << 1 << QRectF(0, -1, 15000, 8) << "";
        QTest::newRow("scalable device") << "walk" << 1 << walk << "picture";
        QTest::newRow("growing series") << "walk" << 1 << walk << "growing";
    }

    void drawsLikeEveryPoint()
    {
        QFETCH(QString, shape);
        QFETCH(int, width);
        QFETCH(QRectF, window);
        QFETCH(QString, how);
        const Series all = makeSeries(shape, 10000);
        // The curve reads the store; with "growing" the last frame reuses what it can
        // of the ones drawn while the points arrived.
        zorPointStore store;
        const int dev = store.addDev();
        zorPlotCurve curve(store, dev, 0, false);
        curve.setPen(Qt::black, width, Qt::SolidLine);
        for (int i = 0; i < all.x.size(); ++i) {
            QCOMPARE(store.addPoint(all.y.at(i), all.x.at(i), "°C", dev, 0), zorPointStore::pointStored);
            if (how == "growing" && i % 997 == 0)
                render(curve, window);
        }
        // The view's bounds, and its newest stretch at or after x as a walk back from the end finds it.
        QCOMPARE(curve.series()->boundingRect().left(), *std::min_element(all.x.cbegin(), all.x.cend()));
        QCOMPARE(curve.series()->boundingRect().bottom(), *std::max_element(all.y.cbegin(), all.y.cend()));
        for (double x = window.left(); x < window.right(); x += window.width() / 16) {
            int walk = all.x.size();
            while (walk > 0 && all.x.at(walk - 1) >= x)
                --walk;
            QCOMPARE(curve.series()->tailFrom(x), walk);
        }
        QwtPlotCurve reference;
        reference.setSamples(all.x, all.y);
        reference.setPen(Qt::black, width, Qt::SolidLine);
        const bool scalable = how == "picture";
        compareLooks(render(curve, window, scalable), render(reference, window, scalable), width);
    }

private:
    // Points at the given times in channel 0 of the device.
    void fill(const Times &times, const QVector<double> &values = {})
    {
        for (int i = 0; i < times.size(); ++i)
            plot->addPoint(values.isEmpty() ? 20.0 : values.at(i), times.at(i), "°C", dev, 0);
    }

    QwtZOR *plot = nullptr;
    int dev = -1;
    QStringList seen; // "channel|point|error <device>:<channel>"
};

QTEST_MAIN(test_QwtZOR)
#include "test_QwtZOR.moc"
