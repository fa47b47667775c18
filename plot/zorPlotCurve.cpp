#include "plot/zorPlotCurve.h"

#include <QPainter>
#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

namespace {

// Cuts the line to rect (Liang-Barsky); false when nothing of it lies inside.
bool clipLine(QLineF &line, const QRectF &rect)
{
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = line.dx();
    const double dy = line.dy();
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {line.x1() - rect.left(), rect.right() - line.x1(), line.y1() - rect.top(),
                        rect.bottom() - line.y1()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1)
        return false;
    line = QLineF(line.x1() + t0 * dx, line.y1() + t0 * dy, line.x1() + t1 * dx, line.y1() + t1 * dy);
    return true;
}

// The first index of (i, to + 1) whose x is at or beyond edge, given xs[i] < edge. The
// search starts where the width of the previous column puts it and gallops outward:
// on evenly spaced time stamps it lands within a point or two, so a column costs a few
// reads next to each other instead of a bisection across it, which is what a first
// frame of a long series, not in any cache yet, pays for.
int firstBeyond(const zorChunkedSeries &xs, int i, int to, double edge, int width)
{
    int inside = i;     // xs[inside] < edge
    int beyond = to + 1; // beyond == to + 1 or xs[beyond] >= edge
    const int guess = std::min(i + std::max(width, 1), to + 1);
    if (guess <= to && xs.at(guess) < edge) {
        inside = guess;
        for (int step = 1; inside + step <= to; step *= 2) {
            if (xs.at(inside + step) >= edge) {
                beyond = inside + step;
                break;
            }
            inside += step;
        }
    } else {
        beyond = guess;
        for (int step = 1; beyond - step > inside; step *= 2) {
            if (xs.at(beyond - step) < edge) {
                inside = beyond - step;
                break;
            }
            beyond -= step;
        }
    }
    while (beyond - inside > 1) {
        const int mid = inside + (beyond - inside) / 2;
        if (xs.at(mid) < edge)
            inside = mid;
        else
            beyond = mid;
    }
    return beyond;
}

} // namespace

// Channel k draws in the k-th colour; channels from 16 on in red.
const QColor &zorPlotCurve::channelColor(int ch)
{
    static const QColor colors[] = {
        QColor(Qt::red),       QColor(Qt::blue),        QColor(Qt::green),    QColor(Qt::darkGray),
        QColor("#c6c600"),     QColor(Qt::darkCyan),    QColor(Qt::darkMagenta), QColor(Qt::black),
        QColor(Qt::darkRed),   QColor(Qt::darkBlue),    QColor(Qt::darkGreen), QColor("#00c6c6"),
        QColor(Qt::gray),      QColor(Qt::magenta),     QColor(Qt::darkYellow), QColor(Qt::lightGray),
    };
    return ch < int(sizeof(colors) / sizeof(colors[0])) ? colors[ch] : colors[0];
}

zorPlotCurve::zorPlotCurve(const zorPointStore &store, int qwtIndex, uchar ch, bool aver)
    : m_series(new zorSeriesData(store, qwtIndex, ch, aver))
{
    setData(m_series);
    setPen(channelColor(ch), aver ? 2 : 1, Qt::SolidLine);
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
    // Anything but a plain line over runs of time-ordered points is drawn the ordinary way.
    const bool plainLine = style() == Lines && !testCurveAttribute(Fitted)
        && brush().style() == Qt::NoBrush && !symbol();
    const int runs = m_series->runCount();
    if (!painter || n == 0 || from > to || !plainLine || runs == 0 || xMap.sDist() <= 0.0) {
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    for (int k = 0; k < runs; ++k) {
        const int start = std::max(from, m_series->runStart(k));
        const int end = std::min(to, m_series->runStart(k + 1) - 1);
        if (start <= end)
            drawRun(painter, xMap, yMap, canvasRect, start, end);
        if (k > 0 && start - 1 >= from && start <= to)
            QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, start - 1, start);
    }
}

// Points [from, to] of one time-ordered run.
void zorPlotCurve::drawRun(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                           const QRectF &canvasRect, int from, int to) const
{
    // The visible points, and one on either side for the lines that leave the canvas.
    const double left = std::min(xMap.s1(), xMap.s2());
    const double right = std::max(xMap.s1(), xMap.s2());
    const int first = std::max(from, m_series->lowerBound(left, from, to + 1) - 1);
    const int last = std::min(to, m_series->upperBound(right, from, to + 1));
    if (first > last)
        return;
    if (last - first + 1 <= pointsPerColumn * canvasRect.width()) {
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, first, last);
        return;
    }
    const bool align = QwtPainter::roundingAlignment(painter);
    const QVector<double> scales = {xMap.s1(), xMap.s2(), xMap.p1(), xMap.p2(),
                                    yMap.s1(), yMap.s2(), yMap.p1(), yMap.p2(), double(align)};
    QVector<Column> local;
    QVector<Column> *cols = &local;
    if (m_series->runCount() == 1) {
        // The whole series is this run: the columns of the last frame still hold,
        // but for the last one, which new points may have joined.
        cols = &m_cache.cols;
        const bool valid = m_cache.generation == m_series->generation() && m_cache.scales == scales
            && m_cache.first == first && m_cache.last <= last && !m_cache.cols.isEmpty();
        int resume = first;
        if (valid) {
            resume = m_cache.cols.last().start;
            m_cache.cols.removeLast();
        } else {
            m_cache.cols.clear();
        }
        m_cache.generation = m_series->generation();
        m_cache.scales = scales;
        m_cache.first = first;
        m_cache.last = last;
        appendColumns(xMap, yMap, resume, last, align, m_cache.cols);
    } else {
        appendColumns(xMap, yMap, first, last, align, local);
    }
    // Like Qwt, keep the geometry near the canvas: far-off coordinates upset the rasteriser.
    const double margin = std::max(1.0, pen().widthF());
    const QRectF clip = canvasRect.adjusted(-margin, -margin, margin, margin);
    painter->save();
    if (align)
        drawPixelColumns(painter, *cols, clip);
    else
        drawSummaryPolyline(painter, *cols, clip);
    painter->restore();
}

