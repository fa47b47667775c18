#ifndef QWTZORSCALEXDRAWMODE2_H
#define QWTZORSCALEXDRAWMODE2_H

#include <qwt_scale_draw.h>

class QwtZOR;

// X tick labels as the wall-clock time of the current device's measurement.
class QwtZORScaleXDrawMode2 : public QwtScaleDraw
{
public:
    explicit QwtZORScaleXDrawMode2(const QwtZOR *plot);
    QwtText label(double value) const override;

private:
    const QwtZOR *m_plot;
};

#endif // QWTZORSCALEXDRAWMODE2_H
