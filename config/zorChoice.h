#ifndef ZORCHOICE_H
#define ZORCHOICE_H

#include <QMap>
#include <QPair>
#include <QString>
#include <QVector>

class QActionGroup;
class QComboBox;
class QMenu;
class QObject;

// Lists of choices (a value and its text) as the settings dialog and the popup menus
// offer them: menus of checkable entries and combo boxes, each entry carrying its value
// as data.
class zorChoice
{
public:
    using _list = QVector<QPair<int, QString>>;

    template <typename K>
    static _list of(const QMap<K, QString> &names)
    {
        _list list;
        for (auto it = names.cbegin(); it != names.cend(); ++it)
            list.append({int(it.key()), it.value()});
        return list;
    }
    // "off" (value 0), then the resistance thermometers by their 1-based numbers: the
    // choices of a thermocouple's cold-junction compensation.
    static _list compensList(const QString &off);

    // Checkable entries of which at most one is checked.
    static void fill(QMenu *menu, const _list &list);
    static QActionGroup *exclusive(QObject *parent);
    static void fill(QComboBox *box, const _list &list);
    // Checks the entry of value and unchecks the others; a value of no entry checks none.
    static void check(QMenu *menu, int value);
    // Selects the entry of value without raising the box's signals; -1 when none has it.
    static int select(QComboBox *box, int value);
    // Enables or disables one entry of a box.
    static void enable(QComboBox *box, int row, bool enabled);
};

#endif // ZORCHOICE_H
