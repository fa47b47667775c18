#ifndef ZORPOINTSTORE_H
#define ZORPOINTSTORE_H

#include "plot/zorChunkedSeries.h"
#include "plot/zorDimList.h"
#include "plot/zorMinMaxIndex.h"
#include "plot/zorTimeRuns.h"

#include <QDateTime>
#include <QMap>
#include <QPair>
#include <QString>
#include <QVector>

#include <algorithm>

// Every reading the plot has received since the last clear, without a widget: per
// instrument (a device, keyed by its plot index qwtIndex) and per measuring channel,
// the readings with their time stamps and units, their 10-point moving average and,
// for a channel linked to a partner channel, the difference series. The plot draws
// from here; exporting, recording and reading results back read and fill it too.
//
// Operations that name a device take qwtIndex, a negative one meaning the current
// device; those that name a channel take ch, 255 meaning the device's main channel
// (channel 0 while the main channel is not below the count). Unknown devices and
// channels make setters do nothing and getters return the defaults stated.
//
// Time stamps are seconds since the device's start. A series grows without bound
// until cleared; adding a point costs O(1), and the summaries a drawing needs (runs
// of ordered time stamps, min/max indexes) are kept up to date as points arrive.
// Readings that come by the thousand (a results file read back) go in as a block of
// one channel, which leaves the store as the same readings added one by one would,
// at a fraction of the cost. The series are kept in chunks, so that a long one is
// never moved in memory as it grows; a point takes the bytes of its value and its time
// stamp and a little more for the summaries.
class zorPointStore
{
public:
    struct _ch {
        // meas[i], time[i] and dims[i] are one point; the difference series run in
        // parallel with each other. The moving averages are worked out from the values
        // when asked for (see averageAt()).
        zorChunkedSeries meas;
        zorChunkedSeries time;
        zorChunkedSeries diffMeas;
        zorChunkedSeries diffTime;
        zorDimList dims;
        // Summaries of the series, in step with them.
        zorTimeRuns timeRuns;
        zorTimeRuns diffTimeRuns;
        zorMinMaxIndex measIndex;
        zorMinMaxIndex averIndex;
        zorMinMaxIndex diffMeasIndex;
        zorMinMaxIndex diffAverIndex;
        // Changes whenever the plotted series (see plotted()) are emptied or replaced,
        // never when they only grow.
        quint64 generation = 0;
        QString dim;            // unit of the last accepted point
        int diffDev = -1;       // difference partner, -1 = none
        uchar diffCh = 255;     // difference partner channel, 255 = none
        uchar precision = 0;    // decimals of value texts, set by the plot's Y scale
        bool pointError = true; // the last reading was rejected, or none came yet
    };

    struct _dev {
        uchar mainCh = 0;
        QVector<_ch> chs;
        QDateTime startDateTime; // time stamps are seconds since this moment
        qint64 startMSecs = 0;   // startDateTime in ms since the epoch, for cheap time stamps
        bool ownStart = false;   // a start of its own (a file read back): no time base for others
    };

    // The series a curve draws: the differences of a linked channel, else the readings;
    // values are the moving averages with aver, else the values themselves. Read as a
    // series itself: size() and at(i) give the plotted values.
    struct _plotted {
        const zorChunkedSeries *time;
        const zorChunkedSeries *series; // the values the plotted ones are taken from
        bool aver;
        const zorTimeRuns *runs;
        const zorMinMaxIndex *index;

        int size() const { return series->size(); }
        double at(int i) const { return aver ? averageAt(*series, i) : series->at(i); }
        double last() const { return at(size() - 1); }
    };

    // Points in a moving average.
    static constexpr int averageWindow = 10;
    // The moving average at point i: the mean of the values of the (up to) averageWindow
    // points up to and including i.
    static double averageAt(const zorChunkedSeries &values, int i)
    {
        return values.mean(std::max(0, i + 1 - averageWindow), i + 1);
    }

    // What became of a reading.
    enum _added {
        pointStored,   // stored, also in the difference series of a linked channel
        pointRejected, // no valid reading: not stored, the channel's pointError set
        pointRefused,  // stored, but the partner had no new point to subtract
        pointDropped,  // no such device, or a channel that cannot exist
    };

    // What became of a block of readings, counted by _added.
    struct _block {
        int stored = 0;
        int rejected = 0;
        int refused = 0;
        int dropped = 0;
        _added last = pointDropped; // of the last reading; pointDropped for an empty block
    };

    zorPointStore();
    zorPointStore(const zorPointStore &) = delete;
    zorPointStore &operator=(const zorPointStore &) = delete;

    // Devices. addDev gives the smallest free key, -1 when 255 devices exist; a device
    // added beside others takes the start of the first one without a start of its own, so
    // all live devices share one time base.
    int addDev();
    // Unlinks every channel whose partner was on the device, then removes it.
    void removeDev(int qwtIndex);
    QList<int> devKeys() const;
    // Sets the time base of the device; clear() it first. own marks a start that is the
    // device's alone, from then on.
    void setStart(int qwtIndex, const QDateTime &start, bool own = false);
    // Grows with fresh channels or shrinks from the last channel down (count 255 is
    // ignored); returns the channels that were linked to a removed one, now unlinked.
    QVector<QPair<int, uchar>> setChCount(uchar count, int qwtIndex);
    // Empties every series of the device.
    void clear(int qwtIndex);

