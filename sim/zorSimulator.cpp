#include "sim/zorSimulator.h"

#include "link/zorPortCatalog.h"
#include "sim/zorSimBath.h"

#include <QMutexLocker>

#include <cmath>

#include <sys/prctl.h>
#include <unistd.h>

#include <utility>

namespace {

const char confirm = 0x0F;
const char negative = char(0xF0);   // a unit's echo did not match: the unit follows again
const char readyMarker_[4] = {char(0xAA), 0x0F, char(0xFF), 0x00};
const char markerNoise[4] = {char(0xAA), 0x0F, char(0xFF), char(0x80)};
const char wordAccepted[4] = {0x0F, char(0xAA), 0x0F, char(0xAA)};
const char endOfRecords = char(0xFF);
const char strayBytes[] = "\xFE\x13";

// How long the instrument waits for the program at each step of an exchange.
const int confirmTimeout = 3000;
const int unitTimeout = 1000;
const int writeTimeout = 1500;
const int acceptTimeout = 300;
// A unit whose echo was wrong follows again once the program has cleared its port;
// one that was not acknowledged, once the program's 250 ms acknowledge wait is over.
const int repeatQuiet = 30;
const int unacknowledgedQuiet = 300;

// The log keeps the latest entries only, so that a simulator can run for days.
const int maxEvents = 100000;
const int maxReceived = 4 * 1024 * 1024;

// A sweep sent whole waits while more than this is unread, looking again this often.
const int maxBacklog = 1024;
const qint64 backlogWaitNs = 500000;

const char *const faultNames[] = {"no-echo",     "no-ready-marker", "bad-ready-marker", "corrupt-unit",
                                  "withhold-ack", "wrong-echo",      "no-data",          "error-reading",
                                  "status-error", "drop-line",       "line-noise",       "stream-ahead"};

} // namespace

zorSimulator::zorSimulator(QObject *parent)
    : zorSimulator(_options(), parent)
{
}

zorSimulator::zorSimulator(const _options &settings, QObject *parent)
    : QObject(parent),
      settings(settings),
      stream(settings.serialNumber),
      period(settings.period),
      memory(settings.type, settings.serialNumber, settings.name, settings.channels)
{
    line.setThrottle(settings.throttle);
}

zorSimulator::~zorSimulator()
{
    stop();
}

bool zorSimulator::start()
{
    if (isRunning())
        return true;
    if (!line.open())
        return false;
    path = line.portName();
    stopping = false;
    startNs = zorSimLine::nowNs();
    worker = std::thread(&zorSimulator::run, this);
    zorPortCatalog::registerPort(path, tr("Симулятор ЗОР 4.70 № %1").arg(settings.serialNumber));
    return true;
}

void zorSimulator::stop()
{
    if (!isRunning())
        return;
    stopping = true;
    worker.join();
    line.close();
    zorPortCatalog::unregisterPort(path);
}

void zorSimulator::run()
{
    ::prctl(PR_SET_TIMERSLACK, 1UL);   // the line's pacing needs sub-millisecond sleeps
    qint64 nextToken = zorSimLine::nowNs() + qint64(period) * 1000000;
    while (!stopping.load()) {
        dropIfRequested();
        if (!line.isOpen()) {
            ::usleep(10000);
            continue;
        }
        const qint64 periodNs = qint64(period) * 1000000;
        // The last fraction of a millisecond before a token is waited for, not spun away.
        const qint64 untilToken = nextToken - zorSimLine::nowNs();
        if (periodNs > 0 && untilToken > 0 && untilToken < 1000000)
            line.waitForInput(untilToken);
        const int waitMs = periodNs > 0 ? int(qBound<qint64>(0, (nextToken - zorSimLine::nowNs()) / 1000000, 50)) : 50;
        char byte;
        if (take(&byte, 1, waitMs)) {
            serve(byte);
            nextToken = zorSimLine::nowNs() + periodNs;
        } else if (periodNs > 0 && zorSimLine::nowNs() >= nextToken) {
            if (sendToken())
                nextToken = qMax(nextToken + periodNs, zorSimLine::nowNs());
            else
                nextToken = zorSimLine::nowNs() + backlogWaitNs;
        }
    }
}

