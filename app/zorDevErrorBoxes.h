#ifndef ZORDEVERRORBOXES_H
#define ZORDEVERRORBOXES_H

#include <QHash>
#include <QMessageBox>
#include <QObject>
#include <QPointer>

// The message boxes of device errors: at most one per device at a time. A box does
// not block the window: readings, recording and the other devices carry on while it
// is open, and a later error of the same device goes into its open box instead of
// stacking another one on top: the box keeps the most severe of the errors not yet
// closed by the user (of equals the newest) and counts the others, so that a warning
// never hides a critical fault that has not been read.
class zorDevErrorBoxes : public QObject
{
    Q_OBJECT

public:
    explicit zorDevErrorBoxes(QWidget *parent);

    // Codes below 200 are critical faults of the instrument, the others faults of its link.
    void show(int index, quint8 code, const QString &devName, const QString &devNumber, const QString &msg);
    // The open box of a device, or null.
    QMessageBox *box(int index) const { return boxes.value(index).box; }

private:
    struct _shown
    {
        QPointer<QMessageBox> box;
        bool critical = false;   // of the error shown
        QString text;            // of the error shown
        int others = 0;          // errors of the box not shown
    };

    QWidget *window;
    QHash<int, _shown> boxes;
};

#endif // ZORDEVERRORBOXES_H
