#ifndef MAINWINDOWHARNESS_H
#define MAINWINDOWHARNESS_H

#include "app/MainWindow.h"
#include "db/zorSql.h"
#include "link/ZORSerialPort.h"
#include "plot/QwtZOR.h"
#include "registry/zorList.h"
#include "sim/zorSimulator.h"
#include "tests/common/simulatedLink.h"

#include <QAction>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class QMenu;

// The real main window on a temporary home, with simulated instruments on pseudo-terminals.
// Its scans probe only the ports registered in this process, never the machine's own.
class mainWindowHarness
{
public:
    static const int timeout = 20000; // ms: generous, a full settings read takes about a second

    // The standard paths of the test mode live under the home directory.
    mainWindowHarness() { qputenv("HOME", home.path().toLocal8Bit()); simulatedLink::shortSettle(); }

    MainWindow *open();
    QString dataDir() const { return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation); }

    zorSimulator *startSim(quint32 serial, int period = 20);
    // Connects the simulators' ports and waits until their settings are read.
    QList<int> connectSims(const QList<zorSimulator *> &sims);
    void waitIdle(int index);
    // Every simulator's stream stopped (0, waiting out what is on its way) or on again,
    // so that only the test's own points reach the plot.
    void setPeriod(int ms);

    zorList *list() const { return window->findChild<zorList *>("registry"); }
    QwtZOR *plot() const { return window->findChild<QwtZOR *>(); }
    ZORSerialPort *port() const { return window->findChild<ZORSerialPort *>("link"); }
    // The window's own: its dialogs have tables of the same names.
    QTableWidget *table(const char *name) const { return window->centralWidget()->findChild<QTableWidget *>(name); }
    QString text(const char *name, int row, int column) const { return table(name)->item(row, column) ? table(name)->item(row, column)->text() : ""; }
    void press(const char *table, int row, int column);
    // The entry of a button's menu (opened) or a menu with this text or object name;
    // clicking one of a shown menu closes it.
    QAction *menuAction(const char *button, const QString &text) const;
    static QAction *entry(const QMenu *menu, const QString &textOrName);
    static void click(QMenu *menu, const QString &textOrName);

    // The window's database, for its application properties.
    zorSql *sql() const { return window->findChild<zorSql *>(); }

    // The window goes first (destroyed in reverse order), so that it sees no line drop;
    // the data directory last.
    QTemporaryDir home;
    std::vector<std::unique_ptr<zorSimulator>> sims;
    std::unique_ptr<MainWindow> window;
};

#endif // MAINWINDOWHARNESS_H
