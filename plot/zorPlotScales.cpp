#include "plot/zorPlotScales.h"

#include "plot/QwtZOR.h"
#include "plot/QwtZORScaleXDrawMode0.h"
#include "plot/QwtZORScaleXDrawMode1.h"
#include "plot/QwtZORScaleXDrawMode2.h"
#include "plot/zorPointStore.h"
#include "plot/zorSeriesData.h"

#include <qwt_plot_textlabel.h>
#include <qwt_scale_div.h>

#include <algorithm>
#include <cmath>

namespace {

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

// The table entry a label names: scale itself when it is one, else "Авто" in the
// automatic mode, the channel's own in tracking, the one in force on the axis otherwise.
int labelIndex(uchar scale, int size, int mode, uchar own, uchar inForce)
{
    if (scale < size)
        return scale;
    return mode == QwtZOR::mcAuto ? 0 : mode == QwtZOR::mcTracking ? own : inForce;
}

} // namespace

zorPlotScales::zorPlotScales(QwtZOR &plot, const zorPointStore &store)
    : m_plot(plot)
    , m_store(store)
    , m_caption(new QwtPlotTextLabel)
{
    m_tableX = {
        {tr("Авто"), 0},        {tr("1 сек."), 1},     {tr("2 сек."), 2},     {tr("5 сек."), 5},
        {tr("10 сек."), 10},    {tr("15 сек."), 15},   {tr("30 сек."), 30},   {tr("1 мин."), 60},
        {tr("2 мин."), 120},    {tr("5 мин."), 300},   {tr("10 мин."), 600},  {tr("15 мин."), 900},
        {tr("30 мин."), 1800},  {tr("1 ч."), 3600},    {tr("2 ч."), 7200},    {tr("5 ч."), 18000},
        {tr("10 ч."), 36000},   {tr("15 ч."), 54000},  {tr("30 ч."), 108000},
        // Runs of weeks; appended, so that the stored indexes above keep their meaning.
        {tr("2 сут."), 172800}, {tr("5 сут."), 432000}, {tr("10 сут."), 864000},
    };
    m_tableY.append({tr("Авто"), 0.0});
    // The 1-2-5 series from 0.000001 to 2000, labelled by its own decimal text.
    for (int exponent = -6; exponent <= 3; ++exponent) {
        for (int mantissa : {1, 2, 5}) {
            if (exponent == 3 && mantissa == 5)
                break;
            const QString label = exponent < 0
                ? QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) + QString::number(mantissa)
                : QString::number(mantissa) + QString(exponent, QLatin1Char('0'));
            m_tableY.append({label, label.toDouble()});
        }
    }
    m_caption->setMargin(8);
    m_caption->attach(&m_plot);
}

QStringList zorPlotScales::labelsX() const
{
    QStringList labels;
    for (const TScaleX &scale : m_tableX)
        labels << scale.label;
    return labels;
}

QStringList zorPlotScales::labelsY() const
{
    QStringList labels;
    for (const TScaleY &scale : m_tableY)
        labels << scale.label;
    return labels;
}

uchar zorPlotScales::precisionOf(uchar scaleY)
{
    // Steps 1..3 (0.000001..0.000005) show 6 decimals, every three steps one less.
    return scaleY == 0 || scaleY >= 19 ? 0 : uchar(6 - (scaleY - 1) / 3);
}

QString zorPlotScales::labelX(uchar scale, int mode, uchar own) const
{
    return m_tableX.at(labelIndex(scale, m_tableX.size(), mode, own, curScaleX)).label;
}

QString zorPlotScales::labelY(uchar scale, int mode, uchar own) const
{
    return m_tableY.at(labelIndex(scale, m_tableY.size(), mode, own, curScaleY)).label;
}

QString zorPlotScales::modeLabel(int mode)
{
    const QStringList labels = {tr("АВТО"), tr("СЛЕЖЕНИЕ"), tr("УВЕЛИЧЕНИЕ"), tr("ИЗМЕРЕНИЕ"), tr("СДВИГ"), tr("ПРЕДЕЛЫ")};
    return labels.value(mode, QStringLiteral("-"));
}

QString zorPlotScales::modeXLabel(int modeX)
{
    const QStringList labels = {tr("СЕК"), tr("ОТН"), tr("АБС")};
    return labels.value(modeX, QStringLiteral("-"));
}

void zorPlotScales::setScaleDrawX(int modeX)
{
    if (modeX == QwtZOR::mcxRel)
        m_plot.setAxisScaleDraw(QwtPlot::xBottom, new QwtZORScaleXDrawMode1(&m_plot));
    else if (modeX == QwtZOR::mcxAbs)
        m_plot.setAxisScaleDraw(QwtPlot::xBottom, new QwtZORScaleXDrawMode2(&m_plot));
    else
        m_plot.setAxisScaleDraw(QwtPlot::xBottom, new QwtZORScaleXDrawMode0);
}

int zorPlotScales::indexForWidth(double width) const
{
    int i = 0;
    while (i < m_tableX.size() - 1 && !(m_tableX.at(i).seconds >= width / divX))
        ++i;
    return i;
}

