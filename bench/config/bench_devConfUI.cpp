// Timings of the settings dialog for a 32-channel instrument: opening it, and the
// refresh that follows an edit of one channel, of every channel and of the device page.
// Prints "<figure name>: <value> <unit>" lines (medians over the runs).
#include "bench/common/benchFigures.h"
#include "config/devConfUI.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "link/ZORSerialPort.h"
#include "model/featureZOR70.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <vector>

namespace {
using O = optionsZOR70;
const int runs = 51;

void figure(const char *name, double value, const char *unit)
{
    benchFigures::print(name, value, unit, "%.2f");
}

// The median time in milliseconds of work, with the events it posts handled.
double median(const std::function<void(int)> &work)
{
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work(run);
        QCoreApplication::processEvents();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::nth_element(ms.begin(), ms.begin() + runs / 2, ms.end());
    return ms[runs / 2];
}

// 32 channels of every kind, the characteristic slots named.
void fill(O *o)
{
    o->devType = O::typeExtended;
    o->devNumber = 42;
    o->devName = "Стенд 32";
    o->chCount = 32;
    o->measMode = 1;
    o->chShow = 5;
    for (int slot = 0; slot < O::chMax; ++slot)
        o->feature[slot]->setFeature(slot % 2 ? featureZOR70::ftTPTable : featureZOR70::ftTSMTSH90,
                                     QString("ИСХ %1").arg(slot + 1),
                                     slot % 2 ? QStringList{"0", "0", "100", "4.1"}
                                              : QStringList{"100", "1", "0", "0", "0", "0", "0"});
    const int modes[] = {O::chNSHTS, O::chNSHTP, O::chISHTS, O::chISHTP, O::chOhm, O::chMV, O::chIZMPR, O::chOff};
    for (int ch = 0; ch < O::chMax; ++ch)
        o->setChFeature(quint8(ch), modes[ch % 8], quint8(ch % 8 < 4 ? ch : 0));
}

// Chooses an entry of the column menu of a channel (or of every channel, row -1).
void choose(devConfUI &dialog, int row, int column, const QString &entry)
{
    auto *table = dialog.findChild<QTableWidget *>("chTable");
    if (row >= 0)
        emit table->cellPressed(row, column);
    else
        emit table->horizontalHeader()->sectionClicked(column);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    for (QAction *action : menu->actions()) {
        if (action->text() == entry)
            action->trigger();
    }
    menu->close();
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    zorSql sql(zorSqlFile::prepare(dir.path()).path());
    ZORSerialPort port;
    zorList list(&port, &sql, true);
    const int index = list.newZor(-1, true);
    fill(list.getZorByIndex(index)->options);
    devConfUI dialog(&list, &port, &sql);

    QElapsedTimer first;
    first.start();
    dialog.show(index);
    QCoreApplication::processEvents();
    figure("devConfUI first open, 32 channels", first.nsecsElapsed() / 1e6, "ms");
    figure("devConfUI open, 32 channels", median([&](int) {
               dialog.reject();
               dialog.show(index);
           }),
           "ms");
    figure("devConfUI channel table refresh", median([&](int) { dialog.onChChange(index); }), "ms");
    const QStringList modes = {"Ом", "Ом/3"};
    figure("devConfUI refresh after a channel edit", median([&](int run) { choose(dialog, 4, 0, modes[run % 2]); }),
           "ms");
    figure("devConfUI refresh after an edit of all 32 channels",
           median([&](int run) { choose(dialog, -1, 4, run % 2 ? "0.01" : "0.001"); }), "ms");
    auto *time = dialog.findChild<QComboBox *>("devMeasTimeCB");
    figure("devConfUI refresh after a device page edit", median([&](int run) { time->setCurrentIndex(run % 4); }),
           "ms");
    return 0;
}
