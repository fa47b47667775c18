#ifndef QWTZORQWTPLOTPICKER_H
#define QWTZORQWTPLOTPICKER_H

#include <qwt_plot_picker.h>

class QwtZOR;

// The tracker that follows the mouse over the canvas and names the position in
// the plot's own terms: the time as the X axis shows it, the value with one
// decimal more than the Y axis.
class QwtZorQwtPlotPicker : public QwtPlotPicker
{
    Q_OBJECT

public:
    explicit QwtZorQwtPlotPicker(QwtZOR *plot);

protected:
    QwtText trackerTextF(const QPointF &pos) const override;

private:
    const QwtZOR *m_plot;
};

#endif // QWTZORQWTPLOTPICKER_H
