#include "plot/QwtZOR.h"
#include "plot/zorMinMaxIndex.h"
#include "plot/zorPlotCurve.h"

#include <QPainter>
#include <QPicture>
#include <QRandomGenerator>
#include <QtTest>
#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>

#include <cmath>

// The fast curve must draw what a plain Qwt curve draws from every point, and the
// plot must fold bursts of readings into few redraws.
class test_zorPlotCurve : public QObject
{
    Q_OBJECT

private slots:
    void minMaxIndexMatchesScan_data();
    void minMaxIndexMatchesScan();
    void runsAndTails_data();
    void runsAndTails();
    void drawsLikeEveryPoint_data();
    void drawsLikeEveryPoint();
    void growingSeriesDrawsLikeFresh();
    void burstOfReadingsIsOneRedraw();
};

namespace {

constexpr int canvasWidth = 1000;
constexpr int canvasHeight = 600;

struct Series {
    QVector<double> x;
    QVector<double> y;
};

Series makeSeries(const QString &shape, int count)
{
    QRandomGenerator random(4711);
    Series s;
    double walk = 0.0;
    for (int i = 0; i < count; ++i) {
        double t = i;
        double v = 0.0;
        if (shape == "noise") {
            v = random.bounded(2.0) - 1.0;
        } else if (shape == "walk") {
            walk += random.bounded(2.0) - 1.0;
            v = walk;
        } else if (shape == "steep sine") {
            v = 40.0 * std::sin(i / 40.0) + random.bounded(1.0);
        } else if (shape == "clock set back") {
            // A third of the way in, time jumps back by a quarter of the run.
            t = i < count / 3 ? i : i - count / 4;
            v = std::sin(i / 300.0) * 10.0 + random.bounded(0.5);
        } else if (shape == "gaps and flats") {
            t = i + (i > count / 2 ? count : 0);
            v = (i / 500) % 2 ? 3.0 : random.bounded(6.0);
        }
        s.x.append(t);
        s.y.append(v);
    }
    return s;
}

QImage blank()
{
    QImage image(canvasWidth, canvasHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Draws the item onto a white canvas; through a QPicture for a scalable device.
QImage render(const QwtPlotItem &item, const QwtScaleMap &xMap, const QwtScaleMap &yMap, bool scalable)
{
    QImage image = blank();
    const QRectF canvas(0, 0, canvasWidth, canvasHeight);
    if (scalable) {
        QPicture picture;
        QPainter recorder(&picture);
        item.draw(&recorder, xMap, yMap, canvas);
        recorder.end();
        QPainter painter(&image);
        painter.drawPicture(0, 0, picture);
    } else {
        QPainter painter(&image);
        item.draw(&painter, xMap, yMap, canvas);
    }
    return image;
}

bool inked(const QImage &image, int x, int y)
{
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && image.pixel(x, y) != qRgb(255, 255, 255);
}

bool inkNear(const QImage &image, int x, int y)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (inked(image, x + dx, y + dy))
                return true;
    return false;
}

// Images look the same when the fast drawing adds next to no ink, misses none by
// more than a pixel, and misses few pixels at all: with a one-pixel pen next to
// none; with a wider pen corner pixels, where Qt's stroker caps and joins the
// pieces of the full polyline.
void compareLooks(const QImage &actual, const QImage &expected, int penWidth)
{
    const double tolerance = penWidth == 1 ? 0.005 : 0.15;
    int ink = 0;
    int differ = 0;
    int far = 0;
    int extra = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const bool a = inked(actual, x, y);
            const bool e = inked(expected, x, y);
            ink += e;
            if (a == e)
                continue;
            ++differ;
            extra += a;
            if (!inkNear(a ? expected : actual, x, y))
                ++far;
        }
    }
    QVERIFY(ink > 0);
    const QString counts = QString("%1 of %2 pixels differ, %3 extra").arg(differ).arg(ink).arg(extra);
    QVERIFY2(differ <= tolerance * ink, qPrintable(counts));
    QVERIFY2(extra <= 0.005 * ink, qPrintable(counts));
    QCOMPARE(far, 0);
}

void setMaps(QwtScaleMap &xMap, QwtScaleMap &yMap, double x0, double x1, double y0, double y1)
{
    xMap.setPaintInterval(0, canvasWidth);
    xMap.setScaleInterval(x0, x1);
    yMap.setPaintInterval(canvasHeight, 0);
    yMap.setScaleInterval(y0, y1);
}

} // namespace

void test_zorPlotCurve::minMaxIndexMatchesScan_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("shorter than a block") << 11;
    QTest::newRow("exactly two levels") << 256;
    QTest::newRow("ragged") << 70001;
}

void test_zorPlotCurve::minMaxIndexMatchesScan()
{
    QFETCH(int, count);
    QRandomGenerator random(count);
    QVector<double> values;
    zorMinMaxIndex index;
    for (int i = 0; i < count; ++i) {
        values.append(random.bounded(1000.0) - 500.0);
        if (i % 7 == 0)
            index.sync(values);
    }
    for (int q = 0; q < 300; ++q) {
        const int a = random.bounded(count + 1);
        const int b = random.bounded(count + 1);
        double lo;
        double hi;
        // Also the points appended since the last sync are counted.
        index.range(values, std::min(a, b), std::max(a, b), lo, hi);
        if (a == b) {
            QVERIFY(lo > hi);
            continue;
        }
        const auto first = values.cbegin() + std::min(a, b);
        const auto last = values.cbegin() + std::max(a, b);
        QCOMPARE(lo, *std::min_element(first, last));
        QCOMPARE(hi, *std::max_element(first, last));
    }
}

