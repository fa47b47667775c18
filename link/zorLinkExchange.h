#ifndef ZORLINKEXCHANGE_H
#define ZORLINKEXCHANGE_H

#include <QByteArray>

#include <atomic>
#include <functional>

class QSerialPort;

// The binary exchanges with one instrument on an open port: a handshake that selects a
// memory block, then a block read, record read, word read, block write or word write.
// Data moves in 4-byte units (8-byte records) with echo and acknowledge bytes, so that
// a corrupted unit is repeated instead of spoiling the block.
//
// Everything runs in the port's worker thread and blocks it. Every wait is bounded and
// ends early once the worker's alive flag is cleared; the caller then abandons the
// request quietly, whatever code came back.
class zorLinkExchange
{
public:
    enum _code : quint8 {
        done = 0,
        noEcho = 10,          // the selector was not echoed in three tries
        noReadyMarker = 20,   // the ready marker did not come
        transferFailed = 30,  // a unit failed ten times, a word or record did not arrive, a word echo was wrong
        notOpen = 40          // the port is closed or the worker is stopping
    };

    // How text an exchange read joins the stream.
    enum _join : quint8 {
        continues,   // it follows what came before
        cutOff,      // the same; then the instrument stopped streaming to answer, so a
                     // token it left unfinished will not be completed
        afterNoise   // it came while a handshake failed and begins with the selector,
                     // which may be an echo that came twice (zorStreamParser::resync)
    };

    // Waits for one unit or record, and for each part of the start marker after the first.
    static constexpr int unitTimeout = 500;
    // How long the line stays quiet after an echo that followed stream text: the
    // instrument waits for the confirmation, while its stream may come in bursts (a USB
    // adapter passes on what it holds every 16 ms).
    static constexpr int echoQuiet = 50;

    zorLinkExchange(QSerialPort *port, const std::atomic<bool> &alive);

    void setInitTimeout(quint16 ms) { init = ms; }
    void setDevType(char type) { devType = type; }
    // Called after every unit or record moved, with the bytes done and the total.
    void setProgress(std::function<void(int, int)> progress) { onProgress = std::move(progress); }
    // Called with the instrument's stream text that an exchange read: text ahead of an
    // echo, and what came while the handshake failed or once the exchange was over.
    void setStream(std::function<void(const QByteArray &, _join)> stream) { onStream = std::move(stream); }

    quint8 initConnect(quint8 address);
    quint8 initConnectSync(quint8 address);
    quint8 initConnectWord(quint8 address) { return initConnect(address); }

    quint8 readBlock(quint8 address, quint16 size, QByteArray &reply);
    quint8 readRecords(quint8 address, quint16 size, QByteArray &reply);
    quint8 readWord(quint8 address, QByteArray &reply);
    quint8 writeBlock(quint8 address, const QByteArray &data);
    quint8 writeWord(quint8 address, const QByteArray &data);

    // Reads up to n bytes once n are available, the limit (counted in 5 ms steps) is
    // over or the worker stops; returns the number read.
    int readByteWait(char *buf, int n, int timeout);

    // Lets every byte written so far leave, then drops everything received.
    void clearPort();

private:
    bool isAlive() const { return alive.load(); }
    // Waits until the bytes handed to the driver have left the port, where the
    // system offers that wait.
    void drainOutput();
    // Hands what is still buffered for writing to the driver and waits until it is written.
    void sendPending();
    // Lets every byte written so far leave, then hands what was received to the stream.
    void passStream();
    void write(const char *data, int size);
    void writeByte(char byte) { write(&byte, 1); }
    void waitWritten();
    void waitIncoming(int timeout);
    bool waitAcknowledge();
    bool awaitEcho(quint8 address);
    void stream(const QByteArray &bytes, bool cut);
    quint8 startTransfer(quint8 address);
    quint8 finish(quint8 result);
    void progress(int done, int total);

    QSerialPort *port;
    const std::atomic<bool> &alive;
    quint16 init = 2000;
    char devType = 0;
    std::function<void(int, int)> onProgress;
    std::function<void(const QByteArray &, _join)> onStream;
    quint8 selector = 0;   // of a handshake whose echo may still come, else 0
};

#endif // ZORLINKEXCHANGE_H
