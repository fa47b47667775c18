#include "plot/QwtZOR.h"

#include "plot/QwtLabelClick.h"
#include "plot/QwtZORScaleXDrawMode0.h"
#include "plot/QwtZORScaleXDrawMode1.h"
#include "plot/QwtZORScaleXDrawMode2.h"
#include "plot/QwtZORScaleYDraw.h"
#include "plot/QwtZorPlotPickerWheele.h"
#include "plot/QwtZorQwtPlotPicker.h"
#include "plot/zorInfoPanel.h"
#include "plot/zorPlotCurve.h"
#include "plot/zorReplotThrottle.h"
#include "plot/zorTimeText.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <qwt_picker_machine.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_textlabel.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_widget.h>

#include <algorithm>
#include <cmath>

namespace {

// Readings at or below this value are the instrument's way of saying "no value".
constexpr double lowestReading = -1300.0;
constexpr int averageWindow = 10;
// A release this far from its press (on either axis) is a drag, not a click.
constexpr int clickSlop = 10;

const QColor &channelColor(int ch)
{
    static const QColor colors[] = {
        QColor(Qt::red),       QColor(Qt::blue),        QColor(Qt::green),    QColor(Qt::darkGray),
        QColor("#c6c600"),     QColor(Qt::darkCyan),    QColor(Qt::darkMagenta), QColor(Qt::black),
        QColor(Qt::darkRed),   QColor(Qt::darkBlue),    QColor(Qt::darkGreen), QColor("#00c6c6"),
        QColor(Qt::gray),      QColor(Qt::magenta),     QColor(Qt::darkYellow), QColor(Qt::lightGray),
    };
    return ch < int(sizeof(colors) / sizeof(colors[0])) ? colors[ch] : colors[0];
}

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

// The first scale index from 1 whose step keeps span within divisions divisions,
// with half a division to spare; the last index when none does. The larger the step
// the better it fits, so the search walks from the previous answer (hint), which is
// the answer again nearly every time.
template <typename StepOf>
int fittingScale(double span, int divisions, int count, int hint, StepOf stepOf)
{
    const auto fits = [&](int i) { return std::ceil(span / stepOf(i) + 0.5) < divisions; };
    int i = std::min(std::max(hint, 1), count - 1);
    while (i > 1 && fits(i - 1))
        --i;
    while (i < count - 1 && !fits(i))
        ++i;
    return i;
}

// Index of the value of series, where a negative or too large index means the newest.
int pointIndex(int size, int index)
{
    return index < 0 || index >= size ? size - 1 : index;
}

struct CursorStats {
    int count = 0;
    double mean = 0.0;
    double sko = 0.0;
};

// Statistics of the points between the cursors x1 <= x2. The newest point is still
// settling into its average and is never counted.
CursorStats cursorStats(const QVector<double> &time, const QVector<double> &values, double x1, double x2)
{
    CursorStats stats;
    const int n = time.size();
    int first = -1;
    int last = n - 1;
    for (int i = 0; i <= n - 2; ++i) {
        if (first < 0 && time.at(i) >= x1)
            first = i;
        if (time.at(i) > x2) {
            last = i;
            break;
        }
    }
    if (first < 0 || last <= first)
        return stats;
    stats.count = last - first;
    double sum = 0.0;
    for (int i = first; i < last; ++i)
        sum += values.at(i);
    stats.mean = sum / stats.count;
    if (stats.count >= 2) {
        double squares = 0.0;
        for (int i = first; i < last; ++i)
            squares += (stats.mean - values.at(i)) * (stats.mean - values.at(i));
        stats.sko = std::sqrt(squares / (stats.count - 1));
    }
    return stats;
}

} // namespace

QwtZOR::QwtZOR(QWidget *parent)
    : QwtPlot(parent)
    , startDateTimeDefault(QDateTime::fromString(QStringLiteral("01.01.1970"), QStringLiteral("dd.MM.yyyy")))
    , penMeas(QBrush(Qt::darkGray), 2, Qt::DotLine)
    , penLimits(QBrush(Qt::red), 2, Qt::DotLine)
{
    scaleXTable = {
        {tr("Авто"), 0},        {tr("1 сек."), 1},     {tr("2 сек."), 2},     {tr("5 сек."), 5},
        {tr("10 сек."), 10},    {tr("15 сек."), 15},   {tr("30 сек."), 30},   {tr("1 мин."), 60},
        {tr("2 мин."), 120},    {tr("5 мин."), 300},   {tr("10 мин."), 600},  {tr("15 мин."), 900},
        {tr("30 мин."), 1800},  {tr("1 ч."), 3600},    {tr("2 ч."), 7200},    {tr("5 ч."), 18000},
        {tr("10 ч."), 36000},   {tr("15 ч."), 54000},  {tr("30 ч."), 108000},
    };
    scaleYTable.append({tr("Авто"), 0.0});
    // The 1-2-5 series from 0.000001 to 2000, labelled by its own decimal text.
    for (int exponent = -6; exponent <= 3; ++exponent) {
        for (int mantissa : {1, 2, 5}) {
            if (exponent == 3 && mantissa == 5)
                break;
            const QString label = exponent < 0
                ? QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) + QString::number(mantissa)
                : QString::number(mantissa) + QString(exponent, QLatin1Char('0'));
            scaleYTable.append({label, label.toDouble()});
        }
    }

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

    replotThrottle = new zorReplotThrottle(this);
    connect(replotThrottle, &zorReplotThrottle::due, this, &QwtZOR::replot);
    buildInteraction();
}

QwtZOR::~QwtZOR()
{
    // The curves read the channel series; let them go before the series do.
    for (_dev &d : devs) {
        for (_ch &c : d.chs) {
            delete c.curveMeas;
            delete c.curveAver;
        }
        delete d.markerUp;
        delete d.markerDown;
    }
}

