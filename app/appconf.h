#ifndef APPCONF_H
#define APPCONF_H

#include <QDialog>

namespace Ui {
class appconf;
}

class zorSql;

// The About dialog: the program's version, build number and build date, what the
// program does and the licences it is used under.
class appconf : public QDialog
{
    Q_OBJECT

public:
    // sql is kept for the dialog's later pages; it is not owned.
    explicit appconf(zorSql *sql, QWidget *parent = nullptr);
    ~appconf() override;

    // The build number is shown with three digits (1 as "001").
    void setBuild(const QString &version, int buildNumber, const QString &buildDate);

private slots:
    void on_pushButton_clicked();

private:
    Ui::appconf *ui;
    zorSql *sql;
};

#endif // APPCONF_H
