#include "mainWindowHarness.h"

#include "app/findZor.h"
#include "registry/zorAutoConnect.h"
#include "registry/zorPortScan.h"

#include <QApplication>
#include <QMenu>
#include <QToolButton>
#include <QtTest>

MainWindow *mainWindowHarness::open()
{
    window.reset(new MainWindow);
    const zorPortScan::probeOptions probe{300, false};
    window->findChild<findZor *>()->probeOptions() = probe;
    window->findChild<zorAutoConnect *>()->portScan()->options() = probe;
    window->findChild<zorAutoConnect *>()->setInterval(300);
    window->resize(1400, 900);
    window->show();
    return window.get();
}

zorSimulator *mainWindowHarness::startSim(quint32 serial, int period)
{
    zorSimulator::_options settings;
    settings.serialNumber = serial;
    settings.period = period;
    settings.name = QString("Стенд %1").arg(serial);
    sims.emplace_back(new zorSimulator(settings));
    if (!sims.back()->start())
        qFatal("no pseudo-terminal for the simulator");
    return sims.back().get();
}

QList<int> mainWindowHarness::connectSims(const QList<zorSimulator *> &sims)
{
    // Side by side: a full settings read takes seconds, each on its own link.
    QList<int> indices;
    for (const zorSimulator *sim : sims)
        indices << window->connectPort(sim->portName());
    for (int index : indices)
        waitIdle(index);
    return indices;
}

void mainWindowHarness::waitIdle(int index)
{
    // Identified, and every block of the read-all read.
    QTRY_VERIFY_WITH_TIMEOUT(list()->getZorByIndex(index) && list()->getZorByIndex(index)->dbIndex > 0
                                 && port()->isEmptyQueryQueue(list()->getZorByIndex(index)->devIndex)
                                 && port()->isSendAllData(),
                             timeout);
}

void mainWindowHarness::setPeriod(int ms)
{
    for (auto &sim : sims)
        sim->setPeriod(ms);
    QTest::qWait(ms ? 0 : 200);
}

void mainWindowHarness::press(const char *name, int row, int column)
{
    QTableWidget *t = table(name);
    QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, t->visualItemRect(t->item(row, column)).center());
}

QAction *mainWindowHarness::menuAction(const char *button, const QString &text) const
{
    QMenu *menu = window->findChild<QToolButton *>(button)->menu();
    emit menu->aboutToShow();
    return entry(menu, text);
}

QAction *mainWindowHarness::entry(const QMenu *menu, const QString &textOrName)
{
    for (QAction *action : menu->actions())
        if (action->text() == textOrName || action->objectName() == textOrName)
            return action;
    return nullptr;
}

void mainWindowHarness::click(QMenu *menu, const QString &textOrName)
{
    QAction *action = entry(menu, textOrName);
    QVERIFY2(action && action->isEnabled(), qPrintable("no enabled entry " + textOrName));
    const QPoint at = menu->actionGeometry(action).center();
    QTest::mouseMove(menu, at);
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
}
