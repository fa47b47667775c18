#include "zorSerialPortThread.h"

#include "link/zorLinkExchange.h"
#include "link/zorLinkLog.h"

#include <QMetaMethod>
#include <QRandomGenerator64>
#include <QTimer>

#include <utility>

namespace {

std::atomic<int> settleFixedMs{400};
std::atomic<int> settleSpreadMs{500};

// Between exchanges: the port's own buffer, and how many tokens the manager may leave
// untaken before the worker stops reading (some 30 and 10 sweeps of 8 channels).
const qint64 streamBufferBytes = 4096;
const int maxUntakenTokens = 100;

} // namespace

zorSerialPortThread::zorSerialPortThread(const QString &portName, int devIndex, int baudRate, char devType,
                                         quint8 sec)
    : portName(portName), baudRate(baudRate), devIndex(devIndex), devType(devType), sec(sec)
{
    registerMetaTypes();
    // The slots run in the worker's own thread once it starts.
    moveToThread(this);
}

zorSerialPortThread::~zorSerialPortThread()
{
    rm();
    wait();
}

void zorSerialPortThread::registerMetaTypes()
{
    qRegisterMetaType<zorSerialPortQueryItem>("zorSerialPortQueryItem");
    qRegisterMetaType<zorSerialPortDataItem>("zorSerialPortDataItem");
    qRegisterMetaType<zorQueryMode>("zorQueryMode");
    qRegisterMetaType<QByteArray *>("QByteArray*");
}

void zorSerialPortThread::run()
{
    port = new QSerialPort(portName);
    exchange = new zorLinkExchange(port, alive);
    exchange->setInitTimeout(init);
    exchange->setDevType(devType);
    // What an exchange reads of the stream joins it; once the instrument has stopped
    // streaming to answer, the token it broke off is dropped, not joined to the next.
    exchange->setStream([this](const QByteArray &bytes, zorLinkExchange::_join join) {
        if (join == zorLinkExchange::afterNoise)
            parser.resync();
        parseStream(bytes);
        if (join == zorLinkExchange::cutOff)
            parser.clear();
    });
    if (reConnect() && !removed.load()) {
        alive = true;
        watchdog = new QTimer;
        watchdog->setSingleShot(true);
        watchdog->setInterval(sec * 1000);
        connect(watchdog, &QTimer::timeout, this, &zorSerialPortThread::onTimerReconnect);
        startWatchdog();
        exec();
        delete watchdog;
        watchdog = nullptr;
    }
    alive = false;
    port->disconnect();
    closePort();
    delete exchange;
    exchange = nullptr;
    delete port;
    port = nullptr;
}

bool zorSerialPortThread::reConnect()
{
    if (portName.isEmpty()) {
        emit onError(254);
        return false;
    }
    port->disconnect();
    closePort();
    if (!port->open(QIODevice::ReadWrite)) {
        emit onError(openFailed);
        return false;
    }
    // What a pseudo-terminal or a bridge buffered while the port was closed is no
    // reading of now: its time is unknown. Cleared at once, before the line settings
    // are made, so that what the instrument sends once the port is open is not
    // cleared with it.
    port->clear(QSerialPort::Input);
    qCDebug(lcLink).noquote() << portName << "opened";
    port->setBaudRate(baudRate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    port->clearError();
    setExchanging(false);
    parser.clear();
    portFailed = false;
    connect(port, &QSerialPort::readyRead, this, &zorSerialPortThread::readyRead);
    connect(port, &QSerialPort::errorOccurred, this, &zorSerialPortThread::onPortError);
    ++reconnects;
    return true;
}

void zorSerialPortThread::closePort()
{
    if (!port->isOpen())
        return;
    qCDebug(lcLink).noquote() << portName << "closes";
    port->close();
}

void zorSerialPortThread::onPortError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    if (error == QSerialPort::UnknownError || error == QSerialPort::TimeoutError) {
        port->clearError();
        return;
    }
    failPort(error);
}

void zorSerialPortThread::failPort(QSerialPort::SerialPortError error)
{
    // A port whose other end is gone keeps raising the error as fast as it can be
    // polled (a pseudo-terminal gives ReadError without end). Report it once and
    // leave the event loop; run() then closes the port.
    if (portFailed)
        return;
    portFailed = true;
    // What the port still holds came before the break.
    if (!exchanging)
        takeStream(true);
    qCWarning(lcLink) << portName << "port error" << int(error) << port->errorString();
    emit onError(quint16(255 - error));
    stop();
}

void zorSerialPortThread::stop()
{
    alive = false;
    quit();
}

void zorSerialPortThread::rm()
{
    removed = true;
    stop();
}

void zorSerialPortThread::onTimerReconnect()
{
    if (!alive.load())
        return;
    if (!reConnect()) {
        qCWarning(lcLink) << portName << "silent for" << sec << "s and cannot be opened again";
        emit onMeasTimeout(false);
        stop();
        return;
    }
    qCInfo(lcLink) << portName << "silent for" << sec << "s, opened again";
    emit onMeasTimeout(true);
}

