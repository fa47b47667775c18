#include "plot/QwtZORScaleXDrawMode0.h"

QwtText QwtZORScaleXDrawMode0::label(double value) const
{
    return QwtText(QString::number(value, 'g', 6));
}