void QwtZOR::buildInteraction()
{
    panelMeas = new zorInfoPanel({tr("X1:"), tr("Y1:"), tr("X2:"), tr("Y2:"), QString(), tr("ΔX:"), tr("ΔY:"),
                                  QString(), tr("Среднее:"), tr("СКО:"), tr("Точек:")},
                                 this);
    panelTrack = new zorInfoPanel({tr("X:"), tr("Y:")}, this);
    for (const zorInfoPanel *panel : {panelMeas, panelTrack}) {
        for (QwtLabelClick *label : panel->findChildren<QwtLabelClick *>())
            connect(label, &QwtLabelClick::clicked, this, &QwtZOR::copyToClipboard);
    }

    for (QwtPlotMarker **marker : {&markerMeas1, &markerMeas2}) {
        *marker = new QwtPlotMarker;
        (*marker)->setLineStyle(QwtPlotMarker::Cross);
        (*marker)->setLinePen(penMeas);
        (*marker)->hide();
        (*marker)->attach(this);
    }

    grid = new QwtPlotGrid;
    grid->enableXMin(false);
    grid->enableYMin(false);
    grid->setMajorPen(QPen(QBrush(Qt::darkGray), 0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
    grid->attach(this);

    const auto pointSelected = QOverload<const QPointF &>::of(&QwtPlotPicker::selected);

    pickerClick = new QwtPlotPicker(xBottom, yLeft, QwtPicker::CrossRubberBand, QwtPicker::AlwaysOff, canvas());
    pickerClick->setStateMachine(new QwtPickerClickPointMachine);
    pickerClick->setEnabled(true);
    connect(pickerClick, pointSelected, this, &QwtZOR::clickSelected);

    pickerScroll = new QwtPlotPicker(xBottom, yLeft, QwtPicker::NoRubberBand, QwtPicker::AlwaysOff, canvas());
    pickerScroll->setStateMachine(new QwtPickerTrackerMachine);
    pickerScroll->setEnabled(false);
    connect(pickerScroll, QOverload<const QPointF &>::of(&QwtPlotPicker::moved), this, &QwtZOR::scrollCanvas);

    zoomer = new QwtPlotZoomer(xBottom, yLeft, canvas(), true);
    zoomer->setRubberBandPen(QPen(QBrush(Qt::darkGray), 1, Qt::DotLine));
    zoomer->setTrackerMode(QwtPicker::AlwaysOff);
    zoomer->setEnabled(false);
    zoomer->setProperty("rect", QRectF());
    zoomer->setProperty("center", QPointF());
    connect(zoomer, &QwtPlotZoomer::zoomed, this, &QwtZOR::setZoomScale);

    pickerMeasure = new QwtPlotPicker(xBottom, yLeft, QwtPicker::CrossRubberBand, QwtPicker::AlwaysOff, canvas());
    pickerMeasure->setStateMachine(new QwtPickerDragPointMachine);
    pickerMeasure->setRubberBandPen(penMeas);
    pickerMeasure->setEnabled(false);
    connect(pickerMeasure, pointSelected, this, &QwtZOR::setMeasPoint);

    pickerLimits = new QwtPlotPicker(xBottom, yLeft, QwtPicker::HLineRubberBand, QwtPicker::AlwaysOff, canvas());
    pickerLimits->setStateMachine(new QwtPickerDragPointMachine);
    pickerLimits->setRubberBandPen(penLimits);
    pickerLimits->setEnabled(false);
    connect(pickerLimits, pointSelected, this, &QwtZOR::limitSelected);

    pickerTracker = new QwtZorQwtPlotPicker(this);
    pickerTracker->setEnabled(true);
    connect(pickerTracker, QOverload<const QPointF &>::of(&QwtPlotPicker::moved), pickerTracker,
            [this](const QPointF &p) { pickerTracker->setProperty("pos", p); });

    pickerWheel = new QwtZorPlotPickerWheele(canvas());
    pickerWheel->setEnabled(true);
    connect(pickerWheel, &QwtZorPlotPickerWheele::zoomed, this, &QwtZOR::wheelZoom);

    labelScale = new QwtPlotTextLabel;
    labelScale->setMargin(8);
    labelScale->attach(this);
    clipboard = QApplication::clipboard();

    connect(axisWidget(xBottom), &QwtScaleWidget::scaleDivChanged, this, [this] { followMarkers(Qt::Horizontal); });
    connect(axisWidget(yLeft), &QwtScaleWidget::scaleDivChanged, this, [this] { followMarkers(Qt::Vertical); });
}

// ---------------------------------------------------------------- lookups

QwtZOR::_dev *QwtZOR::findDev(int &qwtIndex)
{
    if (qwtIndex < 0)
        qwtIndex = curDev;
    const auto it = devs.find(qwtIndex);
    return it == devs.end() ? nullptr : &it.value();
}

const QwtZOR::_dev *QwtZOR::findDev(int &qwtIndex) const
{
    if (qwtIndex < 0)
        qwtIndex = curDev;
    const auto it = devs.constFind(qwtIndex);
    return it == devs.constEnd() ? nullptr : &it.value();
}

QwtZOR::_ch *QwtZOR::findCh(int &qwtIndex, uchar &ch)
{
    _dev *d = findDev(qwtIndex);
    if (!d)
        return nullptr;
    if (ch == 255)
        ch = uchar(mainOf(*d));
    return ch < d->chs.size() ? &d->chs[ch] : nullptr;
}

const QwtZOR::_ch *QwtZOR::findCh(int &qwtIndex, uchar &ch) const
{
    const _dev *d = findDev(qwtIndex);
    if (!d)
        return nullptr;
    if (ch == 255)
        ch = uchar(mainOf(*d));
    return ch < d->chs.size() ? &d->chs.at(ch) : nullptr;
}

bool QwtZOR::isLinked(const _ch &c)
{
    return c.diffDev >= 0 && c.diffCh != 255;
}

int QwtZOR::mainOf(const _dev &d)
{
    return d.mainCh < d.chs.size() ? d.mainCh : 0;
}

bool QwtZOR::isCurrentMain(int qwtIndex, uchar ch) const
{
    int cur = -1;
    uchar mainCh = 255;
    return qwtIndex == curDev && findCh(cur, mainCh) && mainCh == ch;
}

// ---------------------------------------------------------------- devices

int QwtZOR::addDev()
{
    if (devs.size() >= 255) {
        emit onChange(-1);
        return -1;
    }
    int key = 0;
    while (devs.contains(key))
        ++key;
    const bool only = devs.isEmpty();
    _dev d;
    // All devices share one time base, so their curves line up.
    d.startDateTime = only ? QDateTime::currentDateTime() : devs.first().startDateTime;
    d.startMSecs = d.startDateTime.toMSecsSinceEpoch();
    for (QwtPlotMarker **marker : {&d.markerUp, &d.markerDown}) {
        *marker = new QwtPlotMarker;
        (*marker)->setLineStyle(QwtPlotMarker::HLine);
        (*marker)->setLinePen(penLimits);
        (*marker)->hide();
        (*marker)->attach(this);
    }
    devs.insert(key, d);
    panelMeas->hide();
    panelTrack->hide();
    if (only)
        setDevMain(key);
    else
        emit onChange(key);
    return key;
}

void QwtZOR::removeDev(int qwtIndex)
{
    if (!findDev(qwtIndex))
        return;
    for (_dev &other : devs) {
        for (_ch &c : other.chs) {
            if (c.diffDev == qwtIndex) {
                c.diffDev = -1;
                c.diffCh = 255;
                bindCurves(c, false);
            }
        }
    }
    setChCount(0, qwtIndex);
    _dev *d = findDev(qwtIndex);
    if (!d)
        return;
    delete d->markerUp;
    delete d->markerDown;
    devs.remove(qwtIndex);
    if (curDev == qwtIndex) {
        curDev = -1;
        resetMeasure();
        updLabelScale();
    }
    // A shown channel may have lost its partner and now draws its own values.
    applyScale();
    requestReplot();
}

void QwtZOR::prepareMeas(int qwtIndex, const QDateTime &start)
{
    if (!findDev(qwtIndex))
        return;
    clear(qwtIndex);
    _dev &d = devs[qwtIndex];
    d.startDateTime = start;
    d.startMSecs = start.toMSecsSinceEpoch();
    // Wall-clock and clock labels count from the start: draw them afresh.
    int cur = -1;
    uchar ch = 255;
    const _ch *main = findCh(cur, ch);
    if (main && main->modeX != mcxSec)
        setScaleDrawX(main->modeX);
    emit onChange(qwtIndex);
    applyScale();
}

void QwtZOR::setChCount(uchar count, int qwtIndex)
{
    _dev *d = findDev(qwtIndex);
    if (count == 255 || !d)
        return;
    const int old = d->chs.size();
    const bool current = qwtIndex == curDev;
    if (count > old) {
        d->chs.resize(count);
        for (int k = 0; k < count; ++k) {
            _ch &c = d->chs[k];
            if (k < old) {
                bindCurves(c, true);
                continue;
            }
            c.curveAver = new zorPlotCurve;
            c.curveMeas = new zorPlotCurve;
            c.curveAver->setPen(channelColor(k), 2, Qt::SolidLine);
            c.curveMeas->setPen(channelColor(k), 1, Qt::SolidLine);
            setCurvesVisible(c, d->devShow && d->measShow && current, d->devShow && d->averShow && current);
            c.curveAver->attach(this);
            c.curveMeas->attach(this);
            bindCurves(c, false);
        }
        for (int k = count - 1; k >= old; --k)
            emit onAddCh(qwtIndex, uchar(k));
    } else {
        QVector<QPair<int, uchar>> orphans;
        for (int k = old - 1; k >= count; --k) {
            delete d->chs[k].curveMeas;
            delete d->chs[k].curveAver;
            d->chs.removeLast();
            for (auto it = devs.cbegin(); it != devs.cend(); ++it) {
                for (int j = 0; j < it->chs.size(); ++j) {
                    if (it->chs.at(j).diffDev == qwtIndex && it->chs.at(j).diffCh == k)
                        orphans.append({it.key(), uchar(j)});
                }
            }
        }
        for (const auto &orphan : orphans)
            setChDiff(255, -1, orphan.first, orphan.second);
    }
    d = findDev(qwtIndex);
    if (!d)
        return;
    if (!d->chs.isEmpty() && d->mainCh >= d->chs.size())
        setChMain(0, qwtIndex);
    if (qwtIndex == curDev) {
        updLabelScale();
        requestReplot();
    }
    emit onChange(qwtIndex);
}

void QwtZOR::clear(int qwtIndex)
{
    _dev *d = findDev(qwtIndex);
    if (!d)
        return;
    for (_ch &c : d->chs) {
        // Assigning empty vectors gives the memory of a long run back.
        c.meas = QVector<double>();
        c.aver = QVector<double>();
        c.time = QVector<double>();
        c.diffMeas = QVector<double>();
        c.diffAver = QVector<double>();
        c.diffTime = QVector<double>();
        c.dims.clear();
        c.sumMeas = 0.0;
        c.sumDiff = 0.0;
        c.curveMeas->series()->reset();
        c.curveAver->series()->reset();
    }
    applyScale();
}

// ---------------------------------------------------------------- points

bool QwtZOR::addPoint(double val, const QString &dim, int qwtIndex, uchar ch)
{
    const _dev *d = findDev(qwtIndex);
    if (!d)
        return false;
    const double time = (QDateTime::currentMSecsSinceEpoch() - d->startMSecs) / 1000.0;
    return addPoint(val, time, dim, qwtIndex, ch);
}

bool QwtZOR::addPoint(double val, double time, const QString &dim, int qwtIndex, uchar ch)
{
    _dev *d = findDev(qwtIndex);
    if (!d || ch == 255)
        return false;
    if (ch >= d->chs.size()) {
        setChCount(uchar(ch + 1), qwtIndex);
        d = findDev(qwtIndex);
        if (!d || ch >= d->chs.size())
            return false;
    }
    _ch &c = d->chs[ch];
    // Infinite or undefined numbers are no readings, and they would wreck the axes.
    const bool valid = val > lowestReading && time >= 0.0 && std::isfinite(val) && std::isfinite(time);
    if (!valid) {
        c.pointError = true;
        emit onErrorAddPoint(qwtIndex, ch);
        return false;
    }
    c.dim = dim;
    c.dims.append(dim);
    c.meas.append(val);
    c.time.append(time);
    appendAverage(c.meas, c.aver, c.sumMeas);
    if (isLinked(c) && !diffStep(c, val, time)) {
        emit onErrorAddPoint(qwtIndex, ch);
        return false;
    }
    if (qwtIndex == curDev && ch == mainOf(*d))
        applyScale();
    else if (c.curveMeas->isVisible() || c.curveAver->isVisible())
        requestReplot();
    c.pointError = false;
    emit onAddPoint(qwtIndex, ch);
    checkLimits(qwtIndex, ch);
    return true;
}

bool QwtZOR::diffStep(_ch &c, double val, double time)
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
    return true;
}

void QwtZOR::rebuildDiff(_ch &c, const _ch &partner)
{
    c.diffMeas = QVector<double>();
    c.diffAver = QVector<double>();
    c.diffTime = QVector<double>();
    c.sumDiff = 0.0;
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
}

void QwtZOR::checkLimits(int qwtIndex, uchar ch)
{
    const _dev *d = findDev(qwtIndex);
    if (!d || d->modeTrack == tmOff)
        return;
    const double value = getChMeas(qwtIndex, ch, -1, true);
    const bool aboveUp = d->markerUp->isVisible() && value > d->markerUp->yValue();
    const bool belowDown = d->markerDown->isVisible() && value < d->markerDown->yValue();
    const bool hit = d->modeTrack == tmUpper ? aboveUp : d->modeTrack == tmLower ? belowDown : aboveUp || belowDown;
    if (hit)
        emit onPointTrackOff(qwtIndex, ch);
}

void QwtZOR::bindCurves(_ch &c, bool moved)
{
    const bool linked = isLinked(c);
    const QVector<double> *time = linked ? &c.diffTime : &c.time;
    const QVector<double> *meas = linked ? &c.diffMeas : &c.meas;
    const QVector<double> *aver = linked ? &c.diffAver : &c.aver;
    if (moved) {
        c.curveMeas->series()->follow(time, meas);
        c.curveAver->series()->follow(time, aver);
    } else {
        c.curveMeas->series()->setSource(time, meas);
        c.curveAver->series()->setSource(time, aver);
    }
}

void QwtZOR::setCurvesVisible(_ch &c, bool meas, bool aver)
{
    c.curveMeas->setVisible(meas);
    c.curveAver->setVisible(aver);
}

void QwtZOR::requestReplot()
{
    replotThrottle->request();
}

// ---------------------------------------------------------------- selection and visibility

void QwtZOR::setDevMain(int qwtIndex)
{
    if (!findDev(qwtIndex))
        return;
    markerMeas1->hide();
    markerMeas2->hide();
    for (_dev &d : devs) {
        d.markerUp->hide();
        d.markerDown->hide();
        d.devShow = false;
    }
    curDev = qwtIndex;
    const _dev &d = devs[curDev];
    d.markerUp->setVisible(d.modeTrack == tmBoth || d.modeTrack == tmUpper);
    d.markerDown->setVisible(d.modeTrack == tmBoth || d.modeTrack == tmLower);
    const uchar mainCh = uchar(mainOf(d));
    setDevShow(true, curDev);
    setChMode(mcTracking, curDev, mainCh);
    setChModeX(getChModeX(curDev, mainCh), curDev, mainCh);
    emit onChMainChange(curDev, mainCh);
    for (const int key : devs.keys()) {
        if (key != curDev)
            setDevShow(false, key);
    }
    emit onDevChange(curDev);
    emit onChange(curDev);
    applyScale();
}

void QwtZOR::setChMain(uchar ch, int qwtIndex)
{
    _dev *d = findDev(qwtIndex);
    if (!d || d->chs.isEmpty())
        return;
    if (ch == 255)
        ch = uchar(mainOf(*d));
    if (ch >= d->chs.size())
        return;
    const bool current = qwtIndex == curDev;
    for (int k = 0; k < d->chs.size(); ++k) {
        _ch &c = d->chs[k];
        c.show = k == ch;
        setCurvesVisible(c, c.show && d->measShow && current, c.show && d->averShow && current);
    }
    if (ch != d->mainCh) {
        d->mainCh = ch;
        const _ch &c = d->chs.at(ch);
        setChMode(c.scaleX == 0 && c.scaleY == 0 ? mcAuto : mcTracking, qwtIndex, ch);
        emit onChMainChange(qwtIndex, ch);
    }
    if (qwtIndex == curDev)
        setScaleDrawX(getChModeX(qwtIndex, 255));
    applyScale();
    emit onChange(qwtIndex);
}

void QwtZOR::setChMain(uchar ch)
{
    setChMain(ch, curDev);
}

void QwtZOR::setChMain()
{
    setChMain(255, curDev);
}

void QwtZOR::setDevShow(bool show, int qwtIndex)
{
    _dev *d = findDev(qwtIndex);
    if (!d)
        return;
    d->devShow = show;
    for (_ch &c : d->chs)
        setCurvesVisible(c, show && d->measShow && c.show, show && d->averShow && c.show);
    requestReplot();
}

void QwtZOR::setChShow(bool show, int qwtIndex, uchar ch)
{
    _dev *d = findDev(qwtIndex);
    _ch *c = findCh(qwtIndex, ch);
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
    _dev *d = findDev(qwtIndex);
    if (!d || d->measShow == show)
        return;
    d->measShow = show;
    emit onChange(qwtIndex);
    emit onMeasShowChange(qwtIndex, show);
    if (!(d = findDev(qwtIndex)))
        return;
    for (_ch &c : d->chs)
        c.curveMeas->setVisible(d->devShow && show && c.show);
    if (qwtIndex == curDev)
        applyScale();
}

void QwtZOR::setMeasShow(bool show)
{
    setMeasShow(show, curDev);
}

void QwtZOR::setAverShow(bool show, int qwtIndex)
{
    _dev *d = findDev(qwtIndex);
    if (!d || d->averShow == show)
        return;
    d->averShow = show;
    emit onChange(qwtIndex);
    emit onAverShowChange(qwtIndex, show);
    if (!(d = findDev(qwtIndex)))
        return;
    for (_ch &c : d->chs)
        c.curveAver->setVisible(d->devShow && show && c.show);
    if (qwtIndex == curDev)
        applyScale();
}

void QwtZOR::setAverShow(bool show)
{
    setAverShow(show, curDev);
}

bool QwtZOR::toggleMeasShow(int qwtIndex)
{
    setMeasShow(!getMeasShow(qwtIndex), qwtIndex);
    return getMeasShow(qwtIndex);
}

bool QwtZOR::toggleMeasShow()
{
    return toggleMeasShow(curDev);
}

bool QwtZOR::toggleAverShow(int qwtIndex)
{
    setAverShow(!getAverShow(qwtIndex), qwtIndex);
    return getAverShow(qwtIndex);
}

bool QwtZOR::toggleAverShow()
{
    return toggleAverShow(curDev);
}

bool QwtZOR::getMeasShow(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d ? d->measShow : true;
}

bool QwtZOR::getMeasShow() const
{
    return getMeasShow(curDev);
}

bool QwtZOR::getAverShow(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d ? d->averShow : true;
}

bool QwtZOR::getAverShow() const
{
    return getAverShow(curDev);
}

void QwtZOR::setChColor(QColor color, int qwtIndex, uchar ch)
{
    _ch *c = findCh(qwtIndex, ch);
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
    const _ch *c = findCh(qwtIndex, ch);
    return c ? c->curveMeas->pen().color() : QColor(Qt::white);
}

// ---------------------------------------------------------------- getters

uchar QwtZOR::getChCount(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d ? uchar(d->chs.size()) : 0;
}

int QwtZOR::getChMain(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d && !d->chs.isEmpty() ? d->mainCh : -1;
}

bool QwtZOR::getChShow(int qwtIndex, uchar ch) const
{
    const _dev *d = findDev(qwtIndex);
    const _ch *c = findCh(qwtIndex, ch);
    return c && c->show && d->devShow;
}

QString QwtZOR::getChDim(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    return c ? c->dim : QStringLiteral("-");
}

QString QwtZOR::getChDim(int qwtIndex, uchar ch, int index) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c || c->dims.isEmpty())
        return QStringLiteral("-");
    return c->dims.at(pointIndex(c->dims.size(), index));
}

