#ifndef ZORSERIESDATA_H
#define ZORSERIESDATA_H

#include "plot/zorMinMaxIndex.h"

#include <QVector>
#include <qwt_series_data.h>

// What a curve reads: a view on two series of a plot channel (times and values),
// without a copy. Points appended to the series are taken into the bounds and the
// min/max index on the next query, so appending costs nothing here; whoever empties
// or refills the series calls reset().
//
// Time stamps normally only grow, but a clock set back or a file read back may
// break the order. The view therefore sees the series as runs of ordered time
// stamps: one run normally, a few after such a break. Every search below works run
// by run; a series broken into too many runs ("chaotic") is searched point by point.
class zorSeriesData : public QwtSeriesData<QPointF>
{
public:
    // Both vectors must outlive the view or be replaced through setSource() first.
    void setSource(const QVector<double> *x, const QVector<double> *y);
    // The same series, moved to another address (their owner was reallocated).
    void follow(const QVector<double> *x, const QVector<double> *y);
    void reset();
    // Changes whenever the series is emptied or replaced, so that what was derived
    // from its points can tell it is out of date.
    quint64 generation() const { return m_generation; }

    size_t size() const override;
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

    const QVector<double> &xs() const { return *m_x; }
    const QVector<double> &ys() const { return *m_y; }

    // Number of time-ordered runs, 0 for a chaotic series; run k is the points
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

    static constexpr int maxRuns = 1024;

private:
    void sync() const;
    void forget() const;

    const QVector<double> *m_x = &s_empty;
    const QVector<double> *m_y = &s_empty;
    static const QVector<double> s_empty;

    // Everything below describes the first m_synced points.
    mutable quint64 m_generation = 1;
    mutable int m_synced = 0;
    mutable QVector<int> m_runStarts; // starts of the runs after the first
    mutable bool m_chaotic = false;
    mutable double m_xLo = 0, m_xHi = 0, m_yLo = 0, m_yHi = 0;
    mutable zorMinMaxIndex m_index;
    mutable int m_tailFrom = -1;
    mutable int m_tailTo = 0;
    mutable double m_tailLo = 1.0;
    mutable double m_tailHi = 0.0;
};

#endif // ZORSERIESDATA_H
