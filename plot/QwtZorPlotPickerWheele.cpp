#include "plot/QwtZorPlotPickerWheele.h"

#include <QWheelEvent>

QwtZorPlotPickerWheele::QwtZorPlotPickerWheele(QWidget *canvas)
    : QwtPlotPicker(canvas)
{
}

void QwtZorPlotPickerWheele::widgetWheelEvent(QWheelEvent *event)
{
    // A sideways scroll (a touchpad swipe) is no scale step.
    const int delta = event->angleDelta().y();
    if (delta != 0)
        emit zoomed(delta < 0);
}