QwtZOR::TmcMode QwtZOR::getChMode(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    return c ? c->mode : mcAuto;
}

QwtZOR::TmcModeX QwtZOR::getChModeX(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    return c ? c->modeX : mcxSec;
}

QwtZOR::TmcTrackingMode QwtZOR::getModeTrack(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d ? d->modeTrack : tmOff;
}

QDateTime QwtZOR::getStartDateTime(int qwtIndex) const
{
    const _dev *d = findDev(qwtIndex);
    return d ? d->startDateTime : startDateTimeDefault;
}

uchar QwtZOR::getPrecision(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    return c ? c->precision : 0;
}

int QwtZOR::getChMeasCount(int qwtIndex, uchar ch, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0;
    return diff && isLinked(*c) ? c->diffMeas.size() : c->meas.size();
}

double QwtZOR::getChMeas(int qwtIndex, uchar ch, int index, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0.0;
    const QVector<double> &series = diff && isLinked(*c) ? c->diffMeas : c->meas;
    return series.isEmpty() ? 0.0 : series.at(pointIndex(series.size(), index));
}

double QwtZOR::getChTime(int qwtIndex, uchar ch, int index, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0.0;
    const QVector<double> &series = diff && isLinked(*c) ? c->diffTime : c->time;
    return series.isEmpty() ? 0.0 : series.at(pointIndex(series.size(), index));
}

