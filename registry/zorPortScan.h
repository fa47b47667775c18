#ifndef ZORPORTSCAN_H
#define ZORPORTSCAN_H

#include <QList>
#include <QObject>
#include <QSet>

#include "link/zorSerialPortQueryItem.h"

class ZORSerialPort;
class optionsZOR70;

// One pass over the free serial ports: each is opened through the link manager and
// asked for its identity with a quick probing read. Every instrument that answers
// with a valid identity is reported by found(); a listener that wants the port calls
// keep() from that slot, otherwise the port is released at once, as is every port
// that does not answer. finished() ends the pass, as soon as its last probe ends.
class zorPortScan : public QObject
{
    Q_OBJECT
    // How long a probe waits for the instrument's handshake (ms).
    Q_PROPERTY(int handshake READ handshake WRITE setHandshake)
    // Whether the ports the system lists are scanned, or only those registered by
    // this process (typed device paths, the demo instrument, test ports).
    Q_PROPERTY(bool systemPorts READ systemPorts WRITE setSystemPorts)

public:
    // The link delays of a probe, which a connected instrument keeps.
    static constexpr quint16 handshakeMs = 2000;
    static constexpr quint16 queueMs = 200;
    static constexpr quint16 retryMs = 3000;

    explicit zorPortScan(ZORSerialPort *port, QObject *parent = nullptr);
    // Releases the ports still being probed.
    ~zorPortScan() override;

    // Opens every free port and queues its identity probe: the link manager's
    // indices of the probes. Shared with the discovery dialog, which handles the
    // replies itself.
    static QList<int> openProbes(ZORSerialPort *port, quint16 handshake, bool systemPorts);

    // False when a pass is running or no port could be opened.
    bool start();
    bool isRunning() const { return !probing.isEmpty(); }
    // Called from a found() slot: the port stays open and belongs to the caller.
    void keep(int devIndex);

    int handshake() const { return m_handshake; }
    void setHandshake(int ms) { m_handshake = quint16(qBound(1, ms, 65535)); }
    bool systemPorts() const { return m_systemPorts; }
    void setSystemPorts(bool on) { m_systemPorts = on; }

signals:
    // identity is valid only during the emission.
    void found(int devIndex, const optionsZOR70 *identity);
    void finished();

private:
    void reply(int devIndex, QByteArray *buf, quint8 address);
    void queryError(int devIndex, quint16 code, zorSerialPortQueryItem query);
    void portError(int devIndex, quint16 code);
    // The probe of devIndex is over; the port is released unless it was kept.
    void settle(int devIndex);

    ZORSerialPort *port;
    QSet<int> probing;
    int kept = -1;
    quint16 m_handshake = handshakeMs;
    bool m_systemPorts = true;
};

#endif // ZORPORTSCAN_H
