#ifndef ZORPORTSCAN_H
#define ZORPORTSCAN_H

#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

#include "link/zorPortCatalog.h"
#include "link/zorSerialPortQueryItem.h"
#include "registry/zorList.h"

class ZORSerialPort;
class optionsZOR70;

// The scan of the free serial ports, the one way the program probes them: each port is
// opened through the link manager and asked for its identity once, with a single
// request given up at its first failure. Every instrument that answers with a valid
// identity is reported by found(); a listener that wants the port calls keep() from
// that slot, otherwise the port is released at once, as is every port that does not
// answer. Ports this program holds are never probed.
//
// A search the user asks for probes every free port. The program's own probing (at
// start, and while an instrument is lost) probes a port at most once each time it
// appears: a port is present while it is listed (a typed path or a pseudo-terminal
// while its device file exists), and a device file made anew, as for a re-enumerated
// USB adapter or a reused pseudo-terminal number, is a new appearance.
class zorPortScan : public QObject
{
    Q_OBJECT

public:
    struct probeOptions
    {
        quint16 handshake = 2000; // how long a probe waits for each echo of its selector (ms)
        // The ports the system lists too, or only those registered by this process
        // (typed device paths, the demo instrument, test ports).
        bool systemPorts = true;
    };

    explicit zorPortScan(ZORSerialPort *port, QObject *parent = nullptr);
    // Releases the ports still being probed.
    ~zorPortScan() override;

    // Probes every free port (everyPort), or those that appeared since they were last
    // probed or held; a port being probed is left to its probe. Returns the number of
    // probes started.
    int start(bool everyPort);
    // As start(false), with the ports listed on a thread of their own: the system's list
    // takes tens of milliseconds on a busy machine, too long to hold the window every
    // second while an instrument is lost. A look asked for while one lists is that one.
    void look();
    bool isRunning() const { return !probing.isEmpty(); }
    // Called from a found() slot: the port stays open and belongs to the caller.
    void keep(int devIndex);
    // Releases the ports still being probed, without waiting for their answers.
    void cancel();
    // The path of a lost instrument, released by its record: probed once more although
    // it has not reappeared, and when it does not answer it is kept open and watched,
    // so that the instrument switched on again there is probed once its reading stream
    // starts. unwatch() releases it when the instrument is found.
    void watch(const QString &portName);
    void unwatch(const QString &portName);

    probeOptions &options() { return m_options; }

signals:
    // identity is valid only during the emission; streamed holds the readings the port
    // sent while it was probed, in order (a returning instrument's record takes them).
    void found(int devIndex, const optionsZOR70 *identity, const QVector<zorList::_reading> &streamed);
    // ended of started probes are over, since the scan last had none running.
    void progress(int ended, int started);
    // The last running probe ended.
    void finished();

private:
    static bool endsProbe(const zorSerialPortQueryItem &query);
    static bool endsProbe(quint16 code) { return code > 200; }
    QSet<QString> heldLocations() const;
    int probe(const QList<zorPortCatalog::_port> &ports, bool everyPort);
    void reply(int devIndex, QByteArray *buf, quint8 address);
    void queryError(int devIndex, quint16 code, zorSerialPortQueryItem query);
    void portError(int devIndex, quint16 code);
    void streamed(int devIndex);
    void reading(int devIndex, double meas, quint8 ch, char dim);
    // Sends the identity request to a port being probed.
    void ask(int devIndex);
    // The probe of devIndex is over; the port is released unless it was kept.
    void settle(int devIndex, bool release = true);

    ZORSerialPort *port;
    QSet<int> probing;
    QSet<QString> ownPaths;   // locations of lost instruments' paths
    QSet<int> watching;       // their ports, open and silent
    QSet<int> askedAgain;     // ports being probed a second time, having streamed during the first
    QHash<int, QVector<zorList::_reading>> held; // what the ports being probed streamed
    // Appearances (see presence()) probed or held, of the ports present at the last start.
    QSet<QString> seen;
    int started = 0;
    int ended = 0;
    int kept = -1;
    probeOptions m_options;
    QFutureWatcher<QList<zorPortCatalog::_port>> listing;
    bool looking = false;     // the listing under way is for look(), not cancelled
};

#endif // ZORPORTSCAN_H
