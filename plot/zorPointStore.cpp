#include "plot/zorPointStore.h"

#include <algorithm>
#include <cmath>

namespace {

// Readings at or below this value are the instrument's way of saying "no value".
constexpr double lowestReading = -1300.0;
constexpr int maxDevices = 255;

bool isReading(double val, double time)
{
    // Infinite or undefined numbers are no readings, and they would wreck the axes.
    return val > lowestReading && time >= 0.0 && std::isfinite(val) && std::isfinite(time);
}

void tally(zorPointStore::_block &block, zorPointStore::_added added)
{
    switch (added) {
    case zorPointStore::pointStored:
        ++block.stored;
        break;
    case zorPointStore::pointRejected:
        ++block.rejected;
        break;
    case zorPointStore::pointRefused:
        ++block.refused;
        break;
    case zorPointStore::pointDropped:
        ++block.dropped;
        break;
    }
    block.last = added;
}

// Index of the value of series, where a negative or too large index means the newest.
int pointIndex(int size, int index)
{
    return index < 0 || index >= size ? size - 1 : index;
}

} // namespace

zorPointStore::zorPointStore()
    : m_startDefault(QDateTime::fromString(QStringLiteral("01.01.1970"), QStringLiteral("dd.MM.yyyy")))
{
}

// ---------------------------------------------------------------- devices

int zorPointStore::addDev()
{
    if (m_devs.size() >= maxDevices)
        return -1;
    int key = 0;
    while (m_devs.contains(key))
        ++key;
    _dev d;
    d.startDateTime = QDateTime::currentDateTime();
    for (const _dev &other : qAsConst(m_devs)) {
        if (!other.ownStart) {
            d.startDateTime = other.startDateTime;
            break;
        }
    }
    d.startMSecs = d.startDateTime.toMSecsSinceEpoch();
    m_devs.insert(key, d);
    ++m_layout;
    return key;
}

void zorPointStore::removeDev(int qwtIndex)
{
    if (!editDev(qwtIndex))
        return;
    for (_dev &other : m_devs) {
        for (_ch &c : other.chs) {
            if (c.diffDev == qwtIndex)
                unlink(c);
        }
    }
    setChCount(0, qwtIndex);
    m_devs.remove(qwtIndex);
    ++m_layout;
    if (m_curDev == qwtIndex)
        m_curDev = -1;
}

QList<int> zorPointStore::devKeys() const
{
    return m_devs.keys();
}

void zorPointStore::setStart(int qwtIndex, const QDateTime &start, bool own)
{
    _dev *d = editDev(qwtIndex);
    if (!d)
        return;
    d->ownStart = d->ownStart || own;
    d->startDateTime = start;
    d->startMSecs = start.toMSecsSinceEpoch();
}

QVector<QPair<int, uchar>> zorPointStore::setChCount(uchar count, int qwtIndex)
{
    QVector<QPair<int, uchar>> orphans;
    _dev *d = editDev(qwtIndex);
    if (count == 255 || !d || count == d->chs.size())
        return orphans;
    const int old = d->chs.size();
    d->chs.resize(count);
    ++m_layout;
    for (int k = old; k < count; ++k)
        renew(d->chs[k]);
    // Channels anywhere that subtracted a removed channel go back to their own values.
    for (auto it = m_devs.begin(); it != m_devs.end(); ++it) {
        for (int j = 0; j < it->chs.size(); ++j) {
            _ch &c = it->chs[j];
            if (c.diffDev == qwtIndex && c.diffCh >= count && isLinked(c)) {
                unlink(c);
                orphans.append({it.key(), uchar(j)});
            }
        }
    }
    return orphans;
}

void zorPointStore::clear(int qwtIndex)
{
    _dev *d = editDev(qwtIndex);
    if (!d)
        return;
    for (_ch &c : d->chs) {
        c.meas.clear();
        c.time.clear();
        c.dims.clear();
        c.timeRuns.clear();
        c.measIndex.clear();
        c.averIndex.clear();
        emptyDiff(c);
        renew(c);
    }
}

// ---------------------------------------------------------------- selection

void zorPointStore::setCurrentDev(int qwtIndex)
{
    m_curDev = m_devs.contains(qwtIndex) ? qwtIndex : -1;
}

void zorPointStore::setChMain(uchar ch, int qwtIndex)
{
    _dev *d = editDev(qwtIndex);
    if (d && ch < d->chs.size())
        d->mainCh = ch;
}

