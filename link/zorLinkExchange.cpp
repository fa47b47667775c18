#include "zorLinkExchange.h"

#include "link/zorLinkLog.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>

#include <cstring>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace {

const char confirm = 0x0F;               // handshake confirmation, acceptance of a written unit
const char abandonWrite = char(0xAA);    // block write given up after ten failures of one unit
const char readyMarker[4] = {char(0xAA), 0x0F, char(0xFF), 0x00};
const char wordAccepted[4] = {0x0F, char(0xAA), 0x0F, char(0xAA)};
const int maxUnitFailures = 10;
const int markerRepeats = 20;
const int step = 5;                      // ms, the slice of every wait

// A first unit 0F AA xx 09 announces a block 16 bytes longer than the one requested.
bool isExtendedFirstUnit(const char *unit)
{
    return unit[0] == 0x0F && unit[1] == char(0xAA) && unit[3] == 0x09;
}

} // namespace

zorLinkExchange::zorLinkExchange(QSerialPort *port, const std::atomic<bool> &alive)
    : port(port), alive(alive)
{
}

quint8 zorLinkExchange::initConnect(quint8 address)
{
    if (!port->isOpen() || !isAlive())
        return notOpen;
    bool echoed = false;
    for (int attempt = 0; attempt < 3 && !echoed; ++attempt) {
        passStream();
        selector = address;
        writeByte(char(address));
        waitWritten();
        echoed = awaitEcho(address);
    }
    if (!echoed)
        return noEcho;
    writeByte(confirm);
    waitWritten();
    return done;
}

bool zorLinkExchange::awaitEcho(quint8 address)
{
    // An idle instrument sends the echo alone. One that was streaming may have had text on
    // its way when the selector reached it: the echo then follows that text, as the last
    // byte before the line goes quiet (the instrument waits for the confirmation).
    QElapsedTimer waited;
    waited.start();
    QByteArray received;
    for (;;) {
        const bool candidate = !received.isEmpty() && quint8(received.back()) == address;
        const int left = int(init - waited.elapsed());
        // The bound holds also for a stream without end whose text ends in the selector now and then.
        if ((left <= 0 && !candidate) || waited.elapsed() >= init + echoQuiet || !isAlive())
            break;
        waitIncoming(candidate ? echoQuiet : left);
        if (port->bytesAvailable() == 0) {
            if (!candidate || !isAlive())
                break;
            qCDebug(lcLink).noquote() << port->portName() << "echo after" << received.size() - 1 << "bytes of stream";
            stream(received.chopped(1), true);
            return true;
        }
        received += port->readAll();
        if (received.size() == 1 && quint8(received.at(0)) == address) {
            stream(QByteArray(), true);
            return isAlive();
        }
    }
    stream(received, false);
    return false;
}

quint8 zorLinkExchange::initConnectSync(quint8 address)
{
    const quint8 result = initConnect(address);
    if (result != done || !isAlive())
        return result;
    // The marker is looked for in everything received, so that a stray byte ahead of it
    // (an echo that came twice) does not hide it.
    const QByteArray marker(readyMarker, 4);
    waitIncoming(init);
    char bytes[4] = {};
    QByteArray received(bytes, readByteWait(bytes, 4, init));
    for (int repeats = 0; !received.contains(marker); ++repeats) {
        if (repeats == markerRepeats) {
            // The instrument gave the exchange up: what it sent since is its stream.
            stream(received, false);
            return noReadyMarker;
        }
        if (!isAlive())
            return done;
        int begun = 3;   // the bytes of the marker already received at the end
        while (begun > 0 && !received.endsWith(marker.left(begun)))
            --begun;
        received.append(bytes, readByteWait(bytes, 4 - begun, unitTimeout));
    }
    return done;
}

quint8 zorLinkExchange::readBlock(quint8 address, quint16 size, QByteArray &reply)
{
    reply = QByteArray(size, 0);
    int total = size;
    const quint8 result = startTransfer(address);
    if (result != done || !isAlive())
        return finish(result);
    progress(0, total);

    int position = 0;
    int failures = 0;
    while (position < total) {
        if (!isAlive())
            return finish(done);
        if (failures == maxUnitFailures)
            return finish(transferFailed);
        char unit[4] = {};
        const int received = readByteWait(unit, 4, unitTimeout);
        // The echo goes back even when the unit came short: the instrument then
        // sees a wrong echo and repeats the unit.
        write(unit, 4);
        waitWritten();
        if (received < 4 || !waitAcknowledge()) {
            clearPort();
            ++failures;
            continue;
        }
        char acknowledge = 0;
        port->getChar(&acknowledge);
        if (acknowledge != confirm) {
            clearPort();
            ++failures;
            continue;
        }
        if (position == 0 && isExtendedFirstUnit(unit)) {
            reply.append(QByteArray(16, 0));
            total += 16;
        }
        // A requested size that is not a multiple of 4 keeps only what fits.
        std::memcpy(reply.data() + position, unit, size_t(qMin(4, total - position)));
        position = qMin(position + 4, total);
        failures = 0;
        progress(position, total);
    }
    return finish(done);
}

quint8 zorLinkExchange::readRecords(quint8 address, quint16 size, QByteArray &reply)
{
    reply.clear();
    const quint8 result = startTransfer(address);
    if (result != done || !isAlive())
        return finish(result);
    progress(0, size);
    while (reply.size() < size) {
        if (!isAlive())
            return finish(done);
        char record[8] = {};
        if (readByteWait(record, 8, unitTimeout) < 8)
            return finish(transferFailed);
        if (record[0] == char(0xFF))
            break;
        reply.append(record, 8);
        progress(reply.size(), size);
    }
    // Stopped short of the end record: the records still coming are no stream.
    if (reply.size() >= size)
        clearPort();
    return finish(done);
}

