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
    for (const interval &i : m_intervals) {
        const double left = std::max(xMap.transform(i.first), canvasRect.left());
        const double right = std::min(xMap.transform(i.second), canvasRect.right());
        if (right > left)
            painter->drawRect(QRectF(left, canvasRect.top(), right - left, canvasRect.height()));
    }
    painter->restore();
}
