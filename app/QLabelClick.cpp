#include "app/QLabelClick.h"

QLabelClick::QLabelClick(QWidget *parent)
    : QwtLabelClick(QString(), parent)
{
}

QLabelClick::QLabelClick(const QString &text, QWidget *parent)
    : QwtLabelClick(text, parent)
{
}
