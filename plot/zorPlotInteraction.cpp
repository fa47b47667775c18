#include "plot/zorPlotInteraction.h"

#include "plot/QwtLabelClick.h"
#include "plot/QwtZorPlotPickerWheele.h"
#include "plot/QwtZorQwtPlotPicker.h"
#include "plot/zorInfoPanel.h"
#include "plot/zorPlotScales.h"
#include "plot/zorPointStore.h"
#include "plot/zorTimeText.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <qwt_picker_machine.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_widget.h>

#include <algorithm>
#include <cmath>

namespace {

// A release this far from its press (on either axis) is a drag, not a click.
constexpr int clickSlop = 10;

struct CursorStats {
    int count = 0;
    double mean = 0.0;
    double sko = 0.0;
};

// Statistics of the points between the cursors x1 <= x2. The newest point is still
// settling into its average and is never counted.
CursorStats cursorStats(const zorChunkedSeries &time, const zorChunkedSeries &values, double x1, double x2)
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

zorPlotInteraction::zorPlotInteraction(QwtZOR &plot, zorPlotScales &scales)
    : QObject(&plot)
    , m_plot(plot)
    , m_scales(scales)
    , penMeas(QBrush(Qt::darkGray), 2, Qt::DotLine)
    , penLimits(QBrush(Qt::red), 2, Qt::DotLine)
{
    panelMeas = new zorInfoPanel({tr("X1:"), tr("Y1:"), tr("X2:"), tr("Y2:"), QString(), tr("ΔX:"), tr("ΔY:"),
                                  QString(), tr("Среднее:"), tr("СКО:"), tr("Точек:")},
                                 &m_plot);
    panelTrack = new zorInfoPanel({tr("X:"), tr("Y:")}, &m_plot);
    for (const zorInfoPanel *panel : {panelMeas, panelTrack}) {
        for (QwtLabelClick *label : panel->findChildren<QwtLabelClick *>())
            connect(label, &QwtLabelClick::clicked, this, &zorPlotInteraction::copyToClipboard);
    }

    for (QwtPlotMarker **marker : {&markerMeas1, &markerMeas2}) {
        *marker = new QwtPlotMarker;
        (*marker)->setLineStyle(QwtPlotMarker::Cross);
        (*marker)->setLinePen(penMeas);
        (*marker)->hide();
        (*marker)->attach(&m_plot);
    }

    grid = new QwtPlotGrid;
    grid->enableXMin(false);
    grid->enableYMin(false);
    grid->setMajorPen(QPen(QBrush(Qt::darkGray), 0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
    grid->attach(&m_plot);

    QWidget *canvas = m_plot.canvas();
    const auto pointSelected = QOverload<const QPointF &>::of(&QwtPlotPicker::selected);
    const auto pointMoved = QOverload<const QPointF &>::of(&QwtPlotPicker::moved);

    pickerClick = new QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::CrossRubberBand,
                                    QwtPicker::AlwaysOff, canvas);
    pickerClick->setStateMachine(new QwtPickerClickPointMachine);
    pickerClick->setEnabled(true);
    connect(pickerClick, pointSelected, this, &zorPlotInteraction::clickSelected);

    pickerScroll = new QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand, QwtPicker::AlwaysOff,
                                     canvas);
    pickerScroll->setStateMachine(new QwtPickerTrackerMachine);
    pickerScroll->setEnabled(false);
    connect(pickerScroll, pointMoved, this, &zorPlotInteraction::scrollCanvas);

    zoomer = new QwtPlotZoomer(QwtPlot::xBottom, QwtPlot::yLeft, canvas, true);
    zoomer->setRubberBandPen(QPen(QBrush(Qt::darkGray), 1, Qt::DotLine));
    zoomer->setTrackerMode(QwtPicker::AlwaysOff);
    zoomer->setEnabled(false);
    zoomer->setProperty("rect", QRectF());
    zoomer->setProperty("center", QPointF());
    connect(zoomer, &QwtPlotZoomer::zoomed, this, &zorPlotInteraction::setZoomScale);

    pickerMeasure = new QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::CrossRubberBand,
                                      QwtPicker::AlwaysOff, canvas);
    pickerMeasure->setStateMachine(new QwtPickerDragPointMachine);
    pickerMeasure->setRubberBandPen(penMeas);
    pickerMeasure->setEnabled(false);
    connect(pickerMeasure, pointSelected, this, &zorPlotInteraction::setMeasPoint);