// Value text of series with max(prec, 2) decimals; a negative prec takes the
// channel's own precision, or fallbackPrecision while that is 0.
QString QwtZOR::valueText(const _ch &c, const QVector<double> &series, signed char prec, int index,
                          uchar fallbackPrecision) const
{
    if (c.pointError || series.isEmpty())
        return QStringLiteral("--");
    const int decimals = prec >= 0 ? prec : c.precision != 0 ? c.precision : fallbackPrecision;
    return QString::number(series.at(pointIndex(series.size(), index)), 'f', std::max(decimals, 2));
}

QString QwtZOR::getChMeasStr(int qwtIndex, uchar ch, signed char prec, int index, bool diff) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QStringLiteral("--");
    return valueText(*c, diff && isLinked(*c) ? c->diffMeas : c->meas, prec, index, 0);
}

QString QwtZOR::getChTimeStr(int qwtIndex, uchar ch, int index, bool) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c || c->time.isEmpty())
        return QString();
    return QString::number(double(std::llround(c->time.at(pointIndex(c->time.size(), index)))), 'g', 6);
}

QString QwtZOR::getChAverStr(int qwtIndex, uchar ch, signed char prec, int index, bool) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QStringLiteral("--");
    return valueText(*c, isLinked(*c) ? c->diffAver : c->aver, prec, index, getPrecision(qwtIndex, 255));
}