    // Selection: what a negative qwtIndex and channel 255 stand for.
    int currentDev() const { return m_curDev; }
    void setCurrentDev(int qwtIndex);
    void setChMain(uchar ch, int qwtIndex);
    // Decimals of the channel's value texts; false when nothing changed.
    bool setPrecision(uchar precision, int qwtIndex, uchar ch);

    // Points. A reading is valid when val > -1300 and time >= 0, both finite. A channel
    // not there yet is created with the channels below it.
    _added addPoint(double val, double time, const QString &dim, int qwtIndex, uchar ch);
    // The readings values[i] at times[i] of one channel in order, as addPoint takes them
    // one by one (the shorter vector sets the count).
    _block addPoints(const QVector<double> &values, const QVector<double> &times, const QString &dim, int qwtIndex,
                     uchar ch);
    // Room for count points of the channel in all; nothing for a channel not there yet.
    void reserve(int count, int qwtIndex, uchar ch);
    // Seconds from the device's start to now (to msecsSinceEpoch); -1 for an unknown device.
    double timeNow(int qwtIndex) const;
    double timeAt(int qwtIndex, qint64 msecsSinceEpoch) const;

    // Difference channels: link ch to partnerCh of partnerDev (rebuilding the differences
    // from the stored history), or unlink it with partnerDev -1 and partnerCh 255. False
    // when the channel or the partner does not exist.
    bool setChDiff(uchar partnerCh, int partnerDev, int qwtIndex, uchar ch);
    // The partner, or 255 and -1.
    void getChDiff(uchar *partnerCh, int *partnerDev, int qwtIndex, uchar ch) const;

    // Records. qwtIndex and ch are resolved in place (negative and 255 as above).
    const _dev *findDev(int &qwtIndex) const;
    const _ch *findCh(int &qwtIndex, uchar &ch) const;
    static bool isLinked(const _ch &c);
    static int mainOf(const _dev &d);
    static _plotted plotted(const _ch &c, bool aver);
    // Changes whenever a device or channel record may have moved in memory.
    quint64 layout() const { return m_layout; }

    // Getters (device or channel missing: the stated default).
    uchar getChCount(int qwtIndex) const;                          // 0
    int getChMain(int qwtIndex) const;                             // -1, also without channels
    QString getChDim(int qwtIndex, uchar ch) const;                // "-"
    // Unit of one stored point (the last one for a negative or too large index); "-".
    QString getChDim(int qwtIndex, uchar ch, int index) const;
    QDateTime getStartDateTime(int qwtIndex) const;                // 01.01.1970
    uchar getPrecision(int qwtIndex, uchar ch) const;              // 0
    // Point counts, values and time stamps: of the difference series with diff set on a
    // linked channel, else of the raw series. A negative or too large index means the
    // newest point; 0 without points.
    int getChMeasCount(int qwtIndex, uchar ch, bool diff = false) const;
    double getChMeas(int qwtIndex, uchar ch, int index = -1, bool diff = false) const;
    double getChTime(int qwtIndex, uchar ch, int index = -1, bool diff = false) const;

    // Value texts. max(prec, 2) decimals, a negative prec taking the channel's precision;
    // "--" while the last reading was rejected, without points or without the channel.
    QString getChMeasStr(int qwtIndex, uchar ch, signed char prec = -1, int index = -1, bool diff = false) const;
    // The moving average: of the differences on a linked channel, else of the readings;
    // a channel of precision 0 takes the main channel's.
    QString getChAverStr(int qwtIndex, uchar ch, signed char prec = -1, int index = -1) const;
    // Whole seconds of the raw time stamp, as "%g" with 6 digits; "" without points.
    QString getChTimeStr(int qwtIndex, uchar ch, int index = -1) const;
    // Time and value steps between the two newest plotted points; "" with fewer than two.
    QString getChDXStr(int qwtIndex, uchar ch) const;
    QString getChDYStr(int qwtIndex, uchar ch) const;

private:
    _dev *editDev(int &qwtIndex);
    _ch *editCh(int &qwtIndex, uchar &ch);
    _ch *pointCh(int &qwtIndex, uchar ch);
    _added storePoint(_ch &c, double val, double time, const QString &dim);
    void storeBlock(_ch &c, const QVector<double> &values, const QVector<double> &times, int count,
                    const QString &dim, _block &block);
    static _plotted series(const zorChunkedSeries &values, const zorChunkedSeries &time, bool aver,
                           const zorTimeRuns &runs, const zorMinMaxIndex &index);
    static void syncSummaries(_ch &c);
    static void syncDiffSummaries(_ch &c);
    void unlink(_ch &c);
    bool diffStep(_ch &c, double val, double time);
    void rebuildDiff(_ch &c, const _ch &partner);
    void emptyDiff(_ch &c);
    void renew(_ch &c);
    template<class Series>
    QString valueText(const _ch &c, const Series &series, signed char prec, int index,
                      uchar fallbackPrecision) const;

    QMap<int, _dev> m_devs;
    int m_curDev = -1;
    const QDateTime m_startDefault;
    quint64 m_layout = 0;
    quint64 m_generations = 0;
};

#endif // ZORPOINTSTORE_H
