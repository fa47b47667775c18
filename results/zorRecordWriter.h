#ifndef ZORRECORDWRITER_H
#define ZORRECORDWRITER_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// The recording of one device: where its sweeps stand, and the rows it appends to its
// results file. The file is opened and closed around every write, so that it can be
// read, copied or moved while the recording runs.
//
// A row that cannot be written (the file locked or made read-only, the disk full, a
// network share gone) is kept in memory, up to maxWaitingBytes, and written before
// the next row as soon as the file takes it again, so the file still holds every row
// in order. A write that fails halfway is taken back, leaving no broken row behind.
class zorRecordWriter
{
public:
    // 8 MiB: about 40,000 rows of 16 channels, a day of sweeps every 1.6 s. Rows beyond
    // it are lost, and counted.
    static constexpr qint64 maxWaitingBytes = 8 * 1024 * 1024;

    // Whether the reading of channel ch ends a sweep: its channel number is not above
    // the previous reading's, so a new sweep has begun (every reading, on a device
    // with one channel).
    bool sweepDone(quint8 ch);
    // Whether the sweep in progress has read all of on, the mask of the channels
    // switched on: when the link breaks, such a sweep is complete and its row is due
    // at once, not after the gap.
    bool sweepComplete(quint32 on) const { return preCh >= 0 && on != 0 && (inSweep & on) == on; }
    // The link broke: the sweep in progress is over (an incomplete one is forgotten),
    // and the next reading starts a new one.
    void gapBegins();
    // Of the channels on, those without a reading since the last gap (0 outside gaps).
    // Once every one of them has a reading again, the gap is over.
    quint32 staleSinceGap(quint32 on);
    // Whether a sweep whose newest time is t gives a row: the first of a recording does,
    // then one more than the period after the last row. A time before the last row's
    // (the plot was cleared and counts from 0 again) gives a row as well. With no period
    // every sweep does, also one whose time equals the last row's: readings that reach
    // the window in a burst after it was held up share their time, and each of their
    // sweeps is a measurement of its own.
    bool rowDue(double t, int periodMinutes) const;
    // A new recording: its first sweep gives a row, nothing is lost or failing.
    void restart();

    // Queues a row for time t and writes every queued row to file; header gives the
    // header for a new or empty file. False while the file cannot be written.
    bool append(const QString &file, const QByteArray &row, double t, const std::function<QByteArray()> &header);
    // Writes the queued rows, if any, to the file of the last row.
    bool flush(const std::function<QByteArray()> &header);
    // Forgets the queued rows, counting them as lost; nothing is failing any more.
    void drop();

    bool isFailing() const { return failing; }
    QString errorString() const { return error; }
    int waitingRows() const { return waiting.size(); }
    int lostRows() const { return lost; }

private:
    bool fail(const QString &reason);

    QString file;
    int preCh = -1;           // channel of the previous reading
    quint32 inSweep = 0;      // channels read in the sweep in progress
    quint32 sinceGap = 0;     // channels read since the last gap
    bool afterGap = false;    // some channel has no reading since the last gap
    bool recorded = false;    // a row of this recording exists
    double lastTime = 0.0;    // time of the last row
    QList<QByteArray> waiting;
    qint64 waitingBytes = 0;
    int lost = 0;
    bool failing = false;
    QString error;
};

#endif // ZORRECORDWRITER_H