bool zorPointStore::setPrecision(uchar precision, int qwtIndex, uchar ch)
{
    _ch *c = editCh(qwtIndex, ch);
    if (!c || c->precision == precision)
        return false;
    c->precision = precision;
    return true;
}

// ---------------------------------------------------------------- points

double zorPointStore::timeNow(int qwtIndex) const
{
    return timeAt(qwtIndex, QDateTime::currentMSecsSinceEpoch());
}

double zorPointStore::timeAt(int qwtIndex, qint64 msecsSinceEpoch) const
{
    const _dev *d = findDev(qwtIndex);
    return d ? (msecsSinceEpoch - d->startMSecs) / 1000.0 : -1.0;
}

zorPointStore::_added zorPointStore::addPoint(double val, double time, const QString &dim, int qwtIndex, uchar ch)
{
    _ch *c = pointCh(qwtIndex, ch);
    return c ? storePoint(*c, val, time, dim) : pointDropped;
}

zorPointStore::_block zorPointStore::addPoints(const QVector<double> &values, const QVector<double> &times,
                                               const QString &dim, int qwtIndex, uchar ch)
{
    _block block;
    const int count = std::min(values.size(), times.size());
    if (count == 0)
        return block;
    _ch *c = pointCh(qwtIndex, ch);
    if (!c) {
        block.dropped = count;
        return block;
    }
    if (!isLinked(*c)) {
        storeBlock(*c, values, times, count, dim, block);
        return block;
    }
    // Each difference takes the partner's newest point as it is at that reading, and
    // the partner may be this very channel: point by point.
    for (int i = 0; i < count; ++i)
        tally(block, storePoint(*c, values.at(i), times.at(i), dim));
    return block;
}

void zorPointStore::reserve(int count, int qwtIndex, uchar ch)
{
    _ch *c = editCh(qwtIndex, ch);
    if (!c)
        return;
    c->meas.reserve(count);
    c->time.reserve(count);
}

// The channel a reading is for, made with the channels below it when it is not there
// yet; null for an unknown device and for channels that cannot exist.
zorPointStore::_ch *zorPointStore::pointCh(int &qwtIndex, uchar ch)
{
    _dev *d = editDev(qwtIndex);
    if (!d || ch == 255)
        return nullptr;
    if (ch >= d->chs.size()) {
        // 255 channels cannot exist: a reading for channel 254 is dropped.
        setChCount(uchar(ch + 1), qwtIndex);
        if (ch >= d->chs.size())
            return nullptr;
    }
    return &d->chs[ch];
}

zorPointStore::_added zorPointStore::storePoint(_ch &c, double val, double time, const QString &dim)
{
    if (!isReading(val, time)) {
        c.pointError = true;
        return pointRejected;
    }
    c.dim = dim;
    c.dims.append(dim);
    c.meas.append(val);
    c.time.append(time);
    syncSummaries(c);
    if (isLinked(c) && !diffStep(c, val, time))
        return pointRefused;
    c.pointError = false;
    return pointStored;
}

// A block for a channel without a partner: the readings first, then the summaries in
// one pass each.
void zorPointStore::storeBlock(_ch &c, const QVector<double> &values, const QVector<double> &times, int count,
                               const QString &dim, _block &block)
{
    const int before = c.meas.size();
    for (int i = 0; i < count; ++i) {
        const double val = values.at(i);
        const double time = times.at(i);
        if (isReading(val, time)) {
            c.meas.append(val);
            c.time.append(time);
        }
    }
    const int after = c.meas.size();
    block.stored = after - before;
    block.rejected = count - block.stored;
    block.last = isReading(values.at(count - 1), times.at(count - 1)) ? pointStored : pointRejected;
    c.pointError = block.last == pointRejected;
    if (block.stored == 0)
        return;
    c.dim = dim;
    c.dims.append(dim, block.stored);
    syncSummaries(c);
}

void zorPointStore::syncSummaries(_ch &c)
{
    c.timeRuns.sync(c.time);
    c.measIndex.sync(c.meas);
    c.averIndex.sync(series(c.meas, c.time, true, c.timeRuns, c.averIndex));
}

void zorPointStore::syncDiffSummaries(_ch &c)
{
    c.diffTimeRuns.sync(c.diffTime);
    c.diffMeasIndex.sync(c.diffMeas);
    c.diffAverIndex.sync(series(c.diffMeas, c.diffTime, true, c.diffTimeRuns, c.diffAverIndex));
}

