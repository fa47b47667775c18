#include "plot/QwtZOR.h"

#include "plot/QwtZORScaleXDrawMode0.h"
#include "plot/QwtZORScaleYDraw.h"
#include "plot/zorPlotCurve.h"
#include "plot/zorPlotInteraction.h"
#include "plot/zorPlotLog.h"
#include "plot/zorReplotThrottle.h"
#include "plot/zorTimeText.h"

#include <QDateTime>

#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>

#include <utility>

QwtZOR::QwtZOR(QWidget *parent)
    : QwtPlot(parent)
    , m_scales(*this, m_store)
{
    // The mode enums travel in signals, also queued ones.
    qRegisterMetaType<QwtZOR::TmcMode>("QwtZOR::TmcMode");
    qRegisterMetaType<QwtZOR::TmcModeX>("QwtZOR::TmcModeX");
    qRegisterMetaType<QwtZOR::TmcTrackingMode>("QwtZOR::TmcTrackingMode");

    setAutoReplot(false);
    setCanvasBackground(Qt::white);
    // Room for the outermost tick labels.
    setContentsMargins(4, 10, 14, 4);
    // Every replot draws the whole canvas anew, so a backing store would only add a
    // full-size pixmap allocation and copy per frame; the curves draw just the part
    // a partial repaint asks for.
    if (auto *plotCanvas = qobject_cast<QwtPlotCanvas *>(canvas()))
        plotCanvas->setPaintAttribute(QwtPlotCanvas::BackingStore, false);
    setAxisScaleDraw(QwtPlot::yLeft, new QwtZORScaleYDraw(this));
    setAxisScaleDraw(QwtPlot::xBottom, new QwtZORScaleXDrawMode0);

    m_replotThrottle = new zorReplotThrottle(this);
    connect(m_replotThrottle, &zorReplotThrottle::due, this, &QwtZOR::replot);
    m_interaction = new zorPlotInteraction(*this, m_scales);
}

// The curves and limit lines go with the views, before the store they read.
QwtZOR::~QwtZOR() = default;

// ---------------------------------------------------------------- lookups

QwtZOR::_dev *QwtZOR::findView(int &qwtIndex)
{
    return const_cast<_dev *>(std::as_const(*this).findView(qwtIndex));
}

const QwtZOR::_dev *QwtZOR::findView(int &qwtIndex) const
{
    if (qwtIndex < 0)
        qwtIndex = m_store.currentDev();
    const auto it = m_views.find(qwtIndex);
    return it == m_views.end() ? nullptr : &it->second;
}

QwtZOR::_ch *QwtZOR::findChView(int &qwtIndex, uchar &ch)
{
    return const_cast<_ch *>(std::as_const(*this).findChView(qwtIndex, ch));
}

const QwtZOR::_ch *QwtZOR::findChView(int &qwtIndex, uchar &ch) const
{
    const int main = m_store.getChMain(qwtIndex);
    const _dev *d = findView(qwtIndex);
    if (!d)
        return nullptr;
    if (ch == 255)
        ch = uchar(main >= 0 && main < int(d->chs.size()) ? main : 0);
    return ch < d->chs.size() ? &d->chs[ch] : nullptr;
}

bool QwtZOR::isCurrentMain(int qwtIndex, uchar ch) const
{
    if (qwtIndex != m_store.currentDev())
        return false;
    const zorPointStore::_dev *d = m_store.findDev(qwtIndex);
    return d && ch < d->chs.size() && ch == zorPointStore::mainOf(*d);
}

// ---------------------------------------------------------------- devices

int QwtZOR::addDev()
{
    const int key = m_store.addDev();
    if (key < 0) {
        emit onChange(-1);
        return -1;
    }
    _dev &d = m_views[key];
    d.markerUp.reset(m_interaction->newLimitLine());
    d.markerDown.reset(m_interaction->newLimitLine());
    m_interaction->hidePanels();
    if (m_views.size() == 1)
        setDevMain(key);
    else
        emit onChange(key);
    return key;
}

