#ifndef MOSQUITTOBROKER_H
#define MOSQUITTOBROKER_H

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A mosquitto broker of a test's or a benchmark's own, on a free loopback port, with
// its configuration, password file and persistence in a temporary directory. It can be
// stopped and started again on the same port with what it had kept. Its subscriber is a
// mosquitto_sub process.
class mosquittoBroker
{
public:
    // users: "name:password" pairs; with any, anonymous clients are refused.
    explicit mosquittoBroker(const QStringList &users = {});
    ~mosquittoBroker();

    // Starts it and waits until it takes connections; false if it does not.
    bool start();
    // Asks it to end (it saves its state) and waits until it has.
    void stop();
    quint16 port() const { return listenPort; }

    // A subscriber of a persistent session (client id id, QoS 1) to topic, already
    // subscribed when this returns, printing "<retain> <message id> <topic> <payload>"
    // lines; it stays subscribed when the broker restarts.
    void subscribe(const QString &id, const QString &topic);
    // Every line the subscriber printed so far.
    QStringList lines();

    // A port on which nothing listens.
    static quint16 freePort();

private:
    QTemporaryDir dir;
    quint16 listenPort;
    QProcess broker;
    QProcess subscriber;
    QByteArray printed; // what the subscriber printed so far
};

#endif // MOSQUITTOBROKER_H
