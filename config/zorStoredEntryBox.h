#ifndef ZORSTOREDENTRYBOX_H
#define ZORSTOREDENTRYBOX_H

#include "db/zorSql.h"

#include <QCoreApplication>
#include <QVector>

#include <functional>

class QAbstractButton;
class QComboBox;
class QLabel;
class QPlainTextEdit;

// The database box of a dialog that stores what it edits (settings snapshots,
// characteristics): the list of stored entries with the text search over them, the
// description, the "changed" mark and the save and delete buttons. It shows; what is
// stored and how stays with the dialog. The description's text is the dialog's too.
class zorStoredEntryBox
{
    Q_DECLARE_TR_FUNCTIONS(zorStoredEntryBox)

public:
    // A search starts at this many typed characters.
    static constexpr int searchFrom = 3;

    // The widgets of the dialog's form; none is owned.
    zorStoredEntryBox(QComboBox *list, QPlainTextEdit *info, QLabel *changedMark, QAbstractButton *save,
                      QAbstractButton *remove);

    // No stored entry holds the data: "Новая настройка", nothing to save or delete.
    void showNew();
    // The entry the data came from; changed: the data differ from its bytes. A fixed
    // (factory) entry is neither overwritten nor deleted.
    void showStored(const zorSql::zorSqlItem &entry, bool changed, bool fixed);
    // Lists what find returns for a text long enough, under the count of matches (find
    // sets total; above the entries returned, the list says it shows the newest).
    void search(const QString &text, const std::function<QVector<zorSql::zorSqlItem>(int *total)> &find);

private:
    QComboBox *list;
    QPlainTextEdit *info;
    QLabel *changedMark;
    QAbstractButton *save;
    QAbstractButton *remove;
};

#endif // ZORSTOREDENTRYBOX_H
