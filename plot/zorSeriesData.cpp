#include "plot/zorSeriesData.h"

#include <algorithm>

const QVector<double> zorSeriesData::s_empty;

void zorSeriesData::setSource(const QVector<double> *x, const QVector<double> *y)
{
    m_x = x;
    m_y = y;
    reset();
}

void zorSeriesData::follow(const QVector<double> *x, const QVector<double> *y)
{
    m_x = x;
    m_y = y;
}

void zorSeriesData::reset()
{
    forget();
}

void zorSeriesData::forget() const
{
    ++m_generation;
    m_synced = 0;
    m_runStarts.clear();
    m_chaotic = false;
    m_index.clear();
    m_tailFrom = -1;
}

size_t zorSeriesData::size() const
{
    return size_t(std::min(m_x->size(), m_y->size()));
}

QPointF zorSeriesData::sample(size_t i) const
{
    return QPointF(m_x->at(int(i)), m_y->at(int(i)));
}

QRectF zorSeriesData::boundingRect() const
{
    sync();
    if (m_synced == 0)
        return QRectF(1.0, 1.0, -2.0, -2.0);
    return QRectF(m_xLo, m_yLo, m_xHi - m_xLo, m_yHi - m_yLo);
}

int zorSeriesData::runCount() const
{
    sync();
    return m_chaotic ? 0 : m_runStarts.size() + 1;
}

int zorSeriesData::runStart(int k) const
{
    if (k == 0)
        return 0;
    return k <= m_runStarts.size() ? m_runStarts.at(k - 1) : m_synced;
}

int zorSeriesData::lowerBound(double x, int from, int to) const
{
    const double *begin = m_x->constData();
    return int(std::lower_bound(begin + from, begin + to, x) - begin);
}

int zorSeriesData::upperBound(double x, int from, int to) const
{
    const double *begin = m_x->constData();
    return int(std::upper_bound(begin + from, begin + to, x) - begin);
}

int zorSeriesData::tailFrom(double x) const
{
    const int runs = runCount();
    if (runs == 0) {
        int i = m_synced;
        while (i > 0 && m_x->at(i - 1) >= x)
            --i;
        return i;
    }
    // Newest run first; a run that lies wholly at or after x lets the stretch go on.
    for (int k = runs - 1; k >= 0; --k) {
        const int start = runStart(k);
        const int bound = lowerBound(x, start, runStart(k + 1));
        if (bound > start)
            return bound;
    }
    return 0;
}

void zorSeriesData::valueRange(int from, int to, double &lo, double &hi) const
{
    sync();
    m_index.range(*m_y, from, std::min(to, m_synced), lo, hi);
}

void zorSeriesData::tailRange(int from, double &lo, double &hi) const
{
    sync();
    if (from != m_tailFrom) {
        valueRange(from, m_synced, m_tailLo, m_tailHi);
    } else {
        for (int i = m_tailTo; i < m_synced; ++i) {
            const double y = m_y->at(i);
            if (m_tailLo > m_tailHi) {
                m_tailLo = m_tailHi = y;
            } else {
                m_tailLo = std::min(m_tailLo, y);
                m_tailHi = std::max(m_tailHi, y);
            }
        }
    }
    m_tailFrom = from;
    m_tailTo = m_synced;
    lo = m_tailLo;
    hi = m_tailHi;
}

void zorSeriesData::sync() const
{
    const int n = int(size());
    if (n < m_synced)
        forget();
    if (n == m_synced)
        return;
    if (m_synced == 0) {
        m_xLo = m_xHi = m_x->at(0);
        m_yLo = m_yHi = m_y->at(0);
    }
    for (int i = m_synced; i < n; ++i) {
        const double x = m_x->at(i);
        const double y = m_y->at(i);
        if (i > 0 && x < m_x->at(i - 1) && !m_chaotic) {
            m_runStarts.append(i);
            m_chaotic = m_runStarts.size() >= maxRuns;
        }
        m_xLo = std::min(m_xLo, x);
        m_xHi = std::max(m_xHi, x);
        m_yLo = std::min(m_yLo, y);
        m_yHi = std::max(m_yHi, y);
    }
    m_index.sync(*m_y);
    m_synced = n;
}