void QwtZOR::removeDev(int qwtIndex)
{
    if (!findView(qwtIndex))
        return;
    const bool current = qwtIndex == m_store.currentDev();
    // Channels elsewhere that subtracted this device's channels draw their own values again.
    m_store.removeDev(qwtIndex);
    m_views.erase(qwtIndex);
    emit onChange(qwtIndex);
    if (current) {
        m_interaction->resetMeasure();
        updLabelScale();
    }
    applyScale();
    requestReplot();
}

void QwtZOR::prepareMeas(int qwtIndex, const QDateTime &start)
{
    if (!findView(qwtIndex))
        return;
    clear(qwtIndex);
    m_store.setStart(qwtIndex, start);
    relabelTime();
    emit onChange(qwtIndex);
    applyScale();
}

void QwtZOR::storeChanged(int qwtIndex)
{
    _dev *d = findView(qwtIndex);
    if (!d)
        return;
    const int count = m_store.getChCount(qwtIndex);
    if (count > int(d->chs.size())) {
        addChannelViews(*d, qwtIndex, count);
        if (qwtIndex == m_store.currentDev())
            updLabelScale();
    }
    relabelTime();
    applyScale();
    requestReplot();
}

// Wall-clock and clock labels count from the start: drawn afresh when it may have moved.
void QwtZOR::relabelTime()
{
    int cur = -1;
    uchar ch = 255;
    const _ch *main = findChView(cur, ch);
    if (main && main->modeX != mcxSec)
        setScaleDrawX(main->modeX);
}

void QwtZOR::viewChanged()
{
    emit onChange(m_store.currentDev());
}

void QwtZOR::setChCount(uchar count, int qwtIndex)
{
    _dev *d = findView(qwtIndex);
    if (count == 255 || !d)
        return;
    const int old = int(d->chs.size());
    const QVector<QPair<int, uchar>> orphans = m_store.setChCount(count, qwtIndex);
    if (count > old) {
        addChannelViews(*d, qwtIndex, count);
        for (int k = count - 1; k >= old; --k)
            emit onAddCh(qwtIndex, uchar(k));
    } else {
        d->chs.resize(count);
        afterUnlink(orphans);
    }
    if (!(d = findView(qwtIndex)))
        return;
    const zorPointStore::_dev *stored = m_store.findDev(qwtIndex);
    if (!d->chs.empty() && stored->mainCh >= d->chs.size())
        setChMain(0, qwtIndex);
    if (qwtIndex == m_store.currentDev()) {
        updLabelScale();
        requestReplot();
    }
    emit onChange(qwtIndex);
}

// New channels get their curves, in the channel's colour, visible when the device is
// the current one and shows that kind of curve.
void QwtZOR::addChannelViews(_dev &d, int qwtIndex, int count)
{
    const bool current = qwtIndex == m_store.currentDev();
    for (int k = int(d.chs.size()); k < count; ++k) {
        _ch c;
        c.curveAver = std::make_unique<zorPlotCurve>(m_store, qwtIndex, uchar(k), true);
        c.curveMeas = std::make_unique<zorPlotCurve>(m_store, qwtIndex, uchar(k), false);
        setCurvesVisible(c, d.devShow && d.measShow && current, d.devShow && d.averShow && current);
        c.curveAver->attach(this);
        c.curveMeas->attach(this);
        d.chs.push_back(std::move(c));
    }
}

// Channels whose partner went away: their own values, in the tracking mode.
void QwtZOR::afterUnlink(const QVector<QPair<int, uchar>> &channels)
{
    for (const auto &channel : channels) {
        setChMode(mcTracking, channel.first, channel.second);
        applyScale();
    }
}

void QwtZOR::clear(int qwtIndex)
{
    if (!findView(qwtIndex))
        return;
    m_store.clear(qwtIndex);
    applyScale();
}

// ---------------------------------------------------------------- points

// A wall clock stepped back puts the reading before the start or before the channel's
// newest one: it is refused as an invalid reading, so that the series stays in time
// order, and counted in the log.
bool QwtZOR::addPoint(double val, const QString &dim, int qwtIndex, uchar ch)
{
    return addPointAt(val, QDateTime::currentMSecsSinceEpoch(), dim, qwtIndex, ch);
}

