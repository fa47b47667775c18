// Figures of the result files under the load of long runs: the export and the read-back
// of a week of readings (1,000,000 rows of 16 channels), and recording at the link's
// ceiling of 255 instruments. Offscreen. With a directory as argument, the exported
// file is left there as export-1M.csv.
#include "bench/common/benchFigures.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "link/ZORSerialPort.h"
#include "plot/QwtZOR.h"
#include "plot/zorPointStore.h"
#include "registry/zorList.h"
#include "results/zorRecorder.h"
#include "results/zorResultExport.h"
#include "results/zorResultImport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int rows = 1000000;
constexpr int channels = 16;

void figure(const char *name, double value, const char *unit)
{
    benchFigures::print(name, value, unit, "%.3f");
}

// A week of sweeps every 1.6 s in the plot's store: thermometers drifting around
// 20 °C, the first channel a resistance.
void fillWeek(zorPointStore &store, int dev)
{
    for (int i = 0; i < rows; ++i)
        for (int c = 0; c < channels; ++c)
            store.addPoint(20.0 + c + 5.0 * std::sin(i / 3600.0) + double((i * 2654435761u + c) % 1000) / 1e5,
                           i * 1.6 + c * 0.1, c == 0 ? "Ω" : "°С", dev, uchar(c));
}

// From the store's series to the file's new name, as the export dialog does it.
double exportSeconds(const QString &path, double &cpuSeconds)
{
    zorPointStore store;
    const int dev = store.addDev();
    fillWeek(store, dev);
    QElapsedTimer timer;
    timer.start();
    const double cpu = benchFigures::threadCpuSeconds();
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    zorResultExport job(store.getStartDateTime(dev), zorResultExport::channelsOf(store, dev),
                        zorResultLayout(";", ",", 4), 0);
    const bool ok = job.begin(&file) && job.run() && file.commit();
    if (!ok || job.rowsWritten() != rows)
        qFatal("export failed");
    cpuSeconds = benchFigures::threadCpuSeconds() - cpu;
    return timer.nsecsElapsed() / 1e9;
}

// A registry and a plot as the main window wires them: a device the registry adds gets
// its plot record.
struct registryAndPlot
{
    registryAndPlot(ZORSerialPort *port, zorSql *sql) : list(port, sql, true)
    {
        QObject::connect(&list, &zorList::onAddZor, &plot,
                         [this](int index, bool) { list.getZorByIndex(index)->qwtIndex = plot.addDev(); });
    }
    zorList list;
    QwtZOR plot;
};

// Reads the file back through the event loop as the main window does; the longest
// stretch the loop was held up comes out in stallMs.
double readBackSeconds(const QString &path, ZORSerialPort *port, zorSql *sql, double &stallMs, double &cpuSeconds)
{
    registryAndPlot rig(port, sql);
    rig.plot.resize(1000, 600);
    rig.plot.show();
    QElapsedTimer timer;
    timer.start();
    const double cpu = benchFigures::threadCpuSeconds();
    auto *import = new zorResultImport(&rig.plot, &rig.list, &rig.plot.editStore());
    QObject::connect(import, &zorResultImport::storeChanged, &rig.plot, &QwtZOR::storeChanged);
    QEventLoop loop;
    QObject::connect(import, &zorResultImport::finished, &loop, &QEventLoop::quit);
    if (import->start(path) != zorResultImport::importOk)
        qFatal("read-back failed");
    QTimer tick;
    qint64 last = timer.nsecsElapsed();
    qint64 longest = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = timer.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start(0);
    loop.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    cpuSeconds = benchFigures::threadCpuSeconds() - cpu;
    stallMs = longest / 1e6;
    const int q = rig.list.getZorByIndex(rig.list.getIndexList().first())->qwtIndex;
    if (rig.plot.getChCount(q) != channels || rig.plot.getChMeasCount(q, 0) != rows)
        qFatal("read-back incomplete");
    return seconds;
}

// 255 instruments of 8 channels, each sending 73.8 readings a second (a 9600-baud line),
// recording every sweep into its own file; 20 seconds of readings. The registry holds at
// most 254 records, so the 255th instrument is in a second registry with its recorder.
double recordingMsPerSecond(const QString &dir, ZORSerialPort *port, zorSql *sql)
{
    constexpr int devices = 255;
    constexpr double rate = 73.8;
    constexpr int seconds = 20;
    std::vector<std::unique_ptr<registryAndPlot>> rigs;
    rigs.emplace_back(new registryAndPlot(port, sql));
    rigs.emplace_back(new registryAndPlot(port, sql));
    std::vector<std::unique_ptr<zorRecorder>> recorders;
    for (auto &rig : rigs)
        recorders.emplace_back(new zorRecorder(&rig->list, &rig->plot.store()));
    struct device
    {
        registryAndPlot *rig;
        zorRecorder *recorder;
        int index;
        int qwt;
    };
    std::vector<device> all;
    for (int n = 0; n < devices; ++n) {
        const int r = n < zorList::maxZor ? 0 : 1;
        registryAndPlot *rig = rigs[r].get();
        const int index = rig->list.newZor(-1, false);
        zorList::_zor *z = rig->list.getZorByIndex(index);
        for (int ch = 0; ch < 8; ++ch)
            z->options->ch[ch].mode = optionsZOR70::chNSHTS;
        z->recFile = QString("%1/rec%2.csv").arg(dir).arg(n);
        z->recEnabled = true;
        recorders[r]->started(index);
        all.push_back({rig, recorders[r].get(), index, z->qwtIndex});
    }
    double inRecording = 0.0;
    const int readings = int(rate * seconds);
    for (int i = 0; i < readings; ++i) {
        const double t = i / rate;
        const quint8 ch = quint8(i % 8);
        for (const device &d : all) {
            d.rig->plot.addPoint(20.0 + 0.001 * i, t, "°С", d.qwt, ch);
            const double before = benchFigures::threadCpuSeconds();
            if (d.recorder->sweepDone(d.index, ch))
                d.recorder->record(d.index);
            inRecording += benchFigures::threadCpuSeconds() - before;
        }
    }
    for (const device &d : all)
        if (d.recorder->isFailing(d.index))
            qFatal("recording failed");
    return inRecording * 1000.0 / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const QString path = dir + "/export-1M.csv";

    ZORSerialPort port;
    zorSql sql(zorSqlFile::prepare(temp.path()).path());

    // Wall time, and the GUI thread's own CPU time, which other processes on a shared
    // machine do not inflate.
    double cpu = 0.0;
    figure("export 1M rows x 16 channels", exportSeconds(path, cpu), "s");
    figure("export 1M rows x 16 channels, GUI-thread CPU", cpu, "s");
    double stallMs = 0.0;
    figure("read-back 1M rows x 16 channels", readBackSeconds(path, &port, &sql, stallMs, cpu), "s");
    figure("read-back 1M rows x 16 channels, GUI-thread CPU", cpu, "s");
    figure("read-back longest hold-up of the event loop", stallMs, "ms");
    if (argc <= 1)
        QFile::remove(path);
    QTemporaryDir records;
    figure("recording at 255 devices x 8 channels x 73.8 readings/s, GUI-thread time", recordingMsPerSecond(records.path(), &port, &sql),
           "ms per s");
    return 0;
}
