#include "ZORSerialPort.h"

#include "link/zorLinkLog.h"
#include "link/zorPortCatalog.h"
#include "link/zorSerialPortThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace {

const int removalTimeout = 5000;

bool sameQuery(const zorSerialPortQueryItem &a, const zorSerialPortQueryItem &b)
{
    // A record or word read of the same block is another request, not a duplicate.
    return a.address == b.address && a.size == b.size && a.rec == b.rec && a.word == b.word;
}

bool sameData(const zorSerialPortDataItem &a, const zorSerialPortDataItem &b)
{
    return a.address == b.address && a.word == b.word && a.data == b.data;
}

zorSerialPortQueryItem makeQuery(quint8 address, quint16 size, bool showPr, zorQueryMode qMode)
{
    zorSerialPortQueryItem query;
    query.address = address;
    query.size = size;
    query.showPr = showPr;
    query.qMode = qMode;
    return query;
}

zorSerialPortDataItem makeData(const QByteArray &buf, quint8 address, bool showPr, zorQueryMode qMode)
{
    zorSerialPortDataItem data;
    data.address = address;
    data.data = buf;
    data.showPr = showPr;
    data.qMode = qMode;
    return data;
}

// After a failure. The requests of an ordinary sequence were planned on a working
// exchange, so an ordinary request takes the rest of its queue with it; a request with
// a mode of its own (a probe) drops only itself.
template <typename T>
void dropFailed(QQueue<T> &queue, zorQueryMode qMode)
{
    if (qMode == qmNormal)
        queue.clear();
    else if (!queue.isEmpty())
        queue.dequeue();
}

} // namespace

ZORSerialPort::ZORSerialPort(QObject *parent)
    : QObject(parent)
{
    zorSerialPortThread::registerMetaTypes();
}

ZORSerialPort::~ZORSerialPort()
{
    const QList<int> indices = workers.keys();
    for (int devIndex : indices)
        rmDev(devIndex);
    // A worker that outlived its 5 s is still finishing a bounded wait: let it end,
    // a running thread cannot be destroyed.
    for (zorSerialPortThread *worker : qAsConst(workers)) {
        worker->disconnect(this);
        worker->wait();
        delete worker;
    }
    for (const QQueue<devDataReply> &held : qAsConst(heldReplies))
        for (const devDataReply &reply : held)
            delete reply.buf;
}

int ZORSerialPort::addDev(const QString &portName, char devType, int baudRate, quint8 sec)
{
    QString location;
    return zorPortCatalog::isUsable(portName, &location) ? open(portName, location, devType, baudRate, sec) : -1;
}

int ZORSerialPort::addDev(const zorPortCatalog::_port &listed, char devType, int baudRate, quint8 sec)
{
    if (listed.busy)
        return -1;
    return open(listed.name, listed.location, devType, baudRate, sec);
}

int ZORSerialPort::open(const QString &portName, const QString &location, char devType, int baudRate, quint8 sec)
{
    if (workers.size() >= maxDevices || isHeld(location))
        return -1;
    int devIndex = 0;
    while (workers.contains(devIndex))
        ++devIndex;
    zorSerialPortThread *worker = new zorSerialPortThread(portName, devIndex, baudRate, devType, sec);
    connectWorker(worker);
    workers.insert(devIndex, worker);
    locations.insert(devIndex, location);
    worker->start();
    qCInfo(lcLink) << "device" << devIndex << "opens" << location;
    return devIndex;
}

