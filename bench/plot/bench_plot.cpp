// Figures of the plot under the load of long, fast runs: the cost of adding a point,
// of a redraw (also the first after the series grew or the device changed), the GUI
// thread's share of a core at the link's highest reading rate, and the memory a
// stored point takes. Offscreen, canvas 1000 x 600.
#include "bench/common/benchFigures.h"
#include "plot/QwtZOR.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <unistd.h>
#include <vector>

namespace {

constexpr int canvasWidth = 1000;
constexpr int canvasHeight = 600;

double residentBytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE));
}

// A thermometer in a slowly swinging bath, read once a second, with a little noise.
double reading(qint64 i)
{
    const double noise = double((i * 2654435761u) % 1000) / 1000.0 - 0.5;
    return 20.0 + 5.0 * std::sin(double(i) / 3600.0) + 0.05 * noise;
}

void figure(const char *name, double value, const char *unit)
{
    benchFigures::print(name, value, unit, "%.3f");
}

void fillChannel(QwtZOR &plot, int dev, uchar ch, qint64 count)
{
    for (qint64 i = 0; i < count; ++i)
        plot.addPoint(reading(i + ch * 7919), double(i), QStringLiteral("°C"), dev, ch);
}

// A device whose main channel holds count points, one per second, the last an hour ago.
int fillDevice(QwtZOR &plot, qint64 count)
{
    const int dev = plot.addDev();
    plot.prepareMeas(dev, QDateTime::currentDateTime().addSecs(-count - 3600));
    fillChannel(plot, dev, 0, count);
    return dev;
}

