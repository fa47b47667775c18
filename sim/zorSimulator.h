#ifndef ZORSIMULATOR_H
#define ZORSIMULATOR_H

#include "sim/zorSimLine.h"
#include "sim/zorSimMemory.h"
#include "sim/zorSimStream.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QVector>

#include <atomic>
#include <thread>

// A simulated instrument on a pseudo-terminal, served by its own thread. The program
// opens portName() like a serial port. While idle the instrument sends readings of its
// switched-on channels and a status line after each sweep; a selector byte from the
// program opens one of the block exchanges, answered from the instrument's memory.
//
// Faults can be injected for the next exchanges or tokens, and everything the program
// sent, every exchange and every block written is logged for tests to check. All
// public functions may be called from any thread.
class zorSimulator : public QObject
{
    Q_OBJECT
public:
    enum _fault {
        noEcho,          // the selector is not echoed
        noReadyMarker,   // the ready marker is not sent
        badReadyMarker,  // line noise instead of the ready marker
        corruptUnit,     // a block read unit goes out corrupted (the echo then mismatches)
        withholdAck,     // a correctly echoed unit gets no acknowledge and is sent again
        wrongEcho,       // a written unit (or word) is echoed wrongly
        noData,          // a record or word read sends nothing after its handshake
        errorReading,    // a reading is the error marker with the fault's code
        statusError,     // a status line reports the fault's code
        dropLine,        // the line closes after the fault's code of units of a block exchange
        lineNoise,       // stray bytes go just before a status line, joining its token
        streamAhead      // the fault's code of stream bytes were on their way when the selector
                         // came: they go ahead of its echo, the stream breaking off there
    };

    enum _eventType {
        selectorEchoed,   // data: the exchange kind as a number
        selectorIgnored,
        readDone,         // data: the bytes sent
        blockWritten,     // address: write address, data: the bytes stored
        wordWritten,
        exchangeFailed,   // data: why
        unitRepeated,     // data: the unit's index as text
        tokenSent,        // data: the token
        lineDropped
    };

    struct _event
    {
        qint64 us;        // steady clock, microseconds
        _eventType type;
        quint8 address;
        QByteArray data;
    };

    struct _options
    {
        zorSimMemory::_variant type = zorSimMemory::basic;
        quint32 serialNumber = 1;
        QString name = QStringLiteral("ЗОР 4.70");
        int channels = 8;
        int period = 500;       // ms between two stream tokens; 0: no stream
        bool throttle = false;  // pace bytes as a 9600-baud line
        bool bath = false;      // readings of a bath moving between set points (zorSimBath)
        // A whole sweep (its readings and the status line) goes out in one write,
        // period is then the least time between two sweeps, and a sweep waits while
        // the program has not read the earlier ones: a long run at full speed costs
        // one write per sweep instead of one per token, and never overfills the line.
        bool sweepPerWrite = false;
    };

    explicit zorSimulator(QObject *parent = nullptr);
    explicit zorSimulator(const _options &settings, QObject *parent = nullptr);
    ~zorSimulator() override;

    // Opens the pseudo-terminal, lists it in the port catalogue and starts serving it.
    bool start();
    void stop();
    bool isRunning() const { return worker.joinable(); }
    QString portName() const { return path; }

    // count < 0: until clearFaults().
    void injectFault(_fault kind, int count = 1, int code = 0);
    void clearFaults();
    // Closes the line at once: the program sees its port vanish.
    void closeLine();
    void setThrottle(bool on) { line.setThrottle(on); }
    void setPeriod(int ms) { period = ms; }
    void setThermostat(bool on) { thermostat = on; }
    // Announced once in the next status line, as if changed on the instrument's keyboard.
    void raiseChangeFlags(quint8 flags);

    QByteArray block(quint8 selector) const;
    void setBlock(quint8 selector, const QByteArray &bytes);
    void setRecords(quint8 selector, const QByteArray &records);
    void setWord(quint8 selector, const QByteArray &word);
    void addWordTarget(quint8 selector);
    QByteArray writtenWord(quint8 selector) const;
    QByteArray clock() const;

    QByteArray received() const;
    QVector<_event> log() const;
    QVector<_event> log(_eventType type) const;
    void clearLog();
    // The log so far, emptied at once: a long run reads it piece by piece without
    // losing what comes between reading and clearing.
    QVector<_event> takeLog();

    static bool faultFromName(const QString &name, _fault *kind);

private:
    void run();
    bool take(char *bytes, int n, int timeoutMs);
    bool interrupted() const { return stopping.load() || dropRequested.load(); }
    void dropIfRequested();
    bool send(const QByteArray &bytes) { return line.send(bytes); }
    bool takeFault(_fault kind, int *code = nullptr);
    bool dropDue(int unit);
    void record(_eventType type, quint8 address, const QByteArray &data = QByteArray());
    void serve(char first);
    bool readyMarker(quint8 address);
    void serveBlockRead(quint8 address);
    void serveRecordRead(quint8 address);
    void serveWordRead(quint8 address);
    void serveBlockWrite(quint8 address);
    void serveWordWrite(quint8 address);
    // False when the sweep waits for the program to read the earlier ones.
    bool sendToken();
    void sendAhead(int bytes);
    // Writes down the tokens sent whole and forgets the change flags they announced.
    void tokensSent(const QVector<QByteArray> &tokens, quint8 flags);
    // The next token of the sweep; flags: the change flags the status line announced.
    QByteArray nextToken(const QVector<zorSimMemory::_channel> &channels, double seconds, quint8 &flags);
    QByteArray readingToken(const zorSimMemory::_channel &ch, double seconds);
    void fail(quint8 address, const char *why) { record(exchangeFailed, address, why); }

    struct _pendingFault
    {
        int count;
        int code;
    };

    const _options settings;
    zorSimLine line;
    zorSimStream stream;
    QString path;
    std::thread worker;
    std::atomic<bool> stopping{false};
    std::atomic<bool> dropRequested{false};
    std::atomic<int> period;
    std::atomic<bool> thermostat{false};
    qint64 startNs = 0;
    int sweep = 0;   // next active channel of the sweep; past the last one: the status line

    mutable QMutex lock;   // guards everything below
    zorSimMemory memory;
    QHash<int, _pendingFault> faults;
    quint8 changeFlags = 0;
    QByteArray receivedBytes;
    QVector<_event> events;
};

#endif // ZORSIMULATOR_H
