#ifndef ZORSERIESDATA_H
#define ZORSERIESDATA_H

#include "plot/zorPointStore.h"

#include <QVector>
#include <qwt_series_data.h>

// What a curve reads: one channel's plotted series in the point store (the differences
// of a linked channel, else the readings), without a copy. The channel is named by its
// device and channel number and looked up again whenever the store's records may have
// moved, so a store that grows or shrinks its channels never leaves the view pointing
// at a stale record. A missing channel is an empty series.
//
// The store keeps the runs of ordered time stamps and the min/max indexes up to date
// as points arrive; every search here works run by run, and a chaotic series (see
// zorTimeRuns) point by point.
class zorSeriesData : public QwtSeriesData<QPointF>
{
public:
    // aver: the moving averages, else the values themselves.
    zorSeriesData(const zorPointStore &store, int qwtIndex, uchar ch, bool aver);

    // Changes whenever the series is emptied or replaced, so that what was derived
    // from its points can tell it is out of date.
    quint64 generation() const;

    size_t size() const override;
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

    // The time stamps and the plotted values, by index.
    const zorChunkedSeries &xs() const { return *series().time; }
    const zorPointStore::_plotted &ys() const { return series(); }

    // Number of time-ordered runs, 0 for a chaotic or empty series; run k is the points
    // [runStart(k), runStart(k + 1)).
    int runCount() const;
    int runStart(int k) const;
    // First index of [from, to) whose x is not below (lowerBound) or above
    // (upperBound) x; [from, to) must lie within one run.
    int lowerBound(double x, int from, int to) const;
    int upperBound(double x, int from, int to) const;
    // Start of the newest stretch of points whose x are all at least x.
    int tailFrom(double x) const;
    // Smallest and largest value of points [from, to); lo > hi when the range is empty.
    void valueRange(int from, int to, double &lo, double &hi) const;
    // valueRange(from, size()), kept up to date as points arrive: the automatic Y
    // scale asks for it on every reading.
    void tailRange(int from, double &lo, double &hi) const;

private:
    const zorPointStore::_ch *channel() const;
    const zorPointStore::_plotted &series() const;

    const zorPointStore &m_store;
    const int m_dev;
    const uchar m_ch;
    const bool m_aver;

    // The channel as last looked up, for the store layout it was looked up in.
    mutable quint64 m_layout = ~quint64(0);
    mutable const zorPointStore::_ch *m_record = nullptr;
    mutable zorPointStore::_plotted m_series{};
    mutable const zorPointStore::_ch *m_seriesRecord = nullptr;
    mutable quint64 m_seriesGeneration = ~quint64(0);

    // The tail range last asked for, as of m_tailTo points of generation m_tailGeneration.
    mutable quint64 m_tailGeneration = 0;
    mutable int m_tailFrom = -1;
    mutable int m_tailTo = 0;
    mutable double m_tailLo = 1.0;
    mutable double m_tailHi = 0.0;
};

#endif // ZORSERIESDATA_H
