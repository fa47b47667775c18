#include "bench/soak/zorSoak.h"

#include "bench/common/benchFigures.h"
#include "app/MainWindow.h"
#include "app/zorStabilityFeed.h"
#include "link/ZORSerialPort.h"
#include "link/zorPortCatalog.h"
#include "plot/QwtZOR.h"
#include "plot/zorPointStore.h"
#include "registry/zorAutoConnect.h"
#include "registry/zorList.h"
#include "results/zorRecorder.h"
#include "results/zorResultLayout.h"
#include "sim/zorSimLine.h"
#include "sim/zorSimulator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTextCodec>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <csignal>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const quint32 firstSerial = 100;
const int maxChannels = 32;
const int postValuesKept = 4000;     // readings after a return kept to tell fresh values from stale ones
const int rowsCheckedAfterGap = 3;
const qint64 probeQuietUs = 3000000; // bytes to the foreign device further apart start another probe

// A simulator's period: a whole sweep (its readings and the status line) at once comes
// as often as its tokens one by one would.
int periodMs(const zorSoak::_options &o)
{
    return o.sweepPerWrite ? o.tokenMs * (o.channels + 1) : o.tokenMs;
}

qint64 nowUs()
{
    return zorSimLine::nowNs() / 1000;
}

qint64 residentBytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// One cable pull: what the program held when the link broke, and what the
// instrument sent after it came back.
struct _gap
{
    qint64 returnUs = 0;
    int breakRow = -1;              // the recording's last row when the break was handled
    double stale[maxChannels];      // the newest value of each channel then
    bool hasStale[maxChannels] = {};
    QVector<double> fresh[maxChannels];   // sent while the program had the port open again
    int freshCount = 0;
    double firstFreshT = -1;        // plot time of the first reading after the return
};

struct _instrument
{
    std::unique_ptr<zorSimulator> sim;
    QString path;
    QString file;
    QVector<QPair<qint64, int>> opens;   // (time, the program's open descriptors) from then on
    qint64 sent = 0;
    std::atomic<bool> down{false};
    bool otherPath = false;
    qint64 returnAtUs = 0;
    std::atomic<bool> awaiting{false};
    std::atomic<qint64> returnedUs{0};
    std::vector<_gap> gaps;
    QVector<zorSimulator::_event> pending;   // logged, not yet judged
};

} // namespace

struct zorSoakRun
{
    const zorSoak::_options &o;
    zorSoak::_figures f;
    std::vector<std::unique_ptr<_instrument>> inst;
    QMutex lock;   // guards the open timelines, the gaps and the figures set by the GUI thread
    QHash<QString, int> held;      // device location → the program's open descriptors
    QHash<QString, int> watched;   // device location → the instrument on it now
    std::atomic<bool> stopping{false};
    std::atomic<bool> finished{false};
    std::atomic<int> awaiting{0};
    QString recDir;
    zorSimLine foreign;
    QString foreignPath;
    QVector<qint64> foreignBytes;

    explicit zorSoakRun(const zorSoak::_options &o) : o(o) {}

    void watch(int i)
    {
        QMutexLocker locker(&lock);
        _instrument &in = *inst[size_t(i)];
        const QString location = zorPortCatalog::systemLocation(in.path);
        watched.insert(location, i);
        in.opens.append({nowUs(), held.value(location)});
    }

    void unwatch(int i)
    {
        QMutexLocker locker(&lock);
        watched.remove(zorPortCatalog::systemLocation(inst[size_t(i)]->path));
    }

    void closedNow(int i)
    {
        QMutexLocker locker(&lock);
        inst[size_t(i)]->opens.append({nowUs(), 0});
    }

    // The program's own word that a port is open (its input cleared: what comes next
    // is read) or about to close, timed in the thread that does it before anything can
    // hold it up: a harvest holding the lock would make the open late, and the sweeps
    // read meanwhile would seem sent to a closed port.
    void portEvent(const QString &portName, bool opened)
    {
        const qint64 us = nowUs();
        const QString location = zorPortCatalog::systemLocation(portName);
        QMutexLocker locker(&lock);
        int &n = held[location];
        n = opened ? n + 1 : qMax(0, n - 1);
        const auto it = watched.constFind(location);
        if (it != watched.constEnd())
            inst[size_t(*it)]->opens.append({us, n});
    }

    static zorSoakRun *current;
    static QtMessageHandler previous;
    static QLoggingCategory::CategoryFilter previousFilter;

