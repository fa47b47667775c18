#ifndef ZORDBNOTICE_H
#define ZORDBNOTICE_H

#include "db/zorSql.h"

#include <QObject>
#include <QSet>
#include <QString>

class QWidget;

// Tells the user that something they saved did not reach the database, with the
// database's reason and code. A failing database fails at every save alike, so each
// kind of failure (what failed, and the code) is told once per run; zorSql logs the
// failures. One notice per database object, shared by every dialog on it.
class zorDbNotice : public QObject
{
    Q_OBJECT

public:
    // The notice of sql, made on first use; null without a database.
    static zorDbNotice *of(zorSql *sql);

    // Tells of an error of sql's, unless this kind was told already or nothing failed.
    // what says what did not happen ("ИСХ не сохранена в базе данных").
    void tell(QWidget *parent, const QString &what, const zorSql::_error &error);

private:
    explicit zorDbNotice(zorSql *sql);

    QSet<QString> told;
};

#endif // ZORDBNOTICE_H
