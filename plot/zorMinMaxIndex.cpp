#include "plot/zorMinMaxIndex.h"

void zorMinMaxIndex::clear()
{
    m_count = 0;
    m_levels.clear();
}

// The values just completed a block of level 0; that may complete a block of
// level 1, and so on.
void zorMinMaxIndex::closeBlock(Span span)
{
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
