#ifndef ZORAUTOCONNECT_H
#define ZORAUTOCONNECT_H

#include <QObject>
#include <QHash>
#include <QTimer>
#include <QVector>

#include "registry/zorList.h"

class ZORSerialPort;
class optionsZOR70;
class zorPortScan;

// Connects instruments without asking. connectAll() probes the free ports once and
// registers every instrument that answers. While an instrument whose link broke (error
// 200) is lost, the ports are looked at every interval, and each port that appeared
// since it was last probed is asked for its identity (its own path too, which stays
// open and is asked again when the instrument's reading stream starts there); the instrument that answers goes back to its old record, so its
// plot series and its recording carry on and only the readings of the gap are lost.
class zorAutoConnect : public QObject
{
    Q_OBJECT
    // Milliseconds between two looks at the ports while an instrument is lost.
    Q_PROPERTY(int interval READ interval WRITE setInterval)

public:
    static constexpr int defaultInterval = 1000;

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
    // A lost instrument is connected again.
    void reconnected(int index);

private:
    void deviceFailed(int index, quint8 code);
    void found(int devIndex, const optionsZOR70 *identity, const QVector<zorList::_reading> &streamed);
    void search();

    zorList *list;
    zorPortScan *scan;
    QTimer retry;
    QHash<int, QString> lost; // index → the path it was lost on
    bool enabled = true;
    bool takeAll = false;
};

#endif // ZORAUTOCONNECT_H
