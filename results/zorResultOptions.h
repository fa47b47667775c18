#ifndef ZORRESULTOPTIONS_H
#define ZORRESULTOPTIONS_H

#include "db/zorPropertyKeys.h"
#include "results/zorResultLayout.h"

#include <QWidget>

class zorFileDialog;
class zorSql;

namespace Ui {
class zorResultOptions;
}

// The choices of a results file, shared by the export and the recording dialogs:
// decimals, field and decimal separators, the period between rows and the file name,
// with a file dialog that remembers its folder in an application property.
class zorResultOptions : public QWidget
{
    Q_OBJECT

public:
    explicit zorResultOptions(QWidget *parent = nullptr);
    ~zorResultOptions() override;

    // The file dialog starts in the folder stored under key (the home folder while
    // there is none) and stores the folder of every file chosen there.
    void setFolderProperty(zorSql *sql, const zorPropertyKey<QString> &key);

    QString fileName() const;
    // The file name in the folder the file dialog starts in.
    QString inFolder(const QString &name) const;
    QString fieldSep() const;
    QString pointSep() const;
    int round() const;
    int period() const;
    zorResultLayout layout() const;
    // Shows saved choices; an unknown separator leaves its box as it is.
    void setChoices(const QString &file, const QString &fieldSep, const QString &pointSep, int round, int period);

private slots:
    void on_selectFileBtn_clicked();
    void on_deFieldCB_currentIndexChanged(int index);

private:
    Ui::zorResultOptions *ui;
    zorFileDialog *fileDialog;
};

#endif // ZORRESULTOPTIONS_H