bool QwtZOR::addPointAt(double val, qint64 msecsSinceEpoch, const QString &dim, int qwtIndex, uchar ch)
{
    double time = m_store.timeAt(qwtIndex, msecsSinceEpoch);
    if (time < 0.0 || (ch < m_store.getChCount(qwtIndex) && time < m_store.getChTime(qwtIndex, ch))) {
        ++m_clockBack;
        if ((m_clockBack & (m_clockBack - 1)) == 0) // 1, 2, 4, 8 ...: the log stays short
            qCWarning(lcPlot) << "clock stepped back: reading of device" << qwtIndex << "channel" << ch
                              << "refused," << m_clockBack << "so far";
        time = -1.0;
    }
    return addPoint(val, time, dim, qwtIndex, ch);
}

bool QwtZOR::addPoint(double val, double time, const QString &dim, int qwtIndex, uchar ch)
{
    if (!makeCh(qwtIndex, ch))
        return false;
    switch (m_store.addPoint(val, time, dim, qwtIndex, ch)) {
    case zorPointStore::pointDropped:
        return false;
    case zorPointStore::pointRejected:
    case zorPointStore::pointRefused:
        emit onErrorAddPoint(qwtIndex, ch);
        return false;
    case zorPointStore::pointStored:
        break;
    }
    pointsAdded(qwtIndex, ch, -1);
    return true;
}

int QwtZOR::addPoints(const QVector<double> &values, const QVector<double> &times, const QString &dim,
                      int qwtIndex, uchar ch)
{
    if (values.isEmpty() || times.isEmpty() || !makeCh(qwtIndex, ch))
        return 0;
    const int from = m_store.getChMeasCount(qwtIndex, ch, true);
    const zorPointStore::_block block = m_store.addPoints(values, times, dim, qwtIndex, ch);
    const bool failed = block.rejected + block.refused > 0;
    const bool endsFailed = block.last == zorPointStore::pointRejected || block.last == zorPointStore::pointRefused;
    if (failed && !endsFailed)
        emit onErrorAddPoint(qwtIndex, ch);
    if (block.stored > 0)
        pointsAdded(qwtIndex, ch, from);
    if (endsFailed)
        emit onErrorAddPoint(qwtIndex, ch);
    return block.stored;
}

void QwtZOR::reserve(int count, int qwtIndex, uchar ch)
{
    if (makeCh(qwtIndex, ch))
        m_store.reserve(count, qwtIndex, ch);
}

// The views of a channel a reading is for, made with those below it when the channel is
// not there yet; false for an unknown device and for channel 255.
bool QwtZOR::makeCh(int &qwtIndex, uchar ch)
{
    _dev *d = findView(qwtIndex);
    if (!d || ch == 255)
        return false;
    if (ch >= d->chs.size())
        setChCount(uchar(ch + 1), qwtIndex);
    return true;
}

// Points from index from of the channel's plotted values on (the newest alone with a
// negative from) were stored: the axes or the curves follow, and the signals go out.
void QwtZOR::pointsAdded(int qwtIndex, uchar ch, int from)
{
    if (isCurrentMain(qwtIndex, ch)) {
        applyScale();
    } else if (const _dev *d = findView(qwtIndex)) {
        const _ch &c = d->chs[ch];
        if (c.curveMeas->isVisible() || c.curveAver->isVisible())
            requestReplot();
    }
    emit onAddPoint(qwtIndex, ch);
    checkLimits(qwtIndex, ch, from);
}

// One alarm for the points from index from of the plotted values on (the newest alone
// with a negative from) when any lies beyond an active limit line.
void QwtZOR::checkLimits(int qwtIndex, uchar ch, int from)
{
    const _dev *d = findView(qwtIndex);
    if (!d || d->modeTrack == tmOff)
        return;
    double lo;
    double hi;
    if (from < 0) {
        lo = hi = getChMeas(qwtIndex, ch, -1, true);
    } else {
        uchar c = ch;
        const zorPointStore::_plotted raw = zorPointStore::plotted(*m_store.findCh(qwtIndex, c), false);
        raw.index->range(raw, from, raw.size(), lo, hi);
        if (lo > hi)
            return;
    }
    const bool aboveUp = d->markerUp->isVisible() && hi > d->markerUp->yValue();
    const bool belowDown = d->markerDown->isVisible() && lo < d->markerDown->yValue();
    const bool hit = d->modeTrack == tmUpper ? aboveUp : d->modeTrack == tmLower ? belowDown : aboveUp || belowDown;
    if (hit)
        emit onPointTrackOff(qwtIndex, ch);
}