// Columns of points [from, to], one per pixel, in index order: find the first point of
// the next column (firstBeyond), and take the extremes in between from the min/max index.
void zorPlotCurve::appendColumns(const QwtScaleMap &xMap, const QwtScaleMap &yMap, int from, int to, bool align,
                                 QVector<Column> &cols) const
{
    const zorChunkedSeries &xs = m_series->xs();
    const zorPointStore::_plotted &ys = m_series->ys();
    // The rounding of Qwt's point mapper (qRound), without its int overflow far off the canvas.
    const auto pixel = [align](double p) { return align ? std::floor(p + 0.5) : p; };
    const auto column = [&](int i) { return std::floor(xMap.transform(xs.at(i)) + 0.5); };

    int i = from;
    int width = 1; // points in the column before
    while (i <= to) {
        const double c = column(i);
        // The edge in data units is exact only up to rounding, so the points on
        // either side of it are checked against the pixel they really round to.
        const double edge = xMap.invTransform(c + 0.5);
        int inside = firstBeyond(xs, i, to, edge, width) - 1;
        while (inside > i && column(inside) != c)
            --inside;
        while (inside < to && column(inside + 1) == c)
            ++inside;
        width = inside - i + 1;
        const int beyond = inside + 1;
        double lo = ys.at(i);
        double hi = lo;
        if (inside > i)
            m_series->valueRange(i, inside + 1, lo, hi);
        const double top = pixel(yMap.transform(hi));
        const double bottom = pixel(yMap.transform(lo));
        cols.append({i, pixel(xMap.transform(xs.at(i))), pixel(yMap.transform(ys.at(i))), std::min(top, bottom),
                     std::max(top, bottom), pixel(xMap.transform(xs.at(inside))),
                     pixel(yMap.transform(ys.at(inside)))});
        i = beyond;
    }
}

// Raster devices: the vertical run of each column as a rectangle, then the lines
// from each column's last point to the next column's first. Qt fills a cosmetic
// line's end pixels but not the bottom edge of a wider stroke; the rectangles
// follow suit. Plain lines, because Qt draws those fast where a polyline goes
// through its general stroker: a wide pen so loses a corner pixel here and there
// where the full polyline's pieces meet.
void zorPlotCurve::drawPixelColumns(QPainter *painter, const QVector<Column> &cols, const QRectF &clip) const
{
    const int width = std::max(1, qRound(pen().widthF()));
    const double extra = width == 1 ? 1.0 : 0.0;
    // Whole pixels, so that Qt fills them directly instead of rasterising a path.
    const QRect bounds = clip.toAlignedRect();
    QVector<QRect> runs;
    runs.reserve(cols.size());
    for (const Column &c : cols) {
        const double top = std::max(c.top, double(bounds.top()));
        const double bottom = std::min(c.bottom + extra, double(bounds.bottom() + 1));
        if (top < bottom && c.x >= bounds.left() && c.x <= bounds.right())
            runs.append(QRect(int(c.x) - width / 2, int(top), width, int(bottom - top)));
    }
    QVector<QLineF> joins;
    joins.reserve(cols.size());
    for (int k = 0; k + 1 < cols.size(); ++k) {
        QLineF join(cols.at(k).xLast, cols.at(k).last, cols.at(k + 1).x, cols.at(k + 1).first);
        if (clipLine(join, clip))
            joins.append(join);
    }
    painter->setPen(Qt::NoPen);
    painter->setBrush(pen().color());
    painter->drawRects(runs);
    QPen joinPen = pen();
    joinPen.setCapStyle(Qt::FlatCap);
    painter->setPen(joinPen);
    painter->setBrush(Qt::NoBrush);
    painter->drawLines(joins);
}

// Scalable devices: first -> lowest -> highest -> last per column.
void zorPlotCurve::drawSummaryPolyline(QPainter *painter, const QVector<Column> &cols, const QRectF &clip) const
{
    QPolygonF line;
    line.reserve(4 * cols.size());
    for (const Column &c : cols) {
        line << QPointF(c.x, c.first);
        if (c.top != c.bottom || c.xLast != c.x || c.last != c.first)
            line << QPointF(c.x, c.bottom) << QPointF(c.x, c.top) << QPointF(c.xLast, c.last);
    }
    if (testPaintAttribute(ClipPolygons))
        line = QwtClipper::clipPolygonF(clip, line);
    painter->setPen(pen());
    QwtPainter::drawPolyline(painter, line);
}