QString QwtZOR::getChDXStr(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QString();
    const QVector<double> &t = isLinked(*c) ? c->diffTime : c->time;
    const int n = t.size();
    return n < 2 ? QString() : QString::number(t.at(n - 1) - t.at(n - 2), 'f', 1);
}

QString QwtZOR::getChDYStr(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QString();
    const QVector<double> &v = isLinked(*c) ? c->diffMeas : c->meas;
    const int n = v.size();
    const int decimals = c->precision != 0 ? c->precision : getPrecision(qwtIndex, 255);
    return n < 2 ? QString() : QString::number(v.at(n - 1) - v.at(n - 2), 'f', decimals);
}

// ---------------------------------------------------------------- difference channels

void QwtZOR::setChDiff(uchar partnerCh, int partnerDev, int qwtIndex, uchar ch)
{
    _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return;
    if (partnerDev == -1 && partnerCh == 255) {
        c->diffCh = 255;
        c->diffDev = -1;
    } else {
        const auto partnerIt = devs.constFind(partnerDev);
        if (partnerDev < 0 || partnerIt == devs.constEnd() || partnerCh >= partnerIt->chs.size())
            return;
        rebuildDiff(*c, partnerIt->chs.at(partnerCh));
        c->diffCh = partnerCh;
        c->diffDev = partnerDev;
    }
    bindCurves(*c, false);
    setChMode(mcTracking, qwtIndex, ch);
    applyScale();
}

void QwtZOR::getChDiff(uchar *partnerCh, int *partnerDev, int qwtIndex, uchar ch) const
{
    uchar pCh = 255;
    int pDev = -1;
    const _ch *c = findCh(qwtIndex, ch);
    if (c && isLinked(*c)) {
        const auto partnerIt = devs.constFind(c->diffDev);
        if (partnerIt != devs.constEnd() && c->diffCh < partnerIt->chs.size()) {
            pCh = c->diffCh;
            pDev = c->diffDev;
        }
    }
    if (partnerCh)
        *partnerCh = pCh;
    if (partnerDev)
        *partnerDev = pDev;
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
    _ch *c = findCh(qwtIndex, ch);
    if (!c || scale >= (x ? scaleXTable.size() : scaleYTable.size()))
        return;
    uchar &own = x ? c->scaleX : c->scaleY;
    uchar &inForce = x ? curScaleX : curScaleY;
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
            const QPointF zoomCentre = zoomer->property("center").toPointF();
            centre = x ? zoomCentre.x() : zoomCentre.y();
        }
        if (x)
            setWindowX(centre, scale);
        else
            setWindowY(centre, scale);
        emit onChange(qwtIndex);
        emit (this->*scaleChanged)(qwtIndex, ch, scale);
    }
    updLabelScale();
    replot();
}

// Qwt works out the divisions of a new scale only when it replots; the scale logic
// here reads them back at once, and the replot may be 40 ms away.
void QwtZOR::setAxisWindow(int axis, double min, double max, double step)
{
    setAxisScale(axis, min, max, step);
    updateAxes();
}

// A window of divX divisions of the given scale around centre, never starting before 0.
void QwtZOR::setWindowX(double centre, uchar scale)
{
    const int seconds = scaleXTable.at(scale).seconds;
    const int half = divX * seconds / 2;
    double min = centre - half;
    double max = centre + half;
    if (min < 0.0) {
        max -= min;
        min = 0.0;
    }
    setAxisWindow(xBottom, min, max, seconds);
}

void QwtZOR::setWindowY(double centre, uchar scale)
{
    calcPrecision(scale, -1, 255);
    const double step = scaleYTable.at(scale).step;
    const double half = divY * step * 0.5;
    setAxisWindow(yLeft, centre - half, centre + half, step);
}

void QwtZOR::changeScaleX(int indexX)
{
    if (indexX >= 0 && indexX < scaleXTable.size())
        setChScaleX(uchar(indexX), -1, 255);
}

void QwtZOR::changeScaleY(int indexY)
{
    if (indexY >= 0 && indexY < scaleYTable.size())
        setChScaleY(uchar(indexY), -1, 255);
}

uchar QwtZOR::getChScaleX(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0;
    return c->mode == mcAuto || c->mode == mcTracking ? c->scaleX : curScaleX;
}

uchar QwtZOR::getChScaleY(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return 0;
    return c->mode == mcAuto || c->mode == mcTracking ? c->scaleY : curScaleY;
}

QString QwtZOR::getScaleXLabel(int qwtIndex, uchar ch, uchar scale) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QStringLiteral("-");
    if (scale < scaleXTable.size())
        return scaleXTable.at(scale).label;
    const uchar index = c->mode == mcAuto ? 0 : c->mode == mcTracking ? c->scaleX : curScaleX;
    return scaleXTable.at(index).label;
}

QString QwtZOR::getScaleYLabel(int qwtIndex, uchar ch, uchar scale) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QStringLiteral("-");
    if (scale < scaleYTable.size())
        return scaleYTable.at(scale).label;
    const uchar index = c->mode == mcAuto ? 0 : c->mode == mcTracking ? c->scaleY : curScaleY;
    return scaleYTable.at(index).label;
}

QStringList QwtZOR::scaleXLabels() const
{
    QStringList labels;
    for (const TScaleX &scale : scaleXTable)
        labels << scale.label;
    return labels;
}

QStringList QwtZOR::scaleYLabels() const
{
    QStringList labels;
    for (const TScaleY &scale : scaleYTable)
        labels << scale.label;
    return labels;
}

