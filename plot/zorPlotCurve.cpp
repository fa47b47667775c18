#include "plot/zorPlotCurve.h"

#include <QPainter>
#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

zorPlotCurve::zorPlotCurve()
    : m_series(new zorSeriesData)
{
    setData(m_series);
}

zorSeriesData *zorPlotCurve::series() const
{
    return m_series;
}

void zorPlotCurve::drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                              const QRectF &canvasRect, int from, int to) const
{
    const int n = int(m_series->size());
    if (to < 0)
        to = n - 1;
    // Anything but a plain line over time-ordered points is drawn the ordinary way.
    const bool plainLine = style() == Lines && !testCurveAttribute(Fitted)
        && brush().style() == Qt::NoBrush && !symbol();
    if (!painter || n == 0 || from > to || !plainLine || !m_series->isSorted() || xMap.sDist() <= 0.0) {
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    // The visible points, and one on either side for the lines that leave the canvas.
    const double left = std::min(xMap.s1(), xMap.s2());
    const double right = std::max(xMap.s1(), xMap.s2());
    const int first = std::max(from, m_series->lowerBound(left) - 1);
    const int last = std::min(to, m_series->upperBound(right));
    if (first > last)
        return;
    if (last - first + 1 <= pointsPerColumn * canvasRect.width()) {
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, first, last);
        return;
    }
    QPolygonF line = columnPolyline(xMap, yMap, first, last, QwtPainter::roundingAlignment(painter));
    painter->save();
    painter->setPen(pen());
    if (testPaintAttribute(ClipPolygons)) {
        const qreal margin = std::max(qreal(1.0), painter->pen().widthF());
        line = QwtClipper::clipPolygonF(canvasRect.adjusted(-margin, -margin, margin, margin), line);
    }
    QwtPainter::drawPolyline(painter, line);
    painter->restore();
}

// One group per pixel column, in index order. On a raster device Qwt rounds every
// point to whole pixels, so all points of a group sit on one column and the full
// polyline covers exactly the pixels from the group's lowest to its highest point;
// first -> lowest -> highest -> last covers the same ones, and the lines between the
// groups are the very same segments.
QPolygonF zorPlotCurve::columnPolyline(const QwtScaleMap &xMap, const QwtScaleMap &yMap, int from, int to,
                                       bool align) const
{
    const QVector<double> &xs = m_series->xs();
    const QVector<double> &ys = m_series->ys();
    const auto pixel = [align](double p) { return align ? std::floor(p + 0.5) : p; };
    const auto column = [&](int i) { return std::floor(xMap.transform(xs.at(i)) + 0.5); };

    QPolygonF line;
    line.reserve(4 * int(std::abs(xMap.pDist()) + 4));
    int i = from;
    while (i <= to) {
        const double c = column(i);
        // Gallop, then bisect, to the first point of the next column.
        int inside = i;
        int step = 1;
        int beyond = i + 1;
        while (beyond <= to && column(beyond) == c) {
            inside = beyond;
            step *= 2;
            beyond = std::min(inside + step, to + 1);
        }
        while (beyond - inside > 1) {
            const int mid = inside + (beyond - inside) / 2;
            if (column(mid) == c)
                inside = mid;
            else
                beyond = mid;
        }
        const double x0 = pixel(xMap.transform(xs.at(i)));
        line += QPointF(x0, pixel(yMap.transform(ys.at(i))));
        if (inside > i) {
            double lo;
            double hi;
            m_series->valueRange(i, inside + 1, lo, hi);
            line += QPointF(x0, pixel(yMap.transform(lo)));
            line += QPointF(x0, pixel(yMap.transform(hi)));
            line += QPointF(pixel(xMap.transform(xs.at(inside))), pixel(yMap.transform(ys.at(inside))));
        }
        i = beyond;
    }
    return line;
}
