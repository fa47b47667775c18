#include "mosquittoBroker.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <unistd.h>

mosquittoBroker::mosquittoBroker(const QStringList &users)
    : listenPort(freePort())
{
    QFile conf(dir.filePath("mosquitto.conf"));
    conf.open(QIODevice::WriteOnly);
    conf.write(QString("listener %1 127.0.0.1\n"
                       "persistence true\n"
                       "persistence_location %2/\n"
                       "max_queued_messages 0\n"
                       "log_dest file %2/mosquitto.log\n"
                       // Run as root, it would become the user "mosquitto", who cannot read here.
                       "%3")
                   .arg(listenPort)
                   .arg(dir.path())
                   .arg(geteuid() == 0 ? "user root\n" : "")
                   .toUtf8());
    if (users.isEmpty()) {
        conf.write("allow_anonymous true\n");
        return;
    }
    conf.write(("allow_anonymous false\npassword_file " + dir.filePath("passwords") + "\n").toUtf8());
    for (const QString &user : users) {
        QStringList args{"-b", dir.filePath("passwords"), user.section(':', 0, 0), user.section(':', 1)};
        if (!QFile::exists(dir.filePath("passwords")))
            args.prepend("-c");
        QProcess::execute("mosquitto_passwd", args);
    }
}

mosquittoBroker::~mosquittoBroker()
{
    subscriber.kill();
    subscriber.waitForFinished();
    stop();
}

bool mosquittoBroker::start()
{
    broker.start("mosquitto", {"-c", dir.filePath("mosquitto.conf")});
    if (!broker.waitForStarted())
        return false;
    for (int tries = 0; tries < 100 && broker.state() == QProcess::Running; ++tries) {
        QTcpSocket probe;
        probe.connectToHost("127.0.0.1", listenPort);
        if (probe.waitForConnected(100))
            return true;
        QThread::msleep(50);
    }
    return false;
}

void mosquittoBroker::stop()
{
    if (broker.state() == QProcess::NotRunning)
        return;
    broker.terminate();
    broker.waitForFinished();
}

void mosquittoBroker::subscribe(const QString &id, const QString &topic)
{
    const QStringList session{"-h", "127.0.0.1", "-p", QString::number(listenPort), "-c", "-i", id, "-q", "1",
                              "-t", topic};
    // A first client makes the session and its subscription and leaves once the broker
    // has confirmed it: from then on the broker keeps every message for the session.
    QProcess::execute("mosquitto_sub", session + QStringList{"-E"});
    subscriber.start("mosquitto_sub", session + QStringList{"-F", "%r %m %t %p"});
    subscriber.waitForStarted();
}

QStringList mosquittoBroker::lines()
{
    printed += subscriber.readAllStandardOutput();
    QStringList all = QString::fromUtf8(printed).split('\n');
    all.removeLast(); // a line not yet complete, or nothing after the last line end
    return all;
}

quint16 mosquittoBroker::freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}
