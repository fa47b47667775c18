#ifndef ZORRESULTEXPORT_H
#define ZORRESULTEXPORT_H

#include "plot/zorPointStore.h"
#include "results/zorResultLayout.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QString>
#include <QVector>

#include <vector>

class QIODevice;

// Writes the series of one device as a results file (zorResultLayout), in slices so
// that a week of readings never holds the window up.
//
// The rows follow the reference channel: of the channels with points, the one whose
// drawn series starts earliest (the lowest number on equal starts). A row is written
// for its first point and then for each point more than the period after the last row
// written. Every channel's value in a row is its last point not after the row's time;
// "--" before its first point, after its last, and in every row when its last reading
// was rejected. Each channel keeps a cursor that only moves forward, so the export
// costs one pass over every series.
class zorResultExport
{
public:
    // A channel's series as they were when the export began.
    struct _channel
    {
        QVector<double> time;      // raw time stamps, seconds since the start
        QVector<double> meas;      // a value per time stamp
        double plottedStart = 0.0; // first time of the series drawn (the difference series when linked)
        bool pointError = false;   // the latest reading was rejected
        QString dim;               // current unit
    };

    // The series of a device of the store as they are now.
    static QVector<_channel> channelsOf(const zorPointStore &store, int qwtIndex);

    zorResultExport(const QDateTime &start, const QVector<_channel> &channels, const zorResultLayout &layout,
                    int periodMinutes);

    // Writes the header to out, which must stay open until the export ends.
    bool begin(QIODevice *out);
    // Writes rows until the deadline or the end; true when all is written. False as
    // well on a write error: see failed().
    bool run(const QDeadlineTimer &until = QDeadlineTimer(QDeadlineTimer::Forever));
    bool failed() const { return m_failed; }

    // Points of the reference channel handled, of total().
    int done() const { return next; }
    int total() const { return ref < 0 ? 0 : chs.at(ref).time.size(); }
    int rowsWritten() const { return rows; }
    // The reference channel; -1 when no channel has points.
    int reference() const { return ref; }

private:
    void appendRow(double t);
    bool flush();

    QDateTime start;
    QVector<_channel> chs;
    zorResultLayout layout;
    double period;
    int ref = -1;
    // Per channel: its series (held by chs) and the last point not after the current row.
    struct _cursor
    {
        const double *time;
        const double *meas;
        int count;      // 0 as well when the column reads "--" throughout
        int at = -1;
    };
    std::vector<_cursor> cursors;
    std::vector<double> values; // of the row being written, NaN for none
    int next = 0;             // next point of the reference channel
    double lastRow = 0.0;
    int rows = 0;
    QIODevice *out = nullptr;
    QByteArray buffer;
    bool m_failed = false;
};

#endif // ZORRESULTEXPORT_H
