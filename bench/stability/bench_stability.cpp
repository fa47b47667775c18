// Figures of the stability upkeep: the cost of one reading, and the GUI thread's
// added load at the link's highest reading rate (16 instruments of 16 channels,
// 18,800 readings/s), the channel table's stability column refreshed 10 times a second;
// and the time to make the PDF report of 20 points of 32 channels. Offscreen.
// `bench_stability DIR` leaves the report as DIR/report-20x32.pdf.
#include "bench/common/benchFigures.h"
#include "points/zorPointsReport.h"
#include "stability/zorStabilityBoard.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cmath>

namespace {

constexpr int devices = 16;
constexpr int channels = 16;
constexpr int rate = 18800;

// A bath settled at 50 °С, with a little noise.
double reading(qint64 i)
{
    return 50.0 + 0.001 * (double((i * 2654435761u) % 1000) / 1000.0 - 0.5);
}

// Feeds seconds of readings at rate, channel after channel; returns the thread's CPU
// seconds spent on them.
double run(zorStabilityBoard &board, qint64 &i, int seconds, bool refresh)
{
    const QString unit = QStringLiteral("°С");
    const double start = benchFigures::threadCpuSeconds();
    double sink = 0.0;
    for (int s = 0; s < seconds; ++s) {
        for (int r = 0; r < rate; ++r, ++i) {
            const int slot = int(i % (devices * channels));
            board.take(slot / channels, slot % channels, double(i) / rate, reading(i), unit);
            if (refresh && r % (rate / 10) == 0) {
                for (int ch = 0; ch < channels; ++ch)
                    sink += board.channel(0, ch).fit.sigma;
                sink += board.isDevStable(0);
            }
        }
    }
    const double spent = benchFigures::threadCpuSeconds() - start;
    return sink < 0.0 ? 0.0 : spent;
}

// 20 points of two 16-channel instruments, from the text to the PDF file.
double reportMs(const QString &keepIn)
{
    QVector<zorCalPoint> points;
    QVector<zorPointsReport::instrument> instruments;
    for (int d = 1; d <= 2; ++d) {
        zorPointsReport::instrument in{d, QString("Стенд %1").arg(d), QString("900%1").arg(d), {}, {}};
        in.criteria << QStringLiteral("°С: σ ≤ 0.002 °С, |дрейф| ≤ 0.005 °С за 10 мин");
        for (int ch = 0; ch < 16; ++ch)
            in.channels.append({ch, QStringLiteral("НСХ ТС"), QStringLiteral("Pt100"), QStringLiteral("°С")});
        instruments << in;
    }
    for (int k = 0; k < 20; ++k) {
        zorCalPoint p;
        p.id = k + 1;
        p.fixedAt = QDateTime::currentDateTime().addSecs(k * 1800);
        p.setPoint = QString::number(k * 10);
        for (int c = 0; c < 32; ++c) {
            zorCalPoint::channel ch;
            ch.deviceId = c / 16 + 1;
            ch.devName = instruments.at(c / 16).name;
            ch.devNumber = instruments.at(c / 16).number;
            ch.ch = c % 16;
            ch.unit = QStringLiteral("°С");
            ch.mean = k * 10 + reading(c);
            ch.sigma = 0.0004;
            ch.n = 375;
            p.channels << ch;
        }
        points << p;
    }
    QTemporaryDir dir;
    // The report is made on the GUI thread alone: its CPU time, which the other
    // processes of a shared machine do not inflate.
    const double start = benchFigures::threadCpuSeconds();
    const QString html = zorPointsReport::html(points, {1, 0}, instruments, QDateTime::currentDateTime());
    zorPointsReport::printPdf(html, (keepIn.isEmpty() ? dir.path() : keepIn) + "/report-20x32.pdf");
    return (benchFigures::threadCpuSeconds() - start) * 1e3;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("zor.*.debug=false"));
    zorStabilityBoard board;
    qint64 i = 0;
    // Fill every window first: 10 minutes of readings at 73 readings/s per channel.
    run(board, i, 600, false);
    const int seconds = 20;
    const double perReading = run(board, i, seconds, false) / (double(seconds) * rate);
    benchFigures::print("stability upkeep per reading", perReading * 1e9, "ns", "%.1f");
    const double load = run(board, i, seconds, true) / seconds;
    benchFigures::print("stability at 18800 readings/s, GUI-thread CPU added", load * 100.0, "% of one core", "%.2f");
    benchFigures::print("report of 20 points x 32 channels", reportMs(app.arguments().value(1)), "ms", "%.1f");
    return 0;
}
