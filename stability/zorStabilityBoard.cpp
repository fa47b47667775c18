#include "stability/zorStabilityBoard.h"

#include "stability/zorStabilityLog.h"

#include <cmath>

zorStabilityBoard::zorStabilityBoard(QObject *parent)
    : QObject(parent)
{
}

void zorStabilityBoard::setCriteria(int dev, const zorStabilityCriteria &criteria)
{
    devRec &d = m_devs[dev];
    d.criteria = criteria;
    for (chRec &c : d.chs)
        applyCriteria(d, c);
}

zorStabilityCriteria zorStabilityBoard::criteria(int dev) const
{
    return m_devs.value(dev).criteria;
}

void zorStabilityBoard::applyCriteria(const devRec &d, chRec &c) const
{
    const zorStabilityCriteria::limits l = d.criteria.forUnit(c.unit);
    c.sigmaLimit = l.sigma;
    c.driftLimit = l.drift;
    c.window.setSpan(d.criteria.window());
}

bool zorStabilityBoard::verdict(const chRec &c) const
{
    if (!c.window.isFull())
        return false;
    const zorStabilityWindow::fit f = c.window.result();
    return f.sigma <= c.sigmaLimit && std::fabs(f.slope * c.window.span()) <= c.driftLimit;
}

void zorStabilityBoard::take(int dev, int ch, double time, double value, const QString &unit)
{
    if (ch < 0 || ch > 255)
        return;
    devRec &d = m_devs[dev];
    if (ch >= d.chs.size())
        d.chs.resize(ch + 1);
    chRec &c = d.chs[ch];
    if (c.unit != unit) {
        // Another unit is another quantity: its window starts afresh.
        c.unit = unit;
        c.window.clear();
        applyCriteria(d, c);
    }
    if (time < c.last)
        c.intervals.clear(); // the series started again: the old stretches are of another time base
    c.window.add(time, value);
    c.last = time;
    d.last = time > d.last || time < d.last - d.criteria.window() ? time : d.last;
    const bool stable = verdict(c);
    if (stable) {
        if (c.stable)
            c.intervals.last().second = time;
        else {
            if (c.intervals.size() >= maxIntervals)
                c.intervals.removeFirst();
            c.intervals.append({c.window.result().from, time});
        }
    }
    if (stable == c.stable)
        return;
    c.stable = stable;
    qCDebug(lcStability) << "device" << dev << "channel" << ch + 1 << (stable ? "stable" : "not stable") << "at" << time;
    emit stableChanged(dev, ch, stable);
    updateDev(dev, d);
}

bool zorStabilityBoard::allStable(const devRec &d) const
{
    int active = 0;
    for (const chRec &c : d.chs) {
        if (c.window.count() == 0 || c.last < d.last - d.criteria.window())
            continue;
        if (!c.stable)
            return false;
        ++active;
    }
    return active > 0;
}

void zorStabilityBoard::updateDev(int dev, devRec &d)
{
    const bool stable = allStable(d);
    if (stable == d.stable)
        return;
    d.stable = stable;
    emit devStableChanged(dev, stable);
}

zorStabilityBoard::state zorStabilityBoard::channel(int dev, int ch) const
{
    state s;
    const auto it = m_devs.constFind(dev);
    if (it == m_devs.cend() || ch < 0 || ch >= it->chs.size())
        return s;
    const chRec &c = it->chs.at(ch);
    s.fit = c.window.result();
    s.window = c.window.span();
    s.drift = s.fit.slope * s.window;
    s.unit = c.unit;
    s.full = c.window.isFull();
    s.stable = c.stable;
    return s;
}

int zorStabilityBoard::channelCount(int dev) const
{
    return m_devs.value(dev).chs.size();
}

bool zorStabilityBoard::isDevStable(int dev) const
{
    const auto it = m_devs.constFind(dev);
    return it != m_devs.cend() && allStable(*it);
}

QVector<zorStabilityBoard::interval> zorStabilityBoard::intervals(int dev, int ch) const
{
    const auto it = m_devs.constFind(dev);
    if (it == m_devs.cend() || ch < 0 || ch >= it->chs.size())
        return {};
    return it->chs.at(ch).intervals;
}

void zorStabilityBoard::clear(int dev)
{
    const auto it = m_devs.find(dev);
    if (it == m_devs.end())
        return;
    const zorStabilityCriteria criteria = it->criteria;
    const bool wasStable = it->stable;
    *it = devRec();
    it->criteria = criteria;
    if (wasStable)
        emit devStableChanged(dev, false);
}

void zorStabilityBoard::removeDev(int dev)
{
    m_devs.remove(dev);
}
