#include "plot/QwtLabelClick.h"

QwtLabelClick::QwtLabelClick(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
}

void QwtLabelClick::mousePressEvent(QMouseEvent *)
{
    emit clicked();
}
