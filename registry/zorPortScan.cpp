#include "registry/zorPortScan.h"

#include "link/ZORSerialPort.h"
#include "link/zorPortCatalog.h"
#include "model/optionsZOR70.h"
#include "registry/zorList.h"
#include "registry/zorRegistryLog.h"

#include <QDateTime>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace {
// One appearance of a port: its device file and when that file was made; a port
// without a device file is one appearance while the system lists it. Empty: absent.
QString presence(const zorPortCatalog::_port &candidate, const QString &location)
{
    const QFileInfo file(location);
    if (!file.exists())
        return candidate.registered ? QString() : location;
    return location + '@' + QString::number(file.metadataChangeTime().toMSecsSinceEpoch());
}

bool isAppearanceOf(const QString &key, const QString &location)
{
    return key == location || key.startsWith(location + '@');
}
} // namespace

zorPortScan::zorPortScan(ZORSerialPort *port, QObject *parent)
    : QObject(parent)
    , port(port)
{
    connect(port, qOverload<int, QByteArray *, quint8>(&ZORSerialPort::readyDevReply), this, &zorPortScan::reply);
    connect(port, &ZORSerialPort::onDevQueryError, this, &zorPortScan::queryError);
    connect(port, qOverload<int, quint16>(&ZORSerialPort::onDevError), this, &zorPortScan::portError);
    connect(port, &ZORSerialPort::readyDevMeas, this, &zorPortScan::reading);
    connect(port, &ZORSerialPort::readyDevStatus, this, [this](int devIndex) { streamed(devIndex); });
    connect(&listing, &QFutureWatcherBase::finished, this, [this] {
        if (std::exchange(looking, false))
            probe(listing.result(), false);
    });
}

zorPortScan::~zorPortScan()
{
    disconnect(port, nullptr, this, nullptr);
    cancel();
}

QSet<QString> zorPortScan::heldLocations() const
{
    QSet<QString> held;
    for (int devIndex : port->getDevIndexList())
        if (!probing.contains(devIndex))
            held.insert(port->getLocation(devIndex));
    return held;
}

int zorPortScan::start(bool everyPort)
{
    return probe(zorPortCatalog::ports(), everyPort);
}

void zorPortScan::look()
{
    looking = true;
    if (!listing.isRunning())
        listing.setFuture(QtConcurrent::run(&zorPortCatalog::ports));
}

int zorPortScan::probe(const QList<zorPortCatalog::_port> &ports, bool everyPort)
{
    if (probing.isEmpty())
        started = ended = 0;
    const QSet<QString> held = heldLocations();
    QSet<QString> present;
    int opened = 0;
    for (const zorPortCatalog::_port &candidate : ports) {
        if (candidate.busy || (!m_options.systemPorts && !candidate.registered))
            continue;
        const QString &location = candidate.location;
        const QString key = presence(candidate, location);
        if (key.isEmpty())
            continue;
        present.insert(key);
        // A held port is seen too: released later without having gone, it is not new.
        if (held.contains(location) || (!everyPort && seen.contains(key))) {
            seen.insert(key);
            continue;
        }
        const int devIndex = port->addDev(candidate);
        if (devIndex < 0)
            continue; // being probed, or not to be opened
        seen.insert(key);
        port->setDelayTime(devIndex, m_options.handshake, zorList::queueMs, zorList::retryMs);
        probing.insert(devIndex);
        ask(devIndex);
        ++opened;
    }
    // Gone ports are forgotten: their next appearance is probed.
    seen &= present;
    started += opened;
    return opened;
}

void zorPortScan::keep(int devIndex)
{
    kept = devIndex;
}

void zorPortScan::cancel()
{
    // A port kept from inside a found() slot (which may close the dialog) is the
    // caller's already.
    probing.remove(kept);
    held.clear();
    looking = false;
    askedAgain.clear();
    for (int devIndex : std::exchange(probing, {}) + std::exchange(watching, {}))
        port->rmDev(devIndex);
}