// Milliseconds of a replot with the canvas painted.
double frameMs(QwtZOR &plot)
{
    QElapsedTimer timer;
    timer.start();
    plot.replot();
    plot.canvas()->repaint();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Median of a few dozen redraws: the machine is shared, the median shrugs off the
// odd preempted run. With fresh, the Y axis moves by a hair before each redraw, so
// that nothing of the previous frame can be reused.
double redrawMs(QwtZOR &plot, bool fresh)
{
    const QwtInterval y = plot.axisInterval(QwtPlot::yLeft);
    const double step = plot.axisStepSize(QwtPlot::yLeft);
    std::vector<double> runs;
    for (int i = 0; i < 41; ++i) {
        if (fresh) {
            const double shift = (i % 2) * step * 1e-3;
            plot.setAxisScale(QwtPlot::yLeft, y.minValue() + shift, y.maxValue() + shift, step);
        }
        runs.push_back(frameMs(plot));
    }
    std::nth_element(runs.begin(), runs.begin() + runs.size() / 2, runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QwtZOR plot;
    plot.resize(canvasWidth + 100, canvasHeight + 60);
    plot.show();
    QApplication::processEvents();
    const QSize canvas = plot.canvas()->size();
    plot.resize(plot.size() + QSize(canvasWidth, canvasHeight) - canvas);
    QApplication::processEvents();

    // Memory: growth of the process over the first million points of a channel.
    const qint64 million = 1000000;
    const double before = residentBytes();
    const int dev = fillDevice(plot, million);
    plot.setDevMain(dev);
    plot.replot();
    plot.canvas()->repaint();
    const double after = residentBytes();
    figure("memory per stored point", (after - before) / double(million), "bytes");

    // addPoint on the shown channel with 1M points stored; redraws are left to the event loop.
    {
        const int extra = 200000;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < extra; ++i)
            plot.addPoint(reading(million + i), double(million) + i * 0.001, QStringLiteral("°C"), dev, 0);
        figure("addPoint amortised cost, 1M stored, shown channel", double(timer.nsecsElapsed()) / extra / 1e3, "us");
        const int hidden = plot.addDev();
        timer.restart();
        for (int i = 0; i < extra; ++i)
            plot.addPoint(reading(million + i), QStringLiteral("°C"), hidden, 0);
        figure("addPoint amortised cost, live time stamp, hidden channel", double(timer.nsecsElapsed()) / extra / 1e3,
               "us");
    }

    figure("redraw 1M-point main channel, both curves, after a scale change", redrawMs(plot, true), "ms");
    figure("redraw 1M-point main channel, both curves, scales unchanged", redrawMs(plot, false), "ms");

    // The link's ceiling: 255 ports at 9600 baud, all readings for the shown channel.
    {
        const double rate = 18800.0;
        const int seconds = 5;
        qint64 sent = 0;
        QElapsedTimer wall;
        QTimer feed;
        feed.setTimerType(Qt::PreciseTimer);
        QObject::connect(&feed, &QTimer::timeout, [&] {
            const qint64 due = qint64(double(wall.nsecsElapsed()) * 1e-9 * rate);
            for (; sent < due; ++sent)
                plot.addPoint(reading(million + sent), QStringLiteral("°C"), dev, 0);
        });
        int paints = 0;
        struct PaintCounter : QObject {
            int *count;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    ++*count;
                return false;
            }
        } counter;
        counter.count = &paints;
        plot.canvas()->installEventFilter(&counter);
        const double cpu0 = benchFigures::threadCpuSeconds();
        wall.start();
        feed.start(5);
        QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
        app.exec();
        const double cpu = benchFigures::threadCpuSeconds() - cpu0;
        const double elapsed = double(wall.nsecsElapsed()) * 1e-9;
        plot.canvas()->removeEventFilter(&counter);
        figure("GUI thread CPU at 18800 readings/s, 1M stored", 100.0 * cpu / elapsed, "% of one core");
        figure("readings added during that run", double(sent), "points");
        figure("redraws per second during that run", paints / elapsed, "1/s");
    }

    // A five-million-point channel on another device.
    const int big = fillDevice(plot, 5 * million);
    plot.setDevMain(big);
    figure("redraw 5M-point main channel, both curves, after a scale change", redrawMs(plot, true), "ms");
    figure("redraw 5M-point main channel, both curves, scales unchanged", redrawMs(plot, false), "ms");

    // Two channels of 5M points each shown together, every point in view.
    fillChannel(plot, big, 1, 5 * million);
    plot.setChShow(true, big, 1);
    figure("redraw two 5M-point channels, all in view, after a scale change", redrawMs(plot, true), "ms");
    figure("redraw two 5M-point channels, all in view, scales unchanged", redrawMs(plot, false), "ms");

    // The first frame once the shown series have grown: the summaries of the new points
    // were built as they arrived.
    for (qint64 i = 0; i < 100000; ++i) {
        for (uchar ch : {0, 1})
            plot.addPoint(reading(i), double(5 * million + i), QStringLiteral("°C"), big, ch);
    }
    figure("first frame after 2 x 100,000 new points, two 5M-point channels", frameMs(plot), "ms");

    // Switching between two such devices: the switch and its first frame, every time.
    // The first switch finds the new device's points in no cache; later ones mostly find
    // another Y window in force, so the columns are worked out anew.
    {
        const int other = fillDevice(plot, 5 * million);
        fillChannel(plot, other, 1, 5 * million);
        plot.setChShow(true, other, 1);
        std::vector<double> runs;
        double firstCpu = 0.0;
        for (int i = 0; i < 21; ++i) {
            QElapsedTimer timer;
            timer.start();
            const double cpu0 = benchFigures::threadCpuSeconds();
            plot.setDevMain(i % 2 ? big : other);
            plot.replot();
            plot.canvas()->repaint();
            runs.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (i == 0)
                firstCpu = (benchFigures::threadCpuSeconds() - cpu0) * 1e3;
        }
        figure("device switch and its first frame, 2 x 5M points shown, the very first", runs.front(), "ms");
        figure("the same, GUI thread CPU time (not counting other processes)", firstCpu, "ms");
        std::sort(runs.begin(), runs.end());
        figure("device switch and its first frame, 2 x 5M points shown, median of 21", runs[runs.size() / 2], "ms");
        figure("device switch and its first frame, 2 x 5M points shown, slowest of 21", runs.back(), "ms");
    }
    return 0;
}
