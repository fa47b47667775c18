#include "plot/zorTimeRuns.h"

#include <algorithm>

void zorTimeRuns::sync(const zorChunkedSeries &series)
{
    const int n = series.size();
    if (n < m_size)
        clear();
    if (n == m_size)
        return;
    if (m_size == 0)
        m_lo = m_hi = series.at(0);
    for (int i = m_size; i < n; ++i) {
        const double t = series.at(i);
        if (i > 0 && t < series.at(i - 1) && !m_chaotic) {
            m_starts.append(i);
            m_chaotic = m_starts.size() >= maxRuns;
        }
        m_lo = std::min(m_lo, t);
        m_hi = std::max(m_hi, t);
    }
    m_size = n;
}

void zorTimeRuns::clear()
{
    m_size = 0;
    m_starts.clear();
    m_chaotic = false;
}

int zorTimeRuns::count() const
{
    if (m_size == 0)
        return 0;
    return m_chaotic ? 0 : m_starts.size() + 1;
}

int zorTimeRuns::start(int k) const
{
    if (k == 0)
        return 0;
    return k <= m_starts.size() ? m_starts.at(k - 1) : m_size;
}
