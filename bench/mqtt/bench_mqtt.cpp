// The GUI thread's cost of publishing readings to a local broker at the link's ceiling
// (16 devices of 16 channels, 18,800 readings/s for 20 s through the registry's own
// signal, QoS 1), against the same feed with publishing off, and how many of the
// readings a subscriber received. Prints "<figure name>: <value> <unit>" lines.
#include "bench/common/benchFigures.h"
#include "db/zorSql.h"
#include "db/zorSqlFile.h"
#include "link/ZORSerialPort.h"
#include "mqtt/zorMqttFeed.h"
#include "mqtt/zorMqttPublisher.h"
#include "registry/zorList.h"
#include "tests/mqtt/mosquittoBroker.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

const int devices = 16;
const int channels = 16;
const double readingsPerSecond = 18800.0;
const int seconds = 20;

// Feeds the registry's reading signal at the rate for the run's length: the GUI
// thread's CPU time in percent of one core, and the readings sent.
double feed(zorList *list, qint64 *sent)
{
    *sent = 0;
    int next = 0;
    QElapsedTimer wall;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 due = qint64(readingsPerSecond * wall.nsecsElapsed() / 1e9);
        for (; *sent < due; ++*sent) {
            const int device = next / channels, ch = next % channels;
            emit list->onReadMeas(device, 20.0 + 0.5 * std::sin(*sent * 1e-3) + ch * 0.1, quint8(ch), "°С",
                                  QDateTime::currentMSecsSinceEpoch());
            next = (next + 1) % (devices * channels);
        }
    });
    const double cpuStart = benchFigures::threadCpuSeconds();
    wall.start();
    timer.start(10);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    timer.stop();
    return 100.0 * (benchFigures::threadCpuSeconds() - cpuStart) / (wall.nsecsElapsed() / 1e9);
}

// The reading messages among the subscriber's lines (one topic a line; the states and
// the program's status are not readings).
qint64 readingCount(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll().count("/ch");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    mosquittoBroker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "bench_mqtt: mosquitto did not start\n");
        return 1;
    }
    // The subscriber writes to a file, so that reading it costs the GUI thread nothing.
    QProcess::execute("mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-c", "-i",
                                        "bench", "-q", "1", "-t", "bench/+/+", "-E"});
    QProcess sub;
    sub.setStandardOutputFile(dir.filePath("received"));
    sub.start("mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-c", "-i", "bench", "-q",
                                "1", "-t", "bench/+/+", "-F", "%t"});
    sub.waitForStarted();

    zorSql sql(zorSqlFile::prepare(dir.path()).path());
    ZORSerialPort port;
    zorList list(&port, &sql, true);
    for (int d = 0; d < devices; ++d) {
        const int index = list.newZor(-1, false);
        list.getZorByIndex(index)->options->devNumber = quint32(1000 + d);
        list.getZorByIndex(index)->qwtIndex = index;
    }
    zorMqttPublisher publisher;
    zorMqttFeed mqttFeed(&list, &publisher);
    qint64 sent = 0;
    const double off = feed(&list, &sent);

    zorMqttSettings settings;
    settings.enabled = true;
    settings.host = "127.0.0.1";
    settings.port = broker.port();
    settings.prefix = "bench";
    settings.qos = 1;
    publisher.apply(settings);
    QElapsedTimer wait;
    wait.start();
    while (!publisher.isConnected() && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const double on = feed(&list, &sent);
    benchFigures::print("mqtt publish at 18800 readings/s, GUI-thread CPU added", on - off, "% of one core", "%.2f");

    // Everything the subscriber will get, once the buffer has emptied and the file stops growing.
    qint64 received = 0;
    wait.start();
    for (qint64 last = -1; wait.elapsed() < 120000 && (received != last || publisher.buffer().waiting() > 0);) {
        last = received;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(1000);
        received = readingCount(dir.filePath("received"));
    }
    const QByteArray of = "of " + QByteArray::number(sent);
    benchFigures::print("mqtt readings delivered", double(received), of.constData(), "%.0f");
    sub.terminate();
    sub.waitForFinished();
    return 0;
}
