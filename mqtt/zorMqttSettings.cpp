#include "mqtt/zorMqttSettings.h"

#include "db/zorSql.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>

namespace {
const char enabledKey[] = "mqtt_enabled";
const char hostKey[] = "mqtt_host";
const char portKey[] = "mqtt_port";
const char tlsKey[] = "mqtt_tls";
const char caFileKey[] = "mqtt_ca_file";
const char userKey[] = "mqtt_user";
// Base64, only so that the password does not stand in plain sight in a database
// browser; it is no protection against someone who can read the file.
const char passwordKey[] = "mqtt_password";
const char prefixKey[] = "mqtt_prefix";
const char qosKey[] = "mqtt_qos";

QString tr(const char *text)
{
    return QCoreApplication::translate("zorMqttSettings", text);
}
} // namespace

QString zorMqttSettings::defaultClientId()
{
    return QStringLiteral("zor4_70-") + QSysInfo::machineHostName();
}

zorMqttSettings zorMqttSettings::load(zorSql *sql)
{
    zorMqttSettings s;
    const auto value = [sql](const char *key, const QVariant &fallback) {
        const QVariant stored = sql->getAppProperty(key);
        return stored.isValid() ? stored : fallback;
    };
    s.enabled = value(enabledKey, s.enabled).toBool();
    s.host = value(hostKey, s.host).toString();
    s.port = quint16(value(portKey, s.port).toUInt());
    s.tls = value(tlsKey, s.tls).toBool();
    s.caFile = value(caFileKey, s.caFile).toString();
    s.user = value(userKey, s.user).toString();
    s.password = QString::fromUtf8(QByteArray::fromBase64(value(passwordKey, QString()).toString().toLatin1()));
    s.prefix = value(prefixKey, s.prefix).toString();
    s.qos = value(qosKey, s.qos).toInt() == 0 ? 0 : 1;
    return s;
}

void zorMqttSettings::save(zorSql *sql) const
{
    sql->setAppProperty(enabledKey, enabled);
    sql->setAppProperty(hostKey, host);
    sql->setAppProperty(portKey, port);
    sql->setAppProperty(tlsKey, tls);
    sql->setAppProperty(caFileKey, caFile);
    sql->setAppProperty(userKey, user);
    sql->setAppProperty(passwordKey, QString::fromLatin1(password.toUtf8().toBase64()));
    sql->setAppProperty(prefixKey, prefix);
    sql->setAppProperty(qosKey, qos);
}

QString zorMqttSettings::check() const
{
    if (host.trimmed().isEmpty())
        return tr("не указан адрес брокера");
    if (port == 0)
        return tr("не указан порт брокера");
    if (prefix.isEmpty() || prefix.contains('+') || prefix.contains('#') || prefix.startsWith('/')
        || prefix.endsWith('/'))
        return tr("префикс тем не может быть пустым, содержать «+» или «#», начинаться или кончаться «/»");
    if (tls && !caFile.isEmpty() && !QFileInfo(caFile).isReadable())
        return tr("файл сертификатов CA %1 не читается").arg(caFile);
    return QString();
}

QString zorMqttSettings::brokerText() const
{
    return host + ":" + QString::number(port);
}

bool zorMqttSettings::operator==(const zorMqttSettings &o) const
{
    return enabled == o.enabled && host == o.host && port == o.port && tls == o.tls && caFile == o.caFile
        && user == o.user && password == o.password && prefix == o.prefix && qos == o.qos && clientId == o.clientId;
}
