#include "plot/QwtZorQwtPlotPicker.h"

#include "plot/QwtZOR.h"

#include <qwt_picker_machine.h>

QwtZorQwtPlotPicker::QwtZorQwtPlotPicker(QwtZOR *plot)
    : QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand, QwtPicker::AlwaysOn,
                    plot->canvas())
    , m_plot(plot)
{
    setStateMachine(new QwtPickerTrackerMachine);
}

QwtText QwtZorQwtPlotPicker::trackerTextF(const QPointF &pos) const
{
    return QwtText(m_plot->getXText(pos.x()) + QStringLiteral(", ") + m_plot->getYText(pos.y()),
                   QwtText::PlainText);
}