void test_zorPlotCurve::runsAndTails_data()
{
    QTest::addColumn<QVector<double>>("times");
    QTest::addColumn<int>("runs");
    QTest::newRow("ordered") << QVector<double>{0, 1, 1, 2, 3, 5} << 1;
    QTest::newRow("clock set back once") << QVector<double>{0, 1, 2, 3, 1.5, 2.5, 4} << 2;
    QTest::newRow("three runs") << QVector<double>{5, 6, 1, 2, 7, 0, 9} << 3;
}

void test_zorPlotCurve::runsAndTails()
{
    QFETCH(QVector<double>, times);
    QFETCH(int, runs);
    const QVector<double> values(times.size(), 1.0);
    zorSeriesData data;
    data.setSource(&times, &values);
    QCOMPARE(data.runCount(), runs);
    QCOMPARE(data.runStart(runs), times.size());
    // The newest stretch of points at or after x, as a walk back from the newest point finds it.
    for (double x = -1.0; x <= 10.0; x += 0.5) {
        int walk = times.size();
        while (walk > 0 && times.at(walk - 1) >= x)
            --walk;
        QCOMPARE(data.tailFrom(x), walk);
    }
    const QRectF bounds = data.boundingRect();
    QCOMPARE(bounds.left(), *std::min_element(times.cbegin(), times.cend()));
    QCOMPARE(bounds.right(), *std::max_element(times.cbegin(), times.cend()));
}

void test_zorPlotCurve::drawsLikeEveryPoint_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("scalable");
    QTest::addColumn<QRectF>("window"); // x from, y from, width, height
    const QRectF whole(-100, -2, 10200, 4);
    QTest::newRow("noise, 1 px") << "noise" << 1 << false << whole;
    QTest::newRow("noise, 2 px") << "noise" << 2 << false << whole;
    QTest::newRow("random walk, 1 px") << "walk" << 1 << false << QRectF(-100, -150, 10200, 300);
    QTest::newRow("random walk, 2 px") << "walk" << 2 << false << QRectF(-100, -150, 10200, 300);
    QTest::newRow("steep sine leaving the canvas") << "steep sine" << 1 << false << QRectF(-100, -30, 10200, 60);
    QTest::newRow("middle part only, 2 px") << "walk" << 2 << false << QRectF(2000, -150, 5000, 300);
    QTest::newRow("clock set back") << "clock set back" << 1 << false << QRectF(-100, -12, 10200, 24);
    QTest::newRow("gaps and flat stretches") << "gaps and flats" << 1 << false << QRectF(0, -1, 15000, 8);
    QTest::newRow("scalable device") << "walk" << 1 << true << QRectF(-100, -150, 10200, 300);
}

void test_zorPlotCurve::drawsLikeEveryPoint()
{
    QFETCH(QString, shape);
    QFETCH(int, width);
    QFETCH(bool, scalable);
    QFETCH(QRectF, window);
    const Series s = makeSeries(shape, 10000);
    QwtScaleMap xMap;
    QwtScaleMap yMap;
    setMaps(xMap, yMap, window.left(), window.right(), window.top(), window.bottom());

    QwtPlotCurve reference;
    reference.setSamples(s.x, s.y);
    reference.setPen(Qt::black, width, Qt::SolidLine);
    zorPlotCurve curve;
    curve.series()->setSource(&s.x, &s.y);
    curve.setPen(Qt::black, width, Qt::SolidLine);
    compareLooks(render(curve, xMap, yMap, scalable), render(reference, xMap, yMap, scalable), width);
}

void test_zorPlotCurve::growingSeriesDrawsLikeFresh()
{
    const Series all = makeSeries("walk", 20000);
    Series s;
    zorPlotCurve curve;
    curve.series()->setSource(&s.x, &s.y);
    curve.setPen(Qt::black, 1, Qt::SolidLine);
    QwtScaleMap xMap;
    QwtScaleMap yMap;
    setMaps(xMap, yMap, -100, 20100, -200, 200);
    // Frames in between, as readings arrive; the last frame reuses what it can.
    for (int i = 0; i < all.x.size(); ++i) {
        s.x.append(all.x.at(i));
        s.y.append(all.y.at(i));
        if (i % 997 == 0)
            render(curve, xMap, yMap, false);
    }
    QwtPlotCurve reference;
    reference.setSamples(all.x, all.y);
    reference.setPen(Qt::black, 1, Qt::SolidLine);
    compareLooks(render(curve, xMap, yMap, false), render(reference, xMap, yMap, false), 1);
}

void test_zorPlotCurve::burstOfReadingsIsOneRedraw()
{
    QwtZOR plot;
    plot.resize(800, 500);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    const int dev = plot.addDev();
    for (int i = 0; i < 1000; ++i)
        QVERIFY(plot.addPoint(std::sin(i / 100.0), i * 0.1, "°C", dev, 0));
    QTest::qWait(100);

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    plot.canvas()->installEventFilter(&counter);
    for (int i = 1000; i < 6000; ++i)
        QVERIFY(plot.addPoint(std::sin(i / 100.0), i * 0.1, "°C", dev, 0));
    // The axes follow at once; the drawing waits for the event loop.
    QVERIFY(plot.axisInterval(QwtPlot::xBottom).maxValue() >= 599.9);
    QCOMPARE(counter.paints, 0);
    QTRY_VERIFY(counter.paints >= 1);
    QTest::qWait(150);
    // One redraw, and at most one more if the new axis labels changed the layout.
    QVERIFY2(counter.paints <= 2, qPrintable(QString::number(counter.paints)));
}

QTEST_MAIN(test_zorPlotCurve)
#include "test_zorPlotCurve.moc"
