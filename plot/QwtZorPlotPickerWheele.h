#ifndef QWTZORPLOTPICKERWHEELE_H
#define QWTZORPLOTPICKERWHEELE_H

#include <qwt_plot_picker.h>

// Turns the mouse wheel over the canvas into scale steps: turning towards the
// user asks for coarser scales (zoomIN true), away from the user for finer ones.
class QwtZorPlotPickerWheele : public QwtPlotPicker
{
    Q_OBJECT

public:
    explicit QwtZorPlotPickerWheele(QWidget *canvas);

signals:
    void zoomed(bool zoomIN);

protected:
    void widgetWheelEvent(QWheelEvent *event) override;
};

#endif // QWTZORPLOTPICKERWHEELE_H