bool zorSimulator::take(char *bytes, int n, int timeoutMs)
{
    const zorSimLine::_interruption check = [this] { return interrupted(); };
    for (int i = 0; i < n; ++i) {
        dropIfRequested();
        if (!line.receive(bytes + i, timeoutMs, check)) {
            dropIfRequested();
            return false;
        }
        QMutexLocker locker(&lock);
        if (receivedBytes.size() >= maxReceived)
            receivedBytes.remove(0, maxReceived / 2);
        receivedBytes.append(bytes[i]);
    }
    return true;
}

void zorSimulator::dropIfRequested()
{
    if (dropRequested.exchange(false) && line.isOpen()) {
        line.close();
        record(lineDropped, 0);
    }
}

bool zorSimulator::takeFault(_fault kind, int *code)
{
    QMutexLocker locker(&lock);
    auto it = faults.find(kind);
    if (it == faults.end())
        return false;
    if (code)
        *code = it->code;
    if (it->count > 0 && --it->count == 0)
        faults.erase(it);
    return true;
}

bool zorSimulator::dropDue(int unit)
{
    {
        QMutexLocker locker(&lock);
        auto it = faults.constFind(dropLine);
        if (it == faults.constEnd() || it->code > unit)
            return false;
    }
    takeFault(dropLine);
    line.close();
    record(lineDropped, 0);
    return true;
}

void zorSimulator::record(_eventType type, quint8 address, const QByteArray &data)
{
    const qint64 us = zorSimLine::nowNs() / 1000;
    QMutexLocker locker(&lock);
    if (events.size() >= maxEvents)
        events.remove(0, maxEvents / 2);
    events.append({us, type, address, data});
}

void zorSimulator::serve(char first)
{
    int ahead = 0;
    if (takeFault(streamAhead, &ahead))
        sendAhead(ahead);
    quint8 address = quint8(first);
    zorSimMemory::_exchangeKind kind;
    for (;;) {
        {
            QMutexLocker locker(&lock);
            kind = memory.kindOf(address);
        }
        if (kind == zorSimMemory::none || takeFault(noEcho)) {
            record(selectorIgnored, address);
            return;
        }
        if (!send(QByteArray(1, char(address))))
            return;
        record(selectorEchoed, address, QByteArray::number(int(kind)));
        char answer;
        if (!take(&answer, 1, confirmTimeout)) {
            fail(address, "no confirmation");
            return;
        }
        if (answer == confirm)
            break;
        address = quint8(answer);   // the program started over
    }
    switch (kind) {
    case zorSimMemory::wordRead:
        serveWordRead(address);
        return;
    case zorSimMemory::wordWrite:
        serveWordWrite(address);
        return;
    default:
        break;
    }
    if (!readyMarker(address))
        return;
    if (kind == zorSimMemory::blockRead)
        serveBlockRead(address);
    else if (kind == zorSimMemory::recordRead)
        serveRecordRead(address);
    else
        serveBlockWrite(address);
}

bool zorSimulator::readyMarker(quint8 address)
{
    if (takeFault(noReadyMarker)) {
        fail(address, "ready marker withheld");
        return false;
    }
    if (takeFault(badReadyMarker)) {
        // Noise keeps coming while the program waits for the marker.
        for (int i = 0; i < 40 && !line.hasInput() && !stopping.load(); ++i) {
            send(QByteArray(markerNoise, 4));
            ::usleep(15000);
        }
        fail(address, "ready marker garbled");
        return false;
    }
    send(QByteArray(readyMarker_, 4));
    char devType;
    if (!take(&devType, 1, confirmTimeout)) {
        fail(address, "no device type");
        return false;
    }
    return true;
}

void zorSimulator::serveBlockRead(quint8 address)
{
    QByteArray data = block(address);
    data = data.leftJustified((data.size() + 3) / 4 * 4, '\0');
    for (int unit = 0; unit < data.size() / 4; ++unit) {
        const QByteArray bytes = data.mid(4 * unit, 4);
        for (;;) {
            if (dropDue(unit))
                return;
            QByteArray out = bytes;
            if (takeFault(corruptUnit))
                out[1] = char(out.at(1) ^ 0x5A);
            if (!send(out))
                return;
            char echo[4];
            if (!take(echo, 4, unitTimeout)) {
                fail(address, "no echo of a unit");
                return;
            }
            if (QByteArray(echo, 4) != bytes) {
                record(unitRepeated, address, QByteArray::number(unit));
                send(QByteArray(1, negative));
                line.discardInput(repeatQuiet, [this] { return interrupted(); });
                continue;
            }
            if (takeFault(withholdAck)) {
                record(unitRepeated, address, QByteArray::number(unit));
                line.discardInput(unacknowledgedQuiet, [this] { return interrupted(); });
                continue;
            }
            send(QByteArray(1, confirm));
            break;
        }
    }
    record(readDone, address, data);
}

