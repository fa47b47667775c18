#ifndef ZORSTABLESHADING_H
#define ZORSTABLESHADING_H

#include <QColor>
#include <QPair>
#include <QVector>
#include <qwt_plot_item.h>

// Pale bands behind the curves over the stretches of time in which a channel was
// stable: one item for any number of stretches, each from its start to its end in
// the plot's time stamps (seconds since the device's start).
class zorStableShading : public QwtPlotItem
{
public:
    using interval = QPair<double, double>;

    zorStableShading();

    int rtti() const override { return QwtPlotItem::Rtti_PlotUserItem + 25; }
    void setIntervals(const QVector<interval> &intervals);
    const QVector<interval> &intervals() const { return m_intervals; }
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    QVector<interval> m_intervals;
    QColor m_color;
};

#endif // ZORSTABLESHADING_H
