#ifndef ZORPLOTCURVE_H
#define ZORPLOTCURVE_H

#include "plot/zorSeriesData.h"

#include <QVector>
#include <qwt_plot_curve.h>

// A line curve whose drawing cost follows the width of the canvas rather than the
// number of points. Only the points inside the X range are visited. Where more than
// a few of them fall on one pixel column, the column is summarised by its first,
// lowest, highest and last point, the extremes taken from the min/max index:
// - on a raster device (the screen, a picture) Qwt rounds every point to whole
//   pixels, so the points of a column form one vertical run of pixels from the
//   lowest to the highest, drawn as a rectangle, and the lines between columns are
//   the very same segments the full polyline has: the same pixels, at a fraction of
//   the cost of Qt's line drawing;
// - on a scalable device (SVG, PDF) the polyline first -> lowest -> highest -> last.
// Each time-ordered run of the series is drawn so, and the jumps back in time
// between runs as plain segments.
class zorPlotCurve : public QwtPlotCurve
{
public:
    // Draws the channel's plotted series from the store in the channel's colour: with aver
    // the moving averages (a pen of width 2), else the readings (width 1).
    zorPlotCurve(const zorPointStore &store, int qwtIndex, uchar ch, bool aver);

    static const QColor &channelColor(int ch);

    zorSeriesData *series() const;

    // Above this many visible points per pixel column the columns are summarised.
    static constexpr int pointsPerColumn = 4;

protected:
    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;

private:
    // One pixel column of a run, in device coordinates.
    struct Column {
        int start;    // index of the first point
        double x;     // of the first point (all points of the column on a raster device)
        double first; // y of the first point
        double top;   // smallest y (the highest value)
        double bottom;
        double xLast;
        double last;
    };

    void drawRun(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &canvasRect,
                 int from, int to) const;
    void appendColumns(const QwtScaleMap &xMap, const QwtScaleMap &yMap, int from, int to, bool align,
                       QVector<Column> &cols) const;
    void drawPixelColumns(QPainter *painter, const QVector<Column> &cols, const QRectF &clip) const;
    void drawSummaryPolyline(QPainter *painter, const QVector<Column> &cols, const QRectF &clip) const;

    zorSeriesData *m_series;

    // The columns of the last frame of a series that is one run, and what they were
    // computed for. Points are only appended between frames, so the next frame on
    // the same scales recomputes just the last column and what lies beyond it.
    struct ColumnCache {
        quint64 generation = 0;
        QVector<double> scales;
        int first = -1;
        int last = -1;
        QVector<Column> cols;
    };
    mutable ColumnCache m_cache;
};

#endif // ZORPLOTCURVE_H