void ZORSerialPort::connectWorker(zorSerialPortThread *worker)
{
    connect(worker, &zorSerialPortThread::setProgress, this, &ZORSerialPort::setDevProgress);
    connect(worker, &zorSerialPortThread::streamReady, this, &ZORSerialPort::readDevStream);
    connect(worker, &zorSerialPortThread::readyQuery, this, &ZORSerialPort::readDevReply);
    connect(worker, &zorSerialPortThread::onSendQueryError, this, &ZORSerialPort::onSendQueryError);
    connect(worker, &zorSerialPortThread::onSendDataError, this, &ZORSerialPort::onSendDataError);
    connect(worker, &zorSerialPortThread::doneSend, this, &ZORSerialPort::doneDevSend);
    connect(worker, &zorSerialPortThread::onError, this, &ZORSerialPort::onError);
    connect(worker, &zorSerialPortThread::finished, this, &ZORSerialPort::purgeDevSerialPortThread);
    connect(worker, &zorSerialPortThread::onMeasTimeout, this, &ZORSerialPort::devMeasTimeout);

    connect(this, &ZORSerialPort::readyDevQuery, worker, &zorSerialPortThread::sendQuery);
    connect(this, &ZORSerialPort::readyDevData, worker, &zorSerialPortThread::sendData);
    connect(this, &ZORSerialPort::onSetDevType, worker, &zorSerialPortThread::setDevType);
    connect(this, &ZORSerialPort::onSetMeasTimeout, worker, &zorSerialPortThread::setMeasTimeout);
    connect(this, &ZORSerialPort::onSetDelayTime, worker, &zorSerialPortThread::setDelayTime);
}

void ZORSerialPort::rmDev(int devIndex)
{
    zorSerialPortThread *worker = workers.value(devIndex);
    if (!worker || removalWaits.contains(devIndex))
        return;
    const bool readsDone = isReadAllQuery();
    const bool writesDone = isSendAllData();

    QEventLoop wait;
    removalWaits.insert(devIndex, &wait);
    worker->rm();
    // A worker that ended on its own (a port that would not open or went away) may
    // have queued its finished() before the event being delivered now, the one that
    // brought its error here. The glib event dispatcher delivers nothing posted that
    // early inside a nested loop until something new is posted, so the wait would last
    // its full time: the manager's queued calls are taken here first.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    // The purge takes the wait out when the worker is gone.
    if (removalWaits.contains(devIndex)) {
        QTimer::singleShot(removalTimeout, &wait, &QEventLoop::quit);
        wait.exec();
        removalWaits.remove(devIndex);
    }

    if (!readsDone && isReadAllQuery())
        emit allDevQueryComplite();
    if (!writesDone && isSendAllData())
        emit allDevDataSend();
}

void ZORSerialPort::setDelayTime(int devIndex, quint16 init, quint16 queue, quint16 attempt)
{
    emit onSetDelayTime(devIndex, init, queue, attempt);
}

QString ZORSerialPort::getPortName(int devIndex) const
{
    const zorSerialPortThread *worker = workers.value(devIndex);
    return worker ? worker->getPortName() : QStringLiteral("-");
}

QList<int> ZORSerialPort::getDevIndexList() const
{
    QList<int> indices = workers.keys();
    std::sort(indices.begin(), indices.end());
    return indices;
}

bool ZORSerialPort::isEmptyQueryQueue(int devIndex) const
{
    return workers.contains(devIndex) && queryQueues.value(devIndex).isEmpty();
}

bool ZORSerialPort::isSendAllData() const
{
    for (const QQueue<zorSerialPortDataItem> &queue : dataQueues)
        if (!queue.isEmpty())
            return false;
    return true;
}

bool ZORSerialPort::hasDevData(int devIndex) const
{
    return workers.contains(devIndex) && !dataQueues.value(devIndex).isEmpty();
}

bool ZORSerialPort::isReadAllQuery() const
{
    for (const QQueue<zorSerialPortQueryItem> &queue : queryQueues)
        if (!queue.isEmpty())
            return false;
    for (const QQueue<devDataReply> &held : heldReplies)
        if (!held.isEmpty())
            return false;
    return true;
}

void ZORSerialPort::sendDevQuery(int devIndex, quint8 address, quint16 size, bool showPr, zorQueryMode qMode)
{
    sendDevQuery(devIndex, makeQuery(address, size, showPr, qMode));
}

