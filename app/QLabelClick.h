#ifndef QLABELCLICK_H
#define QLABELCLICK_H

#include "plot/QwtLabelClick.h"

// A label of the main window that reports a press of any mouse button through
// clicked(): the big displays and the picture in the channel table's header.
class QLabelClick : public QwtLabelClick
{
    Q_OBJECT

public:
    explicit QLabelClick(QWidget *parent = nullptr);
    QLabelClick(const QString &text, QWidget *parent);
};

#endif // QLABELCLICK_H
