#ifndef RECMEAS_H
#define RECMEAS_H

#include <QDialog>

class zorList;
class zorRecorder;

namespace Ui {
class recmeas;
}

// Edits the recording of one device: the file, its separators, decimals and period,
// and whether recording is on. The rows themselves are written by the recorder as the
// device's sweeps complete; closing the dialog leaves the recording running. The state
// line says whether the device is recording and whether its file is failing to take
// rows.
class recmeas : public QDialog
{
    Q_OBJECT

public:
    // list and recorder must outlive the dialog.
    recmeas(QWidget *parent, zorList *list, zorRecorder *recorder);
    ~recmeas() override;

    // Shows the recording of device index (registry index); while it has no file, a
    // file of the proposed name in the folder of the last file chosen stands in.
    void setZor(int index, const QString &proposedName);

private slots:
    void on_saveBtn_clicked(bool checked);
    void on_closeBtn_clicked();

private:
    void showState();

    Ui::recmeas *ui;
    zorList *list;
    zorRecorder *recorder;
    int index = -1;
};

#endif // RECMEAS_H
