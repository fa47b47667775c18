#ifndef SIMULATEDREGISTRY_H
#define SIMULATEDREGISTRY_H

#include "db/zorSql.h"
#include "registry/zorList.h"
#include "tests/common/simulatedLink.h"

#include <QScopedPointer>
#include <QTemporaryDir>

// The registry on a temporary copy of the template database and the real link to simulated
// instruments. Its signals are noted as lines in order (simulatedLink::note): "meas 0 21.4567 2 °С",
// "chError 0 2 13 ...", "devError 0 50 ...", "status 0", "add 0 1", "rm 0 -1", "change",
// "write 7 8 4 0" (device index, byte count, address, mode), "clear 10" (plot index).
class simulatedRegistry
{
public:
    simulatedRegistry();

    // An instrument whose stream runs, as a real one's does.
    zorSimulator *startSim(quint32 serial, zorSimMemory::_variant type = zorSimMemory::basic);
    // A connected record for the port, shown in the plot.
    int connectPort(const QString &portName);
    // Reads the identity and waits until the record's link has nothing left to do.
    void readIdentity(int index);
    void waitIdle(int index) { link.waitIdle(list.getZorByIndex(index)->devIndex); }
    // One request on the record, as a dialog or the instrument would make it: an Apply of
    // the image ("feat3": one slot, "slot40": beyond the table), or one of the registry's.
    void request(int index, const QString &what);
    // The record's image holds the simulator's blocks, byte for byte.
    void compareWithSim(int index, const zorSimulator *sim);
    optionsZOR70 *image(int index) const { return list.getZorByIndex(index)->options; }
    // The rows of a SELECT on the test database, values joined by "|".
    static QStringList rows(const QString &statement);

    QStringList lines;   // before the registry, which may still report while it goes
    QVector<qint64> readingTimes; // of the "meas" lines, in order
    QTemporaryDir dir;
    zorSql sql;
    simulatedLink link;
    zorList list;
    QScopedPointer<zorList::_zor> detached;
};

#endif // SIMULATEDREGISTRY_H