void QwtZOR::setCurvesVisible(_ch &c, bool meas, bool aver)
{
    c.curveMeas->setVisible(meas);
    c.curveAver->setVisible(aver);
}

void QwtZOR::requestReplot()
{
    m_replotThrottle->request();
}

// ---------------------------------------------------------------- selection and visibility

void QwtZOR::setDevMain(int qwtIndex)
{
    if (!findView(qwtIndex))
        return;
    m_interaction->hideCursors();
    for (auto &entry : m_views) {
        entry.second.markerUp->hide();
        entry.second.markerDown->hide();
        entry.second.devShow = false;
    }
    m_store.setCurrentDev(qwtIndex);
    const _dev &d = m_views[qwtIndex];
    d.markerUp->setVisible(d.modeTrack == tmBoth || d.modeTrack == tmUpper);
    d.markerDown->setVisible(d.modeTrack == tmBoth || d.modeTrack == tmLower);
    const uchar mainCh = uchar(zorPointStore::mainOf(*m_store.findDev(qwtIndex)));
    setDevShow(true, qwtIndex);
    setChMode(mcTracking, qwtIndex, mainCh);
    setChModeX(getChModeX(qwtIndex, mainCh), qwtIndex, mainCh);
    emit onChMainChange(qwtIndex, mainCh);
    for (const auto &entry : m_views) {
        if (entry.first != qwtIndex)
            setDevShow(false, entry.first);
    }
    emit onDevChange(qwtIndex);
    emit onChange(qwtIndex);
    applyScale();
}

void QwtZOR::setChMain(uchar ch, int qwtIndex)
{
    _dev *d = findView(qwtIndex);
    if (!d || d->chs.empty())
        return;
    if (ch == 255)
        ch = uchar(zorPointStore::mainOf(*m_store.findDev(qwtIndex)));
    if (ch >= d->chs.size())
        return;
    const bool current = qwtIndex == m_store.currentDev();
    for (size_t k = 0; k < d->chs.size(); ++k) {
        _ch &c = d->chs[k];
        c.show = k == ch;
        setCurvesVisible(c, c.show && d->measShow && current, c.show && d->averShow && current);
    }
    if (ch != m_store.findDev(qwtIndex)->mainCh) {
        m_store.setChMain(ch, qwtIndex);
        const _ch &c = d->chs[ch];
        setChMode(c.scaleX == 0 && c.scaleY == 0 ? mcAuto : mcTracking, qwtIndex, ch);
        emit onChMainChange(qwtIndex, ch);
    }
    if (current)
        setScaleDrawX(getChModeX(qwtIndex, 255));
    applyScale();
    emit onChange(qwtIndex);
}

void QwtZOR::setChMain(uchar ch)
{
    setChMain(ch, m_store.currentDev());
}

void QwtZOR::setChMain()
{
    setChMain(255, m_store.currentDev());
}

void QwtZOR::setDevShow(bool show, int qwtIndex)
{
    _dev *d = findView(qwtIndex);
    if (!d)
        return;
    d->devShow = show;
    for (_ch &c : d->chs)
        setCurvesVisible(c, show && d->measShow && c.show, show && d->averShow && c.show);
    requestReplot();
}

void QwtZOR::setChShow(bool show, int qwtIndex, uchar ch)
{
    _dev *d = findView(qwtIndex);
    _ch *c = findChView(qwtIndex, ch);
    if (!c || (c->show == show && (d->devShow || !show)))
        return;
    d->devShow = true;
    c->show = show;
    setCurvesVisible(*c, show && d->measShow, show && d->averShow);
    replot();
    emit onChange(qwtIndex);
    emit onChShowChange(qwtIndex, ch, show);
}