void ZORSerialPort::sendDevQuery(int devIndex, zorSerialPortQueryItem query)
{
    // A read of nothing would never be started by the worker and would hold the
    // device's queue for good.
    if (!workers.contains(devIndex) || query.size == 0)
        return;
    emit blockStatusEvent(devIndex, true);
    QQueue<zorSerialPortQueryItem> &queue = queryQueues[devIndex];
    if (!dataQueues.value(devIndex).isEmpty()) {
        queue.enqueue(query);
        onExchangeProg();
        return;
    }
    for (int i = 1; i < queue.size(); ++i)
        if (sameQuery(queue.at(i), query))
            return;
    queue.enqueue(query);
    onExchangeProg();
    handQuery(devIndex);
}

void ZORSerialPort::sendRecQuery(int devIndex, quint8 address, quint16 size, bool showPr, zorQueryMode qMode)
{
    sendRecQuery(devIndex, makeQuery(address, size, showPr, qMode));
}

void ZORSerialPort::sendRecQuery(int devIndex, zorSerialPortQueryItem query)
{
    query.rec = true;
    query.word = false;
    sendDevQuery(devIndex, query);
}

void ZORSerialPort::sendWordQuery(int devIndex, quint8 address, bool showPr, zorQueryMode qMode)
{
    sendWordQuery(devIndex, makeQuery(address, 4, showPr, qMode));
}

void ZORSerialPort::sendWordQuery(int devIndex, zorSerialPortQueryItem query)
{
    query.size = 4;
    query.word = true;
    query.rec = false;
    sendDevQuery(devIndex, query);
}

void ZORSerialPort::sendDevData(int devIndex, QByteArray *buf, quint8 address, bool showPr, zorQueryMode qMode)
{
    if (buf)
        sendDevData(devIndex, *buf, address, showPr, qMode);
}

void ZORSerialPort::sendDevData(int devIndex, QByteArray buf, quint8 address, bool showPr, zorQueryMode qMode)
{
    sendDevData(devIndex, makeData(buf, address, showPr, qMode));
}

void ZORSerialPort::sendDevData(int devIndex, zorSerialPortDataItem data)
{
    // A write of nothing would never be started by the worker and would hold the
    // device's queue for good.
    if (!workers.contains(devIndex) || data.data.isEmpty())
        return;
    emit blockStatusEvent(devIndex, true);
    QQueue<zorSerialPortDataItem> &queue = dataQueues[devIndex];
    for (int i = 1; i < queue.size(); ++i)
        if (sameData(queue.at(i), data))
            return;
    queue.enqueue(data);
    onExchangeProg();
    handData(devIndex);
}

void ZORSerialPort::sendDevWord(int devIndex, QByteArray *buf, quint8 address, bool showPr, zorQueryMode qMode)
{
    if (buf)
        sendDevWord(devIndex, *buf, address, showPr, qMode);
}

void ZORSerialPort::sendDevWord(int devIndex, QByteArray buf, quint8 address, bool showPr, zorQueryMode qMode)
{
    sendDevWord(devIndex, makeData(buf, address, showPr, qMode));
}

void ZORSerialPort::sendDevWord(int devIndex, zorSerialPortDataItem data)
{
    data.word = true;
    sendDevData(devIndex, data);
}

void ZORSerialPort::blockEventDev(int devIndex, bool b)
{
    if (!workers.contains(devIndex))
        return;
    if (b) {
        if (!isBlocked(devIndex))
            blocked.append(devIndex);
        return;
    }
    if (!isBlocked(devIndex))
        return;
    // One at a time: a receiver may remove the device while a reply is delivered.
    while (workers.contains(devIndex) && !heldReplies.value(devIndex).isEmpty()) {
        const devDataReply reply = heldReplies[devIndex].dequeue();
        emit readyDevReply(devIndex, *reply.buf, reply.address);
        emit readyDevReply(devIndex, reply.buf, reply.address);
        delete reply.buf;
    }
    if (isReadAllQuery())
        emit allDevQueryComplite();
    blocked.removeAll(devIndex);
}

void ZORSerialPort::blockEventAll(bool b)
{
    for (int devIndex : getDevIndexList())
        blockEventDev(devIndex, b);
}

