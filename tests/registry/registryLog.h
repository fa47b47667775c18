#ifndef REGISTRYLOG_H
#define REGISTRYLOG_H

#include <QObject>
#include <QStringList>

class zorList;

// The registry's outgoing signals as text lines, in the order raised, so that a test
// compares whole sequences: "meas 0 2 21.4567 °С", "chError 0 2 13 ...",
// "devError 0 50 ...", "status 0", "add 0 false", "rm 0 -1", "change",
// "clearQwt 3", "write 7 4 8" (device index, address, byte count).
class registryLog : public QObject
{
    Q_OBJECT

public:
    explicit registryLog(zorList *list);

    QStringList lines;
    // The lines that start with prefix.
    QStringList filtered(const QString &prefix) const;
    void clear() { lines.clear(); }
};

#endif // REGISTRYLOG_H
