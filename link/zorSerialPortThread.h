#ifndef ZORSERIALPORTTHREAD_H
#define ZORSERIALPORTTHREAD_H

#include "link/zorSerialPortDataItem.h"
#include "link/zorSerialPortQueryItem.h"
#include "link/zorStreamParser.h"

#include <QMutex>
#include <QSerialPort>
#include <QStringList>
#include <QThread>

#include <atomic>

class QTimer;
class zorLinkExchange;

// The worker of one instrument's serial port. It lives in its own thread with its own
// event loop (it is moved onto itself before it starts), owns the port, parses the
// reading and status stream the instrument sends on its own, and carries out one block
// exchange of each kind at a time when the link manager hands it a request. It is
// reached only through queued connections; the exceptions are rm(), which the manager
// calls directly to cut a running exchange short, and takeStreamed().
//
// The stream goes to the manager in batches: one queued call announces the tokens, and
// those parsed meanwhile join them until the manager takes them all. While it holds
// many untaken, the worker reads no more: the bytes wait in the port (its buffer is
// bounded between exchanges) and then in the line, so a manager that falls behind
// slows the stream down instead of growing a queue of calls it can never catch up with.
class zorSerialPortThread : public QThread
{
    Q_OBJECT
public:
    zorSerialPortThread(const QString &portName, int devIndex, int baudRate = 9600, char devType = 0,
                        quint8 sec = 15);
    ~zorSerialPortThread() override;

    // Registers the request records and the pointer type for queued connections.
    static void registerMetaTypes();

    // The port could not be opened (onError).
    static constexpr quint16 openFailed = 252;
    // The pause before every exchange and every retry, on top of the device's own delays:
    // a fixed part and a random spread, so that an instrument has settled after its last
    // message and retries of several ports do not fall in step (400 ms and up to 500 ms).
    // For every worker of the process; tests against simulated instruments shorten it.
    static void setSettleTime(int fixedMs, int spreadMs);

    int getDevIndex() const { return devIndex; }
    QString getPortName() const { return portName; }
    bool isAlive() const { return alive.load(); }
    // How many times the port has been opened again after the first time.
    int reconnectCount() const { return reconnects.load(); }
    // The tokens streamed since the last call, in order; any thread.
    QVector<zorStreamParser::_token> takeStreamed();

public slots:
    void sendQuery(int devIndex, zorSerialPortQueryItem query);
    void sendData(int devIndex, zorSerialPortDataItem data);
    void setDevType(int devIndex, char devType);
    void setMeasTimeout(int devIndex, quint8 sec);
    void setDelayTime(int devIndex, quint16 init = 2000, quint16 queue = 5000, quint16 attempt = 3000);
    // Safe to call from any thread: stops work at the next check and ends the event loop.
    void rm();

signals:
    // takeStreamed() has tokens; raised once until they are taken.
    void streamReady();
    void setProgress(int progress, int maxProgress, quint8 address);
    // A finished read. The array is new; the receiver releases it after delivery.
    void readyQuery(QByteArray *buf, quint8 address);
    void onSendQueryError(quint16 code, zorSerialPortQueryItem query);
    void onSendDataError(quint16 code, zorSerialPortDataItem data);
    void onError(quint16 code);
    void doneSend();
    void onMeasTimeout(bool isConnect);

protected:
    void run() override;

private slots:
    void readyRead();
    void sendNextQuery();
    void sendNextQueryRec();
    void sendNextQueryData();
    void sendNextQueryWord();
    void sendNextData();
    void sendNextDataSync();
    void sendNextDataWord();
    void onTimerReconnect();
    void onPortError(QSerialPort::SerialPortError error);

private:
    bool reConnect();
    // Closes the port if it is open. Opening and closing each leave a debug line, so
    // that a log tells exactly when the program held the port.
    void closePort();
    // Parses and hands over what the instrument streamed since the last look; unless
    // forced (before an exchange starts), not while many tokens are untaken.
    void takeStream(bool force = false);
    // Parses stream bytes, read between exchanges or by one, and announces the tokens.
    void parseStream(const QByteArray &bytes);
    void setExchanging(bool on);
    void failPort(QSerialPort::SerialPortError error);
    void stop();
    // The settle pause: its fixed part plus a uniform random share of its spread.
    static int settleDelay();
    void schedule(int ms, void (zorSerialPortThread::*slot)());
    void retryLater(quint8 attempt, void (zorSerialPortThread::*slot)());
    void startExchange(quint8 address, bool showPr);
    void finishQuery(quint8 code, const QByteArray &reply);
    void finishData(quint8 code, void (zorSerialPortThread::*retry)());
    // Emits readyQuery with a new copy of reply.
    void deliverReply(const QByteArray &reply, quint8 address);
    void giveUpQuery(quint8 code);
    void giveUpData(quint8 code);
    void clearQuery();
    void clearData();
    void startWatchdog();

    const QString portName;
    const int baudRate;
    const int devIndex;
    char devType;
    quint8 queryAttempt = 0;
    quint8 dataAttempt = 0;
    quint8 sec;
    quint16 init = 2000;
    quint16 queue = 5000;
    quint16 attempt = 3000;
    std::atomic<bool> alive{false};
    std::atomic<bool> removed{false};
    std::atomic<int> reconnects{-1};

    // The current requests; a kind has one only while its flag is set (the selector
    // 255 is also a real block, so it cannot mark "none").
    zorSerialPortQueryItem query;
    zorSerialPortDataItem data;
    bool hasQuery = false;
    bool hasData = false;

    // Owned by the worker thread, created and deleted in run().
    QSerialPort *port = nullptr;
    zorLinkExchange *exchange = nullptr;
    QTimer *watchdog = nullptr;

    zorStreamParser parser;
    bool exchanging = false;      // an exchange owns the port's bytes
    bool portFailed = false;      // a fatal port error has been reported

    QMutex streamLock;            // guards the three below
    QVector<zorStreamParser::_token> streamed;
    bool streamAnnounced = false; // streamReady() is on its way or being handled
    bool streamHeldBack = false;  // the port was left unread: read again once taken
};

#endif // ZORSERIALPORTTHREAD_H
