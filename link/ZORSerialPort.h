#ifndef ZORSERIALPORT_H
#define ZORSERIALPORT_H

#include "link/zorPortCatalog.h"
#include "link/zorSerialPortDataItem.h"
#include "link/zorSerialPortQueryItem.h"

#include <QHash>
#include <QObject>
#include <QQueue>
#include <QSet>
#include <QStringList>
#include <QVector>

class QEventLoop;
class zorSerialPortThread;

// The one object through which the application talks to its instruments. It lives in
// the GUI thread, owns one worker per connected port, keeps a read and a write queue
// per device and hands the worker one request of each kind at a time (writes first),
// and re-emits everything that comes back with the device index attached.
//
// Replies are handed out by pointer and by value; the pointer is valid only while the
// signal is being delivered (the manager releases it afterwards, also for replies held
// back while the device was blocked, or dropped with a removed device).
class ZORSerialPort : public QObject
{
    Q_OBJECT
public:
    struct devDataReply
    {
        quint8 address;
        QByteArray *buf;
    };

    static constexpr int maxDevices = 255;

    explicit ZORSerialPort(QObject *parent = nullptr);
    ~ZORSerialPort() override;

    // Opens a port listed by the port catalogue (or a character device given by its
    // absolute path) in a new worker. Returns the device index, or -1 when the port is
    // unknown, busy, already used here, or 255 devices exist. Whether the port really
    // opens is reported later (onDevError 252, and the device disappears).
    int addDev(const QString &portName, char devType = 0, int baudRate = 9600, quint8 sec = 15);
    // The same for a port just listed by zorPortCatalog::ports(), taken as the listing
    // found it: the system's ports are not listed again on the calling thread.
    int addDev(const zorPortCatalog::_port &listed, char devType = 0, int baudRate = 9600, quint8 sec = 15);
    // Stops a device and discards its queues. Waits at most 5 s for a running worker,
    // until it finishes; returns at once when the worker has ended already.
    void rmDev(int devIndex);
    QString getPortName(int devIndex) const;
    // The device file the port of devIndex stands for (zorPortCatalog::systemLocation),
    // as found when it was added.
    QString getLocation(int devIndex) const { return locations.value(devIndex); }
    QList<int> getDevIndexList() const;
    bool isEmptyQueryQueue(int devIndex) const;
    bool isSendAllData() const;
    // Whether the device has writes queued or running.
    bool hasDevData(int devIndex) const;
    bool isReadAllQuery() const;
    // The delays (ms) of the device's worker: init for the handshake, queue before the
    // next queued request, attempt before a request is tried again.
    void setDelayTime(int devIndex, quint16 init, quint16 queue, quint16 attempt);

public slots:
    void sendDevQuery(int devIndex, quint8 address, quint16 size, bool showPr = false, zorQueryMode qMode = 0);
    void sendDevQuery(int devIndex, zorSerialPortQueryItem query);
    void sendRecQuery(int devIndex, quint8 address, quint16 size, bool showPr = false, zorQueryMode qMode = 0);
    void sendRecQuery(int devIndex, zorSerialPortQueryItem query);
    void sendWordQuery(int devIndex, quint8 address, bool showPr = false, zorQueryMode qMode = 0);
    void sendWordQuery(int devIndex, zorSerialPortQueryItem query);
    void sendDevData(int devIndex, QByteArray *buf, quint8 address, bool showPr = false, zorQueryMode qMode = 0);
    void sendDevData(int devIndex, QByteArray buf, quint8 address, bool showPr = false, zorQueryMode qMode = 0);
    void sendDevData(int devIndex, zorSerialPortDataItem data);
    void sendDevWord(int devIndex, QByteArray *buf, quint8 address, bool showPr = false, zorQueryMode qMode = 0);
    void sendDevWord(int devIndex, QByteArray buf, quint8 address, bool showPr = false, zorQueryMode qMode = 0);
    void sendDevWord(int devIndex, zorSerialPortDataItem data);
    void blockEventDev(int devIndex, bool b);
    void blockEventAll(bool b);

signals:
    void readyDevSource(int devIndex, QByteArray buf);
    void readyDevMeas(int devIndex, double meas, quint8 ch, char dim);
    void readyDevStatus(int devIndex, QStringList lStr);
    void readyDevReply(int devIndex, QByteArray *buf, quint8 address);
    void readyDevReply(int devIndex, QByteArray buf, quint8 address);
    void resultDevQuery(int devIndex, bool ok);
    void allDevQueryComplite();
    void resultDevData(int devIndex, bool ok);
    void allDevDataSend();
    void setProgress(int devIndex, int progress, int maxProgress, quint8 address);
    void setProgress(int progress, int maxProgress);
    void onDevError(int devIndex);
    void onDevError(int devIndex, quint16 code);
    void onDevError(int devIndex, quint16 code, QString msg);
    void onDevQueryError(int devIndex, quint16 code, zorSerialPortQueryItem query);
    void onDevDataError(int devIndex, quint16 code, zorSerialPortDataItem data);
    void doneSend(int devIndex);
    void doneSendDevData(int devIndex, zorSerialPortDataItem data);
    void onMeasTimeOut(int devIndex, bool isConnect);
    // The device has requests waiting (true) or none left (false). Its stream is
    // parsed between the exchanges all the same.
    void blockStatusEvent(int devIndex, bool b);

    // To the workers; each worker acts only on its own index.
    void readyDevQuery(int devIndex, zorSerialPortQueryItem query);
    void readyDevData(int devIndex, zorSerialPortDataItem data);
    void onSetDevType(int devIndex, char devType);
    void onSetMeasTimeout(int devIndex, quint8 sec);
    void onSetDelayTime(int devIndex, quint16 init = 2000, quint16 queue = 5000, quint16 attempt = 3000);

private slots:
    void readDevStream();
    void readDevReply(QByteArray *buf, quint8 address);
    void purgeDevSerialPortThread();
    void setDevProgress(int progress, int maxProgress, quint8 address);
    void onError(quint16 code);
    void onSendQueryError(quint16 code, zorSerialPortQueryItem query);
    void onSendDataError(quint16 code, zorSerialPortDataItem data);
    void emitErrorEvent(int devIndex, quint16 code);
    void doneDevSend();
    void devMeasTimeout(bool isConnect);

private:
    void connectWorker(zorSerialPortThread *worker);
    int senderIndex() const;
    bool isHeld(const QString &location) const;
    int open(const QString &portName, const QString &location, char devType, int baudRate, quint8 sec);
    bool isBlocked(int devIndex) const { return blocked.contains(devIndex); }
    void continueAfterWrites(int devIndex);
    void continueQueues(int devIndex);
    // Hand the head of the device's read (write) queue to its worker, unless the worker
    // holds it already.
    void handQuery(int devIndex);
    void handData(int devIndex);
    void onExchangeProg();

    QHash<int, zorSerialPortThread *> workers;
    QHash<int, QString> locations;   // device file of each worker's port
    QHash<int, QQueue<zorSerialPortQueryItem>> queryQueues;
    QHash<int, QQueue<zorSerialPortDataItem>> dataQueues;
    QHash<int, QQueue<devDataReply>> heldReplies;
    // Devices whose worker holds the head of their read (write) queue, unanswered. A
    // request is handed over once: a worker given it again after it had carried it out
    // would do so twice, and its second answer would be taken for the next request's.
    QSet<int> queryHandedOver;
    QSet<int> dataHandedOver;
    QVector<int> blocked;
    QHash<int, QEventLoop *> removalWaits;
    QHash<int, QString> errorTexts;
    int maxProgress = 0;
};

#endif // ZORSERIALPORT_H
