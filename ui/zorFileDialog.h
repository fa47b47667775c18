#ifndef ZORFILEDIALOG_H
#define ZORFILEDIALOG_H

#include "db/zorPropertyKeys.h"

#include <QFileDialog>

class zorSql;

// A file dialog that remembers its folder: it opens in the folder of the last file
// chosen, kept in an application property of the database so that the next run starts
// there too. While no folder is stored, or the one stored is gone, it opens in the home
// folder. One dialog serves every file a window asks for.
class zorFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    explicit zorFileDialog(QWidget *parent = nullptr);

    // From now on the folder is kept in the database under key (a declared folder key,
    // which outlives the dialog); without a database (or before this), for the dialog's
    // lifetime only.
    void rememberIn(zorSql *sql, const zorPropertyKey<QString> &key);

    // Asks for a file that exists (AcceptOpen) or for any name to save under (AcceptSave),
    // under the title, offering the filter's types and proposing a name (a bare name
    // lands in the folder); suffix is added to a name typed without one. The path
    // chosen, or an empty one when the user cancels.
    QString choose(AcceptMode mode, const QString &title, const QString &filter, const QString &suffix,
                   const QString &proposed);

    // The folder the dialog opens in next.
    QString folder() const;

private:
    zorSql *sql = nullptr;
    const zorPropertyKey<QString> *key = nullptr;
    QString last; // the folder of the last file chosen in this dialog
};

#endif // ZORFILEDIALOG_H
