#ifndef QWTZORSCALEYDRAW_H
#define QWTZORSCALEYDRAW_H

#include <qwt_scale_draw.h>

class QwtZOR;

// Y tick labels with as many decimals as the main channel's scale calls for.
class QwtZORScaleYDraw : public QwtScaleDraw
{
public:
    explicit QwtZORScaleYDraw(const QwtZOR *plot);
    QwtText label(double value) const override;

private:
    const QwtZOR *m_plot;
};

#endif // QWTZORSCALEYDRAW_H
