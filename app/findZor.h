#ifndef FINDZOR_H
#define FINDZOR_H

#include "link/zorSerialPortQueryItem.h"
#include "registry/zorPortScan.h"

#include <QDialog>
#include <QSet>

namespace Ui {
class findZor;
}

class ZORSerialPort;
class zorList;
class zorSql;

// The discovery dialog: probes the free serial ports for instruments, lists those
// that answer and connects them to the program's registry. Instruments that answered
// but are not connected yet wait in a registry of the dialog's own. A scan ends as
// soon as its last probe does; every port that does not answer, and on closing every
// port of an instrument left unconnected, is released for other programs.
class findZor : public QDialog
{
    Q_OBJECT

public:
    // port, list and sql are not owned and must outlive the dialog.
    findZor(ZORSerialPort *port, zorList *list, zorSql *sql, QWidget *parent = nullptr);
    ~findZor() override;

    zorPortScan::probeOptions &probeOptions() { return probe; }

public slots:
    // Scans and shows the dialog. With autoConnect the instruments found are
    // connected without a further click; number (0: any) is the serial number of
    // the one instrument wanted, and the dialog closes once it is connected.
    void find(bool autoConnect, quint32 number);
    void find(bool autoConnect);
    void find();
    void runScan();

    void allQueryCopmlite();
    void queryDataReady(int devIndex, QByteArray *buf, quint8 address);
    void queryError(int devIndex, quint16 code, zorSerialPortQueryItem query);
    void devError(int devIndex, quint16 code);

private slots:
    void on_scanBtn_clicked();
    void on_connectBtn_clicked();
    void on_cancelBtn_clicked();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void listenToPort(bool on);
    void identityArrived(int devIndex, QByteArray *buf);
    void addRow(int privateIndex);
    bool connectFound(int privateIndex);
    void releaseProbe(int devIndex);
    void stepProgress();
    void releaseAll();
    int foundCount() const;

    Ui::findZor *ui;
    ZORSerialPort *port;
    zorList *list;
    zorSql *sql;
    zorList *found;           // owned: instruments that answered, not connected yet
    QSet<int> probing;        // link manager indices of this scan's unanswered probes
    bool autoConnect = false;
    quint32 number = 0;
    bool wantedFound = false;
    zorPortScan::probeOptions probe;
};

#endif // FINDZOR_H
