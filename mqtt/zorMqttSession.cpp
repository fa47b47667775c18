#include "mqtt/zorMqttSession.h"

#include "mqtt/zorMqttBuffer.h"
#include "mqtt/zorMqttLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("zorMqttSession", text);
}

// Where TLS looks for CA certificates when no file is given.
const char systemCaPath[] = "/etc/ssl/certs";
} // namespace

zorMqttSession::zorMqttSession(const zorMqttSettings &settings, zorMqttBuffer *buffer)
    : settings(settings), buffer(buffer)
{
    static std::once_flag libraryReady;
    std::call_once(libraryReady, [] { mosquitto_lib_init(); });
    mosq = mosquitto_new(settings.clientId.toUtf8().constData(), true, this);
    if (!mosq)
        return;
    mosquitto_connect_callback_set(mosq, onConnect);
    mosquitto_disconnect_callback_set(mosq, onDisconnect);
    mosquitto_publish_callback_set(mosq, onPublish);
    mosquitto_log_callback_set(mosq, onLog);
    // The window bounds what is in flight; libmosquitto keeps no queue of its own.
    mosquitto_max_inflight_messages_set(mosq, 0);
}

zorMqttSession::~zorMqttSession()
{
    if (mosq)
        mosquitto_destroy(mosq);
}

QByteArray zorMqttSession::statusTopic(const zorMqttSettings &settings)
{
    return (settings.prefix + "/program/" + settings.clientId).toUtf8();
}

QByteArray zorMqttSession::statusPayload(bool online)
{
    return online ? QByteArrayLiteral("{\"online\":true}") : QByteArrayLiteral("{\"online\":false}");
}

