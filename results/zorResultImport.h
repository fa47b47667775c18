#ifndef ZORRESULTIMPORT_H
#define ZORRESULTIMPORT_H

#include "results/zorResultReader.h"

#include <QFile>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVector>
#include <QWaitCondition>

#include <atomic>
#include <deque>

class QThread;
class QWidget;
class zorList;
class zorPointStore;

// Reads a results file back into the point store, as a new device without a port named
// after the file, so that no live series is ever touched. The header is read at once;
// the rows are parsed by a thread of the import's own, in blocks of rows, and the GUI
// thread only hands the finished blocks to the store, in slices (zorSlicedJob), with a
// progress dialog over the window for a long file. Cancelling keeps what was read. A
// child of the window; deletes itself when done.
//
// The parsing thread owns the file and its reader from start() on; the two threads meet
// only at the queue of parsed blocks, which is bounded, so that a fast parser does not
// hold a whole file's values in memory ahead of the store.
//
// Each channel's series gets room ahead for the points the whole file is likely to hold:
// every channel of a file holds about as many points as the others, so, growing as they
// fill, their series would outgrow their memory at the same row and all be moved in one
// go, holding the window up for as long as a whole second with a week of readings.
class zorResultImport : public QObject
{
    Q_OBJECT

public:
    enum error {
        importOk = 0,
        fileError = 10,   // the file cannot be opened
        deviceError = 11, // no new device can be added (the registry or the store is full)
        // and the header errors of zorResultReader
    };

    // list and store must outlive the import. The device read into is a new registry
    // record, whose store device (its qwtIndex) is made by whoever answers the
    // registry's onAddZor; a record left without one fails the import with deviceError.
    zorResultImport(QWidget *window, zorList *list, zorPointStore *store);
    ~zorResultImport() override;

    // Opens the file and reads its header; on success the device is made and the rows
    // start loading, else nothing changes, reason (when given) says why, and the import
    // deletes itself.
    int start(const QString &path, QString *reason = nullptr);
    // The registry index of the device read into; -1 until start() succeeds.
    int index() const { return zorIndex; }

signals:
    // The device's series in the store were emptied for the file, or took rows of it:
    // whatever draws the store catches up.
    void storeChanged(int qwtIndex);
    // The last row is in the store, or the user cancelled; the views of the device
    // refresh now. problem tells the user what of the file was not read (a read
    // failure, channel columns beyond what is kept); empty when all of it was.
    void finished(int index, bool cancelled, const QString &problem);

private:
    // Rows parsed: the points of each channel, and how far into the file they reach.
    struct _block
    {
        QVector<QVector<double>> time;  // per channel
        QVector<QVector<double>> value; // per channel
        qint64 position = 0;
    };
    static constexpr int blockRows = 4096;
    static constexpr int maxQueued = 16;
    // The GUI thread appends for no longer than this at a time, well within a slice, and
    // waits no longer than waitMs for a block.
    static constexpr int turnMs = 20;
    static constexpr int waitMs = 5;
    // No more room than this is made ahead (512 MiB a series): a file that looks
    // longer than that goes on growing its series as it is read.
    static constexpr int maxRoom = 1 << 26;

    void parse();
    bool step(const QDeadlineTimer &until);
    void append(const _block &block);
    void makeRoom(int ch, int more, qint64 position);
    QString problem() const;

    QPointer<QWidget> window;
    zorList *list;
    zorPointStore *store;
    QString path;
    QFile file;
    zorResultReader reader{&file};
    qint64 fileSize = 0;
    QStringList units;
    QVector<int> room; // per channel: the points its series has room for
    int zorIndex = -1;
    int qwtIndex = -1;
    QThread *parser = nullptr;

    // Between the threads, under lock.
    mutable QMutex lock;
    QWaitCondition changed;
    std::deque<_block> ready;
    bool parsed = false;   // the parser has read all it will
    bool stopping = false; // the parser is to stop
    QString failure;       // why the file could not be read to its end
    std::atomic<qint64> position{0}; // bytes parsed, for the progress
};

#endif // ZORRESULTIMPORT_H