    pickerLimits = new QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::HLineRubberBand,
                                     QwtPicker::AlwaysOff, canvas);
    pickerLimits->setStateMachine(new QwtPickerDragPointMachine);
    pickerLimits->setRubberBandPen(penLimits);
    pickerLimits->setEnabled(false);
    connect(pickerLimits, pointSelected, this, &zorPlotInteraction::limitSelected);

    pickerTracker = new QwtZorQwtPlotPicker(&m_plot);
    pickerTracker->setEnabled(true);
    connect(pickerTracker, pointMoved, pickerTracker, [this](const QPointF &p) { pickerTracker->setProperty("pos", p); });

    pickerWheel = new QwtZorPlotPickerWheele(canvas);
    pickerWheel->setEnabled(true);
    connect(pickerWheel, &QwtZorPlotPickerWheele::zoomed, this, &zorPlotInteraction::wheelZoom);

    clipboard = QApplication::clipboard();

    connect(m_plot.axisWidget(QwtPlot::xBottom), &QwtScaleWidget::scaleDivChanged, this,
            [this] { followMarkers(Qt::Horizontal); });
    connect(m_plot.axisWidget(QwtPlot::yLeft), &QwtScaleWidget::scaleDivChanged, this,
            [this] { followMarkers(Qt::Vertical); });
}

void zorPlotInteraction::usePickers(QwtZOR::TmcMode mode)
{
    for (QwtPicker *picker : {static_cast<QwtPicker *>(pickerClick), static_cast<QwtPicker *>(zoomer),
                              static_cast<QwtPicker *>(pickerMeasure), static_cast<QwtPicker *>(pickerScroll),
                              static_cast<QwtPicker *>(pickerLimits)})
        picker->setEnabled(false);
    switch (mode) {
    case QwtZOR::mcAuto:
    case QwtZOR::mcTracking:
        pickerClick->setEnabled(true);
        resetMeasure();
        break;
    case QwtZOR::mcZoom:
        zoomer->setZoomBase(false);
        zoomer->setEnabled(true);
        break;
    case QwtZOR::mcMeasure:
        pickerMeasure->setEnabled(true);
        break;
    case QwtZOR::mcShift:
        pickerScroll->setEnabled(true);
        pickerMeasure->setEnabled(true);
        break;
    case QwtZOR::mcLimits:
        pickerLimits->setEnabled(true);
        break;
    }
}

void zorPlotInteraction::setLimitPickerEnabled(bool enabled)
{
    pickerLimits->setEnabled(enabled);
}

QwtPlotMarker *zorPlotInteraction::newLimitLine()
{
    auto *line = new QwtPlotMarker;
    line->setLineStyle(QwtPlotMarker::HLine);
    line->setLinePen(penLimits);
    line->hide();
    line->attach(&m_plot);
    return line;
}

void zorPlotInteraction::resetMeasure()
{
    markerMeas1->setValue(0.0, 0.0);
    markerMeas2->setValue(0.0, 0.0);
    hideCursors();
    hidePanels();
}

void zorPlotInteraction::hideCursors()
{
    markerMeas1->hide();
    markerMeas2->hide();
}

void zorPlotInteraction::hidePanels()
{
    panelMeas->hide();
    panelTrack->hide();
}

QPointF zorPlotInteraction::zoomCentre() const
{
    return zoomer->property("center").toPointF();
}

void zorPlotInteraction::clickSelected(const QPointF &p)
{
    if (m_plot.getChCount(-1) == 0 || m_plot.getChMode(-1, 255) == QwtZOR::mcMeasure)
        return;
    m_plot.setChMode(QwtZOR::mcMeasure, -1, 255);
    markerMeas1->setValue(p);
    markerMeas1->show();
    addMeasPointFirst(p, toPixel(p));
    m_plot.replot();
}

