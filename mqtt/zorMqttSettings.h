#ifndef ZORMQTTSETTINGS_H
#define ZORMQTTSETTINGS_H

#include <QString>

class zorSql;

// Where and how readings are published: the broker, its credentials and the topic
// prefix. Kept as application properties of the database; off by default.
struct zorMqttSettings
{
    static constexpr quint16 defaultPort = 1883;

    bool enabled = false;
    QString host = QStringLiteral("localhost");
    quint16 port = defaultPort;
    bool tls = false;
    QString caFile;        // the CA certificates the broker's certificate is checked against
    QString user;          // empty: no user name and no password are sent
    QString password;
    QString prefix = QStringLiteral("zor4_70");
    int qos = 1;           // of the readings: 0 or 1
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
