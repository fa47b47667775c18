#include "registry/zorAutoConnect.h"

#include "model/optionsZOR70.h"
#include "registry/zorList.h"
#include "registry/zorPortScan.h"
#include "registry/zorRegistryLog.h"

zorAutoConnect::zorAutoConnect(ZORSerialPort *port, zorList *list, QObject *parent)
    : QObject(parent)
    , list(list)
    , scan(new zorPortScan(port, this))
{
    retry.setInterval(defaultInterval);
    connect(&retry, &QTimer::timeout, this, &zorAutoConnect::search);
    connect(scan, &zorPortScan::found, this, &zorAutoConnect::found);
    connect(scan, &zorPortScan::finished, this, [this] { takeAll = false; });
    connect(list, &zorList::onDevError, this, [this](int index, quint8 code) { deviceFailed(index, code); });
    connect(list, &zorList::onRmZor, this, [this](int index) {
        if (lost.contains(index))
            scan->unwatch(lost.take(index));
    });
    connect(list, &zorList::onReattach, this, [this](int index) {
        if (!lost.contains(index))
            return;
        scan->unwatch(lost.take(index));
        if (lost.isEmpty())
            retry.stop();
        emit reconnected(index);
    });
}

void zorAutoConnect::setEnabled(bool on)
{
    enabled = on;
    for (const QString &path : qAsConst(lost))
        on ? scan->watch(path) : scan->unwatch(path);
    if (!enabled)
        retry.stop();
    else if (!lost.isEmpty())
        retry.start();
}

void zorAutoConnect::connectAll()
{
    takeAll = scan->start(false) > 0 || scan->isRunning();
}

void zorAutoConnect::deviceFailed(int index, quint8 code)
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    // Only a broken link is worth waiting for; an instrument that reports a fault
    // of its own needs the user.
    if (code != zorList::linkError || !zor || !zor->options->isIdentified() || zor->devIndex >= 0)
        return;
    lost.insert(index, zor->portName);
    // Its own path is tried again even if it never went from the system's list.
    scan->watch(zor->portName);
    qCInfo(lcRegistry).noquote() << "record" << index << "№" << zor->options->getDevNumberStr()
                                 << "lost: looking for it on the free ports";
    if (enabled && !retry.isActive()) {
        retry.start();
        search();
    }
}

void zorAutoConnect::search()
{
    if (!enabled || lost.isEmpty()) {
        retry.stop();
        return;
    }
    scan->look();
}

void zorAutoConnect::found(int devIndex, const optionsZOR70 *identity, const QVector<zorList::_reading> &streamed)
{
    if (list->adopt(devIndex, *identity, takeAll, streamed) >= 0)
        scan->keep(devIndex);
}
