#ifndef SIMLINK_H
#define SIMLINK_H

#include "link/zorSerialPortThread.h"
#include "sim/zorSimulator.h"

#include <QSignalSpy>

// A worker serving a simulated instrument, with short delays: 100 ms handshake waits,
// no queue wait and no back-off, so an exchange starts 400 to 900 ms after hand-over.
struct simLink
{
    explicit simLink(zorSimulator::options options = quiet());
    ~simLink();

    // A simulator that sends no stream, so that the exchanges alone are on the line.
    static zorSimulator::options quiet();

    void read(quint8 address, quint16 size, zorQueryMode mode = qmNormal, bool rec = false, bool word = false);
    void write(quint8 address, const QByteArray &bytes, bool word = false);
    // The replies delivered so far; the arrays are released here, once.
    QList<QByteArray> takeReplies();
    // How many events of that type the simulator logged for that selector.
    int events(zorSimulator::eventType type, quint8 address) const;

    zorSimulator sim;
    zorSerialPortThread worker;
    QSignalSpy replies;
    QSignalSpy queryErrors;
    QSignalSpy dataErrors;
    QSignalSpy done;
    QSignalSpy errors;
};

// Waits for exchanges; generous, one exchange takes about a second.
const int exchangeWait = 15000;

#endif // SIMLINK_H
