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

public:
    // The link delays of a probe, which a connected instrument keeps.
    static constexpr quint16 handshakeMs = 2000;
    static constexpr quint16 queueMs = 200;
    static constexpr quint16 retryMs = 3000;

    struct probeOptions
    {
        quint16 handshake = handshakeMs; // how long a probe waits for the handshake (ms)
        // The ports the system lists too, or only those registered by this process
        // (typed device paths, the demo instrument, test ports).
        bool systemPorts = true;
    };

    explicit zorPortScan(ZORSerialPort *port, QObject *parent = nullptr);
    // Releases the ports still being probed.
    ~zorPortScan() override;

    // Opens every free port and queues its identity probe: the link manager's
    // indices of the probes. Shared with the discovery dialog, which handles the
    // replies itself.
    static QList<int> openProbes(ZORSerialPort *port, const probeOptions &options);
    // Whether a report of the link ends a probe: its identity read failed, or its
    // port did (from code 201 on; 110..140 come with the failed read).
    static bool endsProbe(const zorSerialPortQueryItem &query);
    static bool endsProbe(quint16 code) { return code > 200; }

    // False when a pass is running or no port could be opened.
    bool start();
    bool isRunning() const { return !probing.isEmpty(); }
    // Called from a found() slot: the port stays open and belongs to the caller.
    void keep(int devIndex);

    probeOptions &options() { return m_options; }

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
    probeOptions m_options;
};

#endif // ZORPORTSCAN_H
