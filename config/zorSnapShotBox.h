#ifndef ZORSNAPSHOTBOX_H
#define ZORSNAPSHOTBOX_H

#include "config/zorStoredEntryBox.h"
#include "registry/zorList.h"

#include <QCoreApplication>
#include <QString>

class QWidget;
class zorSql;

namespace Ui {
class devConfUI;
}

// The settings snapshot box of the settings dialog, on the widgets of the dialog's form:
// whether the settings now in the image are stored as a snapshot and whether they were
// changed since, the snapshot's description, saving, saving as new and deleting, the
// text search over every snapshot and loading one into the image. Every call names the
// dialog's open record.
class zorSnapShotBox
{
    Q_DECLARE_TR_FUNCTIONS(zorSnapShotBox)

public:
    // A search lists at most this many snapshots, the newest, and says how many matched.
    static constexpr int listLimit = 300;

    // dialog parents the message boxes.
    zorSnapShotBox(Ui::devConfUI *ui, zorSql *sql, QWidget *dialog);

    // The box for the record's current settings: found, not found or changed.
    void rebuild(zorList::_zor *zor);
    void search(zorList::_zor *zor, const QString &text);
    // Loads the snapshot of the box's entry into the record's image; the instrument gets
    // it with the next apply. Entries without a snapshot do nothing.
    void load(zorList::_zor *zor, int row);
    // Overwrites the current snapshot, or stores the settings as a new one.
    void save(zorList::_zor *zor);
    void add(zorList::_zor *zor);
    // Deletes the current snapshot unless it is a factory one.
    void remove(zorList::_zor *zor);

private:
    // Stores the settings as snapshot id (0: a new one, or the one with the same bytes)
    // and tells the user when the database did not take them.
    void store(zorList::_zor *zor, int id);

    Ui::devConfUI *ui;
    zorSql *sql;
    QWidget *dialog;
    zorStoredEntryBox box;
};

#endif // ZORSNAPSHOTBOX_H
