#ifndef ZORAUTOCONNECT_H
#define ZORAUTOCONNECT_H

#include <QObject>
#include <QSet>
#include <QTimer>

class ZORSerialPort;
class optionsZOR70;
class zorList;
class zorPortScan;

// Connects instruments without asking. connectAll() scans the free ports once and
// registers every instrument that answers. An instrument whose link breaks (error
// 200) is looked for again on the free ports every interval until it answers with
// its serial number; it is then connected to its old record, so its plot series
// and its recording carry on and only the readings of the gap are lost.
class zorAutoConnect : public QObject
{
    Q_OBJECT
    // Milliseconds between the end of one search for lost instruments and the next.
    Q_PROPERTY(int interval READ interval WRITE setInterval)

public:
    static constexpr int defaultInterval = 3000;

    // port and list are not owned and must outlive this object.
    zorAutoConnect(ZORSerialPort *port, zorList *list, QObject *parent = nullptr);

    // Lost instruments are looked for only while enabled.
    void setEnabled(bool on);
    bool isEnabled() const { return enabled; }
    // One scan that registers every instrument found (and brings back lost ones).
    void connectAll();
    bool isLost(int index) const { return lost.contains(index); }

    int interval() const { return retry.interval(); }
    void setInterval(int ms) { retry.setInterval(ms); }
    zorPortScan *portScan() const { return scan; }

signals:
    // A lost instrument answers again on a new port.
    void reconnected(int index);
    // An instrument found by connectAll() became a new record.
    void connected(int index);

private:
    void deviceFailed(int index, quint8 code);
    void found(int devIndex, const optionsZOR70 *identity);
    int lostRecordOf(const optionsZOR70 *identity) const;
    void scanEnded();
    void search();

    zorList *list;
    zorPortScan *scan;
    QTimer retry;
    QSet<int> lost;
    bool enabled = true;
    bool takeAll = false;
};

#endif // ZORAUTOCONNECT_H
