#include "registry/zorAutoConnect.h"

#include "model/optionsZOR70.h"
#include "registry/zorList.h"
#include "registry/zorPortScan.h"

zorAutoConnect::zorAutoConnect(ZORSerialPort *port, zorList *list, QObject *parent)
    : QObject(parent)
    , list(list)
    , scan(new zorPortScan(port, this))
{
    retry.setSingleShot(true);
    retry.setInterval(defaultInterval);
    connect(&retry, &QTimer::timeout, this, &zorAutoConnect::search);
    connect(scan, &zorPortScan::found, this, &zorAutoConnect::found);
    connect(scan, &zorPortScan::finished, this, &zorAutoConnect::scanEnded);
    connect(list, &zorList::onDevError, this, [this](int index, quint8 code) { deviceFailed(index, code); });
    connect(list, &zorList::onRmZor, this, [this](int index) { lost.remove(index); });
}

void zorAutoConnect::setEnabled(bool on)
{
    enabled = on;
    if (!enabled)
        retry.stop();
    else if (!lost.isEmpty() && !scan->isRunning())
        retry.start();
}

void zorAutoConnect::connectAll()
{
    takeAll = true;
    if (!scan->isRunning() && !scan->start())
        takeAll = false;
}

void zorAutoConnect::deviceFailed(int index, quint8 code)
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    // Only a broken link is worth waiting for; an instrument that reports a fault
    // of its own needs the user.
    if (code != zorList::linkError || !zor || !zor->options->isIdentified())
        return;
    lost.insert(index);
    if (enabled && !scan->isRunning() && !retry.isActive())
        retry.start();
}

void zorAutoConnect::search()
{
    if (!enabled || lost.isEmpty() || scan->isRunning())
        return;
    if (!scan->start())
        retry.start();
}

void zorAutoConnect::found(int devIndex, const optionsZOR70 *identity)
{
    const int index = lostRecordOf(identity);
    if (index >= 0) {
        scan->keep(devIndex);
        lost.remove(index);
        list->reattach(index, devIndex);
        emit reconnected(index);
        return;
    }
    if (!takeAll || list->getLiveZor(identity->devType, identity->devNumber))
        return;
    scan->keep(devIndex);
    const int added = list->newZor(devIndex, true);
    if (added < 0)
        return;
    list->getAllDataFromZor(added);
    emit connected(added);
}

int zorAutoConnect::lostRecordOf(const optionsZOR70 *identity) const
{
    for (int index : lost) {
        const zorList::_zor *zor = list->getZorByIndex(index);
        if (zor && zor->devIndex < 0 && zor->options->devNumber == identity->devNumber
            && zor->options->devType == identity->devType)
            return index;
    }
    return -1;
}

void zorAutoConnect::scanEnded()
{
    takeAll = false;
    if (enabled && !lost.isEmpty())
        retry.start();
}
