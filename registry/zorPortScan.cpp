#include "registry/zorPortScan.h"

#include "link/ZORSerialPort.h"
#include "link/zorPortCatalog.h"
#include "model/optionsZOR70.h"

#include <utility>

zorPortScan::zorPortScan(ZORSerialPort *port, QObject *parent)
    : QObject(parent)
    , port(port)
{
    connect(port, qOverload<int, QByteArray *, quint8>(&ZORSerialPort::readyDevReply), this, &zorPortScan::reply);
    connect(port, &ZORSerialPort::onDevQueryError, this, &zorPortScan::queryError);
    connect(port, qOverload<int, quint16>(&ZORSerialPort::onDevError), this, &zorPortScan::portError);
}

zorPortScan::~zorPortScan()
{
    disconnect(port, nullptr, this, nullptr);
    for (int devIndex : std::exchange(probing, {}))
        port->rmDev(devIndex);
}

QList<int> zorPortScan::openProbes(ZORSerialPort *port, const probeOptions &options)
{
    QList<int> opened;
    for (const zorPortCatalog::_port &candidate : zorPortCatalog::ports()) {
        if (candidate.busy || (!options.systemPorts && !candidate.registered))
            continue;
        // Ports this program holds already are refused here.
        const int devIndex = port->addDev(candidate.name);
        if (devIndex < 0)
            continue;
        emit port->onSetDelayTime(devIndex, options.handshake, queueMs, retryMs);
        port->sendDevQuery(devIndex, optionsZOR70::rdIdent, optionsZOR70::identSize, true, qmFastRetry);
        opened.append(devIndex);
    }
    return opened;
}

bool zorPortScan::start()
{
    if (isRunning())
        return false;
    const QList<int> opened = openProbes(port, m_options);
    probing = QSet<int>(opened.cbegin(), opened.cend());
    return isRunning();
}

void zorPortScan::keep(int devIndex)
{
    kept = devIndex;
}

void zorPortScan::reply(int devIndex, QByteArray *buf, quint8 address)
{
    if (address != optionsZOR70::rdIdent || !buf || !probing.contains(devIndex))
        return;
    optionsZOR70 identity;
    if (identity.setData(buf, address) && optionsZOR70::isValidType(identity.devType) && identity.isIdentified()) {
        kept = -1;
        emit found(devIndex, &identity);
        if (kept == devIndex) {
            probing.remove(devIndex);
            if (probing.isEmpty())
                emit finished();
            return;
        }
    }
    settle(devIndex);
}

bool zorPortScan::endsProbe(const zorSerialPortQueryItem &query)
{
    return query.address == optionsZOR70::rdIdent;
}

void zorPortScan::queryError(int devIndex, quint16, zorSerialPortQueryItem query)
{
    if (endsProbe(query))
        settle(devIndex);
}

void zorPortScan::portError(int devIndex, quint16 code)
{
    if (endsProbe(code))
        settle(devIndex);
}

void zorPortScan::settle(int devIndex)
{
    if (!probing.remove(devIndex))
        return;
    // The removal waits in an event loop, where other probes may end: finished()
    // is raised by whichever call finds the pass empty first.
    const bool last = probing.isEmpty();
    port->rmDev(devIndex);
    if (last && probing.isEmpty())
        emit finished();
}