void zorSerialPortThread::readyRead()
{
    // While an exchange runs the bytes are its own. Between exchanges, also while
    // requests wait their turn, the instrument streams and every reading counts.
    if (exchanging || !port)
        return;
    takeStream();
}

void zorSerialPortThread::takeStream(bool force)
{
    if (!port->isOpen() || port->bytesAvailable() == 0)
        return;
    if (watchdog)
        watchdog->stop();
    {
        QMutexLocker locker(&streamLock);
        streamHeldBack = !force && streamed.size() >= maxUntakenTokens;
    }
    if (!streamHeldBack)
        parseStream(port->readAll());
    startWatchdog();
}

void zorSerialPortThread::parseStream(const QByteArray &bytes)
{
    QVector<zorStreamParser::_token> tokens;
    if (!parser.append(bytes, tokens) || !alive.load())
        return;
    QMutexLocker locker(&streamLock);
    streamed += tokens;
    if (!std::exchange(streamAnnounced, true)) {
        locker.unlock();
        emit streamReady();
    }
}

QVector<zorStreamParser::_token> zorSerialPortThread::takeStreamed()
{
    QVector<zorStreamParser::_token> taken;
    bool resume = false;
    {
        QMutexLocker locker(&streamLock);
        streamAnnounced = false;
        resume = std::exchange(streamHeldBack, false);
        taken = std::exchange(streamed, {});
    }
    // Posted outside the lock, which the worker takes for every token it parses.
    if (resume)
        QMetaObject::invokeMethod(this, [this] { readyRead(); }, Qt::QueuedConnection);
    return taken;
}

void zorSerialPortThread::setExchanging(bool on)
{
    exchanging = on;
    // An exchange waits for whole replies, however long.
    port->setReadBufferSize(on ? 0 : streamBufferBytes);
}

void zorSerialPortThread::sendQuery(int devIndex, zorSerialPortQueryItem query)
{
    if (devIndex != this->devIndex || !alive.load() || hasQuery)
        return;
    if (watchdog)
        watchdog->stop();
    this->query = query;
    hasQuery = true;
    queryAttempt = 0;
    schedule(queue + settleDelay(), &zorSerialPortThread::sendNextQuery);
}

void zorSerialPortThread::sendData(int devIndex, zorSerialPortDataItem data)
{
    if (devIndex != this->devIndex || !alive.load() || hasData)
        return;
    if (watchdog)
        watchdog->stop();
    this->data = data;
    hasData = true;
    dataAttempt = 0;
    schedule(queue + settleDelay(), &zorSerialPortThread::sendNextData);
}

void zorSerialPortThread::setDevType(int devIndex, char devType)
{
    if (devIndex != this->devIndex)
        return;
    this->devType = devType;
    if (exchange)
        exchange->setDevType(devType);
}

void zorSerialPortThread::setMeasTimeout(int devIndex, quint8 sec)
{
    if (devIndex != this->devIndex)
        return;
    this->sec = sec;
    if (!watchdog)
        return;
    const bool running = watchdog->isActive();
    watchdog->stop();
    watchdog->setInterval(sec * 1000);
    if (running)
        startWatchdog();
}

void zorSerialPortThread::setDelayTime(int devIndex, quint16 init, quint16 queue, quint16 attempt)
{
    if (devIndex != this->devIndex)
        return;
    this->init = init;
    this->queue = queue;
    this->attempt = attempt;
    if (exchange)
        exchange->setInitTimeout(init);
}

void zorSerialPortThread::sendNextQuery()
{
    if (!hasQuery || query.size == 0 || !alive.load())
        return;
    if (query.rec)
        sendNextQueryRec();
    else if (query.word)
        sendNextQueryWord();
    else
        sendNextQueryData();
}

void zorSerialPortThread::sendNextQueryData()
{
    startExchange(query.address, query.showPr);
    QByteArray reply;
    const quint8 code = exchange->readBlock(query.address, query.size, reply);
    finishQuery(code, reply);
}

void zorSerialPortThread::sendNextQueryRec()
{
    startExchange(query.address, query.showPr);
    QByteArray reply;
    const quint8 code = exchange->readRecords(query.address, query.size, reply);
    finishQuery(code, reply);
}

void zorSerialPortThread::sendNextQueryWord()
{
    startExchange(query.address, query.showPr);
    QByteArray reply;
    const quint8 code = exchange->readWord(query.address, reply);
    finishQuery(code, reply);
}

void zorSerialPortThread::sendNextData()
{
    if (!hasData || data.data.isEmpty() || !alive.load())
        return;
    if (data.word)
        sendNextDataWord();
    else
        sendNextDataSync();
}

void zorSerialPortThread::sendNextDataSync()
{
    if (!hasData || !alive.load())
        return;
    startExchange(data.address, data.showPr);
    finishData(exchange->writeBlock(data.address, data.data), &zorSerialPortThread::sendNextDataSync);
}

void zorSerialPortThread::sendNextDataWord()
{
    if (!hasData || !alive.load())
        return;
    startExchange(data.address, data.showPr);
    finishData(exchange->writeWord(data.address, data.data), &zorSerialPortThread::sendNextDataWord);
}

