#ifndef ZORDEVERRORBOXES_H
#define ZORDEVERRORBOXES_H

#include <QHash>
#include <QMessageBox>
#include <QObject>
#include <QPointer>

// The message boxes of device errors: at most one per device at a time. A box does
// not block the window: readings, recording and the other devices carry on while it
// is open, and a later error of the same device replaces the text of its open box
// instead of stacking another one on top.
class zorDevErrorBoxes : public QObject
{
    Q_OBJECT

public:
    explicit zorDevErrorBoxes(QWidget *parent);

    // Codes below 200 are critical faults of the instrument, the others faults of its link.
    void show(int index, quint8 code, const QString &devName, const QString &devNumber, const QString &msg);
    // The open box of a device, or null.
    QMessageBox *box(int index) const { return boxes.value(index); }

private:
    QWidget *window;
    QHash<int, QPointer<QMessageBox>> boxes;
};

#endif // ZORDEVERRORBOXES_H