quint8 zorLinkExchange::readWord(quint8 address, QByteArray &reply)
{
    const quint8 result = initConnectWord(address);
    if (result != done || !isAlive())
        return finish(result);
    char word[4] = {};
    if (readByteWait(word, 4, unitTimeout) < 4)
        return finish(transferFailed);
    reply = QByteArray(word, 4);
    return finish(done);
}

quint8 zorLinkExchange::writeBlock(quint8 address, const QByteArray &data)
{
    const quint8 result = startTransfer(address);
    if (result != done || !isAlive())
        return finish(result);
    QThread::msleep(50);
    progress(0, data.size());

    for (int position = 0; position < data.size(); position += 4) {
        // A last unit shorter than 4 bytes goes out padded with zero bytes, so nothing
        // past the data is ever read or sent.
        char unit[4] = {};
        std::memcpy(unit, data.constData() + position, size_t(qMin(4, data.size() - position)));
        for (int failures = 0;;) {
            if (!isAlive())
                return finish(done);
            port->clear(QSerialPort::Input);
            write(unit, 4);
            waitWritten();
            char echo[4] = {};
            if (readByteWait(echo, 4, unitTimeout) == 4 && std::memcmp(echo, unit, 4) == 0) {
                writeByte(confirm);
                waitWritten();
                waitIncoming(init);
                char answer;
                port->getChar(&answer);
                break;
            }
            clearPort();
            writeByte(char(++failures));
            waitWritten();
            QThread::msleep(50);
            if (failures == maxUnitFailures) {
                writeByte(abandonWrite);
                waitWritten();
                return finish(transferFailed);
            }
        }
        progress(qMin(position + 4, data.size()), data.size());
    }
    return finish(done);
}

quint8 zorLinkExchange::writeWord(quint8 address, const QByteArray &data)
{
    const quint8 result = initConnectWord(address);
    if (result != done || !isAlive())
        return finish(result);
    char word[4] = {};
    std::memcpy(word, data.constData(), size_t(qMin(4, data.size())));
    write(word, 4);
    waitWritten();
    char echo[4] = {};
    if (readByteWait(echo, 4, unitTimeout) < 4 || std::memcmp(echo, word, 4) != 0)
        return finish(transferFailed);
    write(wordAccepted, 4);
    waitWritten();
    return finish(done);
}

int zorLinkExchange::readByteWait(char *buf, int n, int timeout)
{
    for (int waited = 0; port->bytesAvailable() < n && waited < timeout && isAlive(); waited += step)
        port->waitForReadyRead(step);
    return int(port->read(buf, n));
}

void zorLinkExchange::sendPending()
{
    if (port->bytesToWrite() > 0) {
        port->flush();
        waitWritten();
    }
}

void zorLinkExchange::clearPort()
{
    sendPending();
    // Bytes just written (the last acceptance of a word, the failure count and 0xAA of
    // an abandoned write) must reach the instrument before anything is discarded. On a
    // line the driver's queue is drained; the output direction is then empty and is
    // not flushed, because on a pseudo-terminal that flush would throw away what the
    // other end has not read yet.
    drainOutput();
    port->readAll();
    port->clear(QSerialPort::Input);
}

void zorLinkExchange::passStream()
{
    sendPending();
    stream(port->readAll(), false);
}

void zorLinkExchange::stream(const QByteArray &bytes, bool cut)
{
    if (!onStream || (!cut && bytes.isEmpty()))
        return;
    onStream(bytes, cut ? cutOff : selector && bytes.startsWith(char(selector)) ? afterNoise : continues);
}

void zorLinkExchange::drainOutput()
{
#ifdef Q_OS_UNIX
    ::tcdrain(port->handle());
#else
    // Qt has no wait for the driver's queue; what was handed over is left to the
    // driver, and only the input direction is cleared after it.
#endif
}

void zorLinkExchange::write(const char *data, int size)
{
    port->write(data, size);
}

void zorLinkExchange::waitWritten()
{
    QElapsedTimer waited;
    waited.start();
    while (port->bytesToWrite() > 0 && isAlive() && waited.elapsed() < init)
        port->waitForBytesWritten(step);
}

void zorLinkExchange::waitIncoming(int timeout)
{
    QElapsedTimer waited;
    waited.start();
    while (port->bytesAvailable() == 0 && isAlive() && waited.elapsed() < timeout)
        port->waitForReadyRead(step);
}

bool zorLinkExchange::waitAcknowledge()
{
    for (int polls = 0; port->bytesAvailable() == 0 && polls < 50 && isAlive(); ++polls)
        port->waitForReadyRead(step);
    return port->bytesAvailable() > 0;
}

quint8 zorLinkExchange::startTransfer(quint8 address)
{
    const quint8 result = initConnectSync(address);
    if (result != done || !isAlive())
        return result;
    writeByte(devType);
    waitWritten();
    return done;
}

quint8 zorLinkExchange::finish(quint8 result)
{
    // Once the instrument is done with the exchange, or never took it up, what it sends
    // is its stream again; the bytes of a broken-off transfer are not. An echo may
    // still come only after a handshake that failed.
    if (result == done || result == transferFailed)
        selector = 0;
    if (port->isOpen() && result == transferFailed)
        clearPort();
    else if (port->isOpen())
        passStream();
    return result;
}

void zorLinkExchange::progress(int done, int total)
{
    if (onProgress)
        onProgress(done, total);
}
