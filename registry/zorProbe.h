#ifndef ZORPROBE_H
#define ZORPROBE_H

#include <QObject>
#include <QString>
#include <QTimer>

#include <limits>

class QTextStream;
class ZORSerialPort;
class zorList;
class zorSql;

// One run of the command-line probe: opens a port through the link manager, lets the
// registry read and register the instrument, prints its identity and settings, then
// prints readings until enough have arrived. The end is reported once by finished()
// with the program's exit code.
class zorProbe : public QObject
{
    Q_OBJECT

public:
    enum _exitCode {
        exitOk = 0,
        exitUsage = 1,    // bad arguments, no database, no simulator
        exitLink = 2,     // the port, the link or the instrument failed
        exitSilence = 3,  // no reading for the allowed time
        exitRejected = 4  // the instrument sent a block the program refused
    };

    // The longest wait for a reading, in seconds: its milliseconds must fit a timer.
    static constexpr int maxSilenceSec = std::numeric_limits<int>::max() / 1000;

    zorProbe(ZORSerialPort *port, zorList *list, zorSql *sql, QTextStream *out, QTextStream *err,
             QObject *parent = nullptr);

    // readings: how many to print; silenceSec: the longest wait for the next one,
    // 1 to maxSilenceSec.
    void start(const QString &portName, int readings, int silenceSec);

signals:
    void finished(int code);

private:
    void settingsRead(int from, bool ok);
    void printReport();
    void valueArrived(int from, double meas, quint8 ch, char dim);
    void readingArrived(const QString &text);
    void deviceFailed(int from, quint8 code, const QString &msg);
    void finish(int code, const QString &msg = QString());

    ZORSerialPort *port;
    zorList *list;
    zorSql *sql;
    QTextStream *out;
    QTextStream *err;
    QTimer silence;
    int devIndex = -1;
    int index = -1;
    int wanted = 0;
    int seen = 0;
    bool reported = false;
    bool done = false;
};

#endif // ZORPROBE_H