QString zorMqttSession::open()
{
    if (!mosq)
        return tr("не удалось создать клиент MQTT");
    const QByteArray status = statusTopic(settings);
    const QByteArray offline = statusPayload(false);
    mosquitto_will_set(mosq, status.constData(), offline.size(), offline.constData(), 1, true);
    if (!settings.user.isEmpty()) {
        mosquitto_username_pw_set(mosq, settings.user.toUtf8().constData(),
                                  settings.password.isEmpty() ? nullptr : settings.password.toUtf8().constData());
    }
    if (settings.tls) {
        const QByteArray caFile = settings.caFile.toLocal8Bit();
        const int rc = mosquitto_tls_set(mosq, caFile.isEmpty() ? nullptr : caFile.constData(),
                                         caFile.isEmpty() ? systemCaPath : nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return tr("не удалось включить TLS с файлом сертификатов CA «%1»").arg(settings.caFile);
    }
    errno = 0;
    const int rc = mosquitto_connect_async(mosq, settings.host.toUtf8().constData(), settings.port, keepAliveSeconds);
    return rc == MOSQ_ERR_SUCCESS ? QString() : reasonOf(rc, errno);
}

QString zorMqttSession::step(int waitMs)
{
    errno = 0;
    const int rc = mosquitto_loop(mosq, waitMs, 1);
    const int error = errno;
    if (rc != MOSQ_ERR_SUCCESS || ended)
        return reasonOf(rc, error);
    if (connected)
        handOver();
    return QString();
}

void zorMqttSession::handOver()
{
    const int room = window - flying.size();
    if (room <= 0)
        return;
    for (const zorMqttBuffer::_handed &h : buffer->take(room)) {
        int mid = 0;
        publishing = true;
        publishingSeq = h.seq;
        const int rc = mosquitto_publish(mosq, &mid, h.msg.topic.constData(), h.msg.payload.size(),
                                         h.msg.payload.constData(), h.msg.qos, h.msg.retain);
        if (publishing && rc == MOSQ_ERR_SUCCESS)
            flying.insert(mid, h.seq);
        publishing = false;
        if (rc != MOSQ_ERR_SUCCESS) {
            // The connection is going: what was handed over waits for the next one.
            qCWarning(lcMqtt) << "publish failed:" << mosquitto_strerror(rc);
            ended = true;
            return;
        }
    }
}

void zorMqttSession::close(int waitMs)
{
    if (!mosq || !connected)
        return;
    const QByteArray status = statusTopic(settings);
    const QByteArray offline = statusPayload(false);
    mosquitto_publish(mosq, nullptr, status.constData(), offline.size(), offline.constData(), 1, true);
    mosquitto_disconnect(mosq);
    QElapsedTimer timer;
    timer.start();
    while (connected && timer.elapsed() < waitMs && mosquitto_loop(mosq, 20, 1) == MOSQ_ERR_SUCCESS) {
    }
}

void zorMqttSession::onConnect(mosquitto *mosq, void *self, int code)
{
    zorMqttSession *s = static_cast<zorMqttSession *>(self);
    if (code != 0) {
        s->refusedCode = code;
        s->ended = true;
        return;
    }
    s->connected = true;
    const QByteArray status = statusTopic(s->settings);
    const QByteArray online = statusPayload(true);
    mosquitto_publish(mosq, nullptr, status.constData(), online.size(), online.constData(), 1, true);
}

void zorMqttSession::onDisconnect(mosquitto *, void *self, int)
{
    zorMqttSession *s = static_cast<zorMqttSession *>(self);
    s->connected = false;
    s->ended = true;
}

void zorMqttSession::onPublish(mosquitto *, void *self, int mid)
{
    zorMqttSession *s = static_cast<zorMqttSession *>(self);
    const auto it = s->flying.find(mid);
    if (it != s->flying.end()) {
        s->buffer->confirm(it.value());
        s->flying.erase(it);
    } else if (s->publishing) {
        // Written at once inside mosquitto_publish: confirmed before its id is known.
        s->buffer->confirm(s->publishingSeq);
        s->publishing = false;
    }
}

void zorMqttSession::onLog(mosquitto *, void *self, int level, const char *text)
{
    if (level & MOSQ_LOG_ERR)
        static_cast<zorMqttSession *>(self)->logError = QString::fromUtf8(text);
}

QString zorMqttSession::reasonOf(int rc, int error) const
{
    if (refusedCode >= 0)
        return refusal(refusedCode);
    switch (rc) {
    case MOSQ_ERR_EAI:
        return tr("узел «%1» не найден").arg(settings.host);
    case MOSQ_ERR_TLS:
        return tr("ошибка TLS") + (logError.isEmpty() ? QString() : ": " + logError);
    case MOSQ_ERR_ERRNO:
        switch (error) {
        case ECONNREFUSED:
            return tr("соединение отвергнуто: брокер не запущен или порт %1 закрыт").arg(settings.port);
        case EHOSTUNREACH:
        case ENETUNREACH:
            return tr("узел недоступен");
        case ETIMEDOUT:
            return tr("узел не отвечает");
        case EPROTO:
            return tr("ошибка TLS") + (logError.isEmpty() ? QString() : ": " + logError);
        default:
            return tr("системная ошибка %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
        }
    case MOSQ_ERR_SUCCESS:
    case MOSQ_ERR_NO_CONN:
    case MOSQ_ERR_CONN_LOST:
        if (settings.tls && !connected && !logError.isEmpty())
            return tr("ошибка TLS: %1").arg(logError);
        return tr("соединение с брокером потеряно");
    case MOSQ_ERR_PROTOCOL:
        return tr("ошибка протокола MQTT (не TLS ли ждёт брокер на этом порту?)");
    default:
        return tr("ошибка libmosquitto %1 (%2)").arg(rc).arg(QString::fromUtf8(mosquitto_strerror(rc)));
    }
}

QString zorMqttSession::refusal(int code)
{
    switch (code) {
    case 1:
        return tr("брокер не поддерживает версию протокола MQTT 3.1.1");
    case 2:
        return tr("брокер отверг идентификатор клиента");
    case 3:
        return tr("брокер временно не принимает подключения");
    case 4:
        return tr("неверное имя пользователя или пароль");
    case 5:
        return tr("нет прав на подключение: неверное имя пользователя или пароль");
    default:
        return tr("брокер отверг подключение, код %1").arg(code);
    }
}
