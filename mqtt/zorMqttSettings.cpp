#include "mqtt/zorMqttSettings.h"

#include "db/zorSql.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>

namespace {
namespace keys = zorPropertyKeys;

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
    s.enabled = sql->getApp(keys::mqttEnabled);
    s.host = sql->getApp(keys::mqttHost);
    s.port = quint16(sql->getApp(keys::mqttPort));
    s.tls = sql->getApp(keys::mqttTls);
    s.caFile = sql->getApp(keys::mqttCaFile);
    s.user = sql->getApp(keys::mqttUser);
    s.password = QString::fromUtf8(QByteArray::fromBase64(sql->getApp(keys::mqttPassword).toLatin1()));
    s.prefix = sql->getApp(keys::mqttPrefix);
    s.qos = sql->getApp(keys::mqttQos) == 0 ? 0 : 1;
    return s;
}

void zorMqttSettings::save(zorSql *sql) const
{
    sql->setApp(keys::mqttEnabled, enabled);
    sql->setApp(keys::mqttHost, host);
    sql->setApp(keys::mqttPort, uint(port));
    sql->setApp(keys::mqttTls, tls);
    sql->setApp(keys::mqttCaFile, caFile);
    sql->setApp(keys::mqttUser, user);
    sql->setApp(keys::mqttPassword, QString::fromLatin1(password.toUtf8().toBase64()));
    sql->setApp(keys::mqttPrefix, prefix);
    sql->setApp(keys::mqttQos, qos);
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
