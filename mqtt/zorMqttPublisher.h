#ifndef ZORMQTTPUBLISHER_H
#define ZORMQTTPUBLISHER_H

#include "mqtt/zorMqttBuffer.h"
#include "mqtt/zorMqttSettings.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QWaitCondition>

#include <atomic>

class QThread;

// Publishes messages to an MQTT broker. The GUI thread only queues (publish() appends
// to a bounded buffer and returns); a network thread of its own connects, hands the
// buffer to the broker through libmosquitto, and reconnects with a growing pause when
// the broker cannot be reached. Nothing of the link, the plot or recording ever waits
// for the broker. A failure is told once (problem()), in Russian with its reason,
// until a connection succeeds again or the settings change.
class zorMqttPublisher : public QObject
{
    Q_OBJECT

public:
    static constexpr int defaultRetryMinMs = 1000;
    static constexpr int defaultRetryMaxMs = 30000;
    // A connection not made within this is given up and tried again later.
    static constexpr int connectTimeoutMs = 10000;

    explicit zorMqttPublisher(QObject *parent = nullptr);
    // Tells the broker the program goes offline, then stops the network thread.
    ~zorMqttPublisher() override;

    // Takes new settings: the network thread drops its connection and, when they are
    // on, connects anew. Turning off empties the buffer.
    void apply(const zorMqttSettings &settings);
    const zorMqttSettings &settings() const { return current; }
    bool isOn() const { return current.enabled; }

    // Queues a message; nothing when off. Cheap: the GUI thread calls it per reading.
    void publish(const QByteArray &topic, const QByteArray &payload, int qos, bool retain);

    zorMqttBuffer &buffer() { return queue; }
    bool isConnected() const { return connected; }
    // Connection attempts since the program started.
    int attempts() const { return attemptCount; }
    // Pause after the first failed attempt, doubled after each further one up to maxMs.
    void setRetryDelays(int minMs, int maxMs);

signals:
    void problem(const QString &text);
    void connectedChange(bool connected);

private:
    void run();
    int retryDelay(int failures) const;
    void setConnected(bool on);
    void failed(const zorMqttSettings &settings, const QString &reason);

    zorMqttSettings current;   // GUI thread
    bool told = false;         // GUI thread: the failure has been told
    QElapsedTimer dropLog;     // GUI thread: when dropping was last logged
    zorMqttBuffer queue;

    // Between the GUI thread and the network thread.
    QMutex mutex;
    QWaitCondition wake;
    zorMqttSettings pending;
    quint64 generation = 0;
    bool stopping = false;
    std::atomic<bool> connected{false};
    std::atomic<int> attemptCount{0};
    std::atomic<int> retryMinMs{defaultRetryMinMs};
    std::atomic<int> retryMaxMs{defaultRetryMaxMs};

    QThread *thread = nullptr;  // the network thread, started by the first apply()
};

#endif // ZORMQTTPUBLISHER_H