void QwtZOR::setMeasShow(bool show, int qwtIndex)
{
    _dev *d = findView(qwtIndex);
    if (!d || d->measShow == show)
        return;
    d->measShow = show;
    emit onChange(qwtIndex);
    emit onMeasShowChange(qwtIndex, show);
    if (!(d = findView(qwtIndex)))
        return;
    for (_ch &c : d->chs)
        c.curveMeas->setVisible(d->devShow && show && c.show);
    if (qwtIndex == m_store.currentDev())
        applyScale();
}

void QwtZOR::setMeasShow(bool show)
{
    setMeasShow(show, m_store.currentDev());
}

void QwtZOR::setAverShow(bool show, int qwtIndex)
{
    _dev *d = findView(qwtIndex);
    if (!d || d->averShow == show)
        return;
    d->averShow = show;
    emit onChange(qwtIndex);
    emit onAverShowChange(qwtIndex, show);
    if (!(d = findView(qwtIndex)))
        return;
    for (_ch &c : d->chs)
        c.curveAver->setVisible(d->devShow && show && c.show);
    if (qwtIndex == m_store.currentDev())
        applyScale();
}

void QwtZOR::setAverShow(bool show)
{
    setAverShow(show, m_store.currentDev());
}

bool QwtZOR::toggleMeasShow(int qwtIndex)
{
    setMeasShow(!getMeasShow(qwtIndex), qwtIndex);
    return getMeasShow(qwtIndex);
}

bool QwtZOR::toggleMeasShow()
{
    return toggleMeasShow(m_store.currentDev());
}

bool QwtZOR::toggleAverShow(int qwtIndex)
{
    setAverShow(!getAverShow(qwtIndex), qwtIndex);
    return getAverShow(qwtIndex);
}

bool QwtZOR::toggleAverShow()
{
    return toggleAverShow(m_store.currentDev());
}

bool QwtZOR::getMeasShow(int qwtIndex) const
{
    const _dev *d = findView(qwtIndex);
    return d ? d->measShow : true;
}

bool QwtZOR::getMeasShow() const
{
    return getMeasShow(m_store.currentDev());
}

bool QwtZOR::getAverShow(int qwtIndex) const
{
    const _dev *d = findView(qwtIndex);
    return d ? d->averShow : true;
}

bool QwtZOR::getAverShow() const
{
    return getAverShow(m_store.currentDev());
}

void QwtZOR::setChColor(QColor color, int qwtIndex, uchar ch)
{
    _ch *c = findChView(qwtIndex, ch);
    if (!c)
        return;
    c->curveMeas->setPen(color, 1, Qt::SolidLine);
    c->curveAver->setPen(color, 2, Qt::SolidLine);
    requestReplot();
    emit onChange(qwtIndex);
    emit onChColorChange(qwtIndex, ch, color);
}

QColor QwtZOR::getChColor(int qwtIndex, uchar ch) const
{
    const _ch *c = findChView(qwtIndex, ch);
    return c ? c->curveMeas->pen().color() : QColor(Qt::white);
}

// ---------------------------------------------------------------- getters

uchar QwtZOR::getChCount(int qwtIndex) const
{
    return m_store.getChCount(qwtIndex);
}

int QwtZOR::getChMain(int qwtIndex) const
{
    return m_store.getChMain(qwtIndex);
}

bool QwtZOR::getChShow(int qwtIndex, uchar ch) const
{
    const _dev *d = findView(qwtIndex);
    const _ch *c = findChView(qwtIndex, ch);
    return c && c->show && d->devShow;
}

QString QwtZOR::getChDim(int qwtIndex, uchar ch) const
{
    return m_store.getChDim(qwtIndex, ch);
}

QString QwtZOR::getChDim(int qwtIndex, uchar ch, int index) const
{
    return m_store.getChDim(qwtIndex, ch, index);
}

QwtZOR::TmcMode QwtZOR::getChMode(int qwtIndex, uchar ch) const
{
    const _ch *c = findChView(qwtIndex, ch);
    return c ? c->mode : mcAuto;
}

QwtZOR::TmcModeX QwtZOR::getChModeX(int qwtIndex, uchar ch) const
{
    const _ch *c = findChView(qwtIndex, ch);
    return c ? c->modeX : mcxSec;
}

