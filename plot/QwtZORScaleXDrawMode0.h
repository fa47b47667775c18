#ifndef QWTZORSCALEXDRAWMODE0_H
#define QWTZORSCALEXDRAWMODE0_H

#include <qwt_scale_draw.h>

// X tick labels in seconds since the start of the measurement.
class QwtZORScaleXDrawMode0 : public QwtScaleDraw
{
public:
    QwtText label(double value) const override;
};

#endif // QWTZORSCALEXDRAWMODE0_H
