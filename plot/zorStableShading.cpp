#include "plot/zorStableShading.h"

#include <QPainter>
#include <qwt_scale_map.h>

#include <algorithm>

zorStableShading::zorStableShading()
    : QwtPlotItem(QwtText(QObject::tr("Стабильно")))
    , m_color(46, 139, 87, 40)
{
    setZ(1.0); // behind the grid and the curves
    setItemAttribute(QwtPlotItem::Legend, false);
    setItemAttribute(QwtPlotItem::AutoScale, false);
}

void zorStableShading::setIntervals(const QVector<interval> &intervals)
{
    if (intervals == m_intervals)
        return;
    m_intervals = intervals;
    itemChanged();
}

void zorStableShading::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &, const QRectF &canvasRect) const
{
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(m_color);
    // Stretches less than a pixel apart are drawn as one band: over days of readings
    // thousands of them share the canvas, and each pale band painted over another
    // would both darken it and cost a full-height fill.
    double bandLeft = 0.0, bandRight = -1.0;
    const auto fill = [&] {
        if (bandRight > bandLeft)
            painter->drawRect(QRectF(bandLeft, canvasRect.top(), bandRight - bandLeft, canvasRect.height()));
    };
    for (const interval &i : m_intervals) {
        const double left = std::max(xMap.transform(i.first), canvasRect.left());
        const double right = std::min(xMap.transform(i.second), canvasRect.right());
        if (right <= left)
            continue;
        if (bandRight >= bandLeft && left <= bandRight + 1.0 && right >= bandLeft - 1.0) {
            bandLeft = std::min(bandLeft, left);
            bandRight = std::max(bandRight, right);
            continue;
        }
        fill();
        bandLeft = left;
        bandRight = right;
    }
    fill();
    painter->restore();
}
