#ifndef CONFCHMENU_H
#define CONFCHMENU_H

#include "config/zorChFields.h"

#include <QByteArray>
#include <QMenu>

class QComboBox;
class featconfui;
class optionsZOR70;
class zorList;
class zorModeMenu;
class zorSql;

// The popup menu of one channel in the main window's channel table: its mode and
// sensor, unit, reference resistor, measuring current, rounding, cold-junction
// compensation and characteristic slot. Built once and reused. Edits go into the
// instrument's settings image at once; when the menu closes after a change, the
// channel block is sent to the instrument, and a characteristic edited from here as
// soon as the editor accepts it.
class confChMenu : public QMenu
{
    Q_OBJECT

public:
    // Neither is owned; both must outlive the menu. The database serves the
    // characteristic editor.
    confChMenu(zorList *list, zorSql *sql, QWidget *parent = nullptr);

    // Takes the channel of the instrument under a registry index, refreshes and pops up
    // at the point; nothing for an index the registry does not hold.
    void show(int index, const QPoint &at, quint8 ch);
    int deviceIndex() const { return index; }
    quint8 channel() const { return ch; }

public slots:
    // Refreshes when the change concerns the channel shown.
    void onChChange(int index, quint8 ch);

private:
    optionsZOR70 *image() const;
    // A box of a field's choices, whose choice goes into the image.
    QComboBox *addCombo(zorChFields::_field field, const char *name);
    void buildFeatMenu();
    void refresh();
    void refreshCurrent(const optionsZOR70 &options);
    void refreshFeatMenu(const optionsZOR70 &options);
    void currentChosen(int row);
    void commitManualCurrent();
    void sendIfChanged();

    zorList *list;
    int index = -1;
    quint8 ch = 0;
    QByteArray shown; // the channel block when the menu opened

    QAction *titleAction;
    zorModeMenu *modeMenu;
    QComboBox *dimCB;
    QComboBox *refCB;
    QComboBox *currentCB;
    QComboBox *roundCB;
    QMenu *compensMenu;
    QMenu *featMenu;
    QAction *editFeatAction = nullptr;
    featconfui *featEditor;
};

#endif // CONFCHMENU_H
