#include "plot/zorPlotCurve.h"
#include "plot/zorPointStore.h"

#include <QPainter>
#include <QPicture>
#include <QRandomGenerator>
#include <QtTest>
#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>

#include <cmath>

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

// The fast curve must draw what a plain Qwt curve draws from every point. Its columns
// are summarised by the store's min/max indexes, so a wrong bound shows here too.
class test_QwtZORDrawing : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_MAIN(test_QwtZORDrawing)
#include "test_QwtZORDrawing.moc"
