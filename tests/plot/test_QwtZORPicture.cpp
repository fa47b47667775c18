#include "plot/QwtZOR.h"

#include <QDir>
#include <QImage>
#include <QtTest>
#include <qwt_plot_renderer.h>

#include <cmath>

namespace {

// A bath stepping through set points every six hours, each channel a thermometer
// in it with its own offset and lag.
double bath(double t, int ch)
{
    const double setPoints[] = {25.0, 25.0, 50.0, 75.0, 40.0};
    const int step = int(t / 21600.0);
    const double since = t - step * 21600.0;
    const double lag = 600.0 + 40.0 * ch;
    const double to = setPoints[step + 1];
    return to + (setPoints[step] - to) * std::exp(-since / lag) * std::cos(since / (lag * 0.7)) + 0.01 * ch;
}

int pixelsOf(const QImage &image, QColor color)
{
    const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
    return int(std::count(pixels, pixels + image.width() * image.height(), color.rgba()));
}

} // namespace

// Renders a simulated day of a 16-channel instrument, read in sweeps every 2 s, the
// way the main window saves the plot as a picture: qwtzor-day.png in the build tree,
// for a look.
class test_QwtZORPicture : public QObject
{
    Q_OBJECT

private slots:
    void dayOfSixteenChannels()
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
        QImage image(1400, 800, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QwtPlotRenderer().renderTo(&plot, image);
        QVERIFY(image.save(QDir::current().filePath("qwtzor-day.png")));
        // Channel 0's raw and averaged curves are drawn in its colour, and no other channel is.
        QVERIFY(pixelsOf(image, Qt::red) > 2000);
        QCOMPARE(pixelsOf(image, Qt::blue), 0);
    }
};

QTEST_MAIN(test_QwtZORPicture)
#include "test_QwtZORPicture.moc"
