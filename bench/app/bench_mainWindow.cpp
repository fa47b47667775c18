// Timings of the real main window: the live view fed at the ceiling of the link
// (16 devices of 16 channels, 18,800 readings/s for 30 s), start-up with a fresh
// database and with one of 20,000 snapshots, and closing with a 500 MiB database
// that has nothing to compact. Prints "<figure name>: <value> <unit>" lines.
//
// It runs on a throw-away home directory; run it under xvfb-run or with
// QT_QPA_PLATFORM=offscreen.
#include "bench/common/benchFigures.h"
#include "app/MainWindow.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "plot/QwtZOR.h"
#include "registry/zorList.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

const int devices = 16;
const int channels = 16;
const double readingsPerSecond = 18800.0;
const int liveSeconds = 30;
const int snapshots = 20000;
const int fillerMiB = 500;

void figure(const char *name, double value, const char *unit)
{
    benchFigures::print(name, value, unit, "%.3g");
}

QString databasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/" + zorSqlFile::fileName;
}

void showWindow(QWidget *window)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        std::fprintf(stderr, "bench_mainWindow: the window was never shown\n");
        std::exit(1);
    }
}

// Seconds from building the window to its first frame on the screen.
double startUp()
{
    QElapsedTimer timer;
    timer.start();
    MainWindow *window = new MainWindow;
    showWindow(window);
    QApplication::processEvents();
    const double seconds = timer.nsecsElapsed() / 1e9;
    delete window;
    return seconds;
}

// Runs statements on the user's database through a connection of its own.
void onDatabase(const std::function<void(QSqlDatabase &)> &work)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench");
        db.setDatabaseName(databasePath());
        db.open();
        db.transaction();
        work(db);
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("bench");
}

void fillSnapshots(QSqlDatabase &db)
{
    QSqlQuery query(db);
    const QByteArray refdata(1124, 'r');
    for (int d = 0; d < snapshots / 100; ++d) {
        query.prepare("INSERT INTO device (device_type, device_number, device_name, device_name_search)"
                      " VALUES (50440719, :n, :name, :name)");
        query.bindValue(":n", 1000 + d);
        query.bindValue(":name", QString("ЗОР-4.70 № %1").arg(d));
        query.exec();
        const QVariant id = query.lastInsertId();
        query.prepare("INSERT INTO device_snapshot (device_id, device_snapshot_info, device_snapshot_info_search,"
                      " device_snapshot_datetime, device_snapshot_data, device_snapshot_refdata)"
                      " VALUES (:id, 'Поверка', 'поверка', '2024-03-05T10:00:00.000', :data, :ref)");
        for (int s = 0; s < 100; ++s) {
            QByteArray data(11132, char(d));
            data[11000] = char(s);
            query.bindValue(":id", id);
            query.bindValue(":data", data);
            query.bindValue(":ref", refdata);
            query.exec();
        }
    }
}

// The live view at the link's ceiling: readings go in through the registry's own
// signal; the main channel of the main device gets only marker readings, whose way
// to the channel table's cell is timed.
void liveView()
{
    MainWindow window;
    window.resize(1600, 1000);
    showWindow(&window);
    zorList *list = window.findChild<zorList *>("registry");
    QwtZOR *plot = window.findChild<QwtZOR *>();
    QTableWidget *chTable = window.findChild<QTableWidget *>("chTable");
    for (int d = 0; d < devices; ++d) {
        const int index = list->newZor(-1, true);
        plot->setChCount(channels, list->getQWTIndex(index));
    }
    window.updUI();
    const int mainQwt = list->getQWTIndex(0);

    qint64 sent = 0;
    int next = 1; // (device, channel) as one number; 0 is the marked main channel
    QElapsedTimer wall;
    QTimer feed;
    feed.setTimerType(Qt::PreciseTimer);
    QObject::connect(&feed, &QTimer::timeout, [&] {
        const qint64 due = qint64(readingsPerSecond * wall.nsecsElapsed() / 1e9);
        for (; sent < due; ++sent) {
            const int device = next / channels, ch = next % channels;
            emit list->onReadMeas(device, 20.0 + 0.5 * std::sin(sent * 1e-3) + ch * 0.1, quint8(ch), "°С",
                                  QDateTime::currentMSecsSinceEpoch());
            next = next + 1 < devices * channels ? next + 1 : 1;
        }
    });

    double worstMs = 0.0;
    int marker = 0;
    QString expected;
    QElapsedTimer markerTime;
    QTimer markers, poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&markers, &QTimer::timeout, [&] {
        emit list->onReadMeas(0, 100.0 + ++marker, 0, "°С", QDateTime::currentMSecsSinceEpoch());
        expected = plot->getChMeasStr(mainQwt, 0);
        markerTime.start();
        poll.start(2);
    });
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QTableWidgetItem *item = chTable->item(1, 1);
        if (item && item->text() == expected) {
            worstMs = qMax(worstMs, markerTime.nsecsElapsed() / 1e6);
            poll.stop();
        }
    });

    const double cpuStart = benchFigures::threadCpuSeconds();
    wall.start();
    feed.start(10);
    markers.start(1000);
    QEventLoop loop;
    QTimer::singleShot(liveSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    feed.stop();
    markers.stop();
    const double cpu = benchFigures::threadCpuSeconds() - cpuStart;
    const double seconds = wall.nsecsElapsed() / 1e9;
    figure("live view GUI thread CPU at 18800 readings/s", 100.0 * cpu / seconds, "% of one core");
    figure("live view reading-to-cell latency, worst", worstMs, "ms");
    figure("live view readings delivered", sent / seconds, "readings/s");
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    benchFigures::isolate(home.path());
    QApplication app(argc, argv);

    figure("start-up to shown window, fresh database", startUp(), "s");
    onDatabase(fillSnapshots);
    figure("start-up to shown window, 20000 snapshots", startUp(), "s");

    liveView();

    // A database of about 500 MiB with no free page: a fresh copy of the template
    // filled with blobs.
    QFile::remove(databasePath());
    startUp();
    onDatabase([](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.exec("CREATE TABLE bench_filler (pad BLOB)");
        query.prepare("INSERT INTO bench_filler VALUES (zeroblob(1048576))");
        for (int n = 0; n < fillerMiB; ++n)
            query.exec();
    });
    MainWindow *window = new MainWindow;
    showWindow(window);
    QElapsedTimer timer;
    timer.start();
    window->close();
    delete window;
    figure("close with a 500 MiB database", timer.nsecsElapsed() / 1e9, "s");
    figure("database size", QFileInfo(databasePath()).size() / 1048576.0, "MiB");
    return 0;
}
