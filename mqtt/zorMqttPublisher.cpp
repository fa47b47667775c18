#include "mqtt/zorMqttPublisher.h"

#include "mqtt/zorMqttLog.h"
#include "mqtt/zorMqttSession.h"

#include <QThread>

#include <memory>

namespace {
// How long one round of network traffic may wait: also the longest a queued message
// waits before it is handed over.
const int loopMs = 20;
// How long a closing connection may take to say the program goes offline.
const int closeMs = 500;
// Dropped messages are logged at most this often.
const int dropLogMs = 10000;
} // namespace

zorMqttPublisher::zorMqttPublisher(QObject *parent)
    : QObject(parent)
{
}

zorMqttPublisher::~zorMqttPublisher()
{
    if (!thread)
        return;
    {
        QMutexLocker lock(&mutex);
        stopping = true;
        wake.wakeAll();
    }
    thread->wait();
    delete thread;
}

void zorMqttPublisher::apply(const zorMqttSettings &settings)
{
    current = settings;
    told = false;
    if (!settings.enabled)
        queue.clear();
    qCInfo(lcMqtt) << "publishing" << (settings.enabled ? "on," : "off,") << settings.brokerText()
                   << "TLS" << settings.tls << "user" << settings.user << "prefix" << settings.prefix << "QoS"
                   << settings.qos;
    {
        QMutexLocker lock(&mutex);
        pending = settings;
        ++generation;
        wake.wakeAll();
    }
    if (!thread && settings.enabled) {
        thread = QThread::create([this] { run(); });
        thread->setObjectName("mqtt");
        thread->start();
    }
}

void zorMqttPublisher::publish(const QByteArray &topic, const QByteArray &payload, int qos, bool retain)
{
    if (!current.enabled)
        return;
    if (queue.append({topic, payload, quint8(qos), retain}) == 0)
        return;
    if (!dropLog.isValid() || dropLog.elapsed() >= dropLogMs) {
        dropLog.start();
        qCWarning(lcMqtt) << "buffer full at" << queue.bytes() << "bytes: the oldest messages are dropped,"
                          << queue.dropped() << "so far";
    }
}

void zorMqttPublisher::setRetryDelays(int minMs, int maxMs)
{
    retryMinMs = minMs;
    retryMaxMs = maxMs;
}

int zorMqttPublisher::retryDelay(int failures) const
{
    qint64 delay = retryMinMs;
    for (int n = 1; n < failures && delay < retryMaxMs; ++n)
        delay *= 2;
    return int(qMin<qint64>(delay, retryMaxMs));
}

// The network thread: one session at a time, a pause after each failure.
void zorMqttPublisher::run()
{
    std::unique_ptr<zorMqttSession> session;
    zorMqttSettings settings;
    quint64 seen = ~quint64(0);
    int failures = 0;
    qint64 pause = 0;
    QElapsedTimer since; // since the last attempt began or failed
    since.start();
    const auto end = [&](const QString &reason) {
        session.reset();
        queue.requeue();
        setConnected(false);
        since.start();
        pause = retryDelay(++failures);
        failed(settings, reason);
    };
    for (;;) {
        {
            QMutexLocker lock(&mutex);
            if (stopping)
                break;
            if (generation != seen) {
                seen = generation;
                settings = pending;
                if (session) {
                    session->close(closeMs);
                    session.reset();
                    queue.requeue();
                    setConnected(false);
                }
                failures = 0;
                pause = 0;
            }
            if (!settings.enabled) {
                wake.wait(&mutex);
                continue;
            }
            if (!session && since.elapsed() < pause) {
                wake.wait(&mutex, ulong(pause - since.elapsed()));
                continue;
            }
        }
        if (!session) {
            ++attemptCount;
            since.start();
            session.reset(new zorMqttSession(settings, &queue));
            QString reason = settings.check();
            if (reason.isEmpty())
                reason = session->open();
            if (!reason.isEmpty())
                end(reason);
            continue;
        }
        QString reason = session->step(loopMs);
        if (reason.isEmpty() && session->isConnected() != connected) {
            failures = 0;
            setConnected(true);
        }
        if (reason.isEmpty() && !session->isConnected() && since.elapsed() > connectTimeoutMs)
            reason = tr("брокер не ответил за %1 с").arg(connectTimeoutMs / 1000);
        if (!reason.isEmpty())
            end(reason);
    }
    if (session)
        session->close(closeMs);
}

// Network thread; the GUI thread hears of it.
void zorMqttPublisher::setConnected(bool on)
{
    if (connected.exchange(on) == on)
        return;
    qCInfo(lcMqtt) << (on ? "connected" : "disconnected");
    QMetaObject::invokeMethod(this, [this, on] {
        if (on)
            told = false;
        emit connectedChange(on);
    }, Qt::QueuedConnection);
}

// Network thread: logged each time, told to the user once.
void zorMqttPublisher::failed(const zorMqttSettings &settings, const QString &reason)
{
    qCWarning(lcMqtt) << "no connection to" << settings.brokerText() << "-" << reason;
    const QString text = tr("Публикация MQTT: нет связи с брокером %1 — %2.\n"
                            "Показания ждут в буфере, программа подключается снова.")
                             .arg(settings.brokerText(), reason);
    QMetaObject::invokeMethod(this, [this, text] {
        if (told || !current.enabled)
            return;
        told = true;
        emit problem(text);
    }, Qt::QueuedConnection);
}
