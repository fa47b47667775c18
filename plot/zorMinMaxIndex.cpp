#include "plot/zorMinMaxIndex.h"

#include <algorithm>

void zorMinMaxIndex::sync(const QVector<double> &series)
{
    if (series.size() < m_count)
        clear();
    while (m_count < series.size()) {
        ++m_count;
        if ((m_count & (block - 1)) == 0)
            closeBlocks(series);
    }
}

void zorMinMaxIndex::clear()
{
    m_count = 0;
    m_levels.clear();
}

void zorMinMaxIndex::reserve(int count)
{
    for (int level = 0; (count >>= blockShift) > 0; ++level) {
        if (m_levels.size() <= level)
            m_levels.append(QVector<Span>());
        m_levels[level].reserve(count);
    }
}

// The values just completed a block of level 0; that may complete a block of
// level 1, and so on.
void zorMinMaxIndex::closeBlocks(const QVector<double> &series)
{
    Span span{series.at(m_count - block), series.at(m_count - block)};
    for (int i = m_count - block + 1; i < m_count; ++i) {
        span.lo = std::min(span.lo, series.at(i));
        span.hi = std::max(span.hi, series.at(i));
    }
    for (int level = 0;; ++level) {
        if (m_levels.size() <= level)
            m_levels.append(QVector<Span>());
        QVector<Span> &spans = m_levels[level];
        spans.append(span);
        if ((spans.size() & (block - 1)) != 0)
            return;
        span = spans.at(spans.size() - block);
        for (int i = spans.size() - block + 1; i < spans.size(); ++i) {
            span.lo = std::min(span.lo, spans.at(i).lo);
            span.hi = std::max(span.hi, spans.at(i).hi);
        }
    }
}

void zorMinMaxIndex::range(const QVector<double> &series, int from, int to, double &lo, double &hi) const
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
void zorMinMaxIndex::rangeAt(const QVector<double> &series, int level, int from, int to,
                             double &lo, double &hi) const
{
    const auto scan = [&](int a, int b) {
        if (level < 0) {
            for (int i = a; i < b; ++i) {
                lo = std::min(lo, series.at(i));
                hi = std::max(hi, series.at(i));
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