void zorSimulator::serveRecordRead(quint8 address)
{
    if (takeFault(noData)) {
        fail(address, "records withheld");
        return;
    }
    const QByteArray data = block(address);
    QByteArray end(8, '\0');
    end[0] = endOfRecords;
    send(data + end);
    record(readDone, address, data);
}

void zorSimulator::serveWordRead(quint8 address)
{
    if (takeFault(noData)) {
        fail(address, "word withheld");
        return;
    }
    const QByteArray word = block(address);
    send(word);
    record(readDone, address, word);
}

void zorSimulator::serveBlockWrite(quint8 address)
{
    int length;
    {
        QMutexLocker locker(&lock);
        length = memory.writeLength(address);
    }
    QByteArray data;
    for (int unit = 0; unit < (length + 3) / 4; ++unit) {
        for (;;) {
            if (dropDue(unit))
                return;
            char bytes[4];
            if (!take(bytes, 4, writeTimeout)) {
                fail(address, "unit missing");
                return;
            }
            QByteArray echo(bytes, 4);
            if (takeFault(wrongEcho))
                echo[0] = char(~echo.at(0));
            send(echo);
            char verdict;
            if (!take(&verdict, 1, writeTimeout)) {
                fail(address, "no verdict on a unit");
                return;
            }
            if (verdict == confirm) {
                send(QByteArray(1, confirm));
                data.append(bytes, 4);
                break;
            }
            if (verdict < 1 || verdict > 10) {
                fail(address, "unexpected byte");
                return;
            }
            record(unitRepeated, address, QByteArray::number(unit));
            if (verdict == 10) {
                char last = 0;
                take(&last, 1, writeTimeout);
                fail(address, last == char(0xAA) ? "write abandoned" : "write abandoned without 0xAA");
                return;
            }
        }
    }
    data.truncate(length);
    {
        QMutexLocker locker(&lock);
        memory.write(address, data);
    }
    record(blockWritten, address, data);
}

void zorSimulator::serveWordWrite(quint8 address)
{
    char bytes[4];
    if (!take(bytes, 4, unitTimeout)) {
        fail(address, "word missing");
        return;
    }
    QByteArray echo(bytes, 4);
    const bool wrong = takeFault(wrongEcho);
    if (wrong)
        echo[0] = char(~echo.at(0));
    send(echo);
    char accepted[4];
    if (!take(accepted, 4, acceptTimeout) || QByteArray(accepted, 4) != QByteArray(wordAccepted, 4) || wrong) {
        fail(address, "word not accepted");
        return;
    }
    const QByteArray word(bytes, 4);
    {
        QMutexLocker locker(&lock);
        memory.write(address, word);
    }
    record(wordWritten, address, word);
}

bool zorSimulator::sendToken()
{
    if (settings.sweepPerWrite && line.unread() > maxBacklog)
        return false;
    QVector<zorSimMemory::_channel> channels;
    {
        QMutexLocker locker(&lock);
        channels = memory.activeChannels();
    }
    const double seconds = (zorSimLine::nowNs() - startNs) / 1e9;
    quint8 flags = 0;
    QVector<QByteArray> tokens{nextToken(channels, seconds, flags)};
    while (settings.sweepPerWrite && sweep != 0)
        tokens.append(nextToken(channels, seconds, flags));
    if (line.sendInterruptible(tokens.size() == 1 ? tokens.first() : tokens.toList().join()))
        tokensSent(tokens, flags);
    return true;
}

void zorSimulator::sendAhead(int bytes)
{
    QVector<zorSimMemory::_channel> channels;
    {
        QMutexLocker locker(&lock);
        channels = memory.activeChannels();
    }
    const double seconds = (zorSimLine::nowNs() - startNs) / 1e9;
    quint8 flags = 0;
    QByteArray text;
    QVector<QByteArray> whole;
    while (text.size() < bytes) {
        const QByteArray token = nextToken(channels, seconds, flags);
        text += token;
        if (text.size() <= bytes)
            whole.append(token);
    }
    if (send(text.left(bytes)))
        tokensSent(whole, flags);
}

