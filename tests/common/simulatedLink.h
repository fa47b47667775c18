#ifndef SIMULATEDLINK_H
#define SIMULATEDLINK_H

#include "link/ZORSerialPort.h"
#include "link/zorSerialPortThread.h"
#include "sim/zorSimulator.h"

#include <QStringList>

#include <memory>
#include <type_traits>
#include <vector>

// Simulated instruments on pseudo-terminals and the real link that talks to them with
// short delays: the link manager, or a bare worker of one port. What they report is
// written down as lines in the order it arrived, so that a test compares whole
// sequences (see note). Replies are kept aside, once each.
//   manager: reply (value form), queryError, error (code form), result, allRead, block
//   worker:  reply, queryError, dataError, done, error
class simulatedLink
{
public:
    // Writes every emission of the signal down in into, which must outlive the sender:
    // its short name and its arguments, numbers as numbers, arrays by their size,
    // requests by their address ("queryError 0 110 51").
    template <typename S, typename... A>
    void note(S *sender, void (S::*signal)(A...), const QString &name, QStringList *into)
    {
        // The manager lives in this thread: a worker's reports are queued to it.
        QObject::connect(sender, signal, &port, [name, into](A... args) {
            *into << QStringList{name, field(args)...}.join(' ');
        });
    }

    static const int timeout = 20000;   // ms; generous, an exchange takes about a second

    simulatedLink();
    ~simulatedLink();

    // A short pause before each exchange, for every port of the process from now on.
    static void shortSettle();

    // period: ms between stream tokens, 0 for none, so that the exchanges alone are on
    // the line.
    zorSimulator *startSim(quint32 serial = 1, int period = 0, zorSimMemory::_variant type = zorSimMemory::basic);
    // On the link manager: handshakes wait at most init ms, requests only the worker's
    // own pause.
    int addDev(const QString &portName, quint16 init = 100);
    // Until the device has no read left and no device anything to write.
    void waitIdle(int devIndex);

    // A worker of its own on a port (a simulator's), with the same delays.
    void startWorker(const QString &portName, quint16 init = 100);
    void read(quint8 address, quint16 size, zorQueryMode mode = qmNormal, bool rec = false, bool word = false);
    void write(quint8 address, const QByteArray &bytes, bool word = false);

    // The addresses of the events, as bytes so that a mismatch prints them.
    static QByteArray addresses(const QVector<zorSimulator::_event> &events);

    // Before the link, which may still report while it is taken down.
    QStringList lines;
    QList<QByteArray> replies;
    std::vector<std::unique_ptr<zorSimulator>> sims;
    ZORSerialPort port;
    std::unique_ptr<zorSerialPortThread> worker;

private:
    template <typename T>
    static QString field(const T &value)
    {
        if constexpr (std::is_same_v<T, QString>)
            return value;
        else if constexpr (std::is_floating_point_v<T>)
            return QString::number(value, 'g', 10);
        else if constexpr (std::is_arithmetic_v<T>)
            return QString::number(qint64(value));
        else if constexpr (std::is_pointer_v<T>)
            return field(*value);
        else if constexpr (std::is_same_v<T, QByteArray>)
            return field(value.size());
        else
            return field(value.address);
    }
};

#endif // SIMULATEDLINK_H