void ZORSerialPort::readDevStream()
{
    const int devIndex = senderIndex();
    zorSerialPortThread *worker = workers.value(devIndex);
    if (!worker)
        return;
    const QVector<zorStreamParser::_token> tokens = worker->takeStreamed();
    // Token by token, as they came: a receiver may block or remove the device on the way.
    for (const zorStreamParser::_token &token : qAsConst(tokens)) {
        if (devIndex < 0 || workers.value(devIndex) != worker)
            return;
        if (isBlocked(devIndex))
            continue;
        emit readyDevSource(devIndex, token.source);
        if (token.type == zorStreamParser::status)
            emit readyDevStatus(devIndex, token.fields);
        else if (token.type == zorStreamParser::measurement)
            emit readyDevMeas(devIndex, token.meas, token.ch, token.dim);
    }
}

void ZORSerialPort::readDevReply(QByteArray *buf, quint8 address)
{
    const int devIndex = senderIndex();
    if (devIndex < 0) {
        delete buf;
        return;
    }
    QQueue<zorSerialPortQueryItem> &queue = queryQueues[devIndex];
    if (!queue.isEmpty())
        queue.dequeue();
    queryHandedOver.remove(devIndex);
    onExchangeProg();
    if (isBlocked(devIndex)) {
        heldReplies[devIndex].enqueue({address, buf});
    } else {
        emit readyDevReply(devIndex, buf, address);
        emit readyDevReply(devIndex, *buf, address);
        delete buf;
        if (workers.contains(devIndex) && queryQueues.value(devIndex).isEmpty())
            emit resultDevQuery(devIndex, true);
        if (isReadAllQuery())
            emit allDevQueryComplite();
    }
    continueQueues(devIndex);
}

void ZORSerialPort::onSendQueryError(quint16 code, zorSerialPortQueryItem query)
{
    const int devIndex = senderIndex();
    if (devIndex < 0)
        return;
    code += 100;
    dropFailed(queryQueues[devIndex], query.qMode);
    queryHandedOver.remove(devIndex);
    onExchangeProg();
    emit onDevQueryError(devIndex, code, query);
    emitErrorEvent(devIndex, code);
    if (isReadAllQuery())
        emit allDevQueryComplite();
    if (workers.contains(devIndex) && queryQueues.value(devIndex).isEmpty())
        emit resultDevQuery(devIndex, false);
    continueQueues(devIndex);
}

void ZORSerialPort::onSendDataError(quint16 code, zorSerialPortDataItem data)
{
    const int devIndex = senderIndex();
    if (devIndex < 0)
        return;
    code += 200;
    dropFailed(dataQueues[devIndex], data.qMode);
    dataHandedOver.remove(devIndex);
    onExchangeProg();
    emit onDevDataError(devIndex, code, data);
    emitErrorEvent(devIndex, code);
    if (isSendAllData())
        emit allDevDataSend();
    if (workers.contains(devIndex) && !dataQueues.value(devIndex).isEmpty())
        emit resultDevData(devIndex, false);
    continueQueues(devIndex);
}

void ZORSerialPort::doneDevSend()
{
    const int devIndex = senderIndex();
    if (devIndex < 0)
        return;
    QQueue<zorSerialPortDataItem> &queue = dataQueues[devIndex];
    const zorSerialPortDataItem data = queue.isEmpty() ? zorSerialPortDataItem() : queue.dequeue();
    dataHandedOver.remove(devIndex);
    onExchangeProg();
    emit doneSendDevData(devIndex, data);
    if (workers.contains(devIndex)) {
        if (dataQueues.value(devIndex).isEmpty()) {
            continueAfterWrites(devIndex);
            emit doneSend(devIndex);
        } else {
            handData(devIndex);
        }
    }
    if (isSendAllData())
        emit allDevDataSend();
}

