#ifndef ZORMINMAXINDEX_H
#define ZORMINMAXINDEX_H

#include <QVector>

#include <algorithm>

// Minimum and maximum of any index range of a growing series in logarithmic time.
// Keeps the extremes of complete blocks of 16 values, of 16 such blocks, and so on;
// a range query reads at most a few dozen values or blocks, whatever its length.
// The values themselves stay with the caller: the index only ever appends, so the
// caller hands the series in on every call and empties the index when it empties
// the series. A series is anything with size() and at(i), also values worked out on
// demand (moving averages). About one byte per value.
class zorMinMaxIndex
{
public:
    // Takes in the values of series that are not summarised yet.
    template<class Series>
    void sync(const Series &series);
    void clear();

    // Extremes of series[from, to); lo > hi when the range is empty.
    template<class Series>
    void range(const Series &series, int from, int to, double &lo, double &hi) const;

private:
    struct Span {
        double lo;
        double hi;
    };
    static constexpr int blockShift = 4;
    static constexpr int block = 1 << blockShift;

    template<class Series>
    void rangeAt(const Series &series, int level, int from, int to, double &lo, double &hi) const;
    void closeBlock(Span span);

    int m_count = 0;
    // m_levels[k][j]: extremes of values [j * 16^(k+1), (j + 1) * 16^(k+1)).
    QVector<QVector<Span>> m_levels;
};

template<class Series>
void zorMinMaxIndex::sync(const Series &series)
{
    if (series.size() < m_count)
        clear();
    while (m_count < series.size()) {
        ++m_count;
        if ((m_count & (block - 1)) != 0)
            continue;
        Span span{series.at(m_count - block), series.at(m_count - block)};
        for (int i = m_count - block + 1; i < m_count; ++i) {
            const double v = series.at(i);
            span.lo = std::min(span.lo, v);
            span.hi = std::max(span.hi, v);
        }
        closeBlock(span);
    }
}

template<class Series>
void zorMinMaxIndex::range(const Series &series, int from, int to, double &lo, double &hi) const
{
    lo = 1.0;
    hi = 0.0;
    from = std::max(from, 0);
    to = std::min(to, int(series.size()));
    if (from >= to)
        return;
    lo = hi = series.at(from);
    rangeAt(series, -1, from, to, lo, hi);
}

// Level -1 is the series itself; level k >= 0 holds blocks of 16^(k+1) values.
// Whole blocks of the next level are taken from there, the ragged ends are read here.
template<class Series>
void zorMinMaxIndex::rangeAt(const Series &series, int level, int from, int to, double &lo, double &hi) const
{
    const auto scan = [&](int a, int b) {
        if (level < 0) {
            for (int i = a; i < b; ++i) {
                const double v = series.at(i);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        } else {
            const QVector<Span> &spans = m_levels.at(level);
            for (int i = a; i < b; ++i) {
                lo = std::min(lo, spans.at(i).lo);
                hi = std::max(hi, spans.at(i).hi);
            }
        }
    };
    const int next = level + 1;
    if (next < m_levels.size()) {
        const int a = (from + block - 1) >> blockShift;
        const int b = std::min(to >> blockShift, int(m_levels.at(next).size()));
        if (a < b) {
            scan(from, a << blockShift);
            rangeAt(series, next, a, b, lo, hi);
            scan(b << blockShift, to);
            return;
        }
    }
    scan(from, to);
}

#endif // ZORMINMAXINDEX_H
