#ifndef CONFMENU_H
#define CONFMENU_H

#include "config/zorDevFields.h"

#include <QMenu>

class QAction;
class QComboBox;
class QLineEdit;
class ZORSerialPort;
class zorList;

// The popup menu of one instrument in the main window's device table: its port and
// number, its device settings in combo boxes, and the commands on the instrument as a
// whole. Built once and reused for whichever instrument it is shown for. Edits go into
// the instrument's settings image; "Применить настройки" sends them.
class confMenu : public QMenu
{
    Q_OBJECT

public:
    // Neither is owned; both must outlive the menu.
    confMenu(zorList *list, ZORSerialPort *port, QWidget *parent = nullptr);

    // Takes the instrument under a registry index, refreshes and pops up at the point;
    // nothing for an index the registry does not hold.
    void show(int index, const QPoint &at);
    int deviceIndex() const { return index; }

public slots:
    // Refreshes for the instrument shown.
    void onDevChange(int index);
    void onSNChange(int index);
    void onNameChange(int index);

signals:
    // The whole settings dialog is asked for the instrument.
    void neadShowSetup(int index);

private:
    QComboBox *addField(zorDevFields::_field field, const char *name);
    QAction *addCommand(const QString &text, const char *name, const QString &icon);
    void refresh();
    void connectOrDisconnect();

    zorList *list;
    ZORSerialPort *port;
    int index = -1;

    QAction *titleAction;
    QLineEdit *portEdit;
    QLineEdit *numEdit;
    QComboBox *fields[zorDevFields::speaker + 1] = {};
    QAction *startAction = nullptr;
};

#endif // CONFMENU_H