void zorPlotInteraction::setMeasPoint(QPointF p)
{
    int qwtIndex = -1;
    uchar ch = 255;
    const zorPointStore::_ch *c = m_plot.store().findCh(qwtIndex, ch);
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
    m_plot.replot();
    if (!markerMeas1->isVisible() || !markerMeas2->isVisible())
        return;

    const QPointF p1 = markerMeas1->value();
    const QPointF p2 = markerMeas2->value();
    panelMeas->setValue(rowX1, m_plot.getXText(p1.x()));
    panelMeas->setValue(rowX2, m_plot.getXText(p2.x()));
    panelMeas->setValue(rowDX, deltaXText(p1.x(), p2.x()));
    panelMeas->setValue(rowY1, m_plot.getYText(p1.y()));
    panelMeas->setValue(rowY2, m_plot.getYText(p2.y()));
    panelMeas->setValue(rowDY, m_plot.getYText(p2.y() - p1.y()));
    panelMeas->resetStyles();

    const bool linked = zorPointStore::isLinked(*c);
    const CursorStats stats = cursorStats(linked ? c->diffTime : c->time, linked ? c->diffMeas : c->meas,
                                          p1.x(), p2.x());
    panelMeas->setValue(rowCount, QString::number(stats.count));
    if (stats.count >= 1)
        panelMeas->setValue(rowMean, QString::number(stats.mean, 'f', c->precision + 1));
    if (stats.count >= 2)
        panelMeas->setValue(rowSko, QString::number(stats.sko, 'f', c->precision + 2));
    placePanel(panelMeas, toPixel(p), Qt::Horizontal | Qt::Vertical);
    panelMeas->show();
    if (m_plot.getChMode(-1, 255) != QwtZOR::mcMeasure)
        m_plot.setChMode(QwtZOR::mcMeasure, -1, 255);
}

void zorPlotInteraction::addMeasPointFirst(const QPointF &p, QPoint pixel)
{
    panelTrack->setValue(rowX, m_plot.getXText(p.x()));
    panelTrack->setValue(rowY, m_plot.getYText(p.y()));
    panelTrack->resetStyles();
    placePanel(panelTrack, pixel, Qt::Horizontal | Qt::Vertical);
    panelTrack->show();
}

QString zorPlotInteraction::deltaXText(double x1, double x2) const
{
    const double step = m_plot.axisStepSize(QwtPlot::xBottom);
    switch (m_plot.getChModeX(-1, 255)) {
    case QwtZOR::mcxRel:
        return zorTimeText::clock(x2 - x1, step, std::max(x1, x2) > 86400.0);
    case QwtZOR::mcxAbs:
        return zorTimeText::clock(x2 - x1, step, false);
    default:
        return QString::number(x2 - x1, 'f', 1);
    }
}

QPoint zorPlotInteraction::toPixel(const QPointF &p) const
{
    return QPoint(qRound(m_plot.transform(QwtPlot::xBottom, p.x())), qRound(m_plot.transform(QwtPlot::yLeft, p.y())));
}

// Beside the canvas pixel, on the side of the canvas with more room, 10 pixels off.
void zorPlotInteraction::placePanel(zorInfoPanel *panel, const QPoint &pixel, Qt::Orientations move)
{
    panel->adjustSize();
    const QWidget *canvas = m_plot.canvas();
    const QPoint origin = canvas->pos();
    QPoint pos = panel->pos();
    if (move & Qt::Horizontal) {
        const int x = origin.x() + pixel.x();
        pos.setX(pixel.x() > canvas->width() / 2 ? x - (panel->width() + 10) : x + 10);
    }
    if (move & Qt::Vertical) {
        const int y = origin.y() + pixel.y();
        pos.setY(pixel.y() > canvas->height() / 2 ? y - (panel->height() + 10) : y + 10);
    }
    panel->move(pos);
}

// The panels stay beside their cursors when an axis moves under them.
void zorPlotInteraction::followMarkers(Qt::Orientation axis)
{
    if (markerMeas2->isVisible())
        placePanel(panelMeas, toPixel(markerMeas2->value()), axis);
    if (markerMeas1->isVisible())
        placePanel(panelTrack, toPixel(markerMeas1->value()), axis);
}

QPointF zorPlotInteraction::trackerPos() const
{
    return pickerTracker->property("pos").toPointF();
}