QwtZOR::TmcTrackingMode QwtZOR::getModeTrack(int qwtIndex) const
{
    const _dev *d = findView(qwtIndex);
    return d ? d->modeTrack : tmOff;
}

QDateTime QwtZOR::getStartDateTime(int qwtIndex) const
{
    return m_store.getStartDateTime(qwtIndex);
}

uchar QwtZOR::getPrecision(int qwtIndex, uchar ch) const
{
    return m_store.getPrecision(qwtIndex, ch);
}

int QwtZOR::getChMeasCount(int qwtIndex, uchar ch, bool diff) const
{
    return m_store.getChMeasCount(qwtIndex, ch, diff);
}

double QwtZOR::getChMeas(int qwtIndex, uchar ch, int index, bool diff) const
{
    return m_store.getChMeas(qwtIndex, ch, index, diff);
}

double QwtZOR::getChTime(int qwtIndex, uchar ch, int index, bool diff) const
{
    return m_store.getChTime(qwtIndex, ch, index, diff);
}

QString QwtZOR::getChMeasStr(int qwtIndex, uchar ch, signed char prec, int index, bool diff) const
{
    return m_store.getChMeasStr(qwtIndex, ch, prec, index, diff);
}

QString QwtZOR::getChTimeStr(int qwtIndex, uchar ch, int index, bool) const
{
    return m_store.getChTimeStr(qwtIndex, ch, index);
}

QString QwtZOR::getChAverStr(int qwtIndex, uchar ch, signed char prec, int index, bool) const
{
    return m_store.getChAverStr(qwtIndex, ch, prec, index);
}

QString QwtZOR::getChDXStr(int qwtIndex, uchar ch) const
{
    return m_store.getChDXStr(qwtIndex, ch);
}

QString QwtZOR::getChDYStr(int qwtIndex, uchar ch) const
{
    return m_store.getChDYStr(qwtIndex, ch);
}

// ---------------------------------------------------------------- difference channels

void QwtZOR::setChDiff(uchar partnerCh, int partnerDev, int qwtIndex, uchar ch)
{
    if (!findChView(qwtIndex, ch) || !m_store.setChDiff(partnerCh, partnerDev, qwtIndex, ch))
        return;
    setChMode(mcTracking, qwtIndex, ch);
    applyScale();
}

void QwtZOR::getChDiff(uchar *partnerCh, int *partnerDev, int qwtIndex, uchar ch) const
{
    m_store.getChDiff(partnerCh, partnerDev, qwtIndex, ch);
}

// ---------------------------------------------------------------- scales

void QwtZOR::setChScaleX(uchar scale, int qwtIndex, uchar ch)
{
    setChScale(Qt::Horizontal, scale, qwtIndex, ch);
}

void QwtZOR::setChScaleY(uchar scale, int qwtIndex, uchar ch)
{
    setChScale(Qt::Vertical, scale, qwtIndex, ch);
}

// setChScaleX and setChScaleY, one rule for both axes: axis picks the table, the
// channel's own index and the one in force, the window and the signal.
void QwtZOR::setChScale(Qt::Orientation axis, uchar scale, int qwtIndex, uchar ch)
{
    const bool x = axis == Qt::Horizontal;
    _ch *c = findChView(qwtIndex, ch);
    if (!c || scale >= (x ? m_scales.tableX().size() : m_scales.tableY().size()))
        return;
    uchar &own = x ? c->scaleX : c->scaleY;
    uchar &inForce = x ? m_scales.curScaleX : m_scales.curScaleY;
    const auto scaleChanged = x ? &QwtZOR::onChScaleXChange : &QwtZOR::onChScaleYChange;
    const bool channelScale = c->mode == mcAuto || c->mode == mcTracking || c->mode == mcMeasure || scale == inForce;
    // "Авто" in a zoom-like mode leaves it for the automatic scale: a window zero
    // divisions wide would be no view at all.
    if (channelScale || scale == 0) {
        if (own != scale || !channelScale) {
            own = scale;
            setChMode(c->scaleX == 0 && c->scaleY == 0 ? mcAuto : mcTracking, qwtIndex, ch);
            applyScale();
            emit onChange(qwtIndex);
            emit (this->*scaleChanged)(qwtIndex, ch, scale);
        }
    } else {
        // Only the axis in force changes, around the zoom's centre or the window's middle.
        inForce = scale;
        const QwtScaleDiv &div = axisScaleDiv(x ? xBottom : yLeft);
        double centre = (div.lowerBound() + div.upperBound()) * 0.5;
        if (c->mode == mcZoom) {
            const QPointF zoomCentre = m_interaction->zoomCentre();
            centre = x ? zoomCentre.x() : zoomCentre.y();
        }
        if (x)
            m_scales.setWindowX(centre, scale);
        else
            m_scales.setWindowY(centre, scale);
        emit onChange(qwtIndex);
        emit (this->*scaleChanged)(qwtIndex, ch, scale);
    }
    updLabelScale();
    replot();
}

