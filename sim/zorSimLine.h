#ifndef ZORSIMLINE_H
#define ZORSIMLINE_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <atomic>

#include <functional>

// The instrument's end of a pseudo-terminal in raw mode. The program opens the other
// end by its path as it would open a serial port.
//
// With the throttle on, bytes move as on a 9600-baud line with 10 bits per byte: each
// byte sent leaves at its own time, and each byte received is taken only once it would
// have arrived, however fast the other end wrote it.
class zorSimLine
{
public:
    static constexpr qint64 byteNs = 1000000000LL / 960;

    // The steady clock the pacing runs on, in nanoseconds.
    static qint64 nowNs();

    zorSimLine();
    ~zorSimLine();

    bool open();
    // Closes the line; the other end sees it vanish.
    void close();
    bool isOpen() const { return master >= 0; }
    QString portName() const { return path; }

    void setThrottle(bool on) { throttle = on; }

    // Asked between short waits; true ends the wait.
    typedef std::function<bool()> _interruption;

    // Waits at most timeoutMs for one byte, while the line stays open and nothing
    // interrupts.
    bool receive(char *byte, int timeoutMs, const _interruption &interrupted);
    // Waits at most ns (below the polling slice) for a byte to arrive, without taking it.
    void waitForInput(qint64 ns);
    // True when a byte has arrived (does not wait, does not take it).
    bool hasInput();
    // The bytes sent that the other end has not read yet.
    int unread() const;
    // Drops what has arrived, and what keeps arriving until quietMs pass without a byte.
    void discardInput(int quietMs, const _interruption &interrupted);

    bool send(const QByteArray &bytes);
    // Sends stream text, giving up at the first byte the other end sends meanwhile:
    // the instrument stops talking when the program starts an exchange.
    bool sendInterruptible(const QByteArray &bytes);

private:
    void readAvailable();
    bool writeRaw(const char *data, int size);

    int master = -1;
    int slave = -1;        // held open so that the line survives the program reopening its end
    QString path;
    std::atomic<bool> throttle{false};   // set from any thread
    QByteArray input;
    QVector<qint64> arrival;   // when each byte of input counts as arrived (ns, steady clock)
    qint64 rxFree = 0;         // when the receiving line is free again
    qint64 txFree = 0;         // when the sending line is free again
};

#endif // ZORSIMLINE_H