void ZORSerialPort::emitErrorEvent(int devIndex, quint16 code)
{
    if (!workers.contains(devIndex))
        return;
    const QString msg = errorTexts.value(code, tr("Unknown error"));
    qCWarning(lcLink) << "device" << devIndex << locations.value(devIndex) << "error" << code;
    emit onDevError(devIndex, code, msg);
    emit onDevError(devIndex, code);
    emit onDevError(devIndex);
}

void ZORSerialPort::onError(quint16 code)
{
    const int devIndex = senderIndex();
    if (devIndex >= 0)
        emitErrorEvent(devIndex, code);
}

void ZORSerialPort::setDevProgress(int progress, int maxProgress, quint8 address)
{
    const int devIndex = senderIndex();
    if (devIndex >= 0)
        emit setProgress(devIndex, progress, maxProgress, address);
}

void ZORSerialPort::devMeasTimeout(bool isConnect)
{
    const int devIndex = senderIndex();
    if (devIndex >= 0)
        emit onMeasTimeOut(devIndex, isConnect);
}

void ZORSerialPort::purgeDevSerialPortThread()
{
    const int devIndex = senderIndex();
    if (devIndex < 0)
        return;
    zorSerialPortThread *worker = workers.value(devIndex);
    worker->disconnect(this);
    disconnect(this, nullptr, worker, nullptr);
    queryQueues.remove(devIndex);
    dataQueues.remove(devIndex);
    queryHandedOver.remove(devIndex);
    dataHandedOver.remove(devIndex);
    for (const devDataReply &reply : heldReplies.take(devIndex))
        delete reply.buf;
    onExchangeProg();
    blocked.removeAll(devIndex);
    workers.remove(devIndex);
    locations.remove(devIndex);
    worker->wait();
    delete worker;
    if (QEventLoop *wait = removalWaits.take(devIndex))
        wait->quit();
}

int ZORSerialPort::senderIndex() const
{
    const zorSerialPortThread *worker = qobject_cast<const zorSerialPortThread *>(sender());
    if (!worker)
        return -1;
    const int devIndex = worker->getDevIndex();
    return workers.value(devIndex) == worker ? devIndex : -1;
}

bool ZORSerialPort::isHeld(const QString &location) const
{
    for (const QString &held : locations)
        if (held == location)
            return true;
    return false;
}

void ZORSerialPort::continueAfterWrites(int devIndex)
{
    if (queryQueues.value(devIndex).isEmpty())
        emit blockStatusEvent(devIndex, false);
    else
        handQuery(devIndex);
}

void ZORSerialPort::continueQueues(int devIndex)
{
    if (!workers.contains(devIndex))
        return;
    if (dataQueues.value(devIndex).isEmpty())
        continueAfterWrites(devIndex);
    else
        handData(devIndex);
}

void ZORSerialPort::handQuery(int devIndex)
{
    const QQueue<zorSerialPortQueryItem> queue = queryQueues.value(devIndex);
    if (queue.isEmpty() || queryHandedOver.contains(devIndex))
        return;
    queryHandedOver.insert(devIndex);
    emit readyDevQuery(devIndex, queue.head());
}

void ZORSerialPort::handData(int devIndex)
{
    const QQueue<zorSerialPortDataItem> queue = dataQueues.value(devIndex);
    if (queue.isEmpty() || dataHandedOver.contains(devIndex))
        return;
    dataHandedOver.insert(devIndex);
    emit readyDevData(devIndex, queue.head());
}

void ZORSerialPort::onExchangeProg()
{
    int total = 0;
    for (const QQueue<zorSerialPortQueryItem> &queue : qAsConst(queryQueues))
        total += queue.size();
    for (const QQueue<zorSerialPortDataItem> &queue : qAsConst(dataQueues))
        total += queue.size();
    if (total == 0) {
        emit setProgress(0, 0);
        maxProgress = 0;
    } else if (maxProgress == 0) {
        emit setProgress(0, total);
        maxProgress = total;
    } else if (maxProgress > total) {
        emit setProgress(maxProgress - total, maxProgress);
    } else {
        maxProgress = total;
    }
}