void zorPlotInteraction::setZoomScale(QRectF rect)
{
    if (m_plot.getChMeasCount(-1, 255, true) > 0) {
        zoomer->setProperty("rect", rect);
        const double x0 = std::max(rect.x(), 0.0);
        const double width = rect.x() + rect.width() - x0;
        const int ix = m_scales.indexForWidth(width);
        const int iy = m_scales.indexForHeight(rect.height());
        m_scales.curScaleX = uchar(ix);
        m_scales.curScaleY = uchar(iy);
        const double stepX = m_scales.tableX().at(ix).seconds;
        const double stepY = m_scales.tableY().at(iy).step;
        // A rectangle without width or height gives no window.
        if (stepX > 0.0 && stepY > 0.0) {
            const int divX = zorPlotScales::divX;
            const int divY = zorPlotScales::divY;
            const double centre = std::round((rect.height() * 0.5 + rect.y()) / stepY) * stepY;
            m_plot.calcPrecision(m_scales.curScaleY, -1, 255);
            const double yMin = centre - (divY / 2) * stepY;
            m_scales.setAxisWindow(QwtPlot::xBottom, x0, x0 + divX * stepX, stepX);
            m_scales.setAxisWindow(QwtPlot::yLeft, yMin, centre + (divY / 2) * stepY, stepY);
            zoomer->setProperty("center", QPointF(x0 + divX * stepX * 0.5, yMin + divY * stepY * 0.5));
            m_scales.updateCaption();
            m_plot.replot();
        }
    }
    m_plot.viewChanged();
}

void zorPlotInteraction::scrollCanvas(QPointF p)
{
    if (QGuiApplication::mouseButtons() != Qt::RightButton) {
        scrollAnchor = QPointF(-1.0, -1.0);
        return;
    }
    if (scrollAnchor.x() < 0.0) {
        scrollAnchor = p;
        return;
    }
    const QwtScaleDiv xDiv = m_plot.axisScaleDiv(QwtPlot::xBottom);
    const QwtScaleDiv yDiv = m_plot.axisScaleDiv(QwtPlot::yLeft);
    const double stepX = m_scales.tableX().at(m_scales.curScaleX).seconds;
    double min = xDiv.lowerBound() + (scrollAnchor.x() - p.x());
    double max = xDiv.upperBound() + (scrollAnchor.x() - p.x());
    if (min <= 0.0) {
        // Time starts at 0: the window stops there, and the anchor moves by what was not scrolled.
        scrollAnchor.rx() += min;
        max = stepX > 0.0 ? zorPlotScales::divX * stepX : max - min;
        min = 0.0;
    }
    const double shiftY = scrollAnchor.y() - p.y();
    m_scales.setAxisWindow(QwtPlot::xBottom, min, max, stepX);
    m_scales.setAxisWindow(QwtPlot::yLeft, yDiv.lowerBound() + shiftY, yDiv.upperBound() + shiftY,
                           m_scales.tableY().at(m_scales.curScaleY).step);
    m_plot.replot();
}

