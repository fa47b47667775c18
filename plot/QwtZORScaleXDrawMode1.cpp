#include "plot/QwtZORScaleXDrawMode1.h"

#include "plot/QwtZOR.h"
#include "plot/zorTimeText.h"

QwtZORScaleXDrawMode1::QwtZORScaleXDrawMode1(const QwtZOR *plot)
    : m_plot(plot)
{
}

QwtText QwtZORScaleXDrawMode1::label(double value) const
{
    return QwtText(zorTimeText::clock(value, m_plot->axisStepSize(QwtPlot::xBottom), value > 86400.0));
}
