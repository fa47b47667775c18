#include "plot/zorSeriesData.h"

#include <algorithm>

namespace {

const zorChunkedSeries noValues;
const zorTimeRuns noRuns;
const zorMinMaxIndex noIndex;
const zorPointStore::_plotted noSeries{&noValues, &noValues, false, &noRuns, &noIndex};

} // namespace

zorSeriesData::zorSeriesData(const zorPointStore &store, int qwtIndex, uchar ch, bool aver)
    : m_store(store)
    , m_dev(qwtIndex)
    , m_ch(ch)
    , m_aver(aver)
{
}

const zorPointStore::_ch *zorSeriesData::channel() const
{
    if (m_layout != m_store.layout()) {
        int dev = m_dev;
        uchar ch = m_ch;
        m_record = m_dev >= 0 && m_ch != 255 ? m_store.findCh(dev, ch) : nullptr;
        m_layout = m_store.layout();
    }
    return m_record;
}

// Which of the channel's series are plotted changes with its link, and a change of
// the link is a new generation.
const zorPointStore::_plotted &zorSeriesData::series() const
{
    const zorPointStore::_ch *c = channel();
    const quint64 generation = c ? c->generation : 0;
    if (generation != m_seriesGeneration || c != m_seriesRecord) {
        m_series = c ? zorPointStore::plotted(*c, m_aver) : noSeries;
        m_seriesGeneration = generation;
        m_seriesRecord = c;
    }
    return m_series;
}

quint64 zorSeriesData::generation() const
{
    const zorPointStore::_ch *c = channel();
    return c ? c->generation : 0;
}

size_t zorSeriesData::size() const
{
    const zorPointStore::_plotted &s = series();
    return size_t(std::min(s.time->size(), s.size()));
}

QPointF zorSeriesData::sample(size_t i) const
{
    const zorPointStore::_plotted &s = series();
    return QPointF(s.time->at(int(i)), s.at(int(i)));
}

QRectF zorSeriesData::boundingRect() const
{
    const zorPointStore::_plotted &s = series();
    const int n = int(size());
    if (n == 0)
        return QRectF(1.0, 1.0, -2.0, -2.0);
    double lo;
    double hi;
    s.index->range(s, 0, n, lo, hi);
    return QRectF(s.runs->lo(), lo, s.runs->hi() - s.runs->lo(), hi - lo);
}

int zorSeriesData::runCount() const
{
    return series().runs->count();
}

int zorSeriesData::runStart(int k) const
{
    return series().runs->start(k);
}

int zorSeriesData::lowerBound(double x, int from, int to) const
{
    const zorChunkedSeries &time = xs();
    return std::lower_bound(time.begin() + from, time.begin() + to, x).index();
}

int zorSeriesData::upperBound(double x, int from, int to) const
{
    const zorChunkedSeries &time = xs();
    return std::upper_bound(time.begin() + from, time.begin() + to, x).index();
}

int zorSeriesData::tailFrom(double x) const
{
    const int runs = runCount();
    if (runs == 0) {
        const zorChunkedSeries &time = xs();
        int i = int(size());
        while (i > 0 && time.at(i - 1) >= x)
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
    const zorPointStore::_plotted &s = series();
    s.index->range(s, from, std::min(to, int(size())), lo, hi);
}

void zorSeriesData::tailRange(int from, double &lo, double &hi) const
{
    const int n = int(size());
    const quint64 current = generation();
    if (from != m_tailFrom || current != m_tailGeneration || n < m_tailTo) {
        valueRange(from, n, m_tailLo, m_tailHi);
    } else {
        const zorPointStore::_plotted &values = ys();
        for (int i = m_tailTo; i < n; ++i) {
            const double y = values.at(i);
            if (m_tailLo > m_tailHi) {
                m_tailLo = m_tailHi = y;
            } else {
                m_tailLo = std::min(m_tailLo, y);
                m_tailHi = std::max(m_tailHi, y);
            }
        }
    }
    m_tailGeneration = current;
    m_tailFrom = from;
    m_tailTo = n;
    lo = m_tailLo;
    hi = m_tailHi;
}
