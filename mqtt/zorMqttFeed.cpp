#include "mqtt/zorMqttFeed.h"

#include "mqtt/zorMqttPublisher.h"
#include "registry/zorList.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {
// A JSON string of text: quotes, backslashes and control characters escaped.
QByteArray jsonString(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (uchar(c) < 0x20)
            out += "\\u00" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out + '"';
}
} // namespace

zorMqttFeed::zorMqttFeed(zorList *list, zorMqttPublisher *publisher, QObject *parent)
    : QObject(parent), list(list), publisher(publisher)
{
    connect(list, &zorList::onReadMeas, this, &zorMqttFeed::reading);
    connect(list, &zorList::onChError, this,
            [this](int index, quint8 ch, quint8 code, const QString &) { chError(index, ch, code); });
    connect(list, &zorList::onDevError, this, &zorMqttFeed::devError);
    connect(list, &zorList::onAddZor, this, [this](int index) { state(index); });
    connect(list, &zorList::onIdentChange, this, [this](int index) { state(index); });
    connect(list, qOverload<int>(&zorList::onChChange), this, [this](int index) { state(index); });
    connect(list, &zorList::onReadStatus, this, [this](int index) { state(index); });
    connect(list, &zorList::onRmZor, this, &zorMqttFeed::removed);
    connect(list, &zorList::onChange, this, [this] {
        for (int index : this->list->getIndexList())
            state(index);
    });
    connect(publisher, &zorMqttPublisher::connectedChange, this, [this](bool on) {
        if (on)
            republishAll();
    });
}

void zorMqttFeed::reading(int index, double meas, quint8 ch, const QString &unit)
{
    publishReading(index, ch, meas, unit, -1);
}

void zorMqttFeed::chError(int index, quint8 ch, quint8 code)
{
    publishReading(index, ch, 0.0, QString(), code);
}

void zorMqttFeed::publishReading(int index, quint8 ch, double value, const QString &unit, int err)
{
    const zorList::_zor *zor = publisher->isOn() ? identified(index) : nullptr;
    if (!zor)
        return;
    const quint32 serial = zor->options->devNumber;
    if (topicPrefix != publisher->settings().prefix) {
        topicPrefix = publisher->settings().prefix;
        chTopics.clear();
    }
    const quint64 key = quint64(serial) << 8 | ch;
    auto topic = chTopics.find(key);
    if (topic == chTopics.end())
        topic = chTopics.insert(key, topicOf(serial, ("ch" + QByteArray::number(ch + 1)).constData()));
    publisher->publish(topic.value(), readingPayload(QDateTime::currentMSecsSinceEpoch(), value, unit, err),
                       publisher->settings().qos, false);
}

QByteArray zorMqttFeed::readingPayload(qint64 msecs, double value, const QString &unit, int err)
{
    auto unitText = unitTexts.find(unit);
    if (unitText == unitTexts.end())
        unitText = unitTexts.insert(unit, jsonString(unit));
    QByteArray payload;
    payload.reserve(96);
    payload += "{\"t\":\"";
    payload += timeText(msecs);
    payload += "\",\"v\":";
    payload += err < 0 && std::isfinite(value) ? QByteArray::number(value, 'g', 12) : QByteArray("null");
    payload += ",\"u\":";
    payload += unitText.value();
    payload += ",\"err\":";
    payload += err < 0 ? QByteArray("null") : QByteArray::number(err);
    payload += '}';
    return payload;
}

// Local time with milliseconds and the offset from UTC; the date, the time of day and
// the offset are worked out once a second.
const QByteArray &zorMqttFeed::timeText(qint64 msecs)
{
    const qint64 s = msecs / 1000;
    if (s != second) {
        second = s;
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(s * 1000);
        secondText = local.toString("yyyy-MM-dd'T'HH:mm:ss.").toLatin1();
        const int offset = local.offsetFromUtc();
        const int minutes = std::abs(offset) / 60;
        offsetText = QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60).toLatin1();
    }
    const int ms = int(msecs % 1000);
    stamp = secondText;
    stamp += char('0' + ms / 100);
    stamp += char('0' + ms / 10 % 10);
    stamp += char('0' + ms % 10);
    stamp += offsetText;
    return stamp;
}

QByteArray zorMqttFeed::topicOf(quint32 serial, const char *leaf)
{
    return publisher->settings().prefix.toUtf8() + '/' + QByteArray::number(serial) + '/' + leaf;
}

const zorList::_zor *zorMqttFeed::identified(int index) const
{
    const zorList::_zor *zor = list->getZorByIndex(index);
    return zor && zor->options->isIdentified() ? zor : nullptr;
}

void zorMqttFeed::devError(int index, quint8 code, const QString &msg)
{
    const zorList::_zor *zor = identified(index);
    if (!zor)
        return;
    lastError.insert(zor->options->devNumber, {code, msg});
    state(index);
}

void zorMqttFeed::state(int index, bool force)
{
    const zorList::_zor *zor = publisher->isOn() ? identified(index) : nullptr;
    if (!zor)
        return;
    const quint32 serial = zor->options->devNumber;
    serials.insert(index, serial);
    const auto error = lastError.find(serial);
    const QJsonObject state{
        {"name", zor->options->devName},
        {"type", QString::number(zor->options->devType, 16).toUpper().rightJustified(8, '0')},
        {"channels", zor->options->getChCount()},
        {"connected", zor->devIndex >= 0},
        {"thermostat", zor->tstat},
        {"lastError", error == lastError.end()
                          ? QJsonValue()
                          : QJsonObject{{"code", error->first}, {"text", error->second}}},
        {"program", publisher->settings().clientId},
    };
    const QByteArray payload = QJsonDocument(state).toJson(QJsonDocument::Compact);
    if (!force && lastState.value(serial) == payload)
        return;
    lastState.insert(serial, payload);
    publisher->publish(topicOf(serial, "state"), payload, 1, true);
}

// The record is gone: its last state, marked not connected, stays on the broker.
void zorMqttFeed::removed(int index)
{
    const auto serial = serials.find(index);
    if (serial == serials.end())
        return;
    const quint32 number = serial.value();
    serials.erase(serial);
    QJsonObject last = QJsonDocument::fromJson(lastState.value(number)).object();
    if (last.isEmpty() || !publisher->isOn())
        return;
    last.insert("connected", false);
    const QByteArray payload = QJsonDocument(last).toJson(QJsonDocument::Compact);
    lastState.insert(number, payload);
    publisher->publish(topicOf(number, "state"), payload, 1, true);
}

void zorMqttFeed::republishAll()
{
    for (int index : list->getIndexList())
        state(index, true);
}
