#ifndef ZORPLOTCURVE_H
#define ZORPLOTCURVE_H

#include "plot/zorSeriesData.h"

#include <qwt_plot_curve.h>

// A line curve whose drawing cost follows the width of the canvas rather than the
// number of points. Only the points inside the X range are visited; where more than
// a few of them fall on one pixel column, the column is drawn from its first, lowest,
// highest and last point, taken from the min/max index, which rasterises to the same
// pixels as the full polyline.
class zorPlotCurve : public QwtPlotCurve
{
public:
    zorPlotCurve();

    zorSeriesData *series() const;

    // Above this many visible points per pixel column the columns are summarised.
    static constexpr int pointsPerColumn = 4;

protected:
    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;

private:
    QPolygonF columnPolyline(const QwtScaleMap &xMap, const QwtScaleMap &yMap, int from, int to,
                             bool align) const;

    zorSeriesData *m_series;
};

#endif // ZORPLOTCURVE_H
