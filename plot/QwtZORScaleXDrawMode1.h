#ifndef QWTZORSCALEXDRAWMODE1_H
#define QWTZORSCALEXDRAWMODE1_H

#include <qwt_scale_draw.h>

class QwtZOR;

// X tick labels as the time elapsed since the start, read like a clock.
class QwtZORScaleXDrawMode1 : public QwtScaleDraw
{
public:
    explicit QwtZORScaleXDrawMode1(const QwtZOR *plot);
    QwtText label(double value) const override;

private:
    const QwtZOR *m_plot;
};

#endif // QWTZORSCALEXDRAWMODE1_H
