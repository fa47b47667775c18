#ifndef ZORRESULTIMPORT_H
#define ZORRESULTIMPORT_H

#include "results/zorResultReader.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVector>

class QWidget;
class QwtZOR;
class zorList;

// Reads a results file back into the plot, as a new device without a port named after
// the file, so that no live series is ever touched. The header is read at once; the
// rows follow in slices (zorSlicedJob), with a progress dialog over the window for a
// long file. Cancelling keeps what was read. A child of the window; deletes itself
// when done.
//
// The rows are read in blocks and handed to the plot as one block of points per
// channel, the slice ending after any channel once its time is up. Each channel's
// series gets room ahead for the points the whole file is likely to hold: every channel
// of a file holds about as many points as the others, so, growing as they fill, their
// series would outgrow their memory at the same row and all be moved in one go,
// holding the window up for as long as a whole second with a week of readings.
class zorResultImport : public QObject
{
    Q_OBJECT

public:
    enum error {
        importOk = 0,
        fileError = 10,   // the file cannot be opened
        deviceError = 11, // no new device can be added (the registry or the plot is full)
        // and the header errors of zorResultReader
    };

    // list and plot must outlive the import. The plot record of a new device comes from
    // whoever answers the registry's onAddZor (the main window).
    zorResultImport(QWidget *window, zorList *list, QwtZOR *plot);

    // Opens the file and reads its header; on success the device is made and the rows
    // start loading, else nothing changes and the import deletes itself.
    int start(const QString &path);
    // The registry index of the device read into; -1 until start() succeeds.
    int index() const { return zorIndex; }

signals:
    // The last row is in the plot, or the user cancelled; the plot has not announced
    // the points it took, so the views refresh now.
    void finished(int index, bool cancelled);

private:
    // Points of a channel read but not yet in the plot, and the room made for its series.
    struct _pending
    {
        QVector<double> time;
        QVector<double> value;
        int room = 0;
    };
    static constexpr int blockRows = 4096;
    // No more room than this is made ahead (512 MiB a series): a file that looks
    // longer than that goes on growing its series as it is read.
    static constexpr int maxRoom = 1 << 26;

    bool step(const QDeadlineTimer &until);
    void makeRoom(int ch);
    int progress() const;

    QPointer<QWidget> window;
    zorList *list;
    QwtZOR *plot;
    QFile file;
    zorResultReader reader{&file};
    QStringList units;
    QVector<_pending> pending;   // per channel
    int turn = 0;                // the next channel to hand over; all done at pending.size()
    bool atEnd = false;
    int zorIndex = -1;
    int qwtIndex = -1;
};

#endif // ZORRESULTIMPORT_H