void zorSimulator::tokensSent(const QVector<QByteArray> &tokens, quint8 flags)
{
    for (const QByteArray &token : tokens)
        record(tokenSent, 0, token);
    if (flags) {
        QMutexLocker locker(&lock);
        changeFlags &= quint8(~flags);
    }
}

QByteArray zorSimulator::nextToken(const QVector<zorSimMemory::_channel> &channels, double seconds, quint8 &flags)
{
    if (sweep >= channels.size()) {
        sweep = 0;
        int code = 0;
        takeFault(statusError, &code);
        {
            QMutexLocker locker(&lock);
            flags = changeFlags;
        }
        const bool on = settings.bath ? zorSimBath::thermostat(seconds) : thermostat.load();
        QByteArray token = zorSimStream::status(quint8(code), on, flags);
        if (takeFault(lineNoise))
            token.prepend(strayBytes);
        return token;
    }
    const zorSimMemory::_channel ch = channels.at(sweep++);
    int code = 0;
    if (takeFault(errorReading, &code))
        return zorSimStream::errorReading(ch.number, quint8(code));
    return readingToken(ch, seconds);
}

QByteArray zorSimulator::readingToken(const zorSimMemory::_channel &ch, double seconds)
{
    double value = 0;
    if (!settings.bath)
        value = stream.value(ch.number, ch.unit, seconds);
    else if (zorSimBath::channelFails(ch.number, seconds))
        return zorSimStream::errorReading(ch.number, zorSimBath::faultCode);
    else if (zorSimBath::value(ch.number, ch.unit, seconds, &value))
        value += zorSimBath::noise(ch.number) * std::pow(10.0, -ch.decimals) * stream.noise();
    else
        value = stream.value(ch.number, ch.unit, seconds);
    return zorSimStream::reading(ch.number, value, ch.decimals, ch.unit);
}

void zorSimulator::injectFault(_fault kind, int count, int code)
{
    QMutexLocker locker(&lock);
    if (count == 0)
        faults.remove(kind);
    else
        faults.insert(kind, {count, code});
}

void zorSimulator::clearFaults()
{
    QMutexLocker locker(&lock);
    faults.clear();
}

void zorSimulator::closeLine()
{
    dropRequested = true;
}

void zorSimulator::raiseChangeFlags(quint8 flags)
{
    QMutexLocker locker(&lock);
    changeFlags |= flags & 0x0F;
}

QByteArray zorSimulator::block(quint8 selector) const
{
    QMutexLocker locker(&lock);
    return memory.read(selector);
}

void zorSimulator::setBlock(quint8 selector, const QByteArray &bytes)
{
    QMutexLocker locker(&lock);
    memory.setBlock(selector, bytes);
}

void zorSimulator::setRecords(quint8 selector, const QByteArray &records)
{
    QMutexLocker locker(&lock);
    memory.setRecords(selector, records);
}

void zorSimulator::setWord(quint8 selector, const QByteArray &word)
{
    QMutexLocker locker(&lock);
    memory.setWord(selector, word);
}

void zorSimulator::addWordTarget(quint8 selector)
{
    QMutexLocker locker(&lock);
    memory.addWordTarget(selector);
}

QByteArray zorSimulator::writtenWord(quint8 selector) const
{
    QMutexLocker locker(&lock);
    return memory.writtenWord(selector);
}

QByteArray zorSimulator::clock() const
{
    QMutexLocker locker(&lock);
    return memory.clock();
}

QByteArray zorSimulator::received() const
{
    QMutexLocker locker(&lock);
    return receivedBytes;
}

QVector<zorSimulator::_event> zorSimulator::log() const
{
    QMutexLocker locker(&lock);
    return events;
}

QVector<zorSimulator::_event> zorSimulator::log(_eventType type) const
{
    QMutexLocker locker(&lock);
    QVector<_event> selected;
    for (const _event &e : events)
        if (e.type == type)
            selected.append(e);
    return selected;
}

void zorSimulator::clearLog()
{
    QMutexLocker locker(&lock);
    receivedBytes.clear();
    events.clear();
}

QVector<zorSimulator::_event> zorSimulator::takeLog()
{
    QMutexLocker locker(&lock);
    return std::exchange(events, {});
}

bool zorSimulator::faultFromName(const QString &name, _fault *kind)
{
    for (int i = 0; i < int(sizeof faultNames / sizeof *faultNames); ++i) {
        if (name == QLatin1String(faultNames[i])) {
            *kind = _fault(i);
            return true;
        }
    }
    return false;
}
