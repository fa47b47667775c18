#ifndef ZORMINMAXINDEX_H
#define ZORMINMAXINDEX_H

#include <QVector>

// Minimum and maximum of any index range of a growing series in logarithmic time.
// Keeps the extremes of complete blocks of 16 values, of 16 such blocks, and so on;
// a range query reads at most a few dozen values or blocks, whatever its length.
// The values themselves stay with the caller: the index only ever appends, so the
// caller hands the series in on every call and empties the index when it empties
// the series. About one byte per value.
class zorMinMaxIndex
{
public:
    // Takes in the values of series that are not summarised yet.
    void sync(const QVector<double> &series);
    void clear();
    // Room for the summaries of count values.
    void reserve(int count);

    // Extremes of series[from, to); lo > hi when the range is empty.
    void range(const QVector<double> &series, int from, int to, double &lo, double &hi) const;

private:
    struct Span {
        double lo;
        double hi;
    };
    static constexpr int blockShift = 4;
    static constexpr int block = 1 << blockShift;

    void closeBlocks(const QVector<double> &series);
    void rangeAt(const QVector<double> &series, int level, int from, int to, double &lo, double &hi) const;

    int m_count = 0;
    // m_levels[k][j]: extremes of values [j * 16^(k+1), (j + 1) * 16^(k+1)).
    QVector<QVector<Span>> m_levels;
};

#endif // ZORMINMAXINDEX_H
