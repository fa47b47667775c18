// Timings of the settings dialog's snapshot search on a database of 200 instruments
// with 100 snapshots each (20,000): from the keystroke that completes a search text to
// the filled box, for a text that matches every snapshot and for one that matches a
// single one. Prints "<figure name>: <value> <unit>" lines (medians over the runs).
#include "bench/common/benchFigures.h"
#include "config/devConfUI.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "link/ZORSerialPort.h"
#include "registry/zorSnapShot.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
using O = optionsZOR70;
const int runs = 21;
const int devices = 200;
const int snapshotsPerDevice = 100;

void figure(const char *name, double value, const char *unit)
{
    benchFigures::print(name, value, unit, "%.2f");
}

// The median time in milliseconds of work, with the events it posts handled; prepare
// runs before each, untimed.
double median(const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        work();
        QCoreApplication::processEvents();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::nth_element(ms.begin(), ms.begin() + runs / 2, ms.end());
    return ms[runs / 2];
}

// Extended instruments whose snapshots differ in their names, as stored by the registry.
void fill(zorSql &sql)
{
    O o;
    o.devType = O::typeExtended;
    QSqlDatabase db = QSqlDatabase::database();
    db.transaction();
    for (int d = 0; d < devices; ++d) {
        const int id = sql.addDev(O::typeExtended, quint32(1000 + d), QString("ЗОР-4.70 Лаборатория %1").arg(d));
        for (int s = 0; s < snapshotsPerDevice; ++s) {
            o.devName = QString("%1-%2").arg(d).arg(s);
            zorSnapShot::store(&sql, o, id, QString("Поверка партия %1 серия %2").arg(s).arg(d), 0);
        }
    }
    db.commit();
}

// Typing the last character of text into the search field, the rest being there.
double typing(devConfUI &dialog, const QString &text)
{
    auto *search = dialog.findChild<QLineEdit *>("dbSearchEdit");
    return median([&] { search->setText(text.chopped(1)); }, [&] { search->setText(text); });
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    zorSql sql(zorSqlFile::prepare(dir.path()).path());
    QElapsedTimer timer;
    timer.start();
    fill(sql);
    figure("fill 20000 snapshots", timer.elapsed() / 1000.0, "s");

    ZORSerialPort port;
    zorList list(&port, &sql, true);
    const int index = list.newZor(-1, true);
    devConfUI dialog(&list, &port, &sql);
    dialog.show(index);
    QCoreApplication::processEvents();
    auto *box = dialog.findChild<QComboBox *>("dbFindCB");

    figure("snapshot box filled after the third character, every snapshot matches", typing(dialog, "пов"), "ms");
    std::printf("  box: %d entries, first \"%s\"\n", box->count(), qPrintable(box->itemText(0)));
    figure("snapshot box filled after a keystroke, one snapshot matches", typing(dialog, "партия 42 серия 57"),
           "ms");
    std::printf("  box: %d entries, first \"%s\"\n", box->count(), qPrintable(box->itemText(0)));
    figure("snapshot box filled after a keystroke, 200 snapshots match", typing(dialog, "партия 42 "), "ms");
    return 0;
}