bool zorPointStore::diffStep(_ch &c, double val, double time)
{
    int partnerDev = c.diffDev;
    uchar partnerCh = c.diffCh;
    const _ch *partner = findCh(partnerDev, partnerCh);
    if (!partner || partner->time.isEmpty() || partner->pointError)
        return false;
    // Only a partner point newer than the last difference makes a new one.
    if (!c.diffTime.isEmpty() && !(partner->time.last() > c.diffTime.last()))
        return false;
    c.diffTime.append(time);
    c.diffMeas.append(val - partner->meas.last());
    syncDiffSummaries(c);
    return true;
}

// ---------------------------------------------------------------- difference channels

bool zorPointStore::setChDiff(uchar partnerCh, int partnerDev, int qwtIndex, uchar ch)
{
    _ch *c = editCh(qwtIndex, ch);
    if (!c)
        return false;
    if (partnerDev == -1 && partnerCh == 255) {
        unlink(*c);
        return true;
    }
    const auto partnerIt = m_devs.constFind(partnerDev);
    if (partnerDev < 0 || partnerIt == m_devs.constEnd() || partnerCh >= partnerIt->chs.size())
        return false;
    rebuildDiff(*c, partnerIt->chs.at(partnerCh));
    c->diffCh = partnerCh;
    c->diffDev = partnerDev;
    renew(*c);
    return true;
}

void zorPointStore::getChDiff(uchar *partnerCh, int *partnerDev, int qwtIndex, uchar ch) const
{
    uchar pCh = 255;
    int pDev = -1;
    const _ch *c = findCh(qwtIndex, ch);
    if (c && isLinked(*c)) {
        const auto partnerIt = m_devs.constFind(c->diffDev);
        if (partnerIt != m_devs.constEnd() && c->diffCh < partnerIt->chs.size()) {
            pCh = c->diffCh;
            pDev = c->diffDev;
        }
    }
    if (partnerCh)
        *partnerCh = pCh;
    if (partnerDev)
        *partnerDev = pDev;
}

void zorPointStore::unlink(_ch &c)
{
    c.diffCh = 255;
    c.diffDev = -1;
    renew(c);
}

void zorPointStore::rebuildDiff(_ch &c, const _ch &partner)
{
    emptyDiff(c);
    int j = 0;
    for (int i = 0; i < c.time.size(); ++i) {
        // Own point i pairs with the first partner point in [time[i-1], time[i]]
        // (for the first own point: any partner point up to time[0]).
        while (j < partner.time.size()) {
            const double t = partner.time.at(j);
            if (t > c.time.at(i))
                break;
            if (i > 0 && t < c.time.at(i - 1)) {
                ++j;
                continue;
            }
            c.diffTime.append(c.time.at(i));
            c.diffMeas.append(c.meas.at(i) - partner.meas.at(j));
            ++j;
            break;
        }
    }
    syncDiffSummaries(c);
}

void zorPointStore::emptyDiff(_ch &c)
{
    c.diffMeas.clear();
    c.diffTime.clear();
    c.diffTimeRuns.clear();
    c.diffMeasIndex.clear();
    c.diffAverIndex.clear();
}

// The plotted series of the channel are no longer what they were.
void zorPointStore::renew(_ch &c)
{
    c.generation = ++m_generations;
}

// ---------------------------------------------------------------- records

zorPointStore::_dev *zorPointStore::editDev(int &qwtIndex)
{
    if (qwtIndex < 0)
        qwtIndex = m_curDev;
    const auto it = m_devs.find(qwtIndex);
    return it == m_devs.end() ? nullptr : &it.value();
}

const zorPointStore::_dev *zorPointStore::findDev(int &qwtIndex) const
{
    if (qwtIndex < 0)
        qwtIndex = m_curDev;
    const auto it = m_devs.constFind(qwtIndex);
    return it == m_devs.constEnd() ? nullptr : &it.value();
}

zorPointStore::_ch *zorPointStore::editCh(int &qwtIndex, uchar &ch)
{
    _dev *d = editDev(qwtIndex);
    if (!d)
        return nullptr;
    if (ch == 255)
        ch = uchar(mainOf(*d));
    return ch < d->chs.size() ? &d->chs[ch] : nullptr;
}

const zorPointStore::_ch *zorPointStore::findCh(int &qwtIndex, uchar &ch) const
{
    const _dev *d = findDev(qwtIndex);
    if (!d)
        return nullptr;
    if (ch == 255)
        ch = uchar(mainOf(*d));
    return ch < d->chs.size() ? &d->chs.at(ch) : nullptr;
}

