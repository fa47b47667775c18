#include "plot/zorPointStore.h"

#include <algorithm>
#include <cmath>

namespace {

// Readings at or below this value are the instrument's way of saying "no value".
constexpr double lowestReading = -1300.0;
constexpr int averageWindow = 10;
constexpr int maxDevices = 255;

// Appends the mean of the last (up to) ten values of series to aver; sum becomes
// the sum of that window. The window is summed afresh, so one huge reading cannot
// leave a rounding error behind in the running sum once it has left the window.
void appendAverage(const QVector<double> &series, QVector<double> &aver, double &sum)
{
    const int n = series.size();
    const int first = std::max(0, n - averageWindow);
    sum = 0.0;
    for (int i = first; i < n; ++i)
        sum += series.at(i);
    aver.append(sum / (n - first));
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
    d.startDateTime = m_devs.isEmpty() ? QDateTime::currentDateTime() : m_devs.first().startDateTime;
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

void zorPointStore::setStart(int qwtIndex, const QDateTime &start)
{
    _dev *d = editDev(qwtIndex);
    if (!d)
        return;
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
        // Assigning empty vectors gives the memory of a long run back.
        c.meas = QVector<double>();
        c.aver = QVector<double>();
        c.time = QVector<double>();
        c.dims.clear();
        c.sumMeas = 0.0;
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
    const _dev *d = findDev(qwtIndex);
    return d ? (QDateTime::currentMSecsSinceEpoch() - d->startMSecs) / 1000.0 : -1.0;
}

zorPointStore::_added zorPointStore::addPoint(double val, double time, const QString &dim, int qwtIndex, uchar ch)
{
    _dev *d = editDev(qwtIndex);
    if (!d || ch == 255)
        return pointDropped;
    if (ch >= d->chs.size()) {
        // 255 channels cannot exist: a reading for channel 254 is dropped.
        setChCount(uchar(ch + 1), qwtIndex);
        if (ch >= d->chs.size())
            return pointDropped;
    }
    _ch &c = d->chs[ch];
    // Infinite or undefined numbers are no readings, and they would wreck the axes.
    const bool valid = val > lowestReading && time >= 0.0 && std::isfinite(val) && std::isfinite(time);
    if (!valid) {
        c.pointError = true;
        return pointRejected;
    }
    c.dim = dim;
    c.dims.append(dim);
    c.meas.append(val);
    c.time.append(time);
    appendAverage(c.meas, c.aver, c.sumMeas);
    c.timeRuns.sync(c.time);
    c.measIndex.sync(c.meas);
    c.averIndex.sync(c.aver);
    if (isLinked(c) && !diffStep(c, val, time))
        return pointRefused;
    c.pointError = false;
    return pointStored;
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
    appendAverage(c.diffMeas, c.diffAver, c.sumDiff);
    c.diffTimeRuns.sync(c.diffTime);
    c.diffMeasIndex.sync(c.diffMeas);
    c.diffAverIndex.sync(c.diffAver);
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
            appendAverage(c.diffMeas, c.diffAver, c.sumDiff);
            ++j;
            break;
        }
    }
    c.diffTimeRuns.sync(c.diffTime);
    c.diffMeasIndex.sync(c.diffMeas);
    c.diffAverIndex.sync(c.diffAver);
}

void zorPointStore::emptyDiff(_ch &c)
{
    c.diffMeas = QVector<double>();
    c.diffAver = QVector<double>();
    c.diffTime = QVector<double>();
    c.sumDiff = 0.0;
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

zorPointStore::_plotted zorPointStore::plotted(const _ch &c, bool aver)
{
    if (isLinked(c))
        return {&c.diffTime, aver ? &c.diffAver : &c.diffMeas, &c.diffTimeRuns,
                aver ? &c.diffAverIndex : &c.diffMeasIndex};
    return {&c.time, aver ? &c.aver : &c.meas, &c.timeRuns, aver ? &c.averIndex : &c.measIndex};
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
    const QVector<double> &series = diff && isLinked(*c) ? c->diffMeas : c->meas;
    return series.isEmpty() ? 0.0 : series.at(pointIndex(series.size(), index));
}

double zorPointStore::getChTime(int qwtIndex, uchar ch, int index, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0.0;
    const QVector<double> &series = diff && isLinked(*c) ? c->diffTime : c->time;
    return series.isEmpty() ? 0.0 : series.at(pointIndex(series.size(), index));
}

// Value text of series with max(prec, 2) decimals; a negative prec takes the
// channel's own precision, or fallbackPrecision while that is 0.
QString zorPointStore::valueText(const _ch &c, const QVector<double> &series, signed char prec, int index,
                                 uchar fallbackPrecision) const
{
    if (c.pointError || series.isEmpty())
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
    return valueText(*c, isLinked(*c) ? c->diffAver : c->aver, prec, index, getPrecision(qwtIndex, 255));
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
    const QVector<double> &t = isLinked(*c) ? c->diffTime : c->time;
    const int n = t.size();
    return n < 2 ? QString() : QString::number(t.at(n - 1) - t.at(n - 2), 'f', 1);
}

QString zorPointStore::getChDYStr(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QString();
    const QVector<double> &v = isLinked(*c) ? c->diffMeas : c->meas;
    const int n = v.size();
    const int decimals = c->precision != 0 ? c->precision : getPrecision(qwtIndex, 255);
    return n < 2 ? QString() : QString::number(v.at(n - 1) - v.at(n - 2), 'f', decimals);
}
