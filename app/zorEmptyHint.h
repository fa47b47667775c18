#ifndef ZOREMPTYHINT_H
#define ZOREMPTYHINT_H

#include <QObject>

class QLabel;
class QTableWidget;
class zorList;

// What to do first, written over an empty table while no instrument is connected:
// connect one and search, or try the demo instrument. It goes when the registry gets
// a device and comes back when the last one goes.
class zorEmptyHint : public QObject
{
    Q_OBJECT

public:
    zorEmptyHint(QTableWidget *table, const zorList *list);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();
    void place();

    QTableWidget *table;
    const zorList *list;
    QLabel *label;
};

#endif // ZOREMPTYHINT_H
