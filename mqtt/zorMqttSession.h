#ifndef ZORMQTTSESSION_H
#define ZORMQTTSESSION_H

#include "mqtt/zorMqttSettings.h"

#include <QByteArray>
#include <QHash>
#include <QString>

struct mosquitto;
class zorMqttBuffer;

// One connection to the broker through one libmosquitto client, from the first
// connection attempt to its end; a new connection is a new session, so that what the
// broker did not confirm is handed over again by the buffer and by no one else. It
// hands the buffer's messages to the broker while connected, at most window of them
// unconfirmed at a time. The will, and a retained message on connecting, tell on the
// program's status topic whether the program (and so its instruments) is online.
// Used by the network thread only: libmosquitto's callbacks run inside step().
class zorMqttSession
{
public:
    static constexpr int window = 1000;
    static constexpr int keepAliveSeconds = 15;

    zorMqttSession(const zorMqttSettings &settings, zorMqttBuffer *buffer);
    ~zorMqttSession();
    zorMqttSession(const zorMqttSession &) = delete;
    zorMqttSession &operator=(const zorMqttSession &) = delete;

    // "<prefix>/program/<client id>" and its retained payloads.
    static QByteArray statusTopic(const zorMqttSettings &settings);
    static QByteArray statusPayload(bool online);

    // Starts connecting: empty, or why it cannot start (for the user, in Russian).
    QString open();
    // Network traffic for up to waitMs, then the waiting messages go out while
    // connected. Empty while the connection lives or is being made, else why it ended.
    QString step(int waitMs);
    bool isConnected() const { return connected; }
    // Tells the broker the program goes offline and disconnects, waiting at most waitMs
    // for that to leave.
    void close(int waitMs);

private:
    static void onConnect(mosquitto *mosq, void *self, int code);
    static void onDisconnect(mosquitto *mosq, void *self, int rc);
    static void onPublish(mosquitto *mosq, void *self, int mid);
    static void onLog(mosquitto *mosq, void *self, int level, const char *text);
    void handOver();
    QString reasonOf(int rc, int error) const;
    static QString refusal(int code);

    const zorMqttSettings settings;
    zorMqttBuffer *buffer;
    mosquitto *mosq;
    bool connected = false;
    bool ended = false;          // the broker closed or refused the connection
    int refusedCode = -1;        // the broker's CONNACK refusal, or -1
    QString logError;            // libmosquitto's last error line (TLS details)
    QHash<int, quint64> flying;  // message id → buffer number
    // A QoS 0 message may be confirmed inside mosquitto_publish, before its id is known.
    bool publishing = false;
    quint64 publishingSeq = 0;
};

#endif // ZORMQTTSESSION_H
