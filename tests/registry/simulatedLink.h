#ifndef SIMULATEDLINK_H
#define SIMULATEDLINK_H

#include "sim/zorSimulator.h"

#include <QByteArray>
#include <QScopedPointer>
#include <QTemporaryDir>
#include <QVariant>
#include <QVector>

#include <initializer_list>
#include <memory>
#include <vector>

class ZORSerialPort;
class optionsZOR70;
class registryLog;
class zorList;
class zorSql;

// What the registry suites that need instruments share: a temporary copy of the
// template database, the real link manager with its port workers, the registry with
// a log of its signals, and simulated instruments on pseudo-terminals. Link delays are
// short; waits give up after exchangeTimeout.
class simulatedLink
{
public:
    static const int exchangeTimeout = 20000;

    simulatedLink();
    ~simulatedLink();
    void setUp();
    void tearDown();

    zorSimulator *startSim(quint32 serial, zorSimMemory::variant type = zorSimMemory::basic,
                           const QString &name = QStringLiteral("ЗОР 4.70"));
    // A connected record, shown in the plot, for the port.
    int connectPort(const QString &portName);
    // Until the record's link has no request left.
    void waitForReads(int index);
    void readAll(int index);
    void readIdentity(int index);
    // The record's image holds the simulator's blocks, byte for byte.
    void compareWithSim(int index, const zorSimulator *sim);
    optionsZOR70 *image(int index) const;

    // The block addresses of the events, as bytes so that a mismatch prints them.
    static QByteArray addresses(const QVector<zorSimulator::event> &events);
    static QByteArray selectors(std::initializer_list<quint8> addresses);
    // The rows of a SELECT on the test database.
    static QVector<QVector<QVariant>> rows(const QString &statement);

    QScopedPointer<QTemporaryDir> dir;
    QScopedPointer<zorSql> sql;
    QScopedPointer<ZORSerialPort> port;
    QScopedPointer<zorList> list;
    QScopedPointer<registryLog> log;
    std::vector<std::unique_ptr<zorSimulator>> sims;
};

#endif // SIMULATEDLINK_H