QString QwtZOR::getChModeLabel(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QStringLiteral("-");
    switch (c->mode) {
    case mcAuto:
        return tr("АВТО");
    case mcTracking:
        return tr("СЛЕЖЕНИЕ");
    case mcZoom:
        return tr("УВЕЛИЧЕНИЕ");
    case mcMeasure:
        return tr("ИЗМЕРЕНИЕ");
    case mcShift:
        return tr("СДВИГ");
    case mcLimits:
        return tr("ПРЕДЕЛЫ");
    }
    return QStringLiteral("-");
}

QString QwtZOR::getChModeXLabel(int qwtIndex, uchar ch) const
{
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return QStringLiteral("-");
    switch (c->modeX) {
    case mcxSec:
        return tr("СЕК");
    case mcxRel:
        return tr("ОТН");
    case mcxAbs:
        return tr("АБС");
    }
    return QStringLiteral("-");
}

void QwtZOR::setChModeX(TmcModeX mode, int qwtIndex, uchar ch)
{
    _ch *c = findCh(qwtIndex, ch);
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
    switch (mode) {
    case mcxRel:
        setAxisScaleDraw(xBottom, new QwtZORScaleXDrawMode1(this));
        break;
    case mcxAbs:
        setAxisScaleDraw(xBottom, new QwtZORScaleXDrawMode2(this));
        break;
    default:
        setAxisScaleDraw(xBottom, new QwtZORScaleXDrawMode0);
        break;
    }
}

