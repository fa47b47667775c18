#ifndef ZORMQTTSETTINGS_H
#define ZORMQTTSETTINGS_H

#include "db/zorPropertyKeys.h"

#include <QString>

class zorSql;

// Where and how readings are published: the broker, its credentials and the topic
// prefix. Kept as application properties of the database (zorPropertyKeys::mqtt*),
// whose defaults these start with; off by default.
struct zorMqttSettings
{
    bool enabled = zorPropertyKeys::mqttEnabled.fallback;
    QString host = zorPropertyKeys::mqttHost.fallback;
    quint16 port = quint16(zorPropertyKeys::mqttPort.fallback);
    bool tls = zorPropertyKeys::mqttTls.fallback;
    QString caFile = zorPropertyKeys::mqttCaFile.fallback;
    QString user = zorPropertyKeys::mqttUser.fallback;
    QString password = zorPropertyKeys::mqttPassword.fallback;
    QString prefix = zorPropertyKeys::mqttPrefix.fallback;
    int qos = zorPropertyKeys::mqttQos.fallback;
    // The MQTT client id, also the name of the program's status topic. Not stored: one
    // program per computer, so the host name keeps it the same from run to run.
    QString clientId = defaultClientId();

    static QString defaultClientId();
    // Stored values over the defaults; a database without them gives the defaults.
    static zorMqttSettings load(zorSql *sql);
    void save(zorSql *sql) const;
    // What makes these settings unusable, for the user; empty when they can be tried.
    QString check() const;
    // "host:port", for messages and the log (never the password).
    QString brokerText() const;

    bool operator==(const zorMqttSettings &other) const;
    bool operator!=(const zorMqttSettings &other) const { return !(*this == other); }
};

#endif // ZORMQTTSETTINGS_H