int zorPlotScales::indexForHeight(double height) const
{
    int i = 0;
    while (i < m_tableY.size() - 1 && !(m_tableY.at(i).step >= height / divY))
        ++i;
    return i;
}

void zorPlotScales::apply(const zorSeriesData &series, bool automatic, uchar scaleX, uchar scaleY)
{
    const int hintX = curScaleX;
    const int hintY = curScaleY;
    curScaleX = automatic ? 0 : scaleX;
    curScaleY = automatic ? 0 : scaleY;

    const double t0 = series.xs().first();
    const double tN = series.xs().last();
    // The window that ends at or after the newest point and starts on a division.
    const auto newestWindow = [&](double step) { return std::ceil(std::max(0.0, tN - divX * step) / step) * step; };
    double xMin;
    if (curScaleX == 0) {
        // The finest step that keeps the whole run on the axis; when even the coarsest
        // does not, the newest readings stay in view and the oldest leave it.
        curScaleX = uchar(fittingScale(tN - t0, divX, m_tableX.size(), hintX,
                                       [this](int i) { return double(m_tableX.at(i).seconds); }));
        const double step = m_tableX.at(curScaleX).seconds;
        const bool whole = std::ceil((tN - t0) / step + 0.5) < divX;
        xMin = whole ? std::floor(t0 / step) * step : newestWindow(step);
    } else {
        xMin = newestWindow(m_tableX.at(curScaleX).seconds);
    }
    const double stepX = m_tableX.at(curScaleX).seconds;
    const double xMax = xMin + divX * stepX;
    const QwtScaleDiv &xDiv = m_plot.axisScaleDiv(QwtPlot::xBottom);
    if (!(m_plot.axisStepSize(QwtPlot::xBottom) == stepX && xDiv.lowerBound() <= xMin && xMax <= xDiv.upperBound()))
        setAxisWindow(QwtPlot::xBottom, xMin, xMax, stepX);

    double lo = series.ys().last();
    double hi = lo;
    if (curScaleY == 0) {
        series.tailRange(series.tailFrom(xMin), lo, hi);
        if (lo > hi)
            lo = hi = series.ys().last();
        curScaleY = uchar(fittingScale(hi - lo, divY, m_tableY.size(), hintY,
                                       [this](int i) { return m_tableY.at(i).step; }));
    }
    m_plot.calcPrecision(curScaleY, -1, 255);
    const double stepY = m_tableY.at(curScaleY).step;
    const QwtScaleDiv &yDiv = m_plot.axisScaleDiv(QwtPlot::yLeft);
    if (!(m_plot.axisStepSize(QwtPlot::yLeft) == stepY && yDiv.lowerBound() <= lo && hi <= yDiv.upperBound())) {
        const double centre = std::round(((hi - lo) * 0.5 + lo) / stepY) * stepY;
        const double half = (divY / 2) * stepY;
        setAxisWindow(QwtPlot::yLeft, centre - half, centre + half, stepY);
    }
}

void zorPlotScales::setAxisWindow(int axis, double min, double max, double step)
{
    m_plot.setAxisScale(axis, min, max, step);
    m_plot.updateAxes();
}

void zorPlotScales::setWindowX(double centre, uchar scale)
{
    const int seconds = m_tableX.at(scale).seconds;
    const int half = divX * seconds / 2;
    double min = centre - half;
    double max = centre + half;
    if (min < 0.0) {
        max -= min;
        min = 0.0;
    }
    setAxisWindow(QwtPlot::xBottom, min, max, seconds);
}

void zorPlotScales::setWindowY(double centre, uchar scale)
{
    m_plot.calcPrecision(scale, -1, 255);
    const double step = m_tableY.at(scale).step;
    const double half = divY * step * 0.5;
    setAxisWindow(QwtPlot::yLeft, centre - half, centre + half, step);
}

void zorPlotScales::updateCaption()
{
    int qwtIndex = -1;
    const zorPointStore::_dev *d = m_store.findDev(qwtIndex);
    CaptionKey key;
    if (d && !d->chs.isEmpty()) {
        const int mainCh = zorPointStore::mainOf(*d);
        key = {qwtIndex, mainCh, d->chs.at(mainCh).dim, curScaleX, curScaleY};
    } else {
        key.dev = -1;
    }
    if (key == m_captionKey)
        return;
    m_captionKey = key;
    QString text;
    if (key.dev >= 0) {
        text = tr("Кн. № ") + QString::number(key.ch + 1) + QStringLiteral(" [") + key.dim
            + QStringLiteral("], dX: ") + m_tableX.at(key.scaleX).label + QStringLiteral(", dY: ")
            + m_tableY.at(key.scaleY).label;
    }
    QwtText caption(text, QwtText::PlainText);
    caption.setRenderFlags(Qt::AlignRight | Qt::AlignTop);
    QFont font = caption.font();
    font.setPointSize(15);
    caption.setFont(font);
    m_caption->setText(caption);
}
