#include "stability/zorCalPoint.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

int zorCalPoint::indexOf(const reference &ref) const
{
    for (int i = 0; i < channels.size(); ++i)
        if (channels.at(i).deviceId == ref.deviceId && channels.at(i).ch == ref.ch)
            return i;
    return -1;
}

bool zorCalPoint::deviation(int i, const reference &ref, double *value) const
{
    const int r = indexOf(ref);
    if (r < 0 || i < 0 || i >= channels.size() || channels.at(i).unit != channels.at(r).unit)
        return false;
    *value = channels.at(i).mean - channels.at(r).mean;
    return true;
}

QByteArray zorCalPoint::channelsData() const
{
    QJsonArray list;
    for (const channel &c : channels)
        list.append(QJsonObject{{"device_id", c.deviceId}, {"name", c.devName}, {"number", c.devNumber},
                                {"ch", c.ch}, {"unit", c.unit}, {"mean", c.mean}, {"sigma", c.sigma},
                                {"drift", c.drift}, {"window", c.window}, {"n", c.n},
                                {"from", c.from.toString(Qt::ISODateWithMs)}, {"to", c.to.toString(Qt::ISODateWithMs)}});
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

QVector<zorCalPoint::channel> zorCalPoint::channelsFrom(const QByteArray &data)
{
    QVector<channel> channels;
    const QJsonArray list = QJsonDocument::fromJson(data).array();
    for (const QJsonValue &value : list) {
        const QJsonObject o = value.toObject();
        channel c;
        c.deviceId = o.value("device_id").toInt();
        c.devName = o.value("name").toString();
        c.devNumber = o.value("number").toString();
        c.ch = o.value("ch").toInt();
        c.unit = o.value("unit").toString();
        c.mean = o.value("mean").toDouble();
        c.sigma = o.value("sigma").toDouble();
        c.drift = o.value("drift").toDouble();
        c.window = o.value("window").toDouble();
        c.n = o.value("n").toInt();
        c.from = QDateTime::fromString(o.value("from").toString(), Qt::ISODateWithMs);
        c.to = QDateTime::fromString(o.value("to").toString(), Qt::ISODateWithMs);
        channels.append(c);
    }
    return channels;
}