void zorSerialPortThread::startExchange(quint8 address, bool showPr)
{
    // The readings that arrived since the last look, also those waiting in the line
    // beyond the port's bounded buffer, are taken before the exchange starts. The
    // exchange passes on what it reads of the stream.
    setExchanging(true);
    for (int looks = 0; looks < 16 && port->waitForReadyRead(0); ++looks) {
    }
    takeStream(true);
    if (showPr) {
        emit setProgress(-1, 0, address);
        exchange->setProgress([this, address](int done, int total) { emit setProgress(done, total, address); });
    } else {
        exchange->setProgress(nullptr);
    }
}

void zorSerialPortThread::finishQuery(quint8 code, const QByteArray &reply)
{
    setExchanging(false);
    if (!alive.load()) {
        // Removed while exchanging: abandon quietly.
        if (query.showPr)
            emit setProgress(0, 0, query.address);
        clearQuery();
        return;
    }
    if (code != zorLinkExchange::done) {
        ++queryAttempt;
        const bool blockRead = !query.rec && !query.word;
        if (blockRead && query.qMode != qmNormal) {
            // A mode with neither quick nor no retries set gives up at once rather
            // than leaving the request hanging.
            if (queryAttempt > 3 || (query.qMode & qmNoRetry) || !(query.qMode & qmFastRetry)) {
                giveUpQuery(code);
            } else {
                ++queryAttempt;
                schedule(settleDelay(), &zorSerialPortThread::sendNextQuery);
            }
        } else if (queryAttempt > 3) {
            giveUpQuery(code);
        } else {
            retryLater(queryAttempt, &zorSerialPortThread::sendNextQuery);
        }
        return;
    }
    const quint8 address = query.address;
    const bool showPr = query.showPr;
    if (showPr)
        emit setProgress(-1, 0, address);
    deliverReply(reply, address);
    clearQuery();
    if (showPr)
        emit setProgress(0, 0, 255);
    startWatchdog();
}

void zorSerialPortThread::finishData(quint8 code, void (zorSerialPortThread::*retry)())
{
    setExchanging(false);
    if (!alive.load()) {
        if (data.showPr)
            emit setProgress(0, 0, data.address);
        clearData();
        return;
    }
    if (code != zorLinkExchange::done) {
        if (++dataAttempt > 3)
            giveUpData(code);
        else
            retryLater(dataAttempt, retry);
        return;
    }
    const quint8 address = data.address;
    const bool showPr = data.showPr;
    clearData();
    emit doneSend();
    if (showPr)
        emit setProgress(0, 0, address);
    startWatchdog();
}

void zorSerialPortThread::retryLater(quint8 tries, void (zorSerialPortThread::*slot)())
{
    if (tries % 2) {
        schedule(attempt + settleDelay(), slot);
        return;
    }
    qCInfo(lcLink) << portName << "opened again after" << tries << "failed tries";
    if (!reConnect()) {
        // The port cannot be opened again (already reported): nothing more can be
        // done on it, so the worker ends and the manager discards the device.
        stop();
        return;
    }
    schedule(2 * attempt + settleDelay(), slot);
}

void zorSerialPortThread::giveUpQuery(quint8 code)
{
    if (query.showPr)
        emit setProgress(0, 0, query.address);
    if ((query.qMode & qmEmptyOnFail) && !query.word)
        deliverReply(QByteArray(), query.address);
    else
        emit onSendQueryError(code, query);
    clearQuery();
    startWatchdog();
}

void zorSerialPortThread::deliverReply(const QByteArray &reply, quint8 address)
{
    // The receiver releases the array: with none connected it would be lost.
    if (isSignalConnected(QMetaMethod::fromSignal(&zorSerialPortThread::readyQuery)))
        emit readyQuery(new QByteArray(reply), address);
}

void zorSerialPortThread::giveUpData(quint8 code)
{
    if (data.showPr)
        emit setProgress(0, 0, data.address);
    emit onSendDataError(code, data);
    clearData();
}

void zorSerialPortThread::clearQuery()
{
    query = zorSerialPortQueryItem();
    hasQuery = false;
}

void zorSerialPortThread::clearData()
{
    data = zorSerialPortDataItem();
    hasData = false;
}

void zorSerialPortThread::startWatchdog()
{
    // A timeout of 0 s means no watchdog, not a reconnect after every event.
    if (watchdog && sec > 0)
        watchdog->start();
}

void zorSerialPortThread::setSettleTime(int fixedMs, int spreadMs)
{
    settleFixedMs.store(qMax(0, fixedMs));
    settleSpreadMs.store(qMax(0, spreadMs));
}

int zorSerialPortThread::settleDelay()
{
    const quint32 x = quint32(QRandomGenerator64::global()->generate());
    return settleFixedMs.load() + int((quint64(x) * quint64(settleSpreadMs.load())) >> 32);
}

void zorSerialPortThread::schedule(int ms, void (zorSerialPortThread::*slot)())
{
    QTimer::singleShot(ms, this, slot);
}
