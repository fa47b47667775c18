#ifndef ZORSERIESDATA_H
#define ZORSERIESDATA_H

#include "plot/zorMinMaxIndex.h"

#include <QVector>
#include <qwt_series_data.h>

// What a curve reads: a view on two series of a plot channel (times and values),
// without a copy. Points appended to the series are taken into the bounds and the
// min/max index on the next query, so appending costs nothing here; whoever empties
// or refills the series calls reset().
class zorSeriesData : public QwtSeriesData<QPointF>
{
public:
    // Both vectors must outlive the view or be replaced through setSource() first.
    void setSource(const QVector<double> *x, const QVector<double> *y);
    // The same series, moved to another address (their owner was reallocated).
    void follow(const QVector<double> *x, const QVector<double> *y);
    void reset();

    size_t size() const override;
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

    const QVector<double> &xs() const { return *m_x; }
    const QVector<double> &ys() const { return *m_y; }

    // True while no time stamp is smaller than the one before it; the searches
    // below and the fast drawing rely on it.
    bool isSorted() const;
    // First index whose x is not below x (sorted series), or size().
    int lowerBound(double x) const;
    // First index whose x is above x (sorted series), or size().
    int upperBound(double x) const;
    // Start of the newest run of points whose x are all at least x.
    int tailFrom(double x) const;
    // Smallest and largest value of points [from, to); lo > hi when the range is empty.
    void valueRange(int from, int to, double &lo, double &hi) const;

private:
    void sync() const;
    void forget() const;

    const QVector<double> *m_x = &s_empty;
    const QVector<double> *m_y = &s_empty;
    static const QVector<double> s_empty;

    // Everything below describes the first m_synced points.
    mutable int m_synced = 0;
    mutable bool m_sorted = true;
    mutable double m_xLo = 0, m_xHi = 0, m_yLo = 0, m_yHi = 0;
    mutable zorMinMaxIndex m_index;
};

#endif // ZORSERIESDATA_H