void QwtZOR::changeScaleX(int indexX)
{
    if (indexX >= 0 && indexX < m_scales.tableX().size())
        setChScaleX(uchar(indexX), -1, 255);
}

void QwtZOR::changeScaleY(int indexY)
{
    if (indexY >= 0 && indexY < m_scales.tableY().size())
        setChScaleY(uchar(indexY), -1, 255);
}

uchar QwtZOR::getChScaleX(int qwtIndex, uchar ch) const
{
    const _ch *c = findChView(qwtIndex, ch);
    if (!c)
        return 0;
    return c->mode == mcAuto || c->mode == mcTracking ? c->scaleX : m_scales.curScaleX;
}

uchar QwtZOR::getChScaleY(int qwtIndex, uchar ch) const
{
    const _ch *c = findChView(qwtIndex, ch);
    if (!c)
        return 0;
    return c->mode == mcAuto || c->mode == mcTracking ? c->scaleY : m_scales.curScaleY;
}

QString QwtZOR::getScaleXLabel(int qwtIndex, uchar ch, uchar scale) const
{
    const _ch *c = findChView(qwtIndex, ch);
    return c ? m_scales.labelX(scale, c->mode, c->scaleX) : QStringLiteral("-");
}

QString QwtZOR::getScaleYLabel(int qwtIndex, uchar ch, uchar scale) const
{
    const _ch *c = findChView(qwtIndex, ch);
    return c ? m_scales.labelY(scale, c->mode, c->scaleY) : QStringLiteral("-");
}

QStringList QwtZOR::scaleXLabels() const
{
    return m_scales.labelsX();
}

QStringList QwtZOR::scaleYLabels() const
{
    return m_scales.labelsY();
}

QString QwtZOR::getChModeLabel(int qwtIndex, uchar ch) const
{
    const _ch *c = findChView(qwtIndex, ch);
    return c ? zorPlotScales::modeLabel(c->mode) : QStringLiteral("-");
}

QString QwtZOR::getChModeXLabel(int qwtIndex, uchar ch) const
{
    const _ch *c = findChView(qwtIndex, ch);
    return c ? zorPlotScales::modeXLabel(c->modeX) : QStringLiteral("-");
}

void QwtZOR::setChModeX(TmcModeX mode, int qwtIndex, uchar ch)
{
    _ch *c = findChView(qwtIndex, ch);
    if (!c)
        return;
    if (c->modeX != mode) {
        c->modeX = mode;
        emit onChange(qwtIndex);
        emit onChModeXChange(qwtIndex, ch, mode);
    }
    if (isCurrentMain(qwtIndex, ch)) {
        setScaleDrawX(mode);
        replot();
    }
}

void QwtZOR::changeModeX(int mode)
{
    if (mode >= mcxSec && mode <= mcxAbs)
        setChModeX(TmcModeX(mode), -1, 255);
}

void QwtZOR::setScaleDrawX(TmcModeX mode)
{
    m_scales.setScaleDrawX(mode);
}

