#include "plot/QwtZORScaleYDraw.h"

#include "plot/QwtZOR.h"

QwtZORScaleYDraw::QwtZORScaleYDraw(const QwtZOR *plot)
    : m_plot(plot)
{
}

QwtText QwtZORScaleYDraw::label(double value) const
{
    return QwtText(QString::number(value, 'f', m_plot->getPrecision(-1, 255)));
}