    // The link's debug lines "<port> opened" and "<port> closes" feed the timelines;
    // every other message goes on as before.
    static void onMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtDebugMsg && qstrcmp(context.category, "zor.link") == 0) {
            const int space = message.lastIndexOf(' ');
            const QStringRef word = message.midRef(space + 1);
            if (space > 0 && (word == QLatin1String("opened") || word == QLatin1String("closes"))) {
                current->portEvent(message.left(space), word == QLatin1String("opened"));
                return;
            }
        }
        if (previous)
            previous(type, context, message);
    }

    static void linkDebugOn(QLoggingCategory *category)
    {
        if (previousFilter)
            previousFilter(category);
        if (qstrcmp(category->categoryName(), "zor.link") == 0)
            category->setEnabled(QtDebugMsg, true);
    }

    // What the unrelated device receives, with its time.
    void listenForeign()
    {
        const auto stop = [this] { return stopping.load(); };
        char byte;
        while (!stopping.load())
            if (foreign.receive(&byte, 100, stop))
                foreignBytes.append(nowUs());
    }

    bool openAt(const _instrument &in, qint64 us) const
    {
        auto it = std::upper_bound(in.opens.cbegin(), in.opens.cend(), us,
                                   [](qint64 t, const QPair<qint64, int> &e) { return t < e.first; });
        return it != in.opens.cbegin() && (it - 1)->second > 0;
    }

    // A cable pulled between two tokens: what is on the line still reaches the program
    // first, as from a real serial line (closing a pseudo-terminal would discard the
    // bytes the program has not read yet). Then the open timeline is closed.
    void pull(int i)
    {
        _instrument &in = *inst[size_t(i)];
        in.sim->setPeriod(0);
        // A sweep already due when the period went still goes out, after the simulator's
        // wait for input (at most 50 ms): it is on the line too, so the drain waits for it.
        std::this_thread::sleep_for(std::chrono::milliseconds(periodMs(o) + 100));
        const int fd = ::open(in.path.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        // The program may hold its reading back for a while when its window is behind
        // (a loaded machine): the bytes wait on the line, as in a real one, for as
        // long as that takes.
        int unread = 1;
        for (int tries = 0; fd >= 0 && tries < 20000 && ioctl(fd, FIONREAD, &unread) == 0 && unread > 0; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (unread > 0)
            qWarning("soak: %d bytes of %s unread when its cable was pulled", unread, qPrintable(in.path));
        if (fd >= 0)
            ::close(fd);
        in.sim->stop();
        unwatch(i);
        closedNow(i);
        harvest(i, true);
    }

    // Counts the sweeps each simulator completed while the program had its port open,
    // and keeps the readings that follow a return. An open or close is timed before it
    // joins the timeline, so only the sweeps older than a second are judged, unless the
    // line is closed (all): the timeline is complete up to them.
    void harvest(int i, bool all = false)
    {
        _instrument &in = *inst[size_t(i)];
        const qint64 horizon = all ? std::numeric_limits<qint64>::max() : nowUs() - 1000000;
        QVector<zorSimulator::_event> events = std::exchange(in.pending, {}) + in.sim->takeLog();
        QMutexLocker locker(&lock);
        for (const zorSimulator::_event &e : qAsConst(events)) {
            if (e.us >= horizon) {
                in.pending.append(e);
                continue;
            }
            if (e.type != zorSimulator::tokenSent)
                continue;
            const int colon = e.data.indexOf(':');
            if (colon < 0)
                continue;
            // A sweep is complete with the reading of its last channel; the status
            // line that follows is none of its measurements.
            const int ch = e.data.left(colon).toInt() - 1;
            if (ch == o.channels - 1 && openAt(in, e.us))
                ++in.sent;
            if (in.gaps.empty())
                continue;
            _gap &g = in.gaps.back();
            if (g.returnUs == 0 || e.us < g.returnUs || g.freshCount >= postValuesKept || ch < 0 || ch >= maxChannels
                || !openAt(in, e.us))
                continue;
            g.fresh[ch].append(e.data.mid(colon + 1).trimmed().chopped(1).toDouble());
            ++g.freshCount;
        }
    }

    qint64 totalSent()
    {
        qint64 total = 0;
        for (const auto &in : inst)
            total += in->sent;
        return total;
    }

    QStringList resultFiles() const
    {
        QStringList files;
        for (const auto &in : inst)
            files << in->file;
        return files;
    }

    void schedule();
};

// The fault schedule, by the share of the sweeps done; then the last pull of every cable.
void zorSoakRun::schedule()
{
    QRandomGenerator random(4242);
    const double target = o.instruments * o.hours * 3600.0 / zorSoak::sweepSeconds;
    int pullsDone = 0, fullDone = 0, goneDone = 0, noiseDone = 0;
    qint64 episodeEndUs = 0;
    bool diskFullNow = false, folderGoneNow = false;
    bool foreignGone = false, foreignBack = false;
    qint64 foreignBackUs = 0;
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);
    qint64 lastHarvest = 0;
    qint64 allBackUs = 0;

    while (!stopping.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const qint64 now = nowUs();
        if (now - lastHarvest > 300000) {
            for (int i = 0; i < int(inst.size()); ++i)
                if (!inst[size_t(i)]->down)
                    harvest(i);
            lastHarvest = now;
        }
        const double progress = totalSent() / target;

        // Returns.
        for (int i = 0; i < int(inst.size()); ++i) {
            _instrument &in = *inst[size_t(i)];
            if (!in.down || now < in.returnAtUs)
                continue;
            const QString old = in.path;
            // Lines that take the free device numbers up to the one freed, so that the
            // instrument gets another (other programs free lower numbers too).
            std::vector<std::unique_ptr<zorSimLine>> holders;
            while (in.otherPath && holders.size() < 32) {
                holders.push_back(std::make_unique<zorSimLine>());
                if (!holders.back()->open() || holders.back()->portName() == old)
                    break;
            }
            in.sim->start();
            in.sim->setPeriod(periodMs(o));
            holders.clear();
            in.path = in.sim->portName();
            if (in.path != old)
                ++f.otherPath;
            watch(i);
            {
                QMutexLocker locker(&lock);
                in.gaps.back().returnUs = nowUs();
            }
            in.returnedUs = nowUs();
            in.awaiting = true;
            ++awaiting;
            in.down = false;
        }

        // Cable pulls.
        if (pullsDone < o.pulls && progress >= double(pullsDone + 1) / (o.pulls + 1)) {
            for (int k = 0; k < int(inst.size()); ++k) {
                const int i = (pullsDone + k) % int(inst.size());
                _instrument &in = *inst[size_t(i)];
                if (in.down || in.awaiting)
                    continue;
                {
                    QMutexLocker locker(&lock);
                    in.gaps.emplace_back();
                }
                in.down = true;
                pull(i);
                in.otherPath = o.otherPathEvery > 0 && (pullsDone + 1) % o.otherPathEvery == 0;
                const int downMs = 1000 * o.downMinS + random.bounded(qMax(1, 1000 * (o.downMaxS - o.downMinS)));
                in.returnAtUs = nowUs() + 1000LL * downMs;
                ++pullsDone;
                ++f.pulls;
                break;
            }
        }

        // Line noise now and then.
        if (progress >= (noiseDone + 1) * 0.02) {
            _instrument &in = *inst[size_t(random.bounded(int(inst.size())))];
            if (!in.down)
                in.sim->injectFault(zorSimulator::lineNoise, 5);
            ++noiseDone;
        }

        // The unrelated device's port goes away and comes back once, half way.
        if (!foreignGone && progress >= 0.5) {
            zorPortCatalog::unregisterPort(foreignPath);
            foreignGone = true;
            foreignBackUs = now + 3000000;
        }
        if (foreignGone && !foreignBack && now >= foreignBackUs) {
            zorPortCatalog::registerPort(foreignPath, QStringLiteral("Посторонний прибор"));
            foreignBack = true;
            ++f.foreignAppearances;
        }

        // A full disk, a folder gone: one episode at a time, all over before the end.
        if ((diskFullNow || folderGoneNow) && now >= episodeEndUs) {
            if (diskFullNow)
                setrlimit(RLIMIT_FSIZE, &unlimited);
            if (folderGoneNow)
                QDir().rename(recDir + ".gone", recDir);
            diskFullNow = folderGoneNow = false;
        }
        if (!diskFullNow && !folderGoneNow) {
            if (fullDone < o.diskFull && progress >= 0.9 * (fullDone + 0.5) / o.diskFull) {
                // Every results file stops at its size or below: the smallest one's.
                qint64 smallest = -1;
                for (const QString &file : resultFiles()) {
                    const qint64 size = QFileInfo(file).size();
                    if (size > 0 && (smallest < 0 || size < smallest))
                        smallest = size;
                }
                if (smallest > 0) {
                    const rlimit full{rlim_t(smallest), unlimited.rlim_max};
                    setrlimit(RLIMIT_FSIZE, &full);
                    diskFullNow = true;
                    episodeEndUs = now + 1000000LL * o.episodeS;
                    ++fullDone;
                    ++f.diskFull;
                }
            } else if (goneDone < o.folderGone && progress >= 0.9 * (goneDone + 0.7) / o.folderGone) {
                folderGoneNow = QDir().rename(recDir, recDir + ".gone");
                episodeEndUs = now + 1000000LL * o.episodeS;
                ++goneDone;
            }
        }

        bool anyDown = false;
        for (const auto &in : inst)
            anyDown = anyDown || in->down;
        if (progress >= 1.0 && !anyDown && !diskFullNow && !folderGoneNow && awaiting.load() == 0)
            break;
        if (progress >= 1.0 && !anyDown && !diskFullNow && !folderGoneNow && pullsDone == o.pulls) {
            // Waiting only for reconnections that may never come: give them their time.
            if (allBackUs == 0)
                allBackUs = now;
            if (now - allBackUs > 60000000)
                break;
        }
    }
    // The end: every cable pulled, so that each last sweep is written as its link breaks.
    for (int i = 0; i < int(inst.size()); ++i) {
        if (!inst[size_t(i)]->down)
            pull(i);
    }
    finished = true;
}