void zorPlotInteraction::limitSelected(const QPointF &p)
{
    int qwtIndex = -1;
    QwtZOR::_dev *d = m_plot.findView(qwtIndex);
    if (!d)
        return;
    QwtPlotMarker *up = d->markerUp.get();
    QwtPlotMarker *down = d->markerDown.get();
    const auto toggle = [&p](QwtPlotMarker *line) {
        if (line->isVisible()) {
            line->hide();
        } else {
            line->setValue(p);
            line->show();
        }
    };
    switch (d->modeTrack) {
    case QwtZOR::tmOff:
        up->hide();
        down->hide();
        pickerLimits->setEnabled(false);
        break;
    case QwtZOR::tmUpper:
        toggle(up);
        break;
    case QwtZOR::tmLower:
        toggle(down);
        break;
    case QwtZOR::tmBoth:
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
    m_plot.replot();
}

void zorPlotInteraction::wheelZoom(bool zoomIN)
{
    if (m_plot.getChCount(-1) == 0)
        return;
    const int lastX = m_scales.tableX().size() - 1;
    const int lastY = m_scales.tableY().size() - 1;
    const int curX = m_scales.curScaleX;
    const int curY = m_scales.curScaleY;
    int scaleX;
    int scaleY;
    if (zoomIN) {
        if (curX >= lastX || curY >= lastY)
            return;
        scaleX = curX + 1;
        scaleY = curY + 1;
    } else {
        if (curX <= 1 || curY <= 1)
            return;
        scaleX = curX - 1;
        scaleY = curY - 1;
    }
    const QPointF pos = trackerPos();
    m_scales.setWindowX(pos.x(), uchar(scaleX));
    m_scales.setWindowY(pos.y(), uchar(scaleY));
    const QwtScaleDiv &xDiv = m_plot.axisScaleDiv(QwtPlot::xBottom);
    const QwtScaleDiv &yDiv = m_plot.axisScaleDiv(QwtPlot::yLeft);
    zoomer->setProperty("center", QPointF((xDiv.lowerBound() + xDiv.upperBound()) * 0.5,
                                          (yDiv.lowerBound() + yDiv.upperBound()) * 0.5));
    // The channel's own scales are set through the setters, which end with the
    // caption and a replot of their own.
    const QwtZOR::TmcMode mode = m_plot.getChMode(-1, 255);
    if (mode == QwtZOR::mcAuto || mode == QwtZOR::mcTracking) {
        m_plot.setChScaleX(uchar(scaleX), -1, 255);
        m_plot.setChScaleY(uchar(scaleY), -1, 255);
    } else {
        m_scales.curScaleX = uchar(scaleX);
        m_scales.curScaleY = uchar(scaleY);
        m_plot.viewChanged();
        m_scales.updateCaption();
        m_plot.replot();
    }
}

void zorPlotInteraction::mousePress(QMouseEvent *event)
{
    m_pressX = event->pos().x();
    m_pressY = event->pos().y();
}

void zorPlotInteraction::mouseMove(QMouseEvent *event)
{
    // A right-button drag scrolls; it switches to scrolling once, when it leaves
    // the click zone.
    const bool dragged = std::abs(event->pos().x() - m_pressX) > clickSlop
        || std::abs(event->pos().y() - m_pressY) > clickSlop;
    if (dragged && event->buttons() == Qt::RightButton && m_plot.getChMode(-1, 255) != QwtZOR::mcShift) {
        m_plot.setChMode(QwtZOR::mcShift, -1, 255);
        scrollAnchor = trackerPos();
    }
}

void zorPlotInteraction::mouseRelease(QMouseEvent *event)
{
    if (std::abs(event->pos().x() - m_pressX) >= clickSlop || std::abs(event->pos().y() - m_pressY) >= clickSlop)
        return;
    switch (m_plot.getChMode(-1, 255)) {
    case QwtZOR::mcZoom:
        if (event->button() == Qt::LeftButton) {
            m_plot.setChMode(QwtZOR::mcMeasure, -1, 255);
            // Where the click was: the tracker's last position, read off the event itself.
            const QPoint pixel = m_plot.canvas()->mapFrom(&m_plot, event->pos());
            const QPointF p(m_plot.invTransform(QwtPlot::xBottom, pixel.x()),
                            m_plot.invTransform(QwtPlot::yLeft, pixel.y()));
            markerMeas1->setValue(p);
            markerMeas1->show();
            addMeasPointFirst(p, toPixel(p));
            m_plot.replot();
        } else if (event->button() == Qt::RightButton) {
            m_plot.setChMode(QwtZOR::mcTracking, -1, 255);
        }
        break;
    case QwtZOR::mcMeasure:
        if (event->button() != Qt::RightButton)
            break;
        if (markerMeas1->isVisible()) {
            resetMeasure();
            m_plot.replot();
        } else if (!markerMeas2->isVisible()) {
            m_plot.setChMode(QwtZOR::mcTracking, -1, 255);
        }
        break;
    case QwtZOR::mcShift:
        if (event->button() == Qt::RightButton)
            m_plot.setChMode(QwtZOR::mcTracking, -1, 255);
        break;
    default:
        break;
    }
}

void zorPlotInteraction::copyToClipboard()
{
    auto *label = qobject_cast<QLabel *>(sender());
    if (!label)
        return;
    clipboard->setText(label->text());
    label->setStyleSheet(QStringLiteral("color: blue"));
}
