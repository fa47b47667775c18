// Timings of the database with a large store: 200 devices, 20,000 snapshots of
// 11 KB and 5,000 characteristics. Prints "<figure name>: <value> <unit>" lines.
#include "bench/common/benchFigures.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

const unsigned zorType = 0x301AA0F;
const int devices = 200;
const int snapshotsPerDevice = 100;
const int features = 5000;
const int runs = 15;
// The settings dialog lists at most this many search results (the newest).
const int listed = 300;
// The reference block with the refdU block, as the registry stores it; the lookups
// by content must use the very bytes the store was filled with.
const QByteArray refdata(1124, 'r');

// Snapshots of one instrument differ in a few bytes near the end, as real ones do.
QByteArray image(int device, int snapshot)
{
    QByteArray data(11132, char(device));
    data[11000] = char(snapshot);
    data[11001] = char(snapshot >> 8);
    return data;
}

void figure(const char *name, double value, const char *unit)
{
    benchFigures::print(name, value, unit, "%.2f");
}

// Median of several runs, in milliseconds.
double milliseconds(const std::function<void()> &work)
{
    work(); // the first run warms the page cache
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void fill(zorSql &sql)
{
    const QByteArray record(340, '\x01');
    QSqlDatabase db = QSqlDatabase::database();
    db.transaction();
    for (int d = 0; d < devices; ++d) {
        const int id = sql.addDev(zorType, 1000 + d, QString("ЗОР-4.70 Лаборатория %1").arg(d));
        for (int s = 0; s < snapshotsPerDevice; ++s) {
            const QByteArray data = image(d, s);
            sql.setSnapShot(id, &data, &refdata, QString("Поверка партия %1 серия %2").arg(s).arg(d), 0);
        }
        // Half of the devices keep plot settings of their own: 32 channels, 4 keys each.
        if (d % 2 == 0) {
            for (int ch = 0; ch < 32; ++ch)
                for (const char *key : {"-dX", "-dY", "-color", "-modeX"})
                    sql.setDevProperty(id, QString("qwt_ch_%1%2").arg(ch).arg(key), ch);
            sql.setDevProperty(id, "qwt-ch_main", 0);
        }
    }
    sql.setAppProperty("main_device_id", 1);
    for (int f = 0; f < features; ++f)
        sql.addFeature(&record, QString("Pt100 партия %1").arg(f), "");
    db.commit();
}

void searches(zorSql &sql)
{
    const QByteArray data = image(57, 42);
    figure("findSnapShot one device",
           milliseconds([&] { sql.findSnapShot(&data, &refdata, 58); }), "ms");
    figure("findSnapShot all devices",
           milliseconds([&] { sql.findSnapShot(&data, &refdata, 0); }), "ms");
    figure("text search, one description",
           milliseconds([&] { sql.searchSnapShot("партия 42 серия 57"); }), "ms");
    figure("text search, device number",
           milliseconds([&] { sql.searchSnapShot("1057"); }), "ms");
    figure("text search, 200 matches",
           milliseconds([&] { sql.searchSnapShot("партия 42 "); }), "ms");
    figure("text search, every snapshot",
           milliseconds([&] { sql.searchSnapShot("поверка"); }), "ms");
    int total = 0;
    figure("text search, every snapshot, newest 300 and the count",
           milliseconds([&] { sql.searchSnapShot("поверка", listed, &total); }), "ms");
    figure("text search, one description, newest 300 and the count",
           milliseconds([&] { sql.searchSnapShot("партия 42 серия 57", listed, &total); }), "ms");
    figure("getDevProperty own rows",
           milliseconds([&] { sql.getDevProperty(3); }), "ms");
    figure("getDevProperty inherited",
           milliseconds([&] { sql.getDevProperty(4); }), "ms");
    figure("searchFeature",
           milliseconds([&] { sql.searchFeature("партия 4999"); }), "ms");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = zorSqlFile::prepare(dir.path()).path();
    QElapsedTimer timer;
    {
        zorSql sql(path);
        timer.start();
        fill(sql);
        figure("fill 20000 snapshots", timer.elapsed() / 1000.0, "s");
        timer.start(); // closing compacts the file
    }
    figure("close with VACUUM", timer.elapsed() / 1000.0, "s");
    figure("database size", QFileInfo(path).size() / 1048576.0, "MiB");

    timer.start();
    const zorSqlFile file = zorSqlFile::prepare(dir.path());
    figure("start-up check of the file", timer.elapsed(), "ms");
    zorSql sql(file.path());
    searches(sql);
    return 0;
}