void QwtZOR::setChMode(TmcMode mode, int qwtIndex, uchar ch)
{
    _ch *c = findChView(qwtIndex, ch);
    if (!c)
        return;
    c->mode = mode;
    // The pickers serve what is on screen: only the main channel of the current
    // device decides them.
    // Every channel's value texts carry the decimals of its own Y scale, shown or not.
    if (mode == mcAuto || mode == mcTracking)
        calcPrecision(c->scaleY, qwtIndex, ch);
    if (isCurrentMain(qwtIndex, ch)) {
        m_interaction->usePickers(mode);
        if (mode == mcAuto || mode == mcTracking) {
            m_scales.curScaleX = c->scaleX;
            m_scales.curScaleY = c->scaleY;
        } else if (mode == mcLimits) {
            m_views[qwtIndex].markerUp->hide();
            m_views[qwtIndex].markerDown->hide();
        }
    }
    emit onChange(qwtIndex);
    emit onChModeChange(qwtIndex, ch, mode);
    applyScale();
}

void QwtZOR::changeMode(int mode)
{
    if (mode >= mcAuto && mode <= mcLimits)
        setChMode(TmcMode(mode), -1, 255);
}

void QwtZOR::calcPrecision(uchar scaleY, int qwtIndex, uchar ch)
{
    const zorPointStore::_ch *c = m_store.findCh(qwtIndex, ch);
    if (!c || scaleY >= m_scales.tableY().size())
        return;
    // Asked on every reading of the shown channel; it rarely changes anything.
    const uchar precision = zorPlotScales::precisionOf(scaleY);
    if (c->precision == precision)
        return;
    m_store.setPrecision(precision, qwtIndex, ch);
    if (isCurrentMain(qwtIndex, ch)) {
        // The Y labels are cached per value: a new draw writes them with the new decimals.
        setAxisScaleDraw(yLeft, new QwtZORScaleYDraw(this));
    }
}

void QwtZOR::applyScale()
{
    int qwtIndex = -1;
    uchar ch = 255;
    const _ch *c = findChView(qwtIndex, ch);
    if (!c)
        return;
    // The series drawn: raw values while they are shown, else the averages.
    const zorSeriesData *series = c->curveMeas->isVisible() || !c->curveAver->isVisible()
        ? c->curveMeas->series() : c->curveAver->series();
    if (series->size() > 0 && c->mode != mcZoom && c->mode != mcMeasure && c->mode != mcShift)
        m_scales.apply(*series, c->mode == mcAuto, c->scaleX, c->scaleY);
    updLabelScale();
    requestReplot();
}

void QwtZOR::updLabelScale()
{
    m_scales.updateCaption();
}

QString QwtZOR::getXText(double x) const
{
    switch (getChModeX(-1, 255)) {
    case mcxRel:
        return zorTimeText::clock(x, axisStepSize(xBottom), x > 86400.0);
    case mcxAbs:
        return zorTimeText::wallClock(getStartDateTime(-1), x, axisStepSize(xBottom), QDateTime::currentDateTime());
    default:
        return QString::number(x, 'f', 1);
    }
}

QString QwtZOR::getYText(double y) const
{
    return QString::number(y, 'f', getPrecision(-1, 255) + 1);
}

// ---------------------------------------------------------------- interaction

void QwtZOR::setModeTrack(TmcTrackingMode mode)
{
    int qwtIndex = -1;
    _dev *d = findView(qwtIndex);
    if (!d)
        return;
    d->markerUp->hide();
    d->markerDown->hide();
    if (mode == tmOff) {
        m_interaction->setLimitPickerEnabled(false);
    } else {
        setChMode(mcLimits, -1, 255);
        m_interaction->setLimitPickerEnabled(true);
    }
    if (!(d = findView(qwtIndex)))
        return;
    const bool changed = d->modeTrack != mode;
    d->modeTrack = mode;
    replot();
    emit onChange(qwtIndex);
    if (changed)
        emit onModeTrackChange(qwtIndex, uchar(zorPointStore::mainOf(*m_store.findDev(qwtIndex))), mode);
}

void QwtZOR::mousePressEvent(QMouseEvent *event)
{
    m_interaction->mousePress(event);
}

void QwtZOR::mouseMoveEvent(QMouseEvent *event)
{
    m_interaction->mouseMove(event);
}

void QwtZOR::mouseReleaseEvent(QMouseEvent *event)
{
    m_interaction->mouseRelease(event);
}
