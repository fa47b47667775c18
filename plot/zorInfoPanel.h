#ifndef ZORINFOPANEL_H
#define ZORINFOPANEL_H

#include <QFrame>
#include <QVector>

class QwtLabelClick;

// A small framed table of captions and values floating over the plot. Every value
// is a clickable label; an empty caption makes an empty separating row.
class zorInfoPanel : public QFrame
{
    Q_OBJECT

public:
    zorInfoPanel(const QStringList &captions, QWidget *parent);

    // Rows are counted with the separators.
    void setValue(int row, const QString &text);
    // Forget which value was copied last.
    void resetStyles();

private:
    QVector<QwtLabelClick *> m_values;
};

#endif // ZORINFOPANEL_H
