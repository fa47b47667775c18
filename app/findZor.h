#ifndef FINDZOR_H
#define FINDZOR_H

#include "registry/zorPortScan.h"

#include <QDialog>

namespace Ui {
class findZor;
}

class ZORSerialPort;
class optionsZOR70;
class zorList;
class zorSql;

// The discovery dialog: a view over a scan of every free serial port. Each instrument
// that answers is listed and handed to the program's registry, which connects it, or
// gives it back its old record when it was lost. Instruments that the dialog does not
// connect at once (another serial number is wanted) wait in a registry of the dialog's
// own until the user selects them and presses "Подключиться". The scan ends as soon
// as its last probe does; every port that does not answer, and on closing every port
// of an instrument left waiting, is released for other programs.
class findZor : public QDialog
{
    Q_OBJECT

public:
    // port and list are not owned and must outlive the dialog.
    findZor(ZORSerialPort *port, zorList *list, zorSql *sql, QWidget *parent = nullptr);
    ~findZor() override;

    zorPortScan::probeOptions &probeOptions() { return scan->options(); }

public slots:
    // Scans and shows the dialog. With autoConnect the instruments waiting at the end
    // are connected without a further click; number (0: any) is the serial number of
    // the one instrument wanted, and the dialog closes once it is connected.
    void find(bool autoConnect, quint32 number);
    void find(bool autoConnect);
    void find();
    void runScan();
    void allQueryCopmlite();

private slots:
    void on_scanBtn_clicked();
    void on_connectBtn_clicked();
    void on_cancelBtn_clicked();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void instrumentFound(int devIndex, const optionsZOR70 *identity, const QVector<zorList::_reading> &streamed);
    void addRow(const QString &portName, const optionsZOR70 &identity, int privateIndex);
    bool connectWaiting(int privateIndex);
    void stepProgress(int ended, int started);
    void releaseAll();

    Ui::findZor *ui;
    ZORSerialPort *port;
    zorList *list;
    zorPortScan *scan;        // owned
    zorList *waiting;         // owned: instruments that answered, not connected yet
    bool autoConnect = false;
    quint32 number = 0;
    bool wantedFound = false;
};

#endif // FINDZOR_H