bool zorPointStore::isLinked(const _ch &c)
{
    return c.diffDev >= 0 && c.diffCh != 255;
}

int zorPointStore::mainOf(const _dev &d)
{
    return d.mainCh < d.chs.size() ? d.mainCh : 0;
}

zorPointStore::_plotted zorPointStore::series(const zorChunkedSeries &values, const zorChunkedSeries &time, bool aver,
                                               const zorTimeRuns &runs, const zorMinMaxIndex &index)
{
    return {&time, &values, aver, &runs, &index};
}

zorPointStore::_plotted zorPointStore::plotted(const _ch &c, bool aver)
{
    if (isLinked(c))
        return series(c.diffMeas, c.diffTime, aver, c.diffTimeRuns, aver ? c.diffAverIndex : c.diffMeasIndex);
    return series(c.meas, c.time, aver, c.timeRuns, aver ? c.averIndex : c.measIndex);
}

// ---------------------------------------------------------------- getters

uchar zorPointStore::getChCount(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d ? uchar(d->chs.size()) : 0;
}

int zorPointStore::getChMain(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d && !d->chs.isEmpty() ? d->mainCh : -1;
}

QString zorPointStore::getChDim(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    return c ? c->dim : QStringLiteral("-");
}

QString zorPointStore::getChDim(int qwtIndex, uchar ch, int index) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c || c->dims.isEmpty())
        return QStringLiteral("-");
    return c->dims.at(pointIndex(c->dims.size(), index));
}

QDateTime zorPointStore::getStartDateTime(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d ? d->startDateTime : m_startDefault;
}

uchar zorPointStore::getPrecision(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    return c ? c->precision : 0;
}

int zorPointStore::getChMeasCount(int qwtIndex, uchar ch, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0;
    return diff && isLinked(*c) ? c->diffMeas.size() : c->meas.size();
}

double zorPointStore::getChMeas(int qwtIndex, uchar ch, int index, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0.0;
    const zorChunkedSeries &series = diff && isLinked(*c) ? c->diffMeas : c->meas;
    return series.isEmpty() ? 0.0 : series.at(pointIndex(series.size(), index));
}

double zorPointStore::getChTime(int qwtIndex, uchar ch, int index, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0.0;
    const zorChunkedSeries &series = diff && isLinked(*c) ? c->diffTime : c->time;
    return series.isEmpty() ? 0.0 : series.at(pointIndex(series.size(), index));
}

// Value text of series with max(prec, 2) decimals; a negative prec takes the
// channel's own precision, or fallbackPrecision while that is 0.
template<class Series>
QString zorPointStore::valueText(const _ch &c, const Series &series, signed char prec, int index,
                                 uchar fallbackPrecision) const
{
    if (c.pointError || series.size() == 0)
        return QStringLiteral("--");
    const int decimals = prec >= 0 ? prec : c.precision != 0 ? c.precision : fallbackPrecision;
    return QString::number(series.at(pointIndex(series.size(), index)), 'f', std::max(decimals, 2));
}

QString zorPointStore::getChMeasStr(int qwtIndex, uchar ch, signed char prec, int index, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QStringLiteral("--");
    return valueText(*c, diff && isLinked(*c) ? c->diffMeas : c->meas, prec, index, 0);
}

QString zorPointStore::getChAverStr(int qwtIndex, uchar ch, signed char prec, int index) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QStringLiteral("--");
    return valueText(*c, plotted(*c, true), prec, index, getPrecision(qwtIndex, 255));
}

QString zorPointStore::getChTimeStr(int qwtIndex, uchar ch, int index) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c || c->time.isEmpty())
        return QString();
    return QString::number(double(std::llround(c->time.at(pointIndex(c->time.size(), index)))), 'g', 6);
}

QString zorPointStore::getChDXStr(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QString();
    const zorChunkedSeries &t = isLinked(*c) ? c->diffTime : c->time;
    const int n = t.size();
    return n < 2 ? QString() : QString::number(t.at(n - 1) - t.at(n - 2), 'f', 1);
}

QString zorPointStore::getChDYStr(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QString();
    const zorChunkedSeries &v = isLinked(*c) ? c->diffMeas : c->meas;
    const int n = v.size();
    const int decimals = c->precision != 0 ? c->precision : getPrecision(qwtIndex, 255);
    return n < 2 ? QString() : QString::number(v.at(n - 1) - v.at(n - 2), 'f', decimals);
}