zorSoakRun *zorSoakRun::current = nullptr;
QtMessageHandler zorSoakRun::previous = nullptr;
QLoggingCategory::CategoryFilter zorSoakRun::previousFilter = nullptr;

zorSoak::_figures zorSoak::run()
{
    QElapsedTimer wall;
    wall.start();
    zorSoakRun r(options);
    r.f.instruments = options.instruments;
    r.f.foreignAppearances = 1;
    r.recDir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/soak";
    // Files of an earlier run would be appended to and their rows counted as this run's.
    QDir(r.recDir).removeRecursively();
    QDir().mkpath(r.recDir);

    // The program's opens and closes of the instruments' ports, as it makes them.
    zorSoakRun::current = &r;
    zorSoakRun::previous = qInstallMessageHandler(zorSoakRun::onMessage);
    zorSoakRun::previousFilter = QLoggingCategory::installFilter(zorSoakRun::linkDebugOn);

    std::unique_ptr<MainWindow> window(new MainWindow);
    window->resize(1400, 900);
    window->show();
    zorList *list = window->findChild<zorList *>("registry");
    ZORSerialPort *port = window->findChild<ZORSerialPort *>("link");
    QwtZOR *plot = window->findChild<QwtZOR *>();
    zorRecorder *recorder = window->findChild<zorRecorder *>();

    r.foreign.open();
    r.foreignPath = r.foreign.portName();
    zorPortCatalog::registerPort(r.foreignPath, QStringLiteral("Посторонний прибор"));
    std::thread foreignListener(&zorSoakRun::listenForeign, &r);

    // The stability window spans the same sweeps as in a real run: at full speed a
    // sweep takes milliseconds, not 1.5 s, and a 10-minute window would hold every
    // reading of the run, which the memory per stored point would then count.
    zorStabilityCriteria quick;
    quick.setWindow(zorStabilityCriteria::defaultWindow * (options.channels + 1) * options.tokenMs / 1000.0
                    / sweepSeconds);

    // Instruments connected by hand, silent until their settings are read and their
    // recording is on, so that every sweep they send is one the program can record.
    QList<int> indices;
    for (int i = 0; i < options.instruments; ++i) {
        zorSimulator::_options settings;
        settings.serialNumber = firstSerial + quint32(i);
        window->findChild<zorStabilityFeed *>()->setStartCriteria(settings.serialNumber, quick);
        settings.name = QString("Стенд %1").arg(i + 1);
        settings.channels = options.channels;
        settings.period = 0;
        settings.sweepPerWrite = options.sweepPerWrite;
        auto in = std::make_unique<_instrument>();
        in->sim.reset(new zorSimulator(settings));
        if (!in->sim->start())
            qFatal("no pseudo-terminal for a simulated instrument");
        in->path = in->sim->portName();
        in->file = r.recDir + QString("/instrument%1.csv").arg(i + 1);
        r.inst.push_back(std::move(in));
        r.watch(i);
        indices << window->connectPort(r.inst.back()->path);
    }
    const auto idle = [&](int index) {
        const zorList::_zor *z = list->getZorByIndex(index);
        return z && z->dbIndex > 0 && port->isEmptyQueryQueue(z->devIndex) && port->isSendAllData();
    };
    QElapsedTimer setUp;
    setUp.start();
    for (bool all = false; !all && setUp.elapsed() < 300000;) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        all = true;
        for (int index : indices)
            all = all && idle(index);
    }
    for (int i = 0; i < options.instruments; ++i) {
        zorList::_zor *z = list->getZorByIndex(indices[i]);
        if (!z)
            qFatal("instrument %d did not connect", i + 1);
        z->recFile = r.inst[size_t(i)]->file;
        z->recPeriod = 0;
        z->recEnabled = true;
        recorder->started(indices[i]);
    }

    const auto instrumentOf = [&](int index) {
        const zorList::_zor *z = list->getZorByIndex(index);
        const int i = z ? int(z->options->devNumber - firstSerial) : -1;
        return i >= 0 && i < options.instruments ? i : -1;
    };
    // The break as the program handles it: the recorder (wired before) has written
    // its row.
    QObject::connect(list, &zorList::onDevError, window.get(), [&](int index) {
        const int i = instrumentOf(index);
        if (i < 0)
            return;
        _instrument &in = *r.inst[size_t(i)];
        const zorList::_zor *z = list->getZorByIndex(index);
        QMutexLocker locker(&r.lock);
        if (in.gaps.empty() || in.gaps.back().breakRow >= 0 || !in.down)
            return;
        _gap &g = in.gaps.back();
        g.breakRow = z->recRow;
        int qwt = z->qwtIndex;
        if (const zorPointStore::_dev *dev = plot->store().findDev(qwt))
            for (int ch = 0; ch < dev->chs.size() && ch < maxChannels; ++ch)
                if (!dev->chs.at(ch).meas.isEmpty()) {
                    g.stale[ch] = dev->chs.at(ch).meas.last();
                    g.hasStale[ch] = true;
                }
    });
    double worstReconnect = 0;
    QObject::connect(list, &zorList::onReadMeas, window.get(), [&](int index, double, quint8 ch) {
        if (r.awaiting.load() == 0)
            return;
        const int i = instrumentOf(index);
        if (i < 0 || !r.inst[size_t(i)]->awaiting.exchange(false))
            return;
        --r.awaiting;
        int qwt = list->getQWTIndex(index);
        const zorPointStore::_dev *dev = plot->store().findDev(qwt);
        if (dev && ch < dev->chs.size()) {
            QMutexLocker locker(&r.lock);
            r.inst[size_t(i)]->gaps.back().firstFreshT = dev->chs.at(ch).time.last();
        }
        const double s = (nowUs() - r.inst[size_t(i)]->returnedUs.load()) / 1e6;
        worstReconnect = qMax(worstReconnect, s);
        ++r.f.reconnected;
        if (s > 5.0)
            ++r.f.reconnectedLate;
    });

    // The GUI thread's longest wait between two turns of its timer.
    double stall = 0;
    QElapsedTimer beat;
    QTimer heart;
    heart.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heart, &QTimer::timeout, [&] {
        stall = qMax(stall, beat.nsecsElapsed() / 1e6 - heart.interval());
        beat.start();
    });

    const auto storedPoints = [&] {
        qint64 points = 0;
        for (int index : list->getIndexList()) {
            const int qwt = list->getQWTIndex(index);
            for (int ch = 0; qwt >= 0 && ch < plot->getChCount(qwt); ++ch)
                points += plot->getChMeasCount(qwt, uchar(ch));
        }
        return points;
    };
    const qint64 pointsBefore = storedPoints();
    const qint64 rssBefore = residentBytes();

    for (const auto &in : r.inst)
        in->sim->setPeriod(periodMs(options));
    beat.start();
    heart.start(10);
    std::thread scheduler(&zorSoakRun::schedule, &r);
    QEventLoop loop;
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (r.finished.load())
            loop.quit();
    });
    done.start(50);
    loop.exec();
    scheduler.join();
    heart.stop();

    // Every link broken at the end: wait until the program has let go of all of them
    // and the files took every row.
    window->findChild<zorAutoConnect *>()->setEnabled(false);
    const auto settled = [&] {
        for (int index : list->getIndexList()) {
            const zorList::_zor *z = list->getZorByIndex(index);
            if (z->devIndex >= 0 || recorder->isFailing(index))
                return false;
        }
        return true;
    };
    QElapsedTimer ending;
    ending.start();
    while (!settled() && ending.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const qint64 points = storedPoints() - pointsBefore;
    const qint64 rss = residentBytes() - rssBefore;
    r.stopping = true;
    foreignListener.join();

    // Duplicate records: more than one record of an instrument.
    QHash<quint32, int> records;
    for (int index : list->getIndexList())
        ++records[list->getZorByIndex(index)->options->devNumber];
    for (int count : qAsConst(records))
        r.f.duplicates += qMax(0, count - 1);

    // The files against what was sent.
    for (const auto &in : r.inst) {
        QFile file(in->file);
        file.open(QIODevice::ReadOnly);
        const QStringList lines = zorResultLayout::codec()->toUnicode(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QHash<int, QStringList> rows;
        for (const QString &line : lines.mid(3)) {
            const QStringList fields = line.split(';');
            rows.insert(fields.value(0).toInt(), fields);
        }
        r.f.rowsRecorded += rows.size();
        r.f.rowsLost += in->sent - rows.size();
        if (in->sent != rows.size())
            qWarning("soak: %s: %lld sweeps sent, %d rows, %d pulls", qPrintable(in->file), in->sent, int(rows.size()),
                     int(in->gaps.size()));
        r.f.sweepsSent += in->sent;
        for (const _gap &g : in->gaps) {
            if (g.breakRow < 0 || g.returnUs == 0 || g.firstFreshT < 0)
                continue;
            for (int row = g.breakRow + 1; row <= g.breakRow + rowsCheckedAfterGap && rows.contains(row); ++row) {
                const QStringList &fields = rows[row];
                // Row times are whole seconds: one before the first reading after the
                // gap is a time from before it.
                bool stale = fields.value(1).toDouble() < double(std::llround(g.firstFreshT));
                for (int ch = 0; ch < maxChannels && ch + 2 < fields.size(); ++ch) {
                    const QString text = fields.at(ch + 2);
                    if (text.isEmpty() || text == "--" || !g.hasStale[ch])
                        continue;
                    const double v = text.toDouble();
                    bool fresh = false;
                    for (double sent : g.fresh[ch])
                        fresh = fresh || qAbs(sent - v) < 5e-5;
                    stale = stale || (!fresh && qAbs(v - g.stale[ch]) < 5e-5);
                }
                r.f.staleRows += stale;
            }
        }
    }

    // Probes: bytes to the unrelated device, those further apart counted apart.
    qint64 previous = -probeQuietUs - 1;
    for (qint64 us : qAsConst(r.foreignBytes)) {
        if (us - previous > probeQuietUs)
            ++r.f.foreignProbes;
        previous = us;
    }
    zorPortCatalog::unregisterPort(r.foreignPath);
    r.foreign.close();

    r.f.hours = r.f.sweepsSent * sweepSeconds / 3600.0 / qMax(1, options.instruments);
    r.f.worstReconnectS = worstReconnect;
    r.f.stallMs = stall;
    r.f.bytesPerPoint = points > 0 ? double(rss) / points : 0.0;
    window.reset();
    QLoggingCategory::installFilter(zorSoakRun::previousFilter);
    qInstallMessageHandler(zorSoakRun::previous);
    r.inst.clear();
    r.f.wallS = wall.nsecsElapsed() / 1e9;
    return r.f;
}

void zorSoak::print(const _figures &f)
{
    const auto n = [](const char *name, double value) { benchFigures::print(name, value, "", "%.0f"); };
    benchFigures::print("soak simulated hours", f.hours, "", "%.1f");
    n("soak instruments", f.instruments);
    n("soak sweeps sent", f.sweepsSent);
    n("soak rows recorded", f.rowsRecorded);
    n("soak rows lost", f.rowsLost);
    n("soak cable pulls", f.pulls);
    n("soak reconnected", f.reconnected);
    n("soak duplicate records", f.duplicates);
    n("soak disk-full episodes", f.diskFull);
    n("soak probes sent to a foreign device", f.foreignProbes);
    n("soak rows with values from before a gap", f.staleRows);
    benchFigures::print("soak reconnect time, worst", f.worstReconnectS, "s", "%.2f");
    benchFigures::print("soak longest GUI-thread stall", f.stallMs, "ms", "%.0f");
    benchFigures::print("soak memory per stored point", f.bytesPerPoint, "B", "%.1f");
    benchFigures::print("soak wall time", f.wallS, "s", "%.0f");
}
