#ifndef QWTLABELCLICK_H
#define QWTLABELCLICK_H

#include <QLabel>

// A label of the plot's info panels that reports a press of any mouse button.
class QwtLabelClick : public QLabel
{
    Q_OBJECT

public:
    QwtLabelClick(const QString &text, QWidget *parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#endif // QWTLABELCLICK_H
