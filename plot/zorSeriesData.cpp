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
    m_synced = 0;
    m_sorted = true;
    m_index.clear();
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

bool zorSeriesData::isSorted() const
{
    sync();
    return m_sorted;
}

int zorSeriesData::lowerBound(double x) const
{
    const double *begin = m_x->constData();
    return int(std::lower_bound(begin, begin + size(), x) - begin);
}

int zorSeriesData::upperBound(double x) const
{
    const double *begin = m_x->constData();
    return int(std::upper_bound(begin, begin + size(), x) - begin);
}

int zorSeriesData::tailFrom(double x) const
{
    if (isSorted())
        return lowerBound(x);
    int i = int(size());
    while (i > 0 && m_x->at(i - 1) >= x)
        --i;
    return i;
}

void zorSeriesData::valueRange(int from, int to, double &lo, double &hi) const
{
    sync();
    m_index.range(*m_y, from, std::min(to, m_synced), lo, hi);
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
        if (i > 0 && x < m_x->at(i - 1))
            m_sorted = false;
        m_xLo = std::min(m_xLo, x);
        m_xHi = std::max(m_xHi, x);
        m_yLo = std::min(m_yLo, y);
        m_yHi = std::max(m_yHi, y);
    }
    m_index.sync(*m_y);
    m_synced = n;
}