void QwtZOR::setChMode(TmcMode mode, int qwtIndex, uchar ch)
{
    _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return;
    c->mode = mode;
    // The pickers serve what is on screen: only the main channel of the current
    // device decides them.
    if (isCurrentMain(qwtIndex, ch)) {
        for (QwtPicker *picker : {static_cast<QwtPicker *>(pickerClick), static_cast<QwtPicker *>(zoomer),
                                  static_cast<QwtPicker *>(pickerMeasure), static_cast<QwtPicker *>(pickerScroll),
                                  static_cast<QwtPicker *>(pickerLimits)})
            picker->setEnabled(false);
        switch (mode) {
        case mcAuto:
        case mcTracking:
            pickerClick->setEnabled(true);
            resetMeasure();
            curScaleX = c->scaleX;
            curScaleY = c->scaleY;
            calcPrecision(curScaleY, qwtIndex, ch);
            break;
        case mcZoom:
            zoomer->setZoomBase(false);
            zoomer->setEnabled(true);
            break;
        case mcMeasure:
            pickerMeasure->setEnabled(true);
            break;
        case mcShift:
            pickerScroll->setEnabled(true);
            pickerMeasure->setEnabled(true);
            break;
        case mcLimits:
            pickerLimits->setEnabled(true);
            devs[curDev].markerUp->hide();
            devs[curDev].markerDown->hide();
            break;
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
    _ch *c = findCh(qwtIndex, ch);
    if (!c || scaleY >= scaleYTable.size())
        return;
    // Steps 1..3 (0.000001..0.000005) show 6 decimals, every three steps one less.
    const uchar precision = scaleY == 0 || scaleY >= 19 ? 0 : uchar(6 - (scaleY - 1) / 3);
    if (c->precision == precision)
        return;
    c->precision = precision;
    if (isCurrentMain(qwtIndex, ch)) {
        // The Y labels are cached per value: a new draw writes them with the new decimals.
        setAxisScaleDraw(yLeft, new QwtZORScaleYDraw(this));
    }
}

void QwtZOR::applyScale()
{
    int qwtIndex = -1;
    uchar ch = 255;
    _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return;
    // The series drawn: raw values while they are shown, else the averages.
    const zorSeriesData *series = c->curveMeas->isVisible() || !c->curveAver->isVisible()
        ? c->curveMeas->series() : c->curveAver->series();
    const int n = int(series->size());
    if (n == 0 || c->mode == mcZoom || c->mode == mcMeasure || c->mode == mcShift) {
        updLabelScale();
        requestReplot();
        return;
    }
    const bool automatic = c->mode == mcAuto;
    const int hintX = curScaleX;
    const int hintY = curScaleY;
    curScaleX = automatic ? 0 : c->scaleX;
    curScaleY = automatic ? 0 : c->scaleY;

    const double t0 = series->xs().first();
    const double tN = series->xs().last();
    double xMin;
    if (curScaleX == 0) {
        // The finest step that keeps the whole run on the axis.
        curScaleX = uchar(fittingScale(tN - t0, divX, scaleXTable.size(), hintX,
                                       [this](int i) { return double(scaleXTable.at(i).seconds); }));
        const double step = scaleXTable.at(curScaleX).seconds;
        xMin = std::floor(t0 / step) * step;
    } else {
        // The window ends at or after the newest point and starts on a division.
        const double step = scaleXTable.at(curScaleX).seconds;
        xMin = std::ceil(std::max(0.0, tN - divX * step) / step) * step;
    }
    const double stepX = scaleXTable.at(curScaleX).seconds;
    const double xMax = xMin + divX * stepX;
    const QwtScaleDiv &xDiv = axisScaleDiv(xBottom);
    if (!(axisStepSize(xBottom) == stepX && xDiv.lowerBound() <= xMin && xMax <= xDiv.upperBound()))
        setAxisWindow(xBottom, xMin, xMax, stepX);

    double lo = series->ys().last();
    double hi = lo;
    if (curScaleY == 0) {
        series->tailRange(series->tailFrom(xMin), lo, hi);
        if (lo > hi)
            lo = hi = series->ys().last();
        curScaleY = uchar(fittingScale(hi - lo, divY, scaleYTable.size(), hintY,
                                       [this](int i) { return scaleYTable.at(i).step; }));
    }
    calcPrecision(curScaleY, -1, 255);
    const double stepY = scaleYTable.at(curScaleY).step;
    const QwtScaleDiv &yDiv = axisScaleDiv(yLeft);
    if (!(axisStepSize(yLeft) == stepY && yDiv.lowerBound() <= lo && hi <= yDiv.upperBound())) {
        const double centre = std::round(((hi - lo) * 0.5 + lo) / stepY) * stepY;
        const double half = (divY / 2) * stepY;
        setAxisWindow(yLeft, centre - half, centre + half, stepY);
    }
    updLabelScale();
    requestReplot();
}

void QwtZOR::updLabelScale()
{
    int qwtIndex = -1;
    const _dev *d = findDev(qwtIndex);
    CaptionKey key;
    if (d && !d->chs.isEmpty()) {
        key = {qwtIndex, mainOf(*d), d->chs.at(mainOf(*d)).dim, curScaleX, curScaleY};
    } else {
        key.dev = -1;
    }
    if (key == captionKey)
        return;
    captionKey = key;
    QString text;
    if (key.dev >= 0) {
        text = tr("Кн. № ") + QString::number(key.ch + 1) + QStringLiteral(" [") + key.dim
            + QStringLiteral("], dX: ") + scaleXTable.at(key.scaleX).label + QStringLiteral(", dY: ")
            + scaleYTable.at(key.scaleY).label;
    }
    QwtText caption(text, QwtText::PlainText);
    caption.setRenderFlags(Qt::AlignRight | Qt::AlignTop);
    QFont font = caption.font();
    font.setPointSize(15);
    caption.setFont(font);
    labelScale->setText(caption);
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

QString QwtZOR::deltaXText(double x1, double x2) const
{
    switch (getChModeX(-1, 255)) {
    case mcxRel:
        return zorTimeText::clock(x2 - x1, axisStepSize(xBottom), std::max(x1, x2) > 86400.0);
    case mcxAbs:
        return zorTimeText::clock(x2 - x1, axisStepSize(xBottom), false);
    default:
        return QString::number(x2 - x1, 'f', 1);
    }
}

// ---------------------------------------------------------------- interaction

void QwtZOR::setModeTrack(TmcTrackingMode mode)
{
    int qwtIndex = -1;
    _dev *d = findDev(qwtIndex);
    if (!d)
        return;
    d->markerUp->hide();
    d->markerDown->hide();
    if (mode == tmOff) {
        pickerLimits->setEnabled(false);
    } else {
        setChMode(mcLimits, -1, 255);
        pickerLimits->setEnabled(true);
    }
    if (!(d = findDev(qwtIndex)))
        return;
    const bool changed = d->modeTrack != mode;
    d->modeTrack = mode;
    replot();
    emit onChange(qwtIndex);
    if (changed)
        emit onModeTrackChange(qwtIndex, uchar(mainOf(*d)), mode);
}

void QwtZOR::clickSelected(const QPointF &p)
{
    int qwtIndex = -1;
    uchar ch = 255;
    const _ch *c = findCh(qwtIndex, ch);
    if (!c || c->mode == mcMeasure)
        return;
    setChMode(mcMeasure, -1, 255);
    markerMeas1->setValue(p);
    markerMeas1->show();
    addMeasPointFirst(p, toPixel(p));
    replot();
}

void QwtZOR::setMeasPoint(QPointF p)
{
    int qwtIndex = -1;
    uchar ch = 255;
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return;
    if (!markerMeas1->isVisible()) {
        markerMeas1->setValue(p);
        markerMeas1->show();
        addMeasPointFirst(p, toPixel(p));
    } else {
        // markerMeas1 always holds the smaller x.
        if (markerMeas1->xValue() <= p.x()) {
            markerMeas2->setValue(p);
        } else {
            markerMeas2->setValue(markerMeas1->value());
            markerMeas1->setValue(p);
            addMeasPointFirst(p, toPixel(p));
        }
        markerMeas2->show();
    }
    replot();
    if (!markerMeas1->isVisible() || !markerMeas2->isVisible())
        return;

    const QPointF p1 = markerMeas1->value();
    const QPointF p2 = markerMeas2->value();
    panelMeas->setValue(rowX1, getXText(p1.x()));
    panelMeas->setValue(rowX2, getXText(p2.x()));
    panelMeas->setValue(rowDX, deltaXText(p1.x(), p2.x()));
    panelMeas->setValue(rowY1, getYText(p1.y()));
    panelMeas->setValue(rowY2, getYText(p2.y()));
    panelMeas->setValue(rowDY, getYText(p2.y() - p1.y()));
    panelMeas->resetStyles();

    const bool linked = isLinked(*c);
    const CursorStats stats = cursorStats(linked ? c->diffTime : c->time, linked ? c->diffMeas : c->meas,
                                          p1.x(), p2.x());
    panelMeas->setValue(rowCount, QString::number(stats.count));
    if (stats.count >= 1)
        panelMeas->setValue(rowMean, QString::number(stats.mean, 'f', c->precision + 1));
    if (stats.count >= 2)
        panelMeas->setValue(rowSko, QString::number(stats.sko, 'f', c->precision + 2));
    placePanel(panelMeas, toPixel(p), Qt::Horizontal | Qt::Vertical);
    panelMeas->show();
    if (c->mode != mcMeasure)
        setChMode(mcMeasure, -1, 255);
}

void QwtZOR::addMeasPointFirst(const QPointF &p, QPoint pixel)
{
    panelTrack->setValue(rowX, getXText(p.x()));
    panelTrack->setValue(rowY, getYText(p.y()));
    panelTrack->resetStyles();
    placePanel(panelTrack, pixel, Qt::Horizontal | Qt::Vertical);
    panelTrack->show();
}

void QwtZOR::resetMeasure()
{
    markerMeas1->setValue(0.0, 0.0);
    markerMeas2->setValue(0.0, 0.0);
    markerMeas1->hide();
    markerMeas2->hide();
    panelMeas->hide();
    panelTrack->hide();
}

QPoint QwtZOR::toPixel(const QPointF &p) const
{
    return QPoint(qRound(transform(xBottom, p.x())), qRound(transform(yLeft, p.y())));
}

// Beside the canvas pixel, on the side of the canvas with more room, 10 pixels off.
void QwtZOR::placePanel(zorInfoPanel *panel, const QPoint &pixel, Qt::Orientations move)
{
    panel->adjustSize();
    const QPoint origin = canvas()->pos();
    QPoint pos = panel->pos();
    if (move & Qt::Horizontal) {
        const int x = origin.x() + pixel.x();
        pos.setX(pixel.x() > canvas()->width() / 2 ? x - (panel->width() + 10) : x + 10);
    }
    if (move & Qt::Vertical) {
        const int y = origin.y() + pixel.y();
        pos.setY(pixel.y() > canvas()->height() / 2 ? y - (panel->height() + 10) : y + 10);
    }
    panel->move(pos);
}

// The panels stay beside their cursors when an axis moves under them.
void QwtZOR::followMarkers(Qt::Orientation axis)
{
    if (markerMeas2->isVisible())
        placePanel(panelMeas, toPixel(markerMeas2->value()), axis);
    if (markerMeas1->isVisible())
        placePanel(panelTrack, toPixel(markerMeas1->value()), axis);
}

QPointF QwtZOR::trackerPos() const
{
    return pickerTracker->property("pos").toPointF();
}

void QwtZOR::setZoomScale(QRectF rect)
{
    if (getChMeasCount(-1, 255, true) > 0) {
        zoomer->setProperty("rect", rect);
        const double x0 = std::max(rect.x(), 0.0);
        const double width = rect.x() + rect.width() - x0;
        int ix = 0;
        while (ix < scaleXTable.size() - 1 && !(scaleXTable.at(ix).seconds >= width / divX))
            ++ix;
        int iy = 0;
        while (iy < scaleYTable.size() - 1 && !(scaleYTable.at(iy).step >= rect.height() / divY))
            ++iy;
        curScaleX = uchar(ix);
        curScaleY = uchar(iy);
        const double stepX = scaleXTable.at(ix).seconds;
        const double stepY = scaleYTable.at(iy).step;
        // A rectangle without width or height gives no window.
        if (stepX > 0.0 && stepY > 0.0) {
            const double centre = std::round((rect.height() * 0.5 + rect.y()) / stepY) * stepY;
            calcPrecision(curScaleY, -1, 255);
            const double yMin = centre - (divY / 2) * stepY;
            setAxisWindow(xBottom, x0, x0 + divX * stepX, stepX);
            setAxisWindow(yLeft, yMin, centre + (divY / 2) * stepY, stepY);
            zoomer->setProperty("center", QPointF(x0 + divX * stepX * 0.5, yMin + divY * stepY * 0.5));
            updLabelScale();
            replot();
        }
    }
    emit onChange(curDev);
}

void QwtZOR::scrollCanvas(QPointF p)
{
    if (QGuiApplication::mouseButtons() != Qt::RightButton) {
        scrollAnchor = QPointF(-1.0, -1.0);
        return;
    }
    if (scrollAnchor.x() < 0.0) {
        scrollAnchor = p;
        return;
    }
    const QwtScaleDiv xDiv = axisScaleDiv(xBottom);
    const QwtScaleDiv yDiv = axisScaleDiv(yLeft);
    const double stepX = scaleXTable.at(curScaleX).seconds;
    double min = xDiv.lowerBound() + (scrollAnchor.x() - p.x());
    double max = xDiv.upperBound() + (scrollAnchor.x() - p.x());
    if (min <= 0.0) {
        // Time starts at 0: the window stops there, and the anchor moves by what was not scrolled.
        scrollAnchor.rx() += min;
        max = stepX > 0.0 ? divX * stepX : max - min;
        min = 0.0;
    }
    const double shiftY = scrollAnchor.y() - p.y();
    setAxisWindow(xBottom, min, max, stepX);
    setAxisWindow(yLeft, yDiv.lowerBound() + shiftY, yDiv.upperBound() + shiftY, scaleYTable.at(curScaleY).step);
    replot();
}

void QwtZOR::limitSelected(const QPointF &p)
{
    int qwtIndex = -1;
    _dev *d = findDev(qwtIndex);
    if (!d)
        return;
    QwtPlotMarker *up = d->markerUp;
    QwtPlotMarker *down = d->markerDown;
    const auto toggle = [&p](QwtPlotMarker *line) {
        if (line->isVisible()) {
            line->hide();
        } else {
            line->setValue(p);
            line->show();
        }
    };
    switch (d->modeTrack) {
    case tmOff:
        up->hide();
        down->hide();
        pickerLimits->setEnabled(false);
        break;
    case tmUpper:
        toggle(up);
        break;
    case tmLower:
        toggle(down);
        break;
    case tmBoth:
        // The upper line is always the higher one.
        if (up->isVisible() && down->isVisible()) {
            up->hide();
            down->hide();
        } else if (!up->isVisible()) {
            up->setValue(p);
            up->show();
        } else if (p.y() <= up->yValue()) {
            down->setValue(p);
            down->show();
        } else {
            down->setValue(up->value());
            up->setValue(p);
            down->show();
        }
        break;
    }
    replot();
}

void QwtZOR::wheelZoom(bool zoomIN)
{
    int qwtIndex = -1;
    uchar ch = 255;
    const _ch *c = findCh(qwtIndex, ch);
    if (!c)
        return;
    int scaleX;
    int scaleY;
    if (zoomIN) {
        if (curScaleX >= scaleXTable.size() - 1 || curScaleY >= scaleYTable.size() - 1)
            return;
        scaleX = curScaleX + 1;
        scaleY = curScaleY + 1;
    } else {
        if (curScaleX <= 1 || curScaleY <= 1)
            return;
        scaleX = curScaleX - 1;
        scaleY = curScaleY - 1;
    }
    const QPointF pos = trackerPos();
    setWindowX(pos.x(), uchar(scaleX));
    setWindowY(pos.y(), uchar(scaleY));
    const QwtScaleDiv &xDiv = axisScaleDiv(xBottom);
    const QwtScaleDiv &yDiv = axisScaleDiv(yLeft);
    zoomer->setProperty("center", QPointF((xDiv.lowerBound() + xDiv.upperBound()) * 0.5,
                                          (yDiv.lowerBound() + yDiv.upperBound()) * 0.5));
    // The channel's own scales are set through the setters, which end with the
    // caption and a replot of their own.
    if (c->mode == mcAuto || c->mode == mcTracking) {
        setChScaleX(uchar(scaleX), -1, 255);
        setChScaleY(uchar(scaleY), -1, 255);
    } else {
        curScaleX = uchar(scaleX);
        curScaleY = uchar(scaleY);
        emit onChange(curDev);
        updLabelScale();
        replot();
    }
}

void QwtZOR::mousePressEvent(QMouseEvent *event)
{
    pressX = event->pos().x();
    pressY = event->pos().y();
}

void QwtZOR::mouseMoveEvent(QMouseEvent *event)
{
    // A right-button drag scrolls; it switches to scrolling once, when it leaves
    // the click zone.
    const bool dragged = std::abs(event->pos().x() - pressX) > clickSlop
        || std::abs(event->pos().y() - pressY) > clickSlop;
    if (dragged && event->buttons() == Qt::RightButton && getChMode(-1, 255) != mcShift) {
        setChMode(mcShift, -1, 255);
        scrollAnchor = trackerPos();
    }
}

void QwtZOR::mouseReleaseEvent(QMouseEvent *event)
{
    if (std::abs(event->pos().x() - pressX) >= clickSlop || std::abs(event->pos().y() - pressY) >= clickSlop)
        return;
    switch (getChMode(-1, 255)) {
    case mcZoom:
        if (event->button() == Qt::LeftButton) {
            setChMode(mcMeasure, -1, 255);
            // Where the click was: the tracker's last position, read off the event itself.
            const QPoint pixel = canvas()->mapFrom(this, event->pos());
            const QPointF p(invTransform(xBottom, pixel.x()), invTransform(yLeft, pixel.y()));
            markerMeas1->setValue(p);
            markerMeas1->show();
            addMeasPointFirst(p, toPixel(p));
            replot();
        } else if (event->button() == Qt::RightButton) {
            setChMode(mcTracking, -1, 255);
        }
        break;
    case mcMeasure:
        if (event->button() != Qt::RightButton)
            break;
        if (markerMeas1->isVisible()) {
            resetMeasure();
            replot();
        } else if (!markerMeas2->isVisible()) {
            setChMode(mcTracking, -1, 255);
        }
        break;
    case mcShift:
        if (event->button() == Qt::RightButton)
            setChMode(mcTracking, -1, 255);
        break;
    default:
        break;
    }
}

void QwtZOR::copyToClipboard()
{
    auto *label = qobject_cast<QLabel *>(sender());
    if (!label)
        return;
    clipboard->setText(label->text());
    label->setStyleSheet(QStringLiteral("color: blue"));
}
