#ifndef SAVEMEAS_H
#define SAVEMEAS_H

#include "results/zorResultExport.h"

#include <QDialog>

#include <memory>

class QSaveFile;
class zorSlicedJob;
class zorSql;

namespace Ui {
class savemeas;
}

// Saves the series of the store's current device as a results file. The file is
// written under a temporary name and takes its own name only once complete, so a
// failed or cancelled export leaves an existing file as it was and no partial one.
class savemeas : public QDialog
{
    Q_OBJECT

public:
    // store must outlive the dialog.
    savemeas(QWidget *parent, const zorPointStore *store, zorSql *sql);
    ~savemeas() override;

private slots:
    void on_saveBtn_clicked();
    void on_closeBtn_clicked();

private:
    void finishSave(bool cancelled);
    void failed(const QString &reason);
    void endSave();

    Ui::savemeas *ui;
    const zorPointStore *store;
    QSaveFile *file = nullptr;
    std::unique_ptr<zorResultExport> job;
};

#endif // SAVEMEAS_H
