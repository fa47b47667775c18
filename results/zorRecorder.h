#ifndef ZORRECORDER_H
#define ZORRECORDER_H

#include "registry/zorList.h"
#include "results/zorRecordWriter.h"

#include <QHash>
#include <QObject>

class zorPointStore;

// Continuous recording of every device whose recording is on (the recording settings
// of its registry record): each completed sweep over its channels becomes a row of its
// results file, with the newest value of every channel. Each device keeps its own
// sweep state and its own queue of rows its file did not take yet, so devices never
// disturb each other's recordings. GUI thread only.
class zorRecorder : public QObject
{
    Q_OBJECT

public:
    // list and store (the plot's) must outlive the recorder.
    zorRecorder(zorList *list, const zorPointStore *store, QObject *parent = nullptr);

    // A reading of channel ch of the device, already in the store. True when it ends a
    // sweep of a recording device: a row is due (record()).
    bool sweepDone(int index, quint8 ch);
    // Appends the row of the device's newest sweep to its file, as the period allows.
    void record(int index);
    // The device's link broke: the row of its last complete sweep is written now, and
    // until every channel has been read again its rows carry only what came after.
    void linkLost(int index);
    // The device's recording was switched on or off; stopping makes a last attempt at
    // the rows still waiting, and what cannot be written is counted as lost.
    void started(int index);
    void stopped(int index);

    // The device's recording state: null while it has none.
    const zorRecordWriter *writer(int index) const;
    // Whether the device's file is failing to take rows.
    bool isFailing(int index) const;
    // The state for the user: "" while all is well.
    QString problemText(int index) const;

signals:
    // The device's file started or stopped failing, or its rows waiting changed.
    void onRecStateChange(int index);

private:
    // The header of the device's file, with the plot's units as they are now.
    QByteArray header(const zorList::_zor *z) const;

    zorList *list;
    const zorPointStore *store;
    QHash<int, zorRecordWriter> writers;
};

#endif // ZORRECORDER_H
