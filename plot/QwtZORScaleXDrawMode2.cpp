#include "plot/QwtZORScaleXDrawMode2.h"

#include "plot/QwtZOR.h"
#include "plot/zorTimeText.h"

QwtZORScaleXDrawMode2::QwtZORScaleXDrawMode2(const QwtZOR *plot)
    : m_plot(plot)
{
}

QwtText QwtZORScaleXDrawMode2::label(double value) const
{
    return QwtText(zorTimeText::wallClock(m_plot->getStartDateTime(-1), value,
                                          m_plot->axisStepSize(QwtPlot::xBottom),
                                          QDateTime::currentDateTime()));
}