void zorPortScan::watch(const QString &portName)
{
    const QString location = zorPortCatalog::systemLocation(portName);
    ownPaths.insert(location);
    for (auto it = seen.begin(); it != seen.end();)
        it = isAppearanceOf(*it, location) ? seen.erase(it) : std::next(it);
}

void zorPortScan::unwatch(const QString &portName)
{
    const QString location = zorPortCatalog::systemLocation(portName);
    ownPaths.remove(location);
    for (int devIndex : QSet<int>(watching)) {
        if (port->getLocation(devIndex) == location) {
            watching.remove(devIndex);
            port->rmDev(devIndex);
        }
    }
}

void zorPortScan::streamed(int devIndex)
{
    if (!watching.remove(devIndex))
        return;
    // Asked once: a device that streams but does not answer is released, not watched.
    ownPaths.remove(port->getLocation(devIndex));
    qCInfo(lcRegistry).noquote() << "readings on" << port->getPortName(devIndex) << ": identity probe";
    if (probing.isEmpty())
        started = ended = 0;
    ++started;
    probing.insert(devIndex);
    ask(devIndex);
}

void zorPortScan::ask(int devIndex)
{
    port->sendDevQuery(devIndex, optionsZOR70::rdIdent, optionsZOR70::identSize, true, qmNoRetry);
    qCDebug(lcRegistry).noquote() << "identity probe on" << port->getPortName(devIndex);
}

void zorPortScan::reading(int devIndex, double meas, quint8 ch, char dim)
{
    streamed(devIndex);
    if (probing.contains(devIndex))
        held[devIndex].append({meas, ch, dim, QDateTime::currentMSecsSinceEpoch()});
}

void zorPortScan::reply(int devIndex, QByteArray *buf, quint8 address)
{
    if (address != optionsZOR70::rdIdent || !buf || !probing.contains(devIndex))
        return;
    optionsZOR70 identity;
    if (identity.setData(buf, address) && optionsZOR70::isValidType(identity.devType) && identity.isIdentified()) {
        kept = -1;
        emit found(devIndex, &identity, held.value(devIndex));
        settle(devIndex, std::exchange(kept, -1) != devIndex);
        return;
    }
    settle(devIndex);
}

bool zorPortScan::endsProbe(const zorSerialPortQueryItem &query)
{
    return query.address == optionsZOR70::rdIdent;
}

void zorPortScan::queryError(int devIndex, quint16, zorSerialPortQueryItem query)
{
    if (!endsProbe(query) || !probing.contains(devIndex))
        return;
    const QString location = port->getLocation(devIndex);
    // Readings came while the port was asked: an instrument is there, and the request
    // reached it in the middle of its stream. It is asked once more at once, and what it
    // streamed meanwhile is kept for its record.
    if (!held.value(devIndex).isEmpty() && !askedAgain.contains(devIndex)) {
        askedAgain.insert(devIndex);
        ownPaths.remove(location);
        qCInfo(lcRegistry).noquote() << "readings on" << port->getPortName(devIndex) << "while probed: asked again";
        ask(devIndex);
        return;
    }
    // A lost instrument's own port that is still there stays open, listening.
    const bool own = ownPaths.contains(location);
    settle(devIndex, !own);
    if (own)
        watching.insert(devIndex);
}

void zorPortScan::portError(int devIndex, quint16 code)
{
    if (endsProbe(code) && watching.remove(devIndex))
        port->rmDev(devIndex);
    else if (endsProbe(code))
        settle(devIndex);
}

void zorPortScan::settle(int devIndex, bool release)
{
    if (!probing.remove(devIndex))
        return;
    held.remove(devIndex);
    askedAgain.remove(devIndex);
    // The removal waits in an event loop, where other probes may end: finished()
    // is raised by whichever call finds the scan empty first.
    const bool last = probing.isEmpty();
    emit progress(++ended, started);
    if (release)
        port->rmDev(devIndex);
    if (last && probing.isEmpty())
        emit finished();
}
