#include "plot/zorDimList.h"

#include <algorithm>

void zorDimList::append(const QString &dim, int count)
{
    if (count <= 0)
        return;
    if (m_dims.isEmpty() || m_dims.constLast() != dim) {
        m_starts.append(m_size);
        m_dims.append(dim);
    }
    m_size += count;
}

void zorDimList::clear()
{
    m_size = 0;
    m_starts.clear();
    m_dims.clear();
}

QString zorDimList::at(int index) const
{
    const auto run = std::upper_bound(m_starts.cbegin(), m_starts.cend(), index) - m_starts.cbegin() - 1;
    return m_dims.at(int(run));
}
