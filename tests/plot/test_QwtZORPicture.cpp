#include "plot/QwtZOR.h"

#include <QDir>
#include <QImage>
#include <QtTest>
#include <qwt_plot_renderer.h>

#include <cmath>

// Renders a simulated day of a 16-channel instrument the way the main window saves
// the plot as a picture, into the build tree for a look: qwtzor-day.png (automatic
// scales, elapsed time), qwtzor-day-diff.png (a difference channel, wall-clock time).
class test_QwtZORPicture : public QObject
{
    Q_OBJECT

private slots:
    void dayOfSixteenChannels();
};

namespace {

// A bath stepping through set points every six hours, each channel a thermometer
// in it with its own offset, lag and noise, read in sweeps every 2 s.
double bath(double t, int ch)
{
    const double setPoints[] = {25.0, 50.0, 75.0, 40.0, 25.0};
    const int step = std::min(int(t / 21600.0), 4);
    const double since = t - step * 21600.0;
    const double from = step == 0 ? 25.0 : setPoints[step - 1];
    const double to = setPoints[step];
    const double lag = 600.0 + 40.0 * ch;
    const double approach = to + (from - to) * std::exp(-since / lag) * std::cos(since / (lag * 0.7));
    const double noise = std::sin(t * 12.9898 + ch * 78.233) * 43758.5453;
    return approach + 0.01 * ch + 0.004 * (noise - std::floor(noise) - 0.5);
}

QImage renderPlot(QwtZOR &plot)
{
    QImage image(1400, 800, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QwtPlotRenderer renderer;
    renderer.renderTo(&plot, image);
    return image;
}

int pixelsOf(const QImage &image, QColor color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == color;
    return count;
}

} // namespace

void test_QwtZORPicture::dayOfSixteenChannels()
{
    QwtZOR plot;
    plot.resize(1400, 800);
    const int dev = plot.addDev();
    plot.prepareMeas(dev, QDateTime(QDate(2024, 3, 5), QTime(8, 0)));
    plot.setChCount(16, dev);
    plot.setChMain(0, dev);
    for (double t = 0.0; t < 86400.0; t += 2.0) {
        for (int ch = 0; ch < 16; ++ch)
            QVERIFY(plot.addPoint(bath(t + ch * 0.1, ch), t + ch * 0.1, "°C", dev, uchar(ch)));
    }
    QCOMPARE(plot.getChMeasCount(dev, 15), 43200);
    plot.setChModeX(QwtZOR::mcxRel, dev, 0);
    plot.replot();
    QImage day = renderPlot(plot);
    QVERIFY(day.save(QDir::current().filePath("qwtzor-day.png")));
    // Channel 0's raw and averaged curves are drawn in its colour, and nothing else is.
    QVERIFY(pixelsOf(day, Qt::red) > 2000);
    QCOMPARE(pixelsOf(day, Qt::blue), 0);

    // Channel 1 minus channel 0, the way a metrologist compares two thermometers.
    plot.setChMain(1, dev);
    plot.setChDiff(0, dev, dev, 1);
    plot.setChModeX(QwtZOR::mcxAbs, dev, 1);
    plot.setChScaleX(15, dev, 1); // "5 ч."
    plot.replot();
    QCOMPARE(plot.getChMeasCount(dev, 1, true), 43200);
    QImage diff = renderPlot(plot);
    QVERIFY(diff.save(QDir::current().filePath("qwtzor-day-diff.png")));
    QVERIFY(pixelsOf(diff, Qt::blue) > 2000);
    QCOMPARE(pixelsOf(diff, Qt::red), 0);
}

QTEST_MAIN(test_QwtZORPicture)
#include "test_QwtZORPicture.moc"
